// The colours of the report's pictures: viridis, a sequential palette that
// stays readable with every common colour-vision deficiency and in grey, on a
// fixed scale from 0 to 1 so that two reports compare by eye; and the text
// colour that keeps its contrast on each shade, by the relative luminance and
// contrast ratio of WCAG 2.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace brennic {

// The palette's steps, 0 to PaletteSteps - 1.
inline constexpr std::size_t PaletteSteps = 256;

struct Rgb {
    unsigned char r, g, b;
};

// The step of a share from 0 to 1 (clamped; NaN is 0).
std::size_t PaletteStep(double share);
// The colour of a step.
Rgb PaletteColour(std::size_t step);
// "#rrggbb".
std::string HexColour(Rgb colour);

// WCAG 2: the relative luminance of an sRGB colour, and the contrast ratio of
// two luminances, (lighter + 0.05) / (darker + 0.05).
double RelativeLuminance(Rgb colour);
double ContrastRatio(double luminanceA, double luminanceB);

// Black or white, whichever contrasts more with `shade`: on any colour one of
// them reaches at least 4.58:1.
Rgb TextColourOn(Rgb shade);

} // namespace brennic
