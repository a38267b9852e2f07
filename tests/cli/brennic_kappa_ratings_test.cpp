// brennic-kappa --ratings run as a process: Gwet's published example through
// the whole program in each format, figures without value with their reasons,
// and the refusals of inputs and options with their exit status.
#include <gtest/gtest.h>

#include "kappa_process.h"

namespace brennic::test {
namespace {

using BrennicKappaRatings = KappaProcessTest;

// Gwet (2014), the 12 units x 4 raters of irrCAC's cac.raw4raters.
const std::string GwetExample = "rater1,rater2,rater3,rater4\n1,1,NA,1\n2,2,3,2\n3,3,3,3\n"
                                "3,3,3,3\n2,2,2,2\n1,2,3,4\n4,4,4,4\n1,1,2,1\n2,2,2,2\n"
                                "NA,5,5,5\nNA,NA,1,1\nNA,NA,3,NA\n";

// The number after "name": in a JSON text.
double jsonNumber(const std::string& json, const std::string& name) {
    const std::size_t at = json.find("\"" + name + "\": ");
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? 0.0 : std::stod(json.substr(at + name.size() + 4));
}

TEST_F(BrennicKappaRatings, GwetsExampleToItsPrintedDigits) {
    const auto json = run("--ratings --header --format json", GwetExample);
    ASSERT_EQ(json.status, 0) << json.err;
    const struct {
        const char* field;
        double printed, lastDigit;
    } rows[] = {
        // clang-format off
        {"percent_agreement", 0.8181818, 1e-7}, {"percent_agreement_se", 0.12561, 1e-5},
        {"gwet_ac1", 0.77544, 1e-5}, {"gwet_ac1_se", 0.14295, 1e-5},
        {"fleiss_kappa", 0.76117, 1e-5}, {"fleiss_kappa_se", 0.15302, 1e-5},
        {"fleiss_kappa_ci95_low", 0.424, 1e-3}, {"fleiss_kappa_ci95_high", 1, 1e-9},
        {"fleiss_kappa_p", 2.095865e-4, 1e-10},
        {"krippendorff_alpha", 0.74342, 1e-5}, {"krippendorff_alpha_se", 0.14548, 1e-5},
        {"conger_kappa", 0.76282, 1e-5}, {"conger_kappa_se", 0.14917, 1e-5},
        {"brennan_prediger", 0.77273, 1e-5}, {"brennan_prediger_se", 0.14472, 1e-5},
        {"units", 12, 0.5}, {"raters", 4, 0.5},
        {"nominal", 0.743, 1e-3}, {"ordinal", 0.815, 1e-3}, {"interval", 0.849, 1e-3}, {"ratio", 0.797, 1e-3},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field);
        EXPECT_NEAR(jsonNumber(json.out, row.field), row.printed, row.lastDigit / 2);
    }
    EXPECT_TRUE(Has(json.out, "{\"label\": \"2\", \"count\": 13}"));

    // --report changes nothing; the text and the CSV carry the same figures.
    EXPECT_EQ(run("--ratings --header --report --format json", GwetExample).out, json.out);
    const auto text = run("--ratings --header", GwetExample);
    // The table is folded to fit 100 columns: the p-values stand in a second part.
    EXPECT_TRUE(Has(text.out, "fleiss_kappa  0.761169275422411  0.153019203469492  "
                              "0.424376279377015          1\n"));
    EXPECT_TRUE(Has(text.out, " 0.000209586519")); // 2.095865e-4, the last digits as libm gives
    const auto csv = run("--ratings --header --format csv --weights quadratic", GwetExample);
    EXPECT_TRUE(Has(csv.out, "\nweights,quadratic,,\n"));
    EXPECT_NEAR(
        jsonNumber("\"x\": " + csv.out.substr(csv.out.find("krippendorff_alpha,,") + 20), "x"),
        0.849, 5e-4); // quadratic weights: the interval alpha
}

TEST_F(BrennicKappaRatings, FiguresWithoutValueCarryTheirReasons) {
    // Every rating in one class: nothing is left beyond chance.
    const std::string oneClass = "a a\na a\na NA\n";
    const auto json = run("--ratings --format json", oneClass);
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "\"fleiss_kappa\": null"));
    EXPECT_TRUE(Has(json.out, "\"fleiss_kappa\": \"the chance agreement is 1"));
    EXPECT_EQ(json.out.find("krippendorff_alpha_by_level"), std::string::npos); // no numbers
    EXPECT_TRUE(Has(run("--ratings", oneClass).out,
                    "Not defined:\n  fleiss_kappa: the chance agreement is 1"));
    EXPECT_TRUE(Has(run("--ratings --format csv", oneClass).out,
                    "\nfleiss_kappa,,,\"the chance agreement is 1"));
}

TEST_F(BrennicKappaRatings, RefusalsExitOneWithASentence) {
    expectEach({
        // clang-format off
        {"one_rater", "--ratings", "1\n2\n", 1, {"at least two raters"}},
        {"no_unit_rated_twice", "--ratings", "1,NA\nNA,2\n", 1, {"no unit has two ratings"}},
        {"ragged_line", "--ratings", "1,2\n1,2\n1\n", 1, {"line 3 holds 1 rating"}},
        {"output_file", "--ratings -o {dir}/r.txt", "1,2\n", 1, {"-o does not go with --ratings"}},
        {"ratings_and_pairs", "--ratings --pairs", "1,2\n", 1, {"does not go with"}},
        {"gwet_weights_on_a_matrix", "--report --weights ordinal", "1 2\n3 4\n", 1,
         {"--weights ordinal needs --ratings"}},
        {"unknown_weights", "--ratings --weights cubic", "1,2\n", 1, {"unknown weights 'cubic'"}},
        {"header_without_labels", "--header", "1 2\n3 4\n", 1,
         {"--header needs --pairs, --ratings or --samples"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
