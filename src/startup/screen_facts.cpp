// Reading the primary screen once, where the windows are made.
#include "startup/screen_facts.h"

#include <QGuiApplication>
#include <QScreen>

namespace brennic::startup {

ScreenFacts PrimaryScreenFacts(const QGuiApplication& app) {
    const QScreen* screen = app.primaryScreen();
    if (screen == nullptr)
        return {};
    return {screen->geometry(), screen->logicalDotsPerInch()};
}

} // namespace brennic::startup
