// brennic-kappa --report run as a process: the whole CSV of a matrix whose
// figures are all short decimals, the options and their mistakes.
#include <gtest/gtest.h>

#include "figure_catalogue.h"
#include "kappa_process.h"
#include "ratings.h"
#include "stratified.h"

namespace brennic::test {
namespace {

using BrennicKappaReport = KappaProcessTest;

TEST_F(BrennicKappaReport, OutputAndMistakesByOption) {
    const std::string worked = "20 5 0\n3 15 2\n2 5 48\n";
    // 25 25|25 25 (N = 100, every p = 1/4): PO = PC = 1/2, KAPPA = 0, SECI = SE =
    // (1/100)^0.5 = 0.1, so LO = -0.2, HI = 0.2, Z = 0. Large-sample: w_i. = w_.j = 1/2,
    // each term (w_ij - 1)(1 - 0) - (0 - 1/2) = +-1/2, Var = 4 (1/4)(1/4) / (1/4 * 100) =
    // 0.01, and Var0 the same; ci95 = -+1.96 * 0.1, z = 0, p = 1. With two classes the
    // linear weights are 1 and 0: the weighted figures are the unweighted ones.
    // Each class: totals 50, diagonal 25, shares 1/2, conditional kappas
    // (1/4 - 1/4) / (1/2 - 1/4) = 0.
    // The further figures: pa = 1/2 and pi_k = 1/2, so Scott's pe and Gwet's pe
    // are 1/2 and both coefficients 0, as is Brennan-Prediger's; each term
    // w_kl - 1 lies 1/2 from its mean -1/2, so their standard errors are
    // (1/4 / (100 / 4))^0.5 = 0.1, and Brennan-Prediger's (1/4 / (100 / 4))^0.5 too.
    // overall_accuracy_se = (1/4 / 99)^0.5 and Krippendorff's alpha
    // ((1 - e) / 2 + e - 1/2) / (1/2) with e = 1/200, in the digits of doubles.
    // No quantity disagreement; each class allocates 2 (1/2 - 1/4), halved: 1/2.
    std::string chanceCsv = "field,value,label,row_total,col_total,diagonal,row_share,col_share,"
                            "row_conditional_kappa,col_conditional_kappa,quantity_disagreement,"
                            "allocation_disagreement,reason\n";
    for (const char* figure : {"n,2",
                               "PC,0.5",
                               "PO,0.5",
                               "KAPPA,0",
                               "LO,-0.2",
                               "HI,0.2",
                               "SE,0.1",
                               "Z,0",
                               "kappa_se,0.1",
                               "kappa_se0,0.1",
                               "ci95_low,-0.196",
                               "ci95_high,0.196",
                               "z_large_sample,0",
                               "p_two_sided,1",
                               "overall_accuracy,0.5",
                               "overall_accuracy_se,0.050251890762960605",
                               "scott_pi,0",
                               "scott_pi_se,0.1",
                               "gwet_ac1,0",
                               "gwet_ac1_se,0.1",
                               "brennan_prediger,0",
                               "brennan_prediger_se,0.1",
                               "krippendorff_alpha,0.005",
                               "quantity_disagreement,0",
                               "allocation_disagreement,0.5",
                               "weighted.weights,linear",
                               "weighted.kappa,0",
                               "weighted.kappa_se,0.1",
                               "weighted.kappa_se0,0.1",
                               "weighted.z,0"})
        chanceCsv += figure + std::string(11, ',') + "\n";
    chanceCsv += "class,1,1,50,50,25,0.5,0.5,0,0,0,0.5,\nclass,2,2,50,50,25,0.5,0.5,0,0,0,0.5,\n";
    std::string large; // 21 classes
    for (int r = 0; r < 21; ++r)
        for (int c = 0; c < 21; ++c)
            large += (r == c ? "9" : "1") + std::string(c < 20 ? " " : "\n");
    expectEach({
        // clang-format off
        {"chance_matrix_whole_csv", "--report --weights linear --format csv", "25 25\n25 25\n", 0,
         {chanceCsv}},
        {"text_shows_result_file_digits", "--report", worked, 0,
         {" 0.722448979591837\n", " 0.0795394908975717\n", " 9.0828967024969\n"}},
        {"text_shows_the_matrix_used", "--report --transpose", worked, 0,
         {"Error matrix (rows: classification, columns: reference)\n", "  20   3   2     25\n",
          "  total  25  20  55    100\n"}},
        {"text_leaves_out_a_large_matrix", "--report", large, 0,
         {"The error matrix of 21 classes is left out here"}},
        {"text_with_comma_separator", "--report --decimal-separator ,", "2,5 1\n0,5 6\n", 0,
         {" 0,659090909090909\n", " 1,17234499048346\n"}},
        {"csv_keeps_the_point", "--report --format csv --decimal-separator ,", "25 25\n25 25\n",
         0, {"\nLO,-0.2,"}},
        {"undefined_figure_still_status_0", "--report --format json", "0 5\n0 0\n", 0,
         {"\"Z\": null", "\"KAPPA\": 0,", "\"Z\": \"The agreement expected by chance is exactly 0"}},
        {"pairs_left_out_as_missing", "--pairs --missing NA --report --format json",
         "a,NA\nNA,b\na,b\nb,a\n", 0, {"\"left_out\": {\"missing\": 2}"}},
        {"not_a_number", "--report", "1 x\n2 3\n", 1, {"line 1, cell 2: 'x' is not a number"}},
        {"unknown_weights", "--report --weights cubic", worked, 1, {"unknown weights 'cubic'"}},
        {"unknown_format", "--report --format xml", worked, 1, {"unknown format 'xml'"}},
        {"weights_without_report", "--weights linear", worked, 1, {"--weights needs --report"}},
        {"mapped_area_not_a_number", "--report --mapped-area 1,x,3", worked, 1,
         {"mapped area 2 ('x') is not a number"}},
        {"mapped_area_zero_for_a_row_with_counts", "--report --mapped-area 1,0,3", worked, 1,
         {"the mapped area of class '2' is 0, but its row holds counts"}},
        {"mapped_area_negative", "--report --mapped-area 1,-2,3", worked, 1,
         {"mapped area 2 ('-2') is negative"}},
        {"mapped_area_unknown_label", "--report --mapped-area 1=5,2=5,4=5", worked, 1,
         {"mapped area 3: '4' is not one of the classes"}},
        {"mapped_area_class_left_out", "--report --mapped-area 1=5,3=5", worked, 1,
         {"--mapped-area gives no area for class '2'"}},
        {"mapped_area_forms_mixed", "--report --mapped-area 1=5,5,5", worked, 1,
         {"mapped area 2 ('5') should have the form of the first"}},
        {"negative_count", "--report", "5 -3\n-1 4\n", 1,
         {"Negative counts are in the matrix (the first is -3 in row 1, column 2)"}},
        {"mapped_area_count", "--report --mapped-area 1,2", worked, 1,
         {"--mapped-area gives 2 areas, but the matrix has 3 classes"}},
        {"mapped_area_semicolons_with_comma", "--report --format csv --decimal-separator , "
         "--mapped-area '1,5;2;0,5'", "2 1\n1 2\n", 1, {"gives 3 areas, but the matrix has 2"}},
        {"mapped_area_json", "--report --format json --mapped-area 1,3", "3 1\n1 3\n", 0,
         {"\"area_weighted\": {\"overall_accuracy\": 0.75, "}},
        // Weights 1/4, 3/4, U = 3/4 each (se (3/16 / 3)^0.5 = 1/4): accuracy 3/4; class 1's
        // column 3/16 + 3/16, so P1 = 1/2 and its area 4 (6/16) = 1.5. The area columns
        // follow the nine of the class rows; the overall rows leave both empty.
        {"mapped_area_csv", "--report --format csv --mapped-area 1,3", "3 1\n1 3\n", 0,
         {",allocation_disagreement,mapped_area,weight,users_accuracy,",
          "\nn,2" + std::string(20, ',') + ",\n",
          "\narea_weighted.overall_accuracy,0.75" + std::string(20, ',') + ",\n",
          "\nclass,1,1,4,4,3,0.75,0.75,0.5,0.5,0,0.25" + std::string(10, ',') + ",\n",
          "\narea_weighted.class,1,1" + std::string(9, ',') + ",1,0.25,0.75,0.25,0.5,"}},
        // Weights 1/4, 3/4: accuracy 3/16 + (3/4)(7/8) = 27/32, class 1's area 6 (3/16 + 3/32).
        {"mapped_area_text_comma", "--report --decimal-separator , --mapped-area '1,5;4,5'",
         "3 1\n1 7\n", 0, {"area-weighted overall accuracy  0,84375\n", " 1,5 ", " 1,6875 "}},
        {"report_with_output_file", "--report -o x.txt", worked, 1, {"-o makes a Result.txt"}},
        {"option_for_another_input", "--missing NA", worked, 1, {"--missing needs --pairs"}},
        // clang-format on
    });
    // Counts that look like proportions: the warning reaches standard error as well.
    const auto proportions = run("--report --format json", "0.2 0.1\n0.1 0.6\n");
    EXPECT_EQ(proportions.status, 0);
    EXPECT_TRUE(Has(proportions.err, "brennic-kappa: warning: The counts add up to 1"));
    EXPECT_TRUE(Has(proportions.out, "\"warnings\": [\"The counts add up to 1"));
}

// --help reads in a terminal of 80 columns, counted in characters; it and the
// help page define every field of the reports, so that a figure added to one
// cannot be left out of them.
TEST_F(BrennicKappaReport, HelpFitsEightyColumnsAndDefinesEveryField) {
    const auto help = run("--help", "");
    ASSERT_EQ(help.status, 0);
    std::size_t widest = 0, width = 0;
    for (char c : help.out) {
        width = c == '\n' ? 0 : width + ((static_cast<unsigned char>(c) & 0xC0) != 0x80);
        widest = std::max(widest, width);
    }
    EXPECT_LE(widest, 80u);
    EXPECT_TRUE(Has(help.out, "Usage: brennic-kappa"));
    EXPECT_TRUE(Has(help.out, "--missing TEXT"));
    EXPECT_TRUE(Has(help.out, "C_p is the one-sided\np-value 1 - T(C/SE, n - 1)"));
    const std::string page = readFile(nativePath(BRENNIC_HELP_PAGE));
    std::vector<std::string> fields = {"units",
                                       "pairable_units",
                                       "raters",
                                       "classes",
                                       "C_se",
                                       "C_ci95_low",
                                       "C_ci95_high",
                                       "C_p",
                                       "krippendorff_alpha_by_level",
                                       "nominal",
                                       "ordinal",
                                       "interval",
                                       "ratio"};
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c) {
        fields.emplace_back(RatingsCoefficientName(static_cast<RatingsCoefficient>(c)));
        EXPECT_TRUE(Has(help.out, fields.back()));
    }
    const auto addEach = [&](std::span<const FigureInfo> catalogue) {
        for (const FigureInfo& info : catalogue)
            fields.emplace_back(info.field);
    };
    addEach(Catalogue<OverallFigure>());
    addEach(Catalogue<WeightedFigure>());
    addEach(Catalogue<ClassFigure>());
    addEach(Catalogue<AreaFigure>());
    addEach(Catalogue<AreaClassFigure>());
    addEach(Catalogue<StratifiedFigure>());
    addEach(Catalogue<StratifiedClassFigure>());
    for (const std::string& field : fields)
        EXPECT_TRUE(Has(page, "<code>" + field + "</code>"));
}

} // namespace
} // namespace brennic::test
