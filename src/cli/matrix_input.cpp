// A delimiter (semicolon or comma) separates exactly two cells, so two in a row
// mean an empty cell; runs of blanks and tabs count as one separator. One trailing
// delimiter, as some spreadsheets export, is allowed.
#include "matrix_input.h"

#include "run.h"

namespace brennic {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> splitBlanks(const std::string& text) {
    std::vector<std::string> cells;
    std::string cell;
    for (char c : text) {
        if (isBlank(c)) {
            if (!cell.empty())
                cells.push_back(std::move(cell));
            cell.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.empty())
        cells.push_back(std::move(cell));
    return cells;
}

} // namespace

std::variant<MatrixText, MatrixInputError> ReadMatrixText(std::istream& in, char decimalSeparator) {
    const bool commaSeparates = decimalSeparator != ',';
    auto isDelimiter = [&](char c) { return c == ';' || (commaSeparates && c == ','); };

    MatrixText matrix;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (splitBlanks(line).empty())
            continue;

        std::vector<std::string> cells;
        std::string piece;
        bool hasDelimiter = false;
        auto endPiece = [&](bool last) -> bool {
            std::vector<std::string> parts = splitBlanks(piece);
            piece.clear();
            if (parts.empty()) {
                if (last && hasDelimiter && !cells.empty())
                    return true; // one trailing delimiter
                return false;
            }
            for (auto& part : parts)
                cells.push_back(std::move(part));
            return true;
        };
        for (char c : line) {
            if (isDelimiter(c)) {
                hasDelimiter = true;
                if (!endPiece(false))
                    return MatrixInputError{"line " + std::to_string(lineNumber) + ", cell " +
                                            std::to_string(cells.size() + 1) + " is empty"};
            } else {
                piece += c;
            }
        }
        if (!endPiece(true))
            return MatrixInputError{"line " + std::to_string(lineNumber) + ", cell " +
                                    std::to_string(cells.size() + 1) + " is empty"};
        matrix.rows.push_back(std::move(cells));
        matrix.lineNumbers.push_back(lineNumber);
    }

    const std::size_t n = matrix.rows.size();
    if (n == 0)
        return MatrixInputError{"no matrix was read: the input holds no rows"};
    if (n > static_cast<std::size_t>(MaxMatrixSize))
        return MatrixInputError{"the matrix has " + std::to_string(n) + " rows; at most " +
                                std::to_string(MaxMatrixSize) + " classes are allowed"};
    for (std::size_t r = 0; r < n; ++r)
        if (matrix.rows[r].size() != n)
            return MatrixInputError{"line " + std::to_string(matrix.lineNumbers[r]) + " has " +
                                    std::to_string(matrix.rows[r].size()) +
                                    " cells, but the matrix has " + std::to_string(n) +
                                    " rows: it must be square"};
    if (n < static_cast<std::size_t>(MinMatrixSize))
        return MatrixInputError{"the matrix has 1 row; at least " + std::to_string(MinMatrixSize) +
                                " classes are needed"};
    return matrix;
}

} // namespace brennic
