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
// Areas are in `areaUnit` (empty: as given), named in the heading of their table.
void AgreementText(std::string& out, const AgreementReport& report, std::string_view areaUnit,
                   const TextNumbers& numbers);

// The members "n", "warnings" (a list of texts, always there), "left_out":
// {"missing": K} when set, "matrix", then the figures, of the report's object.
// Numbers as in the CSV (whole counts as integers), a figure that cannot be
// formed as null with its reason under "reasons" of the object that holds it.
// The area-weighted object names its `areaUnit` where it is known.
void AgreementJson(JsonWriter& json, const AgreementReport& report, std::string_view areaUnit);

} // namespace brennic
