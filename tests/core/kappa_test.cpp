// From the cells to the seven figures: the order in which the cells are visited,
// where each pass stops and what it finds, the sizes a run refuses, and every
// arithmetic failure with its kind and step. The worked examples, digit for
// digit, are in result_file_test.cpp; the seven figures of many more matrices in
// the hand-worked table of agreement_report_test.cpp.
#include <gtest/gtest.h>

#include "core/kappa.h"
#include "core/run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;
using test::Has;

// Each pass is recorded as the cells it asked for, "rc" each: "11 21 12 22",
// and, for the checks, what they found.
TEST(Traversal, VisitsDownEachColumnAndStopsAtTheFirstCellFound) {
    enum Pass { EmptyCheck, NumberCheck, Reading, WholeRun, RunOf255 };
    const std::tuple<const char*, Pass, const char*, const char*> rows[] = {
        // clang-format off
        {"blank_and_zero_count_as_filled", EmptyCheck, "1 ~|0 2", "11 21 12 22 filled"},
        {"column_one_before_column_two", EmptyCheck, "1 _|_ 2", "11 21 empty 21"},
        {"first_non_number_in_column_order", NumberCheck, "1 ~|x 2", "11 21 no number 21 x"},
        {"blank_is_no_number", NumberCheck, "1 ~|3 2", "11 21 12 no number 12  "},
        {"reading_three_by_three", Reading, "1 2 3|4 5 6|7 8 9", "11 21 31 12 22 32 13 23 33 "},
        {"run_checks_empty_then_numbers_then_reads", WholeRun, "1 2|3 4",
         "11 21 12 22 11 21 12 22 11 21 12 22 "},
        {"run_refuses_size_255_before_any_cell", RunOf255, "1 2|3 4", ""},
        // clang-format on
    };
    for (const auto& [name, pass, text, expected] : rows) {
        SCOPED_TRACE(name);
        const Grid grid(text);
        std::string calls;
        const CellText cells = [&calls, cells = grid.cells()](int r, int c) {
            calls += std::to_string(r) + std::to_string(c) + " ";
            return cells(r, c);
        };
        const auto at = [](CellPosition p) { return std::to_string(10 * p.row + p.col); };
        if (pass == EmptyCheck) {
            const auto empty = FindEmptyCell(grid.n(), cells);
            calls += empty ? "empty " + at(*empty) : "filled";
        } else if (pass == NumberCheck) {
            const NotANumberCell bad = FindNonNumberCell(grid.n(), cells, '.').value();
            calls += "no number " + at(bad.cell) + " " + bad.text;
        } else if (pass == Reading) {
            ReadErrorMatrix(grid.n(), cells, '.');
        } else {
            RunKappaInMemory(pass == WholeRun ? grid.n() : 255, cells, '.');
        }
        EXPECT_EQ(calls, expected);
    }
}

TEST(Run, RefusesSizesOutsideTwoTo254) {
    const CellText identity = [](int r, int c) { return r == c ? "1" : "0"; };
    for (int n : {1, 2, 254, 255}) {
        const RunOutcome outcome = RunKappaInMemory(n, identity, '.').outcome;
        const auto* refused = std::get_if<run::SizeOutOfRange>(&outcome);
        EXPECT_EQ(refused ? refused->size : 0, n == 1 || n == 255 ? n : 0) << n;
    }
}

// The cause must be true of the counts: underflow and negative counts are named
// as such, never taken for an all-zero matrix or a chance agreement of 0 or 1.
TEST(Kappa, EachFailureNamesItsKindStepAndTrueCause) {
    using enum ArithmeticKind;
    constexpr ArithmeticKind Invalid = InvalidOperation;
    const std::string Precision = " for the figures to be formed in double precision.";
    // clang-format off
    const struct { const char* name; Grid grid; ArithmeticError expected; std::string cause; } failures[] = {
        {"all_zero_cells", Grid("0 0|0 0"), {Invalid, Step::PO},
         "The counts add up to 0 (every cell holds 0), so there is no agreement to measure."},
        {"negative_counts_zero_total", Grid("5 -5|0 0"), {DivisionByZero, Step::PO},
         "Negative counts are in the matrix (the first is -5 in row 1, column 2), and with them "
         "the counts add up to 0, so there is no agreement to measure."},
        {"chance_agreement_one", Grid("7 0|0 0"), {Invalid, Step::KAPPA}, "exactly 1 (all counts lie in one"},
        {"chance_agreement_zero", Grid("0 5|0 0"), {Invalid, Step::Z}, "exactly 0 (no class has counts"},
        {"negative_agreement_above_one", Grid("6 -1|-1 6"), {Invalid, Step::SECI},
         "(the first is -1 in row 2, column 1), and with them a standard error would be the "
         "square root of a negative number."},
        {"negative_chance_below_zero", Grid("1 9|-3 3"), {Invalid, Step::SE}, "the first is -3 in row 2"},
        {"negative_counts_chance_one", Grid("1 -1|-1 2"), {DivisionByZero, Step::KAPPA},
         "the agreement expected by chance comes out as 1"},
        {"totals_overflow", Grid("1e308 1e308|1 1"), {Overflow, Step::Totals}, "so large that their totals"},
        {"tiny_counts_overflow", Grid("1e-320 1e-320|1e-320 1e-320"), {Overflow, Step::SECI},
         "The counts are too close to 0 (from 1E-320 to 1E-320)" + Precision},
        {"tiny_counts_underflow_not_negative", Grid("1e-320 0|0 1e-323"), {Invalid, Step::SECI},
         "The counts are too close to 0 (from 1E-323 to 1E-320)" + Precision},
        {"tiny_counts_underflow_not_chance_one", Grid("1e-320 1e-323|1e-323 0"), {DivisionByZero, Step::SECI},
         "The counts are too close to 0 (from 1E-323 to 1E-320)" + Precision},
        {"wide_range_not_chance_zero", Grid("1 1|1e300 0"), {DivisionByZero, Step::Z},
         "The counts span too wide a range (from 1 to 1E+300)" + Precision},
        {"wide_range_not_one_class", Grid("1e20 1|0 0"), {Invalid, Step::KAPPA},
         "The counts span too wide a range (from 1 to 1E+20)" + Precision},
        {"wide_range_smallest_not_one", Grid("1e20 3|0 0"), {Invalid, Step::KAPPA},
         "The counts span too wide a range (from 3 to 1E+20)" + Precision},
        // clang-format on
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        const auto run = RunKappaInMemory(f.grid.n(), f.grid.cells(), '.');
        const auto& failure = std::get<run::Arithmetic>(run.outcome); // throws if not arithmetic
        EXPECT_EQ(failure.error, f.expected);
        EXPECT_TRUE(Has(failure.cause, f.cause));
    }
}

} // namespace
} // namespace brennic
