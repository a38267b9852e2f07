// Adds the matrices of JSON reports, read with nlohmann's JSON library.
#include "input/summed_reports.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
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
    // Its source record, kept apart from the rest of the report, which is let go.
    std::unique_ptr<Json> ownSource;
    const Json* source = nullptr;
    bool mapAsStrata = false; // its points were stratified by the map's classes
    // Its points' strata of a raster of their own: each stratum's label, size and
    // units of each pair of classes (stratum, map class, reference class, from 0).
    struct Strata {
        std::vector<std::string> labels;
        std::vector<double> sizes;
        std::vector<StratifiedCell> units;
    };
    std::optional<Strata> strata;
};

// The strata of a report whose points --strata stratified, as its section gives them.
std::variant<ReportCounts::Strata, std::string> strataOf(const Json& report, std::size_t classes) {
    const Json* strata = MemberOf(MemberOf(&report, "stratified"), "strata");
    if (strata == nullptr || !strata->is_array())
        return std::string("its points were stratified by --strata, but it has no "
                           "\"stratified\" \"strata\"");
    ReportCounts::Strata out;
    for (const Json& stratum : *strata) {
        const Json* label = MemberOf(&stratum, "label");
        const Json* size = MemberOf(&stratum, "size");
        const Json* units = MemberOf(&stratum, "units");
        if (label == nullptr || !label->is_string() || size == nullptr || !size->is_number())
            return std::string("a stratum of its \"stratified\" section has no label or size");
        if (units == nullptr || !units->is_array())
            return "its stratum " + label->get<std::string>() +
                   " has no \"units\" of each pair of classes (count its window again to add it)";
        const std::size_t h = out.labels.size();
        out.labels.push_back(label->get<std::string>());
        out.sizes.push_back(size->get<double>());
        for (const Json& cell : *units) {
            const auto classOf = [&](std::size_t at) -> std::optional<std::size_t> {
                if (!cell[at].is_number_unsigned())
                    return std::nullopt;
                const auto k = cell[at].get<std::uint64_t>();
                return k >= 1 && k <= classes ? std::optional(static_cast<std::size_t>(k - 1))
                                              : std::nullopt;
            };
            const auto map = cell.is_array() && cell.size() == 3 ? classOf(0) : std::nullopt;
            const auto reference = map ? classOf(1) : std::nullopt;
            if (!reference || !cell[2].is_number() || !(cell[2].get<double>() >= 0))
                return "a unit count of its stratum " + out.labels.back() +
                       " is not [map class, reference class, units] of its classes";
            out.units.push_back({h, *map, *reference, cell[2].get<double>()});
        }
    }
    return out;
}

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
    if (const Json* source = MemberOf(&report, "source")) {
        counts.ownSource = std::make_unique<Json>(*source);
        counts.source = counts.ownSource.get();
    }
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
    // Strata of a raster of their own are known only by their counts in the section.
    if (MemberOf(counts.source, "strata") != nullptr) {
        auto strata = strataOf(report, n);
        if (auto* error = std::get_if<std::string>(&strata))
            return *error;
        counts.strata = std::move(std::get<ReportCounts::Strata>(strata));
    }
    counts.mapAsStrata = !counts.strata && MemberOf(&report, "stratified") != nullptr;
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
    std::size_t hash = 0; // of the source, to tell most sources apart at once
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
    from.hash = std::hash<std::string>{}(from.source);
    return from;
}

std::string windowText(const std::array<std::uint64_t, 4>& w) {
    return std::to_string(w[0]) + "," + std::to_string(w[1]) + "," + std::to_string(w[2]) + "," +
           std::to_string(w[3]);
}

// The labels of all reports, each once: in numeric order where every label is
// a number, otherwise in the order first met.
template <class LabelsOf>
std::vector<std::string> labelsOf(const std::vector<ReportCounts>& reports, LabelsOf of) {
    std::vector<std::string> labels;
    for (const ReportCounts& r : reports)
        if (const std::vector<std::string>* own = of(r))
            for (const std::string& label : *own)
                if (std::find(labels.begin(), labels.end(), label) == labels.end())
                    labels.push_back(label);
    if (std::all_of(labels.begin(), labels.end(),
                    [](const std::string& l) { return NumberOfText(l, '.').has_value(); }))
        std::stable_sort(labels.begin(), labels.end(),
                         [](const std::string& a, const std::string& b) {
                             return *NumberOfText(a, '.') < *NumberOfText(b, '.');
                         });
    return labels;
}

std::size_t placeOf(const std::vector<std::string>& labels, const std::string& label) {
    return static_cast<std::size_t>(std::find(labels.begin(), labels.end(), label) -
                                    labels.begin());
}

// The strata of all reports added by label: their sizes, and their units by
// stratum and pair of classes, in the order a count of the whole gives them.
std::variant<StratifiedSample, InputError> summedStrata(const std::vector<std::string>& paths,
                                                        const std::vector<ReportCounts>& reports,
                                                        const std::vector<std::string>& labels) {
    const auto stratified = std::find_if(
        reports.begin(), reports.end(), [](const ReportCounts& r) { return r.strata.has_value(); });
    for (std::size_t i = 0; i < reports.size(); ++i)
        if (!reports[i].strata)
            return InputError{InputError::BadInput,
                              "cannot add " + paths[i] +
                                  ": its points were not stratified by "
                                  "--strata, as those of " +
                                  paths[static_cast<std::size_t>(stratified - reports.begin())] +
                                  " were"};
    StratifiedSample sample;
    sample.strata = labelsOf(reports, [](const ReportCounts& r) { return &r.strata->labels; });
    sample.stratumSizes.assign(sample.strata.size(), 0.0);
    sample.classes = labels.size();
    sample.classLabels = labels;
    std::map<std::array<std::size_t, 3>, double> units;
    for (const ReportCounts& r : reports) {
        for (std::size_t h = 0; h < r.strata->labels.size(); ++h)
            sample.stratumSizes[placeOf(sample.strata, r.strata->labels[h])] += r.strata->sizes[h];
        for (const StratifiedCell& cell : r.strata->units)
            units[{placeOf(sample.strata, r.strata->labels[cell.stratum]),
                   placeOf(labels, r.labels[cell.map]),
                   placeOf(labels, r.labels[cell.reference])}] += cell.count;
    }
    for (const auto& [key, count] : units)
        sample.cells.push_back({key[0], key[1], key[2], count});
    return sample;
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
            if (!from[i] || !overlap(from[i]->window, from[j]->window) ||
                from[i]->hash != from[j]->hash || from[i]->source != from[j]->source)
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

// The rectangle that the windows of reports of one source tile without a gap
// (they do not overlap); none where they are of several sources or leave one.
std::optional<std::array<std::uint64_t, 4>>
tiledWindow(const std::vector<std::optional<CountedFrom>>& from) {
    if (from.empty() || !std::all_of(from.begin(), from.end(), [&](const auto& f) {
            return f && f->source == from.front()->source;
        }))
        return std::nullopt;
    std::uint64_t x0 = UINT64_MAX, y0 = UINT64_MAX, x1 = 0, y1 = 0, pixels = 0;
    for (const auto& f : from) {
        const auto& w = f->window;
        x0 = std::min(x0, w[0]);
        y0 = std::min(y0, w[1]);
        x1 = std::max(x1, w[0] + w[2]);
        y1 = std::max(y1, w[1] + w[3]);
        pixels += w[2] * w[3];
    }
    if (pixels != (x1 - x0) * (y1 - y0))
        return std::nullopt;
    return std::array<std::uint64_t, 4>{x0, y0, x1 - x0, y1 - y0};
}

// What a count from maps read, from its report's source record: the record a
// count of the rectangle its windows tile gives.
void countedFromRecord(const Json* source, const std::array<std::uint64_t, 4>& window,
                       SourceRecord& out) {
    const auto text = [&](const char* key) {
        const Json* value = MemberOf(source, key);
        return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
    };
    const auto band = [&](const char* key) {
        const Json* value = MemberOf(source, key);
        return value != nullptr && value->is_number_integer() ? value->get<int>() : 0;
    };
    const auto nodata = [&](const char* side) {
        std::vector<double> values;
        if (const Json* all = MemberOf(MemberOf(source, "nodata"), side);
            all != nullptr && all->is_array())
            for (const Json& value : *all)
                values.push_back(value.is_number() ? value.get<double>()
                                                   : std::numeric_limits<double>::quiet_NaN());
        return values;
    };
    out.map = text("map");
    out.reference = text("reference");
    out.referenceField = text("reference_field");
    out.strata = text("strata");
    out.aligned = text("aligned");
    out.layer = text("layer");
    out.mapBand = band("map_band");
    out.referenceBand = band("reference_band");
    out.mapNodata = nodata("map");
    out.referenceNodata = nodata("reference");
    out.window = {static_cast<std::int64_t>(window[0]), static_cast<std::int64_t>(window[1]),
                  static_cast<std::int64_t>(window[2]), static_cast<std::int64_t>(window[3])};
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
    for (const std::string& path : paths) {
        auto parsed = ParseJsonReport(path);
        if (auto* error = std::get_if<InputError>(&parsed))
            return *error;
        auto counts = countsOf(std::get<Json>(parsed));
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
    const std::vector<std::string> labels =
        labelsOf(reports, [](const ReportCounts& r) { return &r.labels; });
    if (labels.size() > static_cast<std::size_t>(MaxMatrixSize))
        return InputError{InputError::BadInput, "the reports hold " +
                                                    std::to_string(labels.size()) +
                                                    " classes; at most " +
                                                    std::to_string(MaxMatrixSize) + " are allowed"};
    const std::size_t n = labels.size();
    const auto indexOf = [&](const std::string& label) { return placeOf(labels, label); };
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
    if (std::any_of(reports.begin(), reports.end(),
                    [](const ReportCounts& r) { return r.strata.has_value(); })) {
        auto strata = summedStrata(paths, reports, labels);
        if (auto* error = std::get_if<InputError>(&strata))
            return std::move(*error);
        input.stratified = std::move(std::get<StratifiedSample>(strata));
    }
    for (std::size_t row = 0; row < n; ++row)
        for (std::size_t col = 0; col < n; ++col)
            input.labelled.matrix.set(static_cast<int>(row + 1), static_cast<int>(col + 1),
                                      cells[row * n + col]);
    FormTotals(input.labelled.matrix);
    // Windows of one source that tile a rectangle are the count of that rectangle.
    if (const auto whole = tiledWindow(from)) {
        countedFromRecord(reports.front().source, *whole, input.source);
    } else {
        input.source.map = "the sum of " + std::to_string(paths.size()) + " reports";
        input.source.reference = input.source.map;
    }
    if (allAreas)
        input.mappedAreas = areas;
    else
        input.source.areaUnit.clear();
    if (allPixels)
        input.source.mapPixels = std::move(pixels);
    return input;
}

} // namespace brennic
