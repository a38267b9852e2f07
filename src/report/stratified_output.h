// The `stratified` section of the report, in each of its forms: the strata, the
// overall and per-class estimates, and the matrix of estimated area proportions
// p^_ij. It follows the agreement report of the sample's error matrix.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "report/json_writer.h"
#include "report/report.h"

namespace brennic {

// A heading, the strata with their sizes and sample units, the figures with
// their descriptions, one row per class, the p^_ij matrix; values in the
// significant digits and decimal separator of `numbers`, each figure not defined with
// its reason. `labels`: of class 1 to q.
void StratifiedText(std::string& out, const StratifiedSection& section,
                    const std::vector<std::string>& labels, const TextNumbers& numbers);

// The member "stratified": {...} of the report's object.
void StratifiedJson(JsonWriter& json, const StratifiedSection& section,
                    const std::vector<std::string>& labels);

} // namespace brennic
