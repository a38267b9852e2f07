// The full agreement report of brennic-kappa --report: the seven figures of
// Result.txt, the large-sample standard errors of Fleiss, Cohen and Everitt
// (1969), a weighted kappa (Cohen, 1968) and the figures of each class.
//
// Data flow: error matrix -> ComputeKappa (the seven, to the last bit) ->
// proportions p_ij, p_i., p_.j -> large-sample and weighted figures -> per class.
// Every figure either has a value or says in words why it cannot be formed; one
// that cannot be formed never stops the others.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "error_matrix.h"

namespace brennic {

// One figure of the report: a finite value, or the reason there is none.
struct Figure {
    std::optional<double> value;
    std::string reason; // set exactly when there is no value

    bool defined() const { return value.has_value(); }
    static Figure Of(double v) { return Figure{v, {}}; }
    static Figure NotDefined(std::string why) { return Figure{std::nullopt, std::move(why)}; }
};

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
    Figure kappa;     // (po_w - pe_w) / (1 - pe_w)
    Figure kappa_se;  // large-sample standard error, for an interval
    Figure kappa_se0; // large-sample standard error if kappa_w were 0, for the test
    Figure z;         // kappa / kappa_se0
};

// Rows are the classification, columns the reference: the row share is the
// user's accuracy and the column share the producer's.
struct ClassFigures {
    int k = 0; // 1 to n
    Figure row_total, col_total, diagonal;
    Figure row_share;             // x(k,k) / row total
    Figure col_share;             // x(k,k) / column total
    Figure row_conditional_kappa; // (p_kk - p_k. p_.k) / (p_k. - p_k. p_.k)
    Figure col_conditional_kappa; // (p_kk - p_k. p_.k) / (p_.k - p_k. p_.k)
};

struct AgreementReport {
    int n = 0; // the number of classes

    // The seven figures of Result.txt, the same doubles.
    Figure PC, PO, KAPPA, LO, HI, SE, Z;

    // Large-sample figures of unweighted kappa (Fleiss, Cohen and Everitt, 1969).
    Figure kappa_se;       // standard error of kappa (not SECI of LO and HI)
    Figure kappa_se0;      // standard error if kappa were 0 (not SE)
    Figure ci95_low;       // KAPPA - 1.96 kappa_se
    Figure ci95_high;      // KAPPA + 1.96 kappa_se
    Figure z_large_sample; // KAPPA / kappa_se0
    Figure p_two_sided;    // 2 (1 - Phi(|z_large_sample|))

    std::optional<WeightedKappa> weighted; // with Weights::Linear or Quadratic
    std::vector<ClassFigures> classes;     // class 1 to n
};

// A figure with its field name. The output formats, the help and the tests all
// walk the report through these lists, in this order.
struct NamedFigure {
    std::string_view name;
    const Figure* figure;
};
// PC, PO, KAPPA, LO, HI, SE, Z, then kappa_se, kappa_se0, ci95_low, ci95_high,
// z_large_sample, p_two_sided.
std::array<NamedFigure, 13> OverallFigures(const AgreementReport& report);
// kappa, kappa_se, kappa_se0, z.
std::array<NamedFigure, 4> WeightedFigures(const WeightedKappa& weighted);
// row_total, col_total, diagonal, row_share, col_share, row_conditional_kappa,
// col_conditional_kappa.
std::array<NamedFigure, 7> ClassFigureList(const ClassFigures& figures);

// All figures of the report for a matrix read by ReadErrorMatrix.
AgreementReport ComputeAgreementReport(const ErrorMatrix& matrix, Weights weights);

// The two-sided p-value of a standard normal z, 2 (1 - Phi(|z|)), formed as
// erfc(|z| / sqrt 2) so that it keeps its digits far out in the tail.
double TwoSidedNormalP(double z);

} // namespace brennic
