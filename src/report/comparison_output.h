// The comparison of two maps on the same units and the z-tests of two
// independent assessments, in each of the report's forms but CSV (whose rows
// report_csv.cpp writes with the rest).
#pragma once

#include <string>
#include <vector>

#include "core/comparison.h"
#include "report/json_writer.h"
#include "report/report.h"
#include "report/text_numbers.h"

namespace brennic {

// The heading with the confidence level, the table of units right in each
// map, McNemar's test (or, for a stratified sample, why it is not given), the
// difference of overall accuracy and one row per class; `labels` of class 1
// to q.
void ComparisonText(std::string& out, const MapComparison& comparison,
                    const std::vector<std::string>& labels, double confidence,
                    const TextNumbers& numbers);

// The member "comparison": {...} of the report's object.
void ComparisonJson(JsonWriter& json, const MapComparison& comparison,
                    const std::vector<std::string>& labels);

// The two reports compared, with the figures taken from each, then the tests.
void IndependentText(std::string& out, const IndependentSection& section,
                     const TextNumbers& numbers);

// The member "independent": {...} of the report's object.
void IndependentJson(JsonWriter& json, const IndependentSection& section);

} // namespace brennic
