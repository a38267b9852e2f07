// The About window: its texts and place, the keys that close it, System Info; and
// the About command: one About window at a time, and the program running as long
// as any window is open.
#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include "../readability.h"
#include "startup/about_window_opener.h"
#include "test_support.h"

using namespace brennic::startup;

static const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

// The texts it loads, its place, and the names a screen reader finds on every
// control.
TEST(FrmAbout, LoadsItsTextsAndNamesEveryControl) {
    standins::AboutStandIns standIns;
    FrmAbout about({"Brennic", 1, 10, 2}, kScreen, standIns.services());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Brennic"));
    EXPECT_EQ(about.focusWidget()->objectName(), QStringLiteral("cmdOK"));
    // 2340 and 1935 twips from the screen's corner, 5730 by 3555 twips inside.
    EXPECT_EQ(about.geometry(), QRect(156, 129, 382, 237));
    EXPECT_EQ(about.parent(), nullptr);
    // clang-format off
    const std::tuple<const char*, QString, QString> rows[] = { // widget, text, name
        {"picIcon", "", "Program icon"}, {"lblTitle", "Brennic", "Brennic"},
        {"lblVersion", "Version 1.10.2", "Version 1.10.2"}, {"Line1_0", "", "Separator"},
        {"Line1_1", "", "Separator"}, {"cmdOK", "OK", "OK"},
        {"cmdSysInfo", "&System Info...", "System Info..."}};
    // clang-format on
    for (const auto& [widget, shown, name] : rows) {
        auto* child = about.findChild<QWidget*>(QString::fromLatin1(widget));
        ASSERT_NE(child, nullptr) << widget;
        EXPECT_TRUE(shown.isEmpty() || child->property("text").toString() == shown) << widget;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(child)->text(QAccessible::Name), name);
    }
    // Places at 96 dpi, twips / 15; the separator ends at 5654 twips, pixel 377. The icon
    // sizes itself to its picture. The separator's colours: grey over white.
    // clang-format off
    const std::tuple<const char*, QRect, QColor> places[] = {
        {"picIcon", QRect(16, 16, 0, 0), {}}, {"lblTitle", QRect(70, 16, 259, 32), {}},
        {"lblVersion", QRect(70, 52, 259, 15), {}}, {"cmdOK", QRect(283, 175, 84, 23), {}},
        {"cmdSysInfo", QRect(284, 205, 83, 23), {}},
        {"Line1_0", QRect(7, 164, 370, 2), Qt::white},
        {"Line1_1", QRect(6, 163, 371, 1), QColor(128, 128, 128)}};
    // clang-format on
    for (const auto& [widget, place, colour] : places) {
        const QWidget* child = about.findChild<QWidget*>(QString::fromLatin1(widget));
        EXPECT_EQ(place.isEmpty() ? QRect(child->pos(), QSize(0, 0)) : child->geometry(), place)
            << widget;
        EXPECT_TRUE(!colour.isValid() || child->palette().color(QPalette::Window) == colour)
            << widget;
    }
}

// Return and Escape close it, a key no button has does not; System Info starts
// the tool the registry names (the lookup is tested in tests/platform) or says it
// is unavailable, and the window stays.
TEST(FrmAbout, KeysCloseItAndSysInfoSaysWhenTheToolIsUnavailable) {
    // clang-format off
    struct Row { const char* name; Qt::Key key; bool registered, closes; };
    const Row rows[] = {
        {"return", Qt::Key_Return, false, true}, {"enter", Qt::Key_Enter, false, true},
        {"escape", Qt::Key_Escape, false, true}, {"space", Qt::Key_Space, false, false},
        {"sys_info_started", Qt::Key_unknown, true, false},
        {"sys_info_not_registered", Qt::Key_unknown, false, false}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        standins::AboutStandIns standIns;
        if (row.registered)
            standIns.registry.SetValue(brennic::platform::kHkeyLocalMachine,
                                       brennic::platform::kSysInfoKey,
                                       brennic::platform::kSysInfoValue, brennic::platform::kRegSz,
                                       {'C', ':', '\\', 'm', '.', 'e', 'x', 'e', 0});
        QPointer<FrmAbout> about = new FrmAbout(BrennicFacts, kScreen, standIns.services());
        about->show();
        const bool sysInfo = row.key == Qt::Key_unknown, told = sysInfo && !row.registered;
        if (sysInfo)
            QTest::mouseClick(about->findChild<QPushButton*>("cmdSysInfo"), Qt::LeftButton);
        else
            QTest::keyClick(about.data(), row.key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(about.isNull(), row.closes);
        EXPECT_TRUE(row.closes || about->isVisible());
        EXPECT_EQ(standIns.starter.started.size(), row.registered ? 1u : 0u);
        ASSERT_EQ(standIns.shown.size(), told ? 1u : 0u);
        if (told) {
            const standins::Shown& shown = standIns.shown[0];
            EXPECT_EQ(std::tuple(shown.text, shown.title, shown.parent),
                      std::tuple(QString("System Information Is Unavailable At This Time"),
                                 QString("Brennic"), static_cast<QWidget*>(about.data())));
        }
        delete about.data();
    }
}

TEST(AboutWindowOpener, KeepsOneAboutWindowAndLoadsAfreshAfterClosing) {
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(BrennicFacts, kScreen, standIns.services());
    const auto title = [&] { return opener.window()->findChild<QLabel*>("lblTitle"); };
    const auto openWindows = [] {
        int count = 0;
        for (QWidget* window : QApplication::topLevelWidgets())
            count += qobject_cast<FrmAbout*>(window) != nullptr && window->isVisible();
        return count;
    };
    opener.Open();
    QPointer<FrmAbout> first = opener.window();
    ASSERT_FALSE(first.isNull());
    // Choosing About again raises the same window without loading it again.
    title()->setText(QStringLiteral("marked"));
    opener.Open();
    EXPECT_EQ(opener.window(), first.data());
    EXPECT_EQ(std::pair(openWindows(), title()->text()), std::pair(1, QString("marked")));
    // Closed, it is gone; the next one is loaded anew.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull() && opener.window() == nullptr);
    opener.Open();
    ASSERT_NE(opener.window(), nullptr);
    EXPECT_EQ(std::pair(openWindows(), title()->text()), std::pair(1, QString("Brennic")));
}

// Closing the last window posts a quit that ends the loop within two queued
// steps; the About window is closed only after that, in the third. Should the
// loop not end, the guard ends it.
TEST(AboutWindowOpener, AnOpenAboutWindowKeepsTheProgramRunning) {
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(BrennicFacts, kScreen, standIns.services());
    QWidget mainWindow;
    mainWindow.show();
    opener.Open();
    std::vector<const char*> steps;
    auto later = [](auto step) { QMetaObject::invokeMethod(qApp, step, Qt::QueuedConnection); };
    QTimer hangGuard;
    hangGuard.callOnTimeout([&] { steps.push_back("hang_guard"), QCoreApplication::quit(); });
    hangGuard.start(5000);
    later([&] {
        mainWindow.close();
        later([&] {
            later([&] {
                steps.push_back("running_after_main_window_closed"), opener.window()->close();
            });
        });
    });
    QApplication::exec();
    EXPECT_EQ(steps, std::vector<const char*>{"running_after_main_window_closed"});
}

// The texts keep the colours the design gives them and stay readable (4.5:1 at
// least) on whatever lies behind them, in a light and in a dark palette; in a
// light one nothing is added behind them.
TEST(FrmAbout, TextsStayReadableInADarkPalette) {
    const QPalette light = QApplication::palette();
    // clang-format off
    const std::pair<const char*, QColor> inks[] = {
        {"lblTitle", Qt::black}, {"lblVersion", Qt::black}, {"lblDescription", Qt::black},
        {"lblDisclaimer", QColor(192, 0, 0)}};
    // clang-format on
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? brennic::test::darkPalette() : light);
        standins::AboutStandIns standIns;
        FrmAbout about({"Brennic", 1, 0, 2}, kScreen, standIns.services());
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        const QImage picture = about.grab().toImage();
        for (const auto& [name, ink] : inks) {
            SCOPED_TRACE(std::string(name) + (dark ? " dark" : " light"));
            auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), ink);
            // What is drawn behind the text: a pixel of the label's top-right
            // corner, where no text reaches.
            const QColor behind = picture.pixelColor(label->geometry().topRight() + QPoint(-1, 1));
            EXPECT_GE(brennic::test::contrastRatio(ink, behind), 4.5)
                << behind.name().toStdString();
            EXPECT_EQ(label->autoFillBackground(), dark);
        }
    }
    QApplication::setPalette(light);
}
