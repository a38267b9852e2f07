// The area-weighted estimates of a sample stratified by map class (Olofsson et
// al. 2014): overall accuracy, each class's accuracies and its estimated area.
#include "core/report_parts.h"

#include <array>
#include <cmath>
#include <tuple>
#include <type_traits>

namespace brennic::report {
namespace {

// The square root of the sum of w_i^2 v_i, as `scale` times `root`. Each w_i
// sqrt|v_i| is first divided by the largest of them, so that no square of a
// tiny or a huge weight leaves the range of doubles: the standard errors then
// do not depend on the unit of the areas. A negative v_i (of negative counts)
// counts against the sum, and a negative sum fails the square root.
struct ScaledRoot {
    double scale = 0.0, root = 0.0;
};

// The variances of one column's shares with their roots sqrt|v_i|, which its
// sums share; index 0 to n - 1.
struct Variances {
    std::vector<double> v, roots;
    void set(std::size_t i, double variance) {
        v[i] = variance;
        roots[i] = std::sqrt(std::fabs(variance));
    }
};

// A sum of the terms over their largest, before its checks: `summed` is false
// when the largest is 0 or not finite, and no sum was needed.
struct WeightedSum {
    double scale = 0.0, sum = 0.0;
    bool summed = false;
};

ScaledRoot rootOf(CheckedArithmetic& c, const WeightedSum& s) {
    if (!s.summed)
        return {c.finite(s.scale), 0.0};
    return {s.scale, c.sqrt(c.finite(s.sum))};
}

// The K sums of w_i^2 v_i over the same variances, with `weightsOf(i)` giving
// the K weights of term i: one pass for the largest terms, one for the sums,
// each sum adding its terms in order. `terms` is room kept from one call to the
// next.
template <class WeightsOf, class Row = std::invoke_result_t<WeightsOf, std::size_t>>
std::array<WeightedSum, std::tuple_size_v<Row>>
weightedSums(const Variances& variances, WeightsOf weightsOf, std::vector<Row>& terms) {
    constexpr std::size_t K = std::tuple_size_v<Row>;
    const std::size_t n = variances.v.size();
    std::array<WeightedSum, K> s{};
    terms.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Row w = weightsOf(i);
        for (std::size_t k = 0; k < K; ++k) {
            terms[i][k] = std::fabs(w[k]) * variances.roots[i];
            // As fmax: a NaN term leaves the largest so far.
            if (terms[i][k] > s[k].scale)
                s[k].scale = terms[i][k];
        }
    }
    bool any = false;
    for (WeightedSum& each : s) {
        each.summed = each.scale != 0.0 && std::isfinite(each.scale);
        any = any || each.summed;
    }
    if (!any)
        return s;
    // A term of 0 adds nothing (a sum that starts at +0 never reaches -0, so
    // adding either zero leaves it as it is); most cells of an error matrix are
    // empty, and they give every sum a term of 0.
    for (std::size_t i = 0; i < n; ++i) {
        bool zero = true;
        for (std::size_t k = 0; k < K; ++k)
            zero = zero && terms[i][k] == 0.0;
        if (zero)
            continue;
        for (std::size_t k = 0; k < K; ++k) {
            const double t = terms[i][k] / s[k].scale;
            s[k].sum += variances.v[i] < 0.0 ? -(t * t) : t * t;
        }
    }
    return s;
}

} // namespace

// The estimators of Olofsson et al. (2014) for a sample stratified by map class
// (the rows): p^_ij = W_i n_ij / n_i. with W_i = A_i / A. A class with a mapped
// area of 0 and no counts in its row is absent from the map: it adds nothing.
AreaWeighted formArea(const ErrorMatrix& m, const std::vector<double>& areas, double z) {
    const int n = m.size();
    AreaWeighted a;
    // The weights as shares of the total area first, from the areas over the
    // largest of them, so that no figure depends on the unit of the areas.
    double largest = 0.0, shares = 0.0;
    for (int i = 1; i <= n; ++i)
        largest = std::fmax(largest, std::fabs(areas[idx(i - 1)]));
    for (int i = 1; i <= n && largest > 0.0; ++i)
        shares += areas[idx(i - 1)] / largest;
    const double A = largest * shares;
    const Figure total =
        !std::isfinite(A)
            ? Figure::NotDefined("The mapped areas add up " + std::string(BeyondRangeText) + ".")
        : A == 0.0 ? Figure::NotDefined("The mapped areas add up to 0, so no area-weighted "
                                        "estimate can be formed.")
                   : Figure::Of(A);
    const auto absent = [&](int i) {
        return areas[idx(i - 1)] == 0.0 && m.RowTotals[idx(i)] == 0.0;
    };

    // Each row's estimates need counts in the row, and their variances need more
    // than one (they divide by n_i. - 1); a class absent from the map needs none.
    std::vector<Figure> rowCounts(idx(n + 1)), rowVariance(idx(n + 1));
    Figure allCounts = total, allVariances = total;
    for (int i = 1; i <= n; ++i) {
        const double ni = m.RowTotals[idx(i)];
        const std::string I = std::to_string(i);
        rowCounts[idx(i)] =
            absent(i)            ? Figure::NotDefined("Class " + I +
                                                      " is absent from the map (its mapped area is 0 and "
                                                                 "its row holds no counts), so it has no user's "
                                                                 "accuracy.")
            : !std::isfinite(ni) ? Figure::NotDefined("The counts of row " + I + " add up " +
                                                      std::string(BeyondRangeText) + ".")
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
        if (absent(i))
            continue;
        if (allCounts.defined() && !rowCounts[idx(i)].defined())
            allCounts = rowCounts[idx(i)];
        if (allVariances.defined() && !rowVariance[idx(i)].defined())
            allVariances = rowVariance[idx(i)];
    }

    // The estimated shares and column sums, when every row of the map has counts.
    const auto N = static_cast<std::size_t>(n + 1);
    std::vector<double> pCol(N, 0.0), W(N, 0.0), rowOff(N, 0.0), colOff(N, 0.0);
    // n_ij / n_i., 0 for a row absent from the map
    const auto share = [&](int i, int j) {
        return absent(i) ? 0.0 : m.x(i, j) / m.RowTotals[idx(i)];
    };
    // p^_ij, formed anew where it is needed (the same bits each time); 0 while a
    // row of the map has no counts.
    const auto at = [&](int i, int j) {
        return allCounts.defined() ? W[idx(i)] * share(i, j) : 0.0;
    };
    if (total.defined())
        for (int i = 1; i <= n; ++i)
            W[idx(i)] = areas[idx(i - 1)] / largest / shares;

    // Room for the variances of one column and the terms of its sums, used again
    // by every class, and the variances of the diagonal.
    std::vector<std::array<double, 2>> terms(idx(n));
    Variances v{std::vector<double>(idx(n)), std::vector<double>(idx(n))};
    std::vector<double> diagonalVariance(idx(n), 0.0);
    // Column j's sums and the variances of its shares, s (1 - s) / (n_i. - 1) of
    // the share s of cell (i, j), in one pass over its cells in their memory
    // order; the sums off the diagonal of each row gather across the columns. An
    // empty cell, or one of a row absent from the map, has a share of 0: it adds
    // nothing to any sum, and its variance is 0.
    const auto passColumn = [&](int j) {
        double col = 0.0, off = 0.0; // in registers
        for (int i = 1; i <= n; ++i) {
            const double x = m.x(i, j);
            if (x == 0.0 || absent(i)) {
                v.v[idx(i - 1)] = v.roots[idx(i - 1)] = 0.0;
                continue;
            }
            const double ni = m.RowTotals[idx(i)], s = x / ni;
            if (allCounts.defined()) {
                const double p = W[idx(i)] * s;
                col += p;
                if (i != j) {
                    rowOff[idx(i)] += p;
                    off += p;
                }
            }
            if (allVariances.defined())
                v.set(idx(i - 1), s * (1.0 - s) / (ni - 1.0));
        }
        pCol[idx(j)] = col;
        colOff[idx(j)] = off;
        diagonalVariance[idx(j - 1)] = v.v[idx(j - 1)];
    };

    for (int j = 1; j <= n; ++j) {
        using enum AreaClassFigure;
        AreaClassEntry entry;
        entry.k = j;
        FigureRow<AreaClassFigure>& f = entry.figures;
        const double nj = m.RowTotals[idx(j)];
        if (allCounts.defined())
            passColumn(j);
        f[mapped_area] = Figure::Of(areas[idx(j - 1)]);
        f[weight] = FormFigure(
            Step::Report, {&total}, [&](CheckedArithmetic&) { return W[idx(j)]; }, overflowOnly);
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
        // Worded only for a figure that fails.
        const auto noReference = [j] {
            return "No count of reference class " + std::to_string(j) +
                   " is in the sample, so its producer's accuracy is not defined.";
        };
        f[producers_accuracy] = FormFigure(
            Step::Report, {&allCounts},
            [&](CheckedArithmetic& c) { return c.div(at(j, j), pCol[idx(j)]); },
            [&](Kind kind) { return kind == Kind::Overflow ? OverflowCause : noReference(); });
        // The sums of the standard errors of its producer's accuracy and of its
        // area, over the variances of column j.
        std::array<WeightedSum, 2> sums{};
        if (allVariances.defined()) {
            const double P = f[producers_accuracy].value.value_or(0.0);
            sums = weightedSums(
                v,
                [&](std::size_t i) {
                    const int row = static_cast<int>(i) + 1;
                    return std::array<double, 2>{row == j ? W[idx(j)] * (1.0 - P) : W[idx(row)] * P,
                                                 W[idx(row)]};
                },
                terms);
        }
        // Var P_j = [W_j^2 (1 - P)^2 U (1 - U) / (n_j. - 1) + P^2 sum over i != j
        // of W_i^2 s_ij (1 - s_ij) / (n_i. - 1)] / p^_.j^2: the areas of
        // Olofsson et al.'s equation 7 over A, which cancels.
        f[producers_accuracy_se] = FormFigure(
            Step::Report, {&allVariances, &f[producers_accuracy]},
            [&](CheckedArithmetic& c) {
                const ScaledRoot r = rootOf(c, sums[0]);
                return c.mul(c.div(r.scale, pCol[idx(j)]), r.root);
            },
            [&](Kind kind) {
                return kind == Kind::DivisionByZero ? noReference() : standardErrorReason(kind);
            });
        f[f1] = formF1(f[users_accuracy], f[producers_accuracy], j);
        f[area] = FormFigure(
            Step::Report, {&allCounts},
            [&](CheckedArithmetic& c) { return c.mul(A, pCol[idx(j)]); }, overflowOnly);
        f[area_se] = FormFigure(
            Step::Report, {&allVariances},
            [&](CheckedArithmetic& c) {
                const ScaledRoot r = rootOf(c, sums[1]);
                return c.mul(c.mul(A, r.scale), r.root);
            },
            standardErrorReason);
        for (const auto& [value, se, low, high] :
             {std::tuple{users_accuracy, users_accuracy_se, users_accuracy_ci_low,
                         users_accuracy_ci_high},
              std::tuple{producers_accuracy, producers_accuracy_se, producers_accuracy_ci_low,
                         producers_accuracy_ci_high},
              std::tuple{area, area_se, area_ci_low, area_ci_high}})
            std::tie(f[low], f[high]) = NormalInterval(f[value], f[se], z);
        a.classes.push_back(std::move(entry));
    }

    // The overall figures, once every column has been passed.
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
            for (std::size_t i = 0; i < idx(n); ++i)
                v.set(i, diagonalVariance[i]);
            std::vector<std::array<double, 1>> diagonalTerms;
            const ScaledRoot r =
                rootOf(c, weightedSums(
                              v, [&](std::size_t i) { return std::array<double, 1>{W[i + 1]}; },
                              diagonalTerms)[0]);
            return c.mul(r.scale, r.root);
        },
        standardErrorReason);
    std::tie(o[overall_accuracy_ci_low], o[overall_accuracy_ci_high]) =
        NormalInterval(o[overall_accuracy], o[overall_accuracy_se], z);
    const Disagreement d = disagreement(n, rowOff, colOff, 1.0);
    o[quantity_disagreement] = finiteFigure(allCounts, d.totalQuantity);
    o[allocation_disagreement] = finiteFigure(allCounts, d.totalAllocation);

    return a;
}

} // namespace brennic::report
