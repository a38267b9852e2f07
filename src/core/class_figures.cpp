// The figures of each class: its totals and shares (user's and producer's
// accuracy), its conditional kappas and its part of the disagreement.
#include "core/report_parts.h"

#include <cmath>
#include <tuple>

namespace brennic::report {

Figure finiteFigure(const Figure& input, double value) {
    return FormFigure(
        Step::Report, {&input}, [&](CheckedArithmetic& c) { return c.finite(value); },
        overflowOnly);
}

Figure formF1(const Figure& users, const Figure& producers, int k) {
    return FormFigure(
        Step::Report, {&users, &producers},
        [&](CheckedArithmetic& c) {
            const double U = *users.value, P = *producers.value;
            return c.div(c.mul(2.0, c.mul(U, P)), c.add(U, P));
        },
        [&](Kind kind) {
            const std::string accuracies =
                "User's and producer's accuracy of class " + std::to_string(k);
            return kind == Kind::Overflow ? OverflowCause
                   : *users.value == 0.0 && *producers.value == 0.0
                       ? accuracies + " are both 0, so its F1 is not defined."
                       : accuracies + " add up to 0, so its F1 is not defined.";
        });
}

ClassEntry formClass(const Proportions& p, int k, const Figure& PO, const Disagreement& d) {
    using enum ClassFigure;
    const auto kk = idx(k);
    const ErrorMatrix& m = p.m;
    // The reasons are worded only for a figure that fails.
    const auto counts = [k](const char* line, const std::string& what) {
        return std::string("The counts of ") + line + " " + std::to_string(k) + what;
    };
    const auto zero = [&](bool ofRow) { return counts(ofRow ? "row" : "column", " add up to 0."); };
    const auto total = [&](double value, bool ofRow) {
        return std::isfinite(value)
                   ? Figure::Of(value)
                   : Figure::NotDefined(counts(ofRow ? "row" : "column",
                                               " add up " + std::string(BeyondRangeText) + "."));
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
            [&](Kind kind) { return kind == Kind::Overflow ? OverflowCause : zero(ofRow); });
    };
    f[users_accuracy] = share(f[row_total], true);
    f[producers_accuracy] = share(f[col_total], false);
    // The binomial standard error of a share of a row or column, with the row's
    // or column's counts less one as the sample; 1 - share from the counts off
    // the diagonal, so that no digit is lost where the share nears 1.
    const auto shareSe = [&](const Figure& value, const Figure& line, bool ofRow) {
        const bool sums = !p.rowOff.empty();
        const double off = sums ? (ofRow ? p.rowOff[kk] : p.colOff[kk]) : *line.value - m.x(k, k);
        const std::string which = ofRow ? "user's" : "producer's";
        return FormFigure(
            Step::Report, {&value, &line},
            [&](CheckedArithmetic& c) {
                const double rest = c.div(off, *line.value);
                return c.sqrt(c.div(c.mul(*value.value, rest), c.sub(*line.value, 1.0)));
            },
            [&](Kind kind) {
                return kind == Kind::Overflow ? OverflowCause
                       : *line.value == 1.0
                           ? counts(ofRow ? "row" : "column",
                                    " add up to 1, so the standard error of its " + which +
                                        " accuracy (it divides by the total - 1) is not defined.")
                           : counts(ofRow ? "row" : "column",
                                    " add up to less than 1, or negative counts make the "
                                    "variance of its " +
                                        which +
                                        " accuracy negative, so its standard error is not "
                                        "defined.");
            });
    };
    f[users_accuracy_se] = shareSe(f[users_accuracy], f[row_total], true);
    f[producers_accuracy_se] = shareSe(f[producers_accuracy], f[col_total], false);
    std::tie(f[users_accuracy_ci_low], f[users_accuracy_ci_high]) =
        NormalInterval(f[users_accuracy], f[users_accuracy_se], p.z);
    std::tie(f[producers_accuracy_ci_low], f[producers_accuracy_ci_high]) =
        NormalInterval(f[producers_accuracy], f[producers_accuracy_se], p.z);
    f[f1] = formF1(f[users_accuracy], f[producers_accuracy], k);

    // Conditional kappa: (p_kk - p_k. p_.k) / (p_k. - p_k. p_.k) for the row.
    // With R and C the counts off the diagonal in row and column k and O those
    // outside both, N x_kk - r_k c_k is x_kk O - R C and N - c_k is R + O: in
    // that form no digit is lost where the shares of class k lie near 1.
    const bool sums = !p.rowOff.empty(); // formed whenever PO is
    const double R = sums ? p.u(p.rowOff[kk]) : 0.0, C = sums ? p.u(p.colOff[kk]) : 0.0;
    const double O = sums ? p.u(p.otherDiagonal[kk]) + ((p.u(p.offDiagonal) - R) - C) : 0.0;
    const auto conditional = [&](bool ofRow) {
        const double own = ofRow ? p.row[kk] : p.col[kk];
        const auto reason = [&](Kind kind) {
            const std::string K = std::to_string(k);
            return kind == Kind::Overflow ? OverflowCause
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
                const double line = p.u(ofRow ? m.RowTotals[kk] : m.ColTotals[kk]);
                const double numerator = c.sub(c.mul(p.u(m.x(k, k)), O), c.mul(R, C));
                return c.div(numerator, c.mul(line, c.add(ofRow ? R : C, O)));
            },
            reason);
    };
    f[row_conditional_kappa] = conditional(true);
    f[col_conditional_kappa] = conditional(false);
    f[quantity_disagreement] = finiteFigure(PO, PO.defined() ? d.quantity[kk] : 0.0);
    f[allocation_disagreement] = finiteFigure(PO, PO.defined() ? d.allocation[kk] : 0.0);
    return entry;
}

} // namespace brennic::report
