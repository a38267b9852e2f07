// brennic-kappa --samples run as a process: Stehman's (2014) sample gives the
// paper's figures through the whole command, the error matrix counted by hand,
// each form of the report whole; and each refusal names its stratum or line.
#include <gtest/gtest.h>

#include <cstdlib>

#include "kappa_process.h"

namespace brennic::test {
namespace {

using BrennicKappaSamples = KappaProcessTest;

// The number after `"name": ` in the "stratified" section of a JSON report,
// after the first occurrence of `after`.
double stratifiedNumber(const std::string& json, const std::string& name,
                        const std::string& after = "\"stratified\"") {
    const std::size_t at = json.find("\"" + name + "\": ", json.find(after));
    EXPECT_NE(at, std::string::npos) << name;
    return std::strtod(json.c_str() + at + name.size() + 4, nullptr);
}

TEST_F(BrennicKappaSamples, StehmanExampleThroughTheCommand) {
    const std::string sample = readFile(BRENNIC_TEST_DATA_DIR "/stehman-2014-sample.csv");
    const struct {
        std::string fpc;
        double overallSe, usersBSe; // the paper's with the correction; apart from it without
    } rows[] = {{" --fpc", 0.08464219, 0.1247822}, {"", 0.08465617, 0.1248023}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fpc);
        const std::string args = "--samples --header --strata-sizes A=40000,B=30000,C=20000,D=10000"
                                 " --report" +
                                 row.fpc;
        const auto json = run(args + " --classes A,B,C,D --format json", sample);
        ASSERT_EQ(json.status, 0) << json.err;
        // Counted by hand from the file, all strata together.
        EXPECT_TRUE(Has(json.out, "\"matrix\": [[6, 1, 1, 0], [4, 9, 3, 0], [0, 1, 3, 2], "
                                  "[0, 1, 2, 7]]"));
        EXPECT_TRUE(Has(json.out, row.fpc.empty() ? "\"fpc\": false" : "\"fpc\": true"));
        EXPECT_TRUE(Has(json.out, "{\"label\": \"C\", \"size\": 20000, \"sample_units\": 10}"));
        EXPECT_NEAR(stratifiedNumber(json.out, "overall_accuracy"), 0.63, 5e-3);
        EXPECT_NEAR(stratifiedNumber(json.out, "overall_accuracy_se"), row.overallSe, 5e-9);
        const std::string classB = "{\"class\": 2, \"label\": \"B\", \"users";
        EXPECT_NEAR(stratifiedNumber(json.out, "users_accuracy", classB), 0.574, 5e-4);
        EXPECT_NEAR(stratifiedNumber(json.out, "users_accuracy_se", classB), row.usersBSe, 5e-8);
        EXPECT_NEAR(stratifiedNumber(json.out, "producers_accuracy", classB), 0.794, 5e-4);
        // p^_BC: row B, column C of the estimated proportions.
        EXPECT_TRUE(Has(json.out, "\"area_proportions\": [[0.23, "));
        EXPECT_TRUE(Has(json.out, "], [0.12000000000000001, 0.27, 0.08000000000000002, 0], "));
        const auto text = run(args + " --classes A,B,C,D", sample);
        EXPECT_TRUE(Has(text.out, "  overall_accuracy     estimated overall accuracy  0.63\n"));
        EXPECT_TRUE(Has(text.out, "      B  0.12  0.27  0.08     0   0.47\n"));
        // Every CSV row as wide as the header.
        const std::string csv = run(args + " --format csv", sample).out;
        const auto commas = [&](std::size_t at) {
            return std::count(csv.begin() + at, csv.begin() + csv.find('\n', at), ',');
        };
        for (std::size_t at = 0; at < csv.size(); at = csv.find('\n', at) + 1)
            EXPECT_EQ(commas(at), commas(0)) << csv.substr(at, csv.find('\n', at) - at);
        EXPECT_TRUE(Has(csv, "\nstratified.class.users_accuracy,0.574468085106383,B,"));
    }
}

TEST_F(BrennicKappaSamples, StratumOfOneUnitAndMissingLabels) {
    // Stratum s2 keeps one unit once the unit with a missing reference is left
    // out: the estimates are formed, every standard error is not.
    const auto json = run("--samples --missing NA --strata-sizes 's1=100, s2 = 50' --report "
                          "--format json",
                          "s1,a,a\ns1,a,b\ns1,b,b,\ns2,b,b\ns2,a,NA\n");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_TRUE(Has(json.out, "{\"label\": \"s2\", \"size\": 50, \"sample_units\": 1}"));
    // By hand: W = 2/3, 1/3; agreement 2/3 in s1, 1 in s2: 4/9 + 1/3 = 7/9.
    EXPECT_NEAR(stratifiedNumber(json.out, "overall_accuracy"), 7.0 / 9, 1e-15);
    EXPECT_TRUE(Has(json.out, "\"overall_accuracy_se\": null"));
    EXPECT_TRUE(Has(json.out, "\"users_accuracy_se\": \"Stratum \\\"s2\\\" holds a single sample "
                              "unit"));
}

TEST_F(BrennicKappaSamples, EachRefusalNamesItsStratumOrLine) {
    const std::string sample = "A,x,x\nA,x,y\nB,y,y\nB,y,x\n", s = "--samples --report ";
    const std::string notWhole = "') is not a positive whole number";
    expectEach({
        // clang-format off
        {"stratum_without_a_size", s + "--strata-sizes A=10", sample, 1,
         {"line 3: stratum 'B' has no size in --strata-sizes"}},
        {"size_not_whole", s + "--strata-sizes A=10,B=2.5", sample, 1,
         {"the size of stratum 'B' in --strata-sizes ('2.5" + notWhole}},
        {"size_zero", s + "--strata-sizes A=0,B=10", sample, 1,
         {"the size of stratum 'A' in --strata-sizes ('0" + notWhole}},
        {"size_negative", s + "--strata-sizes A=10,B=-4", sample, 1,
         {"the size of stratum 'B' in --strata-sizes ('-4" + notWhole}},
        {"size_below_the_sample", s + "--strata-sizes A=10,B=1", sample, 1,
         {"stratum 'B' holds 2 sample units, more than its size 1 in --strata-sizes"}},
        {"size_without_a_sample", s + "--strata-sizes A=10,B=10,C=5", sample, 1,
         {"stratum 'C' has a size in --strata-sizes but no sample unit in the input"}},
        {"two_sizes", s + "--strata-sizes A=10,B=10,A=3", sample, 1,
         {"stratum 'A' is given two sizes in --strata-sizes"}},
        {"not_stratum_equals_size", s + "--strata-sizes A=10,B", sample, 1,
         {"entry 2 of --strata-sizes ('B') is not STRATUM=SIZE"}},
        {"two_labels", s + "--strata-sizes A=10,B=10", "A,x,x\nB,y\n", 1,
         {"line 2 holds 2 labels; each line holds three"}},
        {"four_labels", s + "--strata-sizes A=10,B=10", "A,x,x,y\n", 1, {"line 1 holds more than 3"}},
        {"unlisted_class", s + "--classes x,y --strata-sizes A=10,B=10", "A,x,z\n", 1,
         {"line 1: 'z' is not one of the classes given with --classes"}},
        {"no_sizes", s, sample, 1, {"--samples needs --strata-sizes"}},
        {"samples_without_report", "--samples --strata-sizes A=10,B=10", sample, 1,
         {"--samples needs --report"}},
        {"fpc_without_samples", "--report --fpc", sample, 1, {"--fpc needs --samples"}},
        {"samples_and_pairs", "--pairs --samples --report", sample, 1, {"does not go with --pairs"}},
        {"transpose_with_samples", s + "--transpose --strata-sizes A=10,B=10", sample, 1,
         {"--transpose does not go with --samples"}},
        {"mapped_area_with_samples", s + "--strata-sizes A=10,B=10 --mapped-area 1,2", sample, 1,
         {"--mapped-area does not go with --samples"}},
        // clang-format on
    });
}

} // namespace
} // namespace brennic::test
