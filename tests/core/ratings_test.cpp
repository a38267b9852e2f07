// The ratings report against the published examples (Gwet 2014, Fleiss 1971,
// Krippendorff 2011) to their printed digits, against the pairs report for two
// raters, and each refusal and figure without value.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <numbers>
#include <random>
#include <sstream>
#include <string>

#include "core/agreement_report.h"
#include "core/ratings.h"
#include "core/student_t.h"

namespace brennic {
namespace {

using enum RatingsCoefficient;

// A published CSV: header line, then one unit per line, NA for a missing rating.
// The classes in the order of their values.
RatingsTable readCsv(const std::string& name) {
    std::ifstream in(std::string(BRENNIC_TEST_DATA) + "/" + name);
    EXPECT_TRUE(in) << name;
    RatingsTable table;
    std::vector<std::string> fields; // unit by unit
    std::map<double, std::string> classes;
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        std::istringstream row(line);
        table.raters = 0;
        for (std::string field; std::getline(row, field, ','); ++table.raters)
            if (fields.push_back(field); field != "NA")
                classes[std::stod(field)] = field;
    }
    for (const auto& [value, label] : classes)
        table.labels.push_back(label), table.values.push_back(value);
    for (const auto& field : fields)
        table.ratings.push_back(field == "NA"
                                    ? NoRating
                                    : static_cast<std::uint8_t>(std::distance(
                                          classes.begin(), classes.find(std::stod(field)))));
    return table;
}

RatingsReport reportOf(const RatingsTable& table, RatingWeights weights = RatingWeights::None) {
    auto result = ComputeRatingsReport(table, weights);
    if (auto* why = std::get_if<std::string>(&result))
        ADD_FAILURE() << *why;
    return std::get<RatingsReport>(result);
}

// A figure to the digits printed: |value - printed| at most half a unit of the
// last printed digit.
void expectPrinted(const Figure& figure, double printed, double lastDigit) {
    ASSERT_TRUE(figure.defined()) << figure.reason;
    EXPECT_NEAR(*figure.value, printed, lastDigit / 2) << "printed " << printed;
}

// One degree of freedom is Cauchy: F(t) = 1/2 + atan(t) / pi, so t(0.975) =
// tan(0.475 pi); two: F(t) = 1/2 + t / (2 sqrt(2 + t^2)), t(p) = (2p - 1) /
// sqrt(2 p (1 - p)). The rest are the printed t tables (three decimals).
TEST(StudentT, TableValuesAndClosedForms) {
    // clang-format off
    const struct { const char* name; double p, df, t, tolerance; } rows[] = {
        {"cauchy_975", 0.975, 1, 12.7062047361747, 1e-11}, {"cauchy_999", 0.999, 1, 318.308838985550, 1e-9},
        {"df2_975", 0.975, 2, 0.95 / std::sqrt(2 * 0.975 * 0.025), 1e-12},
        {"df2_600", 0.6, 2, 0.2 / std::sqrt(2 * 0.6 * 0.4), 1e-12},
        {"table_df5_95", 0.95, 5, 2.015, 5e-4},       {"table_df10_975", 0.975, 10, 2.228, 5e-4},
        {"table_df11_975", 0.975, 11, 2.201, 5e-4},   {"table_df29_975", 0.975, 29, 2.045, 5e-4},
        {"table_df120_995", 0.995, 120, 2.617, 5e-4}, {"normal_limit", 0.975, 1e7, 1.959964, 5e-6},
        {"lower_half_df4", 0.05, 4, -2.132, 5e-4},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const double t = StudentTQuantile(row.p, row.df);
        EXPECT_NEAR(t, row.t, row.tolerance);
        EXPECT_NEAR(StudentTCdf(t, row.df), row.p, 1e-12);
    }
    // Far tails keep their digits: P(T > 1e6) with one degree of freedom is
    // atan(1e-6) / pi; with two, (1 - t / sqrt(2 + t^2)) / 2, rationalised.
    EXPECT_NEAR(StudentTUpperTail(1e6, 1) / (std::atan(1e-6) / std::numbers::pi), 1.0, 1e-10);
    EXPECT_NEAR(StudentTUpperTail(1e3, 2) * (1e3 * std::sqrt(2 + 1e6) + 2 + 1e6), 1.0, 1e-10);
    EXPECT_NEAR(RegularizedIncompleteBeta(0.3, 2, 3), 0.3483, 1e-12); // 1 - 0.7^4 - 4(0.3)(0.7)^3
}

// The normal points of two-sided levels, as Python's NormalDist().inv_cdf gives
// them from the upper tail (1 - level) / 2 (Wichura's algorithm AS 241), and the
// level back from each through erfc.
TEST(StudentT, NormalPointsOfConfidenceLevels) {
    const std::pair<double, double> rows[] = {{0.5, 0.6744897501960817},
                                              {0.9, 1.6448536269514722},
                                              {0.95, 1.9599639845400536},
                                              {0.99, 2.5758293035489},
                                              {0.999999, 4.891638475692932}};
    for (const auto& [level, z] : rows) {
        SCOPED_TRACE(level);
        const double point = TwoSidedNormalPoint(level);
        EXPECT_NEAR(point, z, 1e-12 * z);
        EXPECT_NEAR(1.0 - std::erfc(point / std::numbers::sqrt2), level, 1e-15);
    }
}

TEST(Ratings, FleissPsychiatristsAndGwetHandbookFourRaters) {
    const RatingsReport fleiss = reportOf(readCsv("fleiss-1971-30-patients.csv"));
    expectPrinted(fleiss[fleiss_kappa].value, 0.4302445, 1e-7); // printed 0.430
    EXPECT_EQ(fleiss.units, 30u);
    const RatingsReport r = reportOf(readCsv("gwet-2014-4-raters.csv"));
    EXPECT_EQ(r.units, 12u);
    EXPECT_EQ(r.raters, 4u);
    const std::tuple<RatingsCoefficient, double, double> rows[] = {
        {percent_agreement, 0.8181818, 0.12561}, {gwet_ac1, 0.77544, 0.14295},
        {fleiss_kappa, 0.76117, 0.15302},        {krippendorff_alpha, 0.74342, 0.14548},
        {conger_kappa, 0.76282, 0.14917},        {brennan_prediger, 0.77273, 0.14472},
    };
    for (const auto& [c, value, se] : rows) {
        SCOPED_TRACE(std::string(RatingsCoefficientName(c)));
        expectPrinted(r[c].value, value, c == percent_agreement ? 1e-7 : 1e-5);
        expectPrinted(r[c].se, se, 1e-5);
    }
    expectPrinted(r[fleiss_kappa].ci_low, 0.424, 1e-3);
    expectPrinted(r[fleiss_kappa].ci_high, 1, 1e-12); // capped
    expectPrinted(r[fleiss_kappa].p, 2.095865e-4, 1e-10);
    // Class counts by hand from the table: 1 x9, 2 x13, 3 x11, 4 x5, 5 x3.
    const std::uint64_t counts[] = {9, 13, 11, 5, 3};
    ASSERT_EQ(r.classes.size(), 5u);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(r.classes[k].count, counts[k]) << r.classes[k].label;
}

// His 2011 example: the four levels. Gwet's alpha with quadratic weights is the
// interval alpha and with ratio weights the ratio alpha, as the weights are
// 1 - d / max d with his metrics d; the same data in Gwet's layout.
TEST(Ratings, KrippendorffLevelsAndWeightedAlpha) {
    const RatingsReport k = reportOf(readCsv("krippendorff-2011-4-coders.csv"));
    ASSERT_TRUE(k.krippendorffByLevel);
    const double levels[] = {0.743, 0.815, 0.849, 0.797};
    for (std::size_t i = 0; i < 4; ++i)
        expectPrinted((*k.krippendorffByLevel)[i], levels[i], 1e-3);
    expectPrinted(k[krippendorff_alpha].value, 0.743, 1e-3);
    const RatingsTable gwet = readCsv("gwet-2014-4-raters.csv");
    expectPrinted(reportOf(gwet, RatingWeights::Quadratic)[krippendorff_alpha].value, 0.849, 1e-3);
    expectPrinted(reportOf(gwet, RatingWeights::Ratio)[krippendorff_alpha].value, 0.797, 1e-3);
}

// Without missing ratings Fleiss' kappa is Scott's pi, Conger's is Cohen's, and
// Krippendorff's alpha the pairs report's, for the matrix of the pairs.
TEST(Ratings, TwoRatersMatchThePairsReport) {
    std::mt19937 random(7);
    for (const int classes : {2, 3, 6}) {
        SCOPED_TRACE(classes);
        std::uniform_int_distribution<int> cls(0, classes - 1);
        RatingsTable t{2, {}, {}, {}, {}};
        for (int k = 0; k < classes; ++k)
            t.labels.push_back("c" + std::to_string(k));
        ErrorMatrix m(classes);
        for (int i = 0; i < 40; ++i) {
            // Half the time the second rater agrees with the first.
            const int a = cls(random), b = random() % 2 ? a : cls(random);
            t.ratings.insert(t.ratings.end(),
                             {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)});
            m.set(a + 1, b + 1, m.x(a + 1, b + 1) + 1);
        }
        FormTotals(m);
        const auto& o = ComputeAgreementReport(m, Weights::None).overall;
        const RatingsReport r = reportOf(t);
        for (const auto& [ours, pairs] : {std::pair{fleiss_kappa, OverallFigure::scott_pi},
                                          {conger_kappa, OverallFigure::KAPPA},
                                          {krippendorff_alpha, OverallFigure::krippendorff_alpha},
                                          {percent_agreement, OverallFigure::PO}})
            EXPECT_NEAR(*r[ours].value.value, *o[pairs].value, 1e-13);
    }
}

// Classes of values 1, 2, 4 (ranks 1, 2, 3); w(1,2), w(1,4), w(2,4) by hand.
TEST(Ratings, WeightsOfTheHandbook) {
    // clang-format off
    const struct { RatingWeights weights; double w12, w14, w24; } rows[] = {
        {RatingWeights::None, 0, 0, 0},          {RatingWeights::Linear, 2.0 / 3, 0, 1.0 / 3},
        {RatingWeights::Quadratic, 8.0 / 9, 0, 5.0 / 9},
        {RatingWeights::Ordinal, 2.0 / 3, 0, 2.0 / 3}, // by the ranks
        {RatingWeights::Radical, 1 - 1 / std::sqrt(3.0), 0, 1 - std::sqrt(2.0 / 3)},
        {RatingWeights::Ratio, 56.0 / 81, 0, 56.0 / 81},
        {RatingWeights::Circular, 0.5, 0.5, 0}, // period 4
        {RatingWeights::Bipolar, 0.8, 0, 0.5},
        // clang-format on
    };
    std::string why;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(RatingWeightsName(row.weights)));
        const auto w = RatingWeightMatrix(row.weights, 3, {1, 2, 4}, why);
        ASSERT_TRUE(w) << why;
        const double expected[9] = {1, row.w12, row.w14, row.w12, 1, row.w24, row.w14, row.w24, 1};
        for (std::size_t i = 0; i < 9; ++i)
            EXPECT_NEAR((*w)[i], expected[i], 1e-15) << i;
        EXPECT_EQ(RatingWeightsFromName(RatingWeightsName(row.weights)), row.weights);
    }
    const auto ranks = RatingWeightMatrix(RatingWeights::Linear, 3, {}, why); // labels, not numbers
    ASSERT_TRUE(ranks);
    EXPECT_DOUBLE_EQ((*ranks)[1], 0.5);
    EXPECT_FALSE(RatingWeightMatrix(RatingWeights::Ratio, 2, {-1, 1}, why));
    EXPECT_NE(why.find("add up to 0"), std::string::npos);
    EXPECT_FALSE(RatingWeightsFromName("Linear"));
}

TEST(Ratings, RefusalsAndFiguresWithoutValue) {
    const auto table = [](std::size_t raters, std::vector<std::uint8_t> ratings,
                          std::size_t classes) {
        RatingsTable t{raters, std::move(ratings), {}, {}, {}};
        for (std::size_t k = 0; k < classes; ++k)
            t.labels.push_back("c" + std::to_string(k));
        return t;
    };
    const std::uint8_t N = NoRating;
    const std::pair<RatingsTable, const char*> refusals[] = {
        {table(1, {0, 1, 0}, 2), "at least two raters"},
        {table(3, {0, N, N, N, 1, N, N, N, N}, 2), "no unit has two"},
    };
    for (const auto& [refused, words] : refusals) {
        const auto why = std::get<std::string>(ComputeRatingsReport(refused, RatingWeights::None));
        EXPECT_NE(why.find(words), std::string::npos) << why;
    }

    // Every rating in one class: perfect agreement, but nothing beyond chance;
    // a rater who never rates leaves Conger's kappa without value; an empty
    // line is no unit.
    const RatingsReport one = reportOf(table(3, {0, 0, N, 0, 0, N, N, N, N, 0, 0, N}, 1));
    EXPECT_EQ(one.units, 3u);
    EXPECT_DOUBLE_EQ(*one[percent_agreement].value.value, 1.0);
    EXPECT_EQ(*one[percent_agreement].se.value, 0.0);
    EXPECT_FALSE(one[percent_agreement].p.defined()); // se 0: no t statistic
    EXPECT_NE(one[fleiss_kappa].value.reason.find("chance agreement is 1"), std::string::npos);
    EXPECT_FALSE(one[fleiss_kappa].se.defined());
    EXPECT_NE(one[gwet_ac1].value.reason.find("two classes or more"), std::string::npos);
    EXPECT_NE(one[conger_kappa].value.reason.find("rater 3"), std::string::npos);
    EXPECT_FALSE(one.krippendorffByLevel); // labels are no numbers

    // A single unit has a value but no standard error.
    const RatingsReport single = reportOf(table(2, {0, 1}, 2));
    EXPECT_TRUE(single[brennan_prediger].value.defined());
    EXPECT_FALSE(single[brennan_prediger].se.defined());
}

} // namespace
} // namespace brennic
