// The start-up sequence: the splash window on the screen during the pause, the
// main window only after it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QWindow>

#include "frm_splash.h"
#include "module1.h"
#include "test_support.h"

using namespace brennic::startup;

namespace {

FrmSplash* openSplash() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<FrmSplash*>(window))
            return splash;
    return nullptr;
}

} // namespace

TEST(Module1, ShowsTheMainWindowOnlyAfterTheSplashPause) {
    standins::RecordingPause pause;
    bool created = false;
    bool splashOnScreenDuringPause = false;
    pause.during = [&] {
        const FrmSplash* splash = openSplash();
        splashOnScreenDuringPause = splash != nullptr && splash->isVisible() &&
                                    splash->windowHandle()->isExposed() && splash->painted();
        EXPECT_FALSE(created);
    };
    QPointer<QWidget> mainWindow =
        ShowStartupWindows(ScreenFacts{QRect(0, 0, 1024, 768), 96.0}, pause, [&] {
            created = true;
            EXPECT_EQ(openSplash(), nullptr);
            return new QWidget;
        });

    EXPECT_TRUE(splashOnScreenDuringPause);
    EXPECT_EQ(pause.pauses,
              std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(2500)});
    ASSERT_FALSE(mainWindow.isNull());
    EXPECT_TRUE(mainWindow->isVisible());
    EXPECT_EQ(openSplash(), nullptr);
    delete mainWindow.data();
}
