// Which of two maps is the more accurate: the comparison of two classifications
// of the same reference units (related samples), and of two assessments made on
// independent samples (Foody 2004, Photogrammetric Engineering & Remote Sensing
// 70: 627-633).
//
// Data flow, related samples: the counts n_habr of units of stratum h that map
// A puts in class a, map B in class b and the reference in class r -> the 2 x 2
// table of units right in both, in A only, in B only, in neither -> McNemar's
// test on the units only one map got right (a simple random sample only) -> the
// difference of overall accuracy, the mean of y_u = 1[A right] - 1[B right],
// and per class the differences of user's and producer's accuracy, ratios on
// the same units, each with its standard error by linearization. A sample
// without strata is one stratum of weight 1, so that the same estimators of
// Stehman (2014) give the paired figures and the stratified ones.
//
// Independent samples: kappa and overall accuracy of two reports with their
// standard errors -> z = (A - B) / (se_A^2 + se_B^2)^0.5, its p-value and the
// interval of the difference.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/figure_catalogue.h"

namespace brennic {

// n_habr: how many units of stratum h map A puts in class a, map B in class b
// and the reference in class r (all counted from 0).
struct ComparedCell {
    std::size_t stratum = 0;
    std::size_t a = 0;
    std::size_t b = 0;
    std::size_t reference = 0;
    double count = 0.0;
};

struct ComparedSample {
    // The strata with their sizes N_h; none for a simple random sample, which
    // McNemar's test and the paired differences take the units to be.
    std::vector<std::string> strata;
    std::vector<double> stratumSizes;
    bool finitePopulationCorrection = false;
    std::size_t classes = 0;              // q
    std::vector<std::string> classLabels; // for the reasons; empty: the classes' numbers
    std::vector<ComparedCell> cells;      // a quadruple given more than once is added up
};

// The figures of the whole sample.
enum class ComparisonFigure : std::size_t {
    both_right,
    only_a_right,
    only_b_right,
    both_wrong,
    mcnemar_chi2,
    mcnemar_p,
    mcnemar_chi2_corrected,
    mcnemar_corrected_p,
    mcnemar_exact_p,
    mcnemar_mid_p,
    overall_accuracy_difference,
    overall_accuracy_difference_se,
    overall_accuracy_difference_ci_low,
    overall_accuracy_difference_ci_high,
    Count
};

// The figures of one class k.
enum class ComparisonClassFigure : std::size_t {
    users_accuracy_difference,
    users_accuracy_difference_se,
    users_accuracy_difference_ci_low,
    users_accuracy_difference_ci_high,
    producers_accuracy_difference,
    producers_accuracy_difference_se,
    producers_accuracy_difference_ci_low,
    producers_accuracy_difference_ci_high,
    Count
};

// The z-tests of two independent assessments.
enum class IndependentFigure : std::size_t {
    kappa_difference,
    kappa_difference_se,
    kappa_difference_ci_low,
    kappa_difference_ci_high,
    kappa_z,
    kappa_p,
    overall_accuracy_difference,
    overall_accuracy_difference_se,
    overall_accuracy_difference_ci_low,
    overall_accuracy_difference_ci_high,
    overall_accuracy_z,
    overall_accuracy_p,
    Count
};

namespace catalogue {

inline constexpr std::string_view ComparedUnits = "Units right in each map";
inline constexpr std::string_view McNemar =
    "McNemar's test on the units one map only got right (b: A only, c: B only)";
inline constexpr std::string_view Difference =
    "Difference of overall accuracy, A - B (y_u = 1[A right] - 1[B right])";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(ComparisonFigure::Count)>
    Comparison{{
        {"both_right", "both_right", "units both maps got right", "sample units right in A and B",
         ComparedUnits},
        {"only_a_right", "only_a_right", "units A only got right (b)",
         "sample units right in A, wrong in B", ComparedUnits},
        {"only_b_right", "only_b_right", "units B only got right (c)",
         "sample units right in B, wrong in A", ComparedUnits},
        {"both_wrong", "both_wrong", "units both maps got wrong", "sample units wrong in A and B",
         ComparedUnits},
        {"mcnemar_chi2", "mcnemar_chi2", "chi-square, 1 degree of freedom",
         "(b - c)^2 / (b + c) (McNemar 1947)", McNemar},
        {"mcnemar_p", "mcnemar_p", "its p-value", "P(chi-square with 1 df > mcnemar_chi2)",
         McNemar},
        {"mcnemar_chi2_corrected", "mcnemar_chi2_corrected", "chi-square, continuity corrected",
         "max(|b - c| - 1, 0)^2 / (b + c) (Edwards 1948)", McNemar},
        {"mcnemar_corrected_p", "mcnemar_corrected_p", "its p-value",
         "P(chi-square with 1 df > mcnemar_chi2_corrected)", McNemar},
        {"mcnemar_exact_p", "mcnemar_exact_p", "exact two-sided binomial p-value",
         "min(1, 2 P(X <= min(b, c))), X binomial with b + c trials and p = 1/2", McNemar},
        {"mcnemar_mid_p", "mcnemar_mid_p", "mid-p, the p-value to read",
         "mcnemar_exact_p - P(X = b); 1 - P(X = b) / 2 when b = c (Fagerland, Lydersen and "
         "Laake 2013, BMC Medical Research Methodology 13: 91)",
         McNemar},
        {"overall_accuracy_difference", "overall_accuracy_difference",
         "overall accuracy of A minus that of B",
         "the sum over strata of W_h ybar_h; without strata (b - c) / n", Difference},
        {"overall_accuracy_difference_se", "overall_accuracy_difference_se", "its standard error",
         "(sum of W_h^2 (1 - f_h) s^2_h / n_h)^0.5, s^2_h the variance of y_u within stratum h; "
         "without strata (((b + c) - (b - c)^2 / n) / (n (n - 1)))^0.5",
         Difference},
        Low("overall_accuracy_difference_ci_low", Difference),
        High("overall_accuracy_difference_ci_high", Difference),
    }};

inline constexpr std::string_view ComparedClasses =
    "Differences of each class, A - B (ratios on the same units, by linearization)";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(ComparisonClassFigure::Count)>
    ComparisonClass{{
        {"users_accuracy_difference", "users_accuracy_difference",
         "user's accuracy of A minus that of B", "U_A - U_B, U = Y^ / X^ (see users_accuracy)",
         ComparedClasses},
        {"users_accuracy_difference_se", "users_accuracy_difference_se", "its standard error",
         "as overall_accuracy_difference_se of e_u = (y_Au - U_A x_Au) / X^_A - (y_Bu - U_B "
         "x_Bu) / X^_B, y a unit in class k in the map and the reference, x in the map",
         ComparedClasses},
        Low("users_accuracy_difference_ci_low", ComparedClasses),
        High("users_accuracy_difference_ci_high", ComparedClasses),
        {"producers_accuracy_difference", "producers_accuracy_difference",
         "producer's accuracy of A minus that of B", "P_A - P_B", ComparedClasses},
        {"producers_accuracy_difference_se", "producers_accuracy_difference_se",
         "its standard error",
         "as users_accuracy_difference_se, x a unit in class k in the "
         "reference",
         ComparedClasses},
        Low("producers_accuracy_difference_ci_low", ComparedClasses),
        High("producers_accuracy_difference_ci_high", ComparedClasses),
    }};

inline constexpr std::string_view Independent =
    "Two independent assessments, A - B (z-test, Foody 2004)";
inline constexpr std::array<FigureInfo, static_cast<std::size_t>(IndependentFigure::Count)>
    IndependentComparison{{
        {"kappa_difference", "kappa_difference", "kappa of A minus that of B", "kappa_A - kappa_B",
         Independent},
        {"kappa_difference_se", "kappa_difference_se", "its standard error",
         "(kappa_se_A^2 + kappa_se_B^2)^0.5, the large-sample kappa_se of each report",
         Independent},
        Low("kappa_difference_ci_low", Independent),
        High("kappa_difference_ci_high", Independent),
        {"kappa_z", "kappa_z", "kappa_difference / kappa_difference_se",
         "kappa_difference / kappa_difference_se", Independent},
        {"kappa_p", "kappa_p", "its two-sided normal p-value", "2 (1 - Phi(|kappa_z|))",
         Independent},
        {"overall_accuracy_difference", "overall_accuracy_difference",
         "overall accuracy of A minus that of B", "overall_accuracy_A - overall_accuracy_B",
         Independent},
        {"overall_accuracy_difference_se", "overall_accuracy_difference_se", "its standard error",
         "(overall_accuracy_se_A^2 + overall_accuracy_se_B^2)^0.5", Independent},
        Low("overall_accuracy_difference_ci_low", Independent),
        High("overall_accuracy_difference_ci_high", Independent),
        {"overall_accuracy_z", "overall_accuracy_z",
         "overall_accuracy_difference / overall_accuracy_difference_se",
         "overall_accuracy_difference / overall_accuracy_difference_se", Independent},
        {"overall_accuracy_p", "overall_accuracy_p", "its two-sided normal p-value",
         "2 (1 - Phi(|overall_accuracy_z|))", Independent},
    }};

} // namespace catalogue

template <> constexpr std::span<const FigureInfo> Catalogue<ComparisonFigure>() {
    return catalogue::Comparison;
}
template <> constexpr std::span<const FigureInfo> Catalogue<ComparisonClassFigure>() {
    return catalogue::ComparisonClass;
}
template <> constexpr std::span<const FigureInfo> Catalogue<IndependentFigure>() {
    return catalogue::IndependentComparison;
}

struct ComparisonClassEntry {
    int k = 0; // 1 to q
    FigureRow<ComparisonClassFigure> figures;
};

struct MapComparison {
    bool stratified = false; // the differences are Stehman's; McNemar's test is not given
    FigureRow<ComparisonFigure> figures;
    std::vector<ComparisonClassEntry> classes; // class 1 to q
};

// McNemar's statistics of `b` units right in A only and `c` in B only, whole
// counts: the figures mcnemar_chi2 to mcnemar_mid_p of `row`.
void FormMcNemar(double b, double c, FigureRow<ComparisonFigure>& row);

// The comparison of two maps on the same sample units. A figure that cannot be
// formed (no discordant unit, a class no unit is mapped as, a stratum of one
// unit) says why; the others are still formed. With strata McNemar's test is
// not given, for the reason its figures carry.
MapComparison CompareMaps(const ComparedSample& sample, double confidence = 0.95);

// The z-tests of two independent assessments from each one's kappa and overall
// accuracy with their standard errors.
struct AssessedFigures {
    Figure kappa, kappaSe, overallAccuracy, overallAccuracySe;
};
FigureRow<IndependentFigure> CompareIndependent(const AssessedFigures& a, const AssessedFigures& b,
                                                double confidence = 0.95);

} // namespace brennic
