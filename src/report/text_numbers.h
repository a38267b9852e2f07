// How the text report writes its numbers: with the user's decimal separator, and
// each figure to a number of significant digits, as a person reads them.
#pragma once

namespace brennic {

// --digits: 4 unless given, between these bounds.
inline constexpr int DefaultTextDigits = 4, MinTextDigits = 1, MaxTextDigits = 17;

struct TextNumbers {
    TextNumbers(char separator = '.', int significant = DefaultTextDigits)
        : decimalSeparator(separator), digits(significant) {}
    char decimalSeparator;
    int digits;
};

} // namespace brennic
