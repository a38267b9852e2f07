// Both passes walk the cells down each column in turn; the totals are added in a
// fixed order so that fractional counts give the same last bits on every run.
#include "core/error_matrix.h"

#include "core/number_text.h"

namespace brennic {

ErrorMatrix::ErrorMatrix(int n)
    : RowTotals(static_cast<std::size_t>(n + 1), 0.0),
      ColTotals(static_cast<std::size_t>(n + 1), 0.0), m_n(n),
      m_values(static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1), 0.0) {}

namespace {

NotANumberCell notANumber(int row, int col, std::string text, char decimalSeparator) {
    const bool beyond = WhyNoNumber(text, decimalSeparator) == NoNumber::BeyondRange;
    return NotANumberCell{{row, col}, std::move(text), beyond};
}

} // namespace

std::optional<CellPosition> FindEmptyCell(int n, const CellText& cellText) {
    for (int col = 1; col <= n; ++col)
        for (int row = 1; row <= n; ++row)
            if (cellText(row, col).empty())
                return CellPosition{row, col};
    return std::nullopt;
}

std::optional<NotANumberCell> FindNonNumberCell(int n, const CellText& cellText,
                                                char decimalSeparator) {
    for (int col = 1; col <= n; ++col)
        for (int row = 1; row <= n; ++row) {
            std::string text = cellText(row, col);
            double value = 0.0;
            if (!NumberOfText(text, decimalSeparator, value))
                return notANumber(row, col, std::move(text), decimalSeparator);
        }
    return std::nullopt;
}

std::variant<ErrorMatrix, NotANumberCell> ReadErrorMatrix(int n, const CellText& cellText,
                                                          char decimalSeparator) {
    ErrorMatrix m(n);
    for (int col = 1; col <= n; ++col)
        for (int row = 1; row <= n; ++row) {
            std::string text = cellText(row, col);
            double value = 0.0;
            if (!NumberOfText(text, decimalSeparator, value))
                return notANumber(row, col, std::move(text), decimalSeparator);
            m.set(row, col, value);
        }
    FormTotals(m);
    return m;
}

ErrorMatrix Transposed(const ErrorMatrix& m) {
    ErrorMatrix t(m.size());
    for (int r = 1; r <= m.size(); ++r)
        for (int c = 1; c <= m.size(); ++c)
            t.set(c, r, m.x(r, c));
    FormTotals(t);
    return t;
}

void FormTotals(ErrorMatrix& m) {
    const int n = m.size();
    const auto size = static_cast<std::size_t>(n);
    // Summed afresh each time, so that totals formed twice come out the same.
    std::vector<double> rows(size + 1, 0.0), cols(size + 1, 0.0);
    double diagonal = 0.0, grand = 0.0;
    // Each row total still receives its cells in the order j = 1 to n; walking the
    // columns on the outside only reads the stored columns in their memory order.
    for (std::size_t j = 1; j <= size; ++j)
        for (std::size_t k = 1; k <= size; ++k)
            rows[k] = m.x(static_cast<int>(k), static_cast<int>(j)) + rows[k];
    for (std::size_t k = 1; k <= size; ++k)
        for (std::size_t j = 1; j <= size; ++j)
            cols[k] = m.x(static_cast<int>(j), static_cast<int>(k)) + cols[k];
    for (int k = 1; k <= n; ++k)
        diagonal = diagonal + m.x(k, k);
    for (std::size_t k = 1; k <= size; ++k)
        grand = grand + cols[k];
    m.RowTotals = std::move(rows);
    m.ColTotals = std::move(cols);
    m.DiagonalSum = diagonal;
    m.GrandTotal = grand;
}

} // namespace brennic
