// Reading a matrix typed as text, one row per line, for the command-line tool.
#pragma once

#include <istream>
#include <string>
#include <variant>
#include <vector>

namespace brennic {

struct MatrixText {
    std::vector<std::vector<std::string>> rows; // cell texts, row by row
    std::vector<int> lineNumbers;               // the input line of each row, from 1
};

// Why the text is not a square matrix.
struct MatrixInputError {
    std::string message; // names the line (and cell) concerned
};

// Splits each non-blank line into cells at blanks, tabs and semicolons, and at
// commas when the decimal separator is not a comma. The rows must form a square.
std::variant<MatrixText, MatrixInputError> ReadMatrixText(std::istream& in, char decimalSeparator);

} // namespace brennic
