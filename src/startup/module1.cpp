// The start-up procedure. The splash window must be on the screen and painted
// before the pause, because the pause blocks the thread and nothing is drawn
// while it lasts.
#include "startup/module1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/pause.h"
#include "startup/app_facts.h"
#include "startup/frm_splash.h"
#include "startup/screen_facts.h"

namespace brennic::startup {
namespace {

bool onScreen(const FrmSplash& splash) {
    const QWindow* window = splash.windowHandle();
    return window != nullptr && window->isExposed() && splash.painted();
}

// Handles events until the window system has shown the splash window and it has
// been painted, or the limit has passed (then it is painted now), and waits until
// the window system has its pixels.
void drawNow(QPointer<FrmSplash>& splash) {
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(SplashShowLimit);
    while (!splash.isNull() && !onScreen(*splash) && limit.isActive())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!splash.isNull() && !splash->painted())
        splash->repaint();
    QGuiApplication::sync();
}

// Does ahead what showing a window would do first: its native window, its
// layout, and a first drawing off the screen, which loads the fonts' glyphs, so
// that showing it after the pause only maps and paints it.
void prepareToShow(QWidget& window) {
    window.ensurePolished();
    window.winId();
    window.grab();
}

} // namespace

QWidget* ShowStartupWindows(const ScreenFacts& screen, platform::Pause& pause,
                            const MainWindowFactory& createMainWindow) {
    QPointer<FrmSplash> splash = new FrmSplash(BrennicFacts, screen);
    splash->show();
    drawNow(splash);
    // The pause is there to show the splash window. The main window is built
    // within it, hidden, and the pause lasts only what is left of it, so that the
    // user waits for nothing but the main window's appearing once it is over.
    QElapsedTimer splashShown;
    splashShown.start();
    QWidget* mainWindow = createMainWindow();
    prepareToShow(*mainWindow);
    const auto spent = std::chrono::milliseconds(splashShown.elapsed());
    pause.Sleep(std::max(SplashPause - spent, std::chrono::milliseconds(0)));
    // A key press or click may already have closed it while events were handled.
    delete splash.data();
    mainWindow->show();
    return mainWindow;
}

int RunStartup(const ScreenFacts& screen, platform::Pause& pause,
               const MainWindowFactory& createMainWindow) {
    QPointer<QWidget> mainWindow = ShowStartupWindows(screen, pause, createMainWindow);
    const int exitCode = QApplication::exec();
    delete mainWindow.data();
    return exitCode;
}

} // namespace brennic::startup
