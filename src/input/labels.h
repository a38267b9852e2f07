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

// The classes that `labels` (each written differently) name, in their order.
struct LabelClasses {
    std::vector<std::size_t> classOf; // of each label: its class, 0 first
    std::vector<std::size_t> shownBy; // of each class: the label that shows it
    std::vector<double> numbers;      // of each class; empty unless every label is a number
    // Spellings joined into one class, and classes apart whose labels differ only
    // in letter case or in the blanks between words.
    std::vector<std::string> warnings;
};
// When every label is a number, labels equal in value ("3", "3.0") are one
// class, shown by the first of them; the classes come in numeric order. Other
// labels are each a class of their own. The classes keep the order of `labels`
// when `asGiven` (the user listed the classes first) or when they are not all
// numbers.
LabelClasses ClassesOfLabels(const std::vector<std::string>& labels, char decimalSeparator,
                             bool asGiven);

// The classes listed by --classes, as numbers when every one is a number: a
// label that spells one of them otherwise ("3.0" for "3") still names it.
class ListedNumbers {
  public:
    ListedNumbers(const std::optional<std::vector<std::string>>& classes, char decimalSeparator);
    bool spellsOne(std::string_view label) const;

  private:
    std::vector<double> m_numbers;
    char m_decimalSeparator;
};

// Whether `a` and `b` are the same text when the case of ASCII letters is ignored.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// Whether every label is a number: then the classes have the numbers' order.
bool AllNumbers(const std::vector<std::string>& labels, char decimalSeparator);

// The number of characters `text` shows (UTF-8 continuation bytes not counted).
std::size_t CharacterCount(std::string_view text);

} // namespace brennic
