// Labels as brennic-kappa reads and shows them: text in UTF-8 with nothing that
// could act on a terminal or break a parser, trimmed of the blanks around it, and
// quoted in messages as it was written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brennic {

// `text` without the blanks and tabs around it.
std::string_view TrimBlanks(std::string_view text);

// Whether every byte of `text` is a printable ASCII character, which no label
// flaw can be: most labels are, and need no closer look.
inline bool PlainAscii(std::string_view text) {
    bool plain = true;
    for (const char c : text)
        plain &= static_cast<unsigned char>(c) - 0x20u < 0x5Fu;
    return plain;
}

// Why `label` cannot be a label, as the end of a sentence ("is not valid UTF-8",
// "holds a control character (U+001B)"), or nothing when it can. Refused: bytes
// that are not UTF-8 (overlong forms and surrogates included), control
// characters other than the tab (C0, DEL, C1), the line and paragraph
// separators, and the bidirectional controls.
std::optional<std::string> LabelFlaw(std::string_view label);

// A text for a message, in single quotes: at most 40 characters, then "…";
// characters that LabelFlaw refuses, and bytes that are not UTF-8, shown as \xNN.
std::string QuotedCellText(std::string_view text);
inline std::string QuotedLabel(std::string_view label) {
    return QuotedCellText(label);
}

// The order in which classes named by `labels` are listed, and the labels'
// numbers when every label is one.
struct LabelOrder {
    std::vector<std::size_t> order; // order[r]: the label listed r-th
    std::vector<double> numbers;    // of each label as given; empty unless all are numbers
};
// Numbers as labels are put in numeric order, the first appearance breaking ties
// ("1" and "1.0"); other labels, and all when `asGiven` (the user listed the
// classes), keep the order they came in.
LabelOrder OrderOfLabels(const std::vector<std::string>& labels, char decimalSeparator,
                         bool asGiven);

// The number of characters `text` shows (UTF-8 continuation bytes not counted).
std::size_t CharacterCount(std::string_view text);

} // namespace brennic
