// The About command: one About window at a time, and the program running as long
// as any window is open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "about_window_opener.h"
#include "test_support.h"

using namespace brennic::startup;

namespace {

const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

int openAboutWindows() {
    int count = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<FrmAbout*>(window) != nullptr && window->isVisible())
            ++count;
    return count;
}

} // namespace

TEST(AboutWindowOpener, KeepsOneAboutWindowAndLoadsAfreshAfterClosing) {
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(kAppFacts, kScreen, standIns.services());

    opener.Open();
    QPointer<FrmAbout> first = opener.window();
    ASSERT_FALSE(first.isNull());
    // Choosing About again raises the same window without loading it again.
    first->findChild<QLabel*>(QStringLiteral("lblTitle"))->setText(QStringLiteral("marked"));
    opener.Open();
    EXPECT_EQ(opener.window(), first.data());
    EXPECT_EQ(openAboutWindows(), 1);
    EXPECT_EQ(first->findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
              QStringLiteral("marked"));

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(opener.window(), nullptr);

    opener.Open();
    ASSERT_NE(opener.window(), nullptr);
    EXPECT_EQ(openAboutWindows(), 1);
    EXPECT_EQ(opener.window()->findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
              QStringLiteral("Brennic"));
}

TEST(AboutWindowOpener, AnOpenAboutWindowKeepsTheProgramRunning) {
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    standins::AboutStandIns standIns;
    AboutWindowOpener opener(kAppFacts, kScreen, standIns.services());
    QWidget mainWindow;
    mainWindow.show();
    opener.Open();

    // Closing the last window posts a quit that ends the loop within two queued
    // steps; the About window is closed only after that, in the third.
    std::vector<const char*> steps;
    auto later = [](std::function<void()> step) {
        QMetaObject::invokeMethod(qApp, std::move(step), Qt::QueuedConnection);
    };
    QTimer hangGuard;
    hangGuard.setSingleShot(true);
    QObject::connect(&hangGuard, &QTimer::timeout, [&] {
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
    hangGuard.stop();

    EXPECT_EQ(steps, std::vector<const char*>{"running_after_main_window_closed"});
}
