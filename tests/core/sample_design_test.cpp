// The sample sizes and allocations of a design, against Olofsson et al. (2014),
// section 5.1, Cochran's simple random sample and allocations worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "core/sample_design.h"

namespace brennic {
namespace {

// Deforestation, forest gain, stable forest, stable non-forest.
std::vector<DesignStratum> olofssonStrata() {
    return {{"1", 200000, 0.7}, {"2", 150000, 0.6}, {"3", 3200000, 0.9}, {"4", 6450000, 0.95}};
}

TEST(SampleDesign, SizesAndAllocationsWorkedByHand) {
    const struct {
        const char* name;
        std::vector<DesignStratum> strata;
        SampleSizeRule rule;
        Allocation allocation;
        double minimum;
        double n;
        std::vector<double> units;
    } rows[] = {
        // Equation 13: (sum W_h S_h / 0.01)^2 = 25.30883^2 = 640.5 -> 641; n W_h =
        // 12.82, 9.615, 205.12, 413.445: floors 639, the two largest remainders
        // (strata 1 and 2) take one more.
        {"olofsson_proportional",
         olofssonStrata(),
         {0.01, {}, {}},
         Allocation::Proportional,
         0,
         641,
         {13, 10, 205, 413}},
        // 160.25 each; the one left goes to the largest stratum.
        {"olofsson_equal",
         olofssonStrata(),
         {0.01, {}, {}},
         Allocation::Equal,
         0,
         641,
         {160, 160, 160, 161}},
        // W_h S_h = 0.0091652, 0.0073485, 0.096, 0.1405746: 23.21, 18.61, 243.14, 356.03.
        {"olofsson_neyman",
         olofssonStrata(),
         {0.01, {}, {}},
         Allocation::Neyman,
         0,
         641,
         {23, 19, 243, 356}},
        // Strata 1 and 2 fall short of 100 and take it; 441 shared by 3 and 4 as
        // 3.2 : 6.45 = 146.3, 294.7.
        {"olofsson_minimum_100",
         olofssonStrata(),
         {0.01, {}, {}},
         Allocation::Minimum,
         100,
         641,
         {100, 100, 146, 295}},
        // Cochran: 1.959964^2 0.85 0.15 / 0.04^2 = 306.1 -> 307.
        {"simple_half_width",
         {{"all", 1000000, 0.85}},
         {{}, 0.04, {}},
         Allocation::Simple,
         0,
         307,
         {307}},
        // A stratum of 3 pixels takes all 3; its surplus goes to the other.
        {"stratum_takes_all_its_pixels",
         {{"a", 3, 0.9}, {"b", 97, 0.9}},
         {{}, {}, 20},
         Allocation::Equal,
         0,
         20,
         {3, 17}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto planned = PlanSampleDesign(row.strata, row.rule, row.allocation, row.minimum, 0.95);
        ASSERT_TRUE(std::holds_alternative<SampleDesign>(planned))
            << std::get<std::string>(planned);
        const SampleDesign& d = std::get<SampleDesign>(planned);
        EXPECT_EQ(d.sampleSize, row.n);
        EXPECT_EQ(d.plans[d.chosen].allocation, row.allocation);
        EXPECT_EQ(d.plans[d.chosen].units, row.units);
    }
}

// The expected standard errors of the proportional allocation of 641:
// overall (sum W_h^2 U_h (1 - U_h) / (n_h - 1))^0.5, each stratum's
// (U_h (1 - U_h) / (n_h - 1))^0.5; a stratum of one unit has none.
TEST(SampleDesign, ExpectedStandardErrorsAndRefusals) {
    const auto planned =
        PlanSampleDesign(olofssonStrata(), {0.01, {}, {}}, Allocation::Proportional, 0, 0.95);
    const SampleDesign& d = std::get<SampleDesign>(planned);
    const double W[] = {0.02, 0.015, 0.32, 0.645}, U[] = {0.7, 0.6, 0.9, 0.95},
                 n[] = {13, 10, 205, 413};
    double variance = 0;
    for (int h = 0; h < 4; ++h)
        variance += W[h] * W[h] * U[h] * (1 - U[h]) / (n[h] - 1);
    EXPECT_NEAR(*d.plans[0].overallSe.value, std::sqrt(variance), 1e-15);
    EXPECT_NEAR(*d.plans[0].usersSe[0].value, std::sqrt(0.7 * 0.3 / 12), 1e-15);
    const auto one = std::get<SampleDesign>(PlanSampleDesign(
        {{"a", 1, 0.9}, {"b", 99, 0.9}}, {{}, {}, 10}, Allocation::Equal, 0, 0.95));
    EXPECT_FALSE(one.plans[one.chosen].usersSe[0].defined());
    EXPECT_FALSE(one.plans[one.chosen].overallSe.defined());

    const struct {
        const char* name;
        std::vector<DesignStratum> strata;
        SampleSizeRule rule;
        Allocation allocation;
        double minimum;
        const char* reason;
    } refused[] = {
        {"no_target",
         olofssonStrata(),
         {0.0, {}, {}},
         Allocation::Proportional,
         0,
         "--target-se takes a number between 0 and 1, not 0"},
        {"accuracy_above_one",
         {{"a", 10, 1.5}},
         {0.01, {}, {}},
         Allocation::Proportional,
         0,
         "the expected accuracy of stratum a, 1.5, is not between 0 and 1"},
        {"equal_fewer_units_than_strata",
         olofssonStrata(),
         {{}, {}, 3},
         Allocation::Equal,
         0,
         "an equal allocation of 3 units to 4 strata"},
        {"minimum_beyond_the_sample",
         olofssonStrata(),
         {{}, {}, 300},
         Allocation::Minimum,
         100,
         "minimum=100 needs 400 units, and the sample has 300"},
        {"size_not_whole",
         olofssonStrata(),
         {{}, {}, 2.5},
         Allocation::Proportional,
         0,
         "--sample-size takes a whole number"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.name);
        const auto result =
            PlanSampleDesign(row.strata, row.rule, row.allocation, row.minimum, 0.95);
        ASSERT_TRUE(std::holds_alternative<std::string>(result));
        EXPECT_NE(std::get<std::string>(result).find(row.reason), std::string::npos)
            << std::get<std::string>(result);
    }
}

} // namespace
} // namespace brennic
