// The agreement report of one error matrix in each of the report's forms: the
// first part of the whole report, which report.cpp writes in order.
#pragma once

#include <cstddef>
#include <string>

#include "core/agreement_report.h"
#include "report/json_writer.h"
#include "report/text_numbers.h"

namespace brennic {

// Its warnings ("Warning: ...") and the pairs left out as missing first, then
// sections for the error matrix, the figures of Result.txt, the large-sample
// figures, the weighted kappa and the classes; values written as `numbers`
// says (significant digits, decimal separator). A figure that cannot be
// formed shows "not defined" and its reason. No line is wider than TextWidth
// characters (UTF-8 code points): wide tables are folded into blocks of
// columns, long reasons wrapped.
void AgreementText(std::string& out, const AgreementReport& report, const TextNumbers& numbers);

// The class columns of the CSV form (those of ClassFigure, and of
// AreaClassFigure with the area-weighted estimates): the header is "field,
// value,label", these, "reason", and every row of the report has that width.
std::size_t AgreementCsvColumns(const AgreementReport& report);

// The header row, then the row "n", a row "warning" per warning (its text in
// the reason column), "left_out.missing" when set, one row per figure (field,
// value, reason), one per class (its figures in their columns), and last the
// error matrix: "matrix.columns" with the column labels, then a "matrix.row"
// per row with its class number, label and counts. Point as decimal
// separator; each value as AppendNumber writes it.
void AgreementCsv(std::string& out, const AgreementReport& report);

// The members "n", "warnings" (a list of texts, always there), "left_out":
// {"missing": K} when set, "matrix", then the figures, of the report's object.
// Numbers as in the CSV (whole counts as integers), a figure that cannot be
// formed as null with its reason under "reasons" of the object that holds it.
void AgreementJson(JsonWriter& json, const AgreementReport& report);

} // namespace brennic
