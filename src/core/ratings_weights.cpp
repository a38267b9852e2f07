// The weights of Gwet's handbook and the names of the ratings report's parts.
// Every weight is 1 - d(k, l) / max d over the classes, d a distance of the pair.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/ratings.h"

namespace brennic {
namespace {

constexpr std::array<std::string_view, 8> WeightNames = {
    "none", "linear", "quadratic", "ordinal", "radical", "ratio", "circular", "bipolar"};

} // namespace

std::string_view RatingWeightsName(RatingWeights weights) {
    return WeightNames[static_cast<std::size_t>(weights)];
}

std::optional<RatingWeights> RatingWeightsFromName(std::string_view name) {
    for (std::size_t i = 0; i < WeightNames.size(); ++i)
        if (WeightNames[i] == name)
            return static_cast<RatingWeights>(i);
    return std::nullopt;
}

std::string_view RatingsCoefficientName(RatingsCoefficient c, RatingWeights weights) {
    constexpr std::array<std::string_view, RatingsCoefficientCount> names = {
        "percent_agreement", "fleiss_kappa",     "conger_kappa",
        "gwet_ac1",          "brennan_prediger", "krippendorff_alpha"};
    // Weighted, each is another coefficient, and its name says so; Gwet's AC1
    // weighted is his AC2.
    constexpr std::array<std::string_view, RatingsCoefficientCount> weighted = {
        "weighted_percent_agreement", "weighted_fleiss_kappa",
        "weighted_conger_kappa",      "gwet_ac2",
        "weighted_brennan_prediger",  "weighted_krippendorff_alpha"};
    return (weights == RatingWeights::None ? names : weighted)[static_cast<std::size_t>(c)];
}

std::string_view MeasurementLevelName(MeasurementLevel level) {
    constexpr std::array<std::string_view, MeasurementLevelCount> names = {"nominal", "ordinal",
                                                                           "interval", "ratio"};
    return names[static_cast<std::size_t>(level)];
}

std::optional<std::vector<double>> RatingWeightMatrix(RatingWeights weights, std::size_t q,
                                                      const std::vector<double>& values,
                                                      std::string& why) {
    std::vector<double> x(q), rank(q);
    for (std::size_t k = 0; k < q; ++k) {
        rank[k] = static_cast<double>(k + 1);
        x[k] = values.size() == q ? values[k] : rank[k];
    }
    const double xMin = q ? *std::min_element(x.begin(), x.end()) : 0.0;
    const double xMax = q ? *std::max_element(x.begin(), x.end()) : 0.0;
    std::vector<double> d(q * q, 0.0);
    for (std::size_t k = 0; k < q; ++k)
        for (std::size_t l = 0; l < q; ++l) {
            if (k == l)
                continue;
            const double a = x[k], b = x[l];
            double& out = d[k * q + l];
            switch (weights) {
            case RatingWeights::None:
                out = 1.0;
                break;
            case RatingWeights::Linear:
                out = std::fabs(a - b);
                break;
            case RatingWeights::Quadratic:
                out = (a - b) * (a - b);
                break;
            case RatingWeights::Ordinal: {
                const double m = std::fabs(rank[k] - rank[l]) + 1.0;
                out = m * (m - 1.0) / 2.0;
                break;
            }
            case RatingWeights::Radical:
                out = std::sqrt(std::fabs(a - b));
                break;
            case RatingWeights::Ratio:
                if (a + b == 0.0) {
                    why = "ratio weights cannot be formed for two classes whose values add up to 0";
                    return std::nullopt;
                }
                out = ((a - b) / (a + b)) * ((a - b) / (a + b));
                break;
            case RatingWeights::Circular: {
                const double s = std::sin(std::numbers::pi * (a - b) / (xMax - xMin + 1.0));
                out = s * s;
                break;
            }
            case RatingWeights::Bipolar:
                out = (a - b) * (a - b) / ((a + b - 2.0 * xMin) * (2.0 * xMax - a - b));
                break;
            }
        }
    const double dMax = q ? *std::max_element(d.begin(), d.end()) : 0.0;
    if (!std::isfinite(dMax)) {
        why = "the weights cannot be formed from these class values";
        return std::nullopt;
    }
    std::vector<double> w(q * q, 1.0);
    if (dMax > 0.0)
        for (std::size_t i = 0; i < q * q; ++i)
            w[i] = 1.0 - d[i] / dMax;
    return w;
}

} // namespace brennic
