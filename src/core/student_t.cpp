// The incomplete beta function by the continued fraction of Numerical Recipes
// (modified Lentz), and the t quantile by bisection refined with Newton steps.
#include "core/student_t.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace brennic {
namespace {

// The continued fraction for I_x(a, b), good for x < (a + 1) / (a + b + 2).
double betaFraction(double x, double a, double b) {
    constexpr double tiny = 1e-300;
    constexpr double epsilon = 1e-16;
    const double qab = a + b, qap = a + 1.0, qam = a - 1.0;
    double c = 1.0;
    double d = 1.0 - qab * x / qap;
    if (std::fabs(d) < tiny)
        d = tiny;
    d = 1.0 / d;
    double h = d;
    // One Lentz step with the coefficient `aa`: the factor it multiplies h by.
    const auto lentz = [&](double aa) {
        d = 1.0 + aa * d;
        if (std::fabs(d) < tiny)
            d = tiny;
        c = 1.0 + aa / c;
        if (std::fabs(c) < tiny)
            c = tiny;
        d = 1.0 / d;
        return d * c;
    };
    for (int m = 1; m <= 10000; ++m) {
        const double m2 = 2.0 * m;
        h *= lentz(m * (b - m) * x / ((qam + m2) * (a + m2)));
        const double step = lentz(-(a + m) * (qab + m) * x / ((a + m2) * (qap + m2)));
        h *= step;
        if (std::fabs(step - 1.0) < epsilon)
            break;
    }
    return h;
}

} // namespace

double RegularizedIncompleteBeta(double x, double a, double b) {
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    const double logFront =
        std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x);
    const double front = std::exp(logFront);
    // The fraction converges fast only on one side of the mean; the symmetry
    // I_x(a, b) = 1 - I_{1-x}(b, a) covers the other.
    if (x < (a + 1.0) / (a + b + 2.0))
        return front * betaFraction(x, a, b) / a;
    return 1.0 - front * betaFraction(1.0 - x, b, a) / b;
}

double StudentTUpperTail(double t, double df) {
    if (std::isinf(t))
        return t > 0 ? 0.0 : 1.0;
    // P(|T| > |t|) = I_{df / (df + t^2)}(df / 2, 1 / 2); df / (df + t^2) is formed
    // without t^2 overflowing for a huge t.
    const double x = std::fabs(t) > 1e150 ? 0.0 : df / (df + t * t);
    const double twoTails = RegularizedIncompleteBeta(x, df / 2.0, 0.5);
    return t >= 0 ? twoTails / 2.0 : 1.0 - twoTails / 2.0;
}

double StudentTCdf(double t, double df) {
    return 1.0 - StudentTUpperTail(t, df);
}

namespace {

// The quantile of an upper tail, p > 0.5, by bisection and Newton steps.
double upperQuantile(double p, double df) {
    // Upper tail wanted: P(T > t) = 1 - p. Bracket it, then halve the bracket.
    const double tail = 1.0 - p;
    double low = 0.0, high = 1.0;
    while (StudentTUpperTail(high, df) > tail && high < 1e300)
        high *= 2.0;
    for (int i = 0; i < 200 && high - low > 1e-15 * high; ++i) {
        const double mid = low + (high - low) / 2.0;
        if (StudentTUpperTail(mid, df) > tail)
            low = mid;
        else
            high = mid;
    }
    // Newton steps on the density polish the last digits.
    double t = low + (high - low) / 2.0;
    for (int i = 0; i < 3; ++i) {
        const double logDensity = std::lgamma((df + 1.0) / 2.0) - std::lgamma(df / 2.0) -
                                  0.5 * std::log(df * std::numbers::pi) -
                                  (df + 1.0) / 2.0 * std::log1p(t * t / df);
        const double density = std::exp(logDensity);
        if (!(density > 0.0))
            break;
        const double next = t + (StudentTUpperTail(t, df) - tail) / density;
        if (!std::isfinite(next))
            break;
        t = next;
    }
    return t;
}

} // namespace

double StudentTQuantile(double p, double df) {
    if (p == 0.5)
        return 0.0;
    if (p < 0.5)
        return -StudentTQuantile(1.0 - p, df);
    // A report asks for the quantile of one level and one df for each of its
    // coefficients: the last one asked for is kept, in each thread.
    thread_local std::uint64_t lastP = 0, lastDf = 0; // p = 0 never comes here
    thread_local double lastT = 0.0;
    if (std::bit_cast<std::uint64_t>(p) != lastP || std::bit_cast<std::uint64_t>(df) != lastDf) {
        lastT = upperQuantile(p, df);
        lastP = std::bit_cast<std::uint64_t>(p);
        lastDf = std::bit_cast<std::uint64_t>(df);
    }
    return lastT;
}

namespace {

double normalPoint(double level) {
    // From the upper tail q = (1 - level) / 2 = P(Z > z) = erfc(z / sqrt 2) / 2,
    // which keeps its digits for levels near 1: halve a bracket, then polish
    // with Newton steps on the density.
    const double tail = (1.0 - level) / 2.0;
    const auto upper = [](double z) { return std::erfc(z / std::numbers::sqrt2) / 2.0; };
    double low = 0.0, high = 1.0;
    while (upper(high) > tail && high < 64.0)
        high *= 2.0;
    for (int i = 0; i < 200 && high - low > 1e-15 * high; ++i) {
        const double mid = low + (high - low) / 2.0;
        if (upper(mid) > tail)
            low = mid;
        else
            high = mid;
    }
    double z = low + (high - low) / 2.0;
    for (int i = 0; i < 3; ++i) {
        const double density = std::exp(-z * z / 2.0) / std::sqrt(2.0 * std::numbers::pi);
        if (!(density > 0.0))
            break;
        z += (upper(z) - tail) / density;
    }
    return z;
}

} // namespace

double TwoSidedNormalPoint(double level) {
    // Every report of a level asks for its point: the last one is kept, in each
    // thread.
    thread_local bool known = false;
    thread_local std::uint64_t lastLevel = 0;
    thread_local double lastZ = 0.0;
    if (!known || std::bit_cast<std::uint64_t>(level) != lastLevel) {
        lastZ = normalPoint(level);
        lastLevel = std::bit_cast<std::uint64_t>(level);
        known = true;
    }
    return lastZ;
}

} // namespace brennic
