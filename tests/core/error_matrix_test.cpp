// The order in which the cells are visited, where each pass stops, and how a run
// reports the first empty cell, the first cell that is no number, or a bad size.
#include <gtest/gtest.h>

#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Grid;

// Each pass is recorded as the cells it asked for, "rc" each: "11 21 12 22".
TEST(Traversal, VisitsDownEachColumnAndStopsAtTheFirstEmptyCell) {
    enum Pass { EmptyCheck, Reading, WholeRun, RunOf255 };
    const struct {
        const char* name;
        Pass pass;
        Grid grid;
        const char* calls; // and, for the empty check, what it found
    } rows[] = {
        {"blank_and_zero_count_as_filled", EmptyCheck, Grid("1 ~|0 2"), "11 21 12 22 filled"},
        {"column_one_before_column_two", EmptyCheck, Grid("1 _|_ 2"), "11 21 empty 21"},
        {"reading_three_by_three", Reading, Grid("1 2 3|4 5 6|7 8 9"),
         "11 21 31 12 22 32 13 23 33 "},
        {"run_checks_empty_then_numbers_then_reads", WholeRun, Grid("1 2|3 4"),
         "11 21 12 22 11 21 12 22 11 21 12 22 "},
        {"run_refuses_size_255_before_any_cell", RunOf255, Grid("1 2|3 4"), ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string calls;
        const CellText cells = [&calls, cells = row.grid.cells()](int r, int c) {
            calls += std::to_string(r) + std::to_string(c) + " ";
            return cells(r, c);
        };
        if (row.pass == EmptyCheck) {
            const auto empty = FindEmptyCell(row.grid.n(), cells);
            calls += empty ? "empty " + std::to_string(empty->row) + std::to_string(empty->col)
                           : "filled";
        } else if (row.pass == Reading) {
            ReadErrorMatrix(row.grid.n(), cells, '.');
        } else {
            RunKappaInMemory(row.pass == WholeRun ? row.grid.n() : 255, cells, '.');
        }
        EXPECT_EQ(calls, row.calls);
    }
}

TEST(Run, ReportsTheFirstCellThatIsNoNumber) {
    const struct {
        const char* name;
        Grid grid;
        char separator;
        CellPosition cell;
        const char* text;
    } rows[] = {
        {"column_order_decides_which_is_first", Grid("1 ~|x 2"), '.', {2, 1}, "x"},
        {"blank_cell", Grid("1 ~|3 2"), '.', {1, 2}, " "},
        {"point_under_comma_separator", Grid("1 2|3 2.5"), ',', {2, 2}, "2.5"},
        {"beyond_double_range", Grid("1e999 2|3 4"), '.', {1, 1}, "1e999"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto run = RunKappaInMemory(2, row.grid.cells(), row.separator);
        ASSERT_TRUE(std::holds_alternative<run::NotANumber>(run.outcome));
        EXPECT_EQ(std::get<run::NotANumber>(run.outcome).cell.cell, row.cell);
        EXPECT_EQ(std::get<run::NotANumber>(run.outcome).cell.text, row.text);
    }
}

TEST(Run, RefusesSizesOutsideTwoTo254) {
    for (int n : {-1, 0, 1, 255, 256}) {
        SCOPED_TRACE(n);
        const auto run = RunKappaInMemory(
            n, [](int, int) { return "1"; }, '.');
        ASSERT_TRUE(std::holds_alternative<run::SizeOutOfRange>(run.outcome));
        EXPECT_EQ(std::get<run::SizeOutOfRange>(run.outcome).size, n);
    }
    const auto largest = RunKappaInMemory(
        254, [](int r, int c) { return r == c ? "1" : "0"; }, '.');
    EXPECT_TRUE(std::holds_alternative<run::Written>(largest.outcome));
}

} // namespace
} // namespace brennic
