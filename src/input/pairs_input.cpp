// A label is looked up as it is read, among at most 254 classes; only the counts
// of the pairs of classes are kept.
#include "input/pairs_input.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>

#include "core/number_text.h"
#include "core/run.h"
#include "input/chosen_columns.h"
#include "input/label_lines.h"
#include "input/labels.h"

namespace brennic {
namespace {

// Past this many different labels the input is surely no set of classes; counting
// on would only cost memory.
constexpr std::size_t LabelsCounted = 10000;

// The labels met so far, found again by an open-addressing table: a label is
// looked up twice per line, a million times and more. Each slot holds the
// label's key, so that most lookups read one slot and nothing else: a label of
// up to 8 bytes is its own key (its bytes), a longer one keys by its hash and is
// then compared with the label kept.
class LabelTable {
  public:
    LabelTable() {
        if (!m_slots)
            throw std::bad_alloc();
    }

    // The index of `label`, or NotFound (a plain index, which the caller reads in
    // registers).
    static constexpr std::size_t NotFound = ~std::size_t{0};
    std::size_t find(std::string_view label) const {
        const std::uint64_t key = keyOf(label);
        for (std::size_t at = slotOf(key);; at = (at + 1) & (Slots - 1)) {
            const Slot& slot = m_slots[at];
            if (slot.label == 0)
                return NotFound;
            if (slot.key == key && slot.length == label.size() &&
                (label.size() <= sizeof key || m_labels[slot.label - 1] == label))
                return slot.label - 1;
        }
    }
    std::size_t add(std::string_view label) {
        const std::uint64_t key = keyOf(label);
        std::size_t at = slotOf(key);
        while (m_slots[at].label != 0)
            at = (at + 1) & (Slots - 1);
        m_labels.emplace_back(label);
        m_slots[at] = Slot{key, static_cast<std::uint32_t>(label.size()),
                           static_cast<std::uint32_t>(m_labels.size())};
        return m_labels.size() - 1;
    }
    const std::vector<std::string>& labels() const { return m_labels; }

  private:
    // Four times the labels ever counted, a power of two.
    static constexpr std::size_t Slots = 65536;
    static_assert(Slots >= 4 * LabelsCounted);

    struct Slot {
        std::uint64_t key;
        std::uint32_t length;
        std::uint32_t label; // index + 1; 0 for an empty slot
    };

    static std::uint64_t keyOf(std::string_view label) {
        std::uint64_t key = 0;
        if (label.size() <= sizeof key) {
            // Byte by byte in a register: a copy through memory would make the
            // read of the whole key wait for it.
            for (std::size_t i = 0; i < label.size(); ++i)
                key |= std::uint64_t{static_cast<unsigned char>(label[i])} << (8 * i);
            return key;
        }
        key = 14695981039346656037ull; // FNV-1a
        for (char c : label)
            key = (key ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return key;
    }
    static std::size_t slotOf(std::uint64_t key) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 48) & (Slots - 1);
    }

    // Zeroed by calloc: the pages of slots never used are never touched.
    std::unique_ptr<Slot[], decltype(&std::free)> m_slots{
        static_cast<Slot*>(std::calloc(Slots, sizeof(Slot))), &std::free};
    std::vector<std::string> m_labels; // in the order of first appearance
};

class PairsSink : public RefusingSink {
  public:
    explicit PairsSink(const PairsOptions& options)
        : m_options(options), m_listed(options.classes, options.decimalSeparator) {
        if (!m_counts)
            throw std::bad_alloc();
        if (options.classes)
            for (const std::string& label : *options.classes)
                add(label);
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line);
    bool lineEnd(std::size_t labels, std::uint64_t line);
    std::variant<LabelledMatrix, InputError> result();

  private:
    std::size_t add(std::string_view label) { return m_table.add(label); }
    // A label met for the first time: its index, or false when it is refused.
    // Apart, so that the lookup of the labels met before stays small.
    [[gnu::noinline]] bool newLabel(std::string_view label, std::uint64_t line, std::size_t& index);

    const PairsOptions& m_options;
    const ListedNumbers m_listed;
    LabelTable m_table;
    // [classification][reference], by that order; zeroed by calloc, so that only
    // the rows of the classes met are ever touched.
    std::unique_ptr<double[], decltype(&std::free)> m_counts{
        static_cast<double*>(
            std::calloc(std::size_t{MaxMatrixSize} * MaxMatrixSize, sizeof(double))),
        &std::free};
    std::size_t m_pair[2] = {0, 0};
    LabelLines m_lines{2, "each line holds two: the classification's, then the reference's",
                       m_options.header, m_options.missing};
    std::uint64_t m_pairs = 0;
};

bool PairsSink::field(std::string_view label, std::size_t column, std::uint64_t line) {
    const LabelLines::Verdict verdict = m_lines.field(label, column, line, m_error);
    if (verdict != LabelLines::Verdict::Take)
        return verdict == LabelLines::Verdict::Skip;
    std::size_t index = m_table.find(label);
    if (index == LabelTable::NotFound && !newLabel(label, line, index))
        return false;
    m_pair[column - 1] = index;
    return true;
}

bool PairsSink::newLabel(std::string_view label, std::uint64_t line, std::size_t& index) {
    if (m_options.classes && !m_listed.spellsOne(label))
        return refuse("line " + std::to_string(line) + ": " + QuotedLabel(label) +
                      " is not one of the classes given with --classes");
    if (m_table.labels().size() >= LabelsCounted)
        return refuse("the pairs hold more than " + std::to_string(LabelsCounted) +
                      " classes; at most " + std::to_string(MaxMatrixSize) + " are allowed");
    index = add(label);
    return true;
}

bool PairsSink::lineEnd(std::size_t labels, std::uint64_t line) {
    const LabelLines::Verdict verdict = m_lines.lineEnd(labels, line, m_error);
    if (verdict != LabelLines::Verdict::Take)
        return verdict == LabelLines::Verdict::Skip;
    std::size_t row = m_pair[0], col = m_pair[1];
    if (m_options.referenceFirst)
        std::swap(row, col);
    // Beyond the largest matrix only the classes are still counted, for the message.
    if (row < static_cast<std::size_t>(MaxMatrixSize) &&
        col < static_cast<std::size_t>(MaxMatrixSize))
        m_counts[row * MaxMatrixSize + col] += 1.0;
    ++m_pairs;
    return true;
}

std::variant<LabelledMatrix, InputError> PairsSink::result() {
    const auto bad = [](std::string message) {
        return InputError{InputError::BadInput, std::move(message)};
    };
    const std::vector<std::string>& labels = m_table.labels();
    const std::size_t n = labels.size();
    if (m_pairs == 0)
        return bad(m_lines.leftOut() == 0
                       ? std::string("no pairs were read: the input holds no pairs of labels")
                       : "no pairs were read: each of the " + Plural(m_lines.leftOut(), "pair") +
                             " holds a label given with --missing");
    if (n > static_cast<std::size_t>(MaxMatrixSize))
        return bad("the pairs hold " + std::to_string(n) + " classes; at most " +
                   std::to_string(MaxMatrixSize) + " are allowed");
    const LabelClasses classes =
        ClassesOfLabels(labels, m_options.decimalSeparator, m_options.classes.has_value());
    const std::size_t q = classes.shownBy.size();
    if (q < static_cast<std::size_t>(MinMatrixSize))
        return bad("the pairs hold 1 class; at least " + std::to_string(MinMatrixSize) +
                   " are needed (--classes adds classes that never occur)");
    LabelledMatrix out{
        ErrorMatrix(static_cast<int>(q)), {}, m_lines.leftOut(), warningsAnd(classes.warnings)};
    for (const std::size_t label : classes.shownBy)
        out.labels.push_back(labels[label]);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b)
            if (const double count = m_counts[a * MaxMatrixSize + b]; count != 0.0) {
                const auto row = static_cast<int>(classes.classOf[a] + 1),
                           col = static_cast<int>(classes.classOf[b] + 1);
                out.matrix.set(row, col, out.matrix.x(row, col) + count);
            }
    FormTotals(out.matrix);
    return out;
}

} // namespace

std::variant<LabelledMatrix, InputError> ReadPairs(ByteSource& in, const PairsOptions& options) {
    PairsSink sink(options);
    const ColumnsTaken taken{options.header, options.columns, 2,
                             "--pairs takes two: the classification's, then the reference's",
                             options.missing};
    return ReadLabelled(in, sink, taken, options.decimalSeparator, "label");
}

} // namespace brennic
