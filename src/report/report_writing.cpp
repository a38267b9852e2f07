#include "report/report_writing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/limits.h"
#include "core/number_text.h"
#include "input/labels.h"

namespace brennic {

namespace {

// Room for the digits of any double, sign and exponent included.
constexpr std::size_t NumberRoom = 32;

// Writes the digits of AppendNumber at `at` and gives their end.
char* writeNumber(char* at, double value) {
    // Most cells of an error matrix hold a count below 100: its one or two
    // digits are written here, as the conversions below would write them (0
    // for -0 too).
    if (value >= 0.0 && value < 100.0) {
        const auto whole = static_cast<unsigned>(value);
        if (static_cast<double>(whole) == value) {
            if (whole >= 10)
                *at++ = static_cast<char>('0' + whole / 10);
            *at++ = static_cast<char>('0' + whole % 10);
            return at;
        }
    }
    if (value == 0.0)
        value = 0.0; // no "-0"
    // Below 2^53 every whole number is exact, so its plain digits are the
    // number itself; the integer conversion also writes them much faster.
    if (std::fabs(value) < LargestExactWhole && value == std::trunc(value))
        return std::to_chars(at, at + NumberRoom, static_cast<long long>(value)).ptr;
    return std::to_chars(at, at + NumberRoom, value).ptr;
}

} // namespace

void AppendNumber(std::string& out, double value) {
    char digits[NumberRoom];
    out.append(digits, writeNumber(digits, value));
}

void AppendNumbers(std::string& out, std::span<const double> values, std::string_view between) {
    // Written into a buffer of their own and appended a buffer at a time. A
    // short `between` (", " or ",") is copied as one word of 8 bytes, of which
    // the bytes after it are written over by the number.
    constexpr std::size_t Word = 8;
    const bool shortBetween = between.size() <= Word;
    char word[Word] = {};
    if (shortBetween)
        std::copy(between.begin(), between.end(), word);
    const std::size_t room = std::max(between.size(), Word) + NumberRoom;
    char buffer[4096];
    char* at = buffer;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (static_cast<std::size_t>(buffer + sizeof buffer - at) < room) {
            out.append(buffer, at);
            at = buffer;
        }
        if (i > 0) {
            if (shortBetween) {
                std::memcpy(at, word, Word);
                at += between.size();
            } else {
                at = std::copy(between.begin(), between.end(), at);
            }
        }
        at = writeNumber(at, values[i]);
    }
    out.append(buffer, at);
}

std::string ShortestNumber(double value) {
    std::string text;
    AppendNumber(text, value);
    return text;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    // The runs of characters that stand as they are, appended whole.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20)
            continue;
        out.append(text, plain, i - plain);
        plain = i + 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[(c >> 4) & 0xf];
            out += hex[c & 0xf];
        }
    }
    out.append(text, plain);
    out += '"';
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",;\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string TextValue(double value, const TextNumbers& numbers) {
    if (value == 0.0)
        return "0"; // and never "-0"
    char digits[400];
    const double magnitude = std::fabs(value);
    std::to_chars_result written{};
    if (magnitude < 1e-4 || magnitude >= 1e15 || !std::isfinite(value)) {
        // Far from 1: the significant digits with an exponent, as Result.txt
        // writes it (1.288E-23).
        written = std::to_chars(digits, digits + sizeof digits, value,
                                std::chars_format::scientific, numbers.digits - 1);
    } else {
        // Near 1: the significant digits, but every digit before the point, so
        // that a count or an area keeps its units (21158, not 2.116E+04).
        const int before = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        written = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed,
                                std::max(0, numbers.digits - before));
    }
    std::string text(digits, written.ptr);
    // Trailing zeros of the fraction and a bare point tell nothing.
    const std::size_t exponent = std::min(text.find('e'), text.size());
    std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') != std::string::npos) {
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (mantissa.back() == '.')
            mantissa.pop_back();
    }
    text = mantissa + text.substr(exponent);
    for (char& c : text)
        c = c == '.' ? numbers.decimalSeparator : c == 'e' ? 'E' : c;
    return text == "-0" ? "0" : text;
}

std::size_t DisplayWidth(std::string_view text) {
    return CharacterCount(text);
}

void TextTable(std::string& out, const std::vector<std::vector<std::string>>& table,
               std::size_t keyColumns, std::size_t maxWidth) {
    const std::size_t columns = table[0].size();
    keyColumns = std::min(keyColumns, columns);
    std::vector<std::size_t> widths(columns, 0);
    for (const auto& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    std::size_t keyWidth = 0;
    for (std::size_t i = 0; i < keyColumns; ++i)
        keyWidth += widths[i] + 2;
    const auto cell = [&](const std::vector<std::string>& row, std::size_t i) {
        if (i < row.size())
            out += std::string(widths[i] - DisplayWidth(row[i]) + 2, ' ') + row[i];
    };
    // Each block takes as many of the other columns as fit, at least one.
    std::size_t first = keyColumns;
    do {
        std::size_t end = first, width = keyWidth;
        while (end < columns && (end == first || width + widths[end] + 2 <= maxWidth))
            width += widths[end++] + 2;
        if (first > keyColumns)
            out += '\n';
        for (const auto& row : table) {
            for (std::size_t i = 0; i < keyColumns; ++i)
                cell(row, i);
            for (std::size_t i = first; i < end; ++i)
                cell(row, i);
            out += '\n';
        }
        first = end;
    } while (first < columns);
}

void AppendWrapped(std::string& out, std::string_view text, std::size_t used, std::size_t indent,
                   std::size_t maxWidth) {
    std::size_t column = used;
    bool lineEmpty = true; // no word on this line yet
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view word = text.substr(0, blank);
        text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
        if (word.empty())
            continue;
        const std::size_t width = DisplayWidth(word);
        if (!lineEmpty && column + 1 + width > maxWidth) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += ' ';
            ++column;
        }
        out += word;
        column += width;
        lineEmpty = false;
    }
    out += '\n';
}

} // namespace brennic

namespace brennic {

bool LabelsAreNames(const std::vector<std::string>& labels) {
    for (std::size_t k = 0; k < labels.size(); ++k)
        if (labels[k] != std::to_string(k + 1))
            return true;
    return false;
}

std::string TextFigure(const Figure& figure, const TextNumbers& numbers, bool reasonBeside) {
    if (figure.defined())
        return TextValue(*figure.value, numbers);
    return reasonBeside ? "not defined: " + figure.reason : std::string("not defined");
}

void JsonLevelAndWarnings(JsonWriter& json, double confidence,
                          const std::vector<std::string>& warnings) {
    json.Member("confidence", confidence);
    json.Key("warnings");
    json.BeginArray();
    for (const std::string& warning : warnings)
        json.String(warning);
    json.EndArray();
}

void JsonReasons::Write(JsonWriter& json, JsonWriter::Layout layout) const {
    json.Key("reasons");
    json.BeginObject(layout);
    for (const auto& [field, reason] : m_reasons)
        json.Member(field, reason);
    json.EndObject();
}

void JsonFigure(JsonWriter& json, std::string_view field, const Figure& figure,
                JsonReasons& reasons) {
    json.Key(field);
    if (figure.defined()) {
        json.Number(*figure.value);
    } else {
        json.Null();
        reasons.Add(std::string(field), figure.reason);
    }
}

} // namespace brennic
