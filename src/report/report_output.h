// The three forms in which brennic-kappa --report writes an agreement report:
// an aligned table for a person, CSV and JSON for other programs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/agreement_report.h"

namespace brennic {

enum class ReportFormat { Text, Csv, Json };

// "text", "csv" or "json".
std::optional<ReportFormat> ReportFormatFromName(std::string_view name);

// Its warnings ("Warning: ...") and the pairs left out as missing first, then
// sections for the error matrix, the figures of Result.txt, the large-sample
// figures, the weighted kappa and the classes; values with 15 significant
// digits as in Result.txt, with `decimalSeparator`. A figure that cannot be
// formed shows "not defined" and its reason. No line is wider than TextWidth
// characters (UTF-8 code points): wide tables are folded into blocks of
// columns, long reasons wrapped.
std::string ReportText(const AgreementReport& report, char decimalSeparator);

// A header row, then the row "n", a row "warning" per warning (its text in
// the reason column), "left_out.missing" when set, one row per figure (field,
// value, reason), one per class (its figures in their columns), and last the
// error matrix: "matrix.columns" with the column labels, then a "matrix.row"
// per row with its class number, label and counts. Point as decimal
// separator; each value as AppendNumber writes it.
std::string ReportCsv(const AgreementReport& report);

// One object: "n", "warnings" (a list of texts, always there),
// "left_out": {"missing": K} when set, "matrix", then the figures. Numbers as
// in ReportCsv (whole counts as integers), a figure that cannot be formed as
// null with its reason under "reasons" of the object that holds it.
std::string ReportJson(const AgreementReport& report);

std::string FormatReport(const AgreementReport& report, ReportFormat format, char decimalSeparator);

} // namespace brennic
