// The window as it first shows, what resizing does to it, and the window by
// keyboard alone and through a screen reader's eyes: focus marks, where the focus
// goes with the views, and the names, labels and table that Qt's accessibility
// layer hands to AT-SPI.
#include "ui/up_down.h"
#include "window_fixture.h"

using namespace brennic::ui::test;

TEST_F(WindowTest, InitialStateAndResizing) {
    EXPECT_EQ(window->windowTitle(), "Kappa Brennic Correction");
    EXPECT_EQ(window->centralWidget()->size(), QSize(521, 361));
    // No text given for widgets without one; all enabled but two, all visible but one.
    // clang-format off
    const std::pair<const char*, const char*> widgets[] = {
        {"Label1", "Matrix description"}, {"Text1", "2"}, {"UpDown1", nullptr},
        {"FlexGrid", nullptr},
        {"txtInput", ""}, {"cmdEnter", "Enter"}, {"cmdApply", "Apply"}, {"cmdDoIt", "Do It!"},
        {"StatusBar1", nullptr}, {"RTFBox", ""}};
    // clang-format on
    std::vector<QRect> before;
    for (const auto& [name, text] : widgets) {
        SCOPED_TRACE(name);
        QWidget* widget = find(name);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(text == nullptr || widget->property("text").toString() == text);
        const bool hidden = name == std::string("RTFBox");
        EXPECT_EQ(
            std::pair(widget->isEnabled(), widget->isVisible()),
            std::pair(name != std::string("cmdEnter") && name != std::string("cmdDoIt"), !hidden));
        // Every visible widget lies inside the client area and overlaps no other.
        EXPECT_TRUE(hidden || window->centralWidget()->rect().contains(widget->geometry()));
        for (std::size_t i = 0; !hidden && i < before.size(); ++i)
            EXPECT_FALSE(before[i].intersects(widget->geometry()));
        before.push_back(widget->geometry());
    }
    EXPECT_EQ(std::pair(grid()->Rows(), grid()->Cols()), std::pair(3, 3));
    EXPECT_EQ(current(), std::make_pair(1, 1));
    EXPECT_EQ(window->focusWidget(), grid());
    EXPECT_EQ(find<QTimer>("Timer1")->interval(), 500);
    const QFont heading = find("Label1")->font(), others = find("txtInput")->font();
    EXPECT_EQ(std::tuple(heading.pointSizeF(), heading.bold(), others.pointSizeF(), others.bold()),
              std::tuple(9.75, true, 8.25, false));
    EXPECT_FALSE(find<QPushButton>("cmdEnter")->icon().pixmap(16, 16).isNull()); // the bolt
    // clang-format off
    // name, caption, enabled, checked
    const std::tuple<const char*, const char*, bool, bool> items[] = {
        {"mnuFileSaveAs", "Save As", true, false}, {"mnuFileExit", "Exit", true, false},
        {"mnuViewInput", "Input Parameters", true, true},
        {"mnuViewOutput", "Output file", false, false},
        {"mnuHelpHowto", "How-to", true, false}, {"mnuAbout", "About Brennic", true, false}};
    // clang-format on
    for (const auto& [name, caption, enabled, checked] : items) {
        QAction* action = menu(name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(std::tuple(action->text(), action->isEnabled(), action->isChecked()),
                  std::tuple(QString(caption), enabled, checked))
            << name;
        action->hover(); // pointing at a menu item leaves the status text alone
    }
    for (const auto& [name, title] :
         {std::pair{"mnuFile", "&File"}, {"mnuView", "&View"}, {"mnuHelp", "&Help"}})
        EXPECT_EQ(find<QMenu>(name)->title(), title);
    EXPECT_EQ(status(), LoadText);
    // Resizing moves only the status bar.
    for (const QSize& size : {QSize(900, 700), QSize(300, 200)}) {
        window->resize(size);
        QApplication::processEvents();
        const QSize client = window->centralWidget()->size();
        ASSERT_EQ(client.width(), size.width());
        for (std::size_t i = 0; i < std::size(widgets); ++i)
            EXPECT_EQ(find(widgets[i].first)->geometry(),
                      i == 8 ? QRect(0, client.height() - 25, client.width(), 25) : before[i])
                << widgets[i].first << " " << size.width();
    }
}

TEST_F(WindowTest, StatusTextWiderThanTheBarLosesItsMiddleNotItsFileName) {
    runWorkedExample();
    const QString folder = dir + "/a folder with a name long enough to fill the bar twice over";
    ASSERT_TRUE(QDir().mkpath(folder));
    s->answer = folder + "/kappa of the survey.csv";
    menu("mnuFileSaveAs")->trigger();
    const QString saved =
        "The contents of " + dir + Sep + "Result.txt have been saved to " + *s->answer + ".";
    auto* bar = find<StatusBar>("StatusBar1");
    // clang-format off
    // name, text, window width, shortened
    const std::tuple<const char*, QString, int, bool> rows[] = {
        {"long_text_in_designed_window", saved, 521, true},
        {"long_text_in_wide_window", saved, 3000, false},
        {"short_text", "Supply input parameters and data.", 521, false}};
    // clang-format on
    for (const auto& [name, text, width, shortened] : rows) {
        SCOPED_TRACE(name);
        if (text != saved)
            menu("mnuViewInput")->trigger();
        window->resize(width, window->height());
        QApplication::processEvents();
        EXPECT_EQ(bar->SimpleText(), text);
        // Only a shortened text is shown whole under the pointer.
        EXPECT_EQ(bar->toolTip(), shortened ? text : QString());
        const QString shown = bar->shownText();
        EXPECT_TRUE(shortened
                        ? shown.startsWith("The contents of ") && shown.endsWith("survey.csv.") &&
                              shown.contains(QChar(0x2026)) &&
                              bar->fontMetrics().horizontalAdvance(shown) < bar->width()
                        : shown == text)
            << shown.toStdString();
    }
}

// Every control shows whether it has the focus: its picture differs.
TEST_F(WindowTest, EveryControlShowsWhenItHasTheFocus) {
    ASSERT_TRUE(active);
    applySize("2");
    for (const char* name : {"FlexGrid", "Text1", "UpDown1", "txtInput"}) {
        QWidget* control = find(name);
        find("cmdApply")->setFocus();
        const QImage without = control->grab().toImage();
        control->setFocus();
        ASSERT_TRUE(control->hasFocus()) << name;
        EXPECT_NE(control->grab().toImage(), without) << name;
    }
}

TEST_F(WindowTest, FocusGoesWithTheViewAndTabStaysInSight) {
    ASSERT_TRUE(active);
    // The widgets that Tab reaches, in order, starting from the focus as it stands.
    const auto tabRound = [](int presses) {
        QStringList visited;
        while (presses-- > 0) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                    : "");
        }
        return visited;
    };
    runWorkedExample();
    window->TimerStep();
    menu("mnuViewOutput")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), find("RTFBox"));
    EXPECT_EQ(tabRound(3), QStringList({"RTFBox", "RTFBox", "RTFBox"})); // nothing under it
    menu("mnuViewInput")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), grid());
    EXPECT_EQ(tabRound(7), QStringList({"Text1", "UpDown1", "cmdApply", "txtInput", "cmdEnter",
                                        "cmdDoIt", "FlexGrid"}));
}

TEST_F(WindowTest, ScreenReaderNamesEveryControlAndReadsTheGridAsATable) {
    // clang-format off
    const std::tuple<const char*, QString, QAccessible::Role> controls[] = {
        {"Label1", "Matrix description", QAccessible::StaticText},
        {"Text1", "Number of classes", QAccessible::EditableText},
        {"UpDown1", "Step the number of classes", QAccessible::Client},
        {"FlexGrid", "Error matrix", QAccessible::Table},
        {"txtInput", "Count for the current cell", QAccessible::EditableText},
        {"cmdEnter", "Enter", QAccessible::Button}, {"cmdApply", "Apply", QAccessible::Button},
        {"cmdDoIt", "Do It!", QAccessible::Button},
        {"RTFBox", "Output file", QAccessible::EditableText},
        {"StatusBar1", LoadText, QAccessible::StatusBar}};
    // clang-format on
    for (const auto& [widget, name, role] : controls) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(find(widget));
        ASSERT_NE(face, nullptr) << widget;
        EXPECT_EQ(std::pair(face->text(QAccessible::Name), face->role()), std::pair(name, role))
            << widget;
    }
    // Nothing inside the status bar is read besides it.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(find("StatusBar1"))->childCount(), 0);
    // The spin control's two arrows; the heading labels the size box.
    const QList<QToolButton*> arrows = find<UpDown>("UpDown1")->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    EXPECT_EQ(std::pair(accessibleName(arrows[0]), accessibleName(arrows[1])),
              std::pair(QString("One more"), QString("One fewer")));
    const auto labels =
        QAccessible::queryAccessibleInterface(sizeBox())->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), find("Label1"));

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
        EXPECT_EQ(std::pair(rowHeadings[0]->text(QAccessible::Name),
                            columnHeadings[0]->text(QAccessible::Name)),
                  std::pair(QString("Row %1").arg(i / 2 + 1), QString("Column %1").arg(i % 2 + 1)));
        // Qt makes the heading cells anew for each call and leaves them to the
        // caller: registered, they can be deleted.
        for (QAccessibleInterface* heading : rowHeadings + columnHeadings)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(heading));
    }
}

TEST_F(WindowTest, TypingIntoTheGridChangesNoCell) {
    fill(2, {"1", "2", "3", "4"});
    sizeBox()->setText("5");
    QTest::keyClick(sizeBox(), Qt::Key_Return); // no default button to click
    grid()->setFocus();
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_F2, Qt::Key_9, Qt::Key_Return, Qt::Key_Delete})
        QTest::keyClick(grid(), key);
    EXPECT_EQ(grid()->Rows(), 3);
    EXPECT_EQ(current(), std::make_pair(1, 2)); // the arrow key moves the cursor
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid()->cellText(i / 2 + 1, i % 2 + 1), QString::number(i + 1)) << i;
}
