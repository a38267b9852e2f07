// The seven figures in their fixed order of operations, each operation checked.
#include "kappa.h"

#include <cmath>
#include <initializer_list>

#include "checked_arithmetic.h"

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

std::string ArithmeticCause(const ArithmeticError& error) {
    if (error.step == 0)
        return "The counts are so large that their totals go beyond the range of numbers the "
               "program can hold.";
    // With finite totals a figure overflows also when the counts are tiny (a
    // standard error divides by the grand total).
    if (error.kind == ArithmeticKind::Overflow)
        return "A figure goes beyond the range of numbers the program can hold: the counts are "
               "too large or too close to 0.";
    switch (error.step) {
    case 1:
        return "The counts add up to 0 (as when every cell holds 0), so there is no agreement "
               "to measure.";
    case 3:
        return "The agreement expected by chance is exactly 1 (all counts lie in one class), so "
               "kappa is not defined.";
    case 4:
    case 7:
        if (error.kind == ArithmeticKind::InvalidOperation)
            return "Negative counts make a standard error undefined (the square root of a "
                   "negative number).";
        return "The agreement expected by chance is exactly 1, so the standard error is not "
               "defined.";
    case 8:
        return "The agreement expected by chance is exactly 0 (no class has counts in both its "
               "row and its column), so the standard error under chance is 0 and z is not "
               "defined.";
    default:
        return error.kind == ArithmeticKind::DivisionByZero
                   ? "A figure would need a division by zero."
                   : "A figure is not defined for these counts.";
    }
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
