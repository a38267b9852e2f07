// Each rating is looked up among the classes met so far and stored as its index;
// each different row of ratings is kept once with the number of its units, and
// the classes are put in their final order once the whole input is read.
#include "input/ratings_input.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "core/number_text.h"
#include "input/chosen_columns.h"
#include "input/labels.h"

namespace brennic {
namespace {

// Lookup of a string_view without making a string of it, a million times and more.
struct LabelHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};

// The different rows of ratings met so far, each with its number of units, found
// again by an open-addressing table: a row is looked up once per unit, a million
// times and more. A row of up to eight raters is compared as one 64-bit key.
class RowTable {
  public:
    void add(const std::vector<std::uint8_t>& row) {
        const std::size_t width = row.size();
        if (m_slots.empty() || 2 * (m_units.size() + 1) > m_slots.size())
            grow();
        const std::uint64_t key = keyOf(row.data(), width);
        std::size_t at = hash(key) & (m_slots.size() - 1);
        for (;; at = (at + 1) & (m_slots.size() - 1)) {
            const std::uint32_t slot = m_slots[at];
            if (slot == 0)
                break;
            if (m_keys[slot - 1] == key &&
                (width <= 8 ||
                 std::equal(row.begin(), row.end(), m_rows.begin() + (slot - 1) * width))) {
                ++m_units[slot - 1];
                return;
            }
        }
        m_rows.insert(m_rows.end(), row.begin(), row.end());
        m_units.push_back(1);
        m_keys.push_back(key);
        m_slots[at] = static_cast<std::uint32_t>(m_units.size());
    }
    std::vector<std::uint8_t>& rows() { return m_rows; }
    std::vector<std::uint64_t>& units() { return m_units; }

  private:
    // The row's bytes themselves when they fit, else a hash of them.
    static std::uint64_t keyOf(const std::uint8_t* bytes, std::size_t size) {
        std::uint64_t key = 0;
        if (size <= 8) {
            std::memcpy(&key, bytes, size);
            return key;
        }
        key = 14695981039346656037ull; // FNV-1a
        for (std::size_t i = 0; i < size; ++i)
            key = (key ^ bytes[i]) * 1099511628211ull;
        return key;
    }
    static std::size_t hash(std::uint64_t key) {
        key *= 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(key ^ (key >> 32));
    }
    void grow() {
        std::vector<std::uint32_t> slots(std::max<std::size_t>(1024, 2 * m_slots.size()), 0);
        for (std::size_t i = 0; i < m_units.size(); ++i) {
            std::size_t at = hash(m_keys[i]) & (slots.size() - 1);
            while (slots[at] != 0)
                at = (at + 1) & (slots.size() - 1);
            slots[at] = static_cast<std::uint32_t>(i + 1);
        }
        m_slots = std::move(slots);
    }

    std::vector<std::uint32_t> m_slots; // row index + 1; 0 for an empty slot
    std::vector<std::uint8_t> m_rows;   // the different rows, one after another
    std::vector<std::uint64_t> m_units; // of each row
    std::vector<std::uint64_t> m_keys;  // of each row
};

std::string tooManyClasses() {
    return "the ratings hold more than " + std::to_string(MaxRatingClasses) + " classes; at most " +
           std::to_string(MaxRatingClasses) + " are allowed";
}

class RatingsSink : public RefusingSink {
  public:
    explicit RatingsSink(const RatingsOptions& options)
        : m_options(options), m_listed(options.classes, options.decimalSeparator) {
        m_singleByte.fill(NoRating);
        if (options.classes)
            for (const std::string& label : *options.classes)
                add(label);
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line) {
        // Most ratings are one character of a class already met: taken here,
        // without the lookups and messages of the rest.
        if (text.size() == 1 && !m_headerPending && !m_inHeader &&
            (m_raters == 0 || column <= m_raters)) {
            const std::uint8_t index = m_singleByte[static_cast<unsigned char>(text[0])];
            if (index != NoRating) {
                m_line.push_back(index);
                return true;
            }
        }
        return otherField(text, column, line);
    }
    bool lineEnd(std::size_t fields, std::uint64_t line);
    std::variant<RatingsTable, InputError> result();

  private:
    bool otherField(std::string_view text, std::size_t column, std::uint64_t line);
    std::uint8_t add(std::string_view label) {
        const auto index = static_cast<std::uint8_t>(m_labels.size());
        m_labels.emplace_back(label);
        m_index.emplace(m_labels.back(), index);
        if (label.size() == 1 && !missing(label))
            m_singleByte[static_cast<unsigned char>(label[0])] = index;
        return index;
    }
    bool missing(std::string_view text) const {
        return text.empty() || text == "NA" ||
               std::find(m_options.missing.begin(), m_options.missing.end(), text) !=
                   m_options.missing.end();
    }

    const RatingsOptions& m_options;
    const ListedNumbers m_listed;
    std::unordered_map<std::string, std::uint8_t, LabelHash, std::equal_to<>> m_index;
    std::vector<std::string> m_labels;          // in the order of first appearance
    std::array<std::uint8_t, 256> m_singleByte; // the class of a one-byte label, or NoRating
    RowTable m_rows;
    std::vector<std::uint8_t> m_line; // the ratings of the line being read
    std::size_t m_raters = 0;         // fields of the first line; 0 until it is read
    std::uint64_t m_firstLine = 0;
    bool m_headerPending = m_options.header;
    bool m_inHeader = false;
};

bool RatingsSink::otherField(std::string_view text, std::size_t column, std::uint64_t line) {
    if (m_headerPending || m_inHeader) { // the raters' names are no ratings
        m_headerPending = false;
        m_inHeader = true;
        m_line.push_back(NoRating);
        return true;
    }
    if (m_raters != 0 && column > m_raters)
        return refuse("line " + std::to_string(line) + " holds more than " +
                      Plural(m_raters, "rating") + "; line " + std::to_string(m_firstLine) +
                      " holds " + std::to_string(m_raters) + " and every line as many");
    if (missing(text)) {
        m_line.push_back(NoRating);
        return true;
    }
    if (const auto found = m_index.find(text); found != m_index.end()) {
        m_line.push_back(found->second);
        return true;
    }
    if (m_options.classes && !m_listed.spellsOne(text))
        return refuse("line " + std::to_string(line) + ", rating " + std::to_string(column) + ": " +
                      QuotedLabel(text) + " is not one of the classes given with --classes");
    if (m_labels.size() == MaxRatingClasses)
        return refuse(tooManyClasses());
    m_line.push_back(add(text));
    return true;
}

bool RatingsSink::lineEnd(std::size_t fields, std::uint64_t line) {
    if (fields == 0) // a blank line
        return true;
    if (m_raters == 0) {
        m_raters = fields;
        m_firstLine = line;
    } else if (fields != m_raters) {
        return refuse("line " + std::to_string(line) + " holds " + Plural(fields, "rating") +
                      "; line " + std::to_string(m_firstLine) + " holds " +
                      std::to_string(m_raters) + " and every line as many");
    }
    if (m_inHeader)
        m_inHeader = false;
    else
        m_rows.add(m_line);
    m_line.clear();
    return true;
}

std::variant<RatingsTable, InputError> RatingsSink::result() {
    const auto bad = [](std::string message) {
        return InputError{InputError::BadInput, std::move(message)};
    };
    if (m_rows.units().empty())
        return bad("no ratings were read: the input holds no units");
    const LabelClasses classes =
        ClassesOfLabels(m_labels, m_options.decimalSeparator, m_options.classes.has_value());
    std::array<std::uint8_t, 256> newIndex{};
    newIndex.fill(NoRating);
    RatingsTable table;
    table.raters = m_raters;
    for (std::size_t label = 0; label < m_labels.size(); ++label)
        newIndex[label] = static_cast<std::uint8_t>(classes.classOf[label]);
    for (const std::size_t label : classes.shownBy)
        table.labels.push_back(m_labels[label]);
    table.values = classes.numbers;
    table.warnings = warningsAnd(classes.warnings);
    table.ratings = std::move(m_rows.rows());
    table.units = std::move(m_rows.units());
    for (std::uint8_t& rating : table.ratings)
        rating = newIndex[rating];
    return table;
}

constexpr std::string_view LongShape = "each line holds three: the unit, the rater, the rating";

// Ratings one per line: each unit's ratings are gathered by the texts of the unit
// and the rater, then handed to a RatingsSink as the table's lines, units and
// raters in the order they first appear, so that the table is the one the wide
// form of the same ratings makes.
class LongRatingsSink : public RefusingSink {
  public:
    explicit LongRatingsSink(const RatingsOptions& options)
        : m_wideOptions(options), m_header(options.header) {
        m_wideOptions.header = false;
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line) {
        if (m_header)
            return true;
        if (column > 3) {
            if (column == 4 && text.empty()) // one delimiter after the last field
                return true;
            return refuse("line " + std::to_string(line) + " holds more than 3 fields; " +
                          std::string(LongShape) + " (--columns chooses them among more)");
        }
        if (column < 3 && text.empty())
            return refuse("line " + std::to_string(line) + ", field " + std::to_string(column) +
                          " is empty: " + std::string(column == 1 ? "the unit" : "the rater") +
                          " must be named");
        Texts& texts = m_texts[column - 1];
        auto found = texts.index.find(text);
        if (found == texts.index.end()) {
            if (texts.all.size() >= LabelsKept)
                return refuse(column == 3 ? tooManyClasses()
                                          : "line " + std::to_string(line) + ": more than " +
                                                std::to_string(LabelsKept) +
                                                (column == 1 ? " units" : " raters"));
            found = texts.index.emplace(std::string(text), texts.all.size()).first;
            texts.all.emplace_back(text);
        }
        m_rating[column - 1] = static_cast<std::uint32_t>(found->second);
        return true;
    }

    bool lineEnd(std::size_t fields, std::uint64_t line) {
        if (fields == 0)
            return true;
        if (m_header) {
            m_header = false;
            return true;
        }
        if (fields < 3)
            return refuse("line " + std::to_string(line) + " holds " + Plural(fields, "field") +
                          "; " + std::string(LongShape));
        const std::uint64_t key = (std::uint64_t{m_rating[0]} << 32) | m_rating[1];
        const auto [earlier, first] = m_lineOf.emplace(key, line);
        if (!first)
            return refuse("line " + std::to_string(line) + ": rater " +
                          QuotedLabel(m_texts[1].all[m_rating[1]]) + " rates unit " +
                          QuotedLabel(m_texts[0].all[m_rating[0]]) + " a second time (line " +
                          std::to_string(earlier->second) + " gave the first)");
        m_ratings.push_back({m_rating[0], m_rating[1], m_rating[2], line});
        return true;
    }

    std::variant<RatingsTable, InputError> result() {
        std::sort(m_ratings.begin(), m_ratings.end(), [](const Rating& a, const Rating& b) {
            return std::tie(a.unit, a.rater) < std::tie(b.unit, b.rater);
        });
        RatingsSink wide(m_wideOptions);
        const std::size_t raters = m_texts[1].all.size();
        std::size_t next = 0;
        for (std::uint32_t unit = 0; unit < m_texts[0].all.size(); ++unit) {
            std::uint64_t line = 0;
            for (std::uint32_t rater = 0; rater < raters; ++rater) {
                const bool given = next < m_ratings.size() && m_ratings[next].unit == unit &&
                                   m_ratings[next].rater == rater;
                const std::string_view text =
                    given ? std::string_view(m_texts[2].all[m_ratings[next].label]) : "";
                line = given ? m_ratings[next++].line : line;
                if (!wide.field(text, rater + 1, line))
                    return InputError{InputError::BadInput, wide.error()};
            }
            if (!wide.lineEnd(raters, line))
                return InputError{InputError::BadInput, wide.error()};
        }
        wide.warn(m_warnings);
        return wide.result();
    }

  private:
    // Past this many units, raters or ratings' texts the input is surely no table.
    static constexpr std::size_t LabelsKept = std::size_t{1} << 24;

    struct Texts {
        std::unordered_map<std::string, std::size_t, LabelHash, std::equal_to<>> index;
        std::vector<std::string> all; // in the order of first appearance
    };
    struct Rating {
        std::uint32_t unit, rater, label;
        std::uint64_t line;
    };

    RatingsOptions m_wideOptions;
    bool m_header;
    std::array<Texts, 3> m_texts; // of the units, the raters, the ratings
    std::array<std::uint32_t, 3> m_rating{};
    std::unordered_map<std::uint64_t, std::uint64_t> m_lineOf; // of each unit and rater
    std::vector<Rating> m_ratings;
};

} // namespace

std::variant<RatingsTable, InputError> ReadRatings(ByteSource& in, const RatingsOptions& options) {
    RatingsSink sink(options);
    ColumnsTaken taken{options.header, options.columns, 0, "", options.missing};
    taken.missing.insert(taken.missing.end(), {"", "NA"});
    if (options.longForm) {
        taken.count = 3;
        taken.takes = "--ratings --long takes three: the unit, the rater, the rating";
        LongRatingsSink sink(options);
        return ReadLabelled(in, sink, taken, options.decimalSeparator, "field");
    }
    return ReadLabelled(in, sink, taken, options.decimalSeparator, "rating");
}

} // namespace brennic
