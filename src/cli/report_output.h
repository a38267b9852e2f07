// The three forms in which brennic-kappa --report writes an agreement report:
// an aligned table for a person, CSV and JSON for other programs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "agreement_report.h"

namespace brennic {

enum class ReportFormat { Text, Csv, Json };

// "text", "csv" or "json".
std::optional<ReportFormat> ReportFormatFromName(std::string_view name);

// Sections for the figures of Result.txt, the large-sample figures, the
// weighted kappa and the classes; values with 15 significant digits as in
// Result.txt, with `decimalSeparator`. A figure that cannot be formed shows
// "not defined" and its reason.
std::string ReportText(const AgreementReport& report, char decimalSeparator);

// A header row, then one row per figure (field, value, reason) and one per
// class (its seven figures in their columns). Point as decimal separator; each
// value with the fewest digits that read back as the same double.
std::string ReportCsv(const AgreementReport& report);

// One object; numbers as in ReportCsv, a figure that cannot be formed as null
// with its reason under "reasons" of the object that holds it.
std::string ReportJson(const AgreementReport& report);

std::string FormatReport(const AgreementReport& report, ReportFormat format, char decimalSeparator);

} // namespace brennic
