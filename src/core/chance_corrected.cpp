// The chance-corrected coefficients of the whole matrix beyond the seven of
// Result.txt: the large-sample figures of kappa, Scott's pi, Gwet's AC1,
// Brennan-Prediger and Krippendorff's alpha, each with its standard error.
#include "report_parts.h"

#include <cmath>

#include "weight_table.h"

namespace brennic::report {

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
    // The counts with a single class in the map or the reference, which make it
    // exactly 0, never come here: only rounding makes it 0.
    return "The large-sample standard error under chance (kappa_se0) comes out as 0 in double "
           "precision, so z is not defined.";
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
    const bool oneClass = p.onlyRow || p.onlyCol;
    if (oneClass)
        e.se = e.se0 = Figure::Of(0.0);
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
    o[z_large_sample] =
        oneClass
            ? Figure::NotDefined(oneClassReason(p, "kappa"))
            : FormFigure(
                  Step::Report, {&o[kappa_se0]},
                  [&](CheckedArithmetic& k) { return k.div(kappa, *o[kappa_se0].value); }, zReason);
    o[p_two_sided] = FormFigure(
        Step::Report, {&o[z_large_sample]},
        [&](CheckedArithmetic&) { return TwoSidedNormalP(*o[z_large_sample].value); },
        overflowOnly);
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

} // namespace brennic::report
