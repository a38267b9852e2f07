// Student's t distribution for the intervals and p-values of the agreement
// coefficients: its distribution function and quantile, from the regularized
// incomplete beta function; and the point of the normal distribution for the
// intervals of a confidence level.
#pragma once

namespace brennic {

// I_x(a, b) for 0 <= x <= 1 and a, b > 0, by its continued fraction (Lentz).
double RegularizedIncompleteBeta(double x, double a, double b);

// P(T > t) for t with `df` > 0 degrees of freedom, formed directly so that a
// small upper tail keeps its digits.
double StudentTUpperTail(double t, double df);

// P(T <= t).
double StudentTCdf(double t, double df);

// The t with P(T <= t) = p, 0 < p < 1.
double StudentTQuantile(double p, double df);

// The z with P(-z <= Z <= z) = level for a standard normal Z, 0 < level < 1:
// 1.959963984540054 for 0.95.
double TwoSidedNormalPoint(double level);

// The upper point of a two-sided interval of `level`: 0.5 + level / 2.
inline double UpperPoint(double level) {
    return 0.5 + level / 2.0;
}

} // namespace brennic
