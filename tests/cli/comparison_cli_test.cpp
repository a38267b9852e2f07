// brennic-kappa comparing two maps: --pairs --compare and --samples --compare
// write each map's report and the comparison in every form, --compare-reports
// the z-tests of two reports, and each refusal is one line with status 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "kappa_process.h"

namespace brennic::test {
namespace {

using BrennicKappaCompare = KappaProcessTest;

// Ten units of classes x and y: map A, map B, reference. Both right 4, A only
// 3, B only 2, both wrong 1. Counted by hand: A's matrix (rows A, columns the
// reference) [[4, 2], [1, 3]], B's [[3, 2], [2, 3]].
const std::string TenUnits = "x,x,x\nx,x,x\nx,y,x\nx,y,x\ny,x,x\n"
                             "y,y,y\ny,y,y\nx,y,y\ny,x,y\nx,x,y\n";

TEST_F(BrennicKappaCompare, PairsWriteBothReportsAndTheComparisonInEveryForm) {
    const auto json = run("--pairs --compare --report --format json", TenUnits);
    ASSERT_EQ(json.status, 0) << json.err;
    const std::size_t a = json.out.find("\"a\": {"), b = json.out.find("\"b\": {"),
                      comparison = json.out.find("\"comparison\": {");
    ASSERT_TRUE(a < b && b < comparison) << json.out;
    EXPECT_NE(json.out.substr(a, b - a).find("\"matrix\": [[4, 2], [1, 3]]"), std::string::npos);
    EXPECT_NE(json.out.substr(b, comparison - b).find("\"matrix\": [[3, 2], [2, 3]]"),
              std::string::npos);
    // The pairs' figures worked by hand (see the comparison's core tests).
    const std::string c = "\"comparison\"";
    EXPECT_TRUE(Has(json.out, "\"stratified\": false,\n    \"both_right\": 4, \"only_a_right\": 3, "
                              "\"only_b_right\": 2, \"both_wrong\": 1,\n"));
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_chi2", c), 0.2, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference", c), 0.1, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference_se", c), 7.0 / 30.0, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "users_accuracy_difference"), 1.0 / 15.0, 1e-15);
    // Each map's own accuracy as its report gives it: 7/10 and 6/10.
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy", "\"a\""), 0.7, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy", "\"b\""), 0.6, 1e-15);

    const auto text = run("--pairs --compare", TenUnits);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out.rfind("Map A\nAgreement report for 2 classes", 0), 0u) << text.out;
    EXPECT_TRUE(Has(text.out, "\nMap B\nAgreement report for 2 classes"));
    EXPECT_TRUE(Has(text.out, "\nComparison of map A and map B on the same units, A - B; "
                              "intervals at the confidence level 0.95\n"));
    EXPECT_TRUE(Has(text.out, "  only_a_right "));
    EXPECT_TRUE(Has(text.out, "mid-p, the p-value to read"));
    // The page shows the comparison as the text form writes it.
    const auto html = run("--pairs --compare --format html", TenUnits);
    ASSERT_EQ(html.status, 0) << html.err;
    EXPECT_TRUE(Has(html.out, "mid-p, the p-value to read"));

    // Every CSV row as wide as the header; each map's rows under its own prefix.
    const std::string csv = run("--pairs --compare --format csv", TenUnits).out;
    const auto commas = [&](std::size_t at) {
        return std::count(csv.begin() + static_cast<std::ptrdiff_t>(at),
                          csv.begin() + static_cast<std::ptrdiff_t>(csv.find('\n', at)), ',');
    };
    for (std::size_t at = 0; at < csv.size(); at = csv.find('\n', at) + 1)
        EXPECT_EQ(commas(at), commas(0)) << csv.substr(at, csv.find('\n', at) - at);
    EXPECT_TRUE(Has(csv, "\na.matrix,x,y,2,"));
    EXPECT_TRUE(Has(csv, "\nb.matrix,x,y,2,"));
    EXPECT_TRUE(Has(csv, "\ncomparison,,only_b_right,2,"));
    EXPECT_TRUE(Has(csv, "\ncomparison.classes,x,producers_accuracy_difference,0.2"));
}

// The html page sets map A's and map B's accuracies of each class side by side
// with their difference: as the sample gives them for --pairs (class x: U_A =
// 4/6, U_B = 3/5), as the strata weigh them for --samples. By hand, with the
// first six units in stratum s (N 100) and the last four in t (N 50): U_A of
// x = 100 (4/6) / (100 (4/6) + 50 (2/4)) = 8/11, U_B = 50 / (50 + 25) = 2/3.
TEST_F(BrennicKappaCompare, HtmlPageSetsEachClassOfAAndBSideBySide) {
    std::string strata;
    std::istringstream lines(TenUnits);
    for (std::string line; std::getline(lines, line);)
        strata += (strata.size() < 6 * 8 ? "s," : "t,") + line + "\n";
    const auto row = [](std::initializer_list<const char*> cells) {
        std::string html = "<tr><th scope=\"row\">x</th>";
        for (const char* cell : cells)
            html += "<td class=\"n\">" + std::string(cell) + "</td>";
        return html;
    };
    const struct {
        const char* name;
        std::string args, input, row;
        bool mcnemar;
    } rows[] = {
        {"pairs", "--pairs --compare", TenUnits, row({"0.6667", "0.6", "0.06667"}), true},
        {"strata", "--samples --compare --strata-sizes s=100,t=50", strata,
         row({"0.7273", "0.6667", "0.06061"}), false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto page = run(r.args + " --format html", r.input);
        ASSERT_EQ(page.status, 0) << page.err;
        EXPECT_TRUE(Has(page.out, r.row)) << page.out;
        EXPECT_TRUE(Has(page.out, "<figure id=\"users-accuracy-a-b\">"));
        EXPECT_TRUE(Has(page.out, "<figure id=\"producers-accuracy-a-b\">"));
        // The units right in each map: A right and B right 4, A only 3.
        EXPECT_TRUE(Has(page.out, "<tr><th scope=\"row\">A right</th><td class=\"n\">4</td><td "
                                  "class=\"n\">3</td></tr>"));
        EXPECT_EQ(Has(page.out, "<th scope=\"row\">mcnemar_mid_p</th>"), r.mcnemar);
        EXPECT_EQ(Has(page.out, "not a simple random sample"), !r.mcnemar);
    }
}

// Stehman's sample with a second map made from it: each unit in the class of
// its stratum. By hand (see the comparison's core tests) the difference is
// 0.63 - 0.62 = 0.01 with se (0.517 / 90)^0.5 without the correction.
TEST_F(BrennicKappaCompare, SamplesGiveTheStratifiedDifferenceWithoutMcNemar) {
    std::ifstream in(BRENNIC_TEST_DATA_DIR "/stehman-2014-sample.csv");
    std::string line, sample = "stratum,a,b,reference\n";
    std::getline(in, line);
    while (std::getline(in, line))
        if (line.size() == 5)
            sample += line.substr(0, 4) + line.substr(0, 2) + line.substr(4) + "\n";
    const std::string args = "--samples --compare --header --strata-sizes "
                             "A=40000,B=30000,C=20000,D=10000 --classes A,B,C,D";
    const auto json = run(args + " --format json", sample);
    ASSERT_EQ(json.status, 0) << json.err;
    const std::string c = "\"comparison\"";
    EXPECT_TRUE(Has(json.out, "\"stratified\": true"));
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference", c), 0.01, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference_se", c), std::sqrt(0.517 / 90.0),
                1e-15);
    EXPECT_TRUE(Has(json.out, "\"mcnemar_mid_p\": null"));
    // Map A's own stratified estimate, Stehman's 0.63, in its report.
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy", "\"stratified\": {"), 0.63, 1e-12);

    const auto text = run(args, sample);
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Has(text.out, "The units are a stratified sample, not a simple random sample, "
                              "so McNemar's test does not apply"));
    EXPECT_FALSE(Has(text.out, "mcnemar_chi2")) << "the test is not listed for strata";
}

// Reports written by hand: kappa 0.65 (kappa_se 0.03) and 0.60 (0.04); overall
// accuracy 0.82 (0.012) and 0.79 (0.016). The z-tests are z = 1 and z = 1.5
// (worked in the comparison's core tests); the standard errors under chance
// and of Result.txt, which the tests must not read, are set apart.
TEST_F(BrennicKappaCompare, CompareReportsReadsKappaSeAndOverallAccuracySe) {
    const auto report = [](const char* kappa, const char* se, const char* oa, const char* oaSe) {
        return std::string("{\n  \"schema\": \"brennic-report/2\",\n  \"n\": 2,\n  "
                           "\"result_file\": {\"kappa\": ") +
               kappa + ", \"se\": 9},\n  \"kappa_se\": " + se + ", \"kappa_se0\": 7,\n  " +
               "\"overall_accuracy\": " + oa + ", \"overall_accuracy_se\": " + oaSe + "\n}\n";
    };
    writeFile(dir / "A.json", report("0.65", "0.03", "0.82", "0.012"));
    writeFile(dir / "B.json", report("0.60", "0.04", "0.79", "0.016"));
    const auto json = run("--compare-reports {dir}/A.json {dir}/B.json --format json", "");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NEAR(jsonNumber(json.out, "kappa_difference_se"), 0.05, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "kappa_z"), 1.0, 1e-12);
    EXPECT_NEAR(jsonNumber(json.out, "kappa_p"), 0.3173105, 5e-8);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_z"), 1.5, 1e-12);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_p"), 0.1336144, 5e-8);
    // At another level the interval widens by its normal point, 2.5758293035489 for 0.99.
    const auto wide = run("--compare-reports {dir}/A.json {dir}/B.json --confidence 0.99 "
                          "--format json",
                          "");
    EXPECT_NEAR(jsonNumber(wide.out, "kappa_difference_ci_high"), 0.05 + 2.5758293035489 * 0.05,
                1e-12);

    // The program's own report of a matrix is read back as it was written.
    const auto matrix = run("--report --format json", "20 5 0\n3 15 2\n2 5 48\n");
    writeFile(dir / "C.json", matrix.out);
    const auto same = run("--compare-reports {dir}/C.json {dir}/C.json", "");
    ASSERT_EQ(same.status, 0) << same.err;
    EXPECT_TRUE(Has(same.out, "kappa_difference"));
    EXPECT_TRUE(Has(same.out, "Comparison of two independent assessments"));
}

TEST_F(BrennicKappaCompare, EachRefusalIsOneLine) {
    writeFile(dir / "notes.json", "{\"title\": \"no report\"}");
    writeFile(dir / "ratings.json", run("--ratings --format json", "a a\nb b\na b\n").out);
    writeFile(dir / "nokappa.json", run("--report --format json", "5 0\n0 0\n").out);
    writeFile(dir / "good.json", run("--report --format json", "5 1\n2 6\n").out);
    expectEach({
        // clang-format off
        {"two_labels_under_pairs", "--pairs --compare", "x,x,x\nx,y\n", 1,
         {"line 2 holds 2 labels; each line holds three under --compare: map A's class, map B's "
          "class, the reference's class"}},
        {"three_labels_under_samples", "--samples --compare --strata-sizes s=10", "s,x,y,x\ns,x,y\n", 1,
         {"line 2 holds 3 labels; each line holds four under --compare"}},
        {"compare_without_labels", "--compare", "1 2\n3 4\n", 1, {"--compare needs --pairs or --samples"}},
        {"compare_with_transpose", "--pairs --compare --transpose", TenUnits, 1,
         {"--transpose does not go with --compare"}},
        {"not_a_report", "--compare-reports {dir}/notes.json {dir}/good.json", "", 1,
         {"cannot compare {dir}/notes.json: it is no report of brennic-kappa"}},
        {"not_json", "--compare-reports {dir}/input {dir}/good.json", "x", 1, {"is no JSON report"}},
        {"report_without_kappa", "--compare-reports {dir}/good.json {dir}/ratings.json", "", 1,
         {"cannot compare {dir}/ratings.json: it holds no kappa"}},
        {"kappa_not_defined", "--compare-reports {dir}/nokappa.json {dir}/good.json", "", 1,
         {"cannot compare {dir}/nokappa.json: its kappa is not defined"}},
        {"one_report", "--compare-reports {dir}/good.json", "", 1,
         {"--compare-reports takes two JSON reports, A and B; 1 given"}},
        {"missing_report", "--compare-reports {dir}/good.json {dir}/absent.json", "", 3,
         {"{dir}/absent.json"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
