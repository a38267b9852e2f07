// The seven figures in their fixed order of operations, each operation checked.
#include "kappa.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

#include "checked_arithmetic.h"
#include "error_matrix.h"

namespace brennic {
namespace {

// A figure formed as step `step` from `inputs`: it takes over the error of the
// first input that has one, or fails with its own step.
template <typename Compute>
KappaFigure form(int step, std::initializer_list<const KappaFigure*> inputs, Compute compute) {
    for (const KappaFigure* input : inputs)
        if (input->error)
            return KappaFigure{0.0, input->error};
    CheckedArithmetic c;
    const double value = compute(c);
    if (c.failed())
        return KappaFigure{0.0, ArithmeticError{c.kind(), step}};
    return KappaFigure{value, std::nullopt};
}

} // namespace

const char* const OverflowCause =
    "A figure goes beyond the range of numbers the program can hold: the counts are too large "
    "or too close to 0.";

namespace {

// What the counts themselves show, worked out exactly from the cells rather than
// from the rounded figures, so that a cause is given only when it is true.
struct CountFacts {
    std::optional<CellPosition> firstNegative; // in the order the cells are read
    double negative = 0.0;
    double smallest = 0.0; // the smallest magnitude that is not 0
    double largest = 0.0;
    bool allZero = true;
    bool oneDiagonalCell = false; // every count that is not 0 lies in one cell (k, k)
    bool noSharedClass = true;    // no class has counts in both its row and its column
};

CountFacts countFacts(const ErrorMatrix& m) {
    CountFacts f;
    const int n = m.size();
    std::optional<CellPosition> onlyCell;
    bool oneCell = true;
    for (int col = 1; col <= n; ++col)
        for (int row = 1; row <= n; ++row) {
            const double x = m.x(row, col);
            if (x == 0.0)
                continue;
            if (x < 0.0 && !f.firstNegative) {
                f.firstNegative = CellPosition{row, col};
                f.negative = x;
            }
            const double size = std::fabs(x);
            f.smallest = f.allZero ? size : std::fmin(f.smallest, size);
            f.largest = std::fmax(f.largest, size);
            f.allZero = false;
            if (onlyCell && !(*onlyCell == CellPosition{row, col}))
                oneCell = false;
            onlyCell = CellPosition{row, col};
        }
    f.oneDiagonalCell = !f.allZero && oneCell && onlyCell->row == onlyCell->col;
    for (int k = 1; k <= n && f.noSharedClass; ++k) {
        bool inRow = false, inCol = false;
        for (int j = 1; j <= n; ++j) {
            inRow = inRow || m.x(k, j) != 0.0;
            inCol = inCol || m.x(j, k) != 0.0;
        }
        f.noSharedClass = !(inRow && inCol);
    }
    return f;
}

// A count as the shortest text that reads back as the same number.
std::string countText(double value) {
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    std::string text(digits, written.ptr);
    for (char& c : text)
        c = c == 'e' ? 'E' : c;
    return text;
}

// The figures fail although the counts have none of the shapes that make them
// undefined: the counts lie too far apart, or too close to 0 or too far from
// it, for double precision to carry them through.
std::string rangeCause(const CountFacts& f) {
    const std::string span = "(from " + countText(f.smallest) + " to " + countText(f.largest) + ")";
    const char* const ending = " for the figures to be formed in double precision.";
    if (f.largest < 1e-150)
        return "The counts are too close to 0 " + span + ending;
    if (f.smallest > 1e150)
        return "The counts are too large " + span + ending;
    if (f.largest / f.smallest > 1e15)
        return "The counts span too wide a range " + span + ending;
    return "Rounding in double precision leaves a figure undefined for these counts " + span + ".";
}

} // namespace

std::string ArithmeticCause(const ArithmeticError& error, const ErrorMatrix& m) {
    if (error.step == 0)
        return "The counts are so large that their totals go beyond the range of numbers the "
               "program can hold.";
    const CountFacts f = countFacts(m);
    const bool chanceIsOne = error.step == 3 || ((error.step == 4 || error.step == 7) &&
                                                 error.kind == ArithmeticKind::DivisionByZero);
    if (f.firstNegative) {
        std::string what;
        if (error.kind == ArithmeticKind::Overflow)
            what = "a figure goes beyond the range of numbers the program can hold";
        else if (error.step == 1)
            what = "the counts add up to 0, so there is no agreement to measure";
        else if (chanceIsOne)
            what = "the agreement expected by chance comes out as 1, so kappa and its standard "
                   "errors are not defined";
        else if (error.step == 4 || error.step == 7)
            what = "a standard error would be the square root of a negative number";
        else if (error.step == 8)
            what = "the standard error under chance comes out as 0, so z is not defined";
        else
            what = "a figure is not defined";
        return "Negative counts are in the matrix (the first is " + countText(f.negative) +
               " in row " + std::to_string(f.firstNegative->row) + ", column " +
               std::to_string(f.firstNegative->col) + "), and with them " + what + ".";
    }
    if (error.kind != ArithmeticKind::Overflow) {
        if (error.step == 1 && f.allZero)
            return "The counts add up to 0 (every cell holds 0), so there is no agreement to "
                   "measure.";
        if (chanceIsOne && f.oneDiagonalCell)
            return "The agreement expected by chance is exactly 1 (all counts lie in one class), "
                   "so kappa and its standard errors are not defined.";
        if (error.step == 8 && f.noSharedClass)
            return "The agreement expected by chance is exactly 0 (no class has counts in both its "
                   "row and its column), so the standard error under chance is 0 and z is not "
                   "defined.";
    }
    return rangeCause(f);
}

KappaFigures ComputeKappaFigures(int n, const std::vector<double>& RowTotals,
                                 const std::vector<double>& ColTotals, double DiagonalSum,
                                 double GrandTotal) {
    KappaFigures f;
    // Totals that are already infinite overflowed while the cells were added up.
    bool finite = std::isfinite(DiagonalSum) && std::isfinite(GrandTotal);
    for (int k = 1; k <= n && finite; ++k)
        finite = std::isfinite(RowTotals[static_cast<std::size_t>(k)]) &&
                 std::isfinite(ColTotals[static_cast<std::size_t>(k)]);
    if (!finite) {
        const KappaFigure overflow{0.0, ArithmeticError{ArithmeticKind::Overflow, 0}};
        f = KappaFigures{overflow, overflow, overflow, overflow, overflow, overflow, overflow};
        return f;
    }

    f.PO = form(1, {}, [&](CheckedArithmetic& c) { return c.div(DiagonalSum, GrandTotal); });
    // Every share divides by the grand total: a total of 0 fails the chance
    // agreement for the same reason as the observed one.
    const KappaFigure total = GrandTotal == 0.0 ? f.PO : KappaFigure{GrandTotal, std::nullopt};
    f.PC = form(2, {&total}, [&](CheckedArithmetic& c) {
        double PC = 0.0;
        for (int k = 1; k <= n && !c.failed(); ++k) {
            const auto i = static_cast<std::size_t>(k);
            const double a = c.div(ColTotals[i], GrandTotal);
            const double b = c.div(RowTotals[i], GrandTotal);
            PC = c.add(c.mul(a, b), PC);
        }
        return PC;
    });
    const double &PO = f.PO.value, &PC = f.PC.value;
    f.KAPPA = form(3, {&f.PO, &f.PC},
                   [&](CheckedArithmetic& c) { return c.div(c.sub(PO, PC), c.sub(1.0, PC)); });
    // The standard error of kappa behind the limits; it is written nowhere.
    const KappaFigure SECI = form(4, {&f.PO, &f.PC}, [&](CheckedArithmetic& c) {
        const double u = c.mul(c.sub(1.0, PO), PO);
        const double v = c.mul(c.pow(c.sub(1.0, PC), 2.0), GrandTotal);
        const double w = c.div(u, v);
        return c.pow(w, 0.5);
    });
    const double &KAPPA = f.KAPPA.value, &seci = SECI.value;
    f.LO = form(5, {&f.KAPPA, &SECI},
                [&](CheckedArithmetic& c) { return c.sub(KAPPA, c.add(seci, seci)); });
    f.HI = form(6, {&f.KAPPA, &SECI},
                [&](CheckedArithmetic& c) { return c.add(c.add(seci, seci), KAPPA); });
    f.SE = form(7, {&f.PC}, [&](CheckedArithmetic& c) {
        const double t = c.mul(c.sub(1.0, PC), GrandTotal);
        return c.pow(c.div(PC, t), 0.5);
    });
    f.Z =
        form(8, {&f.KAPPA, &f.SE}, [&](CheckedArithmetic& c) { return c.div(KAPPA, f.SE.value); });
    return f;
}

std::variant<KappaResult, ArithmeticError> ComputeKappa(int n, const std::vector<double>& RowTotals,
                                                        const std::vector<double>& ColTotals,
                                                        double DiagonalSum, double GrandTotal) {
    const KappaFigures f = ComputeKappaFigures(n, RowTotals, ColTotals, DiagonalSum, GrandTotal);
    // Carried out one step after another, the computation stops at the first step
    // that fails: the failed step with the lowest number.
    std::optional<ArithmeticError> first;
    for (const KappaFigure* figure : {&f.PC, &f.PO, &f.KAPPA, &f.LO, &f.HI, &f.SE, &f.Z})
        if (figure->error && (!first || figure->error->step < first->step))
            first = figure->error;
    if (first)
        return *first;
    return KappaResult{f.PC.value, f.PO.value, f.KAPPA.value, f.LO.value,
                       f.HI.value, f.SE.value, f.Z.value};
}

} // namespace brennic
