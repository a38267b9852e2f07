// The window as it first shows, what resizing does to it, and typing into the grid.
#include <QDir>
#include <QMenu>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

// No text given for widgets without one.
// clang-format off
struct WidgetRow { const char* name; const char* text; bool enabled, visible; };
const WidgetRow InitialWidgets[] = {
    {"Label1", "Matrix description", true, true}, {"Text1", "2", true, true},
    {"UpDown1", nullptr, true, true},             {"FlexGrid", nullptr, true, true},
    {"txtInput", "", true, true},                 {"cmdEnter", "Enter", false, true},
    {"cmdApply", "Apply", true, true},            {"cmdDoIt", "Do It!", false, true},
    {"StatusBar1", nullptr, true, true},          {"RTFBox", "", true, false}};
// clang-format on

TEST_F(WindowTest, InitialStateAndResizing) {
    EXPECT_EQ(window->windowTitle(), "Kappa Brennic Correction");
    EXPECT_EQ(window->centralWidget()->size(), QSize(521, 361));
    std::vector<QRect> shown, before;
    for (const WidgetRow& row : InitialWidgets) {
        SCOPED_TRACE(row.name);
        QWidget* widget = find(row.name);
        ASSERT_NE(widget, nullptr);
        before.push_back(widget->geometry());
        EXPECT_TRUE(row.text == nullptr || widget->property("text").toString() == row.text);
        EXPECT_EQ(std::pair(widget->isEnabled(), widget->isVisible()),
                  std::pair(row.enabled, row.visible));
        // Every visible widget lies inside the client area and overlaps no other.
        if (row.visible) {
            EXPECT_TRUE(window->centralWidget()->rect().contains(widget->geometry()));
            for (const QRect& other : shown)
                EXPECT_FALSE(other.intersects(widget->geometry()));
            shown.push_back(widget->geometry());
        }
    }
    EXPECT_EQ(std::pair(grid()->Rows(), grid()->Cols()), std::pair(3, 3));
    EXPECT_EQ(current(), std::make_pair(1, 1));
    EXPECT_EQ(window->focusWidget(), grid());
    EXPECT_EQ(find<QTimer>("Timer1")->interval(), 500);
    EXPECT_FALSE(find<QPushButton>("cmdEnter")->icon().pixmap(16, 16).isNull()); // the bolt

    // clang-format off
    struct Item { const char* name; const char* caption; bool enabled, checked; };
    const Item items[] = {
        {"mnuFileSaveAs", "Save As", true, false},     {"mnuFileExit", "Exit", true, false},
        {"mnuViewInput", "Input Parameters", true, true},
        {"mnuViewOutput", "Output file", false, false},
        {"mnuHelpHowto", "How-to", true, false},       {"mnuAbout", "About Brennic", true, false}};
    // clang-format on
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        QAction* action = menu(item.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), item.caption);
        EXPECT_EQ(std::pair(action->isEnabled(), action->isChecked()),
                  std::pair(item.enabled, item.checked));
        action->hover(); // pointing at a menu item leaves the status text alone
    }
    for (const auto& [name, title] :
         {std::pair{"mnuFile", "&File"}, {"mnuView", "&View"}, {"mnuHelp", "&Help"}})
        EXPECT_EQ(find<QMenu>(name)->title(), title);
    EXPECT_EQ(status(), LoadText);

    // Resizing moves only the status bar.
    for (const QSize& size : {QSize(900, 700), QSize(300, 200)}) {
        SCOPED_TRACE(size.width());
        window->resize(size);
        QApplication::processEvents();
        const QSize client = window->centralWidget()->size();
        ASSERT_EQ(client.width(), size.width());
        for (std::size_t i = 0; i < std::size(InitialWidgets); ++i)
            EXPECT_EQ(find(InitialWidgets[i].name)->geometry(),
                      i == 8 ? QRect(0, client.height() - 25, client.width(), 25) : before[i])
                << InitialWidgets[i].name;
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
    const QString fits = "Supply input parameters and data.";
    auto* bar = find<StatusBar>("StatusBar1");
    // clang-format off
    struct Row { const char* name; QString text; int windowWidth; bool shortened; };
    const Row rows[] = {
        {"long_text_in_designed_window", saved, 521, true},
        {"long_text_in_wide_window", saved, 3000, false},
        {"short_text", fits, 521, false}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (QLatin1String(row.name) == QLatin1String("short_text"))
            menu("mnuViewInput")->trigger();
        window->resize(row.windowWidth, window->height());
        QApplication::processEvents();
        EXPECT_EQ(bar->SimpleText(), row.text);
        // Only a shortened text is shown whole under the pointer.
        EXPECT_EQ(bar->toolTip(), row.shortened ? row.text : QString());
        const QString shown = bar->shownText();
        if (!row.shortened) {
            EXPECT_EQ(shown, row.text);
            continue;
        }
        EXPECT_TRUE(shown.startsWith("The contents of ")) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith("survey.csv.")) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_LT(bar->fontMetrics().horizontalAdvance(shown), bar->width());
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

} // namespace
} // namespace brennic::ui::test
