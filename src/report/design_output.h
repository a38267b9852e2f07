// The report of --design: the strata with their sizes and expected accuracies,
// the sample size and how it was set, and every allocation side by side with
// the standard errors it can be expected to give, the one asked for marked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/sample_design.h"
#include "report/report.h"

namespace brennic {

// What a draw of the design wrote, for its record and the report.
struct DrawRecord {
    std::string points, map, strata, program;
    std::uint64_t seed = 1, reserve = 0;
    std::vector<std::uint64_t> drawn; // of each stratum, its units and reserves
};

// `rule` says how the size was set, `confidence` the level z belongs to, `draw`
// what was drawn, if anything.
std::string WriteDesign(const SampleDesign& design, const SampleSizeRule& rule, double confidence,
                        ReportFormat format, const TextNumbers& numbers,
                        const DrawRecord* draw = nullptr);

} // namespace brennic
