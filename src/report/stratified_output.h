// The `stratified` section of brennic-kappa --samples --report, in the report's
// three forms: the strata, the overall and per-class estimates, and the matrix
// of estimated area proportions p^_ij.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "report/report_output.h"
#include "core/stratified.h"

namespace brennic {

struct StratifiedSection {
    const StratifiedSample& sample;         // the strata, their sizes, the correction
    const StratifiedEstimates& estimates;   // of that sample
    const std::vector<std::string>& labels; // of class 1 to q
};

// A heading, the strata with their sizes and sample units, the figures with
// their descriptions, one row per class, the p^_ij matrix; values in the
// digits of Result.txt with `decimalSeparator`, each figure not defined with
// its reason.
std::string StratifiedText(const StratifiedSection& section, char decimalSeparator);

// Rows "stratified.<field>,value,label,<emptyColumns empty fields>,reason" for
// the figures, the strata and each p^_ij, to follow the report's own rows.
std::string StratifiedCsv(const StratifiedSection& section, std::size_t emptyColumns);

// The member "stratified": {...} of the report's JSON object, without a
// separator before or after it.
std::string StratifiedJson(const StratifiedSection& section);

// `report`, an agreement report in `format`, with the section added at its end
// (inside the JSON object; CSV rows as wide as the report's header).
std::string WithStratifiedSection(std::string report, ReportFormat format,
                                  const StratifiedSection& section, char decimalSeparator);

} // namespace brennic
