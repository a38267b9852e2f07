// The matrix totals and the seven figures: the worked examples digit for digit,
// every arithmetic failure with its kind and step, and random matrices against
// an independent computation in higher precision.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kappa.h"
#include "result_file.h"
#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;
using Totals = std::vector<double>;

TEST(ErrorMatrix, AddsUpRowsColumnsDiagonalAndGrandTotal) {
    const struct {
        const char* name;
        Grid grid;
        Totals rows, cols; // element 0 stays 0
        double diagonal, grand;
    } examples[] = {
        {"worked_example", Grid("20 5 0|3 15 2|2 5 48"), {0, 25, 20, 55}, {0, 25, 25, 50}, 83, 100},
        {"fractional_counts", Grid("2.5 1|0.5 6"), {0, 3.5, 6.5}, {0, 3, 7}, 8.5, 10},
        {"all_zero_cells", Grid("0 0|0 0"), {0, 0, 0}, {0, 0, 0}, 0, 0},
    };
    for (const auto& ex : examples) {
        SCOPED_TRACE(ex.name);
        const auto m = std::get<ErrorMatrix>(ReadErrorMatrix(ex.grid.n(), ex.grid.cells(), '.'));
        EXPECT_EQ(m.RowTotals, ex.rows);
        EXPECT_EQ(m.ColTotals, ex.cols);
        EXPECT_EQ(m.DiagonalSum, ex.diagonal);
        EXPECT_EQ(m.GrandTotal, ex.grand);
    }
}

TEST(Kappa, WorkedExamplesGiveTheirFifteenDigits) {
    const struct {
        const char* name;
        Grid grid;
        const char* valuesLine;
    } examples[] = {
        {"worked_example", Grid("20 5 0|3 15 2|2 5 48"),
         " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
         " 0.0795394908975717  9.0828967024969 \r\n"},
        {"perfect_agreement", Grid("10 0|0 10"),
         " 0.5  1  1  1  1  0.223606797749979  4.47213595499958 \r\n"},
        {"chance_agreement_negative_limit", Grid("5 5|5 5"),
         " 0.5  0.5  0 -0.447213595499958  0.447213595499958  0.223606797749979  0 \r\n"},
        {"fractional_counts_upper_limit_above_one", Grid("2.5 1|0.5 6"),
         " 0.56  0.85  0.659090909090909  0.145836827698354  1.17234499048346 "
         " 0.356753034006338  1.84747106896139 \r\n"},
    };
    for (const auto& ex : examples) {
        SCOPED_TRACE(ex.name);
        const auto run = RunKappaInMemory(ex.grid.n(), ex.grid.cells(), '.');
        ASSERT_TRUE(std::holds_alternative<run::Written>(run.outcome));
        EXPECT_EQ(ResultValuesLine(std::get<run::Written>(run.outcome).result, '.'), ex.valuesLine);
    }
}

TEST(Kappa, EachFailureNamesItsKindStepAndCause) {
    using enum ArithmeticKind;
    constexpr ArithmeticKind Invalid = InvalidOperation;
    const struct {
        const char* name;
        Grid grid;
        ArithmeticError expected;
        const char* causeWords;
    } failures[] = {
        {"all_zero_cells", Grid("0 0|0 0"), {Invalid, 1}, "add up to 0"},
        {"negative_counts_zero_total", Grid("5 -5|0 0"), {DivisionByZero, 1}, "add up to 0"},
        {"chance_agreement_one", Grid("7 0|0 0"), {Invalid, 3}, "exactly 1"},
        {"chance_agreement_zero", Grid("0 5|0 0"), {Invalid, 8}, "exactly 0"},
        {"negative_agreement_above_one", Grid("6 -1|-1 6"), {Invalid, 4}, "Negative counts"},
        {"negative_chance_below_zero", Grid("1 9|-3 3"), {Invalid, 7}, "Negative counts"},
        {"totals_overflow", Grid("1e308 1e308|1 1"), {Overflow, 0}, "so large that their totals"},
        {"tiny_counts_overflow", Grid("1e-320 1e-320|1e-320 1e-320"), {Overflow, 4}, "close to 0"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        const auto run = RunKappaInMemory(f.grid.n(), f.grid.cells(), '.');
        ASSERT_TRUE(std::holds_alternative<run::Arithmetic>(run.outcome));
        const ArithmeticError error = std::get<run::Arithmetic>(run.outcome).error;
        EXPECT_EQ(error, f.expected);
        EXPECT_NE(ArithmeticCause(error).find(f.causeWords), std::string::npos);
        EXPECT_EQ(run.bytes, "");
    }
}

// The textbook formulas in long double from the cell values themselves: a wrong
// total, operand or constant shows far beyond the rounding of doubles.
TEST(Kappa, RandomMatricesAgreeWithLongDoubleFormulas) {
    std::mt19937 random(20240601);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = std::uniform_int_distribution<int>(2, 12)(random);
        std::string text;
        std::vector<long double> r(static_cast<std::size_t>(n)), c(r);
        long double N = 0, d = 0;
        for (int i = 0; i < n; ++i, text += '|')
            for (int j = 0; j < n; ++j) {
                // Counts in halves; a quarter of the cells off the diagonal hold 0,
                // the diagonal never does, so chance agreement lies inside (0, 1).
                int halves = std::uniform_int_distribution<int>(i == j, 2000)(random);
                if (i != j && random() % 4 == 0)
                    halves = 0;
                text += std::to_string(halves / 2) + (halves % 2 ? ".5 " : " ");
                r[static_cast<std::size_t>(i)] += halves / 2.0L;
                c[static_cast<std::size_t>(j)] += halves / 2.0L;
                N += halves / 2.0L;
                d += i == j ? halves / 2.0L : 0;
            }
        long double pc = 0;
        for (std::size_t k = 0; k < r.size(); ++k)
            pc += r[k] * c[k] / (N * N);
        const long double po = d / N, kappa = (po - pc) / (1 - pc);
        const long double seci = std::sqrt(po * (1 - po) / (N * (1 - pc) * (1 - pc)));
        const long double se = std::sqrt(pc / (N * (1 - pc)));
        const long double expected[] = {pc, po,        kappa, kappa - 2 * seci, kappa + 2 * seci,
                                        se, kappa / se};

        text.pop_back();
        const Grid grid(text);
        const auto run = RunKappaInMemory(n, grid.cells(), '.');
        ASSERT_TRUE(std::holds_alternative<run::Written>(run.outcome)) << text;
        const KappaResult& k = std::get<run::Written>(run.outcome).result;
        const double actual[] = {k.PC, k.PO, k.KAPPA, k.LO, k.HI, k.SE, k.Z};
        for (int f = 0; f < 7; ++f) {
            const double want = static_cast<double>(expected[f]);
            EXPECT_NEAR(actual[f], want, 1e-12 * std::fmax(1.0, std::fabs(want)))
                << "figure " << f << " of " << text;
        }
    }
}

} // namespace
} // namespace brennic
