// The strata are known before the first line, from --strata-sizes; the classes
// are learnt as they come. Only the count of each (stratum, map, reference)
// triple met is kept, so memory follows the distinct triples, not the units.
#include "input/samples_input.h"

#include <algorithm>
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

constexpr const char* ThreeLabels =
    "each line holds three: the stratum, the map's class, the reference's class";

class SamplesSink : public RefusingSink {
  public:
    explicit SamplesSink(const SamplesOptions& options)
        : m_options(options), m_listed(options.classes, options.decimalSeparator) {
        for (std::size_t h = 0; h < options.strata.size(); ++h)
            m_strata.emplace(options.strata[h].label, h);
        m_sampleSizes.assign(options.strata.size(), 0);
        if (options.classes)
            for (const std::string& label : *options.classes)
                addClass(label);
    }

    bool field(std::string_view text, std::size_t column, std::uint64_t line);
    bool lineEnd(std::size_t labels, std::uint64_t line);
    std::variant<SamplesRead, InputError> result();

  private:
    std::size_t addClass(std::string_view label) {
        m_classes.emplace(std::string(label), m_labels.size());
        m_labels.emplace_back(label);
        return m_labels.size() - 1;
    }

    const SamplesOptions& m_options;
    const ListedNumbers m_listed;
    LabelIndex m_strata, m_classes;
    std::vector<std::string> m_labels; // of the classes, in the order met
    std::vector<std::uint64_t> m_sampleSizes;
    // (stratum, map, reference) packed into one key: classes below 2^14.
    std::unordered_map<std::uint64_t, std::uint64_t> m_counts;
    std::size_t m_unit[3] = {0, 0, 0};
    LabelLines m_lines{3, ThreeLabels, m_options.header, m_options.missing};
    std::uint64_t m_units = 0;
};
static_assert(LabelsCounted < (1u << 14));

bool SamplesSink::field(std::string_view label, std::size_t column, std::uint64_t line) {
    const LabelLines::Verdict verdict = m_lines.field(label, column, line, m_error);
    if (verdict != LabelLines::Verdict::Take)
        return verdict == LabelLines::Verdict::Skip;
    const auto where = [line] { return "line " + std::to_string(line); };
    if (column == 1) {
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
    const auto found = m_classes.find(label);
    if (found != m_classes.end())
        m_unit[column - 1] = found->second;
    else if (m_options.classes && !m_listed.spellsOne(label))
        return refuse(where() + ": " + QuotedLabel(label) +
                      " is not one of the classes given with --classes");
    else if (m_labels.size() < LabelsCounted)
        m_unit[column - 1] = addClass(label);
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
    ++m_counts[(static_cast<std::uint64_t>(m_unit[0]) << 28) | (m_unit[1] << 14) | m_unit[2]];
    ++m_units;
    return true;
}

std::variant<SamplesRead, InputError> SamplesSink::result() {
    const auto bad = [](std::string message) {
        return InputError{InputError::BadInput, std::move(message)};
    };
    const std::size_t n = m_labels.size();
    if (m_units == 0)
        return bad(m_lines.leftOut() == 0
                       ? std::string("no sample units were read: the input holds no lines of "
                                     "three labels")
                       : "no sample units were read: each of the " +
                             Plural(m_lines.leftOut(), "unit") +
                             " holds a label given with --missing");
    if (n > static_cast<std::size_t>(MaxMatrixSize))
        return bad("the sample holds " + std::to_string(n) + " classes; at most " +
                   std::to_string(MaxMatrixSize) + " are allowed");
    const LabelClasses classes =
        ClassesOfLabels(m_labels, m_options.decimalSeparator, m_options.classes.has_value());
    const std::vector<std::size_t>& rank = classes.classOf;
    const std::size_t q = classes.shownBy.size();
    if (q < static_cast<std::size_t>(MinMatrixSize))
        return bad("the sample holds 1 class; at least " + std::to_string(MinMatrixSize) +
                   " are needed (--classes adds classes that never occur)");

    for (std::size_t h = 0; h < m_sampleSizes.size(); ++h) {
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

    SamplesRead out{
        {ErrorMatrix(static_cast<int>(q)), {}, m_lines.leftOut(), warningsAnd(classes.warnings)},
        {}};
    for (const std::size_t label : classes.shownBy)
        out.sample.labels.push_back(m_labels[label]);
    StratifiedSample& s = out.stratified;
    s.classes = q;
    s.classLabels = out.sample.labels;
    s.finitePopulationCorrection = m_options.finitePopulationCorrection;
    for (const StratumSize& stratum : m_options.strata) {
        s.strata.push_back(stratum.label);
        s.stratumSizes.push_back(stratum.size);
    }
    s.cells.reserve(m_counts.size());
    constexpr std::uint64_t classMask = (1u << 14) - 1;
    for (const auto& [key, count] : m_counts) {
        const std::size_t map = rank[(key >> 14) & classMask], reference = rank[key & classMask];
        s.cells.push_back(
            {static_cast<std::size_t>(key >> 28), map, reference, static_cast<double>(count)});
        const int row = static_cast<int>(map + 1), col = static_cast<int>(reference + 1);
        out.sample.matrix.set(row, col, out.sample.matrix.x(row, col) + static_cast<double>(count));
    }
    // The hash table's order is no order a reader could follow: the cells go by
    // stratum, map and reference class, so that the figures do not depend on it.
    const auto key = [](const StratifiedCell& c) {
        return std::tie(c.stratum, c.map, c.reference);
    };
    std::sort(s.cells.begin(), s.cells.end(),
              [&](const StratifiedCell& a, const StratifiedCell& b) { return key(a) < key(b); });
    // Two spellings of one class make two cells of the same class: one cell.
    std::vector<StratifiedCell> cells;
    for (const StratifiedCell& cell : s.cells) {
        if (!cells.empty() && key(cells.back()) == key(cell))
            cells.back().count += cell.count;
        else
            cells.push_back(cell);
    }
    s.cells = std::move(cells);
    FormTotals(out.sample.matrix);
    return out;
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
    SamplesSink sink(options);
    const ColumnsTaken taken{options.header, options.columns, 3,
                             "--samples takes three: the stratum, the map's class, the "
                             "reference's class",
                             options.missing};
    return ReadLabelled(in, sink, taken, options.decimalSeparator, "label");
}

} // namespace brennic
