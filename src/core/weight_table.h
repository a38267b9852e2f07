// Disagreement weights and the large-sample standard errors (Fleiss, Cohen and
// Everitt 1969) that the weighted and the unweighted kappa share.
#pragma once

#include <optional>

#include "core/report_parts.h"

namespace brennic::report {

// The large-sample figures are written with disagreement weights v = 1 - w
// (0 on the diagonal), formed directly from the distance |i - j|. With ordered
// classes the agreement sums lie close to 1 and their differences would lose
// most of their digits; the disagreement sums do not.
struct WeightTable {
    std::vector<double> byDistance; // v at |i - j|
    std::vector<double> rowMean;    // v_i. = sum over j of p_.j v(i, j), index 1 to n
    std::vector<double> colMean;    // v_.j = sum over i of p_i. v(i, j)
    double chance = 0.0;            // De = sum of p_i. p_.j v(i, j) = 1 - pe
    // N^2 Do and N^2 De in counts times Proportions::scale, for the kappa and
    // 1 - kappa: with whole counts they come out exact, and so does their
    // difference near perfect agreement.
    double observedCounts = 0.0, chanceCounts = 0.0;
    bool unweighted = false;
    double v(int i, int j) const { return byDistance[static_cast<std::size_t>(std::abs(i - j))]; }
};

WeightTable makeWeights(Weights weights, const Proportions& p, CheckedArithmetic& c);

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

// `kappa` is the one formed by kappaOf from the same table.
StandardErrors standardErrors(const Proportions& p, const WeightTable& t, double kappa);

// Kappa, (De - Do) / De, from the sums in counts; the reason is given for a
// division by zero, when the agreement expected by chance is exactly 1.
Figure kappaOf(const WeightTable& t, const std::string& chanceOneReason);

// A kappa's table and standard errors, formed before the figures that show them.
struct KappaAhead {
    WeightTable table;
    StandardErrors errors;
};
struct KappasAhead {
    KappaAhead plain, weighted;
};

// With weights, the unweighted and the weighted kappa each sum over the cells
// for their standard errors: their tables and standard errors at once, in one
// pass, each the same to the last bit as when formed alone. Nothing when either
// table overflows or either kappa is not defined; the caller asks only when the
// counts have both kappas' standard errors otherwise (the seven and the
// observed agreement defined, more than one class in the map and the reference).
std::optional<KappasAhead> FormKappasAhead(const Proportions& p, Weights weights);

} // namespace brennic::report
