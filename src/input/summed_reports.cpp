// Adds the matrices of JSON reports, read with nlohmann's JSON library.
#include "input/summed_reports.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <memory>
#include <optional>

#include "input/byte_source.h"
#include "input/json_report.h"

#include "core/file_system.h"
#include "core/number_text.h"
#include "core/run.h"

namespace brennic {
namespace {

// A count as the reports write it: a whole number, read exactly also beyond 2^53.
std::uint64_t countOf(const Json* value) {
    if (value == nullptr || !value->is_number())
        return 0;
    if (value->is_number_unsigned())
        return value->get<std::uint64_t>();
    return static_cast<std::uint64_t>(value->get<double>());
}

// One report's part of the sum.
struct ReportCounts {
    std::vector<std::string> labels;
    std::vector<double> cells; // n by n
    // Each known apart from its size: a window without classes has them, empty.
    std::optional<std::vector<double>> mappedAreas;      // with area-weighted estimates
    std::optional<std::vector<std::uint64_t>> mapPixels; // with a source record that holds them
    const Json* source = nullptr;
    bool mapAsStrata = false; // its points were stratified by the map's classes
};

std::variant<ReportCounts, std::string> countsOf(const Json& report) {
    ReportCounts counts;
    const Json* matrix = MemberOf(&report, "matrix");
    const Json* classes = MemberOf(&report, "classes");
    if (matrix == nullptr || classes == nullptr || !matrix->is_array() || !classes->is_array())
        return std::string("it is no report of brennic-kappa --report --format json (it has no "
                           "\"matrix\" and \"classes\")");
    const std::size_t n = classes->size();
    for (const Json& entry : *classes) {
        const Json* label = MemberOf(&entry, "label");
        if (label == nullptr || !label->is_string())
            return std::string("a class has no label");
        counts.labels.push_back(label->get<std::string>());
    }
    if (matrix->size() != n)
        return "its matrix has " + std::to_string(matrix->size()) + " rows for " +
               std::to_string(n) + " classes";
    for (const Json& row : *matrix) {
        if (!row.is_array() || row.size() != n)
            return "a row of its matrix does not have " + std::to_string(n) + " cells";
        for (const Json& cell : row) {
            if (!cell.is_number() || !(cell.get<double>() >= 0))
                return std::string("a cell of its matrix is not a count");
            counts.cells.push_back(cell.get<double>());
        }
    }
    if (const Json* areaClasses = MemberOf(MemberOf(&report, "area_weighted"), "classes");
        areaClasses != nullptr && areaClasses->is_array()) {
        std::vector<double> areas;
        for (const Json& entry : *areaClasses) {
            const Json* mapped = MemberOf(&entry, "mapped_area");
            if (mapped == nullptr || !mapped->is_number())
                return std::string("a class of its area-weighted estimates has no mapped area");
            areas.push_back(mapped->get<double>());
        }
        if (areas.size() == n)
            counts.mappedAreas = std::move(areas);
    }
    counts.source = MemberOf(&report, "source");
    // The map's areas as it gave them, where the report shows them in another unit.
    if (const Json* areas = MemberOf(counts.source, "mapped_areas");
        areas != nullptr && areas->is_array() && areas->size() == n) {
        counts.mappedAreas.emplace();
        for (const Json& area : *areas) {
            if (!area.is_number())
                return std::string("a mapped area of its source is not a number");
            counts.mappedAreas->push_back(area.get<double>());
        }
    }
    // Strata of a raster of their own are known only by their counts in the section,
    // which adding the matrices would lose.
    if (MemberOf(counts.source, "strata") != nullptr)
        return std::string("its points were stratified by --strata, and such reports are not "
                           "added (their strata are not in the matrix)");
    counts.mapAsStrata = MemberOf(&report, "stratified") != nullptr;
    if (const Json* pixels = MemberOf(counts.source, "map_pixels");
        pixels != nullptr && pixels->is_array() && pixels->size() == n) {
        counts.mapPixels.emplace();
        for (const Json& p : *pixels)
            counts.mapPixels->push_back(countOf(&p));
    }
    return counts;
}

// Where a report's counts came from, for a count from maps that records it: the
// source (its record without counts and window, the same for every window of
// one map read the same way) and the window.
struct CountedFrom {
    std::string source;
    std::array<std::uint64_t, 4> window{};
};

std::optional<CountedFrom> countedFrom(const Json* source) {
    const Json* window = MemberOf(source, "window");
    if (window == nullptr || !window->is_array() || window->size() != 4)
        return std::nullopt;
    CountedFrom from;
    for (std::size_t k = 0; k < 4; ++k) {
        if (!(*window)[k].is_number_unsigned())
            return std::nullopt;
        from.window[k] = (*window)[k].get<std::uint64_t>();
    }
    Json rest = *source;
    for (const char* counts :
         {"counted", "left_out", "area_unit", "map_pixels", "mapped_areas", "window"})
        rest.erase(counts);
    from.source = rest.dump();
    return from;
}

std::string windowText(const std::array<std::uint64_t, 4>& w) {
    return std::to_string(w[0]) + "," + std::to_string(w[1]) + "," + std::to_string(w[2]) + "," +
           std::to_string(w[3]);
}

bool overlap(const std::array<std::uint64_t, 4>& a, const std::array<std::uint64_t, 4>& b) {
    return a[0] < b[0] + b[2] && b[0] < a[0] + a[2] && a[1] < b[1] + b[3] && b[1] < a[1] + a[3];
}

// The first report whose window is one that an earlier report of the same
// source already holds, whole or in part: its pixels would be counted twice.
std::optional<InputError> windowsCountedTwice(const std::vector<std::string>& paths,
                                              const std::vector<ReportCounts>& reports,
                                              const std::vector<std::optional<CountedFrom>>& from) {
    for (std::size_t j = 0; j < from.size(); ++j)
        for (std::size_t i = 0; i < j && from[j]; ++i) {
            if (!from[i] || from[i]->source != from[j]->source ||
                !overlap(from[i]->window, from[j]->window))
                continue;
            const Json* named = MemberOf(reports[j].source, "map");
            const std::string map = named != nullptr && named->is_string()
                                        ? named->get<std::string>()
                                        : std::string("its map");
            if (from[i]->window == from[j]->window)
                return InputError{InputError::BadInput,
                                  "cannot add " + paths[j] + ": it is a report of the window " +
                                      windowText(from[j]->window) + " of " + map + ", as " +
                                      paths[i] + " is; each window is added once"};
            return InputError{InputError::BadInput, "cannot add " + paths[j] + ": its window " +
                                                        windowText(from[j]->window) + " of " + map +
                                                        " overlaps the window " +
                                                        windowText(from[i]->window) + " of " +
                                                        paths[i] + ", and a pixel is counted once"};
        }
    return std::nullopt;
}

std::uint64_t sourceCount(const Json* source, const char* key, bool leftOut) {
    return countOf(MemberOf(leftOut ? MemberOf(source, "left_out") : source, key));
}

} // namespace

std::variant<Json, InputError> ParseJsonReport(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    if (auto* error = std::get_if<InputError>(&bytes))
        return *error;
    try {
        return Json::parse(std::get<std::string>(bytes));
    } catch (const Json::parse_error& error) {
        return InputError{InputError::BadInput, path +
                                                    " is no JSON report: it is no JSON at byte " +
                                                    std::to_string(error.byte)};
    }
}

std::variant<CountedInput, InputError> SumReports(const std::vector<std::string>& paths) {
    if (paths.empty())
        return InputError{InputError::BadInput, "--sum needs the JSON reports to add"};
    std::vector<ReportCounts> reports;
    std::vector<Json> values; // kept for the source records the counts point into
    values.reserve(paths.size());
    for (const std::string& path : paths) {
        auto parsed = ParseJsonReport(path);
        if (auto* error = std::get_if<InputError>(&parsed))
            return *error;
        values.push_back(std::move(std::get<Json>(parsed)));
        auto counts = countsOf(values.back());
        if (auto* error = std::get_if<std::string>(&counts))
            return InputError{InputError::BadInput, "cannot add " + path + ": " + *error};
        reports.push_back(std::move(std::get<ReportCounts>(counts)));
    }

    std::vector<std::optional<CountedFrom>> from;
    for (const ReportCounts& r : reports)
        from.push_back(countedFrom(r.source));
    if (auto twice = windowsCountedTwice(paths, reports, from))
        return std::move(*twice);

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
    if (labels.size() > static_cast<std::size_t>(MaxMatrixSize))
        return InputError{InputError::BadInput, "the reports hold " +
                                                    std::to_string(labels.size()) +
                                                    " classes; at most " +
                                                    std::to_string(MaxMatrixSize) + " are allowed"};
    const std::size_t n = labels.size();
    const auto indexOf = [&](const std::string& label) {
        return static_cast<std::size_t>(std::find(labels.begin(), labels.end(), label) -
                                        labels.begin());
    };
    std::vector<double> cells(n * n, 0.0), areas(n, 0.0);
    std::vector<std::uint64_t> pixels(n, 0);
    bool allAreas = true, allPixels = true, allMapAsStrata = true;
    SourceRecord source;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const ReportCounts& r = reports[i];
        const std::size_t m = r.labels.size();
        for (std::size_t row = 0; row < m; ++row)
            for (std::size_t col = 0; col < m; ++col)
                cells[indexOf(r.labels[row]) * n + indexOf(r.labels[col])] +=
                    r.cells[row * m + col];
        allAreas = allAreas && r.mappedAreas.has_value();
        allPixels = allPixels && r.mapPixels.has_value();
        allMapAsStrata = allMapAsStrata && r.mapAsStrata;
        for (std::size_t k = 0; k < m && allAreas; ++k)
            areas[indexOf(r.labels[k])] += (*r.mappedAreas)[k];
        for (std::size_t k = 0; k < m && allPixels; ++k)
            pixels[indexOf(r.labels[k])] += (*r.mapPixels)[k];
        source.counted += sourceCount(r.source, "counted", false);
        // The points off the map are the same in each window of one source:
        // counted once.
        const std::uint64_t outside = sourceCount(r.source, "outside", true);
        const auto sameSource = [&](std::size_t j) {
            return from[i] && from[j] && from[j]->source == from[i]->source;
        };
        std::size_t first = 0;
        while (first < i && !sameSource(first))
            ++first;
        if (first == i)
            source.outside += outside;
        else if (const std::uint64_t before = sourceCount(reports[first].source, "outside", true);
                 before != outside)
            return InputError{InputError::BadInput,
                              "cannot add " + paths[i] + ": it counts " + std::to_string(outside) +
                                  " points outside the map, and " + paths[first] + ", of the " +
                                  "same map and points, " + std::to_string(before) +
                                  ": they are not of the same points"};
        source.nodata += sourceCount(r.source, "nodata", true);
        source.empty += sourceCount(r.source, "empty", true);
        source.masked += sourceCount(r.source, "masked", true);
        if (const Json* unit = MemberOf(r.source, "area_unit");
            unit != nullptr && unit->is_string() && source.areaUnit.empty())
            source.areaUnit = unit->get<std::string>();
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
        input.source.mapPixels = std::move(pixels);
    return input;
}

} // namespace brennic
