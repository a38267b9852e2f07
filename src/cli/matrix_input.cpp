// A delimiter (semicolon or comma) separates exactly two cells, so two in a row
// mean an empty cell; runs of blanks and tabs count as one separator. One trailing
// delimiter, as some spreadsheets export, is allowed. Each cell is read as a
// number as soon as it ends, so no text is kept beyond the cell being read.
#include "matrix_input.h"

#include <cerrno>
#include <vector>

#include "number_text.h"
#include "run.h"

namespace brennic {
namespace {

std::string plural(std::uint64_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The reader's state between bytes; everything it keeps is bounded by the
// largest matrix.
class MatrixReader {
  public:
    explicit MatrixReader(char decimalSeparator)
        : m_separator(decimalSeparator), m_commaSeparates(decimalSeparator != ',') {
        m_cell.reserve(64);
    }

    // False when the input cannot be a matrix; `error` then says why.
    bool take(const char* bytes, std::size_t size);
    bool finish();
    ErrorMatrix matrix() const;
    const std::string& error() const { return m_error; }

  private:
    bool endCell();
    bool endPiece(bool lineEnd);
    bool endLine();
    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }
    std::string where() const { return "line " + std::to_string(m_line); }

    const char m_separator;
    const bool m_commaSeparates;
    std::uint64_t m_line = 1;
    bool m_afterCr = false;       // an LF right after a CR ends no new line
    std::string m_cell;           // the text of the cell being read
    std::size_t m_rowCells = 0;   // cells of the current line so far
    std::size_t m_pieceCells = 0; // cells since the last delimiter
    bool m_lineHasDelimiter = false;
    std::size_t m_n = 0; // cells of the first row: the number of classes
    std::uint64_t m_firstRowLine = 0;
    std::size_t m_rows = 0;       // rows read
    std::vector<double> m_values; // row by row
    std::string m_error;
};

bool MatrixReader::endCell() {
    if (m_cell.empty())
        return true;
    const std::size_t column = m_rowCells + 1;
    if (m_rows == 0 ? column > static_cast<std::size_t>(MaxMatrixSize) : column > m_n) {
        if (m_rows == 0)
            return refuse(where() + " has more than " + std::to_string(MaxMatrixSize) +
                          " cells; at most " + std::to_string(MaxMatrixSize) +
                          " classes are allowed");
        return refuse(where() + " has more than " + plural(m_n, "cell") +
                      ", but the first row (line " + std::to_string(m_firstRowLine) + ") has " +
                      std::to_string(m_n) + ": the matrix must be square");
    }
    double value = 0.0;
    if (!ReadNumberOfText(m_cell, m_separator, value)) {
        const bool beyond = WhyNoNumber(m_cell, m_separator) == NoNumber::BeyondRange;
        return refuse(
            where() + ", cell " + std::to_string(column) + ": " + QuotedCellText(m_cell) +
            (beyond ? " is beyond the range of numbers the program can hold" : " is not a number"));
    }
    m_values.push_back(value);
    ++m_rowCells;
    ++m_pieceCells;
    m_cell.clear();
    return true;
}

bool MatrixReader::endPiece(bool lineEnd) {
    if (!endCell())
        return false;
    if (m_pieceCells == 0) {
        const bool blankLine = lineEnd && !m_lineHasDelimiter;
        const bool trailingDelimiter = lineEnd && m_lineHasDelimiter && m_rowCells > 0;
        if (!blankLine && !trailingDelimiter)
            return refuse(where() + ", cell " + std::to_string(m_rowCells + 1) + " is empty");
    }
    m_pieceCells = 0;
    return true;
}

bool MatrixReader::endLine() {
    if (!endPiece(true))
        return false;
    if (m_rowCells > 0) {
        if (m_rows == 0) {
            m_n = m_rowCells;
            m_firstRowLine = m_line;
            m_values.reserve(m_n * m_n);
        } else if (m_rowCells != m_n) {
            return refuse(where() + " has " + plural(m_rowCells, "cell") +
                          ", but the first row (line " + std::to_string(m_firstRowLine) + ") has " +
                          std::to_string(m_n) + ": the matrix must be square");
        }
        if (++m_rows > m_n)
            return refuse(where() + " is row " + std::to_string(m_rows) + ", but the rows have " +
                          plural(m_n, "cell") + ": the matrix must be square");
    }
    m_rowCells = 0;
    m_lineHasDelimiter = false;
    ++m_line;
    return true;
}

bool MatrixReader::take(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r') {
            if (c == '\n' && m_afterCr) {
                m_afterCr = false;
                continue;
            }
            m_afterCr = c == '\r';
            if (!endLine())
                return false;
            continue;
        }
        m_afterCr = false;
        if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
            if (!endCell())
                return false;
        } else if (c == ';' || (c == ',' && m_commaSeparates)) {
            m_lineHasDelimiter = true;
            if (!endPiece(false))
                return false;
        } else {
            if (m_cell.size() == MaxCellText)
                return refuse(where() + ", cell " + std::to_string(m_rowCells + 1) +
                              " is longer than " + std::to_string(MaxCellText) + " characters");
            m_cell += c;
        }
    }
    return true;
}

bool MatrixReader::finish() {
    // A last line without a line end is a line all the same.
    if ((!m_cell.empty() || m_rowCells > 0 || m_lineHasDelimiter) && !endLine())
        return false;
    if (m_rows == 0)
        return refuse("no matrix was read: the input holds no rows");
    if (m_rows < m_n)
        return refuse("the matrix has " + plural(m_rows, "row") + " of " + plural(m_n, "cell") +
                      ": it must be square");
    if (m_n < static_cast<std::size_t>(MinMatrixSize))
        return refuse("the matrix has 1 row; at least " + std::to_string(MinMatrixSize) +
                      " classes are needed");
    return true;
}

ErrorMatrix MatrixReader::matrix() const {
    const int n = static_cast<int>(m_n);
    ErrorMatrix m(n);
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            m.set(
                r, c,
                m_values[static_cast<std::size_t>(r - 1) * m_n + static_cast<std::size_t>(c - 1)]);
    FormTotals(m);
    return m;
}

} // namespace

std::ptrdiff_t FileSource::Read(char* buffer, std::size_t size, int& error) {
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, size, m_file);
    if (got == 0 && std::ferror(m_file) != 0) {
        error = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

std::string QuotedCellText(std::string_view text) {
    constexpr std::size_t Shown = 40;
    std::string quoted = "'";
    for (std::size_t i = 0; i < text.size() && i < Shown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7f) {
            quoted += static_cast<char>(byte);
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            quoted += "\\x";
            quoted += hex[byte >> 4];
            quoted += hex[byte & 0xf];
        }
    }
    if (text.size() > Shown)
        quoted += "\u2026";
    return quoted + "'";
}

std::variant<ErrorMatrix, MatrixInputError> ReadMatrix(ByteSource& in, char decimalSeparator) {
    MatrixReader reader(decimalSeparator);
    std::vector<char> buffer(64 * 1024);
    std::size_t held = 0; // bytes at the start of the buffer not yet taken
    bool start = true;
    for (;;) {
        int error = 0;
        const std::ptrdiff_t got = in.Read(buffer.data() + held, buffer.size() - held, error);
        if (got < 0)
            return MatrixInputError{MatrixInputError::ReadError, SystemReason(error)};
        held += static_cast<std::size_t>(got);
        const char* bytes = buffer.data();
        if (start) {
            // A spreadsheet's byte-order mark is no part of the first cell; wait for
            // three bytes before deciding.
            if (got > 0 && held < 3)
                continue;
            start = false;
            if (held >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
                bytes += 3;
                held -= 3;
            }
        }
        if (!reader.take(bytes, held))
            return MatrixInputError{MatrixInputError::BadInput, reader.error()};
        held = 0;
        if (got == 0)
            break;
    }
    if (!reader.finish())
        return MatrixInputError{MatrixInputError::BadInput, reader.error()};
    return reader.matrix();
}

} // namespace brennic
