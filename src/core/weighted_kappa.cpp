// The weighted kappa (Cohen 1968) and the large-sample standard errors of
// Fleiss, Cohen and Everitt (1969), which the unweighted kappa shares.
#include "core/report_parts.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "core/weight_table.h"

namespace brennic::report {

WeightedKappa formWeighted(const Proportions& p, Weights weights, const Figure& PO,
                           const KappaAhead* ahead) {
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
    std::optional<WeightTable> own;
    if (!ahead)
        own = makeWeights(weights, p, c);
    const WeightTable& t = ahead ? ahead->table : *own;
    if (c.failed()) {
        all(Figure::NotDefined(OverflowCause));
        return w;
    }
    // (po - pe) / (1 - pe) = (De - Do) / De
    f[kappa] = kappaOf(t, "The weighted agreement expected by chance is exactly 1 (all counts lie "
                          "in one class), so weighted kappa is not defined.");
    if (!f[kappa].defined()) {
        all(Figure(f[kappa]));
        return w;
    }
    if (p.onlyRow || p.onlyCol) {
        f[kappa] = f[kappa_se] = f[kappa_se0] = Figure::Of(0.0);
        std::tie(f[kappa_ci_low], f[kappa_ci_high]) = NormalInterval(f[kappa], f[kappa_se], p.z);
        f[z] = Figure::NotDefined(oneClassReason(p, "weighted kappa"));
        return w;
    }
    StandardErrors e = ahead ? ahead->errors : standardErrors(p, t, *f[kappa].value);
    f[kappa_se] = std::move(e.se);
    f[kappa_se0] = std::move(e.se0);
    std::tie(f[kappa_ci_low], f[kappa_ci_high]) = NormalInterval(f[kappa], f[kappa_se], p.z);
    f[z] = FormFigure(
        Step::Report, {&f[kappa_se0]},
        [&](CheckedArithmetic& k) { return k.div(*f[kappa].value, *f[kappa_se0].value); }, zReason);
    return w;
}

} // namespace brennic::report
