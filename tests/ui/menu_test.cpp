// The menu commands: the two views, Save As, How-to with its help window, Exit and
// About.
#include "window_fixture.h"

using namespace brennic::ui::test;

TEST_F(WindowTest, ViewsSwitchTwiceShowingTheCurrentFile) {
    runWorkedExample();
    auto* box = find<QPlainTextEdit>("RTFBox");
    for (const QByteArray& content : {WorkedExampleFile, QByteArray("rewritten\r\nsince\r\n")}) {
        SCOPED_TRACE(content.left(9).toStdString());
        writeFile(resultPath(), content);
        for (bool output : {true, false}) {
            menu(output ? "mnuViewOutput" : "mnuViewInput")->trigger();
            EXPECT_EQ(std::tuple(box->isVisible(), menu("mnuViewOutput")->isChecked(),
                                 menu("mnuViewInput")->isChecked()),
                      std::tuple(output, output, !output));
            EXPECT_EQ(box->isAncestorOf(window->centralWidget()->childAt(300, 100)), output);
            EXPECT_EQ(status(),
                      output ? "For easier viewing, use a spreadsheet like Excel or Quattro Pro"
                             : "Supply input parameters and data.");
            EXPECT_EQ(accessibleName(find("StatusBar1")), status()); // a reader hears it
        }
        EXPECT_EQ(box->geometry(), QRect(0, 0, 521, 337));
        // Each line ended by one line feed.
        EXPECT_EQ(box->toPlainText(), QString::fromLatin1(content).replace("\r\n", "\n"));
    }
    EXPECT_TRUE(s->shown.empty());
    // A file removed since the run is reported, and the input view stays.
    ASSERT_TRUE(QFile::remove(resultPath()));
    menu("mnuViewOutput")->trigger();
    ASSERT_EQ(s->shown.size(), 1u);
    EXPECT_TRUE(s->shown[0].prompt.contains(resultPath()));
    EXPECT_TRUE(!box->isVisible() && menu("mnuViewInput")->isChecked());
}

TEST_F(WindowTest, SaveAsCopiesTheResultFileOrNamesThePathAndReason) {
    // Chosen paths lie below the program directory; `old` is there first. Before
    // the first run there is nothing to copy; a path not copied to is told.
#ifdef _WIN32
    const char* const underAFile = "No such file or directory"; // Windows finds no such folder
#else
    const char* const underAFile = "Not a directory";
#endif
    // clang-format off
    struct Save { const char* name; bool run; std::optional<QString> path; QByteArray old;
                  const char* reason; /* null: saved */ };
    const Save saves[] = {
        {"cancel", true, std::nullopt, {}, ""},
        {"new_file", true, "/copy.csv", {}, nullptr},
        {"existing_file_replaced", true, "/old.csv", "a file that was there\r\n", nullptr},
        {"result_file_itself", true, "/Result.txt", {}, nullptr},
        {"missing_folder", true, "/missing/copy.csv", {}, "No such file or directory"},
        {"through_a_file", true, "/Result.txt/copy.csv", {}, underAFile},
        {"onto_a_folder", true, "/folder.csv", {}, "it is not a regular file"},
        {"before_the_first_run", false, "/early.csv", {}, ""}};
    // clang-format on
    for (const Save& save : saves) {
        SCOPED_TRACE(save.name);
        const QString home = dir + "/" + save.name, result = home + "/Result.txt";
        ASSERT_TRUE(QDir().mkpath(home + "/folder.csv"));
        open(home);
        if (save.run)
            runWorkedExample();
        const QString statusBefore = status(), chosen = save.path ? home + *save.path : QString();
        if (!save.old.isEmpty())
            writeFile(chosen, save.old);
        s->answer = save.path ? std::optional(chosen) : std::nullopt;
        menu("mnuFileSaveAs")->trigger();
        // The comma-delimited type is selected, counted from 0.
        EXPECT_EQ(std::tuple(s->asked, s->directory, s->selected), std::tuple(1, home, 2));
        EXPECT_EQ(s->filters, QStringList({"All Files (*.*)", "Text Files (*.txt)",
                                           "Comma-delimited Files (*.csv)", "Data file (*.dat)"}));
        const bool ok = save.reason == nullptr, told = save.path && !ok;
        ASSERT_EQ(s->shown.size(), told ? 1u : 0u);
        if (told && *save.reason != '\0') {
            EXPECT_EQ(s->shown[0].prompt,
                      "The results were not saved to " + chosen + ": " + save.reason + ".");
        }
        EXPECT_EQ(status(), ok ? "The contents of " + home + Sep +
                                     "Result.txt have been saved to " + chosen + "."
                               : statusBefore);
        // The result file as it was, the copy whole, no temporary file left behind
        // (in the order of the listing, by name).
        QStringList expected;
        if (save.run)
            expected << "Result.txt";
        if (ok && chosen != result)
            expected << QFileInfo(chosen).fileName();
        for (const QString& name : expected)
            EXPECT_EQ(readFile(home + "/" + name), WorkedExampleFile) << name.toStdString();
        EXPECT_EQ(QDir(home).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }
}

// Save As offers the figures of the file as it is now: a run that made it new and
// stopped before its values leaves nothing to save, even after a complete run.
TEST_F(WindowTest, SaveAsCopiesOnlyAFileWithItsFigures) {
    // clang-format off
    struct Row { const char* name; bool completeRunFirst, zeroMatrix; std::optional<Op> failing;
                 bool saved; };
    const Row rows[] = {
        {"failed_first_run", false, true, std::nullopt, false},
        {"complete_then_arithmetic_failure", true, true, std::nullopt, false},
        {"complete_then_header_not_written", true, false, Op::Write, false},
        {"complete_then_delete_refused", true, false, Op::Delete, true}};
    // clang-format on
    for (const Row& row : rows) {
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
        EXPECT_TRUE(row.saved || s->shown.back().prompt.startsWith("There are no results to save"));
        EXPECT_EQ(readFile(dir + "/copy.csv"), row.saved ? WorkedExampleFile : "<missing>");
    }
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
        QFile::remove(dir + "/BrennicHelp.html");
        if (help.page != nullptr)
            writeFile(dir + "/BrennicHelp.html", help.page);
        open(programDirectory);
        s->starts = help.starts;
        for (int i = 0; i < help.times; ++i)
            menu("mnuHelpHowto")->trigger();
        ASSERT_EQ(s->started.size(), std::size_t(help.times));
        EXPECT_EQ(s->started[0], "c:\\winnt\\hh.exe " + programDirectory.toStdString() +
                                     Sep.toStdString() + "BrennicHelp.chm");
        const std::vector<QTextBrowser*> windows = helpWindows();
        ASSERT_EQ(windows.size(), help.window ? 1u : 0u);
        // Modeless: the main window goes on working.
        EXPECT_TRUE(!help.window ||
                    (windows[0]->windowTitle() == "Brennic Help" &&
                     windows[0]->toPlainText() == "Entering" && window->isEnabled()));
        ASSERT_EQ(s->shown.size(), help.told ? std::size_t(help.times) : 0u);
        // The system's reason: Qt's words for it differ between platforms.
        const QString prompt = help.told ? s->shown[0].prompt : "";
        EXPECT_TRUE(!help.told ||
                    (prompt.contains(programDirectory + Sep + "BrennicHelp.html") &&
                     (prompt.contains("No such file") || prompt.contains("not found"))))
            << prompt.toStdString();
    }
    // The window closes with the main window.
    window.reset();
    EXPECT_TRUE(helpWindows().empty());
}

// The keyboard reaches a link as a reader's would: Tab to it, Return on it; Escape
// closes the window.
TEST_F(WindowTest, HelpWindowFollowsLinksByKeyAndClosesWithEscape) {
    QString page = "<p><a href=\"#far\">to the end</a></p>";
    for (int i = 0; i < 200; ++i)
        page += QStringLiteral("<p>line %1</p>").arg(i);
    writeFile(dir + "/BrennicHelp.html", (page + "<h2 id=\"far\">End</h2>").toUtf8());
    s->starts = false;
    menu("mnuHelpHowto")->trigger();
    ASSERT_EQ(helpWindows().size(), 1u);
    QTextBrowser* help = helpWindows()[0];
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    EXPECT_EQ(help->verticalScrollBar()->value(), 0);
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Tab);
    QTest::keyClick(help, Qt::Key_Return);
    EXPECT_EQ(help->source().fragment(), "far");
    EXPECT_GT(help->verticalScrollBar()->value(), 0);
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(WindowTest, ExitAndAboutGoThroughTheirServices) {
    menu("mnuAbout")->trigger();
    EXPECT_EQ(std::pair(s->abouts, s->exits), std::pair(1, 0));
    menu("mnuFileExit")->trigger();
    EXPECT_EQ(std::pair(s->abouts, s->exits), std::pair(1, 1));
}
