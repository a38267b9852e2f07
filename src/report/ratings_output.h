// The ratings report (--ratings) in each of the report's forms. Every form
// writes the same figures under the same field names, so a script can move from
// the CSV to the JSON without renaming anything.
#pragma once

#include <string>

#include "core/ratings.h"
#include "report/json_writer.h"
#include "report/text_numbers.h"

namespace brennic {

// Its warnings ("Warning: ..."), the counts, the classes with how often each was
// given, one row per coefficient (value, se, ci_low, ci_high, p) and Krippendorff's alpha by
// level; values with the significant digits and decimal separator of `numbers`. A figure
// that cannot be formed shows "not defined" with its reason below the table.
void RatingsText(std::string& out, const RatingsReport& report, const TextNumbers& numbers);

// The members of the report's object: units, pairable_units, raters, weights,
// warnings (a list of texts, always there), classes [{label, count}], C, C_se, C_ci_low,
// C_ci_high, C_p for each coefficient C, krippendorff_alpha_by_level {nominal, ordinal, interval,
// ratio} when the classes are numbers, and "reasons" for each figure that is
// null.
void RatingsJson(JsonWriter& json, const RatingsReport& report);

} // namespace brennic
