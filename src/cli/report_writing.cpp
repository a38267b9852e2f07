#include "report_writing.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "number_text.h"

namespace brennic {

// Appends the fewest digits that read back as `value`.
void AppendNumber(std::string& out, double value) {
    if (value == 0.0)
        value = 0.0; // no "-0"
    char digits[32];
    // Most values of a matrix are whole counts: one whose last digit is not 0 is
    // written by the same rule as its plain digits (no shorter form with an
    // exponent exists), which the integer conversion gives much faster.
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        const auto whole = static_cast<long long>(value);
        if (whole % 10 != 0 || whole == 0) {
            const auto written = std::to_chars(digits, digits + sizeof digits, whole);
            out.append(digits, static_cast<std::size_t>(written.ptr - digits));
            return;
        }
    }
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, static_cast<std::size_t>(written.ptr - digits));
}

std::string ShortestNumber(double value) {
    std::string text;
    AppendNumber(text, value);
    return text;
}

std::string JsonString(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char hex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += hex[(c >> 4) & 0xf];
            quoted += hex[c & 0xf];
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string TextValue(double value, char decimalSeparator) {
    std::string text = FormatResultValue(value, decimalSeparator);
    return text[0] == ' ' ? text.substr(1) : text;
}

// Right-aligned columns of texts, two blanks apart.
void TextTable(std::string& out, const std::vector<std::vector<std::string>>& table) {
    std::vector<std::size_t> widths(table[0].size(), 0);
    for (const auto& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    for (const auto& row : table) {
        for (std::size_t i = 0; i < row.size(); ++i)
            out += std::string(widths[i] - row[i].size() + 2, ' ') + row[i];
        out += '\n';
    }
}

} // namespace brennic
