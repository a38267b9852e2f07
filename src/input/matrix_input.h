// Reading a matrix typed as text, one row per line, for the command-line tool.
// The input is read as a stream and refused as soon as it cannot be a matrix, so
// memory stays small whatever is fed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>

#include "core/error_matrix.h"
#include "core/input_error.h"
#include "input/byte_source.h"
#include "input/labels.h"

namespace brennic {

// The longest text a cell may hold; far beyond any count.
inline constexpr std::size_t MaxCellText = 4096;

// Splits each non-blank line into cells at blanks, tabs and semicolons, and at
// commas when the decimal separator is not a comma, and reads each cell as a
// number. Lines end at LF, CR LF or CR alone; a UTF-8 byte-order mark at the
// start is skipped. The rows must form a square of 2 to 254 classes.
std::variant<ErrorMatrix, InputError> ReadMatrix(ByteSource& in, char decimalSeparator);

// "1 cell", "2 cells".
std::string Plural(std::uint64_t count, std::string_view word);

} // namespace brennic
