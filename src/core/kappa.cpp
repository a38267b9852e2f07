// The seven figures in their fixed order of operations, each operation checked.
#include "core/kappa.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

#include "core/error_matrix.h"
#include "core/number_text.h"

namespace brennic {

const std::string OverflowCause = "A figure goes " + std::string(BeyondRangeText) +
                                  ": the counts are too large or too close to 0.";

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
    if (error.step == Step::Totals)
        return "The counts are so large that their totals go " + std::string(BeyondRangeText) + ".";
    const CountFacts f = countFacts(m);
    const bool chanceIsOne =
        error.step == Step::KAPPA || ((error.step == Step::SECI || error.step == Step::SE) &&
                                      error.kind == ArithmeticKind::DivisionByZero);
    if (f.firstNegative) {
        std::string what;
        if (error.kind == ArithmeticKind::Overflow)
            what = "a figure goes " + std::string(BeyondRangeText);
        else if (error.step == Step::PO)
            what = "the counts add up to 0, so there is no agreement to measure";
        else if (chanceIsOne)
            what = "the agreement expected by chance comes out as 1, so kappa and its standard "
                   "errors are not defined";
        else if (error.step == Step::SECI || error.step == Step::SE)
            what = "a standard error would be the square root of a negative number";
        else if (error.step == Step::Z)
            what = "the standard error under chance comes out as 0, so z is not defined";
        else
            what = "a figure is not defined";
        return "Negative counts are in the matrix (the first is " + countText(f.negative) +
               " in row " + std::to_string(f.firstNegative->row) + ", column " +
               std::to_string(f.firstNegative->col) + "), and with them " + what + ".";
    }
    if (error.kind != ArithmeticKind::Overflow) {
        if (error.step == Step::PO && f.allZero)
            return "The counts add up to 0 (every cell holds 0), so there is no agreement to "
                   "measure.";
        if (chanceIsOne && f.oneDiagonalCell)
            return "The agreement expected by chance is exactly 1 (all counts lie in one class), "
                   "so kappa and its standard errors are not defined.";
        if (error.step == Step::Z && f.noSharedClass)
            return "The agreement expected by chance is exactly 0 (no class has counts in both its "
                   "row and its column), so the standard error under chance is 0 and z is not "
                   "defined.";
    }
    return rangeCause(f);
}

void FormKappaFigures(int n, const std::vector<double>& rowTotals,
                      const std::vector<double>& colTotals, double diagonalSum, double grandTotal,
                      FigureRow<OverallFigure>& f) {
    using enum OverallFigure;
    const auto noReason = [](ArithmeticKind) { return std::string(); };
    // Totals that are already infinite overflowed while the cells were added up.
    bool finite = std::isfinite(diagonalSum) && std::isfinite(grandTotal);
    for (int k = 1; k <= n && finite; ++k)
        finite = std::isfinite(rowTotals[static_cast<std::size_t>(k)]) &&
                 std::isfinite(colTotals[static_cast<std::size_t>(k)]);
    if (!finite) {
        for (OverallFigure figure : {PC, PO, KAPPA, LO, HI, SE, Z})
            f[figure] = Figure::Failed(ArithmeticKind::Overflow, Step::Totals, {});
        return;
    }

    f[PO] = FormFigure(
        Step::PO, {}, [&](CheckedArithmetic& c) { return c.div(diagonalSum, grandTotal); },
        noReason);
    // Every share divides by the grand total: a total of 0 fails the chance
    // agreement for the same reason as the observed one.
    const Figure total = grandTotal == 0.0 ? f[PO] : Figure::Of(grandTotal);
    f[PC] = FormFigure(
        Step::PC, {&total},
        [&](CheckedArithmetic& c) {
            double pc = 0.0;
            for (int k = 1; k <= n && !c.failed(); ++k) {
                const auto i = static_cast<std::size_t>(k);
                const double a = c.div(colTotals[i], grandTotal);
                const double b = c.div(rowTotals[i], grandTotal);
                pc = c.add(c.mul(a, b), pc);
            }
            return pc;
        },
        noReason);
    const double po = f[PO].value.value_or(0.0), pc = f[PC].value.value_or(0.0);
    f[KAPPA] = FormFigure(
        Step::KAPPA, {&f[PO], &f[PC]},
        [&](CheckedArithmetic& c) { return c.div(c.sub(po, pc), c.sub(1.0, pc)); }, noReason);
    // The standard error of kappa behind the limits; it is written nowhere.
    const Figure SECI = FormFigure(
        Step::SECI, {&f[PO], &f[PC]},
        [&](CheckedArithmetic& c) {
            const double u = c.mul(c.sub(1.0, po), po);
            const double v = c.mul(c.pow(c.sub(1.0, pc), 2.0), grandTotal);
            const double w = c.div(u, v);
            return c.pow(w, 0.5);
        },
        noReason);
    const double kappa = f[KAPPA].value.value_or(0.0), seci = SECI.value.value_or(0.0);
    f[LO] = FormFigure(
        Step::LO, {&f[KAPPA], &SECI},
        [&](CheckedArithmetic& c) { return c.sub(kappa, c.add(seci, seci)); }, noReason);
    f[HI] = FormFigure(
        Step::HI, {&f[KAPPA], &SECI},
        [&](CheckedArithmetic& c) { return c.add(c.add(seci, seci), kappa); }, noReason);
    f[SE] = FormFigure(
        Step::SE, {&f[PC]},
        [&](CheckedArithmetic& c) {
            const double t = c.mul(c.sub(1.0, pc), grandTotal);
            return c.pow(c.div(pc, t), 0.5);
        },
        noReason);
    const double se = f[SE].value.value_or(0.0);
    f[Z] = FormFigure(
        Step::Z, {&f[KAPPA], &f[SE]}, [&](CheckedArithmetic& c) { return c.div(kappa, se); },
        noReason);
}

std::variant<KappaResult, ArithmeticError> ComputeKappa(int n, const std::vector<double>& rowTotals,
                                                        const std::vector<double>& colTotals,
                                                        double diagonalSum, double grandTotal) {
    using enum OverallFigure;
    FigureRow<OverallFigure> f;
    FormKappaFigures(n, rowTotals, colTotals, diagonalSum, grandTotal, f);
    // Carried out one step after another, the computation stops at the first step
    // that fails: the failed step that comes first.
    std::optional<ArithmeticError> first;
    for (std::size_t i = 0; i < ResultFileFigures; ++i) {
        const Figure& figure = f.all()[i];
        if (!figure.defined() && (!first || figure.step < first->step))
            first = ArithmeticError{figure.kind, figure.step};
    }
    if (first)
        return *first;
    KappaResult result;
    for (std::size_t i = 0; i < ResultFileFigures; ++i)
        result.values[i] = *f.all()[i].value;
    return result;
}

} // namespace brennic
