// The window-level record of the main window, created zeroed with the window.
#pragma once

#include <cstdint>
#include <string>

namespace brennic::ui {

struct MainWindowState {
    std::uint8_t gridReady = 0;  // 1 once Apply has sized the grid; never reset
    std::int16_t matrixSize = 0; // n, the number of classes
    std::string resultPath;      // Result.txt of the last run that reached the file
};

} // namespace brennic::ui
