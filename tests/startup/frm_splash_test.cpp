// The splash window: its texts, its place, the inputs that close it, and the
// start-up sequence: the splash window on the screen during the pause, the main
// window only after it.
#include <QtTest>
#include <QtWidgets>
#include <gtest/gtest.h>

#include "startup/frm_splash.h"
#include "startup/module1.h"
#include "test_support.h"

using namespace brennic::startup;

static const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

// Its texts, and its place: centred on its screen, without title bar or task bar
// button. 7215 by 3000 twips are 481 by 200 pixels at 96 dpi and 722 by 300 at
// 144; the border adds 2 pixels on each side. The second row is on a second screen.
TEST(FrmSplash, ShowsItsTextsCentredWithoutTitleBar) {
    // clang-format off
    // The version text keeps its designed right edge, 6885 twips: pixel 458, and at 144 dpi
    // 600 + 89 - 1.
    const std::tuple<AppFacts, ScreenFacts, QRect, QString, int> rows[] = {
        {BrennicFacts, kScreen, QRect(269, 282, 485, 204), "Version 1.0.2", 458},
        {{"Brennic", 1, 10, 2}, {QRect(1024, 0, 1600, 1200), 144.0}, QRect(1461, 448, 726, 304),
         "Version 1.10.2", 688}};
    // clang-format on
    for (const auto& [facts, screen, geometry, version, versionRight] : rows) {
        FrmSplash splash(facts, screen);
        EXPECT_EQ(splash.geometry(), geometry);
        EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(splash.windowType(), Qt::SplashScreen);
        QStringList texts;
        for (const char* name : {"lblVersion", "lblProductName", "lblPlatform", "lblWarning"})
            texts << (splash.findChild<QLabel*>(name) ? splash.findChild<QLabel*>(name)->text()
                                                      : "");
        EXPECT_EQ(texts,
                  QStringList({version, "Brennic", "WinNT, 95 and 98", "Warning: Beta version"}));
        EXPECT_EQ(splash.findChild<QLabel*>("lblVersion")->geometry().right(), versionRight);
        const std::tuple<const char*, double, bool> fonts[] = {
            {"lblCompanyProduct", 18, true}, {"lblProductName", 32.25, true},
            {"lblPlatform", 15.75, true},    {"lblVersion", 12, true},
            {"lblWarning", 8.25, false},     {"lblCompany", 8.25, false}};
        for (const auto& [name, points, bold] : fonts) {
            const QFont font = splash.findChild<QLabel*>(name)->font();
            EXPECT_EQ(std::pair(font.pointSizeF(), font.bold()), std::pair(points, bold)) << name;
        }
    }
}

TEST(FrmSplash, TypedKeysAndClicksOnTheFrameCloseIt) {
    // A key closes it if it types something; a click only on the frame itself.
    // clang-format off
    struct Row { const char* name; Qt::Key key; const char* clicked; QPoint at; bool closes; };
    const Row rows[] = {
        {"letter", Qt::Key_A, nullptr, {}, true}, {"return", Qt::Key_Return, nullptr, {}, true},
        {"escape", Qt::Key_Escape, nullptr, {}, true}, {"shift", Qt::Key_Shift, nullptr, {}, false},
        {"arrow", Qt::Key_Left, nullptr, {}, false},
        {"frame", {}, "Frame1", QPoint(470, 5), true},
        {"logo", {}, "imgLogo", QPoint(50, 50), false},
        {"title", {}, "lblProductName", QPoint(10, 10), false}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QPointer<FrmSplash> splash = new FrmSplash(BrennicFacts, kScreen);
        splash->show();
        if (row.clicked == nullptr)
            QTest::keyClick(splash.data(), row.key);
        else
            QTest::mouseClick(splash->findChild<QWidget*>(row.clicked), Qt::LeftButton, {}, row.at);
        EXPECT_EQ(!splash->isVisible(), row.closes);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(splash.isNull(), row.closes);
        delete splash.data();
    }
}

// The main window is built while the splash window shows, hidden, and shown once
// the pause and the splash window are over.
TEST(Module1, ShowsTheMainWindowOnlyAfterTheSplashPause) {
    const auto openSplash = []() -> FrmSplash* {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* splash = qobject_cast<FrmSplash*>(window))
                return splash;
        return nullptr;
    };
    standins::RecordingPause pause;
    bool splashOnScreenDuringPause = false, mainWindowHiddenDuringPause = false;
    QWidget* created = nullptr;
    pause.during = [&] {
        const FrmSplash* splash = openSplash();
        splashOnScreenDuringPause = splash != nullptr && splash->isVisible() &&
                                    splash->windowHandle()->isExposed() && splash->painted();
        mainWindowHiddenDuringPause = created != nullptr && !created->isVisible();
    };
    QPointer<QWidget> mainWindow = ShowStartupWindows(kScreen, pause, [&] {
        EXPECT_TRUE(pause.pauses.empty());
        return created = new QWidget;
    });
    EXPECT_TRUE(splashOnScreenDuringPause && mainWindowHiddenDuringPause);
    // One pause, of what the building left of the 2500 ms.
    ASSERT_EQ(pause.pauses.size(), 1u);
    EXPECT_LE(pause.pauses[0], std::chrono::milliseconds(2500));
    EXPECT_GT(pause.pauses[0], std::chrono::milliseconds(0));
    EXPECT_EQ(openSplash(), nullptr);
    ASSERT_EQ(mainWindow.data(), created);
    EXPECT_TRUE(mainWindow->isVisible());
    delete mainWindow.data();
}
