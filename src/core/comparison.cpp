// The differences are stratified means (and ratios of them) of values a unit
// takes from its three classes, formed from the counts of the distinct
// (stratum, A, B, reference) quadruples alone: each variance is a sum of squared
// deviations from the stratum's mean, so it never comes out negative by rounding.
#include "core/comparison.h"

#include <cmath>
#include <numbers>
#include <tuple>

#include "core/agreement_report.h"
#include "core/interval.h"
#include "core/kappa.h"
#include "core/stratified.h"
#include "core/student_t.h"

namespace brennic {
namespace {

using Kind = ArithmeticKind;

std::string overflowOnly(Kind) {
    return OverflowCause;
}

// The units of each stratum, and the strata's weights and what they allow. A
// sample without strata is one stratum of weight 1 without the correction.
struct Strata {
    std::vector<std::vector<const ComparedCell*>> cells; // by stratum
    std::vector<double> units;                           // n_h
    StrataWeights w;
};

Strata groupStrata(const ComparedSample& s) {
    const bool simple = s.strata.empty();
    const std::size_t H = simple ? 1 : s.strata.size();
    Strata out;
    out.cells.resize(H);
    out.units.assign(H, 0.0);
    for (const ComparedCell& cell : s.cells) {
        const std::size_t h = simple ? 0 : cell.stratum;
        out.cells[h].push_back(&cell);
        out.units[h] += cell.count;
    }
    if (!simple) {
        out.w = WeighStrata(s.strata, s.stratumSizes, out.units, s.finitePopulationCorrection);
        return out;
    }
    out.w.W = {1.0};
    out.w.varianceWeight = {1.0};
    if (!(out.units[0] > 0.0))
        out.w.estimates = Figure::NotDefined("The sample holds no unit.");
    out.w.variances = out.w.estimates;
    if (out.w.estimates.defined() && out.units[0] - 1.0 <= 0.0)
        out.w.variances = Figure::NotDefined(
            "The sample holds a single unit, so the variance of the units (which divides by "
            "n - 1) is not defined, nor is any standard error.");
    return out;
}

// The stratified mean of a unit's `value`, the sum of W_h ybar_h.
template <typename Value> double stratifiedMean(const Strata& s, Value value) {
    double sum = 0.0;
    for (std::size_t h = 0; h < s.cells.size(); ++h) {
        double total = 0.0;
        for (const ComparedCell* cell : s.cells[h])
            total += cell->count * value(*cell);
        sum += s.w.W[h] * (total / s.units[h]);
    }
    return sum;
}

// The variance of that mean: the sum of W_h^2 (1 - f_h) s^2_h / n_h, s^2_h the
// variance of the value within stratum h.
template <typename Value> double stratifiedVariance(const Strata& s, Value value) {
    double sum = 0.0;
    for (std::size_t h = 0; h < s.cells.size(); ++h) {
        const double nh = s.units[h];
        double total = 0.0;
        for (const ComparedCell* cell : s.cells[h])
            total += cell->count * value(*cell);
        const double mean = total / nh;
        double squares = 0.0;
        for (const ComparedCell* cell : s.cells[h]) {
            const double deviation = value(*cell) - mean;
            squares += cell->count * (deviation * deviation);
        }
        sum += s.w.varianceWeight[h] * (squares / (nh - 1.0)) / nh;
    }
    return sum;
}

// A 0-or-1 value of a unit's classes.
using Indicator = bool (*)(const ComparedCell&, std::size_t k);

// R_A - R_B for two ratios R = Y^ / X^ of stratified means on the same units,
// with the standard error of its linearization e_u = (y_Au - R_A x_Au) / X^_A -
// (y_Bu - R_B x_Bu) / X^_B. `noneA` and `noneB` say why a ratio is not defined
// when no unit counts in its x.
std::pair<Figure, Figure> ratioDifference(const Strata& s, std::size_t k, Indicator yA,
                                          Indicator xA, Indicator yB, Indicator xB,
                                          const std::string& noneA, const std::string& noneB) {
    const auto mean = [&](Indicator f) {
        return stratifiedMean(s, [&](const ComparedCell& c) { return f(c, k) ? 1.0 : 0.0; });
    };
    double YA = 0.0, XA = 0.0, YB = 0.0, XB = 0.0;
    if (s.w.estimates.defined()) {
        YA = mean(yA);
        XA = mean(xA);
        YB = mean(yB);
        XB = mean(xB);
    }
    Figure difference = s.w.estimates;
    if (difference.defined() && !(XA > 0.0))
        difference = Figure::NotDefined(noneA);
    else if (difference.defined() && !(XB > 0.0))
        difference = Figure::NotDefined(noneB);
    const Figure checked = difference;
    difference = FormFigure(
        Step::Report, {&checked},
        [&](CheckedArithmetic& c) { return c.sub(c.div(YA, XA), c.div(YB, XB)); }, overflowOnly);
    Figure se = FormFigure(
        Step::Report, {&s.w.variances, &difference},
        [&](CheckedArithmetic& c) {
            const double RA = YA / XA, RB = YB / XB;
            const auto e = [&](const ComparedCell& cell) {
                const double a = ((yA(cell, k) ? 1.0 : 0.0) - RA * (xA(cell, k) ? 1.0 : 0.0)) / XA;
                const double b = ((yB(cell, k) ? 1.0 : 0.0) - RB * (xB(cell, k) ? 1.0 : 0.0)) / XB;
                return a - b;
            };
            return c.sqrt(c.finite(stratifiedVariance(s, e)));
        },
        overflowOnly);
    return {std::move(difference), std::move(se)};
}

bool rightA(const ComparedCell& c) {
    return c.a == c.reference;
}
bool rightB(const ComparedCell& c) {
    return c.b == c.reference;
}

// P(X <= m) and P(X = m) for X binomial with n trials and p = 1/2, m < n / 2 or
// m = n / 2; by the incomplete beta function and the log of the binomial
// coefficient, so that a large n costs no more than a small one.
double binomialLowerTail(double m, double n) {
    return RegularizedIncompleteBeta(0.5, n - m, m + 1.0);
}
double binomialPoint(double m, double n) {
    return std::exp(std::lgamma(n + 1.0) - std::lgamma(m + 1.0) - std::lgamma(n - m + 1.0) -
                    n * std::numbers::ln2);
}

} // namespace

void FormMcNemar(double b, double c, FigureRow<ComparisonFigure>& f) {
    using enum ComparisonFigure;
    const double discordant = b + c;
    if (!(discordant > 0.0)) {
        const Figure none = Figure::NotDefined(
            "No unit is right in one map only (b + c = 0): the maps agree on every unit's "
            "rightness, and McNemar's test has nothing to test.");
        for (ComparisonFigure id : {mcnemar_chi2, mcnemar_p, mcnemar_chi2_corrected,
                                    mcnemar_corrected_p, mcnemar_exact_p, mcnemar_mid_p})
            f[id] = none;
        return;
    }
    const double gap = std::fabs(b - c), corrected = std::fmax(gap - 1.0, 0.0);
    const auto chi2 = [&](double d) {
        return FormFigure(
            Step::Report, {}, [&](CheckedArithmetic& a) { return a.div(a.mul(d, d), discordant); },
            overflowOnly);
    };
    // The upper tail of chi-square with 1 df at z^2 is the two-sided normal
    // tail at z, formed from z itself so that it keeps its digits.
    const double root = std::sqrt(discordant);
    f[mcnemar_chi2] = chi2(gap);
    f[mcnemar_p] = Figure::Of(TwoSidedNormalP(gap / root));
    f[mcnemar_chi2_corrected] = chi2(corrected);
    f[mcnemar_corrected_p] = Figure::Of(TwoSidedNormalP(corrected / root));
    const double m = std::fmin(b, c);
    const double point = binomialPoint(m, discordant);
    if (b == c) {
        f[mcnemar_exact_p] = Figure::Of(1.0);
        f[mcnemar_mid_p] = Figure::Of(1.0 - point / 2.0);
        return;
    }
    // Below the middle the lower tail is at most 1/2: twice it is at most 1.
    const double exact = 2.0 * binomialLowerTail(m, discordant);
    f[mcnemar_exact_p] = Figure::Of(exact);
    f[mcnemar_mid_p] = Figure::Of(exact - point);
}

MapComparison CompareMaps(const ComparedSample& s, double confidence) {
    const double z = TwoSidedNormalPoint(confidence);
    const Strata strata = groupStrata(s);
    MapComparison out;
    out.stratified = !s.strata.empty();
    FigureRow<ComparisonFigure>& f = out.figures;
    {
        using enum ComparisonFigure;
        double both = 0.0, onlyA = 0.0, onlyB = 0.0, neither = 0.0;
        for (const ComparedCell& cell : s.cells) {
            const bool a = rightA(cell), b = rightB(cell);
            (a ? (b ? both : onlyA) : (b ? onlyB : neither)) += cell.count;
        }
        f[both_right] = Figure::Of(both);
        f[only_a_right] = Figure::Of(onlyA);
        f[only_b_right] = Figure::Of(onlyB);
        f[both_wrong] = Figure::Of(neither);
        if (out.stratified) {
            const Figure notSimple = Figure::NotDefined(
                "The units are a stratified sample, not a simple random sample, so McNemar's "
                "test does not apply: the stratified difference of overall accuracy is the one "
                "to read.");
            for (ComparisonFigure id : {mcnemar_chi2, mcnemar_p, mcnemar_chi2_corrected,
                                        mcnemar_corrected_p, mcnemar_exact_p, mcnemar_mid_p})
                f[id] = notSimple;
        } else {
            FormMcNemar(onlyA, onlyB, f);
        }
        const auto y = [](const ComparedCell& c) {
            return (rightA(c) ? 1.0 : 0.0) - (rightB(c) ? 1.0 : 0.0);
        };
        f[overall_accuracy_difference] = FormFigure(
            Step::Report, {&strata.w.estimates},
            [&](CheckedArithmetic& c) { return c.finite(stratifiedMean(strata, y)); },
            overflowOnly);
        f[overall_accuracy_difference_se] = FormFigure(
            Step::Report, {&strata.w.variances, &f[overall_accuracy_difference]},
            [&](CheckedArithmetic& c) { return c.sqrt(c.finite(stratifiedVariance(strata, y))); },
            overflowOnly);
        std::tie(f[overall_accuracy_difference_ci_low], f[overall_accuracy_difference_ci_high]) =
            NormalInterval(f[overall_accuracy_difference], f[overall_accuracy_difference_se], z);
    }

    const Indicator inA = [](const ComparedCell& c, std::size_t k) { return c.a == k; };
    const Indicator inB = [](const ComparedCell& c, std::size_t k) { return c.b == k; };
    const Indicator found = [](const ComparedCell& c, std::size_t k) { return c.reference == k; };
    const Indicator agreedA = [](const ComparedCell& c, std::size_t k) {
        return c.a == k && c.reference == k;
    };
    const Indicator agreedB = [](const ComparedCell& c, std::size_t k) {
        return c.b == k && c.reference == k;
    };
    out.classes.reserve(s.classes);
    for (std::size_t k = 0; k < s.classes; ++k) {
        using enum ComparisonClassFigure;
        ComparisonClassEntry entry;
        entry.k = static_cast<int>(k + 1);
        FigureRow<ComparisonClassFigure>& c = entry.figures;
        const std::string K = ClassInReason(s.classLabels, k);
        const auto unmapped = [&](const char* map) {
            return "No unit is mapped as class " + K + " in map " + map +
                   ", so its user's accuracy there is not defined, nor is the difference.";
        };
        std::tie(c[users_accuracy_difference], c[users_accuracy_difference_se]) =
            ratioDifference(strata, k, agreedA, inA, agreedB, inB, unmapped("A"), unmapped("B"));
        const std::string unfound = "No unit is of reference class " + K +
                                    ", so its producer's accuracy is not defined in either map.";
        std::tie(c[producers_accuracy_difference], c[producers_accuracy_difference_se]) =
            ratioDifference(strata, k, agreedA, found, agreedB, found, unfound, unfound);
        std::tie(c[users_accuracy_difference_ci_low], c[users_accuracy_difference_ci_high]) =
            NormalInterval(c[users_accuracy_difference], c[users_accuracy_difference_se], z);
        std::tie(c[producers_accuracy_difference_ci_low],
                 c[producers_accuracy_difference_ci_high]) =
            NormalInterval(c[producers_accuracy_difference], c[producers_accuracy_difference_se],
                           z);
        out.classes.push_back(std::move(entry));
    }
    return out;
}

FigureRow<IndependentFigure> CompareIndependent(const AssessedFigures& a, const AssessedFigures& b,
                                                double confidence) {
    const double zLevel = TwoSidedNormalPoint(confidence);
    FigureRow<IndependentFigure> f;
    // One z-test: the difference, its standard error and interval, z and p.
    const auto test = [&](const Figure& valueA, const Figure& seA, const Figure& valueB,
                          const Figure& seB, IndependentFigure difference) {
        const auto at = [&](std::size_t offset) -> Figure& {
            return f[static_cast<IndependentFigure>(static_cast<std::size_t>(difference) + offset)];
        };
        at(0) = FormFigure(
            Step::Report, {&valueA, &valueB},
            [&](CheckedArithmetic& c) { return c.sub(*valueA.value, *valueB.value); },
            overflowOnly);
        at(1) = FormFigure(
            Step::Report, {&seA, &seB},
            [&](CheckedArithmetic& c) {
                return c.sqrt(c.add(c.mul(*seA.value, *seA.value), c.mul(*seB.value, *seB.value)));
            },
            overflowOnly);
        std::tie(at(2), at(3)) = NormalInterval(at(0), at(1), zLevel);
        at(4) = FormFigure(
            Step::Report, {&at(0), &at(1)},
            [&](CheckedArithmetic& c) { return c.div(*at(0).value, *at(1).value); },
            [](Kind kind) {
                return kind == Kind::Overflow
                           ? OverflowCause
                           : std::string("Both standard errors are 0, so z is not defined.");
            });
        at(5) = at(4).defined() ? Figure::Of(TwoSidedNormalP(*at(4).value)) : at(4);
    };
    using enum IndependentFigure;
    test(a.kappa, a.kappaSe, b.kappa, b.kappaSe, kappa_difference);
    test(a.overallAccuracy, a.overallAccuracySe, b.overallAccuracy, b.overallAccuracySe,
         overall_accuracy_difference);
    return f;
}

} // namespace brennic
