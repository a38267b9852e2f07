// The ratings report in two passes over the stored rows of ratings: the first
// forms the totals every coefficient needs, the second each unit's linearised
// terms. A row that stands for several units counts as many times.
#include "core/ratings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/student_t.h"

namespace brennic {
namespace {

// One unit's ratings: the raters who gave one and the classes they gave.
struct UnitRatings {
    std::size_t count = 0;
    std::vector<std::size_t> rater;
    std::vector<std::size_t> cls;

    void read(const std::uint8_t* row, std::size_t raters) {
        count = 0;
        for (std::size_t g = 0; g < raters; ++g)
            if (row[g] != NoRating) {
                rater[count] = g;
                cls[count] = row[g];
                ++count;
            }
    }
    // The sum of w(k, l) over the ordered pairs of two different raters: the
    // agreement sum of the handbook, sum over k of r_ik (r*_ik - 1).
    double pairAgreement(const std::vector<double>& w, std::size_t q) const {
        double sum = 0.0;
        for (std::size_t a = 0; a < count; ++a)
            for (std::size_t b = 0; b < count; ++b)
                if (a != b)
                    sum += w[cls[a] * q + cls[b]];
        return sum;
    }
};

double asDouble(std::uint64_t n) {
    return static_cast<double>(n);
}

// A sum of a million terms and more, compensated (Neumaier), so that the
// figures keep their digits whatever the number of units.
class Sum {
  public:
    void add(double x) {
        const double t = m_sum + x;
        m_carry += std::fabs(m_sum) >= std::fabs(x) ? (m_sum - t) + x : (x - t) + m_sum;
        m_sum = t;
    }
    double value() const { return m_sum + m_carry; }

  private:
    double m_sum = 0.0, m_carry = 0.0;
};

// A chance-corrected coefficient (pa - pe) / (1 - pe) while it is formed.
struct Chance {
    Figure value = Figure::NotDefined("not formed");
    double pe = 0.0;
    Sum sumSquares; // of the linearised terms about the value
    bool defined() const { return value.defined(); }
    double c() const { return *value.value; }

    void form(double pa, double chance) {
        pe = chance;
        if (!std::isfinite(chance))
            value = Figure::NotDefined("the chance agreement cannot be formed");
        else if (chance == 1.0)
            value = Figure::NotDefined("the chance agreement is 1, so nothing is left beyond "
                                       "chance; every rating is in one class");
        else
            value = Figure::Of((pa - chance) / (1.0 - chance));
    }
};

// The standard error sqrt(sum / (m (m - 1))) over m units, the interval with
// t(upper, n - 1) (t(0.975, n - 1) at 95%) and the one-sided p-value
// 1 - T(C / se, n - 1).
CoefficientFigures finish(const Figure& value, const Sum& sum, std::uint64_t m, std::uint64_t n,
                          double upper) {
    if (!value.defined())
        return {value, value, value, value, value};
    CoefficientFigures out{value, {}, {}, {}, {}};
    if (m < 2 || n < 2) {
        const Figure none = Figure::NotDefined(
            "a standard error needs two units or more with the ratings this coefficient uses");
        out.se = out.ci_low = out.ci_high = out.p = none;
        return out;
    }
    const double c = *value.value;
    const double se = std::sqrt(sum.value() / (asDouble(m) * asDouble(m - 1)));
    const double df = asDouble(n - 1);
    const double t = StudentTQuantile(upper, df);
    out.se = Figure::Of(se);
    out.ci_low = Figure::Of(c - t * se);
    out.ci_high = Figure::Of(std::min(1.0, c + t * se));
    out.p = se > 0.0 ? Figure::Of(StudentTUpperTail(c / se, df))
                     : Figure::NotDefined("the standard error is 0, so there is no t statistic");
    return out;
}

// Krippendorff's alpha, 1 - (n.. - 1) sum o_ck d_ck / sum n_c n_k d_ck, from the
// coincidence matrix `o` with his metric of each level on the class values.
std::array<Figure, MeasurementLevelCount> alphaByLevel(const std::vector<Sum>& sums,
                                                       const std::vector<double>& x) {
    const std::size_t q = x.size();
    std::vector<double> o(q * q);
    for (std::size_t i = 0; i < q * q; ++i)
        o[i] = sums[i].value();
    std::vector<double> nc(q, 0.0);
    double total = 0.0;
    for (std::size_t c = 0; c < q; ++c)
        for (std::size_t k = 0; k < q; ++k)
            nc[c] += o[c * q + k];
    for (double v : nc)
        total += v;
    std::array<Figure, MeasurementLevelCount> out;
    for (std::size_t level = 0; level < MeasurementLevelCount; ++level) {
        double observed = 0.0, expected = 0.0;
        bool formed = true;
        for (std::size_t c = 0; c < q && formed; ++c)
            for (std::size_t k = 0; k < q; ++k) {
                if (c == k)
                    continue;
                double d = 1.0;
                switch (static_cast<MeasurementLevel>(level)) {
                case MeasurementLevel::nominal:
                    break;
                case MeasurementLevel::ordinal: {
                    // The classes between c and k, both ends counted by half.
                    double between = 0.0;
                    for (std::size_t g = std::min(c, k); g <= std::max(c, k); ++g)
                        between += nc[g];
                    between -= (nc[c] + nc[k]) / 2.0;
                    d = between * between;
                    break;
                }
                case MeasurementLevel::interval:
                    d = (x[c] - x[k]) * (x[c] - x[k]);
                    break;
                case MeasurementLevel::ratio:
                    formed = x[c] + x[k] != 0.0;
                    d = formed ? ((x[c] - x[k]) / (x[c] + x[k])) * ((x[c] - x[k]) / (x[c] + x[k]))
                               : 0.0;
                    break;
                }
                observed += o[c * q + k] * d;
                expected += nc[c] * nc[k] * d;
            }
        if (!formed)
            out[level] = Figure::NotDefined(
                "the ratio metric cannot be formed for two classes whose values add up to 0");
        else if (expected == 0.0)
            out[level] = Figure::NotDefined(
                "the expected disagreement is 0: every pairable rating is in one class");
        else
            out[level] = Figure::Of(1.0 - (total - 1.0) * observed / expected);
    }
    return out;
}

} // namespace

std::variant<RatingsReport, std::string>
ComputeRatingsReport(const RatingsTable& table, RatingWeights weights, double confidence) {
    const double upper = UpperPoint(confidence);
    const std::size_t r = table.raters;
    const std::size_t q = table.labels.size();
    if (r < 2)
        return std::string("the ratings need at least two raters (columns); the input has ") +
               (r == 1 ? "one" : "none");
    std::string why;
    const auto weightMatrix = RatingWeightMatrix(weights, q, table.values, why);
    if (!weightMatrix)
        return why;
    const std::vector<double>& w = *weightMatrix;
    const bool levels = table.values.size() == q;

    // Pass 1: counts and sums over the units.
    const std::size_t unitCount = r ? table.ratings.size() / r : 0;
    const bool counted = !table.units.empty();
    const auto unitsOf = [&](std::size_t i) { return counted ? table.units[i] : 1u; };
    UnitRatings unit{0, std::vector<std::size_t>(r), std::vector<std::size_t>(r)};
    std::uint64_t n = 0, n2 = 0;
    std::vector<std::uint64_t> classCount(q, 0), pairableCount(q, 0);
    std::vector<std::uint64_t> raterCount(r * q, 0), raterUnits(r, 0);
    std::vector<Sum> fleissShare(q);
    std::vector<Sum> coincidence(levels ? q * q : 0);
    Sum paSum, krippSum;
    std::uint64_t pairableRatings = 0;
    // Each unit that holds ratings and counts: its count m, m as a double, and its
    // number of ratings, with `unit` read.
    const auto forEachUnit = [&](const auto& visit) {
        for (std::size_t i = 0; i < unitCount; ++i) {
            unit.read(&table.ratings[i * r], r);
            const std::uint64_t m = unitsOf(i);
            if (unit.count != 0 && m != 0)
                visit(m, asDouble(m), asDouble(unit.count));
        }
    };
    forEachUnit([&](std::uint64_t m, double md, double ri) {
        n += m;
        for (std::size_t a = 0; a < unit.count; ++a) {
            classCount[unit.cls[a]] += m;
            raterCount[unit.rater[a] * q + unit.cls[a]] += m;
            raterUnits[unit.rater[a]] += m;
            fleissShare[unit.cls[a]].add(md / ri);
        }
        if (unit.count < 2)
            return;
        n2 += m;
        const double s = unit.pairAgreement(w, q);
        paSum.add(md * s / (ri * (ri - 1.0)));
        krippSum.add(md * s / (ri - 1.0));
        pairableRatings += m * unit.count;
        for (std::size_t a = 0; a < unit.count; ++a) {
            pairableCount[unit.cls[a]] += m;
            if (levels)
                for (std::size_t b = 0; b < unit.count; ++b)
                    if (a != b)
                        coincidence[unit.cls[a] * q + unit.cls[b]].add(md / (ri - 1.0));
        }
    });
    if (n2 == 0)
        return std::string("no unit has two ratings; agreement needs at least one unit rated "
                           "by two raters");

    RatingsReport report;
    report.confidence = confidence;
    report.units = n;
    report.pairableUnits = n2;
    report.raters = r;
    report.weights = weights;
    for (std::size_t k = 0; k < q; ++k)
        report.classes.push_back({table.labels[k], classCount[k]});

    // The totals of each coefficient.
    const double nd = asDouble(n), n2d = asDouble(n2), rd = asDouble(r);
    const double pa = paSum.value() / n2d;
    double weightSum = 0.0;
    for (double v : w)
        weightSum += v;
    std::vector<double> pi(q), piPairable(q);
    for (std::size_t k = 0; k < q; ++k) {
        pi[k] = fleissShare[k].value() / nd;
        piPairable[k] = asDouble(pairableCount[k]) / asDouble(pairableRatings);
    }
    // (W + W') / 2 times a share vector, and the quadratic form of W.
    const auto symmetricTimes = [&](const std::vector<double>& p) {
        std::vector<double> v(q, 0.0);
        for (std::size_t k = 0; k < q; ++k)
            for (std::size_t l = 0; l < q; ++l)
                v[k] += (w[k * q + l] + w[l * q + k]) / 2.0 * p[l];
        return v;
    };
    const auto quadratic = [&](const std::vector<double>& p, const std::vector<double>& v) {
        double sum = 0.0;
        for (std::size_t k = 0; k < q; ++k)
            sum += p[k] * v[k];
        return sum;
    };

    const std::vector<double> fleissV = symmetricTimes(pi);
    Chance fleiss, gwet, bp, conger, kripp;
    fleiss.form(pa, quadratic(pi, fleissV));
    double spread = 0.0;
    for (double p : pi)
        spread += p * (1.0 - p);
    // A unit rated twice has a class, so q >= 1 here; AC1 divides by q - 1.
    const double gwetFactor = q >= 2 ? weightSum / (asDouble(q) * asDouble(q - 1))
                                     : std::numeric_limits<double>::quiet_NaN();
    gwet.form(pa, gwetFactor * spread);
    if (q < 2)
        gwet.value = Figure::NotDefined("Gwet's AC1 needs two classes or more; the ratings hold "
                                        "one (--classes adds classes never given)");
    bp.form(pa, weightSum / (asDouble(q) * asDouble(q)));

    // Conger: each rater's shares p_gk; pe is the mean over ordered pairs of two
    // raters of sum w_kl p_gk p_hl. A[g][l] = sum_k w_kl (S_k - p_gk) is the
    // derivative behind each unit's term, B[g] = sum_l p_gl A[g][l].
    std::vector<double> share(r * q, 0.0), sums(q, 0.0), a(r * q, 0.0), b(r, 0.0);
    const auto silent = std::find(raterUnits.begin(), raterUnits.end(), std::uint64_t{0});
    if (silent != raterUnits.end()) {
        conger.value =
            Figure::NotDefined("rater " + std::to_string(silent - raterUnits.begin() + 1) +
                               " gives no rating, so that rater's class shares are not defined");
    } else {
        for (std::size_t g = 0; g < r; ++g)
            for (std::size_t k = 0; k < q; ++k) {
                share[g * q + k] = asDouble(raterCount[g * q + k]) / asDouble(raterUnits[g]);
                sums[k] += share[g * q + k];
            }
        double pairSum = 0.0;
        for (std::size_t g = 0; g < r; ++g)
            for (std::size_t l = 0; l < q; ++l) {
                for (std::size_t k = 0; k < q; ++k)
                    a[g * q + l] += w[k * q + l] * (sums[k] - share[g * q + k]);
                b[g] += share[g * q + l] * a[g * q + l];
            }
        for (double v : b)
            pairSum += v;
        conger.form(pa, pairSum / (rd * (rd - 1.0)));
    }

    // Krippendorff over the pairable units: pa = (1 - e) pa' + e with e = 1 / the
    // pairable ratings. His alpha is formed with e; its standard error is that of
    // alpha' = (pa' - pe) / (1 - pe), as in the handbook, the two differing by
    // a term of order 1 / the ratings.
    const double rBar = asDouble(pairableRatings) / n2d;
    const double paPrime = krippSum.value() / (rBar * n2d);
    const double epsilon = 1.0 / asDouble(pairableRatings);
    const std::vector<double> krippV = symmetricTimes(piPairable);
    kripp.form((1.0 - epsilon) * paPrime + epsilon, quadratic(piPairable, krippV));
    const double alphaPrime = (paPrime - kripp.pe) / (1.0 - kripp.pe);

    // Pass 2: each unit's linearised term.
    Sum paSquares;
    forEachUnit([&](std::uint64_t, double md, double ri) {
        const bool pairable = unit.count >= 2;
        const double s = pairable ? unit.pairAgreement(w, q) : 0.0;
        const double paUnit = pairable ? s / (ri * (ri - 1.0)) : 0.0;
        const double paTerm = nd / n2d * paUnit;
        paSquares.add(md * (paTerm - pa) * (paTerm - pa));

        double fleissSum = 0.0, gwetSum = 0.0, congerSum = 0.0, krippSumUnit = 0.0;
        for (std::size_t x = 0; x < unit.count; ++x) {
            const std::size_t c = unit.cls[x], g = unit.rater[x];
            fleissSum += fleissV[c];
            gwetSum += 1.0 - pi[c];
            krippSumUnit += krippV[c];
            if (conger.defined())
                congerSum += nd / asDouble(raterUnits[g]) * (a[g * q + c] - b[g]);
        }
        // (n / n2)(pa_i - pe [r_i >= 2]) / (1 - pe) - 2 (1 - C)(pe_i - pe) / (1 - pe)
        const auto accumulate = [&](Chance& k, double peUnit) {
            if (!k.defined())
                return;
            const double term = nd / n2d * (paUnit - (pairable ? k.pe : 0.0)) / (1.0 - k.pe) -
                                2.0 * (1.0 - k.c()) * (peUnit - k.pe) / (1.0 - k.pe);
            k.sumSquares.add(md * (term - k.c()) * (term - k.c()));
        };
        accumulate(fleiss, fleissSum / ri);
        accumulate(gwet, gwetFactor * gwetSum / ri);
        accumulate(bp, bp.pe);
        accumulate(conger, conger.pe + congerSum / (rd * (rd - 1.0)));
        if (pairable && kripp.defined()) {
            const double paK = s / (rBar * (ri - 1.0)) - paPrime * (ri - rBar) / rBar;
            const double peK = krippSumUnit / rBar - kripp.pe * (ri - rBar) / rBar;
            const double term = (paK - kripp.pe) / (1.0 - kripp.pe) -
                                2.0 * (1.0 - alphaPrime) * (peK - kripp.pe) / (1.0 - kripp.pe);
            kripp.sumSquares.add(md * (term - alphaPrime) * (term - alphaPrime));
        }
    });

    using enum RatingsCoefficient;
    const auto at = [&](RatingsCoefficient c) -> CoefficientFigures& {
        return report.coefficients[static_cast<std::size_t>(c)];
    };
    at(percent_agreement) = finish(Figure::Of(pa), paSquares, n, n, upper);
    at(fleiss_kappa) = finish(fleiss.value, fleiss.sumSquares, n, n, upper);
    at(conger_kappa) = finish(conger.value, conger.sumSquares, n, n, upper);
    at(gwet_ac1) = finish(gwet.value, gwet.sumSquares, n, n, upper);
    at(brennan_prediger) = finish(bp.value, bp.sumSquares, n, n, upper);
    at(krippendorff_alpha) = finish(kripp.value, kripp.sumSquares, n2, n, upper);
    if (levels)
        report.krippendorffByLevel = alphaByLevel(coincidence, table.values);
    return report;
}

} // namespace brennic
