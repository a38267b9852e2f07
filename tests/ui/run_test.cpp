// Do It: from typed cells to the bytes of Result.txt, the status text and the
// Output file item, and what each way a run can stop leaves behind.
#include "ui/decimal_separator.h"
#include "window_fixture.h"

using namespace brennic::ui::test;

static QString noFigures(const QString& programDirectory) {
    return "No results: the run stopped before writing its figures to " + programDirectory + Sep +
           "Result.txt.";
}

TEST_F(WindowTest, WorkedExampleTypedAndRunTwice) {
    // A program in a root directory: its path text ends in the separator.
    for (const QString& programDirectory : {dir, dir + "/"}) {
        const QString path = programDirectory + Sep + "Result.txt";
        SCOPED_TRACE(path.toStdString());
        open(programDirectory);
        writeFile(resultPath(), "an older file\r\nof three\r\nlines\r\n");
        runWorkedExample();
        for (int run = 1; run <= 2; ++run, click("cmdDoIt")) {
            EXPECT_TRUE(s->shown.empty());
            EXPECT_EQ(readFile(resultPath()), WorkedExampleFile);
            EXPECT_EQ(status(), "Results have been written to " + path + ".");
            EXPECT_EQ(accessibleName(find("StatusBar1")), status()); // a reader hears it
            EXPECT_TRUE(enabled("mnuViewOutput"));
            EXPECT_EQ(current(), std::make_pair(3, 3));
            EXPECT_EQ(grid()->currentIndex(), grid()->model()->index(2, 2)); // shown there too
        }
    }
}

// A run over a grid larger than the view ends on its last cell, and the view
// scrolls there from the top left.
TEST_F(WindowTest, RunEndsOnACellTheViewShows) {
    applySize("30");
    for (int r = 1; r <= 30; ++r)
        for (int c = 1; c <= 30; ++c)
            grid()->setRow(r), grid()->setCol(c), grid()->setText(r == c ? "5" : "1");
    grid()->setRow(1);
    grid()->setCol(1);
    window->TimerStep(); // enables Do It
    click("cmdDoIt");
    EXPECT_TRUE(s->shown.empty());
    EXPECT_EQ(current(), std::make_pair(30, 30));
    ASSERT_EQ(grid()->currentIndex(), grid()->model()->index(29, 29));
    EXPECT_TRUE(grid()->viewport()->rect().contains(cell(30, 30)));
}

TEST_F(WindowTest, RunThatStopsTellsWhyAndKeepsTheLastResults) {
    // After a run of the worked example, or before any run with an older file; the
    // size and the cells typed then, from (1, 1). The message names `told`, the run
    // stops at `cell`, where the next Enter writes.
    const QString input = InputTitle, kappa = "Kappa cannot be computed";
    const QStringList empty = {"A value must be supplied for each cell"};
    // clang-format off
    struct Stop { const char* name; bool ran; int n; QStringList cells; QString title;
                  QStringList told; std::pair<int, int> cell; };
    const Stop stops[] = {
        {"empty_in_column_order", false, 2, {"1", "", "", "4"}, input, empty, {2, 1}},
        {"letters", false, 2, {"1", "abc", "3", "4"}, input,
         {"row 1", "column 2", "\"abc\""}, {1, 2}},
        {"first_in_column_order", false, 2, {"1", "x", "1,5", "4"}, input,
         {"row 2", "column 1", "\"1,5\""}, {2, 1}},
        {"blank_only", false, 2, {"1", "2", " ", "4"}, input,
         {"row 2", "column 1", "\" \""}, {2, 1}},
        {"larger_grid_after_a_run", true, 4, {}, input, empty, {4, 1}},
        {"all_zero_cells", true, 2, {"0", "0", "0", "0"}, kappa, {}, {2, 2}},
        {"chance_agreement_one", true, 2, {"10", "0", "0", "0"}, kappa, {}, {2, 2}},
        {"chance_agreement_zero", true, 2, {"0", "5", "0", "0"}, kappa, {}, {2, 2}},
        {"negative_count", true, 2, {"5", "-2", "0", "5"}, kappa, {}, {2, 2}}};
    // clang-format on
    for (const Stop& stop : stops) {
        SCOPED_TRACE(stop.name);
        open(dir);
        writeFile(resultPath(), "previous");
        if (stop.ran)
            runWorkedExample();
        const QString before = status();
        fill(stop.n, stop.cells);
        click("cmdDoIt");
        ASSERT_EQ(s->shown.size(), 1u);
        EXPECT_EQ(std::pair(s->shown[0].title, s->shown[0].icon),
                  std::pair(stop.title, MessageBoxes::Icon::Critical));
        for (const QString& part : stop.told)
            EXPECT_TRUE(s->shown[0].prompt.contains(part)) << part.toStdString();
        EXPECT_EQ(current(), stop.cell);
        // An arithmetic failure leaves the new header alone; the rest leave the
        // file. A file left with its header alone is not reported as holding results.
        const bool arithmetic = stop.title == kappa;
        EXPECT_EQ(readFile(resultPath()), arithmetic ? HeaderLine
                                          : stop.ran ? WorkedExampleFile
                                                     : "previous");
        EXPECT_EQ(status(), arithmetic ? noFigures(dir) : stop.ran ? before : LoadText);
        EXPECT_EQ(enabled("mnuViewOutput"), stop.ran);
        commit("9");
        EXPECT_EQ(grid()->cellText(stop.cell.first, stop.cell.second), "9");
    }
}

// A German number format: the cells are read with a decimal comma and the values
// line is written with one.
TEST_F(WindowTest, GermanNumberFormatReadsAndWritesCommas) {
    separator = DecimalSeparatorOf(QLocale(QLocale::German, QLocale::Germany));
    open(dir);
    fill(2, {"2,5", "1", "0,5", "6"});
    click("cmdDoIt");
    EXPECT_TRUE(s->shown.empty());
    EXPECT_EQ(readFile(resultPath()),
              QByteArray::fromStdString(brennic::test::FractionalExampleCommaFile));
}

// The status text after a run that stopped at the file: it must never say that
// results were written while Result.txt holds none of them. `failing` fails in
// the second run, the `nth` time it is done (the first close is the old file's,
// untouched); `figuresGone`: the file of the first run is gone. A program
// directory that is missing fails the first run.
TEST_F(WindowTest, StatusTextTellsWhenTheFileHoldsNoFigures) {
    const QString written = "Results have been written to " + dir + Sep + "Result.txt.";
    // clang-format off
    const std::tuple<const char*, Op, int, bool> rows[] = {
        {"header_not_written", Op::Write, 1, true}, {"header_not_closed", Op::Close, 2, true},
        {"old_file_not_deleted", Op::Delete, 1, false}};
    // clang-format on
    for (const auto& [name, failing, nth, figuresGone] : rows) {
        SCOPED_TRACE(name);
        open(dir);
        runWorkedExample();
        ASSERT_EQ(status(), written);
        files.failAt(failing, nth, ENOSPC);
        click("cmdDoIt");
        ASSERT_EQ(s->shown.size(), 1u);
        EXPECT_EQ(status(), figuresGone ? noFigures(dir) : written);
        EXPECT_EQ(readFile(resultPath()) == WorkedExampleFile, !figuresGone);
    }
    open(dir + "/missing");
    runWorkedExample();
    ASSERT_EQ(s->shown.size(), 1u);
    EXPECT_EQ(s->shown[0].prompt,
              "Cannot create " + dir + "/missing" + Sep +
                  "Result.txt: No such file or directory. The results were not saved.");
    EXPECT_EQ(s->shown[0].title, "Cannot write the results");
    EXPECT_EQ(status(), LoadText);
    EXPECT_FALSE(enabled("mnuViewOutput"));
}
