// The full agreement report of brennic-kappa --report: the seven figures of
// Result.txt, the large-sample standard errors of Fleiss, Cohen and Everitt
// (1969), the overall accuracy and the chance-robust coefficients (Scott's pi,
// Gwet's AC1, Brennan-Prediger, Krippendorff's alpha), quantity and allocation
// disagreement (Pontius and Millones 2011), a weighted kappa (Cohen 1968), the
// figures of each class, and with the mapped areas the area-weighted estimates
// of a sample stratified by map class (Olofsson et al. 2014).
//
// Data flow: error matrix -> the seven, to the last bit -> proportions p_ij,
// p_i., p_.j and sums of counts (off the diagonal, of the other classes) ->
// every further figure, formed from those sums where 1 - po and 1 - pe would
// otherwise lose their digits. Each figure has a value or says in words why it
// cannot be formed; one that cannot be formed never stops the others. The
// families of figures live in files of their own (report_parts.h lists them).
// Rows are the classification, columns the reference.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/error_matrix.h"
#include "core/figure_catalogue.h"

namespace brennic {

// Agreement weights of a weighted kappa; w(i, i) is 1 and w(1, n) is 0.
enum class Weights {
    None,      // unweighted only: no weighted kappa in the report
    Linear,    // w(i, j) = 1 - |i - j| / (n - 1)
    Quadratic, // w(i, j) = 1 - (i - j)^2 / (n - 1)^2
};

std::string_view WeightsName(Weights weights); // "none", "linear", "quadratic"
std::optional<Weights> WeightsFromName(std::string_view name);

struct WeightedKappa {
    Weights weights = Weights::Linear;
    FigureRow<WeightedFigure> figures;
};

struct ClassEntry {
    int k = 0; // 1 to n
    FigureRow<ClassFigure> figures;
};

struct AreaClassEntry {
    int k = 0;
    FigureRow<AreaClassFigure> figures;
};

struct AreaWeighted {
    FigureRow<AreaFigure> figures;
    std::vector<AreaClassEntry> classes;
};

struct AgreementReport {
    int n = 0;                       // the number of classes
    double confidence = 0.95;        // the confidence level of every interval
    std::vector<std::string> labels; // of class 1 to n: their numbers, unless named
    // Of class 1 to n where the labels name classes that are values (a map's);
    // empty otherwise.
    std::vector<double> values;
    std::vector<double> cells; // the error matrix as used, row by row
    FigureRow<OverallFigure> overall;
    std::optional<WeightedKappa> weighted; // with Weights::Linear or Quadratic
    std::vector<ClassEntry> classes;       // class 1 to n
    std::optional<AreaWeighted> area;      // with the mapped areas
    // What the reader must know before trusting the figures, one sentence or
    // more each: counts that add up to 1 or less, which look like proportions.
    std::vector<std::string> warnings;
    // The pairs left out because a label meant "no value" (--missing); set by
    // the command line, written only when set.
    std::optional<std::uint64_t> missingLeftOut;
};

// All figures of the report for a matrix read by ReadErrorMatrix. `mappedAreas`,
// when given, holds the mapped area of each row class, class 1 first: positive,
// or 0 for a class whose row holds no counts (absent from the map). The
// intervals are those of the confidence level `confidence`, 0 < confidence < 1.
AgreementReport ComputeAgreementReport(const ErrorMatrix& matrix, Weights weights,
                                       const std::vector<double>* mappedAreas = nullptr,
                                       double confidence = 0.95);

// The warning of a matrix whose counts add up to more than 0 and at most 1.
extern const char* const ProportionsWarning;

// The two-sided p-value of a standard normal z, 2 (1 - Phi(|z|)), formed as
// erfc(|z| / sqrt 2) so that it keeps its digits far out in the tail.
double TwoSidedNormalP(double z);

} // namespace brennic
