// The three forms in which brennic-kappa --ratings writes its report: an aligned
// table for a person, CSV and JSON for other programs.
#pragma once

#include <string>

#include "core/ratings.h"
#include "report/report_output.h"

namespace brennic {

// The counts, the classes with how often each was given, one row per
// coefficient (value, se, ci95_low, ci95_high, p) and Krippendorff's alpha by
// level; values with 15 significant digits and `decimalSeparator`. A figure
// that cannot be formed shows "not defined" with its reason below the table.
std::string RatingsText(const RatingsReport& report, char decimalSeparator);

// A header row "field,label,value,reason", then one row per count, class and
// figure; values with the fewest digits that read back as the same double.
std::string RatingsCsv(const RatingsReport& report);

// One object: units, pairable_units, raters, weights, classes [{label, count}],
// C, C_se, C_ci95_low, C_ci95_high, C_p for each coefficient C,
// krippendorff_alpha_by_level {nominal, ordinal, interval, ratio} when the
// classes are numbers, and "reasons" for each figure that is null.
std::string RatingsJson(const RatingsReport& report);

std::string FormatRatings(const RatingsReport& report, ReportFormat format, char decimalSeparator);

} // namespace brennic
