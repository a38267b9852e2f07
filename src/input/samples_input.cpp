// The strata are known before the first line, from --strata-sizes; the classes
// are learnt as they come. Only the count of each (stratum, map, reference)
// triple met is kept, so memory follows the distinct triples, not the units.
#include "input/samples_input.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "core/number_text.h"
#include "core/run.h"
#include "input/chosen_columns.h"
#include "input/label_lines.h"
#include "input/labels.h"

namespace brennic {
namespace {

// Past this many different labels the input is surely no set of classes.
constexpr std::size_t LabelsCounted = 10000;
// A size is held as a double: whole numbers up to 2^53 are exact there.
constexpr double LargestSize = LargestExactWhole;

struct LabelHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
        return std::hash<std::string_view>{}(text);
    }
};
using LabelIndex = std::unordered_map<std::string, std::size_t, LabelHash, std::equal_to<>>;

// What a line holds: a stratum or not, then the class of each map and the
// reference's; and how the messages name it.
struct LineShape {
    bool stratum = true;
    std::size_t maps = 1;
    std::string_view shape; // "each line holds three: ..."
    std::string_view
        noUnit;             // "no sample units were read: the input holds no lines of three labels"
    std::string_view takes; // "--samples takes three: ..." for a refused --columns
    std::size_t labels() const { return (stratum ? 1 : 0) + maps + 1; }
};

constexpr LineShape Samples{
    true, 1, "each line holds three: the stratum, the map's class, the reference's class",
    "no sample units were read: the input holds no lines of three labels",
    "--samples takes three: the stratum, the map's class, the reference's class"};
constexpr LineShape ComparedSamples{
    true, 2,
    "each line holds four under --compare: the stratum, map A's class, map B's class, the "
    "reference's class",
    "no sample units were read: the input holds no lines of four labels",
    "--samples --compare takes four: the stratum, map A's class, map B's class, the reference's "
    "class"};
constexpr LineShape ComparedPairs{
    false, 2,
    "each line holds three under --compare: map A's class, map B's class, the reference's class",
    "no units were read: the input holds no lines of three labels",
    "--pairs --compare takes three: map A's class, map B's class, the reference's class"};

// A class is held in 14 bits of a unit's key, the stratum in the bits above
// the classes.
constexpr unsigned ClassBits = 14;
static_assert(LabelsCounted < (1u << ClassBits));

// The classes of the units read, in their order, and each label's class.
struct ClassesRead {
    std::vector<std::string> labels;
    std::vector<std::size_t> rank; // of each label as met
    std::vector<std::string> warnings;
};

class SamplesSink : public RefusingSink {
  public:
    SamplesSink(const SamplesOptions& options, const LineShape& shape)
        : m_options(options), m_shape(shape),
          m_listed(options.classes, options.decimalSeparator), m_lines{shape.labels(), shape.shape,
                                                                       m_options.header,
                                                                       m_options.missing} {
        for (std::size_t h = 0; h < options.strata.size(); ++h)
            m_strata.emplace(options.strata[h].label, h);
        m_sampleSizes.assign(shape.stratum ? options.strata.size() : 1, 0);
        if (options.classes)
            for (const std::string& label : *options.classes)
                addClass(label);
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line);
    bool lineEnd(std::size_t labels, std::uint64_t line);
    std::variant<SamplesRead, InputError> result();
    std::variant<ComparedRead, InputError> compared();

  private:
    std::size_t addClass(std::string_view label) {
        m_classes.emplace(std::string(label), m_labels.size());
        m_labels.emplace_back(label);
        return m_labels.size() - 1;
    }
    // The classes and the strata checked once every line is read.
    std::variant<ClassesRead, InputError> classesRead() const;
    // Each (stratum, class, ...) key with its count, in the order of the keys'
    // classes as shown, the stratum first.
    template <typename Each> void eachUnitKind(const ClassesRead& classes, Each each) const;

    const SamplesOptions& m_options;
    const LineShape m_shape;
    const ListedNumbers m_listed;
    LabelIndex m_strata, m_classes;
    std::vector<std::string> m_labels; // of the classes, in the order met
    std::vector<std::uint64_t> m_sampleSizes;
    // (stratum, class of each map, reference) packed into one key.
    std::unordered_map<std::uint64_t, std::uint64_t> m_counts;
    std::size_t m_unit[4] = {0, 0, 0, 0}; // the stratum, then the classes
    LabelLines m_lines;
    std::uint64_t m_units = 0;
};

bool SamplesSink::field(std::string_view label, std::size_t column, std::uint64_t line) {
    const LabelLines::Verdict verdict = m_lines.field(label, column, line, m_error);
    if (verdict != LabelLines::Verdict::Take)
        return verdict == LabelLines::Verdict::Skip;
    const auto where = [line] { return "line " + std::to_string(line); };
    if (m_shape.stratum && column == 1) {
        const auto found = m_strata.find(label);
        if (found == m_strata.end()) {
            for (const StratumSize& stratum : m_options.strata)
                if (SameIgnoringCase(stratum.label, label))
                    return refuse("stratum " + QuotedLabel(stratum.label) +
                                  " of --strata-sizes matches the stratum " + QuotedLabel(label) +
                                  " of " + where() +
                                  " only when letter case is ignored: did you mean " +
                                  std::string(label) + "?");
            return refuse(where() + ": stratum " + QuotedLabel(label) +
                          " has no size in --strata-sizes");
        }
        m_unit[0] = found->second;
        return true;
    }
    const std::size_t slot = m_shape.stratum ? column - 1 : column;
    const auto found = m_classes.find(label);
    if (found != m_classes.end())
        m_unit[slot] = found->second;
    else if (m_options.classes && !m_listed.spellsOne(label))
        return refuse(where() + ": " + QuotedLabel(label) +
                      " is not one of the classes given with --classes");
    else if (m_labels.size() < LabelsCounted)
        m_unit[slot] = addClass(label);
    else
        return refuse("the sample holds more than " + std::to_string(LabelsCounted) +
                      " classes; at most " + std::to_string(MaxMatrixSize) + " are allowed");
    return true;
}

bool SamplesSink::lineEnd(std::size_t labels, std::uint64_t line) {
    const LabelLines::Verdict verdict = m_lines.lineEnd(labels, line, m_error);
    if (verdict != LabelLines::Verdict::Take)
        return verdict == LabelLines::Verdict::Skip;
    ++m_sampleSizes[m_unit[0]];
    std::uint64_t key = m_unit[0];
    for (std::size_t i = 1; i <= m_shape.maps + 1; ++i)
        key = (key << ClassBits) | m_unit[i];
    ++m_counts[key];
    ++m_units;
    return true;
}

std::variant<ClassesRead, InputError> SamplesSink::classesRead() const {
    const auto bad = [](std::string message) {
        return InputError{InputError::BadInput, std::move(message)};
    };
    const std::size_t n = m_labels.size();
    if (m_units == 0)
        return bad(m_lines.leftOut() == 0 ? std::string(m_shape.noUnit)
                                          : "no sample units were read: each of the " +
                                                Plural(m_lines.leftOut(), "unit") +
                                                " holds a label given with --missing");
    if (n > static_cast<std::size_t>(MaxMatrixSize))
        return bad("the sample holds " + std::to_string(n) + " classes; at most " +
                   std::to_string(MaxMatrixSize) + " are allowed");
    const LabelClasses classes =
        ClassesOfLabels(m_labels, m_options.decimalSeparator, m_options.classes.has_value());
    const std::size_t q = classes.shownBy.size();
    if (q < static_cast<std::size_t>(MinMatrixSize))
        return bad("the sample holds 1 class; at least " + std::to_string(MinMatrixSize) +
                   " are needed (--classes adds classes that never occur)");

    for (std::size_t h = 0; m_shape.stratum && h < m_sampleSizes.size(); ++h) {
        const StratumSize& stratum = m_options.strata[h];
        const auto units = static_cast<double>(m_sampleSizes[h]);
        if (units == 0.0)
            return bad("stratum " + QuotedLabel(stratum.label) +
                       " has a size in --strata-sizes but no sample unit in the input");
        if (units > stratum.size)
            return bad("stratum " + QuotedLabel(stratum.label) + " holds " +
                       Plural(m_sampleSizes[h], "sample unit") + ", more than its size " +
                       FormatResultValue(stratum.size, '.').substr(1) + " in --strata-sizes");
    }
    ClassesRead out{{}, classes.classOf, classes.warnings};
    for (const std::size_t label : classes.shownBy)
        out.labels.push_back(m_labels[label]);
    return out;
}

template <typename Each>
void SamplesSink::eachUnitKind(const ClassesRead& classes, Each each) const {
    constexpr std::uint64_t classMask = (1u << ClassBits) - 1;
    const std::size_t perKey = m_shape.maps + 1;
    for (const auto& [key, count] : m_counts) {
        std::array<std::size_t, 3> shown{};
        for (std::size_t i = 0; i < perKey; ++i)
            shown[i] = classes.rank[(key >> (ClassBits * (perKey - 1 - i))) & classMask];
        each(static_cast<std::size_t>(key >> (ClassBits * perKey)), shown,
             static_cast<double>(count));
    }
}

// The hash table's order is no order a reader could follow: the cells go by
// their stratum and classes, so that the figures do not depend on it. Two
// spellings of one class make two cells of the same classes: one cell.
template <typename Cell, typename Key> void sortCells(std::vector<Cell>& cells, Key key) {
    std::sort(cells.begin(), cells.end(),
              [&](const Cell& a, const Cell& b) { return key(a) < key(b); });
    std::vector<Cell> merged;
    for (const Cell& cell : cells) {
        if (!merged.empty() && key(merged.back()) == key(cell))
            merged.back().count += cell.count;
        else
            merged.push_back(cell);
    }
    cells = std::move(merged);
}

void sortCells(std::vector<StratifiedCell>& cells) {
    sortCells(cells,
              [](const StratifiedCell& c) { return std::tie(c.stratum, c.map, c.reference); });
}

// An empty sample of the classes read, with the strata of --strata-sizes.
StratifiedSample emptySample(const SamplesOptions& options, const ClassesRead& classes) {
    StratifiedSample s;
    s.classes = classes.labels.size();
    s.classLabels = classes.labels;
    s.finitePopulationCorrection = options.finitePopulationCorrection;
    for (const StratumSize& stratum : options.strata) {
        s.strata.push_back(stratum.label);
        s.stratumSizes.push_back(stratum.size);
    }
    return s;
}

// The error matrix of one map against the reference over every stratum.
LabelledMatrix matrixOf(const StratifiedSample& s, std::uint64_t leftOut,
                        std::vector<std::string> warnings) {
    LabelledMatrix out{ErrorMatrix(static_cast<int>(s.classes)), s.classLabels, leftOut,
                       std::move(warnings)};
    for (const StratifiedCell& cell : s.cells) {
        const int row = static_cast<int>(cell.map + 1), col = static_cast<int>(cell.reference + 1);
        out.matrix.set(row, col, out.matrix.x(row, col) + cell.count);
    }
    FormTotals(out.matrix);
    return out;
}

std::variant<SamplesRead, InputError> SamplesSink::result() {
    auto read = classesRead();
    if (auto* error = std::get_if<InputError>(&read))
        return std::move(*error);
    const ClassesRead& classes = std::get<ClassesRead>(read);
    StratifiedSample s = emptySample(m_options, classes);
    s.cells.reserve(m_counts.size());
    eachUnitKind(classes, [&](std::size_t h, const std::array<std::size_t, 3>& c, double count) {
        s.cells.push_back({h, c[0], c[1], count});
    });
    sortCells(s.cells);
    LabelledMatrix sample = matrixOf(s, m_lines.leftOut(), warningsAnd(classes.warnings));
    return SamplesRead{std::move(sample), std::move(s)};
}

std::variant<ComparedRead, InputError> SamplesSink::compared() {
    auto read = classesRead();
    if (auto* error = std::get_if<InputError>(&read))
        return std::move(*error);
    const ClassesRead& classes = std::get<ClassesRead>(read);
    StratifiedSample sampleA = emptySample(m_options, classes), sampleB = sampleA;
    ComparedSample c{
        sampleA.strata,        sampleA.stratumSizes, m_options.finitePopulationCorrection,
        classes.labels.size(), classes.labels,       {}};
    eachUnitKind(classes, [&](std::size_t h, const std::array<std::size_t, 3>& k, double count) {
        c.cells.push_back({h, k[0], k[1], k[2], count});
        sampleA.cells.push_back({h, k[0], k[2], count});
        sampleB.cells.push_back({h, k[1], k[2], count});
    });
    sortCells(c.cells,
              [](const ComparedCell& u) { return std::tie(u.stratum, u.a, u.b, u.reference); });
    sortCells(sampleA.cells);
    sortCells(sampleB.cells);
    const std::vector<std::string> warnings = warningsAnd(classes.warnings);
    LabelledMatrix a = matrixOf(sampleA, m_lines.leftOut(), warnings),
                   b = matrixOf(sampleB, m_lines.leftOut(), warnings);
    return ComparedRead{std::move(a), std::move(b), std::move(sampleA), std::move(sampleB),
                        std::move(c)};
}

// The sink of two maps' classes, whose result is the comparison's.
class ComparedSink : public SamplesSink {
  public:
    using SamplesSink::SamplesSink;
    std::variant<ComparedRead, InputError> result() { return compared(); }
};

std::variant<ComparedRead, InputError> readCompared(ByteSource& in, const SamplesOptions& options,
                                                    const LineShape& shape) {
    ComparedSink sink(options, shape);
    const ColumnsTaken taken{options.header, options.columns, shape.labels(), shape.takes,
                             options.missing};
    return ReadLabelled(in, sink, taken, options.decimalSeparator, "label");
}

} // namespace

std::variant<std::vector<StratumSize>, std::string> ReadStrataSizes(std::string_view text) {
    std::vector<StratumSize> strata;
    std::string_view rest = text;
    for (std::size_t position = 1;; ++position) {
        const std::size_t end = rest.find(',');
        const std::string_view entry = rest.substr(0, end);
        // The last '=' splits, so a label may hold one.
        const std::size_t equals = entry.rfind('=');
        if (equals == std::string_view::npos || TrimBlanks(entry.substr(0, equals)).empty())
            return "entry " + std::to_string(position) + " of --strata-sizes (" +
                   QuotedLabel(entry) + ") is not STRATUM=SIZE";
        // Blanks after the commas, as --classes allows them, are no part of a label.
        const std::string label(TrimBlanks(entry.substr(0, equals)));
        const std::string_view digits = TrimBlanks(entry.substr(equals + 1));
        const bool whole =
            !digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos;
        double size = 0.0;
        if (whole)
            for (char digit : digits)
                size = size * 10.0 + (digit - '0');
        if (!whole || size <= 0.0)
            return "the size of stratum " + QuotedLabel(label) + " in --strata-sizes (" +
                   QuotedLabel(digits) + ") is not a positive whole number";
        if (size > LargestSize)
            return "the size of stratum " + QuotedLabel(label) + " in --strata-sizes (" +
                   QuotedLabel(digits) +
                   ") is beyond the whole numbers the program holds exactly (" +
                   std::to_string(static_cast<std::uint64_t>(LargestExactWhole)) + ")";
        for (const StratumSize& earlier : strata)
            if (earlier.label == label)
                return "stratum " + QuotedLabel(label) + " is given two sizes in --strata-sizes";
        strata.push_back({label, size});
        if (end == std::string_view::npos)
            return strata;
        rest.remove_prefix(end + 1);
    }
}

std::variant<SamplesRead, InputError> ReadSamples(ByteSource& in, const SamplesOptions& options) {
    SamplesSink sink(options, Samples);
    const ColumnsTaken taken{options.header, options.columns, Samples.labels(), Samples.takes,
                             options.missing};
    return ReadLabelled(in, sink, taken, options.decimalSeparator, "label");
}

std::variant<ComparedRead, InputError> ReadComparedSamples(ByteSource& in,
                                                           const SamplesOptions& options) {
    return readCompared(in, options, ComparedSamples);
}

std::variant<ComparedRead, InputError> ReadComparedPairs(ByteSource& in,
                                                         const PairsOptions& options) {
    const SamplesOptions asSamples{
        options.decimalSeparator, options.header, options.classes, options.missing, {}, false,
        options.columns};
    return readCompared(in, asSamples, ComparedPairs);
}

} // namespace brennic
