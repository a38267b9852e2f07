// The number readings are written by hand rather than with strtod so that they
// never depend on the process's locale: the caller says which separator counts.
#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace brennic {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

struct DecimalParts {
    bool negative = false;
    std::string integer;
    std::string fraction;
    std::string exponent; // with its sign, may be empty
};

std::string canonicalText(const DecimalParts& p) {
    std::string text;
    if (p.negative)
        text += '-';
    text += p.integer.empty() ? "0" : p.integer;
    if (!p.fraction.empty()) {
        text += '.';
        text += p.fraction;
    }
    if (!p.exponent.empty()) {
        text += 'e';
        text += p.exponent;
    }
    return text;
}

// The decimal exponent of the leading digit of a number text whose exponent did
// not fit the range check: decides whether an out-of-range value is too large
// (overflow) or too small (it then reads as a zero of its sign).
bool isTooLarge(const DecimalParts& p) {
    long long exponent = 0;
    if (!p.exponent.empty()) {
        std::string_view digits = p.exponent;
        bool negative = digits.front() == '-';
        if (digits.front() == '+' || digits.front() == '-')
            digits.remove_prefix(1);
        for (char c : digits) {
            exponent = exponent * 10 + (c - '0');
            if (exponent > 1'000'000'000LL)
                break; // far beyond any double either way
        }
        if (negative)
            exponent = -exponent;
    }
    std::size_t firstNonZero = p.integer.find_first_not_of('0');
    if (firstNonZero != std::string::npos)
        return static_cast<long long>(p.integer.size() - firstNonZero) - 1 + exponent >= 0;
    std::size_t zeros = p.fraction.find_first_not_of('0');
    return -static_cast<long long>(zeros) - 1 + exponent >= 0;
}

// Converts the parts to the correctly rounded double. A value beyond the double
// range sets `overflow` and gives an infinity of its sign; one below the smallest
// double reads as a zero of its sign.
double partsToDouble(const DecimalParts& p, bool& overflow) {
    overflow = false;
    const std::string canonical = canonicalText(p);
    double value = 0.0;
    const char* first = canonical.data();
    const char* last = first + canonical.size();
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!isTooLarge(p))
            return p.negative ? -0.0 : 0.0;
        overflow = true;
        return p.negative ? -std::numeric_limits<double>::infinity()
                          : std::numeric_limits<double>::infinity();
    }
    if (ec != std::errc() || end != last) {
        overflow = true; // cannot happen for a canonical text
        return 0.0;
    }
    return value;
}

// The sign, the whole digits and the fraction after `point` from the start of
// `s`; `i` ends after them. False when there is no digit at all.
bool scanMantissa(std::string_view s, char point, DecimalParts& parts, std::size_t& i) {
    i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        parts.negative = s[i] == '-';
        ++i;
    }
    while (i < s.size() && isDigit(s[i]))
        parts.integer += s[i++];
    if (i < s.size() && s[i] == point) {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            parts.fraction += s[i++];
    }
    return !parts.integer.empty() || !parts.fraction.empty();
}

// The exponent's sign and digits from s[i] on, `i` moved past them; empty when
// there are no digits.
std::string scanExponent(std::string_view s, std::size_t& i) {
    std::string exponent;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        exponent += s[i++];
    const std::size_t digitsStart = i;
    while (i < s.size() && isDigit(s[i]))
        exponent += s[i++];
    return i > digitsStart ? exponent : std::string();
}

// Kept out of line so that the common case above stays small and fast.
[[gnu::noinline]] std::optional<double> readDecimalNumber(std::string_view s, char decimalSeparator,
                                                          bool* beyondRange = nullptr);

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

namespace number_text {

std::optional<double> NumberOfOtherText(std::string_view text, char decimalSeparator) {
    double value = 0.0;
    const std::string_view s = trimBlanks(text);
    if (s.size() != text.size() && ReadSmallWholeNumber(s, value))
        return value;
    return readDecimalNumber(s, decimalSeparator);
}

} // namespace number_text

NoNumber WhyNoNumber(std::string_view text, char decimalSeparator) {
    bool beyondRange = false;
    readDecimalNumber(trimBlanks(text), decimalSeparator, &beyondRange);
    return beyondRange ? NoNumber::BeyondRange : NoNumber::NotANumber;
}

namespace {

std::optional<double> readDecimalNumber(std::string_view s, char decimalSeparator,
                                        bool* beyondRange) {
    DecimalParts parts;
    std::size_t i = 0;
    if (!scanMantissa(s, decimalSeparator, parts, i))
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        parts.exponent = scanExponent(s, i);
        if (parts.exponent.empty())
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;

    bool overflow = false;
    double value = partsToDouble(parts, overflow);
    if (overflow) {
        if (beyondRange != nullptr)
            *beyondRange = true;
        return std::nullopt;
    }
    return value;
}

} // namespace

double LeadingNumberValue(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;

    if (s.size() >= 2 && s[0] == '&' &&
        (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const bool hex = s[1] == 'H' || s[1] == 'h';
        double value = 0.0;
        for (std::size_t i = 2; i < s.size(); ++i) {
            char c = s[i];
            int digit = -1;
            if (isDigit(c))
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0 || (!hex && digit > 7))
                break;
            value = value * (hex ? 16.0 : 8.0) + digit;
        }
        return value;
    }

    DecimalParts parts;
    std::size_t i = 0;
    if (!scanMantissa(s, '.', parts, i))
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        // An exponent letter without digits ends the number.
        ++i;
        parts.exponent = scanExponent(s, i);
    }
    bool overflow = false;
    return partsToDouble(parts, overflow);
}

double NearestWhole(double value) {
    if (!std::isfinite(value))
        return value;
    double below = std::floor(value);
    double rest = value - below;
    if (rest < 0.5)
        return below;
    if (rest > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::string FormatResultValue(double value, char decimalSeparator) {
    if (value == 0.0)
        value = 0.0; // a negative zero is written as zero, with its blank
    // to_chars writes what "%.15G" writes in the C locale; snprintf itself would
    // follow the process's locale, which the window program sets to the user's.
    char digits[40];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    std::string text;
    text.reserve(static_cast<std::size_t>(written.ptr - digits) + 1);
    if (!std::signbit(value))
        text += ' ';
    for (const char* c = digits; c != written.ptr; ++c)
        text += *c == '.' ? decimalSeparator : *c == 'e' ? 'E' : *c;
    return text;
}

} // namespace brennic
