// Each operation is tested by looking at its operands and its result rather than
// at the floating-point status flags, which the compiler is free to move about.
#include "kappa.h"

#include <cmath>

namespace brennic {
namespace {

// Performs the arithmetic of one step and remembers the first failure; later
// operations after a failure are skipped by the caller's early return.
class CheckedStep {
  public:
    explicit CheckedStep(int step) : m_step(step) {}

    bool failed() const { return m_failed; }
    ArithmeticError error() const { return {m_kind, m_step}; }

    double add(double a, double b) { return check(a + b, a, b); }
    double sub(double a, double b) { return check(a - b, a, b); }
    double mul(double a, double b) { return check(a * b, a, b); }
    double div(double a, double b) {
        if (b == 0.0) {
            fail(a == 0.0 || std::isnan(a) ? ArithmeticKind::InvalidOperation
                                           : ArithmeticKind::DivisionByZero);
            return 0.0;
        }
        return check(a / b, a, b);
    }
    double pow(double base, double exponent) {
        if (base < 0.0 && exponent != std::trunc(exponent)) {
            fail(ArithmeticKind::InvalidOperation);
            return 0.0;
        }
        return check(std::pow(base, exponent), base, exponent);
    }

  private:
    double check(double result, double, double) {
        if (std::isnan(result))
            fail(ArithmeticKind::InvalidOperation);
        else if (std::isinf(result))
            fail(ArithmeticKind::Overflow); // the operands are finite: they were checked
        return result;
    }
    void fail(ArithmeticKind kind) {
        if (!m_failed) {
            m_failed = true;
            m_kind = kind;
        }
    }

    int m_step;
    bool m_failed = false;
    ArithmeticKind m_kind = ArithmeticKind::InvalidOperation;
};

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

std::variant<KappaResult, ArithmeticError> ComputeKappa(int n, const std::vector<double>& RowTotals,
                                                        const std::vector<double>& ColTotals,
                                                        double DiagonalSum, double GrandTotal) {
    // Totals that are already infinite overflowed while the cells were added up.
    bool finite = std::isfinite(DiagonalSum) && std::isfinite(GrandTotal);
    for (int k = 1; k <= n && finite; ++k)
        finite = std::isfinite(RowTotals[static_cast<std::size_t>(k)]) &&
                 std::isfinite(ColTotals[static_cast<std::size_t>(k)]);
    if (!finite)
        return ArithmeticError{ArithmeticKind::Overflow, 0};

    KappaResult r;
    double SECI = 0.0;

    CheckedStep s1(1);
    r.PO = s1.div(DiagonalSum, GrandTotal);
    if (s1.failed())
        return s1.error();

    CheckedStep s2(2);
    r.PC = 0.0;
    for (int k = 1; k <= n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        double a = s2.div(ColTotals[i], GrandTotal);
        double b = s2.div(RowTotals[i], GrandTotal);
        r.PC = s2.add(s2.mul(a, b), r.PC);
        if (s2.failed())
            return s2.error();
    }

    CheckedStep s3(3);
    r.KAPPA = s3.div(s3.sub(r.PO, r.PC), s3.sub(1.0, r.PC));
    if (s3.failed())
        return s3.error();

    CheckedStep s4(4);
    double u = s4.mul(s4.sub(1.0, r.PO), r.PO);
    double v = s4.mul(s4.pow(s4.sub(1.0, r.PC), 2.0), GrandTotal);
    double w = s4.div(u, v);
    SECI = s4.pow(w, 0.5);
    if (s4.failed())
        return s4.error();

    CheckedStep s5(5);
    r.LO = s5.sub(r.KAPPA, s5.add(SECI, SECI));
    if (s5.failed())
        return s5.error();

    CheckedStep s6(6);
    r.HI = s6.add(s6.add(SECI, SECI), r.KAPPA);
    if (s6.failed())
        return s6.error();

    CheckedStep s7(7);
    double t = s7.mul(s7.sub(1.0, r.PC), GrandTotal);
    r.SE = s7.pow(s7.div(r.PC, t), 0.5);
    if (s7.failed())
        return s7.error();

    CheckedStep s8(8);
    r.Z = s8.div(r.KAPPA, r.SE);
    if (s8.failed())
        return s8.error();

    return r;
}

} // namespace brennic
