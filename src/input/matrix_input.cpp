// Each cell is read as a number as soon as it ends; the values are the only
// thing kept, at most the largest matrix.
#include "input/matrix_input.h"

#include <cerrno>
#include <vector>

#include "core/number_text.h"
#include "core/run.h"
#include "input/text_fields.h"

namespace brennic {

std::string Plural(std::uint64_t count, std::string_view word) {
    return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

namespace {

// The rows of a matrix, checked to form a square as they come.
class MatrixSink {
  public:
    explicit MatrixSink(char decimalSeparator) : m_separator(decimalSeparator) {}

    bool field(std::string_view text, std::size_t column, std::uint64_t line);
    bool lineEnd(std::size_t cells, std::uint64_t line);
    bool finish();
    ErrorMatrix matrix() const;
    const std::string& error() const { return m_error; }

  private:
    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }

    const char m_separator;
    std::size_t m_n = 0; // cells of the first row: the number of classes
    std::uint64_t m_firstRowLine = 0;
    std::size_t m_rows = 0;       // rows read
    std::vector<double> m_values; // row by row
    std::string m_error;
};

bool MatrixSink::field(std::string_view text, std::size_t column, std::uint64_t line) {
    double value = 0.0;
    if (column <= m_n && NumberOfText(text, m_separator, value)) {
        m_values.push_back(value);
        return true;
    }
    const std::string where = "line " + std::to_string(line);
    if (m_rows == 0 && column > static_cast<std::size_t>(MaxMatrixSize))
        return refuse(where + " has more than " + std::to_string(MaxMatrixSize) +
                      " cells; at most " + std::to_string(MaxMatrixSize) + " classes are allowed");
    if (m_rows > 0 && column > m_n)
        return refuse(where + " has more than " + Plural(m_n, "cell") +
                      ", but the first row (line " + std::to_string(m_firstRowLine) + ") has " +
                      std::to_string(m_n) + ": the matrix must be square");
    const std::optional<double> number = NumberOfText(text, m_separator);
    if (!number)
        return refuse(where + ", cell " + std::to_string(column) + ": " + QuotedCellText(text) +
                      " is " + std::string(NoNumberText(text, m_separator)));
    m_values.push_back(*number);
    return true;
}

bool MatrixSink::lineEnd(std::size_t cells, std::uint64_t line) {
    if (cells == 0)
        return true;
    const std::string where = "line " + std::to_string(line);
    if (m_rows == 0) {
        m_n = cells;
        m_firstRowLine = line;
        m_values.reserve(m_n * m_n);
    } else if (cells != m_n) {
        return refuse(where + " has " + Plural(cells, "cell") + ", but the first row (line " +
                      std::to_string(m_firstRowLine) + ") has " + std::to_string(m_n) +
                      ": the matrix must be square");
    }
    if (++m_rows > m_n)
        return refuse(where + " is row " + std::to_string(m_rows) + ", but the rows have " +
                      Plural(m_n, "cell") + ": the matrix must be square");
    return true;
}

bool MatrixSink::finish() {
    if (m_rows == 0)
        return refuse("no matrix was read: the input holds no rows");
    if (m_rows < m_n)
        return refuse("the matrix has " + Plural(m_rows, "row") + " of " + Plural(m_n, "cell") +
                      ": it must be square");
    if (m_n < static_cast<std::size_t>(MinMatrixSize))
        return refuse("the matrix has 1 row; at least " + std::to_string(MinMatrixSize) +
                      " classes are needed");
    return true;
}

ErrorMatrix MatrixSink::matrix() const {
    const int n = static_cast<int>(m_n);
    ErrorMatrix m(n);
    std::size_t at = 0;
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            m.set(r, c, m_values[at++]);
    FormTotals(m);
    return m;
}

} // namespace

std::variant<ErrorMatrix, InputError> ReadMatrix(ByteSource& in, char decimalSeparator) {
    MatrixSink sink(decimalSeparator);
    FieldSplitter<MatrixSink> splitter(decimalSeparator, "cell", sink);
    if (auto error = SplitInput(in, splitter))
        return std::move(*error);
    if (!sink.finish())
        return InputError{InputError::BadInput, sink.error()};
    return sink.matrix();
}

} // namespace brennic
