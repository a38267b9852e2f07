// Every estimate is a stratified mean of a 0-or-1 value per sample unit, or a
// ratio of two such means; both are formed from the counts alone. A stratum
// that spoils a figure (no units, one unit, a size too small) is named in it.
#include "core/stratified.h"

#include <cmath>
#include <tuple>

#include "core/interval.h"
#include "core/kappa.h"
#include "core/report_parts.h"
#include "core/student_t.h"

namespace brennic {
namespace {

using Kind = ArithmeticKind;

std::string overflowOnly(Kind) {
    return OverflowCause;
}

// "Stratum "B"", or "stratum "B"" within a sentence.
std::string named(const std::string& stratum, bool first = true) {
    return (first ? "Stratum \"" : "stratum \"") + stratum + "\"";
}

// A count for a message: whole counts without a fraction.
std::string countText(double count) {
    if (count == std::trunc(count) && std::fabs(count) < 1e15)
        return std::to_string(static_cast<long long>(count));
    return std::to_string(count);
}

// The counts of one stratum: n_h, and per class its units in the map, in the
// reference and in both.
struct StratumCounts {
    std::size_t q;
    double n = 0.0;
    std::vector<double> mapped, found, agreed;
    explicit StratumCounts(std::size_t classes)
        : q(classes), mapped(classes, 0.0), found(classes, 0.0), agreed(classes, 0.0) {}
};

} // namespace

std::string ClassInReason(const std::vector<std::string>& labels, std::size_t k) {
    return k < labels.size() ? "\"" + labels[k] + "\"" : std::to_string(k + 1);
}

StrataWeights WeighStrata(const std::vector<std::string>& strata, const std::vector<double>& sizes,
                          const std::vector<double>& units, bool finitePopulationCorrection) {
    StrataWeights w;
    double N = 0.0;
    for (double Nh : sizes)
        N += Nh;
    if (strata.empty())
        w.estimates = Figure::NotDefined("The sample holds no stratum.");
    for (std::size_t h = 0; h < strata.size() && w.estimates.defined(); ++h) {
        const double Nh = sizes[h], nh = units[h];
        if (!(Nh > 0.0) || !std::isfinite(Nh))
            w.estimates = Figure::NotDefined("The size of " + named(strata[h], false) +
                                             " is not a positive number, so the share of "
                                             "the area it stands for is not known.");
        else if (!(nh > 0.0))
            w.estimates =
                Figure::NotDefined(named(strata[h]) + " holds no sample unit, so the shares of the "
                                                      "classes within it cannot be estimated.");
    }
    if (w.estimates.defined() && !std::isfinite(N))
        w.estimates = Figure::NotDefined(OverflowCause);
    w.variances = w.estimates;
    for (std::size_t h = 0; h < strata.size() && w.variances.defined(); ++h) {
        const double Nh = sizes[h], nh = units[h];
        if (nh - 1.0 <= 0.0)
            w.variances = Figure::NotDefined(
                named(strata[h]) +
                " holds a single sample unit, so the variance within it (which divides by "
                "n_h - 1) is not defined, nor is any standard error.");
        else if (finitePopulationCorrection && nh > Nh)
            w.variances = Figure::NotDefined(
                named(strata[h]) + " holds " + countText(nh) + " sample units but its size is " +
                countText(Nh) + ", so the finite-population correction 1 - n_h/N_h is negative.");
    }
    const std::size_t H = strata.size();
    w.W.assign(H, 0.0);
    w.varianceWeight.assign(H, 0.0);
    if (w.estimates.defined())
        for (std::size_t h = 0; h < H; ++h) {
            w.W[h] = sizes[h] / N;
            const double f = finitePopulationCorrection ? units[h] / sizes[h] : 0.0;
            w.varianceWeight[h] = w.W[h] * w.W[h] * (1.0 - f);
        }
    return w;
}

namespace {

// A stratified mean of a 0-or-1 value: its estimate sum W_h ybar_h, and the
// standard error (sum W_h^2 (1 - f_h) s^2_h / n_h)^0.5 with s^2_h = n_h ybar_h
// (1 - ybar_h) / (n_h - 1), the sample variance of such a value.
template <typename Count>
std::pair<Figure, Figure> stratifiedMean(const std::vector<StratumCounts>& counts,
                                         const StrataWeights& w, Count count) {
    const std::size_t H = counts.size();
    Figure estimate = FormFigure(
        Step::Report, {&w.estimates},
        [&](CheckedArithmetic& c) {
            double sum = 0.0;
            for (std::size_t h = 0; h < H; ++h)
                sum += w.W[h] * (count(counts[h]) / counts[h].n);
            return c.finite(sum);
        },
        overflowOnly);
    Figure se = FormFigure(
        Step::Report, {&w.variances, &estimate},
        [&](CheckedArithmetic& c) {
            double sum = 0.0;
            for (std::size_t h = 0; h < H; ++h) {
                const double nh = counts[h].n, y = count(counts[h]) / nh;
                sum += w.varianceWeight[h] * y * (1.0 - y) / (nh - 1.0);
            }
            return c.sqrt(c.finite(sum));
        },
        overflowOnly);
    return {std::move(estimate), std::move(se)};
}

// A combined ratio estimator R = Y^ / X^ of two stratified means, where a unit
// counted in y (`both`) is always counted in x (`of`). Its variance is the
// stratified variance of the residual e = y - R x over X^^2; the residual takes
// three values in a stratum (1 - R, -R and 0), so s^2 of e is a sum of squares
// and never comes out negative by rounding.
template <typename Both, typename Of>
std::pair<Figure, Figure> stratifiedRatio(const std::vector<StratumCounts>& counts,
                                          const StrataWeights& w, Both both, Of of,
                                          const std::string& noneReason) {
    const std::size_t H = counts.size();
    double Y = 0.0, X = 0.0;
    if (w.estimates.defined())
        for (std::size_t h = 0; h < H; ++h) {
            Y += w.W[h] * (both(counts[h]) / counts[h].n);
            X += w.W[h] * (of(counts[h]) / counts[h].n);
        }
    const auto reason = [&](Kind kind) {
        return kind == Kind::Overflow ? OverflowCause : noneReason;
    };
    Figure ratio = FormFigure(
        Step::Report, {&w.estimates},
        [&](CheckedArithmetic& c) { return c.div(c.finite(Y), c.finite(X)); }, reason);
    Figure se = FormFigure(
        Step::Report, {&w.variances, &ratio},
        [&](CheckedArithmetic& c) {
            const double R = *ratio.value;
            double sum = 0.0;
            for (std::size_t h = 0; h < H; ++h) {
                const double nh = counts[h].n, a = both(counts[h]), b = of(counts[h]);
                const double mean = (a - R * b) / nh;
                const double hit = 1.0 - R - mean, miss = R + mean;
                const double squares =
                    a * hit * hit + (b - a) * miss * miss + (nh - b) * mean * mean;
                sum += w.varianceWeight[h] * (squares / (nh - 1.0)) / nh;
            }
            return c.div(c.sqrt(c.finite(sum)), X);
        },
        reason);
    return {std::move(ratio), std::move(se)};
}

} // namespace

StratifiedEstimates EstimateStratified(const StratifiedSample& s, double confidence) {
    const double z = TwoSidedNormalPoint(confidence);
    const std::size_t H = s.strata.size(), q = s.classes;
    std::vector<StratumCounts> counts(H, StratumCounts(q));
    std::vector<double> cellCounts(q * q, 0.0); // summed over strata only after the weights
    for (const StratifiedCell& cell : s.cells) {
        StratumCounts& c = counts[cell.stratum];
        c.n += cell.count;
        c.mapped[cell.map] += cell.count;
        c.found[cell.reference] += cell.count;
        if (cell.map == cell.reference)
            c.agreed[cell.map] += cell.count;
    }
    std::vector<double> units;
    for (const StratumCounts& c : counts)
        units.push_back(c.n);
    const StrataWeights w =
        WeighStrata(s.strata, s.stratumSizes, units, s.finitePopulationCorrection);

    StratifiedEstimates out;
    for (const StratumCounts& c : counts)
        out.sampleSizes.push_back(c.n);

    // p^_ij = sum over h of W_h n_hij / n_h, from the cells as they come.
    if (w.estimates.defined())
        for (const StratifiedCell& cell : s.cells)
            cellCounts[cell.map * q + cell.reference] +=
                w.W[cell.stratum] * (cell.count / counts[cell.stratum].n);
    out.areaProportions.reserve(q * q);
    for (double p : cellCounts)
        out.areaProportions.push_back(FormFigure(
            Step::Report, {&w.estimates}, [&](CheckedArithmetic& c) { return c.finite(p); },
            overflowOnly));

    {
        using enum StratifiedFigure;
        auto [estimate, se] = stratifiedMean(counts, w, [](const StratumCounts& c) {
            double agreed = 0.0;
            for (double x : c.agreed)
                agreed += x;
            return agreed;
        });
        out.figures[overall_accuracy] = std::move(estimate);
        out.figures[overall_accuracy_se] = std::move(se);
        std::tie(out.figures[overall_accuracy_ci_low], out.figures[overall_accuracy_ci_high]) =
            NormalInterval(out.figures[overall_accuracy], out.figures[overall_accuracy_se], z);
    }

    out.classes.reserve(q);
    for (std::size_t k = 0; k < q; ++k) {
        using enum StratifiedClassFigure;
        StratifiedClassEntry entry;
        entry.k = static_cast<int>(k + 1);
        FigureRow<StratifiedClassFigure>& f = entry.figures;
        const std::string K = ClassInReason(s.classLabels, k);
        const auto agreed = [k](const StratumCounts& c) { return c.agreed[k]; };
        auto users = stratifiedRatio(
            counts, w, agreed, [k](const StratumCounts& c) { return c.mapped[k]; },
            "No sample unit is mapped as class " + K + ", so its user's accuracy is not defined.");
        f[users_accuracy] = std::move(users.first);
        f[users_accuracy_se] = std::move(users.second);
        auto producers = stratifiedRatio(
            counts, w, agreed, [k](const StratumCounts& c) { return c.found[k]; },
            "No sample unit is of reference class " + K +
                ", so its producer's accuracy is not defined.");
        f[producers_accuracy] = std::move(producers.first);
        f[producers_accuracy_se] = std::move(producers.second);
        auto area = stratifiedMean(counts, w, [k](const StratumCounts& c) { return c.found[k]; });
        f[area_proportion] = std::move(area.first);
        f[area_proportion_se] = std::move(area.second);
        for (const auto& [value, se, low, high] :
             {std::tuple{users_accuracy, users_accuracy_se, users_accuracy_ci_low,
                         users_accuracy_ci_high},
              std::tuple{producers_accuracy, producers_accuracy_se, producers_accuracy_ci_low,
                         producers_accuracy_ci_high},
              std::tuple{area_proportion, area_proportion_se, area_proportion_ci_low,
                         area_proportion_ci_high}})
            std::tie(f[low], f[high]) = NormalInterval(f[value], f[se], z);
        f[f1] = report::formF1(f[users_accuracy], f[producers_accuracy], entry.k);
        out.classes.push_back(std::move(entry));
    }
    return out;
}

} // namespace brennic
