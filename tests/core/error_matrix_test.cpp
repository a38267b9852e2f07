// The order in which the cells are visited, where each pass stops, and how a run
// reports the first empty cell, the first cell that is no number, or a bad size.
#include <gtest/gtest.h>

#include <functional>

#include "run.h"
#include "test_support.h"

namespace brennic {
namespace {

using test::Rows;
using Calls = std::vector<CellPosition>;

TEST(Traversal, VisitsDownEachColumnAndStopsAtTheFirstEmptyCell) {
    const Calls twoByTwo = {{1, 1}, {2, 1}, {1, 2}, {2, 2}};
    Calls threePasses = twoByTwo;
    threePasses.insert(threePasses.end(), twoByTwo.begin(), twoByTwo.end());
    threePasses.insert(threePasses.end(), twoByTwo.begin(), twoByTwo.end());
    const struct {
        const char* name;
        Rows rows;
        std::function<void(int n, const CellText&)> pass;
        Calls expected;
    } rows[] = {
        {"empty_check_all_filled_with_blank_and_zero",
         {{"1", " "}, {"0", "2"}},
         [](int n, const CellText& t) { EXPECT_EQ(FindEmptyCell(n, t), std::nullopt); },
         twoByTwo},
        {"empty_check_column_one_before_column_two",
         {{"1", ""}, {"", "2"}},
         [](int n, const CellText& t) {
             EXPECT_EQ(FindEmptyCell(n, t), (CellPosition{2, 1}));
         },
         {{1, 1}, {2, 1}}},
        {"reading_three_by_three",
         {{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}},
         [](int n, const CellText& t) { ReadErrorMatrix(n, t, '.'); },
         {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}, {1, 3}, {2, 3}, {3, 3}}},
        {"run_checks_empty_then_numbers_then_reads",
         {{"1", "2"}, {"3", "4"}},
         [](int n, const CellText& t) { RunKappaInMemory(n, t, '.'); },
         threePasses},
        {"run_refuses_size_255_before_any_cell",
         {{"1", "2"}, {"3", "4"}},
         [](int, const CellText& t) { RunKappaInMemory(255, t, '.'); },
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Calls calls;
        const CellText cells = test::cellsOf(row.rows);
        row.pass(static_cast<int>(row.rows.size()), [&](int r, int c) {
            calls.push_back({r, c});
            return cells(r, c);
        });
        EXPECT_EQ(calls, row.expected);
    }
}

TEST(Run, ReportsTheFirstCellThatIsNoNumber) {
    const struct {
        const char* name;
        Rows rows;
        char separator;
        CellPosition cell;
        const char* text;
    } rows[] = {
        {"column_order_decides_which_is_first", {{"1", " "}, {"x", "2"}}, '.', {2, 1}, "x"},
        {"blank_cell_alone", {{"1", " "}, {"3", "2"}}, '.', {1, 2}, " "},
        {"point_under_comma_separator", {{"1", "2"}, {"3", "2.5"}}, ',', {2, 2}, "2.5"},
        {"beyond_double_range", {{"1e999", "2"}, {"3", "4"}}, '.', {1, 1}, "1e999"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto run = RunKappaInMemory(2, test::cellsOf(row.rows), row.separator);
        const auto* bad = std::get_if<run::NotANumber>(&run.outcome);
        ASSERT_NE(bad, nullptr);
        EXPECT_EQ(bad->cell.cell, row.cell);
        EXPECT_EQ(bad->cell.text, row.text);
    }
}

TEST(Run, RefusesSizesOutsideTwoTo254) {
    for (int n : {-1, 0, 1, 255, 256}) {
        SCOPED_TRACE(n);
        auto run = RunKappaInMemory(
            n, [](int, int) { return std::string("1"); }, '.');
        ASSERT_TRUE(std::holds_alternative<run::SizeOutOfRange>(run.outcome));
        EXPECT_EQ(std::get<run::SizeOutOfRange>(run.outcome).size, n);
    }
    auto largest = RunKappaInMemory(
        254, [](int r, int c) { return r == c ? "1" : "0"; }, '.');
    EXPECT_TRUE(std::holds_alternative<run::Written>(largest.outcome));
}

} // namespace
} // namespace brennic
