// Which fields of each line of labels a reader takes, between LabelSplitter and
// the reader's sink: the fields --columns names (by the header's names or by
// number), or every field; a data line that holds one field more than the header
// (R's write.table with row names) without its first field, the row name. The
// fields taken are handed on numbered from 1 in the order of --columns, the
// header's names among them, so the sink sees a file of just those columns.
// Fields that are not taken may hold anything: they are not checked as labels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "input/matrix_input.h"
#include "input/text_fields.h"

namespace brennic {

// What the reader takes from each line.
struct ColumnsTaken {
    bool header = false;                             // the first line names the columns
    std::optional<std::vector<std::string>> columns; // --columns, as listed
    // The number of columns the input takes, 0 for any (ratings), and what it
    // takes, for the refusal of --columns naming another number: "--pairs takes
    // two: ...".
    std::size_t count = 0;
    std::string_view takes;
    std::vector<std::string> missing{}; // texts that are no value
};

// A column read that holds a different value on this many lines or more, and on
// every line, names the units rather than a class: it is warned about.
inline constexpr std::uint64_t UnitColumnLines = 10;

// Whether each column read has held a different value on every line so far,
// as a column of IDs does; values of `missing` are passed by.
class ValueWatch {
  public:
    explicit ValueWatch(const std::vector<std::string>& missing) : m_missing(missing) {}

    // Some column read has repeated no value yet: its values are still looked at.
    bool watching() const { return m_watching; }

    void see(std::string_view text, std::size_t column) {
        if (column >= m_values.size())
            m_values.resize(column + 1);
        Values& values = m_values[column];
        if (values.repeated ||
            std::find(m_missing.begin(), m_missing.end(), text) != m_missing.end())
            return;
        values.repeated = !values.seen.emplace(text).second;
        ++values.count;
        if (values.repeated) {
            values.seen = {};
            // Once every column read repeats a value, a line of as many fields shows
            // nothing new.
            m_watching = !std::all_of(m_values.begin() + 1, m_values.end(),
                                      [](const Values& v) { return v.repeated || v.count == 0; });
        }
    }

    // A warning for each column that holds a different value on every line, named
    // by `names` (the header's) where it has one.
    std::vector<std::string> warnings(const std::vector<std::string>& names) const {
        std::vector<std::string> out;
        for (std::size_t column = 1; column < m_values.size(); ++column) {
            const Values& values = m_values[column];
            if (values.repeated || values.count < UnitColumnLines)
                continue;
            const bool named = column <= names.size();
            out.push_back("column " + std::to_string(column) +
                          (named ? " (" + names[column - 1] + ")" : "") +
                          " holds a different value on every line; if it names the units, "
                          "leave it out with --columns");
        }
        return out;
    }

  private:
    struct Values {
        std::unordered_set<std::string> seen;
        std::uint64_t count = 0;
        bool repeated = false;
    };
    const std::vector<std::string>& m_missing;
    std::vector<Values> m_values; // of each column read
    bool m_watching = true;
};

// Whether `text`, in `column` of `line`, may be a label: `error` is set, naming
// its line and column, if not.
inline bool LabelChecked(std::string_view text, std::size_t column, std::uint64_t line,
                         std::string_view fieldWord, std::string& error) {
    if (text.size() <= MaxCellText && PlainAscii(text)) // most labels, at a glance
        return true;
    if (auto flaw = LabelRefusal(text, line, column, fieldWord)) {
        error = std::move(*flaw);
        return false;
    }
    return true;
}

// Every field of every line, in its place, when neither a header nor --columns
// is given: each is checked as a label and handed on, and its value watched
// while some column may still be one of IDs.
template <typename Sink> class EveryColumn {
  public:
    EveryColumn(const ColumnsTaken& taken, std::string_view fieldWord, Sink& sink)
        : m_word(fieldWord), m_sink(sink), m_watch(taken.missing) {}

    bool field(std::string_view text, std::size_t column, std::uint64_t line) {
        if (!LabelChecked(text, column, line, m_word, m_error))
            return false;
        if (m_watch.watching())
            m_watch.see(text, column);
        return m_sink.field(text, column, line);
    }
    bool lineEnd(std::size_t fields, std::uint64_t line) { return m_sink.lineEnd(fields, line); }
    const std::string& error() const { return m_error.empty() ? m_sink.error() : m_error; }
    static constexpr std::size_t fieldsWanted() { return std::numeric_limits<std::size_t>::max(); }
    std::vector<std::string> warnings() const { return m_watch.warnings({}); }

  private:
    std::string_view m_word;
    Sink& m_sink;
    ValueWatch m_watch;
    std::string m_error;
};

template <typename Sink> class ColumnPicker {
  public:
    ColumnPicker(const ColumnsTaken& taken, std::string_view fieldWord, Sink& sink)
        : m_taken(taken), m_word(fieldWord), m_sink(sink), m_chosen(taken.columns.has_value()),
          m_headerPending(taken.header), m_watch(taken.missing) {
        if (!taken.header)
            startReading();
        if (!taken.columns)
            return;
        const std::vector<std::string>& listed = *taken.columns;
        if (taken.count != 0 && listed.size() != taken.count)
            m_error = "--columns names " + Plural(listed.size(), "column") + ", but " +
                      std::string(taken.takes);
        for (const std::string& item : listed)
            if (!numberOf(item) && !taken.header && m_error.empty())
                m_error = "--columns " + QuotedLabel(item) +
                          " is a name, and only a header line (--header) names the columns: "
                          "give --header, or the column's number";
        if (!taken.header && m_error.empty() && chooseColumns())
            startReading();
    }

    // Why the input is refused before any of it is read, or nothing.
    std::optional<std::string> refusal() const {
        return m_error.empty() ? std::nullopt : std::optional<std::string>(m_error);
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line) {
        // Most fields: of a data line, in a column read in its place, plainly a label.
        if (m_direct) {
            const std::size_t slot = slotOf(column);
            if (slot == 0)
                return true;
            if (!labelChecked(text, column, line))
                return false;
            if (m_watch.watching())
                m_watch.see(text, column);
            return m_sink.field(text, slot, line);
        }
        if (m_headerPending || m_firstLinePending) {
            std::vector<std::string>& kept = m_headerPending ? m_names : m_firstLine;
            kept.emplace_back(text);
            return true;
        }
        return route(text, column, line, m_offset, true);
    }

    bool lineEnd(std::size_t fields, std::uint64_t line) {
        if (m_direct && (!m_chosen || fields >= m_lastChosen))
            return m_sink.lineEnd(m_chosen ? m_held.size() : fields, line);
        if (fields == 0) // a blank line
            return m_sink.lineEnd(0, line);
        if (m_headerPending)
            return endHeader(line);
        if (m_firstLinePending)
            return endFirstLine(line);
        return endLine(fields - std::min(fields, m_offset), line);
    }

    const std::string& error() const { return m_error.empty() ? m_sink.error() : m_error; }

    // The fields of a line that are read: the rest of it is not looked at.
    std::size_t fieldsWanted() const { return m_wanted; }

    // A column read that holds a different value on every line, as IDs do: a
    // warning each.
    std::vector<std::string> warnings() const { return m_watch.warnings(m_names); }

  private:
    // The place of `column` among the fields handed on; 0 when it is not read.
    std::size_t slotOf(std::size_t column) const {
        if (!m_chosen)
            return column;
        return column < m_slotOf.size() ? m_slotOf[column] : 0;
    }

    bool labelChecked(std::string_view text, std::size_t column, std::uint64_t line) {
        return LabelChecked(text, column, line, m_word, m_error);
    }

    // Once the header and the first line are read, how the fields go on.
    void startReading() {
        m_direct = m_offset == 0 && m_inOrder;
        if (m_chosen)
            m_wanted = m_lastChosen + m_offset;
    }

    bool refuse(std::string message) {
        m_error = std::move(message);
        return false;
    }

    // The number of a column listed as digits, from 1.
    static std::optional<std::size_t> numberOf(std::string_view item) {
        if (item.empty() || item.size() > 9 ||
            item.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        return static_cast<std::size_t>(std::stoul(std::string(item)));
    }

    std::string headerNames() const {
        std::string names;
        for (std::size_t i = 0; i < m_names.size(); ++i)
            names += (i == 0 ? "" : ", ") + QuotedLabel(m_names[i]);
        return names;
    }

    // Resolves --columns to the columns of the lines, by number or by the header's
    // names (once the header is read).
    bool chooseColumns() {
        const std::vector<std::string>& listed = *m_taken.columns;
        for (std::size_t slot = 1; slot <= listed.size(); ++slot) {
            const std::string& item = listed[slot - 1];
            std::optional<std::size_t> column = numberOf(item);
            const std::string where = "--columns " + QuotedLabel(item);
            if (column && *column == 0)
                return refuse(where + ": columns are counted from 1");
            if (column && m_taken.header && *column > m_names.size())
                return refuse(where + ": the header (line " + std::to_string(m_headerLine) +
                              ") names " + Plural(m_names.size(), "column"));
            if (!column) {
                const auto found = std::find(m_names.begin(), m_names.end(), item);
                if (found == m_names.end())
                    return refuse(where + " is not a name in the header (line " +
                                  std::to_string(m_headerLine) + "): " + headerNames());
                column = static_cast<std::size_t>(found - m_names.begin()) + 1;
                if (std::find(found + 1, m_names.end(), item) != m_names.end())
                    return refuse(where + " names more than one column of the header (line " +
                                  std::to_string(m_headerLine) +
                                  "): give the number of the one meant");
            }
            if (m_slotOf.size() <= *column)
                m_slotOf.resize(*column + 1, 0);
            if (m_slotOf[*column] != 0)
                return refuse(where + " takes column " + std::to_string(*column) +
                              ", which --columns names already");
            m_slotOf[*column] = slot;
            m_inOrder = m_inOrder && *column > m_lastChosen;
            m_lastChosen = std::max(m_lastChosen, *column);
        }
        m_held.resize(listed.size());
        return true;
    }

    bool endHeader(std::uint64_t line) {
        m_headerPending = false;
        m_headerLine = line;
        if (m_names.size() > 1 && m_names.back().empty()) // one delimiter after the last
            m_names.pop_back();
        if (m_taken.columns && !chooseColumns())
            return false;
        m_firstLinePending = true;
        // The header's names are handed on as a line, as the sink reads a header.
        for (std::size_t column = 1; column <= m_names.size(); ++column)
            if (!route(m_names[column - 1], column, line, 0, false))
                return false;
        return endLine(m_names.size(), line);
    }

    // A first line one field longer than the header, that field not empty, begins
    // with its row name (R's write.table), and so does every line after it.
    bool endFirstLine(std::uint64_t line) {
        m_firstLinePending = false;
        // A header short of the fields the input takes names no row names.
        const bool namesEnough = m_chosen || m_names.size() >= m_taken.count;
        if (namesEnough && m_firstLine.size() == m_names.size() + 1 && !m_firstLine.back().empty())
            m_offset = 1;
        startReading();
        for (std::size_t column = 1; column <= m_firstLine.size(); ++column)
            if (!route(m_firstLine[column - 1], column, line, m_offset, true))
                return false;
        const std::size_t fields = m_firstLine.size();
        m_firstLine = {};
        return endLine(fields - std::min(fields, m_offset), line);
    }

    // Hands on the field in `column` of the file when it is taken; `offset`
    // fields before it are row names. Of a line of `data`, its value is seen.
    bool route(std::string_view text, std::size_t column, std::uint64_t line, std::size_t offset,
               bool data) {
        if (column <= offset)
            return true;
        column -= offset;
        const std::size_t slot = slotOf(column);
        if (slot == 0)
            return true;
        if (!labelChecked(text, column, line))
            return false;
        if (data)
            m_watch.see(text, column);
        if (m_inOrder)
            return m_sink.field(text, slot, line);
        m_held[slot - 1].assign(text);
        return true;
    }

    // The end of a line of `fields` fields (row names aside).
    bool endLine(std::size_t fields, std::uint64_t line) {
        if (!m_chosen)
            return m_sink.lineEnd(fields, line);
        if (fields < m_lastChosen)
            return refuse("line " + std::to_string(line) + " holds " + Plural(fields, "field") +
                          ", but --columns takes field " + std::to_string(m_lastChosen));
        if (!m_inOrder)
            for (std::size_t slot = 1; slot <= m_held.size(); ++slot)
                if (!m_sink.field(m_held[slot - 1], slot, line))
                    return false;
        return m_sink.lineEnd(m_held.size(), line);
    }

    const ColumnsTaken& m_taken;
    std::string_view m_word;
    Sink& m_sink;
    const bool m_chosen; // --columns was given
    bool m_headerPending, m_firstLinePending = false;
    bool m_direct = false; // data lines, each field in its place
    std::size_t m_wanted = std::numeric_limits<std::size_t>::max();
    std::uint64_t m_headerLine = 0;
    std::vector<std::string> m_names;     // of the header
    std::vector<std::string> m_firstLine; // the first line after the header, held
    std::size_t m_offset = 0;             // 1 when each line begins with a row name
    std::vector<std::size_t> m_slotOf;    // of each column: its place in --columns, or 0
    std::size_t m_lastChosen = 0;         // the column furthest right that --columns takes
    bool m_inOrder = true;                // --columns lists its columns left to right
    std::vector<std::string> m_held;      // a line's fields, when they are not in order
    ValueWatch m_watch;                   // of the columns read
    std::string m_error;
};

// Reads the whole of `in` as lines of labels into `sink`, the columns of `taken`,
// and gives its result, or the first mistake; `fieldWord` names a field in
// messages ("label", "rating").
template <typename Sink>
auto ReadLabelled(ByteSource& in, Sink& sink, const ColumnsTaken& taken, char decimalSeparator,
                  std::string_view fieldWord) -> decltype(sink.result()) {
    // Without a header and --columns every field is taken in its place, and the
    // fields go from the splitter to the sink through EveryColumn, with no
    // choosing on the way.
    const auto read = [&](auto& picker) -> decltype(sink.result()) {
        LabelSplitter<std::remove_reference_t<decltype(picker)>> splitter(decimalSeparator,
                                                                          fieldWord, picker);
        if (auto error = SplitInput(in, splitter))
            return std::move(*error);
        sink.warn(picker.warnings());
        return sink.result();
    };
    if (!taken.header && !taken.columns) {
        EveryColumn<Sink> every(taken, fieldWord, sink);
        return read(every);
    }
    ColumnPicker<Sink> picker(taken, fieldWord, sink);
    if (auto refused = picker.refusal())
        return InputError{InputError::BadInput, std::move(*refused)};
    return read(picker);
}

} // namespace brennic
