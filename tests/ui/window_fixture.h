// Stand-ins for everything the main window reaches outside itself, and a fixture
// that builds the real window around them. No dialog ever opens: they only record.
#pragma once

#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include "../core/failing_files.h"
#include "../worked_example.h"
#include "platform/program_starter.h"
#include "ui/about_opener.h"
#include "ui/flex_grid.h"
#include "ui/frm_brennic.h"
#include "ui/services.h"
#include "ui/status_bar.h"

// Failed comparisons print texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace brennic::ui::test {

// The tests see the program's names as the window does.
using namespace brennic::ui;
using Op = brennic::test::FailingFiles::Op;
struct Shown {
    QString prompt, title;
    MessageBoxes::Icon icon;
};

// Whether the help page's table of messages lists `message` (help_test.cpp).
bool listedInHelp(const QString& message);

// Every service of the window in one: messages and started programs are
// recorded, and each message must be one the help lists; the save dialog gives
// `answer` (nothing: Cancel), starting a program works or fails as told.
struct StandIns : MessageBoxes, SaveDialog, ProgramExit, AboutOpener, platform::ProgramStarter {
    std::vector<Shown> shown;
    std::optional<QString> answer;
    int asked = 0, selected = -1, exits = 0, abouts = 0;
    QString directory;
    QStringList filters;
    bool starts = true;
    std::vector<std::string> started;

    void Show(const QString& p, const QString& t, Icon i) override {
        EXPECT_TRUE(listedInHelp(p)) << p.toStdString();
        shown.push_back({p, t, i});
    }
    std::optional<QString> AskSavePath(const QString& d, const QStringList& f, int s) override {
        return ++asked, directory = d, filters = f, selected = s, answer;
    }
    bool Start(const std::string& line) override { return started.push_back(line), starts; }
    void Exit() override { ++exits; }
    void Open() override { ++abouts; }
};

inline const QByteArray HeaderLine = QByteArray::fromStdString(brennic::test::ResultHeader),
                        WorkedExampleFile =
                            QByteArray::fromStdString(brennic::test::WorkedExampleFile);
// What the program puts between its directory and a file name in the paths it
// shows and starts: the Windows separator on Windows.
inline const QString Sep = QDir::separator();
inline const QString LoadText = "First set the matrix size...click Apply, and enter your data.",
                     InputTitle = "Error in your input";

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}
// What a screen reader hears as the object's name.
inline QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}
// The program's help windows among all top-level windows.
inline std::vector<QTextBrowser*> helpWindows() {
    std::vector<QTextBrowser*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* browser = qobject_cast<QTextBrowser*>(w); browser && browser->isVisible())
            found.push_back(browser);
    return found;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_tempDir.isValid());
        open(dir = m_tempDir.path());
    }

    // A new window whose program lives in `programDirectory`, shown and active,
    // with fresh stand-ins; the tests call TimerStep themselves.
    void open(const QString& programDirectory) {
        window.reset();
        s = std::make_unique<StandIns>();
        files = brennic::test::FailingFiles();
        window = std::make_unique<FrmBrennic>(FrmBrennicServices{
            *s, *s, *s, *s, s.get(), programDirectory.toStdString(), separator, 96.0, &files});
        window->show();
        active = QTest::qWaitForWindowActive(window.get());
        find<QTimer>("Timer1")->stop();
    }

    template <typename T = QWidget> T* find(const char* name) {
        T* found = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    FlexGrid* grid() { return find<FlexGrid>("FlexGrid"); }
    QLineEdit* input() { return find<QLineEdit>("txtInput"); }
    QLineEdit* sizeBox() { return find<QLineEdit>("Text1"); }
    QAction* menu(const char* name) { return find<QAction>(name); }
    QString status() { return find<StatusBar>("StatusBar1")->SimpleText(); }
    QString resultPath() const { return dir + "/Result.txt"; }
    std::pair<int, int> current() { return {grid()->Row(), grid()->Col()}; }
    QRect cell(int row, int col) {
        return grid()->visualRect(grid()->model()->index(row - 1, col - 1));
    }
    QToolButton* arrow(bool up) {
        for (QToolButton* b : find("UpDown1")->findChildren<QToolButton*>())
            if (b->arrowType() == (up ? Qt::UpArrow : Qt::DownArrow))
                return b;
        return ADD_FAILURE() << "no arrow", nullptr;
    }
    // A widget's or a menu item's.
    bool enabled(const char* name) { return find<QObject>(name)->property("enabled").toBool(); }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    void applySize(const QString& size) { sizeBox()->setText(size), click("cmdApply"); }
    // Types `text` into the input box and commits it with the Return key.
    void commit(const QString& text) {
        input()->clear();
        QTest::keyClicks(input(), text);
        QTest::keyClick(input(), Qt::Key_Return);
    }
    // Applies size n and commits `cells` row by row from cell (1, 1).
    void fill(int n, const QStringList& cells) {
        applySize(QString::number(n));
        grid()->setRow(1);
        grid()->setCol(1);
        for (const QString& cell : cells)
            commit(cell);
        window->TimerStep();
    }
    void runWorkedExample() {
        fill(3, {"20", "5", "0", "3", "15", "2", "2", "5", "48"});
        click("cmdDoIt");
    }

    QTemporaryDir m_tempDir;
    QString dir;
    bool active = false;
    char separator = '.'; // of the user's number format
    std::unique_ptr<StandIns> s;
    brennic::test::FailingFiles files; // the window's files: the system's unless told to fail
    std::unique_ptr<FrmBrennic> window;
};

} // namespace brennic::ui::test
