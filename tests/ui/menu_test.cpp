// The menu commands: the two views, Save As, How-to, Exit and About.
#include <QDir>
#include <QPlainTextEdit>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

TEST_F(WindowTest, ViewsSwitchTwiceShowingTheCurrentFile) {
    runWorkedExample();
    auto* box = find<QPlainTextEdit>("RTFBox");
    for (const QByteArray& content : {WorkedExampleFile, QByteArray("rewritten\r\nsince\r\n")}) {
        SCOPED_TRACE(content.left(9).toStdString());
        writeFile(resultPath(), content);
        menu("mnuViewOutput")->trigger();
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->geometry(), QRect(0, 0, 521, 337));
        EXPECT_TRUE(box->isAncestorOf(window->centralWidget()->childAt(300, 100))); // on top
        EXPECT_TRUE(menu("mnuViewOutput")->isChecked());
        EXPECT_FALSE(menu("mnuViewInput")->isChecked());
        EXPECT_EQ(status(), "For easier viewing, use a spreadsheet like Excel or Quattro Pro");
        // Each line ended by one line feed.
        EXPECT_EQ(box->toPlainText(), QString::fromLatin1(content).replace("\r\n", "\n"));

        menu("mnuViewInput")->trigger();
        EXPECT_FALSE(box->isVisible());
        EXPECT_TRUE(menu("mnuViewInput")->isChecked());
        EXPECT_FALSE(menu("mnuViewOutput")->isChecked());
        EXPECT_EQ(status(), "Supply input parameters and data.");
    }
    EXPECT_TRUE(s->shown.empty());
    // A file removed since the run is reported, and the input view stays.
    ASSERT_TRUE(QFile::remove(resultPath()));
    menu("mnuViewOutput")->trigger();
    ASSERT_EQ(s->shown.size(), 1u);
    EXPECT_TRUE(s->shown[0].prompt.contains(resultPath()));
    EXPECT_FALSE(box->isVisible());
    EXPECT_TRUE(menu("mnuViewInput")->isChecked());
}

TEST_F(WindowTest, SaveAsCopiesTheResultFile) {
    // Chosen paths lie below the program directory; `old` is there first. Before
    // the first run there is nothing to copy. A path not copied to is told.
    // clang-format off
    struct Save { const char* name; bool run; std::optional<QString> path; QByteArray old;
                  bool ok; };
    const Save saves[] = {
        {"cancel", true, std::nullopt, {}, false},
        {"new_file", true, "/copy.csv", {}, true},
        {"existing_file_replaced", true, "/old.csv", "a file that was there\r\n", true},
        {"result_file_itself", true, "/Result.txt", {}, true},
        {"missing_directory", true, "/missing/copy.csv", {}, false},
        {"before_the_first_run", false, "/early.csv", {}, false}};
    // clang-format on
    for (const Save& save : saves) {
        SCOPED_TRACE(save.name);
        const QString home = dir + "/" + save.name, result = home + "/Result.txt",
                      shownResult = home + Sep + "Result.txt";
        ASSERT_TRUE(QDir().mkpath(home));
        open(home);
        if (save.run)
            runWorkedExample();
        const QString statusBefore = status();
        const QString chosen = save.path ? home + *save.path : QString();
        if (!save.old.isEmpty())
            writeFile(chosen, save.old);
        s->answer = save.path ? std::optional(chosen) : std::nullopt;
        menu("mnuFileSaveAs")->trigger();

        EXPECT_EQ(s->asked, 1);
        EXPECT_EQ(s->directory, home);
        EXPECT_EQ(s->filters, QStringList({"All Files (*.*)", "Text Files (*.txt)",
                                           "Comma-delimited Files (*.csv)", "Data file (*.dat)"}));
        EXPECT_EQ(s->selected, 2); // the comma-delimited type, counted from 0
        const bool told = save.path && !save.ok;
        ASSERT_EQ(s->shown.size(), told ? 1u : 0u);
        EXPECT_TRUE(!told || !save.run || s->shown[0].prompt.contains(chosen));
        EXPECT_EQ(status(),
                  save.ok ? "The contents of " + shownResult + " have been saved to " + chosen + "."
                          : statusBefore);
        // The result file as it was, the copy whole, no temporary file left behind
        // (in the order of the listing, by name).
        QStringList expected;
        if (save.run)
            expected << "Result.txt";
        if (save.ok && chosen != result)
            expected << QFileInfo(chosen).fileName();
        for (const QString& name : expected)
            EXPECT_EQ(readFile(home + "/" + name), WorkedExampleFile) << name.toStdString();
        EXPECT_EQ(QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                       QDir::Name),
                  expected);
    }
}

// Save As offers the figures of the file as it is now: a run that made it new and
// stopped before its values leaves nothing to save, even after a complete run.
TEST_F(WindowTest, SaveAsCopiesOnlyAFileWithItsFigures) {
    using Op = brennic::test::FailingFiles::Op;
    const struct {
        const char* name;
        bool completeRunFirst;
        bool zeroMatrix;           // the second run's cells; the worked example otherwise
        std::optional<Op> failing; // the first of these fails in the second run
        bool saved;
    } rows[] = {
        {"failed_first_run", false, true, std::nullopt, false},
        {"complete_then_arithmetic_failure", true, true, std::nullopt, false},
        {"complete_then_header_not_written", true, false, Op::Write, false},
        {"complete_then_delete_refused", true, false, Op::Delete, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        open(dir);
        QFile::remove(dir + "/copy.csv");
        if (row.completeRunFirst)
            runWorkedExample();
        if (row.failing)
            files.failAt(*row.failing, 1, ENOSPC);
        if (row.zeroMatrix)
            fill(2, {"0", "0", "0", "0"});
        click("cmdDoIt");
        ASSERT_EQ(s->shown.size(), 1u);
        s->answer = dir + "/copy.csv";
        menu("mnuFileSaveAs")->trigger();
        EXPECT_EQ(s->shown.size(), row.saved ? 1u : 2u);
        if (!row.saved) {
            EXPECT_TRUE(s->shown.back().prompt.startsWith("There are no results to save yet"));
        }
        EXPECT_EQ(readFile(dir + "/copy.csv"), row.saved ? WorkedExampleFile : "<missing>");
    }
}

TEST_F(WindowTest, HowToStartsTheViewerOrOpensThePage) {
    // clang-format off
    struct Help { const char* name; const char* directorySuffix; bool starts, opens; };
    const Help helps[] = {
        {"viewer_starts", "", true, false},      {"root_like_directory", "/", true, false},
        {"falls_back_to_page", "", false, true}, {"nothing_opens", "", false, false}};
    // clang-format on
    for (const Help& help : helps) {
        SCOPED_TRACE(help.name);
        const QString programDirectory = dir + help.directorySuffix;
        open(programDirectory);
        s->starts = help.starts;
        s->opens = help.opens;
        menu("mnuHelpHowto")->trigger();
        EXPECT_EQ(s->started,
                  std::vector<std::string>{"c:\\winnt\\hh.exe " + programDirectory.toStdString() +
                                           Sep.toStdString() + "BrennicHelp.chm"});
        EXPECT_EQ(s->opened, help.starts
                                 ? QStringList()
                                 : QStringList{programDirectory + Sep + "BrennicHelp.html"});
        EXPECT_EQ(s->shown.size(), !help.starts && !help.opens ? 1u : 0u);
    }
}

TEST_F(WindowTest, ExitAndAboutGoThroughTheirServices) {
    menu("mnuAbout")->trigger();
    EXPECT_EQ(s->abouts, 1);
    EXPECT_EQ(s->exits, 0);
    menu("mnuFileExit")->trigger();
    EXPECT_EQ(s->exits, 1);
    EXPECT_TRUE(s->shown.empty());
}

} // namespace
} // namespace brennic::ui::test
