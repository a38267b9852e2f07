// Adds the matrices of JSON reports; a JSON reader just large enough for the
// reports this program writes (objects, arrays, strings, numbers, null, true, false).
#include "input/summed_reports.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "core/file_system.h"
#include "core/number_text.h"

namespace brennic {
namespace {

struct JsonValue {
    enum Type { Null, Bool, Number, String, Array, Object } type = Null;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    const JsonValue* find(std::string_view key) const {
        for (const auto& [name, value] : members)
            if (name == key)
                return &value;
        return nullptr;
    }
};

class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    // The whole text as one value, or the reason with its byte offset.
    std::variant<JsonValue, std::string> read() {
        JsonValue value;
        if (!readValue(value, 0))
            return m_error;
        skipBlanks();
        if (m_at != m_text.size())
            return failure("text after the report's end");
        return value;
    }

  private:
    bool fail(const std::string& what) {
        m_error = failure(what);
        return false;
    }
    std::string failure(const std::string& what) const {
        return what + " at byte " + std::to_string(m_at + 1);
    }
    void skipBlanks() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\n' ||
                                        m_text[m_at] == '\r' || m_text[m_at] == '\t'))
            ++m_at;
    }
    bool take(char c) {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    bool readString(std::string& out) {
        if (!take('"'))
            return fail("a string was expected");
        while (m_at < m_text.size() && m_text[m_at] != '"') {
            char c = m_text[m_at++];
            if (c == '\\') {
                if (m_at >= m_text.size())
                    break;
                const char e = m_text[m_at++];
                if (e == 'u') {
                    // The reports escape only control characters, which stay below 0x80.
                    unsigned code = 0;
                    if (m_at + 4 > m_text.size() ||
                        std::from_chars(m_text.data() + m_at, m_text.data() + m_at + 4, code, 16)
                                .ptr != m_text.data() + m_at + 4)
                        return fail("a bad \\u escape");
                    m_at += 4;
                    c = static_cast<char>(code < 0x80 ? code : '?');
                } else {
                    c = e == 'n'   ? '\n'
                        : e == 't' ? '\t'
                        : e == 'r' ? '\r'
                        : e == 'b' ? '\b'
                        : e == 'f' ? '\f'
                                   : e;
                }
            }
            out += c;
        }
        if (m_at >= m_text.size())
            return fail("a string does not end");
        ++m_at;
        return true;
    }
    bool readValue(JsonValue& value, int depth) {
        if (depth > 64)
            return fail("values nested too deep");
        skipBlanks();
        if (m_at >= m_text.size())
            return fail("the text ends where a value was expected");
        const char c = m_text[m_at];
        if (c == '{') {
            ++m_at;
            value.type = JsonValue::Object;
            if (take('}'))
                return true;
            do {
                std::string name;
                if (!readString(name))
                    return false;
                if (!take(':'))
                    return fail("':' was expected");
                JsonValue member;
                if (!readValue(member, depth + 1))
                    return false;
                value.members.emplace_back(std::move(name), std::move(member));
            } while (take(','));
            return take('}') || fail("',' or '}' was expected");
        }
        if (c == '[') {
            ++m_at;
            value.type = JsonValue::Array;
            if (take(']'))
                return true;
            do {
                JsonValue item;
                if (!readValue(item, depth + 1))
                    return false;
                value.items.push_back(std::move(item));
            } while (take(','));
            return take(']') || fail("',' or ']' was expected");
        }
        if (c == '"') {
            value.type = JsonValue::String;
            return readString(value.text);
        }
        for (const auto& [word, type, truth] :
             {std::tuple{"null", JsonValue::Null, false}, std::tuple{"true", JsonValue::Bool, true},
              std::tuple{"false", JsonValue::Bool, false}}) {
            if (m_text.substr(m_at, std::string_view(word).size()) == word) {
                m_at += std::string_view(word).size();
                value.type = type;
                value.number = truth ? 1 : 0;
                return true;
            }
        }
        const auto [end, error] =
            std::from_chars(m_text.data() + m_at, m_text.data() + m_text.size(), value.number);
        if (error != std::errc())
            return fail("a value was expected");
        m_at = static_cast<std::size_t>(end - m_text.data());
        value.type = JsonValue::Number;
        return true;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::string m_error;
};

// One report's part of the sum.
struct ReportCounts {
    std::vector<std::string> labels;
    std::vector<double> cells;       // n by n
    std::vector<double> mappedAreas; // empty without area-weighted estimates
    std::vector<double> mapPixels;   // empty without a source record that holds them
    const JsonValue* source = nullptr;
    bool mapAsStrata = false; // its points were stratified by the map's classes
};

std::variant<ReportCounts, std::string> countsOf(const JsonValue& report) {
    ReportCounts counts;
    const JsonValue* matrix = report.find("matrix");
    const JsonValue* classes = report.find("classes");
    if (report.type != JsonValue::Object || matrix == nullptr || classes == nullptr ||
        matrix->type != JsonValue::Array || classes->type != JsonValue::Array)
        return std::string("it is no report of brennic-kappa --report --format json (it has no "
                           "\"matrix\" and \"classes\")");
    const std::size_t n = classes->items.size();
    for (const JsonValue& entry : classes->items) {
        const JsonValue* label = entry.find("label");
        if (label == nullptr || label->type != JsonValue::String)
            return std::string("a class has no label");
        counts.labels.push_back(label->text);
    }
    if (matrix->items.size() != n)
        return "its matrix has " + std::to_string(matrix->items.size()) + " rows for " +
               std::to_string(n) + " classes";
    for (const JsonValue& row : matrix->items) {
        if (row.type != JsonValue::Array || row.items.size() != n)
            return "a row of its matrix does not have " + std::to_string(n) + " cells";
        for (const JsonValue& cell : row.items) {
            if (cell.type != JsonValue::Number || !(cell.number >= 0))
                return std::string("a cell of its matrix is not a count");
            counts.cells.push_back(cell.number);
        }
    }
    if (const JsonValue* area = report.find("area_weighted")) {
        if (const JsonValue* areaClasses = area->find("classes")) {
            for (const JsonValue& entry : areaClasses->items) {
                const JsonValue* mapped = entry.find("mapped_area");
                if (mapped == nullptr || mapped->type != JsonValue::Number)
                    return std::string("a class of its area-weighted estimates has no mapped area");
                counts.mappedAreas.push_back(mapped->number);
            }
            if (counts.mappedAreas.size() != n)
                counts.mappedAreas.clear();
        }
    }
    counts.source = report.find("source");
    // Strata of a raster of their own are known only by their counts in the section,
    // which adding the matrices would lose.
    if (counts.source != nullptr && counts.source->find("strata") != nullptr)
        return std::string("its points were stratified by --strata, and such reports are not "
                           "added (their strata are not in the matrix)");
    counts.mapAsStrata = report.find("stratified") != nullptr;
    if (counts.source != nullptr)
        if (const JsonValue* pixels = counts.source->find("map_pixels");
            pixels != nullptr && pixels->items.size() == n)
            for (const JsonValue& p : pixels->items)
                counts.mapPixels.push_back(p.number);
    return counts;
}

std::uint64_t sourceCount(const JsonValue* source, std::string_view key, bool leftOut) {
    if (source == nullptr)
        return 0;
    if (leftOut) {
        source = source->find("left_out");
        if (source == nullptr)
            return 0;
    }
    const JsonValue* value = source->find(key);
    return value != nullptr && value->type == JsonValue::Number
               ? static_cast<std::uint64_t>(value->number)
               : 0;
}

} // namespace

std::variant<CountedInput, InputError> SumReports(const std::vector<std::string>& paths) {
    if (paths.empty())
        return InputError{InputError::BadInput, "--sum needs the JSON reports to add"};
    std::vector<ReportCounts> reports;
    std::vector<JsonValue> values; // kept for the source records the counts point into
    values.reserve(paths.size());
    for (const std::string& path : paths) {
        errno = 0;
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return InputError{InputError::ReadError, "cannot read " + path + ": " +
                                                SystemReason(errno != 0 ? errno : EIO)};
        std::ostringstream bytes;
        bytes << file.rdbuf();
        if (file.bad())
            return InputError{InputError::ReadError, "cannot read " + path};
        auto parsed = JsonReader(bytes.str()).read();
        if (auto* error = std::get_if<std::string>(&parsed))
            return InputError{InputError::BadInput, path + " is no JSON report: " + *error};
        values.push_back(std::move(std::get<JsonValue>(parsed)));
        auto counts = countsOf(values.back());
        if (auto* error = std::get_if<std::string>(&counts))
            return InputError{InputError::BadInput, "cannot add " + path + ": " + *error};
        reports.push_back(std::move(std::get<ReportCounts>(counts)));
    }

    // The classes of all reports, matched by label.
    std::vector<std::string> labels;
    for (const ReportCounts& r : reports)
        for (const std::string& label : r.labels)
            if (std::find(labels.begin(), labels.end(), label) == labels.end())
                labels.push_back(label);
    if (std::all_of(labels.begin(), labels.end(),
                    [](const std::string& l) { return NumberOfText(l, '.').has_value(); }))
        std::stable_sort(labels.begin(), labels.end(),
                         [](const std::string& a, const std::string& b) {
                             return *NumberOfText(a, '.') < *NumberOfText(b, '.');
                         });
    if (labels.size() > 254)
        return InputError{InputError::BadInput, "the reports hold " + std::to_string(labels.size()) +
                                           " classes; at most 254 are allowed"};
    const std::size_t n = labels.size();
    const auto indexOf = [&](const std::string& label) {
        return static_cast<std::size_t>(std::find(labels.begin(), labels.end(), label) -
                                        labels.begin());
    };
    std::vector<double> cells(n * n, 0.0), areas(n, 0.0), pixels(n, 0.0);
    bool allAreas = true, allPixels = true, allMapAsStrata = true;
    SourceRecord source;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const ReportCounts& r = reports[i];
        const std::size_t m = r.labels.size();
        for (std::size_t row = 0; row < m; ++row)
            for (std::size_t col = 0; col < m; ++col)
                cells[indexOf(r.labels[row]) * n + indexOf(r.labels[col])] +=
                    r.cells[row * m + col];
        allAreas = allAreas && !r.mappedAreas.empty();
        allPixels = allPixels && !r.mapPixels.empty();
        allMapAsStrata = allMapAsStrata && r.mapAsStrata;
        for (std::size_t k = 0; k < m && allAreas; ++k)
            areas[indexOf(r.labels[k])] += r.mappedAreas[k];
        for (std::size_t k = 0; k < m && allPixels; ++k)
            pixels[indexOf(r.labels[k])] += r.mapPixels[k];
        source.counted += sourceCount(r.source, "counted", false);
        source.outside += sourceCount(r.source, "outside", true);
        source.nodata += sourceCount(r.source, "nodata", true);
        source.empty += sourceCount(r.source, "empty", true);
        if (r.source != nullptr && source.areaUnit.empty())
            if (const JsonValue* unit = r.source->find("area_unit"))
                source.areaUnit = unit->text;
    }
    if (n < 2)
        return InputError{InputError::BadInput, "the reports hold " + std::to_string(n) +
                                           (n == 1 ? " class" : " classes") +
                                           "; an error matrix needs at least 2"};
    CountedInput input{LabelledMatrix{ErrorMatrix(static_cast<int>(n)), labels, 0}, source,
                   std::nullopt, std::nullopt, allMapAsStrata};
    for (std::size_t row = 0; row < n; ++row)
        for (std::size_t col = 0; col < n; ++col)
            input.labelled.matrix.set(static_cast<int>(row + 1), static_cast<int>(col + 1),
                                      cells[row * n + col]);
    FormTotals(input.labelled.matrix);
    input.source.map = "the sum of " + std::to_string(paths.size()) + " reports";
    input.source.reference = input.source.map;
    if (allAreas)
        input.mappedAreas = areas;
    else
        input.source.areaUnit.clear();
    if (allPixels)
        for (double p : pixels)
            input.source.mapPixels.push_back(static_cast<std::uint64_t>(p));
    return input;
}

} // namespace brennic
