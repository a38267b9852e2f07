// Arithmetic that notices a division by zero, an invalid operation and an
// overflow. Each operation is tested by looking at its operands and its result
// rather than at the floating-point status flags, which the compiler is free to
// move about.
#pragma once

#include <cmath>

namespace brennic {

// What went wrong in one arithmetic step.
enum class ArithmeticKind {
    DivisionByZero,   // a non-zero number divided by zero
    InvalidOperation, // 0/0, a square root of a negative number, infinity minus infinity
    Overflow,         // a finite computation that gave a number beyond the double range
};

// Performs the operations of one figure and remembers the first failure. The
// operands are expected to be finite: an infinite result is an overflow.
class CheckedArithmetic {
  public:
    bool failed() const { return m_failed; }
    ArithmeticKind kind() const { return m_kind; }

    double add(double a, double b) { return check(a + b); }
    double sub(double a, double b) { return check(a - b); }
    double mul(double a, double b) { return check(a * b); }
    double div(double a, double b) {
        if (b == 0.0) {
            fail(a == 0.0 || std::isnan(a) ? ArithmeticKind::InvalidOperation
                                           : ArithmeticKind::DivisionByZero);
            return 0.0;
        }
        return check(a / b);
    }
    // The general power function, as the figures are defined with it.
    double pow(double base, double exponent) {
        if (base < 0.0 && exponent != std::trunc(exponent)) {
            fail(ArithmeticKind::InvalidOperation);
            return 0.0;
        }
        return check(std::pow(base, exponent));
    }
    double sqrt(double x) {
        if (x < 0.0) {
            fail(ArithmeticKind::InvalidOperation);
            return 0.0;
        }
        return check(std::sqrt(x));
    }
    // A sum formed without checks: not finite means that it overflowed on the way.
    double finite(double sum) {
        if (!std::isfinite(sum))
            fail(ArithmeticKind::Overflow);
        return sum;
    }

  private:
    double check(double result) {
        if (std::isnan(result))
            fail(ArithmeticKind::InvalidOperation);
        else if (std::isinf(result))
            fail(ArithmeticKind::Overflow);
        return result;
    }
    void fail(ArithmeticKind kind) {
        if (!m_failed) {
            m_failed = true;
            m_kind = kind;
        }
    }

    bool m_failed = false;
    ArithmeticKind m_kind = ArithmeticKind::InvalidOperation;
};

} // namespace brennic
