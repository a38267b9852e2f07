// Each figure is checked for a division by zero, an invalid operation and an
// overflow, as in ComputeKappa: single steps through CheckedArithmetic, the long sums over
// the cells once at their end. A figure that fails is reported as not defined
// with a reason instead of a NaN or an infinity, and the figures that do not
// depend on it are still formed.
#include "agreement_report.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <numbers>

#include "checked_arithmetic.h"
#include "kappa.h"

namespace brennic {
namespace {

// A figure formed from `inputs`: not defined with the reason of the first input
// that is not, or with `reason(kind)` when its own arithmetic fails.
template <typename Compute, typename Reason>
Figure form(std::initializer_list<const Figure*> inputs, Compute compute, Reason reason) {
    for (const Figure* input : inputs)
        if (!input->defined())
            return Figure::NotDefined(input->reason);
    CheckedArithmetic c;
    const double value = compute(c);
    if (c.failed())
        return Figure::NotDefined(reason(c.kind()));
    return Figure::Of(value);
}

const std::string OverflowReason = OverflowCause;

std::string standardErrorReason(ArithmeticKind kind) {
    switch (kind) {
    case ArithmeticKind::Overflow:
        return OverflowReason;
    case ArithmeticKind::InvalidOperation:
        return "Negative counts make this standard error undefined (its variance comes out "
               "negative).";
    case ArithmeticKind::DivisionByZero:
        break;
    }
    return "The agreement expected by chance is so close to 1 that this standard error would "
           "need a division by zero.";
}

std::string zReason(ArithmeticKind kind) {
    if (kind == ArithmeticKind::Overflow)
        return OverflowReason;
    return "The large-sample standard error under chance (kappa_se0) is 0, as when no class has "
           "counts in both its row and its column, so z is not defined.";
}

std::string overflowOnly(ArithmeticKind) {
    return OverflowReason;
}

// The seven figures exactly as Result.txt has them; where one cannot be formed,
// the others still are.
void formSeven(const ErrorMatrix& m, AgreementReport& r) {
    const KappaFigures k =
        ComputeKappaFigures(r.n, m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal);
    for (auto [figure, from] : {std::pair{&r.PC, &k.PC},
                                {&r.PO, &k.PO},
                                {&r.KAPPA, &k.KAPPA},
                                {&r.LO, &k.LO},
                                {&r.HI, &k.HI},
                                {&r.SE, &k.SE},
                                {&r.Z, &k.Z}})
        *figure = from->error ? Figure::NotDefined(ArithmeticCause(*from->error, m))
                              : Figure::Of(from->value);
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
    for (int j = 1; j <= n; ++j) // the cells in memory order, column by column
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
    e.se = form(
        {},
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
    e.se0 = form(
        {},
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

void formLargeSample(const Proportions& p, const Figure& PO, AgreementReport& r) {
    const Figure& missing = !r.KAPPA.defined() ? r.KAPPA : PO;
    if (!missing.defined()) {
        for (Figure* f : {&r.kappa_se, &r.kappa_se0, &r.ci95_low, &r.ci95_high, &r.z_large_sample,
                          &r.p_two_sided})
            *f = Figure::NotDefined(missing.reason);
        return;
    }
    CheckedArithmetic c;
    WeightTable t = makeWeights(Weights::None, p, c);
    t.chance = c.sub(1.0, *r.PC.value); // the same 1 - PC as KAPPA's
    const double kappa = *r.KAPPA.value;
    StandardErrors e = standardErrors(p, t, kappa);
    if (c.failed())
        e.se = e.se0 = Figure::NotDefined(OverflowReason);
    r.kappa_se = std::move(e.se);
    r.kappa_se0 = std::move(e.se0);
    const double halfWidth = 1.96; // the normal 97.5% point, as statistics packages print
    r.ci95_low = form(
        {&r.kappa_se},
        [&](CheckedArithmetic& k) { return k.sub(kappa, k.mul(halfWidth, *r.kappa_se.value)); },
        overflowOnly);
    r.ci95_high = form(
        {&r.kappa_se},
        [&](CheckedArithmetic& k) { return k.add(kappa, k.mul(halfWidth, *r.kappa_se.value)); },
        overflowOnly);
    r.z_large_sample = form(
        {&r.kappa_se0}, [&](CheckedArithmetic& k) { return k.div(kappa, *r.kappa_se0.value); },
        zReason);
    r.p_two_sided = form(
        {&r.z_large_sample},
        [&](CheckedArithmetic&) { return TwoSidedNormalP(*r.z_large_sample.value); }, overflowOnly);
}

WeightedKappa formWeighted(const Proportions& p, Weights weights, const Figure& PO) {
    WeightedKappa w;
    w.weights = weights;
    if (!PO.defined()) { // the counts add up to 0 or beyond the range
        w.kappa = w.kappa_se = w.kappa_se0 = w.z = Figure::NotDefined(PO.reason);
        return w;
    }
    CheckedArithmetic c;
    const WeightTable t = makeWeights(weights, p, c);
    if (c.failed()) {
        w.kappa = w.kappa_se = w.kappa_se0 = w.z = Figure::NotDefined(OverflowReason);
        return w;
    }
    // (po - pe) / (1 - pe) = (De - Do) / De
    w.kappa = form(
        {}, [&](CheckedArithmetic& k) { return k.div(k.sub(t.chance, t.observed), t.chance); },
        [](ArithmeticKind kind) {
            return kind == ArithmeticKind::Overflow
                       ? OverflowReason
                       : std::string("The weighted agreement expected by chance is exactly 1 (all "
                                     "counts lie in one class), so weighted kappa is not defined.");
        });
    if (!w.kappa.defined()) {
        w.kappa_se = w.kappa_se0 = w.z = Figure::NotDefined(w.kappa.reason);
        return w;
    }
    StandardErrors e = standardErrors(p, t, *w.kappa.value);
    w.kappa_se = std::move(e.se);
    w.kappa_se0 = std::move(e.se0);
    w.z = form(
        {&w.kappa_se0},
        [&](CheckedArithmetic& k) { return k.div(*w.kappa.value, *w.kappa_se0.value); }, zReason);
    return w;
}

ClassFigures formClass(const Proportions& p, int k, const Figure& PO) {
    const auto kk = static_cast<std::size_t>(k);
    const ErrorMatrix& m = p.m;
    const std::string K = std::to_string(k);
    const std::string rowZero = "The counts of row " + K + " add up to 0.";
    const std::string colZero = "The counts of column " + K + " add up to 0.";
    const auto total = [&](double value, const char* line) {
        return std::isfinite(value)
                   ? Figure::Of(value)
                   : Figure::NotDefined(std::string("The counts of ") + line + " " + K +
                                        " add up beyond the range of numbers the program can "
                                        "hold.");
    };
    ClassFigures f;
    f.k = k;
    f.row_total = total(m.RowTotals[kk], "row");
    f.col_total = total(m.ColTotals[kk], "column");
    f.diagonal = Figure::Of(m.x(k, k));
    const auto share = [&](const Figure& line, const std::string& zeroReason) {
        return form(
            {&line}, [&](CheckedArithmetic& c) { return c.div(m.x(k, k), *line.value); },
            [&](ArithmeticKind kind) {
                return kind == ArithmeticKind::Overflow ? OverflowReason : zeroReason;
            });
    };
    f.row_share = share(f.row_total, rowZero);
    f.col_share = share(f.col_total, colZero);

    // Conditional kappa: (p_kk - p_k. p_.k) over the share of the row (or column)
    // less the same chance term.
    const auto conditional = [&](bool ofRow) {
        const double own = ofRow ? p.row[kk] : p.col[kk];
        const std::string reason =
            own == 0.0 ? (ofRow ? rowZero : colZero)
            : ofRow    ? "Column " + K + " holds all the counts, so the conditional kappa of row " +
                          K + " is not defined."
                    : "Row " + K + " holds all the counts, so the conditional kappa of column " +
                          K + " is not defined.";
        return form(
            {&PO},
            [&](CheckedArithmetic& c) {
                const double chance = c.mul(p.row[kk], p.col[kk]);
                const double pkk = c.div(m.x(k, k), p.N);
                return c.div(c.sub(pkk, chance), c.sub(own, chance));
            },
            [&](ArithmeticKind kind) {
                return kind == ArithmeticKind::Overflow ? OverflowReason : reason;
            });
    };
    f.row_conditional_kappa = conditional(true);
    f.col_conditional_kappa = conditional(false);
    return f;
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

std::array<NamedFigure, 13> OverallFigures(const AgreementReport& r) {
    return {{{"PC", &r.PC},
             {"PO", &r.PO},
             {"KAPPA", &r.KAPPA},
             {"LO", &r.LO},
             {"HI", &r.HI},
             {"SE", &r.SE},
             {"Z", &r.Z},
             {"kappa_se", &r.kappa_se},
             {"kappa_se0", &r.kappa_se0},
             {"ci95_low", &r.ci95_low},
             {"ci95_high", &r.ci95_high},
             {"z_large_sample", &r.z_large_sample},
             {"p_two_sided", &r.p_two_sided}}};
}

std::array<NamedFigure, 4> WeightedFigures(const WeightedKappa& w) {
    return {
        {{"kappa", &w.kappa}, {"kappa_se", &w.kappa_se}, {"kappa_se0", &w.kappa_se0}, {"z", &w.z}}};
}

std::array<NamedFigure, 7> ClassFigureList(const ClassFigures& f) {
    return {{{"row_total", &f.row_total},
             {"col_total", &f.col_total},
             {"diagonal", &f.diagonal},
             {"row_share", &f.row_share},
             {"col_share", &f.col_share},
             {"row_conditional_kappa", &f.row_conditional_kappa},
             {"col_conditional_kappa", &f.col_conditional_kappa}}};
}

double TwoSidedNormalP(double z) {
    return std::erfc(std::fabs(z) / std::numbers::sqrt2);
}

AgreementReport ComputeAgreementReport(const ErrorMatrix& m, Weights weights) {
    AgreementReport r;
    r.n = m.size();
    formSeven(m, r);

    // The shares of each row and column; they exist whenever PO does (the
    // grand total is neither 0 nor beyond the range).
    Proportions p{m, m.GrandTotal, {}, {}};
    p.row.assign(static_cast<std::size_t>(r.n + 1), 0.0);
    p.col.assign(static_cast<std::size_t>(r.n + 1), 0.0);
    Figure PO = r.PO;
    if (PO.defined()) {
        CheckedArithmetic c;
        for (std::size_t k = 1; k <= static_cast<std::size_t>(r.n); ++k) {
            p.row[k] = c.div(m.RowTotals[k], p.N);
            p.col[k] = c.div(m.ColTotals[k], p.N);
        }
        if (c.failed())
            PO = Figure::NotDefined(OverflowReason);
    }

    formLargeSample(p, PO, r);
    if (weights != Weights::None)
        r.weighted = formWeighted(p, weights, PO);
    r.classes.reserve(static_cast<std::size_t>(r.n));
    for (int k = 1; k <= r.n; ++k)
        r.classes.push_back(formClass(p, k, PO));
    return r;
}

} // namespace brennic
