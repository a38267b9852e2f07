// Agreement among any number of raters, ratings missing or not: percent
// agreement, Fleiss' and Conger's kappa, Gwet's AC1 (AC2 weighted), Brennan and
// Prediger's coefficient and Krippendorff's alpha, as Gwet's Handbook of
// Inter-Rater Reliability (4th ed., 2014) defines them, each with the standard
// error of its linearised terms, a t interval and a one-sided p-value.
//
// Data flow: the units' ratings (one class index per rater, or none) -> one
// pass for the totals (agreement, class shares, each rater's shares) -> one pass
// for each unit's linearised term -> the figures. Nothing but the rows of
// ratings (each different row once, with its number of units) and tables of the
// classes' size is kept.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/figure.h"
#include "core/limits.h"

namespace brennic {

// A rater who gave the unit no rating.
inline constexpr std::uint8_t NoRating = 0xFF;
// The classes a rating table may hold: one byte per rating, NoRating apart.
inline constexpr std::size_t MaxRatingClasses = MaxMatrixSize;

struct RatingsTable {
    std::size_t raters = 0;
    // Unit after unit, each unit's raters in their order: the class index
    // (0 to the number of classes - 1) or NoRating.
    std::vector<std::uint8_t> ratings;
    // How many units each row of `ratings` stands for, or empty when every row
    // is one unit: units with the same ratings from the same raters add the same
    // terms, so a reader may keep each different row once.
    std::vector<std::uint64_t> units;
    std::vector<std::string> labels; // of each class, in the classes' order
    // The number of each class when every label is one, else empty: weights then
    // use the ranks 1 to q, and Krippendorff's levels are not formed.
    std::vector<double> values;
    std::vector<std::string> warnings{}; // about the table as it was read
};

// Agreement weights of Gwet's handbook (chapter 3). Every one is 1 on the
// diagonal and 0 for the two classes farthest apart.
enum class RatingWeights {
    None,      // 1 for the same class, else 0
    Linear,    // 1 - |k - l| / (max - min)
    Quadratic, // 1 - (k - l)^2 / (max - min)^2
    Ordinal,   // 1 - M(k, l) / max M, M = C(|rank k - rank l| + 1, 2), ranks always
    Radical,   // 1 - sqrt|k - l| / sqrt(max - min)
    Ratio,     // 1 - ((k - l) / (k + l))^2 / its largest value
    Circular,  // 1 - sin^2(pi (k - l) / (max - min + 1)) / its largest value
    Bipolar,   // 1 - (k - l)^2 / ((k + l - 2 min)(2 max - k - l)) / its largest value
};
std::string_view RatingWeightsName(RatingWeights weights); // "none", "linear", ...
std::optional<RatingWeights> RatingWeightsFromName(std::string_view name);

// The weight matrix, row by row, for classes of these values (or ranks 1..q
// when `values` is empty); nothing, with the reason in `why`, when the weights
// cannot be formed (ratio weights of two classes k = -l).
std::optional<std::vector<double>> RatingWeightMatrix(RatingWeights weights, std::size_t classes,
                                                      const std::vector<double>& values,
                                                      std::string& why);

enum class RatingsCoefficient {
    percent_agreement,
    fleiss_kappa,
    conger_kappa,
    gwet_ac1, // AC2 when weighted
    brennan_prediger,
    krippendorff_alpha,
};
inline constexpr std::size_t RatingsCoefficientCount = 6;
// "fleiss_kappa", ...; with weights other than none the weighted coefficient's
// name, "weighted_fleiss_kappa", "gwet_ac2", ...
std::string_view RatingsCoefficientName(RatingsCoefficient c,
                                        RatingWeights weights = RatingWeights::None);

// One coefficient: its value, standard error, the 95% t interval (the upper end
// no higher than 1) and the one-sided p-value 1 - T(value / se, n - 1).
struct CoefficientFigures {
    Figure value, se, ci_low, ci_high, p;
};

enum class MeasurementLevel { nominal, ordinal, interval, ratio };
inline constexpr std::size_t MeasurementLevelCount = 4;
std::string_view MeasurementLevelName(MeasurementLevel level);

struct RatingClass {
    std::string label;
    std::uint64_t count = 0; // ratings given in this class
};

struct RatingsReport {
    std::uint64_t units = 0;         // units with at least one rating
    std::uint64_t pairableUnits = 0; // units with two ratings or more
    std::size_t raters = 0;
    RatingWeights weights = RatingWeights::None;
    double confidence = 0.95;         // the confidence level of every interval
    std::vector<RatingClass> classes; // in the table's order
    std::array<CoefficientFigures, RatingsCoefficientCount> coefficients;
    const CoefficientFigures& operator[](RatingsCoefficient c) const {
        return coefficients[static_cast<std::size_t>(c)];
    }
    // Krippendorff's alpha with his own metrics (the ordinal one built from the
    // class frequencies), when the classes are numbers.
    std::optional<std::array<Figure, MeasurementLevelCount>> krippendorffByLevel;
    std::vector<std::string> warnings{}; // the table's, written before the figures
};

// All figures of the table, or a sentence saying why there are none: fewer than
// two raters, or no unit with two ratings. A line without any rating is no unit.
// The intervals are those of the confidence level `confidence`.
std::variant<RatingsReport, std::string>
ComputeRatingsReport(const RatingsTable& table, RatingWeights weights, double confidence = 0.95);

} // namespace brennic
