// The chance-corrected coefficients of the whole matrix beyond the seven of
// Result.txt: the large-sample figures of kappa, Scott's pi, Gwet's AC1,
// Brennan-Prediger and Krippendorff's alpha, each with its standard error.
#include "core/report_parts.h"

#include <cmath>
#include <optional>
#include <tuple>

#include "core/weight_table.h"

namespace brennic::report {

std::string standardErrorReason(Kind kind) {
    switch (kind) {
    case Kind::Overflow:
        return OverflowCause;
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
        return OverflowCause;
    // The counts with a single class in the map or the reference, which make it
    // exactly 0, never come here: only rounding makes it 0.
    return "The large-sample standard error under chance (kappa_se0) comes out as 0 in double "
           "precision, so z is not defined.";
}

void formLargeSample(const Proportions& p, const Figure& observed, AgreementReport& r,
                     const KappaAhead* ahead) {
    using enum OverallFigure;
    FigureRow<OverallFigure>& o = r.overall;
    const Figure& missing = !o[KAPPA].defined() ? o[KAPPA] : observed;
    if (!missing.defined()) {
        for (OverallFigure f :
             {kappa_se, kappa_se0, kappa_ci_low, kappa_ci_high, z_large_sample, p_two_sided})
            o[f] = missing;
        return;
    }
    // The kappa of these figures is formed from the counts, as the weighted one
    // is, so that it keeps its digits where po and pe both lie near 1; KAPPA
    // keeps the order of operations of Result.txt, and with it their rounding.
    CheckedArithmetic c;
    std::optional<WeightTable> own;
    if (!ahead)
        own = makeWeights(Weights::None, p, c);
    const WeightTable& t = ahead ? ahead->table : *own;
    const bool oneClass = p.onlyRow || p.onlyCol;
    const Figure kappaFigure =
        c.failed() ? Figure::NotDefined(OverflowCause)
        : oneClass ? Figure::Of(0.0)
                   : kappaOf(t, "The agreement expected by chance is exactly 1, so kappa and its "
                                "standard errors are not defined.");
    if (!kappaFigure.defined()) {
        for (OverallFigure f :
             {kappa_se, kappa_se0, kappa_ci_low, kappa_ci_high, z_large_sample, p_two_sided})
            o[f] = kappaFigure;
        return;
    }
    const double kappa = *kappaFigure.value;
    StandardErrors e = oneClass ? StandardErrors{Figure::Of(0.0), Figure::Of(0.0)}
                       : ahead  ? ahead->errors
                                : standardErrors(p, t, kappa);
    o[kappa_se] = std::move(e.se);
    o[kappa_se0] = std::move(e.se0);
    std::tie(o[kappa_ci_low], o[kappa_ci_high]) =
        NormalInterval(Figure::Of(kappa), o[kappa_se], p.z);
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
             {overall_accuracy, overall_accuracy_se, overall_accuracy_ci_low,
              overall_accuracy_ci_high, scott_pi, scott_pi_se, scott_pi_ci_low, scott_pi_ci_high,
              gwet_ac1, gwet_ac1_se, gwet_ac1_ci_low, gwet_ac1_ci_high, brennan_prediger,
              brennan_prediger_se, brennan_prediger_ci_low, brennan_prediger_ci_high,
              krippendorff_alpha})
            o[f] = observed;
        return;
    }
    const double pa = *observed.value;
    // 1 - pa from the counts off the diagonal, never by a subtraction from 1.
    const double T = p.u(N), off = p.u(p.offDiagonal), Do = off / T;
    o[overall_accuracy] = observed;
    o[overall_accuracy_se] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) { return c.sqrt(c.div(c.mul(pa, Do), c.sub(N, 1.0))); },
        [](Kind kind) {
            return kind == Kind::Overflow ? OverflowCause
                   : kind == Kind::DivisionByZero
                       ? std::string("The counts add up to 1, so the standard error of the "
                                     "overall accuracy (it divides by N - 1) is not defined.")
                       : std::string("The counts add up to less than 1, or negative counts make "
                                     "the variance of the overall accuracy negative, so its "
                                     "standard error is not defined.");
        });

    // Scott's pe with pi_k = n_k / 2N, n_k = r_k + c_k: 1 - pe = sum pi_k (1 - pi_k),
    // formed in counts as DeS = sum n_k o_k = (2N)^2 (1 - pe), o_k = 2N - n_k being
    // the totals of the other classes; beside DoS = (2N)^2 (1 - pa) both keep their
    // digits near perfect agreement, where pa and pe lie near 1.
    std::vector<double> both(idx(n + 1), 0.0), other(idx(n + 1), 0.0); // n_k and o_k in counts
    double DeS = 0.0;
    for (int k = 1; k <= n; ++k) {
        both[idx(k)] = p.u(p.m.RowTotals[idx(k)]) + p.u(p.m.ColTotals[idx(k)]);
        other[idx(k)] = p.u(p.otherRows[idx(k)]) + p.u(p.otherCols[idx(k)]);
        DeS += both[idx(k)] * other[idx(k)];
    }
    const double DoS = 4.0 * T * off;
    const double chanceScott = DeS / (4.0 * T * T); // 1 - pe
    const double peGwet = chanceScott / (q - 1.0);  // sum of pi_k (1 - pi_k) / (q - 1)
    const std::string chanceOne =
        "The agreement expected by chance from the mean shares of the classes is 1, as when all "
        "counts lie in one class, so ";
    // (pa - pe) / (1 - pe) = (De - Do) / De
    const auto chanceCorrected = [&](double disagreement, double chance, std::string name) {
        return FormFigure(
            Step::Report, {},
            [&](CheckedArithmetic& c) {
                return c.div(c.sub(c.finite(chance), c.finite(disagreement)), chance);
            },
            because(chanceOne + name + " is not defined."));
    };
    o[scott_pi] = chanceCorrected(DoS, DeS, "Scott's pi");
    o[gwet_ac1] = chanceCorrected(Do, 1.0 - peGwet, "Gwet's AC1");
    // pa' = (1 - e) pa + e, so 1 - pa' = (1 - e)(1 - pa) and DeS - (1 - e) DoS
    // is DeS - DoS + e DoS.
    const double e = 1.0 / (2.0 * N);
    o[krippendorff_alpha] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            return c.div(c.add(c.sub(c.finite(DeS), DoS), c.mul(e, DoS)), DeS);
        },
        because(chanceOne + "Krippendorff's alpha is not defined."));
    o[brennan_prediger] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            const double rest = c.sub(1.0, c.div(1.0, q));
            return c.div(c.sub(rest, Do), rest);
        },
        because("The Brennan-Prediger coefficient cannot be formed for these counts."));
    o[brennan_prediger_se] = FormFigure(
        Step::Report, {},
        [&](CheckedArithmetic& c) {
            const double rest = c.sub(1.0, c.div(1.0, q));
            return c.sqrt(c.div(c.mul(pa, Do), c.mul(N, c.mul(rest, rest))));
        },
        standardErrorReason);

    // The standard errors of the two coefficients, from their terms t_kl =
    // w_kl - (1 - coefficient) spread(k, l), summed in one pass over the cells as
    // x_kl times the squared deviation from their mean pa - 2 (1 - coefficient) pe.
    // With w = 1 - v, pa = 1 - Do, 1 - pi_k = o_k / 2N and s_kl = (1 - pi_k) +
    // (1 - pi_l), the deviations are Do - v_kl + (1 - pi)(s_kl - 2 (1 - pe)) for
    // Scott and Do - v_kl - (1 - AC1)(s_kl / (q - 1) - 2 pe) for Gwet. Off the
    // diagonal Scott's is 1 - pi_k - pi_l + Do - 2 (1 - pe) - pi (s_kl - 2 (1 - pe)),
    // 1 - pi_k - pi_l being the share of the other classes: so no term is a
    // difference of two numbers near 1, even where pi lies near 0.
    const double scottValue = o[scott_pi].value.value_or(0.0);
    const double restScott = o[scott_pi].defined() ? DoS / DeS : 0.0;
    const double outsideGwet = 1.0 - peGwet;
    const double restGwet = o[gwet_ac1].defined() ? Do / outsideGwet : 0.0;
    double sumScott = 0.0, sumGwet = 0.0;
    // Every term below is finite, so an empty cell adds exactly 0 and is passed by.
    for (int l = 1; l <= n; ++l) // the cells in memory order, column by column
        for (int k = 1; k <= n; ++k) {
            const double x = p.m.x(k, l), v = k == l ? 0.0 : 1.0;
            if (x == 0.0)
                continue;
            const double spread = (other[idx(k)] + other[idx(l)]) / (2.0 * T);
            const double scott = k == l ? Do + restScott * (spread - 2.0 * chanceScott)
                                        : (other[idx(k)] - both[idx(l)]) / (2.0 * T) + Do -
                                              2.0 * chanceScott -
                                              scottValue * (spread - 2.0 * chanceScott);
            const double gwet = Do - v - restGwet * (spread / (q - 1.0) - 2.0 * peGwet);
            sumScott += x * (scott * scott);
            sumGwet += x * (gwet * gwet);
        }
    const auto coefficientSe = [&](const Figure& coefficient, double outside, double sum) {
        return FormFigure(
            Step::Report, {&coefficient},
            [&](CheckedArithmetic& c) {
                return c.sqrt(c.div(c.finite(sum / N), c.mul(N, c.mul(outside, outside))));
            },
            standardErrorReason);
    };
    o[scott_pi_se] = coefficientSe(o[scott_pi], chanceScott, sumScott);
    o[gwet_ac1_se] = coefficientSe(o[gwet_ac1], outsideGwet, sumGwet);
    // One class (a window of a map that holds no other): Gwet's chance agreement
    // divides by the number of classes less 1, and Brennan-Prediger by 1 - 1/q.
    if (n < 2)
        for (const auto& [figure, name] :
             {std::pair{gwet_ac1, "Gwet's AC1"}, std::pair{gwet_ac1_se, "Gwet's AC1"},
              std::pair{brennan_prediger, "the Brennan-Prediger coefficient"},
              std::pair{brennan_prediger_se, "the Brennan-Prediger coefficient"}})
            o[figure] = Figure::NotDefined(std::string("The matrix holds one class, and ") + name +
                                           " needs at least two (it divides by the number of "
                                           "classes less 1), so it is not defined.");
    for (const auto& [value, se, low, high] :
         {std::tuple{overall_accuracy, overall_accuracy_se, overall_accuracy_ci_low,
                     overall_accuracy_ci_high},
          std::tuple{scott_pi, scott_pi_se, scott_pi_ci_low, scott_pi_ci_high},
          std::tuple{gwet_ac1, gwet_ac1_se, gwet_ac1_ci_low, gwet_ac1_ci_high},
          std::tuple{brennan_prediger, brennan_prediger_se, brennan_prediger_ci_low,
                     brennan_prediger_ci_high}})
        std::tie(o[low], o[high]) = NormalInterval(o[value], o[se], p.z);
}

} // namespace brennic::report
