// The disagreement weights of the kappas and their large-sample standard errors,
// summed over the cells once each.
#include "report_parts.h"

#include <cmath>
#include <cstdlib>

#include "weight_table.h"

namespace brennic::report {

// The loops below use plain additions, subtractions and multiplications of
// finite numbers: an overflow anywhere leaves an infinity or a NaN in the sum, so
// checking each sum once catches it as surely as checking every step.
WeightTable makeWeights(Weights weights, const Proportions& p, CheckedArithmetic& c) {
    const int n = p.m.size();
    WeightTable t;
    t.byDistance.assign(idx(n), 0.0);
    const auto last = static_cast<double>(n - 1);
    for (int d = 1; d < n; ++d) {
        const auto distance = static_cast<double>(d);
        t.byDistance[idx(d)] = weights == Weights::None     ? 1.0
                               : weights == Weights::Linear ? distance / last
                                                            : (distance * distance) / (last * last);
    }
    t.rowMean.assign(idx(n + 1), 0.0);
    t.colMean.assign(idx(n + 1), 0.0);
    double observed = 0.0;
    if (weights == Weights::None) {
        // Every cell off the diagonal weighs 1: the means are the shares of the
        // other classes, formed without a pass over the cells.
        double rowShares = 0.0, colShares = 0.0;
        for (int k = 1; k <= n; ++k) {
            rowShares += p.row[idx(k)];
            colShares += p.col[idx(k)];
            observed += p.m.x(k, k);
        }
        for (int k = 1; k <= n; ++k) {
            t.rowMean[idx(k)] = colShares - p.col[idx(k)];
            t.colMean[idx(k)] = rowShares - p.row[idx(k)];
        }
        observed = p.N - observed;
    }
    for (int j = 1; j <= n && weights != Weights::None; ++j) // column by column, as stored
        for (int i = 1; i <= n; ++i) {
            const double v = t.v(i, j);
            t.rowMean[idx(i)] += p.col[idx(j)] * v;
            t.colMean[idx(j)] += p.row[idx(i)] * v;
            observed += p.m.x(i, j) * v;
        }
    double chance = 0.0;
    for (int i = 1; i <= n; ++i)
        chance += p.row[idx(i)] * t.rowMean[idx(i)]; // an infinite colMean shows in the SE sums
    t.observed = c.div(c.finite(observed), p.N);
    t.chance = c.finite(chance);
    return t;
}

StandardErrors standardErrors(const Proportions& p, const WeightTable& t, double kappa) {
    const int n = p.m.size();
    const double De = t.chance;
    const auto root = [&](CheckedArithmetic& c, double bracket) { // of bracket / (N De^2)
        return c.sqrt(c.div(bracket, c.mul(c.mul(De, De), p.N)));
    };
    StandardErrors e;
    e.se = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            const double rest = c.sub(1.0, kappa);
            double sum = 0.0; // of x_ij times the squared deviation: p_ij is x_ij / N
            for (int j = 1; j <= n; ++j)
                for (int i = 1; i <= n; ++i) {
                    const double deviation =
                        rest * (t.rowMean[idx(i)] + t.colMean[idx(j)] - De) - t.v(i, j);
                    sum += p.m.x(i, j) * (deviation * deviation);
                }
            return root(c, c.div(c.finite(sum), p.N));
        },
        standardErrorReason);
    e.se0 = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            double sum = 0.0;
            for (int i = 1; i <= n; ++i) {
                double row = 0.0;
                for (int j = 1; j <= n; ++j) {
                    const double deviation = t.rowMean[idx(i)] + t.colMean[idx(j)] - De - t.v(i, j);
                    row += p.col[idx(j)] * (deviation * deviation);
                }
                sum += p.row[idx(i)] * row;
            }
            return root(c, c.finite(sum));
        },
        standardErrorReason);
    return e;
}

} // namespace brennic::report
