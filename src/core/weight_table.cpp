// The disagreement weights of the kappas and their large-sample standard errors,
// summed over the cells once each.
#include "core/report_parts.h"

#include <array>
#include <cmath>
#include <cstdlib>

#include "core/weight_table.h"

namespace brennic::report {

namespace {

// The means in counts of a weighted table, sum over j of c_j v(i, j) and sum
// over i of r_i v(i, j), and the observed disagreement in counts, sum of x_ij
// v(i, j), which it gives, in one pass over the cells: in a function of its own
// so that its sums stay in registers (inlined, GCC keeps them on the stack, a
// store and a load per cell). An empty cell adds exactly 0 to the observed
// disagreement.
[[gnu::noinline]] double weightedPass(const Proportions& p, const WeightTable& t,
                                      std::vector<double>& rowCounts,
                                      std::vector<double>& colCounts) {
    const int n = p.m.size();
    double observed = 0.0;
    for (int j = 1; j <= n; ++j) { // column by column, as stored
        double col = 0.0;          // column j's mean in counts
        for (int i = 1; i <= n; ++i) {
            const double v = t.v(i, j), x = p.m.x(i, j);
            rowCounts[idx(i)] += p.u(p.m.ColTotals[idx(j)]) * v;
            col += p.u(p.m.RowTotals[idx(i)]) * v;
            if (x != 0.0)
                observed += p.u(x) * v;
        }
        colCounts[idx(j)] = col;
    }
    return observed;
}

} // namespace

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
    // The means in counts: sum over j of c_j v(i, j), sum over i of r_i v(i, j).
    std::vector<double> rowCounts(idx(n + 1), 0.0), colCounts(idx(n + 1), 0.0);
    double observed = 0.0; // sum of x_ij v(i, j)
    // With two classes every weighting gives each cell off the diagonal 1.
    t.unweighted = weights == Weights::None || n <= 2;
    if (t.unweighted) {
        // Every cell off the diagonal weighs 1: the means are the totals of the
        // other classes, formed without a pass over the cells.
        for (int k = 1; k <= n; ++k) {
            rowCounts[idx(k)] = p.u(p.otherCols[idx(k)]);
            colCounts[idx(k)] = p.u(p.otherRows[idx(k)]);
        }
        observed = p.u(p.offDiagonal);
    }
    if (!t.unweighted)
        observed = weightedPass(p, t, rowCounts, colCounts);
    const double T = p.u(p.N);
    double chance = 0.0;
    for (int i = 1; i <= n; ++i)
        chance += p.u(p.m.RowTotals[idx(i)]) * rowCounts[idx(i)];
    t.rowMean.assign(idx(n + 1), 0.0);
    t.colMean.assign(idx(n + 1), 0.0);
    for (int k = 1; k <= n; ++k) {
        t.rowMean[idx(k)] = rowCounts[idx(k)] / T;
        t.colMean[idx(k)] = colCounts[idx(k)] / T; // an infinite one shows in the SE sums
    }
    t.observedCounts = c.mul(T, c.finite(observed));
    t.chanceCounts = c.finite(chance);
    t.chance = c.div(t.chanceCounts, c.mul(T, T));
    return t;
}

Figure kappaOf(const WeightTable& t, const std::string& chanceOneReason) {
    return FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& k) {
            return k.div(k.sub(t.chanceCounts, t.observedCounts), t.chanceCounts);
        },
        because(chanceOneReason));
}

namespace {

// The standard errors of the kappas of K tables, each with its kappa, from one
// pass over the cells: each table's sums are formed with the very operations,
// in the very order, of a pass of its own, and the passes' additions, which
// wait on each other, run side by side.
template <std::size_t K>
std::array<StandardErrors, K> standardErrorsOf(const Proportions& p,
                                               const std::array<const WeightTable*, K>& tables,
                                               const std::array<double, K>& kappas) {
    const int n = p.m.size();
    // The deviation under chance, v_i. + v_.j - De - v_ij. Unweighted, off the
    // diagonal, v_i. + v_.j - 1 is (N - c_i - r_j) / N, formed from the total of
    // the other columns: where classes i and j hold nearly every count, the sum
    // of the means would leave nothing of its digits.
    const auto atChance = [&](const WeightTable& t, int i, int j) {
        const double De = t.chance;
        if (t.unweighted && i != j)
            return (p.otherCols[idx(i)] - p.m.RowTotals[idx(j)]) / p.N - De;
        return t.rowMean[idx(i)] + t.colMean[idx(j)] - De - t.v(i, j);
    };
    // Both sums in one pass over the cells, column by column as stored, each
    // deviation formed once. The sum under chance adds each row's terms in the
    // order of its columns, each row in a sum of its own, and the rows in order
    // at the end: its additions are the same as row by row.
    std::array<double, K> sums{}; // of x_ij times the squared deviation: p_ij is x_ij / N
    std::array<std::vector<double>, K> rows;
    for (std::vector<double>& each : rows)
        each.assign(idx(n + 1), 0.0);
    for (int j = 1; j <= n; ++j) {
        const double colShare = p.col[idx(j)];
        for (int i = 1; i <= n; ++i) {
            const double x = p.m.x(i, j);
            for (std::size_t k = 0; k < K; ++k) {
                const WeightTable& t = *tables[k];
                const double d = atChance(t, i, j);
                // (1 - kappa)(d + v_ij) - v_ij
                const double deviation = d - kappas[k] * (d + t.v(i, j)),
                             square = deviation * deviation;
                // An empty cell adds exactly 0 (the sum, from +0, never is -0),
                // unless its square is not finite.
                if (x != 0.0 || !std::isfinite(square))
                    sums[k] += x * square;
                rows[k][idx(i)] += colShare * (d * d);
            }
        }
    }
    std::array<StandardErrors, K> out;
    for (std::size_t k = 0; k < K; ++k) {
        const double De = tables[k]->chance;
        const auto root = [&](CheckedArithmetic& c, double bracket) { // of bracket / (N De^2)
            return c.sqrt(c.div(bracket, c.mul(c.mul(De, De), p.N)));
        };
        double sum0 = 0.0;
        for (int i = 1; i <= n; ++i)
            sum0 += p.row[idx(i)] * rows[k][idx(i)];
        out[k].se = FormFigure(
            Step::Report, {},
            [&](CheckedArithmetic& c) { return root(c, c.div(c.finite(sums[k]), p.N)); },
            standardErrorReason);
        out[k].se0 = FormFigure(
            Step::Report, {}, [&](CheckedArithmetic& c) { return root(c, c.finite(sum0)); },
            standardErrorReason);
    }
    return out;
}

} // namespace

StandardErrors standardErrors(const Proportions& p, const WeightTable& t, double kappa) {
    return standardErrorsOf<1>(p, {&t}, {kappa})[0];
}

std::optional<KappasAhead> FormKappasAhead(const Proportions& p, Weights weights) {
    CheckedArithmetic plainCheck, weightedCheck;
    KappasAhead ahead{{makeWeights(Weights::None, p, plainCheck), {}},
                      {makeWeights(weights, p, weightedCheck), {}}};
    if (plainCheck.failed() || weightedCheck.failed())
        return std::nullopt;
    const Figure plain = kappaOf(ahead.plain.table, ""),
                 weighted = kappaOf(ahead.weighted.table, "");
    if (!plain.defined() || !weighted.defined())
        return std::nullopt;
    const std::array<StandardErrors, 2> errors = standardErrorsOf<2>(
        p, {&ahead.plain.table, &ahead.weighted.table}, {*plain.value, *weighted.value});
    ahead.plain.errors = errors[0];
    ahead.weighted.errors = errors[1];
    return ahead;
}

} // namespace brennic::report
