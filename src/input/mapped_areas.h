// The mapped areas of --mapped-area, read once the classes are known.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "input/pairs_input.h"

namespace brennic {

// The mapped areas of the text of --mapped-area for the classes of `labelled`,
// in their order: listed with commas (semicolons where the comma is the
// decimal separator), either one per class in the order of the classes or each
// as LABEL=AREA in any order. An area is a number of the user's format, 0 or
// more, and 0 only for a class whose row holds no counts. Areas in the order of
// the classes are taken only when `orderFixed` (the classes are columns of a
// matrix, numbers, or listed by --classes): labels that come in the order they
// first appear have no order a user could have known. Gives the reason instead
// when they do not fit.
std::variant<std::vector<double>, std::string> ReadMappedAreas(std::string_view text,
                                                               char decimalSeparator,
                                                               const LabelledMatrix& labelled,
                                                               bool orderFixed);

} // namespace brennic
