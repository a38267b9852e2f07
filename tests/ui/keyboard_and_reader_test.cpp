// The window by keyboard alone and through a screen reader's eyes: focus marks,
// where the focus goes with the views, Escape in the help window, and the names,
// labels, table and announcements that Qt's accessibility layer hands to AT-SPI.
#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QToolButton>

#include "up_down.h"
#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

// Every control shows whether it has the focus: its picture differs.
TEST_F(WindowTest, EveryControlShowsWhenItHasTheFocus) {
    ASSERT_TRUE(active);
    applySize("2");
    for (const char* name : {"FlexGrid", "Text1", "UpDown1", "txtInput"}) {
        SCOPED_TRACE(name);
        QWidget* control = find(name);
        find("cmdApply")->setFocus();
        const QImage without = control->grab().toImage();
        control->setFocus();
        ASSERT_TRUE(control->hasFocus());
        EXPECT_NE(control->grab().toImage(), without);
    }
}

// The widgets that Tab reaches, in order, starting from the focus as it stands.
QStringList tabRound(int presses) {
    QStringList visited;
    for (int i = 0; i < presses; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                : QString());
    }
    return visited;
}

TEST_F(WindowTest, FocusGoesWithTheViewAndTabStaysInSight) {
    ASSERT_TRUE(active);
    runWorkedExample();
    window->TimerStep();
    menu("mnuViewOutput")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), find("RTFBox"));
    // Nothing under the output box is reached.
    EXPECT_EQ(tabRound(3), QStringList({"RTFBox", "RTFBox", "RTFBox"}));

    menu("mnuViewInput")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(tabRound(7), QStringList({"Text1", "UpDown1", "cmdApply", "txtInput", "cmdEnter",
                                        "cmdDoIt", "FlexGrid"}));
}

TEST_F(WindowTest, HelpWindowClosesWithEscape) {
    writeFile(dir + "/BrennicHelp.html", "<p>help</p>");
    s->starts = false;
    menu("mnuHelpHowto")->trigger();
    auto* help = window->findChild<QTextBrowser*>("HelpWindow");
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    QTest::keyClick(help, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

QString nameOf(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

TEST_F(WindowTest, ScreenReaderNamesEveryControl) {
    // clang-format off
    struct Named { const char* widget; QString name; QAccessible::Role role; };
    const Named controls[] = {
        {"Label1", "Matrix description", QAccessible::StaticText},
        {"Text1", "Number of classes", QAccessible::EditableText},
        {"UpDown1", "Step the number of classes", QAccessible::Client},
        {"FlexGrid", "Error matrix", QAccessible::Table},
        {"txtInput", "Count for the current cell", QAccessible::EditableText},
        {"cmdEnter", "Enter", QAccessible::Button},
        {"cmdApply", "Apply", QAccessible::Button},
        {"cmdDoIt", "Do It!", QAccessible::Button},
        {"RTFBox", "Output file", QAccessible::EditableText},
        {"StatusBar1", LoadText, QAccessible::StatusBar}};
    // clang-format on
    for (const Named& control : controls) {
        SCOPED_TRACE(control.widget);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(find(control.widget));
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Name), control.name);
        EXPECT_EQ(face->role(), control.role);
    }
    // The spin control's two arrows.
    const QList<QToolButton*> arrows = find<UpDown>("UpDown1")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    EXPECT_EQ(nameOf(arrows[0]), "One more");
    EXPECT_EQ(nameOf(arrows[1]), "One fewer");
    // The heading labels the size box.
    QAccessibleInterface* sizeFace = QAccessible::queryAccessibleInterface(sizeBox());
    const auto labels = sizeFace->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), find("Label1"));
}

TEST_F(WindowTest, ScreenReaderReadsTheGridAsATableWithHeadings) {
    fill(2, {"20", "5", "3", ""});
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(grid());
    ASSERT_NE(face, nullptr);
    QAccessibleTableInterface* table = face->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->columnCount(), 2);
    // clang-format off
    struct Cell { int row, col; QString text, rowHeading, columnHeading; };
    const Cell cells[] = {{0, 0, "20", "Row 1", "Column 1"}, {0, 1, "5", "Row 1", "Column 2"},
                          {1, 0, "3", "Row 2", "Column 1"},  {1, 1, "", "Row 2", "Column 2"}};
    // clang-format on
    for (const Cell& cell : cells) {
        SCOPED_TRACE(cell.text.toStdString() + " " + cell.rowHeading.toStdString());
        QAccessibleInterface* at = table->cellAt(cell.row, cell.col);
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(at->text(QAccessible::Name), cell.text);
        QAccessibleTableCellInterface* tableCell = at->tableCellInterface();
        ASSERT_NE(tableCell, nullptr);
        const auto rowHeadings = tableCell->rowHeaderCells();
        const auto columnHeadings = tableCell->columnHeaderCells();
        ASSERT_EQ(rowHeadings.size(), 1);
        ASSERT_EQ(columnHeadings.size(), 1);
        EXPECT_EQ(rowHeadings[0]->text(QAccessible::Name), cell.rowHeading);
        EXPECT_EQ(columnHeadings[0]->text(QAccessible::Name), cell.columnHeading);
        // Qt makes the heading cells anew for each call and leaves them to the
        // caller: registered, they can be deleted.
        for (QAccessibleInterface* heading : rowHeadings + columnHeadings)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(heading));
    }
}

// The status bar's text is its name for a screen reader, whatever the program
// last set. (Qt raises the name-changed event that makes a reader announce it
// only while a screen reader's bridge is active, never on the offscreen platform.)
TEST_F(WindowTest, ScreenReaderReadsEachNewStatusText) {
    QObject* bar = find("StatusBar1");
    EXPECT_EQ(nameOf(bar), LoadText);
    runWorkedExample();
    EXPECT_EQ(nameOf(bar), "Results have been written to " + dir + Sep + "Result.txt.");
    menu("mnuViewOutput")->trigger();
    EXPECT_EQ(nameOf(bar), "For easier viewing, use a spreadsheet like Excel or Quattro Pro");
    // Nothing inside the bar is read besides it.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar)->childCount(), 0);
}

} // namespace
} // namespace brennic::ui::test
