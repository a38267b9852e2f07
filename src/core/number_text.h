// Conversions between numbers and the texts a user types or reads: the strict
// reading of a cell or size text, the lenient leading-number value of the input
// box, rounding to a whole number, and the digits written to the result file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brennic {

// The number of a text: an optional sign, digits with an optional fraction after
// `decimalSeparator` (".5" and "5." count), an optional exponent (E or e, optional
// sign, digits), with blanks and tabs allowed around it. Anything else, and any
// number beyond the double range, has no number. The value is correctly rounded.
inline std::optional<double> NumberOfText(std::string_view text, char decimalSeparator);
// The same, the number into `value`; false for a text without one. The reading of
// every cell of a grid: no optional is formed and copied per cell.
inline bool NumberOfText(std::string_view text, char decimalSeparator, double& value);

// Why a text has no number: it is no number at all, or its number lies beyond
// the range of a double (as "1e400" does).
enum class NoNumber { NotANumber, BeyondRange };
NoNumber WhyNoNumber(std::string_view text, char decimalSeparator);

// The words of every message about a number or a sum that a double cannot hold.
inline constexpr std::string_view BeyondRangeText =
    "beyond the range of numbers the program can hold";
// What a text without a number is, for a message: "not a number" or the words above.
inline std::string_view NoNumberText(std::string_view text, char decimalSeparator) {
    return WhyNoNumber(text, decimalSeparator) == NoNumber::BeyondRange ? BeyondRangeText
                                                                        : "not a number";
}

// The value of the longest leading part of `text` that reads as a number, the way
// the input box judges its text: blanks, tabs and line feeds are skipped wherever
// they stand, the decimal point is always a full stop, the exponent letter is E or
// D, and &H / &O introduce hexadecimal and octal digits. No leading number gives 0;
// one beyond the double range gives an infinity of its sign.
double LeadingNumberValue(std::string_view text);

// The nearest whole number; a value exactly halfway goes to the even neighbour.
double NearestWhole(double value);

// One value as the result file writes it: a blank (or a minus sign for a negative
// value) followed by at most 15 significant digits, the way C's "%.15G" writes
// them, with `decimalSeparator` in place of the point. No trailing blank.
std::string FormatResultValue(double value, char decimalSeparator);

namespace number_text {

// Most cells hold a small whole count typed without blanks. Up to 15 digits such
// a number is exact in a double, so it is read directly, in the caller, without
// the general conversion.
inline bool ReadSmallWholeNumber(std::string_view s, double& value) {
    std::size_t i = 0;
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        i = 1;
    }
    const std::size_t digits = s.size() - i;
    if (digits == 0 || digits > 15)
        return false;
    long long whole = 0;
    for (; i < s.size(); ++i) {
        const auto digit = static_cast<unsigned>(s[i] - '0');
        if (digit > 9)
            return false;
        whole = whole * 10 + digit;
    }
    const auto magnitude = static_cast<double>(whole);
    value = negative ? -magnitude : magnitude;
    return true;
}

// Every other text: blanks around it, fractions, exponents, no number.
std::optional<double> NumberOfOtherText(std::string_view text, char decimalSeparator);

} // namespace number_text

inline bool NumberOfText(std::string_view text, char decimalSeparator, double& value) {
    if (number_text::ReadSmallWholeNumber(text, value))
        return true;
    const std::optional<double> other = number_text::NumberOfOtherText(text, decimalSeparator);
    if (other)
        value = *other;
    return other.has_value();
}

inline std::optional<double> NumberOfText(std::string_view text, char decimalSeparator) {
    double value = 0.0;
    if (NumberOfText(text, decimalSeparator, value))
        return value;
    return std::nullopt;
}

} // namespace brennic
