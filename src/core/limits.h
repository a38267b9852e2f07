// The limits the whole program keeps, each in one place.
#pragma once

namespace brennic {

inline constexpr int MinMatrixSize = 2;
// The most classes of a matrix, of ratings and of maps: the window's grid
// counters and the ratings and map slots are one byte wide, and one value of it
// stays free.
inline constexpr int MaxMatrixSize = 254;

// 2^53: every whole number up to it is exact in a double, and written with its
// plain digits.
inline constexpr double LargestExactWhole = 9007199254740992.0;

} // namespace brennic
