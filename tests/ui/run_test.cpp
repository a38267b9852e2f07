// Do It: from typed cells to the bytes of Result.txt, the status text and the
// Output file item, and what each way a run can stop leaves behind.
#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

TEST_F(WindowTest, WorkedExampleTypedAndRunTwice) {
    // A program in a root directory: its path text ends in the separator.
    for (const QString& programDirectory : {dir, dir + "/"}) {
        const QString path = programDirectory + "/Result.txt";
        SCOPED_TRACE(path.toStdString());
        open(programDirectory);
        writeFile(resultPath(), "an older file\r\nof three\r\nlines\r\n");
        runWorkedExample();
        for (int run = 1; run <= 2; ++run, click("cmdDoIt")) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(readFile(resultPath()), WorkedExampleFile);
            EXPECT_EQ(status(), "Results have been written to " + path + ".");
            EXPECT_TRUE(menu("mnuViewOutput")->isEnabled());
            EXPECT_EQ(current(), std::make_pair(3, 3));
            EXPECT_EQ(grid()->currentIndex(), grid()->model()->index(2, 2)); // shown there too
            EXPECT_EQ(window->state().ColIndex, 4);
            EXPECT_EQ(window->state().RowIndex, 4);
        }
    }
}

TEST_F(WindowTest, EmptyCellStopsTheRunThere) {
    writeFile(resultPath(), "previous");
    fill(2, {"1", "", "", "4"}); // (1, 2) and (2, 1) empty
    click("cmdDoIt");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt, "A value must be supplied for each cell");
    EXPECT_EQ(messages.shown[0].title, "Error in your input");
    EXPECT_EQ(messages.shown[0].icon, MessageBoxes::Icon::Critical);
    EXPECT_EQ(current(), std::make_pair(2, 1)); // column 1 is read before column 2
    EXPECT_EQ(window->state().RowIndex, 2);
    EXPECT_EQ(window->state().ColIndex, 1);
    EXPECT_EQ(readFile(resultPath()), "previous");
    EXPECT_EQ(status(), LoadText);
    EXPECT_FALSE(menu("mnuViewOutput")->isEnabled());
    commit("3");
    EXPECT_EQ(grid()->cellText(2, 1), "3");
}

TEST_F(WindowTest, LargerGridAfterARunStopsAtItsNewRow) {
    runWorkedExample();
    const QString done = status();
    applySize("4");
    window->TimerStep();
    click("cmdDoIt");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].prompt, "A value must be supplied for each cell");
    EXPECT_EQ(current(), std::make_pair(4, 1));
    EXPECT_EQ(readFile(resultPath()), WorkedExampleFile);
    EXPECT_EQ(window->state().ResultPath, resultPath().toStdString());
    EXPECT_EQ(status(), done);
    EXPECT_TRUE(menu("mnuViewOutput")->isEnabled());
}

TEST_F(WindowTest, CellThatIsNoNumberIsNamedAndBecomesCurrent) {
    // clang-format off
    struct Bad { const char* name; QStringList cells; int row, col; const char* text; };
    const Bad cases[] = {{"letters", {"1", "abc", "3", "4"}, 1, 2, "abc"},
                         {"first_in_column_order", {"1", "x", "1,5", "4"}, 2, 1, "1,5"},
                         {"blank_only", {"1", "2", " ", "4"}, 2, 1, " "}};
    // clang-format on
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.name);
        open(dir);
        writeFile(resultPath(), WorkedExampleFile);
        fill(2, bad.cells);
        click("cmdDoIt");
        ASSERT_EQ(messages.shown.size(), 1u);
        const QString prompt = messages.shown[0].prompt;
        EXPECT_EQ(messages.shown[0].title, "Error in your input");
        EXPECT_TRUE(prompt.contains(QString("row %1").arg(bad.row))) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(QString("column %1").arg(bad.col)));
        EXPECT_TRUE(prompt.contains(QString("\"%1\"").arg(bad.text)));
        EXPECT_EQ(current(), std::make_pair(bad.row, bad.col));
        EXPECT_EQ(readFile(resultPath()), WorkedExampleFile);
        EXPECT_EQ(status(), LoadText);
        commit("9"); // the next Enter replaces it
        EXPECT_EQ(grid()->cellText(bad.row, bad.col), "9");
    }
}

TEST_F(WindowTest, ArithmeticFailureLeavesTheHeaderAlone) {
    const std::pair<const char*, QStringList> cases[] = {
        {"all_zero_cells", {"0", "0", "0", "0"}},
        {"chance_agreement_one", {"10", "0", "0", "0"}},
        {"chance_agreement_zero", {"0", "5", "0", "0"}},
        {"negative_count_undefined_error", {"5", "-2", "0", "5"}}};
    for (const auto& [name, cells] : cases) {
        SCOPED_TRACE(name);
        open(dir);
        runWorkedExample();
        const QString done = status();
        fill(2, cells);
        click("cmdDoIt");
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(readFile(resultPath()), HeaderLine);
        EXPECT_EQ(status(), done);
        EXPECT_TRUE(menu("mnuViewOutput")->isEnabled());
    }
}

TEST_F(WindowTest, UnwritableResultPathIsReported) {
    writeFile(dir + "/plain", "a file, not a directory");
    const std::pair<QString, const char*> cases[] = {
        {dir + "/missing/deeper", "No such file or directory"},
        {dir + "/plain", "Not a directory"}};
    for (const auto& [programDirectory, reason] : cases) {
        SCOPED_TRACE(reason);
        open(programDirectory);
        runWorkedExample();
        ASSERT_EQ(messages.shown.size(), 1u);
        const QString prompt = messages.shown[0].prompt;
        EXPECT_TRUE(prompt.contains(programDirectory + "/Result.txt")) << prompt.toStdString();
        EXPECT_TRUE(prompt.contains(reason)) << prompt.toStdString();
        EXPECT_EQ(status(), LoadText);
        EXPECT_FALSE(menu("mnuViewOutput")->isEnabled());
    }
    EXPECT_EQ(readFile(dir + "/plain"), "a file, not a directory");
}

} // namespace
} // namespace brennic::ui::test
