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
    EXPECT_NEAR(*figure.value, expected, expected == 0 ? 1e-15 : 1e-12 * std::fabs(expected));
}

template <typename Id>
void addFigures(std::map<std::string, Figure>& all, const std::string& prefix,
                const FigureRow<Id>& row) {
    for (std::size_t i = 0; i < Catalogue<Id>().size(); ++i)
        all[prefix + std::string(Catalogue<Id>()[i].field)] = row.all()[i];
}

// Every figure of the report by its field name ("weighted.z", "class2.row_share",
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
const char* const Ordered = "8 4 0 0|2 20 6 0|0 4 26 6|0 2 4 18";

TEST(AgreementReport, FiguresOfHandWorkedMatrices) {
    const struct {
        const char* name;
        const char* grid;
        Weights weights;
        std::vector<std::pair<std::string, double>> figures;
    } rows[] = {
        // clang-format off
        {"worked_example", "20 5 0|3 15 2|2 5 48", Weights::None,
         {{"LO", 0.599793371618005}, {"HI", 0.845104587565668},
          {"kappa_se", 0.0591384687236048}, {"kappa_se0", 0.0721248859064175},
          {"ci95_low", 0.606537580893571}, {"ci95_high", 0.838360378290102},
          {"z_large_sample", 10.016639479045}, {"p_two_sided", 1.2880829505761026e-23},
          {"class3.row_total", 55}, {"class3.col_total", 50}, {"class3.diagonal", 48},
          {"class3.row_share", 48.0 / 55}, {"class3.col_share", 0.96},
          {"class3.row_conditional_kappa", 41.0 / 55}, {"class3.col_conditional_kappa", 41.0 / 45}}},
        {"perfect_agreement_se_zero", "10 0|0 10", Weights::None,
         {{"kappa_se", 0}, {"kappa_se0", 0.223606797749979}, {"z_large_sample", 4.47213595499958},
          {"p_two_sided", 7.744216431044096e-06}}},
        {"complete_disagreement_negative_z", "0 5|5 0", Weights::None,
         {{"KAPPA", -1}, {"kappa_se", 0}, {"kappa_se0", 0.316227766016838},
          {"z_large_sample", -3.16227766016838}, {"p_two_sided", 0.0015654022580025488}}},
        {"figures_beside_a_failing_step", "6 -1|-1 6", Weights::None,
         {{"PO", 1.2}, {"PC", 0.5}, {"KAPPA", 1.4}, {"SE", 0.316227766016838},
          {"Z", 4.42718872423573}}},
        {"ordered_linear", Ordered, Weights::Linear,
         {{"weighted.kappa", 0.711760184473482}, {"weighted.kappa_se", 0.0506729763949601},
          {"weighted.kappa_se0", 0.068971252717246}, {"weighted.z", 10.3196644461629}}},
        {"ordered_quadratic", Ordered, Weights::Quadratic,
         {{"weighted.kappa", 0.810521622826572}, {"weighted.kappa_se", 0.0420323065929412},
          {"weighted.kappa_se0", 0.0999401038937333}, {"weighted.z", 8.11007384671525}}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const AgreementReport report = reportOf(row.grid, row.weights);
        EXPECT_EQ(report.weighted ? report.weighted->weights : Weights::None, row.weights);
        const auto all = allFigures(report);
        for (const auto& [name, expected] : row.figures) {
            SCOPED_TRACE(name);
            expectNear(all.at(name), expected);
        }
    }
}

TEST(AgreementReport, EachFigureThatCannotBeFormedSaysWhy) {
    const std::string everyOverall =
        "PC PO KAPPA LO HI SE Z kappa_se kappa_se0 ci95_low ci95_high z_large_sample p_two_sided "
        "overall_accuracy overall_accuracy_se scott_pi scott_pi_se gwet_ac1 gwet_ac1_se "
        "brennan_prediger brennan_prediger_se krippendorff_alpha quantity_disagreement "
        "allocation_disagreement weighted.kappa weighted.kappa_se weighted.kappa_se0 weighted.z ";
    const std::string conditional =
        "class1.row_conditional_kappa class1.col_conditional_kappa class2.row_conditional_kappa "
        "class2.col_conditional_kappa class1.quantity_disagreement class1.allocation_disagreement "
        "class2.quantity_disagreement class2.allocation_disagreement ";
    const struct {
        const char* name;
        const char* grid;
        // Groups of the figures that are not defined and words of their reason;
        // every other figure is defined.
        std::vector<std::pair<std::string, const char*>> notDefined;
    } rows[] = {
        // clang-format off
        {"all_zero_cells", "0 0|0 0",
         {{everyOverall + conditional, "The counts add up to 0"},
          {"class1.row_share class2.row_share", "The counts of row"},
          {"class1.col_share class2.col_share", "The counts of column"}}},
        {"chance_agreement_one", "7 0|0 0",
         {{"KAPPA LO HI SE Z kappa_se kappa_se0 ci95_low ci95_high z_large_sample p_two_sided "
           "weighted.kappa weighted.kappa_se weighted.kappa_se0 weighted.z",
           "expected by chance is exactly 1"},
          {"scott_pi scott_pi_se krippendorff_alpha", "from the mean shares of the classes is 1"},
          {"class1.row_conditional_kappa", "Column 1 holds all the counts"},
          {"class1.col_conditional_kappa", "Row 1 holds all the counts"},
          {"class2.row_share class2.row_conditional_kappa", "The counts of row 2 add up to 0"},
          {"class2.col_share class2.col_conditional_kappa", "The counts of column 2 add up to 0"}}},
        {"chance_agreement_zero", "0 5|0 0",
         {{"Z", "expected by chance is exactly 0"},
          {"z_large_sample p_two_sided weighted.z", "(kappa_se0) is 0"},
          {"class1.col_share class1.col_conditional_kappa", "column 1 add up to 0"},
          {"class2.row_share class2.row_conditional_kappa", "row 2 add up to 0"}}},
        {"negative_counts_negative_variance", "6 -1|-1 6",
         {{"LO HI kappa_se ci95_low ci95_high weighted.kappa_se scott_pi_se gwet_ac1_se "
           "brennan_prediger_se", "egative counts"},
          {"overall_accuracy_se", "negative counts make the variance of the overall accuracy"}}},
        {"totals_beyond_double_range", "1e308 1e308|1e308 1e308",
         {{everyOverall + conditional + "class1.row_total class1.col_total class2.row_total "
           "class2.col_total class1.row_share class1.col_share class2.row_share class2.col_share",
           "beyond the range"}}},
        // clang-format on
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
    const auto beforeAll = allFigures(reportOf(Ordered, Weights::Quadratic));
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
                if (row.transpose && (field.starts_with("row_") || field.starts_with("col_")))
                    field = (field.starts_with("row_") ? "col_" : "row_") + field.substr(4);
                was = "class" + std::to_string(row.order[name[5] - '1']) + "." + field;
            } else if (name.starts_with("weighted.") && !row.keepsWeighted) {
                continue;
            }
            expectNear(figure, *beforeAll.at(was).value);
        }
    }
}

} // namespace
} // namespace brennic
