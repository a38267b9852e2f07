// The pictures the start-up windows show, compiled into the program.
#pragma once

#include <QString>

namespace brennic::startup {

// Makes the compiled-in pictures available; the windows call it before using them.
void InitStartupResources();

// The program icon, 32 by 32 pixels in 16 colours.
inline QString ProgramIconPath() {
    return QStringLiteral(":/icons/brennic.png");
}
// The splash window's logo, 216 by 144 pixels.
inline QString SplashLogoPath() {
    return QStringLiteral(":/pictures/splash-logo.png");
}

} // namespace brennic::startup
