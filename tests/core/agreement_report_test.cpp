// The agreement report against values worked out by hand with exact fractions:
// large-sample standard errors (Fleiss, Cohen and Everitt 1969, Psychological
// Bulletin 72(5), 323-327: Var = [sum p_ij (w_ij - (w_i. + w_.j)(1 - k))^2
// - (k - pe (1 - k))^2] / (N (1 - pe)^2), Var0 = [sum p_i. p_.j (w_ij - (w_i. +
// w_.j))^2 - pe^2] / (N (1 - pe)^2)), weighted kappa (Cohen 1968), each figure
// that cannot be formed with its reason, and what reordering the classes keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "agreement_report.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;

AgreementReport reportOf(const std::string& grid, Weights weights = Weights::None) {
    const Grid g(grid);
    return ComputeAgreementReport(std::get<ErrorMatrix>(ReadErrorMatrix(g.n(), g.cells(), '.')),
                                  weights);
}

// Hand values carry 15 digits; the computation may differ in the last bits.
void expectNear(const Figure& figure, double expected) {
    ASSERT_TRUE(figure.defined()) << figure.reason;
    EXPECT_NEAR(*figure.value, expected, 1e-14 * std::max(1.0, std::fabs(expected)));
}

// Exact fractions (p = counts / N; w_i. and w_.j as above):
// worked example 20 5 0|3 15 2|2 5 48: pe = 31/80, k = 177/245,
//   Var = 63004924/18015003125, Var0 = 1249/240100.
// 40 10|20 30: pe = 1/2, k = 2/5, Var = 126/15625, Var0 = 6/625.
// 10 0|0 10: k = 1, Var = (1 - 1)/N = 0, Var0 = 1/20. 5 5|5 5: k = 0, Var = Var0 = 1/20.
// Ordered 8 4 0 0|2 20 6 0|0 4 26 6|0 2 4 18: k = 39/64, Var = 26252925/6576668672,
//   Var0 = 149283/40140800; linear w = 1, 2/3, 1/3, 0: k_w = 926/1301,
//   Var = 7356343750/2864898145201, Var0 = 201294/42315025; quadratic w = 1, 8/9,
//   5/9, 0: k_w = 1818/2243, Var = 44718120400/25311454040401, Var0 = 1256256/125776225.
const char* const Ordered = "8 4 0 0|2 20 6 0|0 4 26 6|0 2 4 18";

TEST(AgreementReport, KappaAndLargeSampleFiguresOfHandWorkedMatrices) {
    const struct {
        const char* name;
        const char* grid;
        Weights weights; // None: the unweighted large-sample figures
        double kappa, se, se0, z;
    } rows[] = {
        {"worked_example", "20 5 0|3 15 2|2 5 48", Weights::None, 0.722448979591837,
         0.0591384687236048, 0.0721248859064175, 10.016639479045},
        {"unequal_margins", "40 10|20 30", Weights::None, 0.4, 0.0897997772825746,
         0.0979795897113271, 4.08248290463863},
        {"perfect_agreement_se_zero", "10 0|0 10", Weights::None, 1, 0, 0.223606797749979,
         4.47213595499958},
        {"at_chance", "5 5|5 5", Weights::None, 0, 0.223606797749979, 0.223606797749979, 0},
        {"ordered_unweighted", Ordered, Weights::None, 0.609375, 0.0631809086408513,
         0.0609834746115825, 9.9924611360905},
        {"ordered_linear", Ordered, Weights::Linear, 0.711760184473482, 0.0506729763949601,
         0.068971252717246, 10.3196644461629},
        {"ordered_quadratic", Ordered, Weights::Quadratic, 0.810521622826572, 0.0420323065929412,
         0.0999401038937333, 8.11007384671525},
        // With two classes both weightings are 1 on the diagonal and 0 off it.
        {"two_classes_quadratic_is_unweighted", "40 10|20 30", Weights::Quadratic, 0.4,
         0.0897997772825746, 0.0979795897113271, 4.08248290463863},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const AgreementReport r = reportOf(row.grid, row.weights);
        ASSERT_EQ(r.weighted.has_value(), row.weights != Weights::None);
        if (r.weighted) {
            EXPECT_EQ(r.weighted->weights, row.weights);
            for (auto [figure, expected] : {std::pair{&r.weighted->kappa, row.kappa},
                                            {&r.weighted->kappa_se, row.se},
                                            {&r.weighted->kappa_se0, row.se0},
                                            {&r.weighted->z, row.z}})
                expectNear(*figure, expected);
            continue;
        }
        expectNear(r.KAPPA, row.kappa);
        expectNear(r.kappa_se, row.se);
        expectNear(r.kappa_se0, row.se0);
        expectNear(r.ci95_low, row.kappa - 1.96 * row.se);
        expectNear(r.ci95_high, row.kappa + 1.96 * row.se);
        expectNear(r.z_large_sample, row.z);
        expectNear(r.p_two_sided, TwoSidedNormalP(row.z));
    }
}

TEST(AgreementReport, FiguresOfOneClass) {
    const struct {
        const char* name;
        const char* grid;
        int k;
        double rowTotal, colTotal, diagonal, rowShare, colShare, rowKappa, colKappa;
    } rows[] = {
        // p = .4 .1|.2 .3: row 1 (.4 - .3)/(.5 - .3) = 1/2, column 1 (.4 - .3)/(.6 - .3) = 1/3.
        {"row_and_column_kappa_differ", "40 10|20 30", 1, 50, 60, 40, 0.8, 2.0 / 3, 0.5, 1.0 / 3},
        {"second_class_mirrors_first", "40 10|20 30", 2, 50, 40, 30, 0.6, 0.75, 1.0 / 3, 0.5},
        // (.48 - .55 * .5) / (.55 - .275) = 41/55; over (.5 - .275): 41/45.
        {"worked_example_class_3", "20 5 0|3 15 2|2 5 48", 3, 55, 50, 48, 48.0 / 55, 0.96,
         41.0 / 55, 41.0 / 45},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ClassFigures c = reportOf(row.grid).classes.at(static_cast<std::size_t>(row.k - 1));
        EXPECT_EQ(c.k, row.k);
        expectNear(c.row_total, row.rowTotal);
        expectNear(c.col_total, row.colTotal);
        expectNear(c.diagonal, row.diagonal);
        expectNear(c.row_share, row.rowShare);
        expectNear(c.col_share, row.colShare);
        expectNear(c.row_conditional_kappa, row.rowKappa);
        expectNear(c.col_conditional_kappa, row.colKappa);
    }
}

// Every figure of the report by its field name ("weighted.z", "class2.row_share").
std::map<std::string, Figure> allFigures(const AgreementReport& r) {
    std::map<std::string, Figure> all;
    for (const NamedFigure& f : OverallFigures(r))
        all[std::string(f.name)] = *f.figure;
    if (r.weighted)
        for (const NamedFigure& f : WeightedFigures(*r.weighted))
            all["weighted." + std::string(f.name)] = *f.figure;
    for (const ClassFigures& c : r.classes)
        for (const NamedFigure& f : ClassFigureList(c))
            all["class" + std::to_string(c.k) + "." + std::string(f.name)] = *f.figure;
    return all;
}

TEST(AgreementReport, EachFigureThatCannotBeFormedSaysWhy) {
    const std::string everyOverall = "PC PO KAPPA LO HI SE Z kappa_se kappa_se0 ci95_low "
                                     "ci95_high z_large_sample p_two_sided weighted.kappa "
                                     "weighted.kappa_se weighted.kappa_se0 weighted.z ";
    const std::string conditional = "class1.row_conditional_kappa class1.col_conditional_kappa "
                                    "class2.row_conditional_kappa class2.col_conditional_kappa ";
    const struct {
        const char* name;
        const char* grid;
        // Groups of the figures that are not defined and words of their reason;
        // every other figure is defined.
        std::vector<std::pair<std::string, const char*>> notDefined;
    } rows[] = {
        {"all_zero_cells",
         "0 0|0 0",
         {{everyOverall + conditional, "The counts add up to 0"},
          {"class1.row_share class2.row_share", "The counts of row"},
          {"class1.col_share class2.col_share", "The counts of column"}}},
        {"chance_agreement_one",
         "7 0|0 0",
         {{"KAPPA LO HI SE Z kappa_se kappa_se0 ci95_low ci95_high z_large_sample p_two_sided "
           "weighted.kappa weighted.kappa_se weighted.kappa_se0 weighted.z",
           "expected by chance is exactly 1"},
          {"class1.row_conditional_kappa", "Column 1 holds all the counts"},
          {"class1.col_conditional_kappa", "Row 1 holds all the counts"},
          {"class2.row_share class2.row_conditional_kappa", "The counts of row 2 add up to 0"},
          {"class2.col_share class2.col_conditional_kappa", "The counts of column 2 add up to 0"}}},
        {"chance_agreement_zero",
         "0 5|0 0",
         {{"Z", "expected by chance is exactly 0"},
          {"z_large_sample p_two_sided weighted.z", "(kappa_se0) is 0"},
          {"class1.col_share class1.col_conditional_kappa", "column 1 add up to 0"},
          {"class2.row_share class2.row_conditional_kappa", "row 2 add up to 0"}}},
        {"negative_counts_negative_variance",
         "6 -1|-1 6",
         {{"LO HI kappa_se ci95_low ci95_high weighted.kappa_se", "Negative counts"}}},
        {"totals_beyond_double_range",
         "1e308 1e308|1e308 1e308",
         {{everyOverall + conditional +
               "class1.row_total class1.col_total class2.row_total class2.col_total "
               "class1.row_share class1.col_share class2.row_share class2.col_share",
           "beyond the range"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::map<std::string, std::string> expected; // field -> reason words
        for (const auto& [names, words] : row.notDefined) {
            std::istringstream list(names);
            for (std::string name; list >> name;)
                expected[name] = words;
        }
        for (const auto& [name, figure] : allFigures(reportOf(row.grid, Weights::Linear))) {
            SCOPED_TRACE(name);
            const auto want = expected.find(name);
            EXPECT_EQ(figure.defined(), want == expected.end()) << figure.reason;
            if (want != expected.end())
                EXPECT_NE(figure.reason.find(want->second), std::string::npos) << figure.reason;
            else
                EXPECT_EQ(figure.reason, "");
        }
    }
}

TEST(AgreementReport, FiguresBeforeAFailingStepKeepTheirHandValues) {
    // 6 -1|-1 6: PO = 12/10, PC = 1/2, KAPPA = 1.4; SECI takes the root of
    // (1 - 1.2) 1.2 / (.25 * 10) < 0; SE = (.5 / 5)^0.5, Z = 1.4 / SE.
    const AgreementReport r = reportOf("6 -1|-1 6");
    expectNear(r.PO, 1.2);
    expectNear(r.PC, 0.5);
    expectNear(r.KAPPA, 1.4);
    expectNear(r.SE, 0.316227766016838);
    expectNear(r.Z, 4.42718872423573);
}

// Reordering the classes: the same order in rows and columns keeps every
// unweighted figure (reversing it keeps the weighted ones too, as |i - j| stays);
// transposing keeps the overall figures and swaps each class's row and column.
TEST(AgreementReport, ClassOrderAndTransposition) {
    const int cells[4][4] = {{8, 4, 0, 0}, {2, 20, 6, 0}, {0, 4, 26, 6}, {0, 2, 4, 18}};
    const struct {
        const char* name;
        int order[4]; // class k of the new matrix is class order[k] of the old
        bool transpose, keepsWeighted;
    } rows[] = {
        {"permuted_classes", {3, 1, 4, 2}, false, false},
        {"reversed_classes", {4, 3, 2, 1}, false, true},
        {"transposed", {1, 2, 3, 4}, true, true},
    };
    const AgreementReport before = reportOf(Ordered, Weights::Quadratic);
    const auto beforeAll = allFigures(before);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string grid;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                const int r = row.order[i] - 1, c = row.order[j] - 1;
                grid += std::to_string(row.transpose ? cells[c][r] : cells[r][c]);
                grid += j < 3 ? " " : i < 3 ? "|" : "";
            }
        for (const auto& [name, figure] : allFigures(reportOf(grid, Weights::Quadratic))) {
            SCOPED_TRACE(name);
            std::string was = name;
            if (name.starts_with("class")) {
                std::string field = name.substr(7);
                if (row.transpose && field != "diagonal")
                    field = (field.starts_with("row_") ? "col_" : "row_") + field.substr(4);
                was = "class" + std::to_string(row.order[name[5] - '1']) + "." + field;
            } else if (name.starts_with("weighted.") && !row.keepsWeighted) {
                continue;
            }
            expectNear(figure, *beforeAll.at(was).value);
        }
    }
}

TEST(AgreementReport, TwoSidedNormalPKeepsItsDigitsInTheTail) {
    // Standard normal points: Phi(1.959963984540054) = 0.975, Phi(3.290526731491926)
    // = 0.9995, 1 - Phi(10) = 7.619853024160527e-24 (tables of the normal tail).
    const struct {
        const char* name;
        double z, p;
    } rows[] = {
        {"zero", 0, 1},
        {"five_percent", 1.959963984540054, 0.05},
        {"negative_z_same_p", -3.290526731491926, 0.001},
        {"far_tail_where_one_minus_phi_is_zero", 10, 1.5239706048321054e-23},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(TwoSidedNormalP(row.z), row.p, 1e-12 * row.p);
    }
}

} // namespace
} // namespace brennic
