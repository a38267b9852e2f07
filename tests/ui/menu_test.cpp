// The menu commands: the two views, Save As, How-to, Exit and About.
#include <QDir>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBrowser>

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

// A copy that cannot be written names the chosen path once, with the system's
// reason.
TEST_F(WindowTest, SaveAsFailureNamesThePathOnce) {
    runWorkedExample();
    writeFile(dir + "/a file", "not a folder");
    ASSERT_TRUE(QDir().mkpath(dir + "/a folder.csv"));
    const struct {
        const char* name;
        QString chosen;
        QString reason;
    } rows[] = {
        {"missing_folder", dir + "/missing/copy.csv", "No such file or directory"},
        {"through_a_file", dir + "/a file/copy.csv", "Not a directory"},
        {"onto_a_folder", dir + "/a folder.csv", "it is not a regular file"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        s->shown.clear();
        s->answer = row.chosen;
        menu("mnuFileSaveAs")->trigger();
        ASSERT_EQ(s->shown.size(), 1u);
        EXPECT_EQ(s->shown[0].prompt,
                  "The results were not saved to " + row.chosen + ": " + row.reason + ".");
    }
}

// The program's help windows among all top-level windows.
std::vector<QTextBrowser*> helpWindows() {
    std::vector<QTextBrowser*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<QTextBrowser*>(w); browser && browser->isVisible())
            found.push_back(browser);
    return found;
}

TEST_F(WindowTest, HowToStartsTheViewerOrShowsThePageInOneHelpWindow) {
    // `page` is written beside the program unless it is null; How-to is chosen
    // `times` times.
    // clang-format off
    struct Help { const char* name; const char* directorySuffix; bool starts; const char* page;
                  int times; bool window, told; };
    const Help helps[] = {
        {"viewer_starts", "", true, "<p>help</p>", 1, false, false},
        {"root_like_directory", "/", true, nullptr, 1, false, false},
        {"page_in_own_window", "", false, "<h1>Entering</h1>", 1, true, false},
        {"chosen_three_times_one_window", "", false, "<h1>Entering</h1>", 3, true, false},
        {"page_missing", "", false, nullptr, 2, false, true}};
    // clang-format on
    for (const Help& help : helps) {
        SCOPED_TRACE(help.name);
        const QString programDirectory = dir + help.directorySuffix;
        const QString page = dir + "/BrennicHelp.html";
        QFile::remove(page);
        if (help.page != nullptr)
            writeFile(page, help.page);
        open(programDirectory);
        s->starts = help.starts;
        for (int i = 0; i < help.times; ++i)
            menu("mnuHelpHowto")->trigger();
        EXPECT_EQ(s->started.size(), static_cast<std::size_t>(help.times));
        EXPECT_EQ(s->started[0], "c:\\winnt\\hh.exe " + programDirectory.toStdString() +
                                     Sep.toStdString() + "BrennicHelp.chm");
        const std::vector<QTextBrowser*> windows = helpWindows();
        ASSERT_EQ(windows.size(), help.window ? 1u : 0u);
        if (help.window) {
            EXPECT_EQ(windows[0]->windowTitle(), "Brennic Help");
            EXPECT_EQ(windows[0]->toPlainText(), "Entering");
            EXPECT_TRUE(window->isEnabled()); // modeless: the main window goes on working
        }
        ASSERT_EQ(s->shown.size(), help.told ? static_cast<std::size_t>(help.times) : 0u);
        if (help.told) {
            EXPECT_TRUE(s->shown[0].prompt.contains(programDirectory + Sep + "BrennicHelp.html"))
                << s->shown[0].prompt.toStdString();
            // The system's reason: Qt's words for it differ between platforms.
            EXPECT_TRUE(s->shown[0].prompt.contains("No such file") ||
                        s->shown[0].prompt.contains("not found"))
                << s->shown[0].prompt.toStdString();
        }
    }
    // The window closes with the main window.
    window.reset();
    EXPECT_TRUE(helpWindows().empty());
}

TEST_F(WindowTest, HelpWindowFollowsLinksWithinThePage) {
    QString filler;
    for (int i = 0; i < 200; ++i)
        filler += QStringLiteral("<p>line %1</p>").arg(i);
    writeFile(
        dir + "/BrennicHelp.html",
        ("<p><a href=\"#far\">to the end</a></p>" + filler + "<h2 id=\"far\">End</h2>").toUtf8());
    s->starts = false;
    menu("mnuHelpHowto")->trigger();
    ASSERT_EQ(helpWindows().size(), 1u);
    QTextBrowser* help = helpWindows()[0];
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    // The keyboard reaches the link as a reader's would: Tab to it, Return on it.
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Tab);
    QTest::keyClick(help, Qt::Key_Return);
    EXPECT_EQ(help->source().fragment(), "far");
    EXPECT_GT(help->verticalScrollBar()->value(), 0);
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
