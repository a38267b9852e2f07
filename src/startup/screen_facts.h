// What the start-up windows need to know of the screen: where it is, to centre
// or place a window on it, and its logical resolution, to turn twips into pixels.
#pragma once

#include <QRect>

class QGuiApplication;

namespace brennic::startup {

struct ScreenFacts {
    QRect geometry;
    double logicalDpi = 96.0;
};

// The primary screen of the running application.
ScreenFacts PrimaryScreenFacts(const QGuiApplication& app);

} // namespace brennic::startup
