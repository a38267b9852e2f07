// The comparison of two maps: McNemar's statistics against statsmodels, the
// paired differences against a small sample worked by hand, the stratified
// differences against Stehman's (2014) sample with a second map made from it,
// and the z-test of two independent assessments against a worked example.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "core/comparison.h"

namespace brennic {
namespace {

using Whole = ComparisonFigure;
using Class = ComparisonClassFigure;

// Every figure by name: "mcnemar_p", "class2.users_accuracy_difference".
std::map<std::string, Figure> allFigures(const MapComparison& c) {
    std::map<std::string, Figure> all;
    for (std::size_t i = 0; i < c.figures.all().size(); ++i)
        all[std::string(Catalogue<Whole>()[i].field)] = c.figures.all()[i];
    for (const ComparisonClassEntry& entry : c.classes)
        for (std::size_t i = 0; i < entry.figures.all().size(); ++i)
            all["class" + std::to_string(entry.k) + "." +
                std::string(Catalogue<Class>()[i].field)] = entry.figures.all()[i];
    return all;
}

void expectNear(const std::map<std::string, Figure>& all, const std::string& name, double value,
                double tolerance = 1e-12) {
    SCOPED_TRACE(name);
    const Figure& f = all.at(name);
    ASSERT_TRUE(f.defined()) << f.reason;
    EXPECT_NEAR(*f.value, value, tolerance);
}

void expectReason(const std::map<std::string, Figure>& all, const std::string& name,
                  const std::string& words) {
    SCOPED_TRACE(name);
    const Figure& f = all.at(name);
    ASSERT_FALSE(f.defined()) << *f.value;
    EXPECT_NE(f.reason.find(words), std::string::npos) << f.reason;
}

// Computed apart from this program with Python 3.11, statsmodels 0.13.5 and
// scipy 1.10.1: statsmodels.stats.contingency_tables.mcnemar on [[10, b], [c, 5]]
// with exact=False and correction False, then True, and with exact=True; the
// mid-p as that exact p minus scipy.stats.binom.pmf(b, b + c, 0.5), or 1 -
// pmf / 2 when b = c. The random rows are numpy's default_rng(34) draws in
// 0..59. statsmodels corrects b = c to 1 / (b + c); the program takes
// max(|b - c| - 1, 0), so that row holds 0 and its p-value 1.
TEST(Comparison, McNemarAgainstStatsmodels) {
    // clang-format off
    const struct { const char* name; double b, c, chi2, p, corrected, correctedP, exact, midP; } rows[] = {
        {"equal_discordant", 7, 7, 0.0, 1.0, 0.0, 1.0, 1.0, 0.8952636718750001},
        {"one_discordant_unit", 0, 1, 1.0, 0.31731050786291115, 0.0, 1.0, 1.0, 0.5},
        {"all_on_one_side", 12, 0, 12.0, 0.0005320055051392492, 10.083333333333334, 0.0014961642897455517, 0.00048828125, 0.000244140625},
        {"small_counts", 3, 9, 3.0, 0.08326451666355042, 2.0833333333333335, 0.14891467317876161, 0.14599609375, 0.09228515624999999},
        {"within_one", 20, 19, 0.02564102564102564, 0.8727801237939118, 0.0, 1.0, 0.9999999999999996, 0.8746293123804204},
        {"large_counts", 1234, 1100, 7.693230505569837, 0.005542832537825894, 7.578834618680377, 0.005905760924621242, 0.005894093085247693, 0.005541659640042515},
        {"random_3_0", 3, 0, 3.0, 0.08326451666355042, 1.3333333333333333, 0.24821307898992026, 0.25, 0.125},
        {"random_7_52", 7, 52, 34.32203389830509, 4.670638199306704e-09, 32.813559322033896, 1.014348320169765e-08, 1.3589917802203644e-09, 7.671918274276822e-10},
        {"random_6_14", 6, 14, 3.2, 0.07363827012030258, 2.45, 0.11752486809663953, 0.11531829833984375, 0.07835388183593747},
        {"random_0_39", 0, 39, 39.0, 4.238055426079462e-10, 37.02564102564103, 1.1658598093780509e-09, 3.637978807091713e-12, 1.8189894035458565e-12},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FigureRow<Whole> f;
        FormMcNemar(row.b, row.c, f);
        const std::pair<Whole, double> expected[] = {{Whole::mcnemar_chi2, row.chi2},
                                                     {Whole::mcnemar_p, row.p},
                                                     {Whole::mcnemar_chi2_corrected, row.corrected},
                                                     {Whole::mcnemar_corrected_p, row.correctedP},
                                                     {Whole::mcnemar_exact_p, row.exact},
                                                     {Whole::mcnemar_mid_p, row.midP}};
        for (const auto& [id, value] : expected) {
            SCOPED_TRACE(Catalogue<Whole>()[static_cast<std::size_t>(id)].field);
            ASSERT_TRUE(f[id].defined()) << f[id].reason;
            // Relative: the p-values far out in the tail keep their digits.
            EXPECT_NEAR(*f[id].value, value, 1e-12 * std::fmax(value, 1e-300) + 1e-15);
        }
    }
}

// A unit per quadruple: map A's class, map B's, the reference's (classes from 0).
ComparedSample simpleSample(const std::vector<std::array<std::size_t, 3>>& units,
                            std::size_t classes) {
    ComparedSample s;
    s.classes = classes;
    for (const auto& [a, b, r] : units)
        s.cells.push_back({0, a, b, r, 1.0});
    return s;
}

// Ten units of classes x (0) and y (1): both right 4, A only 3, B only 2,
// both wrong 1. Worked by hand: d = (3 - 2) / 10; the variance of y_u is
// ((b + c) - (b - c)^2 / n) / (n - 1) = 4.9 / 9, so se = (4.9 / 90)^0.5 = 7/30.
// Class x: U_A = 4/6, U_B = 3/5; the residuals e_u times 45 are -11, -11, 25,
// 25, -36, 0, 0, -50, 54, 4, whose squares add to 8220 / 2025: se = (8220 /
// (2025 * 90))^0.5. P_A = 4/5, P_B = 3/5; e_u = (y_A - y_B - 0.2 x) / 0.5 adds
// squares to 11.2: se = (11.2 / 90)^0.5. Class y: U_A = 3/4, U_B = 3/5, P_A =
// P_B = 3/5.
TEST(Comparison, PairedDifferencesWorkedByHand) {
    const ComparedSample sample = simpleSample({{0, 0, 0},
                                                {0, 0, 0},
                                                {0, 1, 0},
                                                {0, 1, 0},
                                                {1, 0, 0},
                                                {1, 1, 1},
                                                {1, 1, 1},
                                                {0, 1, 1},
                                                {1, 0, 1},
                                                {0, 0, 1}},
                                               2);
    const MapComparison c = CompareMaps(sample, 0.95);
    EXPECT_FALSE(c.stratified);
    const auto all = allFigures(c);
    const double z = 1.959963984540054;
    const std::pair<const char*, double> expected[] = {
        {"both_right", 4},
        {"only_a_right", 3},
        {"only_b_right", 2},
        {"both_wrong", 1},
        {"mcnemar_chi2", 0.2},
        {"overall_accuracy_difference", 0.1},
        {"overall_accuracy_difference_se", 7.0 / 30.0},
        {"overall_accuracy_difference_ci_low", 0.1 - z * 7.0 / 30.0},
        {"overall_accuracy_difference_ci_high", 0.1 + z * 7.0 / 30.0},
        {"class1.users_accuracy_difference", 1.0 / 15.0},
        {"class1.users_accuracy_difference_se", std::sqrt(8220.0 / (2025.0 * 90.0))},
        {"class1.producers_accuracy_difference", 0.2},
        {"class1.producers_accuracy_difference_se", std::sqrt(11.2 / 90.0)},
        {"class2.users_accuracy_difference", 0.15},
        {"class2.producers_accuracy_difference", 0.0},
    };
    for (const auto& [name, value] : expected)
        expectNear(all, name, value);
}

// Stehman's sample: stratum, map class, reference class, A to D; map B is made
// from it by putting every unit in the class of its stratum.
ComparedSample stehmanPair(bool fpc, bool referenceAsB) {
    ComparedSample s{{"A", "B", "C", "D"}, {40000, 30000, 20000, 10000}, fpc, 4, {}, {}};
    std::ifstream in(BRENNIC_TEST_DATA_DIR "/stehman-2014-sample.csv");
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line))
        if (line.size() == 5) {
            const auto h = static_cast<std::size_t>(line[0] - 'A'),
                       a = static_cast<std::size_t>(line[2] - 'A'),
                       r = static_cast<std::size_t>(line[4] - 'A');
            s.cells.push_back({h, a, referenceAsB ? r : h, r, 1.0});
        }
    EXPECT_EQ(s.cells.size(), 40u);
    return s;
}

// Map B as the strata. By hand: y_u is 0 in stratum A but for one unit of +1
// and one of -1 (s^2 = 2/9), in B a single +1 (mean 0.1, s^2 = 0.1), in C two
// -1 and one +1 (mean -0.1, s^2 = 2.9/9), in D 0; so d = 0.3 * 0.1 - 0.2 * 0.1
// = 0.01 (0.63 - 0.62) and, without the correction, se^2 = (0.16 * 2/9 + 0.09
// * 0.1 + 0.04 * 2.9/9) / 10 = 0.517 / 90. The class figures and those with the
// correction were computed apart from this program, unit by unit in numpy:
// Stehman's stratified mean of y_u and of the linearized residuals e_u.
TEST(Comparison, StratifiedDifferenceOnStehmanSample) {
    const auto all = allFigures(CompareMaps(stehmanPair(false, false)));
    const std::pair<const char*, double> expected[] = {
        {"overall_accuracy_difference", 0.01},
        {"overall_accuracy_difference_se", std::sqrt(0.517 / 90.0)},
        {"class1.users_accuracy_difference", 0.14193548387096788},
        {"class1.users_accuracy_difference_se", 0.11584128264018093},
        {"class1.producers_accuracy_difference", -0.02857142857142847},
        {"class1.producers_accuracy_difference_se", 0.142996757174274},
        {"class2.users_accuracy_difference", -0.12553191489361692},
        {"class2.users_accuracy_difference_se", 0.12176060959126904},
        {"class2.producers_accuracy_difference", 0.17647058823529416},
        {"class2.producers_accuracy_difference_se", 0.11586099287811052},
        {"class3.users_accuracy_difference", 0.0},
        {"class3.users_accuracy_difference_se", 0.13608276348795437},
        {"class3.producers_accuracy_difference_se", 0.13216151734399342},
        {"class4.users_accuracy_difference_se", 0.0},
    };
    for (const auto& [name, value] : expected)
        expectNear(all, name, value);
    expectReason(all, "mcnemar_chi2", "not a simple random sample");
    expectReason(all, "mcnemar_mid_p", "not a simple random sample");

    const auto corrected = allFigures(CompareMaps(stehmanPair(true, false)));
    expectNear(corrected, "overall_accuracy_difference_se", 0.07578001788803637);
    expectNear(corrected, "class2.users_accuracy_difference_se", 0.12174110619747776);
    expectNear(corrected, "class2.producers_accuracy_difference_se", 0.11584344964103364);
}

// Map B as the reference itself: every difference is A's shortfall from 1, with
// the standard errors Stehman (2014) published for map A (with the correction).
TEST(Comparison, ReferenceAsSecondMapGivesStehmansStandardErrors) {
    const auto all = allFigures(CompareMaps(stehmanPair(true, true)));
    expectNear(all, "overall_accuracy_difference", 0.63 - 1.0, 5e-3);
    expectNear(all, "overall_accuracy_difference_se", 0.08464219, 5e-9);
    expectNear(all, "class2.users_accuracy_difference", 0.574 - 1.0, 5e-4);
    expectNear(all, "class2.users_accuracy_difference_se", 0.1247822, 5e-8);
    expectNear(all, "class2.producers_accuracy_difference", 0.794 - 1.0, 5e-4);
    expectNear(all, "class2.producers_accuracy_difference_se", 0.1165479, 5e-8);
}

TEST(Comparison, FiguresThatCannotBeFormedSayWhy) {
    const struct {
        const char* name;
        ComparedSample sample;
        const char* figure;
        const char* words;
    } rows[] = {
        {"no_discordant_unit", simpleSample({{0, 0, 0}, {1, 1, 0}, {1, 1, 1}}, 2), "mcnemar_p",
         "b + c = 0"},
        {"class_never_mapped_by_b", simpleSample({{0, 0, 0}, {2, 1, 2}, {1, 1, 1}}, 3),
         "class3.users_accuracy_difference", "mapped as class 3 in map B"},
        {"class_never_found", simpleSample({{0, 0, 0}, {2, 1, 1}, {1, 0, 1}}, 3),
         "class3.producers_accuracy_difference_se", "No unit is of reference class 3"},
        {"single_unit", simpleSample({{0, 1, 0}}, 2), "overall_accuracy_difference_se",
         "single unit"},
        {"stratum_of_one_unit",
         ComparedSample{{"S1", "S2"},
                        {100, 100},
                        false,
                        2,
                        {"x", "y"},
                        {{0, 0, 1, 0, 1.0}, {0, 1, 1, 1, 1.0}, {1, 0, 0, 1, 1.0}}},
         "class1.users_accuracy_difference_se", "Stratum \"S2\" holds a single sample unit"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectReason(allFigures(CompareMaps(row.sample)), row.figure, row.words);
    }
}

// Worked by hand: kappa 0.65 (se 0.03) against 0.60 (se 0.04) differ by 0.05
// with se (0.0009 + 0.0016)^0.5 = 0.05, so z = 1; overall accuracy 0.82 (se
// 0.012) against 0.79 (se 0.016) differ by 0.03 with se 0.02, z = 1.5. The
// two-sided p-values of z = 1 and 1.5 from the normal table: 0.3173105 and
// 0.1336144.
TEST(Comparison, IndependentZTestWorkedByHand) {
    const AssessedFigures a{Figure::Of(0.65), Figure::Of(0.03), Figure::Of(0.82),
                            Figure::Of(0.012)};
    const AssessedFigures b{Figure::Of(0.60), Figure::Of(0.04), Figure::Of(0.79),
                            Figure::Of(0.016)};
    const FigureRow<IndependentFigure> f = CompareIndependent(a, b, 0.95);
    const double z = 1.959963984540054;
    using enum IndependentFigure;
    const std::pair<IndependentFigure, double> expected[] = {
        {kappa_difference, 0.05},
        {kappa_difference_se, 0.05},
        {kappa_difference_ci_low, 0.05 - z * 0.05},
        {kappa_difference_ci_high, 0.05 + z * 0.05},
        {kappa_z, 1.0},
        {kappa_p, 0.3173105},
        {overall_accuracy_difference, 0.03},
        {overall_accuracy_difference_se, 0.02},
        {overall_accuracy_difference_ci_low, 0.03 - z * 0.02},
        {overall_accuracy_difference_ci_high, 0.03 + z * 0.02},
        {overall_accuracy_z, 1.5},
        {overall_accuracy_p, 0.1336144},
    };
    for (const auto& [id, value] : expected) {
        SCOPED_TRACE(Catalogue<IndependentFigure>()[static_cast<std::size_t>(id)].field);
        ASSERT_TRUE(f[id].defined()) << f[id].reason;
        EXPECT_NEAR(*f[id].value, value, id == kappa_p || id == overall_accuracy_p ? 5e-8 : 1e-12);
    }

    // A kappa not defined spoils the kappa's test only, for its own reason.
    const AssessedFigures undefinedKappa{Figure::NotDefined("Kappa of A."), Figure::Of(0.03),
                                         Figure::Of(0.82), Figure::Of(0.012)};
    const FigureRow<IndependentFigure> g = CompareIndependent(undefinedKappa, b, 0.95);
    EXPECT_EQ(g[kappa_p].reason, "Kappa of A.");
    EXPECT_TRUE(g[overall_accuracy_p].defined());
    // Standard errors of 0 leave z without a value.
    const AssessedFigures exact{Figure::Of(0.65), Figure::Of(0.0), Figure::Of(1.0),
                                Figure::Of(0.0)};
    const FigureRow<IndependentFigure> h = CompareIndependent(exact, exact, 0.95);
    EXPECT_FALSE(h[kappa_z].defined());
    EXPECT_FALSE(h[kappa_p].defined());
}

} // namespace
} // namespace brennic
