// The About window: its texts and place, the keys that close it, System Info; and
// the About command: one About window at a time, and the program running as long
// as any window is open.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>

#include "../readability.h"
#include "about_window_opener.h"
#include "test_support.h"

using namespace brennic::startup;

namespace {

const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

QString text(const QWidget& window, const char* name) {
    const auto* child = window.findChild<QWidget*>(QString::fromLatin1(name));
    return child == nullptr ? QStringLiteral("<missing>") : child->property("text").toString();
}

int openAboutWindows() {
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        count += qobject_cast<FrmAbout*>(window) != nullptr && window->isVisible();
    return count;
}

QLabel* title(FrmAbout* about) {
    return about->findChild<QLabel*>(QStringLiteral("lblTitle"));
}

} // namespace

TEST(FrmAbout, LoadsTheCaptionTitleAndVersion) {
    standins::AboutStandIns standIns;
    FrmAbout about({"Brennic", 1, 10, 2}, kScreen, standIns.services());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Brennic"));
    EXPECT_EQ(text(about, "lblTitle"), QStringLiteral("Brennic"));
    EXPECT_EQ(text(about, "lblVersion"), QStringLiteral("Version 1.10.2"));
    EXPECT_EQ(text(about, "cmdSysInfo"), QStringLiteral("&System Info..."));
    EXPECT_EQ(about.focusWidget()->objectName(), QStringLiteral("cmdOK"));
    // 2340 and 1935 twips from the screen's corner, 5730 by 3555 twips inside.
    EXPECT_EQ(about.pos(), QPoint(156, 129));
    EXPECT_EQ(about.size(), QSize(382, 237));
    EXPECT_EQ(about.parent(), nullptr);
}

TEST(FrmAbout, ReturnAndEscapeClose) {
    // clang-format off
    const std::pair<Qt::Key, bool> rows[] = {
        {Qt::Key_Return, true}, {Qt::Key_Enter, true}, {Qt::Key_Escape, true},
        {Qt::Key_Space, false}}; // no button has the key
    // clang-format on
    for (const auto& [key, closes] : rows) {
        SCOPED_TRACE(key);
        standins::AboutStandIns standIns;
        QPointer<FrmAbout> about = new FrmAbout(BrennicFacts, kScreen, standIns.services());
        about->show();
        QTest::keyClick(about.data(), key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(about.isNull(), closes);
        EXPECT_TRUE(standIns.infoBox.shown.empty());
        delete about.data();
    }
}

// The lookup itself is tested in tests/platform: here, what the window says.
TEST(FrmAbout, SysInfoSaysTheToolIsUnavailableUnlessItStarted) {
    for (bool registered : {true, false}) {
        SCOPED_TRACE(registered ? "started" : "not registered");
        standins::AboutStandIns standIns;
        if (registered)
            standIns.registry.SetValue(brennic::platform::kHkeyLocalMachine,
                                       brennic::platform::kSysInfoKey,
                                       brennic::platform::kSysInfoValue, brennic::platform::kRegSz,
                                       {'C', ':', '\\', 'm', '.', 'e', 'x', 'e', 0});
        QPointer<FrmAbout> about = new FrmAbout(BrennicFacts, kScreen, standIns.services());
        about->show();
        QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")),
                          Qt::LeftButton);
        EXPECT_EQ(standIns.starter.started.size(), registered ? 1u : 0u);
        ASSERT_EQ(standIns.infoBox.shown.size(), registered ? 0u : 1u);
        if (!standIns.infoBox.shown.empty()) {
            EXPECT_EQ(standIns.infoBox.shown[0].text,
                      QStringLiteral("System Information Is Unavailable At This Time"));
            EXPECT_EQ(standIns.infoBox.shown[0].title, QStringLiteral("Brennic"));
            EXPECT_EQ(standIns.infoBox.shown[0].parent, about.data());
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(about.isNull()); // stays open
        EXPECT_TRUE(about->isVisible());
        delete about.data();
    }
}

TEST(AboutWindowOpener, KeepsOneAboutWindowAndLoadsAfreshAfterClosing) {
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(BrennicFacts, kScreen, standIns.services());
    opener.Open();
    QPointer<FrmAbout> first = opener.window();
    ASSERT_FALSE(first.isNull());
    // Choosing About again raises the same window without loading it again.
    title(first)->setText(QStringLiteral("marked"));
    opener.Open();
    EXPECT_EQ(opener.window(), first.data());
    EXPECT_EQ(openAboutWindows(), 1);
    EXPECT_EQ(title(first)->text(), QStringLiteral("marked"));

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(opener.window(), nullptr);
    opener.Open();
    ASSERT_NE(opener.window(), nullptr);
    EXPECT_EQ(openAboutWindows(), 1);
    EXPECT_EQ(title(opener.window())->text(), QStringLiteral("Brennic"));
}

TEST(AboutWindowOpener, AnOpenAboutWindowKeepsTheProgramRunning) {
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(BrennicFacts, kScreen, standIns.services());
    QWidget mainWindow;
    mainWindow.show();
    opener.Open();

    // Closing the last window posts a quit that ends the loop within two queued
    // steps; the About window is closed only after that, in the third. Should the
    // loop not end, the guard ends it.
    std::vector<const char*> steps;
    auto later = [](auto step) { QMetaObject::invokeMethod(qApp, step, Qt::QueuedConnection); };
    QTimer hangGuard;
    hangGuard.callOnTimeout([&] {
        steps.push_back("hang_guard");
        QCoreApplication::quit();
    });
    hangGuard.start(5000);
    later([&] {
        mainWindow.close();
        later([&] {
            later([&] {
                steps.push_back("running_after_main_window_closed");
                opener.window()->close();
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
    const QPalette dark = brennic::test::darkPalette();
    const QPalette light = QApplication::palette();
    // clang-format off
    struct Ink { const char* label; QColor colour; };
    const Ink inks[] = {{"lblTitle", Qt::black}, {"lblVersion", Qt::black},
                        {"lblDescription", Qt::black}, {"lblDisclaimer", QColor(192, 0, 0)}};
    // clang-format on
    for (const auto& [name, palette] : {std::pair{"light", light}, std::pair{"dark", dark}}) {
        SCOPED_TRACE(name);
        QApplication::setPalette(palette);
        standins::AboutStandIns standIns;
        FrmAbout about({"Brennic", 1, 0, 2}, kScreen, standIns.services());
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        const QImage picture = about.grab().toImage();
        for (const Ink& ink : inks) {
            SCOPED_TRACE(ink.label);
            auto* label = about.findChild<QLabel*>(QString::fromLatin1(ink.label));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->palette().color(QPalette::WindowText), ink.colour);
            // What is drawn behind the text: a pixel of the label's top-right
            // corner, where no text reaches.
            const QColor behind = picture.pixelColor(label->geometry().topRight() + QPoint(-1, 1));
            EXPECT_GE(brennic::test::contrastRatio(ink.colour, behind), 4.5)
                << behind.name().toStdString();
            EXPECT_EQ(label->autoFillBackground(), QLatin1String(name) == QLatin1String("dark"));
        }
    }
    QApplication::setPalette(light);
}

// A screen reader finds a name on every control of the window.
TEST(FrmAbout, ScreenReaderNamesEveryControl) {
    standins::AboutStandIns standIns;
    FrmAbout about({"Brennic", 1, 0, 2}, kScreen, standIns.services());
    // clang-format off
    const std::pair<const char*, QString> names[] = {
        {"picIcon", "Program icon"}, {"lblTitle", "Brennic"}, {"lblVersion", "Version 1.0.2"},
        {"Line1_0", "Separator"}, {"Line1_1", "Separator"}, {"cmdOK", "OK"},
        {"cmdSysInfo", "System Info..."}};
    // clang-format on
    for (const auto& [widget, name] : names) {
        SCOPED_TRACE(widget);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(
            about.findChild<QWidget*>(QString::fromLatin1(widget)));
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Name), name);
    }
}
