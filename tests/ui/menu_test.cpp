// The menu commands: the two views, Save As, How-to, Exit and About.
#include <QDir>
#include <QPlainTextEdit>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

// What the output box shows of a file: its lines, each ended by one line feed.
QString shownText(const QByteArray& file) {
    return QString::fromLatin1(file).replace("\r\n", "\n");
}

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
        EXPECT_EQ(box->toPlainText(), shownText(content));

        menu("mnuViewInput")->trigger();
        EXPECT_FALSE(box->isVisible());
        EXPECT_TRUE(menu("mnuViewInput")->isChecked());
        EXPECT_FALSE(menu("mnuViewOutput")->isChecked());
        EXPECT_EQ(status(), "Supply input parameters and data.");
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WindowTest, OutputViewOfARemovedFileIsReported) {
    runWorkedExample();
    ASSERT_TRUE(QFile::remove(resultPath()));
    menu("mnuViewOutput")->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].prompt.contains(resultPath()));
    click("cmdDoIt"); // still usable: run again and look at the file
    menu("mnuViewOutput")->trigger();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(find<QPlainTextEdit>("RTFBox")->toPlainText(), shownText(WorkedExampleFile));
}

TEST_F(WindowTest, SaveAsCopiesTheResultFile) {
    // Chosen paths lie below the program directory; `old` is there first.
    // clang-format off
    struct Save { const char* name; std::optional<QString> path; QByteArray old; bool ok, told; };
    const Save saves[] = {
        {"cancel", std::nullopt, {}, false, false},
        {"new_file", "/copy.csv", {}, true, false},
        {"existing_file_replaced", "/old.csv", "a longer file that was there\r\n", true, false},
        {"result_file_itself", "/Result.txt", {}, true, false},
        {"missing_directory", "/missing/copy.csv", {}, false, true},
        {"file_as_directory", "/Result.txt/copy.csv", {}, false, true}};
    // clang-format on
    for (const Save& save : saves) {
        SCOPED_TRACE(save.name);
        const QString home = dir + "/" + save.name, result = home + "/Result.txt";
        ASSERT_TRUE(QDir().mkpath(home));
        open(home);
        runWorkedExample();
        const QString statusBefore = status();
        const QString chosen = save.path ? home + *save.path : QString();
        if (!save.old.isEmpty())
            writeFile(chosen, save.old);
        saveDialog.answer = save.path ? std::optional(chosen) : std::nullopt;
        menu("mnuFileSaveAs")->trigger();

        EXPECT_EQ(saveDialog.directory, home);
        EXPECT_EQ(saveDialog.filters,
                  QStringList({"All Files (*.*)", "Text Files (*.txt)",
                               "Comma-delimited Files (*.csv)", "Data file (*.dat)"}));
        EXPECT_EQ(saveDialog.selected, 2); // the comma-delimited type, counted from 0
        ASSERT_EQ(messages.shown.size(), save.told ? 1u : 0u);
        EXPECT_TRUE(!save.told || messages.shown[0].prompt.contains(chosen));
        EXPECT_EQ(readFile(result), WorkedExampleFile);
        if (save.ok) {
            EXPECT_EQ(readFile(chosen), WorkedExampleFile);
            EXPECT_EQ(status(),
                      "The contents of " + result + " have been saved to " + chosen + ".");
        } else {
            EXPECT_EQ(status(), statusBefore);
        }
        // No copy half made, no temporary file left behind.
        QStringList expected = {"Result.txt"};
        if (save.ok && chosen != result)
            expected << QFileInfo(chosen).fileName();
        QStringList listed =
            QDir(home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        listed.sort();
        expected.sort();
        EXPECT_EQ(listed, expected);
    }
}

TEST_F(WindowTest, SaveAsBeforeTheFirstRunWritesNothing) {
    saveDialog.answer = dir + "/early.csv";
    menu("mnuFileSaveAs")->trigger();
    EXPECT_EQ(saveDialog.asked, 1);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(QFile::exists(dir + "/early.csv"));
    EXPECT_EQ(status(), LoadText);
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
        viewers = RecordingViewers();
        viewers.starts = help.starts;
        viewers.opens = help.opens;
        menu("mnuHelpHowto")->trigger();
        EXPECT_EQ(viewers.started,
                  std::vector<std::string>{"c:\\winnt\\hh.exe " + programDirectory.toStdString() +
                                           "/BrennicHelp.chm"});
        EXPECT_EQ(viewers.opened, help.starts
                                      ? QStringList()
                                      : QStringList{programDirectory + "/BrennicHelp.html"});
        EXPECT_EQ(messages.shown.size(), !help.starts && !help.opens ? 1u : 0u);
    }
}

TEST_F(WindowTest, ExitAndAboutGoThroughTheirServices) {
    menu("mnuAbout")->trigger();
    EXPECT_EQ(exitAbout.abouts, 1);
    EXPECT_EQ(exitAbout.exits, 0);
    menu("mnuFileExit")->trigger();
    EXPECT_EQ(exitAbout.exits, 1);
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
} // namespace brennic::ui::test
