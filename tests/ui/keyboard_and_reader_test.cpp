// The window by keyboard alone and through a screen reader's eyes: focus marks,
// where the focus goes with the views, and the names, labels and table that Qt's
// accessibility layer hands to AT-SPI.
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
        visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "");
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
    // Nothing inside the status bar is read besides it.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(find("StatusBar1"))->childCount(), 0);
    // The spin control's two arrows.
    const QList<QToolButton*> arrows = find<UpDown>("UpDown1")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    EXPECT_EQ(accessibleName(arrows[0]), "One more");
    EXPECT_EQ(accessibleName(arrows[1]), "One fewer");
    // The heading labels the size box.
    const auto labels =
        QAccessible::queryAccessibleInterface(sizeBox())->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), find("Label1"));
}

TEST_F(WindowTest, ScreenReaderReadsTheGridAsATableWithHeadings) {
    fill(2, {"20", "5", "3", ""});
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(grid())->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(std::pair(table->rowCount(), table->columnCount()), std::pair(2, 2));
    const QString texts[] = {"20", "5", "3", ""};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        QAccessibleInterface* at = table->cellAt(i / 2, i % 2);
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(at->text(QAccessible::Name), texts[i]);
        QAccessibleTableCellInterface* cell = at->tableCellInterface();
        ASSERT_NE(cell, nullptr);
        const auto rowHeadings = cell->rowHeaderCells(), columnHeadings = cell->columnHeaderCells();
        ASSERT_TRUE(rowHeadings.size() == 1 && columnHeadings.size() == 1);
        EXPECT_EQ(rowHeadings.value(0)->text(QAccessible::Name), QString("Row %1").arg(i / 2 + 1));
        EXPECT_EQ(columnHeadings.value(0)->text(QAccessible::Name),
                  QString("Column %1").arg(i % 2 + 1));
        // Qt makes the heading cells anew for each call and leaves them to the
        // caller: registered, they can be deleted.
        for (QAccessibleInterface* heading : rowHeadings + columnHeadings)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(heading));
    }
}

} // namespace
} // namespace brennic::ui::test
