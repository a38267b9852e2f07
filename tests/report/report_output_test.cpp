// The JSON and CSV forms of a report made up by hand, so that each value's
// digits are known: the forms must carry them unchanged, and write a figure that
// cannot be formed with its reason. The text form of a wide report fits 100
// columns.
#include <gtest/gtest.h>

#include <algorithm>

#include "../text_width.h"
#include "report/report.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

Report reportOf(AgreementReport agreement) {
    Report report;
    report.agreement = std::move(agreement);
    return report;
}

template <typename Id> FigureRow<Id> rowOf(std::vector<Figure> figures) {
    FigureRow<Id> row;
    for (std::size_t i = 0; i < figures.size(); ++i)
        row.all()[i] = figures[i];
    return row;
}

AgreementReport madeUpReport() {
    const auto v = Figure::Of;
    const auto no = Figure::NotDefined;
    AgreementReport r;
    r.n = 2;
    r.labels = {"forest", "wa\"ter"};
    r.cells = {3000000, 6, 1, 0.5};
    r.warnings = {"Counts \"look\" like proportions, so.", "A second one."};
    r.missingLeftOut = 7;
    r.overall = rowOf<OverallFigure>({v(0.5),
                                      v(0.75),
                                      v(0.5),
                                      v(-0.25),
                                      v(1.25),
                                      v(0.125),
                                      no("The standard error is 0."),
                                      v(0.1),
                                      v(-0.0),
                                      v(0.304),
                                      v(0.696),
                                      v(4),
                                      v(1e-05),
                                      v(0.75),
                                      v(0.01),
                                      v(0.73),
                                      v(0.77),
                                      v(0.4),
                                      v(0.02),
                                      v(0.36),
                                      v(0.44),
                                      v(0.6),
                                      v(0.03),
                                      v(0.54),
                                      v(0.66),
                                      v(0.5),
                                      v(0.04),
                                      v(0.42),
                                      v(0.58),
                                      v(0.4125),
                                      v(0),
                                      v(0.25),
                                      v(0.4),
                                      v(1),
                                      v(0.4),
                                      v(2),
                                      no("No class has an F1."),
                                      v(0)});
    r.weighted = WeightedKappa{
        Weights::Quadratic,
        rowOf<WeightedFigure>(
            {v(0.6), no("Counts \"below\" 0, as in row 1."), no("Counts \"below\" 0, as in row 1."),
             no("Counts \"below\" 0, as in row 1."), v(0.1234567890123456), v(1e300)})};
    r.classes = {
        {1, rowOf<ClassFigure>({v(10), v(5), v(4), v(0.4), v(0.16), v(0.1), v(0.7), v(0.8), v(0.2),
                                v(0.4), v(1.2), v(0.5), v(0.25), v(0.5), v(0.05), v(0.2)})},
        {2, rowOf<ClassFigure>({v(0), v(5), v(0), no("Row 2 is empty."), no("Row 2 is empty."),
                                no("Row 2 is empty."), no("Row 2 is empty."), v(0), v(0), v(0),
                                v(0), no("Row 2 is empty."), no("Row 2 is empty."), v(-0.5),
                                v(0.05), v(0.3)})}};
    return r;
}

// The expected text has '|' for each line end, so that short lines share one.
TEST(ReportOutput, JsonCarriesEveryDigitAndNullsWithReasons) {
    std::string json =
        R"({|  "schema": "brennic-report/2",|  "n": 2,|  "confidence": 0.95,)"
        R"(|  "warnings": ["Counts \"look\" like proportions, so.", "A second one."],)"
        R"(|  "left_out": {"missing": 7},|  "matrix": [[3000000, 6], [1, 0.5]],)"
        R"(|  "result_file": {"pc": 0.5, "po": 0.75, "kappa": 0.5, "lo": -0.25, "hi": 1.25, )"
        R"("se": 0.125, "z": null, "reasons": {"z": "The standard error is 0."}},)"
        R"(|  "kappa_se": 0.1,|  "kappa_se0": 0,|  "kappa_ci_low": 0.304,)"
        R"(|  "kappa_ci_high": 0.696,)"
        R"(|  "z_large_sample": 4,|  "p_two_sided": 1e-05,|  "overall_accuracy": 0.75,)"
        R"(|  "overall_accuracy_se": 0.01,|  "overall_accuracy_ci_low": 0.73,)"
        R"(|  "overall_accuracy_ci_high": 0.77,|  "scott_pi": 0.4,|  "scott_pi_se": 0.02,)"
        R"(|  "scott_pi_ci_low": 0.36,|  "scott_pi_ci_high": 0.44,)"
        R"(|  "gwet_ac1": 0.6,|  "gwet_ac1_se": 0.03,|  "gwet_ac1_ci_low": 0.54,)"
        R"(|  "gwet_ac1_ci_high": 0.66,|  "brennan_prediger": 0.5,)"
        R"(|  "brennan_prediger_se": 0.04,|  "brennan_prediger_ci_low": 0.42,)"
        R"(|  "brennan_prediger_ci_high": 0.58,|  "krippendorff_alpha": 0.4125,)"
        R"(|  "quantity_disagreement": 0,|  "allocation_disagreement": 0.25,)"
        R"(|  "macro_users_accuracy": 0.4,|  "macro_users_classes": 1,)"
        R"(|  "macro_producers_accuracy": 0.4,|  "macro_producers_classes": 2,)"
        R"(|  "macro_f1": null,|  "macro_f1_classes": 0,)"
        R"(|  "weighted": {"weights": "quadratic", "kappa": 0.6, "kappa_se": null, "kappa_ci_low": )"
        R"(null, "kappa_ci_high": null, "kappa_se0": 0.1234567890123456, "z": 1e+300, )"
        R"("reasons": {"kappa_se": "Counts \"below\" 0, as in row 1.", "kappa_ci_low": "Counts )"
        R"(\"below\" 0, as in row 1.", "kappa_ci_high": "Counts \"below\" 0, as in row 1."}},)"
        R"(|  "classes": [|    {"class": 1, "label": "forest", "row_total": 10, )"
        R"("col_total": 5, "diagonal": 4, "users_accuracy": 0.4, "users_accuracy_se": 0.16, )"
        R"("users_accuracy_ci_low": 0.1, "users_accuracy_ci_high": 0.7, "producers_accuracy": 0.8, )"
        R"("producers_accuracy_se": 0.2, "producers_accuracy_ci_low": 0.4, )"
        R"("producers_accuracy_ci_high": 1.2, "f1": 0.5, )"
        R"("row_conditional_kappa": 0.25, "col_conditional_kappa": 0.5, "quantity_disagreement": )"
        R"(0.05, "allocation_disagreement": 0.2, "reasons": {}},|    {"class": 2, "label": )"
        R"("wa\"ter", "row_total": 0, "col_total": 5, "diagonal": 0, "users_accuracy": null, )"
        R"("users_accuracy_se": null, "users_accuracy_ci_low": null, "users_accuracy_ci_high": null, )"
        R"("producers_accuracy": 0, "producers_accuracy_se": 0, "producers_accuracy_ci_low": 0, )"
        R"("producers_accuracy_ci_high": 0, "f1": null, "row_conditional_kappa": null, )"
        R"("col_conditional_kappa": )"
        R"(-0.5, "quantity_disagreement": 0.05, "allocation_disagreement": 0.3, "reasons": )"
        R"({"users_accuracy": "Row 2 is empty.", "users_accuracy_se": "Row 2 is empty.", )"
        R"("users_accuracy_ci_low": "Row 2 is empty.", "users_accuracy_ci_high": "Row 2 is empty.", )"
        R"("f1": "Row 2 is empty.", "row_conditional_kappa": )"
        R"("Row 2 is empty."}}|  ],)"
        R"(|  "reasons": {"macro_f1": "No class has an F1."}|}|)";
    std::replace(json.begin(), json.end(), '|', '\n');
    EXPECT_EQ(ReportJson(reportOf(madeUpReport())), json);
}

// The CSV is one table of nine columns: a row per figure with its standard
// error and interval beside it, reasons quoted when they hold a separator or a
// quote, the matrix a row per cell. With a decimal comma, semicolons separate
// the fields.
TEST(ReportOutput, CsvIsOneTableOfNineColumns) {
    const struct {
        char decimal;
        std::vector<std::string> lines;
    } cases[] = {
        {'.',
         {"section,class,figure,value,se,ci_low,ci_high,unit,reason\nreport,,n,2,,,,,\n"
          "report,,confidence,0.95,,,,,\nreport,,warning,,,,,,\"Counts \"\"look\"\" like "
          "proportions, so.\"\nreport,,warning,,,,,,A second one.\nleft_out,,missing,7,,,,,\n"
          "result_file,,pc,0.5,,,,,\n",
          "\nresult_file,,z,,,,,,The standard error is 0.\noverall,,kappa,0.5,0.1,0.304,0.696,,\n"
          "overall,,kappa_se0,0,,,,,\noverall,,z_large_sample,4,,,,,\n",
          "\noverall,,scott_pi,0.4,0.02,0.36,0.44,,\n",
          "\noverall,,macro_f1,,,,,,No class has an F1.\noverall,,macro_f1_classes,0,,,,,\n",
          "\nweighted,,weights,quadratic,,,,,\nweighted,,kappa,0.6,,,,,\"Counts \"\"below\"\" 0, "
          "as "
          "in row 1.\"\nweighted,,kappa_se0,0.1234567890123456,,,,,\nweighted,,z,1e+300,,,,,\n",
          "\nclasses,forest,users_accuracy,0.4,0.16,0.1,0.7,,\nclasses,forest,producers_accuracy,0."
          "8,"
          "0.2,0.4,1.2,,\nclasses,forest,f1,0.5,,,,,\n",
          "\nclasses,\"wa\"\"ter\",users_accuracy,,,,,,Row 2 is empty.\n",
          "\nmatrix,forest,forest,3000000,,,,,\nmatrix,forest,\"wa\"\"ter\",6,,,,,\n"
          "matrix,\"wa\"\"ter\",forest,1,,,,,\nmatrix,\"wa\"\"ter\",\"wa\"\"ter\",0.5,,,,,\n"}},
        {',',
         {"section;class;figure;value;se;ci_low;ci_high;unit;reason\nreport;;n;2;;;;;\n"
          "report;;confidence;0,95;;;;;\n",
          "\noverall;;kappa;0,5;0,1;0,304;0,696;;\n",
          "\nweighted;;kappa;0,6;;;;;\"Counts \"\"below\"\" 0, as in row 1.\"\n",
          "\nmatrix;\"wa\"\"ter\";\"wa\"\"ter\";0,5;;;;;\n"}},
    };
    for (const auto& c : cases) {
        const std::string csv = ReportCsv(reportOf(madeUpReport()), c.decimal);
        for (const std::string& line : c.lines)
            EXPECT_NE(csv.find(line), std::string::npos) << line << " in\n" << csv;
        // Every row has the header's nine fields.
        const char between = c.decimal == ',' ? ';' : ',';
        std::size_t fields = 1;
        bool quoted = false;
        for (char ch : csv) {
            if (ch == '"')
                quoted = !quoted;
            else if (ch == between && !quoted)
                ++fields;
            else if (ch == '\n' && !quoted) {
                EXPECT_EQ(fields, 9u) << csv;
                fields = 1;
            }
        }
    }
}

// Whole numbers below 2^53 are written with their plain digits, as readers of
// JSON take them for integers; other numbers with their shortest digits.
TEST(ReportOutput, WholeNumbersWithTheirPlainDigits) {
    const std::pair<double, const char*> rows[] = {
        // clang-format off
        {3000000, "3000000"}, {-3000000, "-3000000"}, {120, "120"}, {0.5, "0.5"},
        {1e15, "1000000000000000"}, {9007199254740991.0, "9007199254740991"},
        {1e16, "1e+16"}, {-0.0, "0"}, {2.5e-7, "2.5e-07"},
        // clang-format on
    };
    for (const auto& [value, text] : rows)
        EXPECT_EQ(ShortestNumber(value), text);
}

// Eight classes with 12-character labels that are not ASCII, quadratic weights
// and mapped areas: every table is folded to 100 columns, and so are the
// reasons of figures not defined (class 3 is absent from the map).
TEST(ReportOutput, TextOfEightClassesFitsOneHundredColumns) {
    for (const bool classAbsent : {false, true}) {
        SCOPED_TRACE(classAbsent ? "a_class_absent_from_the_map" : "every_class_counted");
        ErrorMatrix m(8);
        std::vector<double> areas;
        for (int i = 1; i <= 8; ++i) {
            const bool absent = classAbsent && i == 3;
            areas.push_back(absent ? 0.0 : 123456.789 * i);
            for (int j = 1; j <= 8; ++j)
                m.set(i, j, absent ? 0.0 : i == j ? 1234567.0 : 1000.0 * i + 37.0 * j);
        }
        FormTotals(m);
        AgreementReport report = ComputeAgreementReport(m, Weights::Quadratic, &areas);
        for (int k = 1; k <= 8; ++k)
            report.labels[k - 1] = "Gewässer-00" + std::to_string(k);
        const std::string text = ReportText(reportOf(report), '.');
        EXPECT_LE(test::widestLine(text), 100u) << text;
        // The folded matrix still holds the grand total and the last column.
        EXPECT_NE(text.find("Gewässer-008"), std::string::npos);
        EXPECT_NE(text.find(classAbsent ? "is absent from the map" : "  total"), std::string::npos);
    }
}

// The text report's numbers: the significant digits asked for, every digit before
// the point kept, trailing zeros left out, an exponent only far from 1.
TEST(ReportOutput, TextNumbersToTheirSignificantDigits) {
    const struct {
        double value;
        TextNumbers numbers;
        const char* text;
    } rows[] = {
        {0.0, {}, "0"},
        {-0.0, {}, "0"},
        {0.7224489795918366, {}, "0.7224"},
        {-0.5, {}, "-0.5"},
        {0.15301920346949238, {}, "0.153"},
        {9.99995, {}, "10"},
        {21158.3, {}, "21158"},
        {218438088.3, {}, "218438088"},
        {0.00020958651926524, {}, "0.0002096"},
        {0.0000123, {}, "1.23E-05"},
        {1.2880829505763316e-23, {}, "1.288E-23"},
        {1e15, {}, "1E+15"},
        {2.5, {',', 4}, "2,5"},
        {0.7224489795918366, {'.', 15}, "0.722448979591837"},
        {0.7224489795918366, {'.', 1}, "0.7"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TextValue(row.value, row.numbers), row.text) << row.value;
}

TEST(ReportOutput, TextStartsWithWarningsAndPairsLeftOut) {
    const std::string text = ReportText(reportOf(madeUpReport()), '.');
    const std::string start = "Agreement report for 2 classes (rows: classification, columns: "
                              "reference)\nWarning: Counts \"look\" like proportions, so.\n"
                              "Warning: A second one.\nPairs left out as missing: 7\n"
                              "Intervals at the confidence level 0.95\n";
    EXPECT_EQ(text.substr(0, start.size()), start);
    // A word that would end past column 100 starts a line of its own, indented by two.
    AgreementReport wide = madeUpReport();
    wide.warnings = {std::string(90, 'a') + " b"};
    const std::string wrapped = "\nWarning: " + std::string(90, 'a') + "\n  b\n";
    EXPECT_NE(ReportText(reportOf(wide), '.').find(wrapped), std::string::npos)
        << ReportText(reportOf(wide), '.');
}

} // namespace
} // namespace brennic
