// The error matrix: the square table of counts typed into the grid, read from the
// texts of its cells, with the row and column totals, diagonal sum and grand total
// from which the kappa statistics are formed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brennic {

// The text of the cell in grid row `row` and grid column `col`, each 1 to n.
// Called once per cell and pass, in traversal order: down column 1, then down
// column 2, and so on.
using CellText = std::function<std::string(int row, int col)>;

struct CellPosition {
    int row = 0;
    int col = 0;
    friend bool operator==(const CellPosition&, const CellPosition&) = default;
};

// A cell whose text is not a number, or whose number lies beyond the double range.
struct NotANumberCell {
    CellPosition cell;
    std::string text;
    bool beyondRange = false;
};

class ErrorMatrix {
  public:
    explicit ErrorMatrix(int n);

    int size() const { return m_n; }
    // x(r, c): the value of grid row r, grid column c (1 to n). Stored with the
    // column as the first index, as the grid is traversed.
    double x(int row, int col) const { return m_values[index(col, row)]; }
    void set(int row, int col, double value) { m_values[index(col, row)] = value; }

    // Index 0 of each array stays 0.0; elements 1 to n hold the totals.
    std::vector<double> RowTotals;
    std::vector<double> ColTotals;
    double DiagonalSum = 0.0;
    double GrandTotal = 0.0;

  private:
    std::size_t index(int first, int second) const {
        return static_cast<std::size_t>(first) * static_cast<std::size_t>(m_n + 1) +
               static_cast<std::size_t>(second);
    }
    int m_n;
    std::vector<double> m_values; // (n+1) by (n+1), index 0 unused
};

// The first cell, in traversal order, whose text is exactly empty; nothing when
// every cell holds a text. Blanks and "0" count as filled. Stops at that cell.
std::optional<CellPosition> FindEmptyCell(int n, const CellText& cellText);

// The first cell, in traversal order, whose text has no number.
std::optional<NotANumberCell> FindNonNumberCell(int n, const CellText& cellText,
                                                char decimalSeparator);

// Forms the row and column totals, the diagonal sum and the grand total of the
// values already in `m`, in their fixed order of additions.
void FormTotals(ErrorMatrix& m);

// The matrix with rows and columns swapped, its totals formed anew.
ErrorMatrix Transposed(const ErrorMatrix& m);

// Reads every cell and forms the totals in their fixed order of additions. Gives
// the first cell that is not a number instead, should one be met.
std::variant<ErrorMatrix, NotANumberCell> ReadErrorMatrix(int n, const CellText& cellText,
                                                          char decimalSeparator);

} // namespace brennic
