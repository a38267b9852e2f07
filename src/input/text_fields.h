// Splitting brennic-kappa's input into lines and fields as it streams in: the
// cells of a matrix row, or the two labels of a pair. Lines end at LF, CR LF or
// CR alone, and a UTF-8 byte-order mark at the start is skipped. A delimiter
// (semicolon, or comma when the decimal separator is not a comma) separates
// exactly two fields, so two in a row mean an empty field; runs of blanks and
// tabs count as one separator; one trailing delimiter, as some spreadsheets
// export, is allowed. A field is handed on as soon as it ends and only the field
// being read is kept, so memory stays small whatever the input holds.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_system.h"
#include "core/input_error.h"
#include "input/byte_source.h"
#include "input/labels.h"

namespace brennic {

// `Sink` has
//   bool field(std::string_view text, std::size_t column, std::uint64_t line);
//   bool lineEnd(std::size_t fields, std::uint64_t line); // fields 0: a blank line
//   const std::string& error() const;  // why the last call returned false
template <typename Sink> class FieldSplitter {
  public:
    // `fieldWord` names a field in messages: "cell" or "label".
    FieldSplitter(char decimalSeparator, std::string_view fieldWord, Sink& sink)
        : m_word(fieldWord), m_sink(sink) {
        m_class.fill(Ordinary);
        for (unsigned char c : {' ', '\t', '\v', '\f'})
            m_class[c] = Blank;
        m_class[static_cast<unsigned char>(';')] = Delimiter;
        if (decimalSeparator != ',')
            m_class[static_cast<unsigned char>(',')] = Delimiter;
        m_class[static_cast<unsigned char>('\n')] = LineFeed;
        m_class[static_cast<unsigned char>('\r')] = CarriageReturn;
        m_field.reserve(64);
    }

    // False when the input is refused; error() says why.
    bool take(const char* bytes, std::size_t size);
    // The end of the input: a last line without a line end is a line all the same.
    bool finish() {
        if (!m_field.empty() || m_fields > 0 || m_lineHasDelimiter)
            return endLine();
        return true;
    }
    const std::string& error() const { return m_error.empty() ? m_sink.error() : m_error; }

  private:
    enum : unsigned char { Ordinary, Blank, Delimiter, LineFeed, CarriageReturn };

    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }
    std::string where(std::size_t column) const {
        return "line " + std::to_string(m_line) + ", " + std::string(m_word) + " " +
               std::to_string(column);
    }
    // The refusal of a field too long, out of line: the test for it stays in
    // the loop over the bytes, and the words are built only when it fails.
    [[gnu::noinline, gnu::cold]] bool refuseTooLong() {
        return refuse(where(m_fields + 1) + " is longer than " + std::to_string(MaxCellText) +
                      " characters");
    }
    [[gnu::always_inline]] bool emit(std::string_view text) {
        if (text.size() > MaxCellText) [[unlikely]]
            return refuseTooLong();
        if (!m_sink.field(text, m_fields + 1, m_line))
            return false;
        ++m_fields;
        ++m_pieceFields;
        return true;
    }
    bool endField() {
        if (m_field.empty())
            return true;
        const bool ok = emit(m_field);
        m_field.clear();
        return ok;
    }
    bool endPiece(bool lineEnd) {
        if (!endField())
            return false;
        if (m_pieceFields == 0) {
            const bool blankLine = lineEnd && !m_lineHasDelimiter;
            const bool trailingDelimiter = lineEnd && m_lineHasDelimiter && m_fields > 0;
            if (!blankLine && !trailingDelimiter)
                return refuse(where(m_fields + 1) + " is empty");
        }
        m_pieceFields = 0;
        return true;
    }
    bool endLine() {
        if (!endPiece(true) || !m_sink.lineEnd(m_fields, m_line))
            return false;
        m_fields = 0;
        m_lineHasDelimiter = false;
        ++m_line;
        return true;
    }

    std::string_view m_word;
    Sink& m_sink;
    std::array<unsigned char, 256> m_class{};
    std::uint64_t m_line = 1;
    bool m_afterCr = false;        // an LF right after a CR ends no new line
    std::string m_field;           // a field that began in an earlier piece of the input
    std::size_t m_fields = 0;      // fields of the current line so far
    std::size_t m_pieceFields = 0; // fields since the last delimiter
    bool m_lineHasDelimiter = false;
    std::string m_error;
};

template <typename Sink> bool FieldSplitter<Sink>::take(const char* bytes, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        const auto kind = m_class[static_cast<unsigned char>(bytes[i])];
        if (kind == Ordinary) {
            // A run of field bytes: handed on where it lies when it ends here.
            std::size_t end = i + 1;
            while (end < size && m_class[static_cast<unsigned char>(bytes[end])] == Ordinary)
                ++end;
            m_afterCr = false;
            if (end < size && m_field.empty()) {
                if (!emit(std::string_view(bytes + i, end - i)))
                    return false;
            } else {
                if (m_field.size() + (end - i) > MaxCellText)
                    return refuseTooLong();
                m_field.append(bytes + i, end - i);
            }
            i = end;
            continue;
        }
        ++i;
        if (kind == LineFeed || kind == CarriageReturn) {
            const bool secondHalfOfCrLf = kind == LineFeed && m_afterCr;
            m_afterCr = kind == CarriageReturn;
            if (!secondHalfOfCrLf && !endLine())
                return false;
            continue;
        }
        m_afterCr = false;
        if (kind == Blank) {
            if (!endField())
                return false;
        } else {
            m_lineHasDelimiter = true;
            if (!endPiece(false))
                return false;
        }
    }
    return true;
}

// Splits lines of labels as spreadsheets write them (RFC 4180): a label in double
// quotes may hold anything but a line end, and "" inside it is one quote. A line
// holding a tab, a semicolon or a comma (when the decimal separator is not a
// comma) outside quotes is split there, each label trimmed of the blanks around
// it, so a label may hold blanks; a line holding none of them is split at runs
// of blanks, a quoted label there ending at its closing quote ("Open water"
// "Forest", as R's write.table writes). Every field is handed on, an empty one
// too (between two delimiters, or after a last one): the sink decides what an
// empty field means, and whether it is a label (see LabelRefusal). Each line is
// kept whole until it ends, so a line may not exceed MaxLineText.
inline constexpr std::size_t MaxLineText = 1 << 20;

// Why `field`, in `column` of `line`, cannot be a label, as a message ("line 2,
// label 1 is not valid UTF-8"; `word` names the field), or nothing: see LabelFlaw.
inline std::optional<std::string> LabelRefusal(std::string_view field, std::uint64_t line,
                                               std::size_t column, std::string_view word) {
    const auto where = [&] {
        return "line " + std::to_string(line) + ", " + std::string(word) + " " +
               std::to_string(column);
    };
    if (field.size() > MaxCellText)
        return where() + " is longer than " + std::to_string(MaxCellText) + " characters";
    if (!PlainAscii(field))
        if (auto flaw = LabelFlaw(field))
            return where() + " " + *flaw;
    return std::nullopt;
}

// `Sink` has field(), lineEnd() and error() as FieldSplitter's has, and
//   std::size_t fieldsWanted() const; // the fields of a line it reads: the rest is
//                                     // not split
// The first place from `from` on where `text` holds one of `bytes`, or its size.
// Eight bytes are tested at once where a word's bytes lie in address order: a
// byte equal to one sought is the lowest zero byte of the word xor that byte
// repeated, and the lowest flag of a zero-byte test is never a false one.
template <std::size_t N>
std::size_t FirstOf(std::string_view text, std::size_t from, const std::array<char, N>& bytes) {
    std::size_t at = from;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
        for (; at + 8 <= text.size(); at += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + at, 8);
            std::uint64_t found = 0;
            for (const char byte : bytes) {
                const std::uint64_t v = word ^ (ones * static_cast<unsigned char>(byte));
                found |= (v - ones) & ~v & highs;
            }
            if (found != 0)
                return at + static_cast<std::size_t>(std::countr_zero(found) / 8);
        }
    }
    for (; at < text.size(); ++at)
        if (std::find(bytes.begin(), bytes.end(), text[at]) != bytes.end())
            return at;
    return text.size();
}

template <typename Sink> class LabelSplitter {
  public:
    // `fieldWord` names a field in messages: "label" or "rating".
    LabelSplitter(char decimalSeparator, std::string_view fieldWord, Sink& sink)
        : m_word(fieldWord), m_sink(sink) {
        m_class.fill(Other);
        for (unsigned char c : {' ', '\v', '\f'})
            m_class[c] = Blank;
        for (unsigned char c : {'\t', ';'})
            m_class[c] = Delimiter;
        if (decimalSeparator != ',')
            m_class[static_cast<unsigned char>(',')] = Delimiter;
        m_class[static_cast<unsigned char>('"')] = Quote;
        m_class[static_cast<unsigned char>('\n')] = LineEnd;
        m_class[static_cast<unsigned char>('\r')] = LineEnd;
    }

    bool take(const char* bytes, std::size_t size) {
        std::size_t i = 0;
        while (i < size) {
            const std::size_t end = FirstOf(std::string_view(bytes, size), i, LineEnds);
            if (end > i) {
                m_afterCr = false;
                if (m_line.size() + (end - i) > MaxLineText)
                    return refuse("line " + std::to_string(m_lineNumber) + " is longer than " +
                                  std::to_string(MaxLineText) + " bytes");
            }
            if (end == size) { // the line goes on in the next piece
                m_line.append(bytes + i, end - i);
                break;
            }
            const bool secondHalfOfCrLf = bytes[end] == '\n' && m_afterCr;
            m_afterCr = bytes[end] == '\r';
            if (!secondHalfOfCrLf) {
                // A line that lies whole in this piece is split where it lies.
                bool ok = false;
                if (m_line.empty()) {
                    ok = endLine(std::string_view(bytes + i, end - i));
                } else {
                    m_line.append(bytes + i, end - i);
                    ok = endLine(m_line);
                    m_line.clear();
                }
                if (!ok)
                    return false;
            }
            i = end + 1;
        }
        return true;
    }
    bool finish() {
        const bool ok = m_line.empty() || endLine(m_line);
        m_line.clear();
        return ok;
    }
    const std::string& error() const { return m_error.empty() ? m_sink.error() : m_error; }

  private:
    enum : unsigned char { Other, Blank, Delimiter, Quote, LineEnd };

    unsigned char kind(char c) const { return m_class[static_cast<unsigned char>(c)]; }
    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }
    std::string where(std::size_t column) const {
        return "line " + std::to_string(m_lineNumber) + ", " + std::string(m_word) + " " +
               std::to_string(column);
    }

    bool endLine(std::string_view line) {
        const bool ok = splitLine(line);
        ++m_lineNumber;
        return ok;
    }

    bool splitLine(std::string_view line) {
        bool delimited = false, quoted = false, quoteSeen = false;
        std::size_t firstEnd = 0; // where the first field ends, when no quote comes before
        for (std::size_t i = 0; i < line.size(); ++i) {
            const unsigned char k = kind(line[i]);
            if (k == Quote) {
                quoted = !quoted;
                quoteSeen = true;
            } else if (k == Delimiter && !quoted) {
                delimited = true;
                firstEnd = quoteSeen ? 0 : i;
                break;
            }
        }
        // Without a delimiter, blanks separate the fields.
        const unsigned char separator = delimited ? Delimiter : Blank;
        std::size_t at = 0, column = 0;
        for (;;) {
            while (at < line.size() && kind(line[at]) == Blank)
                ++at;
            if (at == line.size() && !delimited)
                break;
            ++column;
            std::string_view field;
            bool nextFieldHere = false;
            if (at < line.size() && kind(line[at]) == Quote) {
                m_field.clear();
                for (++at;; ++at) {
                    if (at == line.size())
                        return refuse(where(column) +
                                      " opens a quote that its line does not close");
                    if (kind(line[at]) == Quote) {
                        if (at + 1 < line.size() && kind(line[at + 1]) == Quote)
                            ++at;
                        else
                            break;
                    }
                    m_field += line[at];
                }
                const std::size_t afterQuote = ++at;
                while (at < line.size() && kind(line[at]) == Blank)
                    ++at;
                // Between blanks (R's write.table) the blanks after the quote are the
                // separator, and the next field begins where they end.
                nextFieldHere = !delimited && at > afterQuote && at < line.size();
                if (at < line.size() && kind(line[at]) != separator && !nextFieldHere)
                    return refuse(where(column) + " has text after its closing quote");
                field = m_field;
            } else if (delimited) {
                const std::size_t start = at;
                if (column == 1 && firstEnd != 0) // found above
                    at = firstEnd;
                while (at < line.size() && kind(line[at]) != Delimiter)
                    ++at;
                std::size_t last = at; // just past the last byte that is not a blank
                while (last > start && kind(line[last - 1]) == Blank)
                    --last;
                field = line.substr(start, last - start);
            } else {
                const std::size_t start = at;
                std::size_t last = at; // just past the last byte that is not a blank
                for (; at < line.size(); ++at) {
                    const unsigned char k = kind(line[at]);
                    if (k == separator)
                        break;
                    if (k != Blank)
                        last = at + 1;
                }
                field = line.substr(start, last - start);
            }
            if (!m_sink.field(field, column, m_lineNumber))
                return false;
            if (at == line.size() || column >= m_sink.fieldsWanted())
                break;
            if (!nextFieldHere)
                ++at; // the separator
        }
        return m_sink.lineEnd(column, m_lineNumber);
    }

    static constexpr std::array<char, 2> LineEnds{'\n', '\r'};

    std::string_view m_word;
    Sink& m_sink;
    std::array<unsigned char, 256> m_class{};
    std::uint64_t m_lineNumber = 1;
    bool m_afterCr = false;
    std::string m_line;  // a line that began in an earlier piece of the input
    std::string m_field; // a quoted field without its quotes
    std::string m_error;
};

// What every sink of labelled lines has: the words of the first refusal, and the
// warnings about the lines read.
class RefusingSink {
  public:
    const std::string& error() const { return m_error; }
    void warn(std::vector<std::string> warnings) { m_warnings = std::move(warnings); }

  protected:
    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }
    // m_warnings, then `more`
    std::vector<std::string> warningsAnd(const std::vector<std::string>& more) const {
        std::vector<std::string> all = m_warnings;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
    std::string m_error;
    std::vector<std::string> m_warnings;
};

// Feeds the whole of `in` through `splitter` (a FieldSplitter or a LabelSplitter),
// skipping a byte-order mark.
template <typename Splitter>
std::optional<InputError> SplitInput(ByteSource& in, Splitter& splitter) {
    std::vector<char> buffer(64 * 1024);
    std::size_t held = 0; // bytes at the start of the buffer not yet taken
    bool start = true;
    for (;;) {
        int error = 0;
        const std::ptrdiff_t got = in.Read(buffer.data() + held, buffer.size() - held, error);
        if (got < 0)
            return InputError{InputError::ReadError, SystemReason(error)};
        held += static_cast<std::size_t>(got);
        const char* bytes = buffer.data();
        if (start) {
            // A spreadsheet's byte-order mark is no part of the first field; wait
            // for three bytes before deciding.
            if (got > 0 && held < 3)
                continue;
            start = false;
            if (held >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF') {
                bytes += 3;
                held -= 3;
            }
        }
        if (!splitter.take(bytes, held))
            return InputError{InputError::BadInput, splitter.error()};
        held = 0;
        if (got == 0)
            break;
    }
    if (!splitter.finish())
        return InputError{InputError::BadInput, splitter.error()};
    return std::nullopt;
}

} // namespace brennic
