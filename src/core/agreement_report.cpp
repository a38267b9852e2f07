// Each figure is checked for a division by zero, an invalid operation and an
// overflow, as the seven are: single steps through CheckedArithmetic, the long
// sums over the cells once at their end. A figure that fails is reported as not
// defined with a reason instead of a NaN or an infinity, and the figures that do
// not depend on it are still formed.
#include "agreement_report.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "kappa.h"

namespace brennic {
namespace {

using Kind = ArithmeticKind;
const std::string OverflowReason = OverflowCause;
constexpr double NormalQuantile975 = 1.96; // the normal 97.5% point, as statistics packages print

std::size_t idx(int k) {
    return static_cast<std::size_t>(k);
}

// The reason of a figure whose arithmetic fails: an overflow is always the same,
// anything else is told by `text`.
auto because(std::string text) {
    return [text = std::move(text)](Kind kind) {
        return kind == Kind::Overflow ? OverflowReason : text;
    };
}

std::string overflowOnly(Kind) {
    return OverflowReason;
}

std::string standardErrorReason(Kind kind) {
    switch (kind) {
    case Kind::Overflow:
        return OverflowReason;
    case Kind::InvalidOperation:
        return "Negative counts make this standard error undefined (its variance comes out "
               "negative).";
    case Kind::DivisionByZero:
        break;
    }
    return "The agreement expected by chance is so close to 1 that this standard error would "
           "need a division by zero.";
}

std::string zReason(Kind kind) {
    if (kind == Kind::Overflow)
        return OverflowReason;
    return "The large-sample standard error under chance (kappa_se0) is 0, as when no class has "
           "counts in both its row and its column, so z is not defined.";
}

// The seven figures exactly as Result.txt has them, each failure with the cause
// that the cells show; where one cannot be formed, the others still are.
void formSeven(const ErrorMatrix& m, AgreementReport& r) {
    FormKappaFigures(r.n, m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal, r.overall);
    for (std::size_t i = 0; i < ResultFileFigures; ++i) {
        Figure& f = r.overall.all()[i];
        if (!f.defined())
            f.reason = ArithmeticCause({f.kind, f.step}, m);
    }
}

// The grand total and the shares p_i. and p_.j (index 1 to n).
struct Proportions {
    const ErrorMatrix& m;
    double N;
    std::vector<double> row, col;
};

// The large-sample figures are written with disagreement weights v = 1 - w
// (0 on the diagonal), formed directly from the distance |i - j|. With ordered
// classes the agreement sums lie close to 1 and their differences would lose
// most of their digits; the disagreement sums do not.
struct WeightTable {
    std::vector<double> byDistance; // v at |i - j|
    std::vector<double> rowMean;    // v_i. = sum over j of p_.j v(i, j), index 1 to n
    std::vector<double> colMean;    // v_.j = sum over i of p_i. v(i, j)
    double observed = 0.0;          // Do = sum of p_ij v(i, j) = 1 - po
    double chance = 0.0;            // De = sum of p_i. p_.j v(i, j) = 1 - pe
    double v(int i, int j) const { return byDistance[static_cast<std::size_t>(std::abs(i - j))]; }
};

// The loops below use plain additions, subtractions and multiplications of
// finite numbers: an overflow anywhere leaves an infinity or a NaN in the sum, so
// checking each sum once catches it as surely as checking every step.
WeightTable makeWeights(Weights weights, const Proportions& p, CheckedArithmetic& c) {
    const int n = p.m.size();
    const auto idx = [](int k) { return static_cast<std::size_t>(k); };
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

// Var(kappa) = [sum p_ij (w_ij - (w_i. + w_.j)(1 - kappa))^2 - (kappa - pe (1 - kappa))^2]
//              / (N (1 - pe)^2)
// Var0(kappa) = [sum p_i. p_.j (w_ij - (w_i. + w_.j))^2 - pe^2] / (N (1 - pe)^2)
// (Fleiss, Cohen and Everitt, 1969). Each subtracted square is the squared mean
// of the summed term, so each bracket is the sum of p (term - mean)^2; with
// w = 1 - v and De = 1 - pe the deviations are (1 - kappa)(v_i. + v_.j - De) - v_ij
// and v_i. + v_.j - De - v_ij. So summed, neither bracket can come out negative
// by rounding: only negative counts make it so.
struct StandardErrors {
    Figure se, se0;
};

StandardErrors standardErrors(const Proportions& p, const WeightTable& t, double kappa) {
    const int n = p.m.size();
    const auto idx = [](int k) { return static_cast<std::size_t>(k); };
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

void formLargeSample(const Proportions& p, const Figure& observed, AgreementReport& r) {
    using enum OverallFigure;
    FigureRow<OverallFigure>& o = r.overall;
    const Figure& missing = !o[KAPPA].defined() ? o[KAPPA] : observed;
    if (!missing.defined()) {
        for (OverallFigure f :
             {kappa_se, kappa_se0, ci95_low, ci95_high, z_large_sample, p_two_sided})
            o[f] = missing;
        return;
    }
    CheckedArithmetic c;
    WeightTable t = makeWeights(Weights::None, p, c);
    t.chance = c.sub(1.0, *o[PC].value); // the same 1 - PC as KAPPA's
    const double kappa = *o[KAPPA].value;
    StandardErrors e = standardErrors(p, t, kappa);
    if (c.failed())
        e.se = e.se0 = Figure::NotDefined(OverflowReason);
    o[kappa_se] = std::move(e.se);
    o[kappa_se0] = std::move(e.se0);
    o[ci95_low] = FormFigure(
        Step::Report, {&o[kappa_se]},
        [&](CheckedArithmetic& k) {
            return k.sub(kappa, k.mul(NormalQuantile975, *o[kappa_se].value));
        },
        overflowOnly);
    o[ci95_high] = FormFigure(
        Step::Report, {&o[kappa_se]},
        [&](CheckedArithmetic& k) {
            return k.add(kappa, k.mul(NormalQuantile975, *o[kappa_se].value));
        },
        overflowOnly);
    o[z_large_sample] = FormFigure(
        Step::Report, {&o[kappa_se0]},
        [&](CheckedArithmetic& k) { return k.div(kappa, *o[kappa_se0].value); }, zReason);
    o[p_two_sided] = FormFigure(
        Step::Report, {&o[z_large_sample]},
        [&](CheckedArithmetic&) { return TwoSidedNormalP(*o[z_large_sample].value); },
        overflowOnly);
}

WeightedKappa formWeighted(const Proportions& p, Weights weights, const Figure& PO) {
    using enum WeightedFigure;
    WeightedKappa w;
    w.weights = weights;
    FigureRow<WeightedFigure>& f = w.figures;
    const auto all = [&](const Figure& figure) {
        for (Figure& each : f.all())
            each = figure;
    };
    if (!PO.defined()) { // the counts add up to 0 or beyond the range
        all(PO);
        return w;
    }
    CheckedArithmetic c;
    const WeightTable t = makeWeights(weights, p, c);
    if (c.failed()) {
        all(Figure::NotDefined(OverflowReason));
        return w;
    }
    // (po - pe) / (1 - pe) = (De - Do) / De
    f[kappa] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& k) { return k.div(k.sub(t.chance, t.observed), t.chance); },
        because("The weighted agreement expected by chance is exactly 1 (all counts lie in one "
                "class), so weighted kappa is not defined."));
    if (!f[kappa].defined()) {
        all(Figure(f[kappa]));
        return w;
    }
    StandardErrors e = standardErrors(p, t, *f[kappa].value);
    f[kappa_se] = std::move(e.se);
    f[kappa_se0] = std::move(e.se0);
    f[z] = FormFigure(
        Step::Report, {&f[kappa_se0]},
        [&](CheckedArithmetic& k) { return k.div(*f[kappa].value, *f[kappa_se0].value); }, zReason);
    return w;
}

// Overall accuracy, Scott's pi, Gwet's AC1, Brennan-Prediger and Krippendorff's
// alpha, with the standard errors of Gwet (2008): with pi_k = (p_k. + p_.k) / 2,
// Var = [sum p_kl (w_kl - t_kl)^2 - (pa - 2 (1 - coefficient) pe)^2] / (N (1 - pe)^2),
// formed as the sum of p_kl times the squared deviation from that mean.
void formRobust(const Proportions& p, const Figure& observed, AgreementReport& r) {
    using enum OverallFigure;
    FigureRow<OverallFigure>& o = r.overall;
    const int n = p.m.size();
    const double q = static_cast<double>(n), N = p.N;
    if (!observed.defined()) {
        for (OverallFigure f :
             {overall_accuracy, overall_accuracy_se, scott_pi, scott_pi_se, gwet_ac1, gwet_ac1_se,
              brennan_prediger, brennan_prediger_se, krippendorff_alpha})
            o[f] = observed;
        return;
    }
    const double pa = *observed.value;
    o[overall_accuracy] = observed;
    o[overall_accuracy_se] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            return c.sqrt(c.div(c.mul(pa, c.sub(1.0, pa)), c.sub(N, 1.0)));
        },
        [](Kind kind) {
            return kind == Kind::Overflow ? OverflowReason
                   : kind == Kind::DivisionByZero
                       ? std::string("The counts add up to 1, so the standard error of the "
                                     "overall accuracy (it divides by N - 1) is not defined.")
                       : std::string("The counts add up to less than 1, or negative counts make "
                                     "the variance of the overall accuracy negative, so its "
                                     "standard error is not defined.");
        });

    std::vector<double> pi(idx(n + 1), 0.0);
    double sumSquares = 0.0, sumProducts = 0.0;
    for (int k = 1; k <= n; ++k) {
        pi[idx(k)] = (p.row[idx(k)] + p.col[idx(k)]) / 2.0;
        sumSquares += pi[idx(k)] * pi[idx(k)];
        sumProducts += pi[idx(k)] * (1.0 - pi[idx(k)]);
    }
    const std::string chanceOne =
        "The agreement expected by chance from the mean shares of the classes is 1, as when all "
        "counts lie in one class, so ";
    const auto chanceCorrected = [&](Step step, double agreement, double pe, std::string name) {
        return FormFigure(
            step, {},
            [&](CheckedArithmetic& c) {
                return c.div(c.sub(c.finite(agreement), c.finite(pe)), c.sub(1.0, pe));
            },
            because(chanceOne + name + " is not defined."));
    };
    const double peScott = sumSquares;
    o[scott_pi] = chanceCorrected(Step::Report, pa, peScott, "Scott's pi");
    const double peGwet = sumProducts / (q - 1.0);
    o[gwet_ac1] = chanceCorrected(Step::Report, pa, peGwet, "Gwet's AC1");
    const double e = 1.0 / (2.0 * N);
    o[krippendorff_alpha] =
        chanceCorrected(Step::Report, (1.0 - e) * pa + e, peScott, "Krippendorff's alpha");
    o[brennan_prediger] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            const double chance = c.div(1.0, q);
            return c.div(c.sub(pa, chance), c.sub(1.0, chance));
        },
        because("The Brennan-Prediger coefficient cannot be formed for these counts."));
    o[brennan_prediger_se] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            const double rest = c.sub(1.0, c.div(1.0, q));
            return c.sqrt(c.div(c.mul(pa, c.sub(1.0, pa)), c.mul(N, c.mul(rest, rest))));
        },
        standardErrorReason);

    // The standard errors of the two coefficients, from their terms t_kl =
    // w_kl - (1 - coefficient) spread(k, l), summed in one pass over the cells as
    // x_kl times the squared deviation from their mean. Scott: spread = pi_k +
    // pi_l; Gwet: 2 (1 - (pi_k + pi_l) / 2) / (q - 1) = (2 - (pi_k + pi_l)) / (q - 1).
    const double restScott = 1.0 - o[scott_pi].value.value_or(1.0);
    const double restGwet = 1.0 - o[gwet_ac1].value.value_or(1.0);
    const double meanScott = pa - 2.0 * restScott * peScott;
    const double meanGwet = pa - 2.0 * restGwet * peGwet;
    double sumScott = 0.0, sumGwet = 0.0;
    for (int l = 1; l <= n; ++l) // the cells in memory order, column by column
        for (int k = 1; k <= n; ++k) {
            const double x = p.m.x(k, l), w = k == l ? 1.0 : 0.0;
            const double spread = pi[idx(k)] + pi[idx(l)];
            const double scott = w - restScott * spread - meanScott;
            const double gwet = w - restGwet * ((2.0 - spread) / (q - 1.0)) - meanGwet;
            sumScott += x * (scott * scott);
            sumGwet += x * (gwet * gwet);
        }
    const auto coefficientSe = [&](const Figure& coefficient, double pe, double sum) {
        return FormFigure(
            Step::Report, {&coefficient},
            [&](CheckedArithmetic& c) {
                const double outside = c.sub(1.0, pe);
                return c.sqrt(c.div(c.finite(sum / N), c.mul(N, c.mul(outside, outside))));
            },
            standardErrorReason);
    };
    o[scott_pi_se] = coefficientSe(o[scott_pi], peScott, sumScott);
    o[gwet_ac1_se] = coefficientSe(o[gwet_ac1], peGwet, sumGwet);
}

// Quantity and allocation disagreement (Pontius and Millones 2011) of the shares
// `share(i, j)`, with the row and column sums `rowSum` and `colSum`: per class
// |p_g. - p_.g| and 2 min(p_g. - p_gg, p_.g - p_gg), and each summed and halved.
struct Disagreement {
    std::vector<double> quantity, allocation; // index 1 to n
    double totalQuantity = 0.0, totalAllocation = 0.0;
};

template <typename Share>
Disagreement disagreement(int n, const std::vector<double>& rowSum,
                          const std::vector<double>& colSum, Share share) {
    Disagreement d;
    d.quantity.assign(idx(n + 1), 0.0);
    d.allocation.assign(idx(n + 1), 0.0);
    for (int g = 1; g <= n; ++g) {
        const double diagonal = share(g, g);
        d.quantity[idx(g)] = std::fabs(rowSum[idx(g)] - colSum[idx(g)]);
        d.allocation[idx(g)] =
            2.0 * std::fmin(rowSum[idx(g)] - diagonal, colSum[idx(g)] - diagonal);
        d.totalQuantity += d.quantity[idx(g)];
        d.totalAllocation += d.allocation[idx(g)];
    }
    d.totalQuantity /= 2.0;
    d.totalAllocation /= 2.0;
    return d;
}

Figure finiteFigure(const Figure& input, double value) {
    return FormFigure(
        Step::Report, {&input}, [&](CheckedArithmetic& c) { return c.finite(value); },
        overflowOnly);
}

ClassEntry formClass(const Proportions& p, int k, const Figure& PO, const Disagreement& d) {
    using enum ClassFigure;
    const auto kk = idx(k);
    const ErrorMatrix& m = p.m;
    // The reasons are worded only for a figure that fails.
    const auto counts = [k](const char* line, const char* what) {
        return std::string("The counts of ") + line + " " + std::to_string(k) + what;
    };
    const auto zero = [&](bool ofRow) { return counts(ofRow ? "row" : "column", " add up to 0."); };
    const auto total = [&](double value, bool ofRow) {
        return std::isfinite(value) ? Figure::Of(value)
                                    : Figure::NotDefined(counts(
                                          ofRow ? "row" : "column",
                                          " add up beyond the range of numbers the program can "
                                          "hold."));
    };
    ClassEntry entry;
    entry.k = k;
    FigureRow<ClassFigure>& f = entry.figures;
    f[row_total] = total(m.RowTotals[kk], true);
    f[col_total] = total(m.ColTotals[kk], false);
    f[diagonal] = Figure::Of(m.x(k, k));
    const auto share = [&](const Figure& line, bool ofRow) {
        return FormFigure(
            Step::Report, {&line},
            [&](CheckedArithmetic& c) { return c.div(m.x(k, k), *line.value); },
            [&](Kind kind) { return kind == Kind::Overflow ? OverflowReason : zero(ofRow); });
    };
    f[row_share] = share(f[row_total], true);
    f[col_share] = share(f[col_total], false);

    // Conditional kappa: (p_kk - p_k. p_.k) over the share of the row (or column)
    // less the same chance term.
    const auto conditional = [&](bool ofRow) {
        const double own = ofRow ? p.row[kk] : p.col[kk];
        const auto reason = [&](Kind kind) {
            const std::string K = std::to_string(k);
            return kind == Kind::Overflow ? OverflowReason
                   : own == 0.0           ? zero(ofRow)
                   : ofRow                ? "Column " + K +
                                 " holds all the counts, so the conditional kappa of "
                                 "row " +
                                 K + " is not defined."
                           : "Row " + K +
                                 " holds all the counts, so the conditional kappa of "
                                 "column " +
                                 K + " is not defined.";
        };
        return FormFigure(
            Step::Report, {&PO},
            [&](CheckedArithmetic& c) {
                const double chance = c.mul(p.row[kk], p.col[kk]);
                const double pkk = c.div(m.x(k, k), p.N);
                return c.div(c.sub(pkk, chance), c.sub(own, chance));
            },
            reason);
    };
    f[row_conditional_kappa] = conditional(true);
    f[col_conditional_kappa] = conditional(false);
    f[quantity_disagreement] = finiteFigure(PO, PO.defined() ? d.quantity[kk] : 0.0);
    f[allocation_disagreement] = finiteFigure(PO, PO.defined() ? d.allocation[kk] : 0.0);
    return entry;
}

// The estimators of Olofsson et al. (2014) for a sample stratified by map class
// (the rows): p^_ij = W_i n_ij / n_i. with W_i = A_i / A.
AreaWeighted formArea(const ErrorMatrix& m, const std::vector<double>& areas) {
    const int n = m.size();
    AreaWeighted a;
    double A = 0.0;
    for (int i = 1; i <= n; ++i)
        A += areas[idx(i - 1)];
    const Figure total = std::isfinite(A)
                             ? Figure::Of(A)
                             : Figure::NotDefined("The mapped areas add up beyond the range of "
                                                  "numbers the program can hold.");

    // Each row's estimates need counts in the row, and their variances need more
    // than one (they divide by n_i. - 1).
    std::vector<Figure> rowCounts(idx(n + 1)), rowVariance(idx(n + 1));
    Figure allCounts = total, allVariances = total;
    for (int i = 1; i <= n; ++i) {
        const double ni = m.RowTotals[idx(i)];
        const std::string I = std::to_string(i);
        rowCounts[idx(i)] =
            !std::isfinite(ni)
                ? Figure::NotDefined("The counts of row " + I +
                                     " add up beyond the range of numbers the program can hold.")
            : ni <= 0.0
                ? Figure::NotDefined("The counts of row " + I +
                                     (ni == 0.0 ? " add up to 0" : " add up to less than 0") +
                                     ", so the share of its mapped area that belongs to "
                                     "each reference class cannot be estimated.")
                : Figure::Of(ni);
        rowVariance[idx(i)] =
            !rowCounts[idx(i)].defined() ? rowCounts[idx(i)]
            : ni - 1.0 <= 0.0
                ? Figure::NotDefined("Row " + I +
                                     " has fewer than two counts, so the variances of the "
                                     "area-weighted estimates (they divide by its total less 1) "
                                     "are not defined.")
                : Figure::Of(ni);
        if (allCounts.defined() && !rowCounts[idx(i)].defined())
            allCounts = rowCounts[idx(i)];
        if (allVariances.defined() && !rowVariance[idx(i)].defined())
            allVariances = rowVariance[idx(i)];
    }

    // The estimated shares, row sums and column sums, when every row has counts.
    const auto N = static_cast<std::size_t>(n + 1);
    std::vector<double> pHat(N * N, 0.0), pRow(N, 0.0), pCol(N, 0.0), W(N, 0.0);
    const auto at = [&](int i, int j) -> double& { return pHat[idx(i) * N + idx(j)]; };
    if (allCounts.defined())
        for (int i = 1; i <= n; ++i) {
            W[idx(i)] = areas[idx(i - 1)] / A;
            for (int j = 1; j <= n; ++j) {
                at(i, j) = W[idx(i)] * m.x(i, j) / m.RowTotals[idx(i)];
                pRow[idx(i)] += at(i, j);
                pCol[idx(j)] += at(i, j);
            }
        }

    using enum AreaFigure;
    FigureRow<AreaFigure>& o = a.figures;
    o[overall_accuracy] = FormFigure(
        Step::Report, {&allCounts},
        [&](CheckedArithmetic& c) {
            double sum = 0.0;
            for (int j = 1; j <= n; ++j)
                sum += at(j, j);
            return c.finite(sum);
        },
        overflowOnly);
    o[overall_accuracy_se] = FormFigure(
        Step::Report, {&allVariances},
        [&](CheckedArithmetic& c) {
            double sum = 0.0;
            for (int i = 1; i <= n; ++i) {
                const double ni = m.RowTotals[idx(i)], U = m.x(i, i) / ni;
                sum += W[idx(i)] * W[idx(i)] * U * (1.0 - U) / (ni - 1.0);
            }
            return c.sqrt(c.finite(sum));
        },
        standardErrorReason);
    const Disagreement d = disagreement(n, pRow, pCol, at);
    o[quantity_disagreement] = finiteFigure(allCounts, d.totalQuantity);
    o[allocation_disagreement] = finiteFigure(allCounts, d.totalAllocation);

    for (int j = 1; j <= n; ++j) {
        using enum AreaClassFigure;
        AreaClassEntry entry;
        entry.k = j;
        FigureRow<AreaClassFigure>& f = entry.figures;
        const std::string J = std::to_string(j);
        const double Aj = areas[idx(j - 1)], nj = m.RowTotals[idx(j)];
        f[mapped_area] = Figure::Of(Aj);
        f[weight] = FormFigure(
            Step::Report, {&total}, [&](CheckedArithmetic& c) { return c.div(Aj, A); },
            overflowOnly);
        f[users_accuracy] = FormFigure(
            Step::Report, {&rowCounts[idx(j)]},
            [&](CheckedArithmetic& c) { return c.div(m.x(j, j), nj); }, overflowOnly);
        f[users_accuracy_se] = FormFigure(
            Step::Report, {&rowVariance[idx(j)], &f[users_accuracy]},
            [&](CheckedArithmetic& c) {
                const double U = *f[users_accuracy].value;
                return c.sqrt(c.div(c.mul(U, c.sub(1.0, U)), c.sub(nj, 1.0)));
            },
            standardErrorReason);
        const std::string noReference = "No count of reference class " + J +
                                        " is in the sample, so its producer's accuracy is not "
                                        "defined.";
        f[producers_accuracy] = FormFigure(
            Step::Report, {&allCounts},
            [&](CheckedArithmetic& c) { return c.div(at(j, j), pCol[idx(j)]); },
            because(noReference));
        f[producers_accuracy_se] = FormFigure(
            Step::Report, {&allVariances, &f[producers_accuracy]},
            [&](CheckedArithmetic& c) {
                const double P = *f[producers_accuracy].value, U = m.x(j, j) / nj;
                double estimated = 0.0, others = 0.0;
                for (int i = 1; i <= n; ++i) {
                    const double Ai = areas[idx(i - 1)], ni = m.RowTotals[idx(i)];
                    const double share = m.x(i, j) / ni;
                    estimated += Ai * share;
                    if (i != j)
                        others += Ai * Ai * share * (1.0 - share) / (ni - 1.0);
                }
                const double own = Aj * Aj * (1.0 - P) * (1.0 - P) * U * (1.0 - U) / (nj - 1.0);
                const double sum = c.finite(own + P * P * others);
                return c.sqrt(c.div(sum, c.mul(c.finite(estimated), estimated)));
            },
            [&](Kind kind) {
                return kind == Kind::DivisionByZero ? noReference : standardErrorReason(kind);
            });
        f[area] = FormFigure(
            Step::Report, {&allCounts},
            [&](CheckedArithmetic& c) { return c.mul(A, pCol[idx(j)]); }, overflowOnly);
        f[area_se] = FormFigure(
            Step::Report, {&allVariances},
            [&](CheckedArithmetic& c) {
                double sum = 0.0;
                for (int i = 1; i <= n; ++i) {
                    const double ni = m.RowTotals[idx(i)], share = m.x(i, j) / ni;
                    sum += W[idx(i)] * W[idx(i)] * share * (1.0 - share) / (ni - 1.0);
                }
                return c.mul(A, c.sqrt(c.finite(sum)));
            },
            standardErrorReason);
        const auto limit = [&](double sign) {
            return FormFigure(
                Step::Report, {&f[area], &f[area_se]},
                [&](CheckedArithmetic& c) {
                    return c.add(*f[area].value,
                                 c.mul(sign * NormalQuantile975, *f[area_se].value));
                },
                overflowOnly);
        };
        f[area_ci95_low] = limit(-1.0);
        f[area_ci95_high] = limit(1.0);
        a.classes.push_back(std::move(entry));
    }
    return a;
}

} // namespace

std::string_view WeightsName(Weights weights) {
    switch (weights) {
    case Weights::None:
        return "none";
    case Weights::Linear:
        return "linear";
    case Weights::Quadratic:
        return "quadratic";
    }
    return "none";
}

std::optional<Weights> WeightsFromName(std::string_view name) {
    for (Weights w : {Weights::None, Weights::Linear, Weights::Quadratic})
        if (WeightsName(w) == name)
            return w;
    return std::nullopt;
}

double TwoSidedNormalP(double z) {
    return std::erfc(std::fabs(z) / std::numbers::sqrt2);
}

AgreementReport ComputeAgreementReport(const ErrorMatrix& m, Weights weights,
                                       const std::vector<double>* mappedAreas) {
    AgreementReport r;
    r.n = m.size();
    for (int row = 1; row <= r.n; ++row) {
        r.labels.push_back(std::to_string(row));
        for (int col = 1; col <= r.n; ++col)
            r.cells.push_back(m.x(row, col));
    }
    formSeven(m, r);

    // The shares of each row and column; they exist whenever PO does (the
    // grand total is neither 0 nor beyond the range).
    Proportions p{m, m.GrandTotal, {}, {}};
    p.row.assign(idx(r.n + 1), 0.0);
    p.col.assign(idx(r.n + 1), 0.0);
    Figure PO = r.overall[OverallFigure::PO];
    if (PO.defined()) {
        CheckedArithmetic c;
        for (std::size_t k = 1; k <= idx(r.n); ++k) {
            p.row[k] = c.div(m.RowTotals[k], p.N);
            p.col[k] = c.div(m.ColTotals[k], p.N);
        }
        if (c.failed())
            PO = Figure::NotDefined(OverflowReason);
    }

    formLargeSample(p, PO, r);
    formRobust(p, PO, r);
    Disagreement d;
    if (PO.defined())
        d = disagreement(r.n, p.row, p.col, [&](int i, int j) { return m.x(i, j) / p.N; });
    r.overall[OverallFigure::quantity_disagreement] = finiteFigure(PO, d.totalQuantity);
    r.overall[OverallFigure::allocation_disagreement] = finiteFigure(PO, d.totalAllocation);
    if (weights != Weights::None)
        r.weighted = formWeighted(p, weights, PO);
    r.classes.reserve(idx(r.n));
    for (int k = 1; k <= r.n; ++k)
        r.classes.push_back(formClass(p, k, PO, d));
    if (mappedAreas != nullptr)
        r.area = formArea(m, *mappedAreas);
    return r;
}

} // namespace brennic
