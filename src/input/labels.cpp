// A label is decoded once, character by character, by a strict UTF-8 decoder; the
// same decoder decides what a message may show as written.
#include "input/labels.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "core/number_text.h"

namespace brennic {
namespace {

constexpr std::uint32_t Invalid = 0xFFFFFFFF;

// The character at the start of `text` and the bytes it takes; Invalid and 1 for
// a byte that starts no well-formed UTF-8 sequence.
std::pair<std::uint32_t, std::size_t> decode(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    std::uint32_t c = 0, smallest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1Fu, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0Fu, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07u, smallest = 0x10000;
    } else {
        return {Invalid, 1};
    }
    if (text.size() < length)
        return {Invalid, 1};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {Invalid, 1};
        c = (c << 6) | (byte(i) & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are no characters.
    if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return {Invalid, 1};
    return {c, length};
}

bool isControl(std::uint32_t c) {
    return (c < 0x20 && c != '\t') || (c >= 0x7F && c <= 0x9F);
}

bool isBidirectionalControl(std::uint32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool shownAsWritten(std::uint32_t c) {
    return c != Invalid && c != '\t' && !isControl(c) && c != 0x2028 && c != 0x2029 &&
           !isBidirectionalControl(c);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string codePoint(std::uint32_t c) {
    constexpr char hex[] = "0123456789ABCDEF";
    std::string text = "U+";
    const int digits = c > 0xFFFF ? 6 : 4;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        text += hex[(c >> shift) & 0xF];
    return text;
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\v\f") - first + 1);
}

std::optional<std::string> LabelFlaw(std::string_view label) {
    for (std::size_t at = 0; at < label.size();) {
        if (static_cast<unsigned char>(label[at]) >= 0x20 &&
            static_cast<unsigned char>(label[at]) < 0x7F) {
            ++at; // plain ASCII, the common case
            continue;
        }
        const auto [c, length] = decode(label.substr(at));
        if (c == Invalid)
            return std::string("is not valid UTF-8");
        if (isControl(c))
            return "holds a control character (" + codePoint(c) + ")";
        if (c == 0x2028 || c == 0x2029)
            return "holds a line or paragraph separator (" + codePoint(c) + ")";
        if (isBidirectionalControl(c))
            return "holds a bidirectional control (" + codePoint(c) + ")";
        at += length;
    }
    return std::nullopt;
}

std::string QuotedCellText(std::string_view text) {
    constexpr std::size_t Shown = 40;
    std::string quoted = "'";
    std::size_t characters = 0, at = 0;
    for (; at < text.size() && characters < Shown; ++characters) {
        const auto [c, length] = decode(text.substr(at));
        if (shownAsWritten(c)) {
            quoted.append(text.substr(at, length));
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            for (std::size_t i = 0; i < length; ++i) {
                const auto byte = static_cast<unsigned char>(text[at + i]);
                quoted += "\\x";
                quoted += hex[byte >> 4];
                quoted += hex[byte & 0xF];
            }
        }
        at += length;
    }
    if (at < text.size())
        quoted += "\u2026";
    return quoted + "'";
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

ListedNumbers::ListedNumbers(const std::optional<std::vector<std::string>>& classes,
                             char decimalSeparator)
    : m_decimalSeparator(decimalSeparator) {
    if (classes && AllNumbers(*classes, decimalSeparator))
        for (const std::string& label : *classes)
            m_numbers.push_back(*NumberOfText(label, decimalSeparator));
}

bool ListedNumbers::spellsOne(std::string_view label) const {
    const std::optional<double> number = NumberOfText(label, m_decimalSeparator);
    return number && std::find(m_numbers.begin(), m_numbers.end(), *number) != m_numbers.end();
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool AllNumbers(const std::vector<std::string>& labels, char decimalSeparator) {
    return std::all_of(labels.begin(), labels.end(), [&](const std::string& label) {
        return NumberOfText(label, decimalSeparator).has_value();
    });
}

namespace {

// `label` with its letters in lower case (ASCII) and each run of blanks one blank.
std::string looseSpelling(std::string_view label) {
    std::string loose;
    for (const char c : label) {
        const bool blank = c == ' ' || c == '\t';
        if (blank && !loose.empty() && loose.back() == ' ')
            continue;
        loose += blank ? ' ' : lowerAscii(c);
    }
    return loose;
}

// "'a', 'b' and 'c'"
std::string quotedList(const std::vector<std::string>& labels,
                       const std::vector<std::size_t>& which) {
    std::string list;
    for (std::size_t i = 0; i < which.size(); ++i)
        list += (i == 0                  ? ""
                 : i + 1 == which.size() ? " and "
                                         : ", ") +
                QuotedLabel(labels[which[i]]);
    return list;
}

} // namespace

LabelClasses ClassesOfLabels(const std::vector<std::string>& labels, char decimalSeparator,
                             bool asGiven) {
    LabelClasses out;
    const std::size_t count = labels.size();
    std::vector<double> values;
    for (const std::string& label : labels) {
        const std::optional<double> number = NumberOfText(label, decimalSeparator);
        if (!number) {
            values.clear();
            break;
        }
        values.push_back(*number);
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const bool numbers = count > 0 && values.size() == count;
    if (numbers && !asGiven)
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    out.classOf.assign(count, 0);
    std::vector<std::vector<std::size_t>> spellings; // of each class, in the order met
    for (const std::size_t label : order) {
        std::size_t k = out.shownBy.size();
        if (numbers) // an earlier spelling of the same number
            k = static_cast<std::size_t>(
                std::find(out.numbers.begin(), out.numbers.end(), values[label]) -
                out.numbers.begin());
        if (k == out.shownBy.size()) {
            out.shownBy.push_back(label);
            if (numbers)
                out.numbers.push_back(values[label]);
            spellings.emplace_back();
        }
        out.classOf[label] = k;
        spellings[k].push_back(label);
    }
    for (std::vector<std::size_t>& joined : spellings) {
        if (joined.size() < 2)
            continue;
        std::sort(joined.begin(), joined.end());
        out.warnings.push_back(quotedList(labels, joined) +
                               " are one number and were counted as one class, " +
                               QuotedLabel(labels[joined.front()]));
    }
    if (numbers)
        return out;
    std::vector<std::string> loose;
    for (const std::string& label : labels)
        loose.push_back(looseSpelling(label));
    for (std::size_t a = 0; a < count; ++a)
        for (std::size_t b = a + 1; b < count; ++b)
            if (loose[a] == loose[b])
                out.warnings.push_back("the classes " + quotedList(labels, {a, b}) +
                                       " differ only in letter case or in the blanks between "
                                       "words: they are kept apart");
    return out;
}

} // namespace brennic
