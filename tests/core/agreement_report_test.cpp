// The agreement report against values worked out by hand with exact fractions:
// large-sample standard errors (Fleiss, Cohen and Everitt 1969, Psychological
// Bulletin 72(5), 323-327: Var = [sum p_ij (w_ij - (w_i. + w_.j)(1 - k))^2
// - (k - pe (1 - k))^2] / (N (1 - pe)^2), Var0 = [sum p_i. p_.j (w_ij - (w_i. +
// w_.j))^2 - pe^2] / (N (1 - pe)^2)), weighted kappa (Cohen 1968), each figure
// that cannot be formed with its reason, and three identities on random matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <sstream>

#include "core/agreement_report.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;
using test::Has;

AgreementReport reportOf(const std::string& grid, Weights weights = Weights::None,
                         const std::vector<double>& areas = {}) {
    const Grid g(grid);
    return ComputeAgreementReport(std::get<ErrorMatrix>(ReadErrorMatrix(g.n(), g.cells(), '.')),
                                  weights, areas.empty() ? nullptr : &areas);
}

// Hand values carry 15 digits; the computation may differ in the last bits. A
// figure that is 0 by hand must be exactly 0 (the relative tolerance is then 0).
void expectNear(const Figure& figure, double expected) {
    ASSERT_TRUE(figure.defined()) << figure.reason;
    EXPECT_NEAR(*figure.value, expected, 1e-12 * std::fabs(expected));
}

template <typename Id>
void addFigures(std::map<std::string, Figure>& all, const std::string& prefix,
                const FigureRow<Id>& row) {
    for (std::size_t i = 0; i < Catalogue<Id>().size(); ++i)
        all[prefix + std::string(Catalogue<Id>()[i].field)] = row.all()[i];
}

// Every figure of the report by its field name ("weighted.z", "class2.users_accuracy",
// "area.class1.area").
std::map<std::string, Figure> allFigures(const AgreementReport& r) {
    std::map<std::string, Figure> all;
    addFigures(all, "", r.overall);
    if (r.weighted)
        addFigures(all, "weighted.", r.weighted->figures);
    for (const ClassEntry& c : r.classes)
        addFigures(all, "class" + std::to_string(c.k) + ".", c.figures);
    if (r.area) {
        addFigures(all, "area.", r.area->figures);
        for (const AreaClassEntry& c : r.area->classes)
            addFigures(all, "area.class" + std::to_string(c.k) + ".", c.figures);
    }
    return all;
}

// Exact fractions (p = counts / N; w_i. and w_.j as above):
// worked example 20 5 0|3 15 2|2 5 48: pe = 31/80, k = 177/245,
//   Var = 63004924/18015003125, Var0 = 1249/240100, ci95 = k -+ 1.96 Var^0.5;
//   class 3: (.48 - .55 * .5) / (.55 - .275) = 41/55, over (.5 - .275): 41/45.
// 10 0|0 10: k = 1, Var = (1 - 1)/N = 0, Var0 = 1/20.
// 0 5|5 0: k = -1, pe = 1/2, w_i. + w_.j = 1: Var = [2 (1/2) 2^2 - (-1 - 1)^2] / ... = 0,
//   Var0 = [2 (1/4) 1^2 - 1/4] / (10/4) = 1/10, z = -10^0.5, p = erfc(5^0.5).
// 6 -1|-1 6: PO = 12/10, PC = 1/2, KAPPA = 1.4; SECI takes the root of
//   (1 - 1.2) 1.2 / (.25 * 10) < 0, yet SE = (.5 / 5)^0.5 and Z = 1.4 / SE are formed.
// Ordered 8 4 0 0|2 20 6 0|0 4 26 6|0 2 4 18: linear w = 1, 2/3, 1/3, 0:
//   k_w = 926/1301, Var = 7356343750/2864898145201, Var0 = 201294/42315025; quadratic
//   w = 1, 8/9, 5/9, 0: k_w = 1818/2243, Var = 44718120400/25311454040401,
//   Var0 = 1256256/125776225.
// p = erfc(z / sqrt 2) of the hand z, in the far tail where 1 - Phi(z) is 0 in doubles.
// 3 1 0|1 2 0|0 1 2 (N 10): pa = 7/10, row shares 4 3 3, column shares 4 4 2 (/10),
//   pi_k = 2/5, 7/20, 1/4. Scott: pe = 69/200, pi = 71/131; the terms w - (60/131)(pi_k
//   + pi_l) have mean pa - 2 (60/131) pe = 503/1310 and sum p t^2 = 62257/171610, so
//   Var = 14782440/294499921. Gwet: pe = (6/25 + 91/400 + 3/16) / 2 = 131/400,
//   AC1 = 149/269, terms w - (120/269)(1 - (pi_k + pi_l)/2): mean 1097/2690, sum p t^2 =
//   271777/723610, Var = 242297760/5236114321. Brennan-Prediger (7/10 - 1/3) / (2/3) =
//   11/20, Var = (21/100) / (10 * 4/9). Alpha: pa' = (19/20)(7/10) + 1/20 = 143/200,
//   (143/200 - 69/200) / (131/200). Quantity 0, 1/10, 1/10, halved 1/10; allocation
//   2 min(1/10, 1/10), 2 min(1/10, 2/10), 2 min(1/10, 0), halved 1/5.
// 4 2|1 3: pi_k = 11/20, 9/20, Gwet's pe = 2 (99/400) = 99/200, AC1 = 41/101; terms
//   w - (120/101)(1 - (pi_k + pi_l)/2) = 47/101, -60/101|-60/101, 35/101, their mean
//   113/1010, sum p t^2 = 23311/102010, Var = 8813640/10201^2.
// 3 1|1 7, areas 200 600 (A 800, W = 1/4, 3/4): p^ = 3/16 1/16|3/32 21/32, columns 9/32,
//   23/32; accuracy 27/32, Var = (1/16)(3/16)/3 + (9/16)(7/64)/7 = 13/1024; quantity
//   (1/32 + 1/32) / 2; allocation (2 min(1/16, 3/32) + 2 min(3/32, 2/32)) / 2 = 1/8.
//   U = 3/4, 7/8 with se (3/16 / 3)^0.5 = 1/4 and (7/64 / 7)^0.5 = 1/8; P = 6/9, 21/23;
//   N^ = 150 + 75 = 225 and 50 + 525 = 575 = the areas; Var P1 = [200^2 (1/9)(3/16)/3 +
//   (4/9) 600^2 (7/64)/7] / 225^2 = 40/729, Var P2 = [600^2 (4/529)(7/64)/7 + (441/529)
//   200^2 (3/16)/3] / 575^2 = 1800/23^4; area_se = 800 (13/1024)^0.5 = 25 13^0.5 for both.
const char* const Ordered = "8 4 0 0|2 20 6 0|0 4 26 6|0 2 4 18";

// Each row: figures worked by hand, and the groups of figures that cannot be
// formed with words of their reason (a standard error's stands for its interval
// too). Every other figure must be defined, except
// in the rows of a single class, which list only the figures around z.
TEST(AgreementReport, FiguresOfHandWorkedMatrices) {
    // In the names of the figures not defined, "*" stands for each class.
    const std::string everyOverall =
        "pc po kappa lo hi se z kappa_se kappa_se0 kappa_ci_low kappa_ci_high z_large_sample "
        "p_two_sided "
        "overall_accuracy overall_accuracy_se scott_pi scott_pi_se gwet_ac1 gwet_ac1_se "
        "brennan_prediger brennan_prediger_se krippendorff_alpha quantity_disagreement "
        "allocation_disagreement weighted.kappa weighted.kappa_se weighted.kappa_se0 weighted.z "
        "class*.row_conditional_kappa class*.col_conditional_kappa class*.quantity_disagreement "
        "class*.allocation_disagreement ";
    const std::string zOfOneClass = "z_large_sample p_two_sided weighted.z",
                      referenceOne =
                          "The reference holds a single class (every count lies in column 2)";
    using Values = std::vector<std::pair<std::string, double>>;
    // clang-format off
    const Values zero = {{"kappa", 0}, {"kappa_se", 0}, {"kappa_se0", 0}}, zeroWeighted = {
        {"kappa", 0}, {"kappa_se", 0}, {"kappa_se0", 0},
        {"weighted.kappa", 0}, {"weighted.kappa_se", 0}, {"weighted.kappa_se0", 0}};
    const struct {
        const char* name; const char* grid; Weights weights; std::vector<double> areas; Values figures;
        std::vector<std::pair<std::string, std::string>> notDefined = {}; bool othersDefined = true;
    } rows[] = {
        {"worked_example", "20 5 0|3 15 2|2 5 48", Weights::None, {},
         {{"lo", 0.599793371618005}, {"hi", 0.845104587565668},
          {"kappa_se", 0.0591384687236048}, {"kappa_se0", 0.0721248859064175},
          // kappa -+ z kappa_se, z = 1.9599639845400536 (Python's NormalDist().inv_cdf(0.975)).
          {"kappa_ci_low", 0.6065397107927228}, {"kappa_ci_high", 0.8383582483909504},
          {"z_large_sample", 10.016639479045}, {"p_two_sided", 1.2880829505761026e-23},
          {"class3.row_total", 55}, {"class3.col_total", 50}, {"class3.diagonal", 48},
          {"class3.users_accuracy", 48.0 / 55}, {"class3.producers_accuracy", 0.96},
          {"class3.users_accuracy_se", std::sqrt((48.0 / 55) * (7.0 / 55) / 54)},
          {"class3.producers_accuracy_se", std::sqrt(0.96 * 0.04 / 49)},
          {"class3.row_conditional_kappa", 41.0 / 55}, {"class3.col_conditional_kappa", 41.0 / 45},
          // F1 = 2 U P / (U + P): 3/4 and 3/5 give 2/3, 48/55 and 24/25 give 32/35;
          // the means over the three classes 533/660, 59/75 and 50/63.
          {"class1.f1", 0.8}, {"class2.f1", 2.0 / 3}, {"class3.f1", 32.0 / 35},
          {"macro_users_accuracy", 533.0 / 660}, {"macro_producers_accuracy", 59.0 / 75},
          {"macro_f1", 50.0 / 63}, {"macro_f1_classes", 3}}},
        {"perfect_agreement_se_zero", "10 0|0 10", Weights::None, {},
         {{"kappa_se", 0}, {"kappa_se0", 0.223606797749979}, {"z_large_sample", 4.47213595499958},
          {"p_two_sided", 7.744216431044096e-06}}},
        {"complete_disagreement_negative_z", "0 5|5 0", Weights::None, {},
         {{"kappa", -1}, {"kappa_se", 0}, {"kappa_se0", 0.316227766016838},
          {"z_large_sample", -3.16227766016838}, {"p_two_sided", 0.0015654022580025488},
          {"macro_users_accuracy", 0}, {"macro_f1_classes", 0}},
         {{"class*.f1", "accuracy of class"}, {"macro_f1", "No class has an F1"}}},
        {"negative_counts_beside_a_failing_step", "6 -1|-1 6", Weights::Linear, {},
         {{"po", 1.2}, {"pc", 0.5}, {"kappa", 1.4}, {"se", 0.316227766016838}, {"z", 4.42718872423573}},
         {{"lo hi kappa_se kappa_ci_low kappa_ci_high weighted.kappa_se scott_pi_se gwet_ac1_se "
           "brennan_prediger_se", "egative counts"},
          {"overall_accuracy_se", "negative counts make the variance of the overall accuracy"},
          {"class*.users_accuracy_se class*.users_accuracy_ci_low class*.producers_accuracy_se "
           "class*.producers_accuracy_ci_high", "negative counts make the variance of its"}}},
        // A row of one count: its user's accuracy has no standard error. Column 1
        // holds 1 of 2, so its producer's accuracy 1/2 has ((1/4) / 1)^0.5.
        {"row_of_one_count", "1 0|1 5", Weights::None, {},
         {{"class1.producers_accuracy_se", 0.5},
          {"class2.users_accuracy_se", std::sqrt((5.0 / 6) * (1.0 / 6) / 5)}},
         {{"class1.users_accuracy_se class1.users_accuracy_ci_low class1.users_accuracy_ci_high",
           "add up to 1, so the standard error of its user's accuracy"}}},
        {"ordered_linear", Ordered, Weights::Linear, {},
         {{"weighted.kappa", 0.711760184473482}, {"weighted.kappa_se", 0.0506729763949601},
          {"weighted.kappa_se0", 0.068971252717246}, {"weighted.z", 10.3196644461629}}},
        {"ordered_quadratic", Ordered, Weights::Quadratic, {},
         {{"weighted.kappa", 0.810521622826572}, {"weighted.kappa_se", 0.0420323065929412},
          {"weighted.kappa_se0", 0.0999401038937333}, {"weighted.z", 8.11007384671525}}},
        {"three_classes_further_figures", "3 1 0|1 2 0|0 1 2", Weights::None, {},
         {{"overall_accuracy", 0.7}, {"overall_accuracy_se", std::sqrt(21.0 / 900)},
          {"scott_pi", 71.0 / 131}, {"scott_pi_se", std::sqrt(14782440.0 / 294499921)},
          {"gwet_ac1", 149.0 / 269}, {"gwet_ac1_se", std::sqrt(242297760.0 / 5236114321)},
          {"brennan_prediger", 11.0 / 20}, {"brennan_prediger_se", std::sqrt(0.21 / (40.0 / 9))},
          {"krippendorff_alpha", 74.0 / 131}, {"quantity_disagreement", 0.1},
          {"allocation_disagreement", 0.2},
          {"class1.quantity_disagreement", 0}, {"class1.allocation_disagreement", 0.2},
          {"class2.quantity_disagreement", 0.1}, {"class2.allocation_disagreement", 0.2},
          {"class3.quantity_disagreement", 0.1}, {"class3.allocation_disagreement", 0}}},
        {"two_classes_gwet", "4 2|1 3", Weights::None, {},
         {{"gwet_ac1", 41.0 / 101}, {"gwet_ac1_se", std::sqrt(8813640.0 / 104060401)}}},
        // Observed and chance agreement both near 1: N = 497434988. Exact fractions
        // (Python's fractions, from the definitions as the catalogue writes them):
        // pa = (N - 2)/N, Cohen's pe = (1 + (N - 1)^2)/N^2, Scott's pe the same, so
        // kappa = pi = -1/(N - 1) = -1/497434987 and Krippendorff's alpha
        // -1/(2 (N - 1)); each conditional kappa -1/(N - 1); allocation 2/N each.
        // The standard errors are the square roots of their exact variances, to 17
        // digits. Formed from 1 - PO and 1 - PC, scott_pi and alpha came out -2.76e-8;
        // two classes with linear weights must give the unweighted digits.
        {"near_perfect_agreement_keeps_its_digits", "0 1|1 497434986", Weights::Linear, {},
         {{"scott_pi", -1.0 / 497434987}, {"krippendorff_alpha", -1.0 / 994869974},
          {"weighted.kappa", -1.0 / 497434987}, {"kappa_se", 1.4215059247260940e-09},
          {"weighted.kappa_se", 1.4215059247260940e-09}, {"kappa_se0", 4.4836513621154711e-05},
          {"kappa_ci_low", -4.796413374014799e-09}, {"kappa_ci_high", 7.757874585320986e-10},
          {"z_large_sample", -4.4836513711290136e-05}, {"scott_pi_se", 1.4215059247260940e-09},
          {"gwet_ac1", 123720782648410097.0 / 123720783145845085.0},
          {"gwet_ac1_se", 2.8430118608828748e-09}, {"brennan_prediger", 124358746.0 / 124358747.0},
          {"brennan_prediger_se", 5.6860236760430012e-09}, {"overall_accuracy_se", 2.8430118408791727e-09},
          {"class1.row_conditional_kappa", -1.0 / 497434987},
          {"class2.col_conditional_kappa", -1.0 / 497434987},
          {"class2.allocation_disagreement", 1.0 / 248717494},
          {"allocation_disagreement", 1.0 / 248717494},
          // ((1 - 1/M)(1/M) / (M - 1))^0.5 = 1/M, M = 497434987: no digit lost.
          {"class2.users_accuracy_se", 1.0 / 497434987}},
         {{"class1.f1", "are both 0"},
          {"class1.users_accuracy_se class1.users_accuracy_ci_low class1.producers_accuracy_se "
           "class1.producers_accuracy_ci_high", "add up to 1"}}},
        {"all_zero_cells", "0 0|0 0", Weights::Linear, {}, {},
         {{everyOverall, "The counts add up to 0"},
          {"class1.users_accuracy class1.users_accuracy_se class1.users_accuracy_ci_low class1.users_accuracy_ci_high class2.users_accuracy class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high", "The counts of row"},
          {"class1.producers_accuracy class1.producers_accuracy_se class1.producers_accuracy_ci_low class1.producers_accuracy_ci_high class2.producers_accuracy class2.producers_accuracy_se class2.producers_accuracy_ci_low class2.producers_accuracy_ci_high", "The counts of column"},
          {"class*.f1", "The counts of row"},
          {"macro_users_accuracy macro_producers_accuracy macro_f1", "No class has"}}},
        {"chance_agreement_one", "7 0|0 0", Weights::Linear, {}, {},
         {{"kappa lo hi se z kappa_se kappa_se0 kappa_ci_low kappa_ci_high z_large_sample p_two_sided "
           "weighted.kappa weighted.kappa_se weighted.kappa_se0 weighted.z",
           "expected by chance is exactly 1"},
          {"scott_pi scott_pi_se krippendorff_alpha", "from the mean shares of the classes is 1"},
          {"class1.row_conditional_kappa", "Column 1 holds all the counts"},
          {"class1.col_conditional_kappa", "Row 1 holds all the counts"},
          {"class2.users_accuracy class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high class2.row_conditional_kappa class2.f1",
           "The counts of row 2 add up to 0"},
          {"class2.producers_accuracy class2.producers_accuracy_se class2.producers_accuracy_ci_low class2.producers_accuracy_ci_high class2.col_conditional_kappa", "The counts of column 2 add up to 0"}}},
        {"chance_agreement_zero", "0 5|0 0", Weights::Linear, {}, {},
         {{"z", "expected by chance is exactly 0"},
          {zOfOneClass, "each hold a single class (every count lies in row 1, column 2)"},
          {"class1.producers_accuracy class1.producers_accuracy_se class1.producers_accuracy_ci_low class1.producers_accuracy_ci_high class1.col_conditional_kappa class1.f1", "column 1 add up to 0"},
          {"class2.users_accuracy class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high class2.row_conditional_kappa class2.f1", "row 2 add up to 0"},
          {"macro_f1", "No class has an F1"}}},
        {"totals_beyond_double_range", "1e308 1e308|1e308 1e308", Weights::Linear, {}, {},
         {{everyOverall + "class1.row_total class1.col_total class2.row_total class2.col_total "
           "class1.users_accuracy class1.users_accuracy_se class1.users_accuracy_ci_low class1.users_accuracy_ci_high class1.producers_accuracy class1.producers_accuracy_se class1.producers_accuracy_ci_low class1.producers_accuracy_ci_high class2.users_accuracy class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high class2.producers_accuracy class2.producers_accuracy_se class2.producers_accuracy_ci_low class2.producers_accuracy_ci_high class*.f1",
           "beyond the range"},
          {"macro_users_accuracy macro_producers_accuracy macro_f1", "No class has"}}},
        // Every count in one row (the map holds one class) or one column (the
        // reference does): kappa and its standard error under chance are both
        // exactly 0, so z is 0 / 0. Whatever rounding leaves of them, z is not
        // defined. By hand: with all counts in column k, PO = p_kk = p_k. = PC, and
        // each term of Var0 has w_ij - (w_i. + w_.j) = -w_.k = -pe, so Var0 =
        // sum p_i. pe^2 - pe^2 = 0.
        {"reference_one_class", "0 215|0 5226", Weights::None, {}, zero, {{zOfOneClass, referenceOne}}, false},
        {"map_one_class", "0 0 0|3 9 1|0 0 0", Weights::Linear, {}, zeroWeighted,
         {{zOfOneClass, "The map holds a single class (every count lies in row 2)"}}, false},
        {"reference_one_class_quadratic",
         "0 596 0 0 0 0|0 47 0 0 0 0|0 4135 0 0 0 0|0 9064 0 0 0 0|0 7464 0 0 0 0|0 1762 0 0 0 0",
         Weights::Quadratic, {}, zeroWeighted, {{zOfOneClass, referenceOne}}, false},
        {"area_weighted_unequal_strata", "3 1|1 7", Weights::None, {200, 600},
         {{"area.overall_accuracy", 27.0 / 32}, {"area.overall_accuracy_se", std::sqrt(13.0) / 32},
          {"area.quantity_disagreement", 1.0 / 32}, {"area.allocation_disagreement", 0.125},
          {"area.class1.mapped_area", 200}, {"area.class1.weight", 0.25}, {"area.class2.weight", 0.75},
          {"area.class1.users_accuracy", 0.75}, {"area.class1.users_accuracy_se", 0.25},
          {"area.class2.users_accuracy", 0.875}, {"area.class2.users_accuracy_se", 0.125},
          {"area.class1.producers_accuracy", 2.0 / 3}, {"area.class2.producers_accuracy", 21.0 / 23},
          {"area.class1.producers_accuracy_se", std::sqrt(40.0 / 729)},
          {"area.class2.producers_accuracy_se", std::sqrt(1800.0) / 529},
          {"area.class1.area", 225}, {"area.class2.area", 575},
          {"area.class1.area_se", 25 * std::sqrt(13.0)}, {"area.class2.area_se", 25 * std::sqrt(13.0)},
          // z = 1.9599639845400536 times area_se.
          {"area.class1.area_ci_low", 225 - 1.9599639845400536 * 25 * std::sqrt(13.0)},
          {"area.class2.area_ci_high", 575 + 1.9599639845400536 * 25 * std::sqrt(13.0)}}},
        // Class 3 is absent from the map: W = 1/3, 2/3, 0, so class 3's area is
        // 300 (1/3 3/48 + 2/3 6/40) = 36.25, and accuracy 1/3 40/48 + 2/3 30/40 = 7/9;
        // the rest worked in fractions (Python) from Olofsson et al.'s formulas.
        {"area_class_absent_from_map", "40 5 3|4 30 6|0 0 0", Weights::Linear, {100, 200, 0},
         {{"area.overall_accuracy", 7.0 / 9}, {"area.overall_accuracy_se", 0.049649719673692257},
          {"area.class3.weight", 0}, {"area.class1.area", 310.0 / 3},
          {"area.class2.area", 1925.0 / 12}, {"area.class3.area", 36.25},
          {"area.class1.area_se", 11.038954648464689}, {"area.class2.area_se", 14.565787121972956},
          {"area.class3.area_se", 11.968123749710299},
          {"area.class1.producers_accuracy_se", 0.075670131069855956},
          {"area.class2.producers_accuracy_se", 0.02657263461281268},
          {"area.class3.producers_accuracy", 0}, {"area.class3.producers_accuracy_se", 0}},
         {{"class3.users_accuracy class3.users_accuracy_se class3.users_accuracy_ci_low class3.users_accuracy_ci_high class3.row_conditional_kappa class3.f1",
           "The counts of row 3 add up to 0"},
          {"area.class3.users_accuracy area.class3.users_accuracy_se area.class3.f1",
           "Class 3 is absent from the map"}}},
        // The unit of the areas changes nothing but the areas (AreaFiguresDoNotDependOnTheUnit);
        // 1e308 swamped the other two classes.
        {"area_one_huge_class", "20 5 0|3 15 2|2 5 48", Weights::None, {1e308, 1, 1},
         {{"area.class3.area", 0.97272727272727277}, {"area.class3.area_se", 0.082424359695948093},
          {"area.class3.producers_accuracy_se", 0.063661273701253712},
          {"area.overall_accuracy_se", 0.081649658092772609}}},
        // Every variance divides by a row's total less 1; without counts a row
        // tells nothing of its area's reference classes.
        {"area_row_with_one_count", "3 1 0|0 1 0|1 1 3", Weights::Linear, {1, 2, 3}, {},
         {{"class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high",
           "row 2 add up to 1"},
          {"area.overall_accuracy_se area.class2.users_accuracy_se area.class*.producers_accuracy_se "
           "area.class*.area_se area.class*.area_ci_low area.class*.area_ci_high",
           "Row 2 has fewer than two counts"}}},
        {"area_row_without_counts", "3 1 1|0 0 0|1 1 3", Weights::Linear, {1, 2, 3}, {},
         {{"class2.users_accuracy class2.users_accuracy_se class2.users_accuracy_ci_low class2.users_accuracy_ci_high class2.row_conditional_kappa class2.f1",
           "The counts of row 2 add up to 0"},
          {"area.class*.f1 area.overall_accuracy area.overall_accuracy_se area.quantity_disagreement "
           "area.allocation_disagreement area.class2.users_accuracy area.class2.users_accuracy_se "
           "area.class*.producers_accuracy area.class*.producers_accuracy_se area.class*.area "
           "area.class*.area_se area.class*.area_ci_low area.class*.area_ci_high",
           "The counts of row 2 add up to 0, so the share"}}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const AgreementReport report = reportOf(row.grid, row.weights, row.areas);
        EXPECT_EQ(report.weighted ? report.weighted->weights : Weights::None, row.weights);
        const auto all = allFigures(report);
        for (const auto& [name, expected] : row.figures) {
            SCOPED_TRACE(name);
            expectNear(all.at(name), expected);
        }
        std::map<std::string, std::string> notDefined; // field -> words of its reason
        for (const auto& [names, words] : row.notDefined) {
            std::istringstream list(names);
            for (std::string name; list >> name;)
                for (const char k : {'1', '2', '3'}) {
                    std::string each = name;
                    std::replace(each.begin(), each.end(), '*', k);
                    notDefined[each] = words;
                    // A figure without its standard error has no interval.
                    if (each.ends_with("_se"))
                        for (const char* end : {"_ci_low", "_ci_high"})
                            notDefined[each.substr(0, each.size() - 3) + end] = words;
                }
        }
        for (const auto& [name, figure] : all) {
            SCOPED_TRACE(name);
            const auto words = notDefined.find(name);
            if (words != notDefined.end()) {
                EXPECT_FALSE(figure.defined());
                EXPECT_TRUE(Has(figure.reason, words->second));
            } else if (row.othersDefined) {
                EXPECT_TRUE(figure.defined() && figure.reason.empty()) << figure.reason;
            }
        }
    }
}

// Olofsson et al. (2014), Table 8: strata the map classes, areas in hectares. The
// printed estimates and half-widths (z SE) to their printed digits; the producer's
// half-widths to three decimals as the paper's equation 7 gives them (0.213,
// 0.254, 0.034, 0.018), as two of the printed ones (0.23, 0.01) contradict it; the
// areas' half-widths with z = 1.959964 (1.96 prints 16,282 for the last).
TEST(AgreementReport, OlofssonTableEightWithIntervals) {
    const AgreementReport r = reportOf("66 0 5 4|0 55 8 12|1 0 153 11|2 1 9 313", Weights::None,
                                       {18000, 13500, 288000, 580500});
    ASSERT_TRUE(r.area);
    const auto halfWidth = [](const Figure& low, const Figure& high) {
        return (*high.value - *low.value) / 2;
    };
    using enum AreaFigure;
    const FigureRow<AreaFigure>& o = r.area->figures;
    EXPECT_NEAR(*o[overall_accuracy].value, 0.95, 0.005);
    EXPECT_NEAR(halfWidth(o[overall_accuracy_ci_low], o[overall_accuracy_ci_high]), 0.02, 0.005);
    const struct {
        double users, usersHalf, producers, producersHalf, area, areaHalf;
    } rows[] = {{0.88, 0.07, 0.75, 0.213, 21158, 6158},
                {0.73, 0.10, 0.85, 0.254, 11686, 3756},
                {0.93, 0.04, 0.93, 0.034, 285770, 15510},
                {0.96, 0.02, 0.96, 0.018, 581386, 16281}};
    for (std::size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k + 1);
        using enum AreaClassFigure;
        const FigureRow<AreaClassFigure>& f = r.area->classes[k].figures;
        EXPECT_NEAR(*f[users_accuracy].value, rows[k].users, 0.005);
        EXPECT_NEAR(halfWidth(f[users_accuracy_ci_low], f[users_accuracy_ci_high]),
                    rows[k].usersHalf, 0.005);
        EXPECT_NEAR(*f[producers_accuracy].value, rows[k].producers, 0.005);
        EXPECT_NEAR(halfWidth(f[producers_accuracy_ci_low], f[producers_accuracy_ci_high]),
                    rows[k].producersHalf, 0.0005);
        EXPECT_NEAR(*f[area].value, rows[k].area, 0.5);
        EXPECT_NEAR(halfWidth(f[area_ci_low], f[area_ci_high]), rows[k].areaHalf, 0.5);
    }
}

// The same areas in another unit: every figure but the areas themselves is the
// same, and those scale with the unit, to 1e-9 (the worked example, areas 1 2 3).
TEST(AgreementReport, AreaFiguresDoNotDependOnTheUnit) {
    const auto inUnit = [](double unit) {
        return allFigures(
            reportOf("20 5 0|3 15 2|2 5 48", Weights::None, {1 * unit, 2 * unit, 3 * unit}));
    };
    const auto base = inUnit(1);
    for (const double unit : {1e-300, 1e200})
        for (const auto& [name, figure] : inUnit(unit)) {
            SCOPED_TRACE(::testing::Message() << name << " in " << unit);
            if (!name.starts_with("area."))
                continue;
            // mapped_area, area, area_se and area_ci_low and _high scale.
            const bool scales = name.ends_with("area") || name.ends_with("area_se") ||
                                name.find("area_ci_") != std::string::npos;
            ASSERT_TRUE(figure.defined()) << figure.reason;
            const double expected = *base.at(name).value * (scales ? unit : 1.0);
            EXPECT_NEAR(*figure.value, expected, 1e-9 * std::fabs(expected));
        }
}

// Counts that add up to 1 or less look like proportions: every standard error
// would be that of a sample of one, so the report warns. Not so just over 1, nor
// for counts, nor for all-zero cells.
TEST(AgreementReport, WarnsOfCountsThatLookLikeProportions) {
    const std::pair<const char*, bool> rows[] = {
        {"0.2 0.1|0.1 0.6", true},      {"0.5 0.25|0.125 0.125", true}, {"1 0|0 0", true},
        {"0.5 0.25|0.125 0.25", false}, {"20 5|3 15", false},           {"0 0|0 0", false}};
    for (const auto& [grid, warned] : rows) {
        SCOPED_TRACE(grid);
        const auto warnings = reportOf(grid).warnings;
        ASSERT_EQ(warnings.size(), warned ? 1u : 0u);
        EXPECT_TRUE(!warned || Has(warnings[0], "look like proportions"));
    }
}

// Three identities on random matrices: Q + A = 1 - pa on p and on p^; areas in
// proportion to the row totals make p^ = p; for two classes Brennan-Prediger is
// 2 pa - 1.
TEST(AgreementReport, RandomMatricesKeepTheIdentities) {
    std::mt19937 random(20261207);
    for (int trial = 0; trial < 300; ++trial) {
        const std::size_t q = std::uniform_int_distribution<std::size_t>(2, 8)(random);
        const bool proportional = trial % 4 == 0;
        std::string text;
        std::vector<double> areas;
        for (std::size_t i = 0; i < q; ++i, text += '|') {
            double row = 0;
            for (std::size_t j = 0; j < q; ++j) {
                // Counts in halves, the diagonal at least 2; a quarter of the others 0.
                int halves = std::uniform_int_distribution<int>(i == j ? 4 : 0, 400)(random);
                if (i != j && random() % 4 == 0)
                    halves = 0;
                text += std::to_string(halves / 2) + (halves % 2 ? ".5 " : " ");
                row += halves / 2.0;
            }
            areas.push_back(proportional
                                ? row * 2.5
                                : std::uniform_real_distribution<double>(0.01, 1e6)(random));
        }
        text.pop_back();
        SCOPED_TRACE(text);
        const auto all = allFigures(reportOf(text, Weights::None, areas));
        const auto value = [&](const std::string& name) { return *all.at(name).value; };
        for (const std::string p : {"", "area."})
            EXPECT_NEAR(value(p + "quantity_disagreement") + value(p + "allocation_disagreement"),
                        1 - value(p + "overall_accuracy"), 1e-12);
        if (proportional) {
            for (const char* name : {"overall_accuracy", "quantity_disagreement"})
                EXPECT_NEAR(value(std::string("area.") + name), value(name), 1e-12);
        }
        if (q == 2) {
            EXPECT_NEAR(value("brennan_prediger"), 2 * value("overall_accuracy") - 1, 1e-12);
        }
    }
}

} // namespace
} // namespace brennic
