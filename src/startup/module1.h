// Module1, the program's start-up: the splash window for 2500 ms, then the main
// window, then the main window's events until the last window closes.
#pragma once

#include <chrono>
#include <functional>

class QWidget;

namespace brennic::platform {
class Pause;
}

namespace brennic::startup {

struct ScreenFacts;

inline constexpr std::chrono::milliseconds SplashPause{2500};
// How long the splash window may take to appear on the screen before the pause
// starts anyway.
inline constexpr std::chrono::milliseconds SplashShowLimit{2000};

// Creates the main window; RunStartup deletes it at the end, unless it has deleted
// itself on closing.
using MainWindowFactory = std::function<QWidget*()>;

// Steps 1 to 5 of the start-up: shows the splash window and waits until it is
// drawn on the screen, creates the main window hidden, pauses with `pause` for
// what is left of SplashPause after that (no events are handled meanwhile),
// deletes the splash window, then shows the main window and returns it.
QWidget* ShowStartupWindows(const ScreenFacts& screen, platform::Pause& pause,
                            const MainWindowFactory& createMainWindow);

// The whole start-up: ShowStartupWindows on `screen`, then the event loop, which
// ends when the last window closes (or on Exit). Returns the loop's exit code.
int RunStartup(const ScreenFacts& screen, platform::Pause& pause,
               const MainWindowFactory& createMainWindow);

} // namespace brennic::startup
