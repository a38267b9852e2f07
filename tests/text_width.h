// What the tests of brennic-kappa's texts need to measure them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace brennic::test {

// The widest line of `text` in characters as a terminal shows them: UTF-8 code
// points.
inline std::size_t widestLine(const std::string& text) {
    std::size_t widest = 0, width = 0;
    for (const char c : text) {
        width = c == '\n' ? 0 : width + ((static_cast<unsigned char>(c) & 0xC0) != 0x80);
        widest = std::max(widest, width);
    }
    return widest;
}

} // namespace brennic::test
