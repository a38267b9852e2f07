// The report of --design: the strata with their sizes and expected accuracies,
// the sample size and how it was set, and every allocation side by side with
// the standard errors it can be expected to give, the one asked for marked.
#pragma once

#include <string>

#include "core/sample_design.h"
#include "report/report.h"

namespace brennic {

// `rule` says how the size was set, `confidence` the level z belongs to.
std::string WriteDesign(const SampleDesign& design, const SampleSizeRule& rule, double confidence,
                        ReportFormat format, const TextNumbers& numbers);

} // namespace brennic
