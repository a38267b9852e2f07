// The matrix totals and the seven figures: the worked examples digit for digit,
// every arithmetic failure with its kind and step, and random matrices against
// an independent computation in higher precision.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>

#include "kappa.h"
#include "result_file.h"
#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::cellsOf;
using test::Rows;

TEST(Kappa, WorkedExamplesGiveTheirTotalsAndFigures) {
    const struct {
        const char* name;
        Rows rows;
        std::vector<double> rowTotals, colTotals; // elements 0 to n
        double diagonal, grand, PO;
        std::optional<double> kappa; // where it is exact
        const char* valuesLine;
    } examples[] = {
        {"worked_example",
         {{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}},
         {0, 25, 20, 55},
         {0, 25, 25, 50},
         83,
         100,
         0.83,
         std::nullopt,
         " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
         " 0.0795394908975717  9.0828967024969 \r\n"},
        {"perfect_agreement",
         {{"10", "0"}, {"0", "10"}},
         {0, 10, 10},
         {0, 10, 10},
         20,
         20,
         1.0,
         1.0,
         " 0.5  1  1  1  1  0.223606797749979  4.47213595499958 \r\n"},
        {"agreement_equal_to_chance_negative_limit",
         {{"5", "5"}, {"5", "5"}},
         {0, 10, 10},
         {0, 10, 10},
         10,
         20,
         0.5,
         0.0,
         " 0.5  0.5  0 -0.447213595499958  0.447213595499958  0.223606797749979  0 \r\n"},
        {"fractional_counts_upper_limit_above_one",
         {{"2.5", "1"}, {"0.5", "6"}},
         {0, 3.5, 6.5},
         {0, 3.0, 7.0},
         8.5,
         10,
         0.85,
         std::nullopt,
         " 0.56  0.85  0.659090909090909  0.145836827698354  1.17234499048346  0.356753034006338 "
         " 1.84747106896139 \r\n"},
    };
    for (const auto& ex : examples) {
        SCOPED_TRACE(ex.name);
        const int n = static_cast<int>(ex.rows.size());
        auto read = ReadErrorMatrix(n, cellsOf(ex.rows), '.');
        ASSERT_TRUE(std::holds_alternative<ErrorMatrix>(read));
        const auto& m = std::get<ErrorMatrix>(read);
        EXPECT_EQ(m.RowTotals, ex.rowTotals);
        EXPECT_EQ(m.ColTotals, ex.colTotals);
        EXPECT_EQ(m.DiagonalSum, ex.diagonal);
        EXPECT_EQ(m.GrandTotal, ex.grand);
        auto kappa = ComputeKappa(n, m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal);
        ASSERT_TRUE(std::holds_alternative<KappaResult>(kappa));
        const auto& k = std::get<KappaResult>(kappa);
        EXPECT_EQ(k.PO, ex.PO);
        if (ex.kappa) {
            EXPECT_EQ(k.KAPPA, *ex.kappa);
        }
        EXPECT_EQ(ResultValuesLine(k, '.'), ex.valuesLine);
    }
}

TEST(Kappa, EachFailureNamesItsKindStepAndCause) {
    using enum ArithmeticKind;
    const struct {
        const char* name;
        Rows rows;
        ArithmeticError expected;
        const char* causeWords;
    } failures[] = {
        {"all_zero_cells", {{"0", "0"}, {"0", "0"}}, {InvalidOperation, 1}, "add up to 0"},
        {"negative_counts_cancel_to_zero_total",
         {{"5", "-5"}, {"0", "0"}},
         {DivisionByZero, 1},
         "add up to 0"},
        {"chance_agreement_one", {{"7", "0"}, {"0", "0"}}, {InvalidOperation, 3}, "exactly 1"},
        {"chance_agreement_zero", {{"0", "5"}, {"0", "0"}}, {InvalidOperation, 8}, "exactly 0"},
        {"negative_counts_agreement_above_one",
         {{"6", "-1"}, {"-1", "6"}},
         {InvalidOperation, 4},
         "Negative counts"},
        {"negative_counts_chance_below_zero",
         {{"1", "9"}, {"-3", "3"}},
         {InvalidOperation, 7},
         "Negative counts"},
        {"totals_overflow",
         {{"1e308", "1e308"}, {"1", "1"}},
         {Overflow, 0},
         "so large that their totals"},
        {"tiny_counts_overflow_standard_error",
         {{"1e-320", "1e-320"}, {"1e-320", "1e-320"}},
         {Overflow, 4},
         "too close to 0"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        auto run = RunKappaInMemory(static_cast<int>(f.rows.size()), cellsOf(f.rows), '.');
        const auto* arithmetic = std::get_if<run::Arithmetic>(&run.outcome);
        ASSERT_NE(arithmetic, nullptr);
        EXPECT_EQ(arithmetic->error, f.expected);
        EXPECT_NE(ArithmeticCause(arithmetic->error).find(f.causeWords), std::string::npos)
            << ArithmeticCause(arithmetic->error);
        EXPECT_TRUE(run.bytes.empty());
    }
}

// The textbook formulas in long double, from the cell values themselves: a wrong
// total, a swapped operand or a wrong constant shows as a difference far beyond
// the rounding of doubles.
TEST(Kappa, RandomMatricesAgreeWithLongDoubleFormulas) {
    std::mt19937 random(20240601);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = std::uniform_int_distribution<int>(2, 12)(random);
        Rows rows(static_cast<std::size_t>(n));
        std::vector<long double> r(static_cast<std::size_t>(n)), c(r);
        long double N = 0, d = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                // A quarter of the cells empty of counts; the diagonal never, so
                // that chance agreement stays between 0 and 1.
                int halves = std::uniform_int_distribution<int>(0, 2000)(random);
                if (i != j && random() % 4 == 0)
                    halves = 0;
                if (i == j && halves == 0)
                    halves = 1;
                const std::string text = std::to_string(halves / 2) + (halves % 2 != 0 ? ".5" : "");
                rows[static_cast<std::size_t>(i)].push_back(text);
                const long double x = halves / 2.0L;
                r[static_cast<std::size_t>(i)] += x;
                c[static_cast<std::size_t>(j)] += x;
                N += x;
                if (i == j)
                    d += x;
            }
        long double pc = 0;
        for (std::size_t k = 0; k < r.size(); ++k)
            pc += r[k] * c[k];
        pc /= N * N;
        const long double po = d / N;
        const long double kappa = (po - pc) / (1 - pc);
        const long double seci = std::sqrt(po * (1 - po) / (N * (1 - pc) * (1 - pc)));
        const long double se = std::sqrt(pc / (N * (1 - pc)));

        auto run = RunKappaInMemory(n, cellsOf(rows), '.');
        const auto* written = std::get_if<run::Written>(&run.outcome);
        ASSERT_NE(written, nullptr) << "trial " << trial;
        const KappaResult& k = written->result;
        const long double expected[] = {pc, po,        kappa, kappa - 2 * seci, kappa + 2 * seci,
                                        se, kappa / se};
        const double actual[] = {k.PC, k.PO, k.KAPPA, k.LO, k.HI, k.SE, k.Z};
        for (int f = 0; f < 7; ++f)
            EXPECT_NEAR(actual[f], static_cast<double>(expected[f]),
                        1e-12 * std::fmax(1.0, std::fabs(static_cast<double>(expected[f]))))
                << "trial " << trial << ", figure " << f;
    }
}

} // namespace
} // namespace brennic
