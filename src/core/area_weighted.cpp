// The area-weighted estimates of a sample stratified by map class (Olofsson et
// al. 2014): overall accuracy, each class's accuracies and its estimated area.
#include "report_parts.h"

#include <cmath>

namespace brennic::report {

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
    std::vector<double> rowOff(N, 0.0), colOff(N, 0.0);
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            if (i != j) {
                rowOff[idx(i)] += at(i, j);
                colOff[idx(j)] += at(i, j);
            }
    const Disagreement d = disagreement(n, rowOff, colOff, 1.0);
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

} // namespace brennic::report
