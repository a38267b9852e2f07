// Area and accuracy from a stratified random sample whose strata need not be the
// map classes: the estimators of Stehman (2014, International Journal of Remote
// Sensing 35: 4923-4939), with those of Olofsson et al. (2014) as the case where
// the strata are the map classes.
//
// Data flow: the sample's counts n_hij (stratum h, map class i, reference class
// j) and the stratum sizes N_h -> per stratum the counts of each class in the
// map, in the reference and on the diagonal -> estimated means (area shares,
// overall accuracy) and ratios (user's and producer's accuracy), each with its
// standard error. Only the counts are kept, never the sample units.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "core/figure_catalogue.h"

namespace brennic {

// n_hij: how many sample units of stratum h the map puts in class i and the
// reference in class j (all three counted from 0, below the numbers of strata
// and classes of the sample).
struct StratifiedCell {
    std::size_t stratum = 0;
    std::size_t map = 0;
    std::size_t reference = 0;
    double count = 0.0;
};

struct StratifiedSample {
    std::vector<std::string> strata;         // the name of each stratum, for the reasons
    std::vector<double> stratumSizes;        // N_h: the population units (pixels) of each stratum
    std::size_t classes = 0;                 // q
    std::vector<std::string> classLabels;    // for the reasons; empty: the classes' numbers
    std::vector<StratifiedCell> cells;       // a triple given more than once is added up
    bool finitePopulationCorrection = false; // multiply each stratum's variance by 1 - n_h/N_h
};

// The figures of the whole sample.
enum class StratifiedFigure : std::size_t {
    overall_accuracy,
    overall_accuracy_se,
    overall_accuracy_ci_low,
    overall_accuracy_ci_high,
    Count
};

// The figures of one class k.
enum class StratifiedClassFigure : std::size_t {
    users_accuracy,
    users_accuracy_se,
    users_accuracy_ci_low,
    users_accuracy_ci_high,
    producers_accuracy,
    producers_accuracy_se,
    producers_accuracy_ci_low,
    producers_accuracy_ci_high,
    f1,
    area_proportion,
    area_proportion_se,
    area_proportion_ci_low,
    area_proportion_ci_high,
    Count
};

namespace catalogue {

inline constexpr std::string_view Stratified =
    "Stratified estimates (Stehman 2014), strata of any kind";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(StratifiedFigure::Count)>
    StratifiedOverall{{
        {"overall_accuracy", "overall_accuracy", "estimated overall accuracy",
         "the sum of p^_kk; p^_ij = the sum over strata of (N_h / N) n_hij / n_h", Stratified},
        {"overall_accuracy_se", "overall_accuracy_se", "its standard error",
         "(sum of (N_h / N)^2 (1 - f_h) s^2_h / n_h)^0.5, s^2_h the variance within stratum h "
         "of a unit's agreement (0 or 1), f_h = n_h / N_h with --fpc, else 0",
         Stratified},
        Low("overall_accuracy_ci_low", Stratified),
        High("overall_accuracy_ci_high", Stratified),
    }};

inline constexpr std::string_view StratifiedClasses = "Stratified estimates of each class";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(StratifiedClassFigure::Count)>
    StratifiedClass{{
        {"users_accuracy", "users_accuracy", "user's accuracy", "p^_kk / p^_k.", StratifiedClasses},
        {"users_accuracy_se", "users_accuracy_se", "its standard error",
         "ratio estimator: (sum of N_h^2 (1 - f_h) (s^2_yh + R^2 s^2_xh - 2 R s_xyh) / n_h)^0.5 / "
         "X^, y a unit in class k in both, x in class k in the map (Stehman 2014)",
         StratifiedClasses},
        Low("users_accuracy_ci_low", StratifiedClasses),
        High("users_accuracy_ci_high", StratifiedClasses),
        {"producers_accuracy", "producers_accuracy", "producer's accuracy", "p^_kk / p^_.k",
         StratifiedClasses},
        {"producers_accuracy_se", "producers_accuracy_se", "its standard error",
         "ratio estimator as users_accuracy_se, x a unit in class k in the reference",
         StratifiedClasses},
        Low("producers_accuracy_ci_low", StratifiedClasses),
        High("producers_accuracy_ci_high", StratifiedClasses),
        {"f1", "f1", "F1, harmonic mean of the two",
         "2 users_accuracy producers_accuracy / (users_accuracy + producers_accuracy)",
         StratifiedClasses},
        {"area_proportion", "area_proportion", "estimated share of the area in class k",
         "p^_.k, the reference class's share", StratifiedClasses},
        {"area_proportion_se", "area_proportion_se", "its standard error",
         "as overall_accuracy_se, y a unit in class k in the reference", StratifiedClasses},
        Low("area_proportion_ci_low", StratifiedClasses),
        High("area_proportion_ci_high", StratifiedClasses),
    }};

} // namespace catalogue

template <> constexpr std::span<const FigureInfo> Catalogue<StratifiedFigure>() {
    return catalogue::StratifiedOverall;
}
template <> constexpr std::span<const FigureInfo> Catalogue<StratifiedClassFigure>() {
    return catalogue::StratifiedClass;
}

struct StratifiedClassEntry {
    int k = 0; // 1 to q
    FigureRow<StratifiedClassFigure> figures;
};

struct StratifiedEstimates {
    FigureRow<StratifiedFigure> figures;
    std::vector<StratifiedClassEntry> classes; // class 1 to q
    std::vector<Figure> areaProportions;       // p^_ij, q by q, row by row; rows the map
    std::vector<double> sampleSizes;           // n_h, counted from the cells
};

// Class k (from 0) as the reasons name it: its label in quotes, or its number
// from 1 where the labels are not given.
std::string ClassInReason(const std::vector<std::string>& labels, std::size_t k);

// The weights of the strata and what they allow: W_h = N_h / N and the factor
// W_h^2 (1 - f_h) of each stratum's variance of a mean (f_h = n_h / N_h with the
// finite-population correction, else 0). An estimate needs every stratum to
// have a size and a unit, a standard error two units in each and, with the
// correction, no more units than the stratum's size; where they do not, the
// figure says why, naming the stratum.
struct StrataWeights {
    Figure estimates = Figure::Of(0.0); // not defined: why no estimate can be formed
    Figure variances = Figure::Of(0.0); // not defined: why no standard error can be
    std::vector<double> W, varianceWeight;
};
StrataWeights WeighStrata(const std::vector<std::string>& strata, const std::vector<double>& sizes,
                          const std::vector<double>& units, bool finitePopulationCorrection);

// The estimates of a stratified random sample. A figure that cannot be formed
// (a stratum without units or with a single one, a class never mapped or never
// found, an overflow) says why, naming the stratum or class; the others are
// still formed.
// The intervals are those of the confidence level `confidence`.
StratifiedEstimates EstimateStratified(const StratifiedSample& sample, double confidence = 0.95);

} // namespace brennic
