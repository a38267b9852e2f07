// Turns the command line's map options into a count request and the count into
// the labelled matrix that every output of brennic-kappa is written from.
#include "cli/gdal_map_counting.h"

#include <algorithm>
#include <chrono>

#include "cli/cli.h"
#include "core/limits.h"

namespace brennic {
namespace {

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TerminalProgress::TerminalProgress(std::ostream& err, double delaySeconds)
    : m_err(err), m_start(secondsNow()), m_delay(delaySeconds) {}

void TerminalProgress::Progress(double fraction) {
    if (m_shown < 0 && secondsNow() - m_start < m_delay)
        return;
    const int step = static_cast<int>(fraction * 40.0 + 1e-9);
    for (int s = m_shown + 1; s <= step && s <= 40; ++s)
        m_err << (s % 4 == 0 ? std::to_string(s / 4 * 10) : std::string("."));
    if (step > m_shown) {
        m_shown = step;
        if (m_shown >= 40)
            m_err << " - done.\n";
        m_err.flush();
    }
}

void TerminalProgress::Finish() {
    if (m_shown >= 0 && m_shown < 40)
        m_err << '\n';
}

namespace {

// The count request of the command line's map options and --classes.
std::variant<MapRequest, InputError>
requestOf(const MapOptions& options, const std::optional<std::vector<std::string>>& classes) {
    MapRequest request;
    request.mapPath = options.map;
    request.referencePath = options.reference;
    request.comparedPath = options.compareMap;
    request.mapBand = options.mapBand;
    request.referenceBand = options.referenceBand;
    request.nodata = options.nodata;
    request.referenceField = options.referenceField;
    request.referenceLayer = options.referenceLayer;
    request.referenceCrs = options.referenceCrs;
    request.threads = options.threads;
    request.strataPath = options.strata;
    request.align = options.align;
    for (const auto& [value, name] : options.classNames)
        request.classNames.emplace(static_cast<double>(value), name);
    if (options.window) {
        const auto& w = *options.window;
        request.window = PixelWindow{w[0], w[1], w[2], w[3]};
    }
    if (classes) {
        std::vector<double> values;
        for (std::size_t i = 0; i < classes->size(); ++i) {
            const std::optional<double> value = ClassOfText((*classes)[i]);
            if (!value || *value != static_cast<double>(static_cast<long long>(*value)))
                return InputError{InputError::BadInput,
                                  "class " + std::to_string(i + 1) +
                                      " of --classes is no whole number: " + (*classes)[i] +
                                      " (the maps' classes are their values)"};
            values.push_back(*value);
        }
        request.classes = std::move(values);
    }
    return request;
}

// The map's matrix `counts` with the labels of the classes and the source record.
std::variant<CountedInput, InputError> countedOf(const MapOptions& options, const MapCount& c,
                                                 const std::vector<std::uint64_t>& counts) {
    const int n = static_cast<int>(c.classValues.size());
    // A window may hold one class, or none but no-data (ocean, an empty tile): its
    // report is still a part that --sum adds. The whole map needs two classes.
    if (n < MinMatrixSize && !options.window)
        return InputError{InputError::BadInput,
                          "the maps give " + std::to_string(n) + (n == 1 ? " class" : " classes") +
                              " (" + std::to_string(c.source.counted) +
                              " pairs counted); an error matrix needs at least 2"};
    CountedInput input{
        LabelledMatrix{ErrorMatrix(n), {}, 0}, {}, std::nullopt, std::nullopt, false};
    for (int row = 1; row <= n; ++row)
        for (int col = 1; col <= n; ++col)
            input.labelled.matrix.set(
                row, col,
                static_cast<double>(counts[static_cast<std::size_t>((row - 1) * n + col - 1)]));
    FormTotals(input.labelled.matrix);
    // A class is labelled by its name where it has one; its value then goes
    // beside it into the report.
    for (std::size_t k = 0; k < c.classValues.size(); ++k)
        input.labelled.labels.push_back(c.classNames[k].empty() ? ClassLabel(c.classValues[k])
                                                                : c.classNames[k]);
    if (std::any_of(c.classNames.begin(), c.classNames.end(),
                    [](const std::string& name) { return !name.empty(); }))
        input.namedValues = c.classValues;
    input.source.map = options.map;
    input.source.reference = options.reference;
    input.source.referenceField = c.referenceField;
    input.source.counted = c.source.counted;
    input.source.outside = c.source.outside;
    input.source.nodata = c.source.nodata;
    input.source.empty = c.source.empty;
    input.source.masked = c.source.masked;
    input.source.mapPixels = c.mapPixels;
    if (c.areas) {
        input.mappedAreas = c.areas->perClass;
        input.source.areaUnit = c.areas->unit;
    }
    input.source.strata = options.strata;
    input.source.aligned = options.align;
    input.source.window = {c.window.xOffset, c.window.yOffset, c.window.xSize, c.window.ySize};
    input.source.mapBand = options.mapBand;
    input.source.referenceBand = c.pointReference ? 0 : options.referenceBand;
    input.source.mapNodata = c.mapNodata;
    input.source.referenceNodata = c.referenceNodata;
    input.source.layer = c.layer;
    input.mapAsStrata = c.pointReference && !c.strata;
    if (c.strata) {
        StratifiedSample& s = input.stratified.emplace();
        for (std::size_t h = 0; h < c.strata->values.size(); ++h) {
            s.strata.push_back(ClassLabel(c.strata->values[h]));
            s.stratumSizes.push_back(static_cast<double>(c.strata->pixels[h]));
        }
        s.classes = c.classValues.size();
        s.classLabels = input.labelled.labels;
        for (const MapStrata::Cell& cell : c.strata->cells)
            s.cells.push_back(
                {cell.stratum, cell.map, cell.reference, static_cast<double>(cell.count)});
    }
    return input;
}

} // namespace

// Runs `work` with progress shown on a terminal, unless `quiet`.
template <typename Work> auto GdalMapCounting::showing(bool quiet, Work work) {
    TerminalProgress terminal(m_err);
    NoProgress silent;
    const bool show = m_showProgress && !quiet;
    auto result = work(show ? static_cast<ProgressSink&>(terminal) : silent);
    if (show)
        terminal.Finish();
    return result;
}

std::variant<DrawnSample, InputError> GdalMapCounting::Draw(const DrawRequest& request) {
    return showing(request.quiet,
                   [&](ProgressSink& progress) { return DrawPixels(request, progress); });
}

std::variant<StrataAreas, InputError> GdalMapCounting::Areas(const DrawRequest& request,
                                                             const std::vector<double>& pixels) {
    return showing(request.quiet, [&](ProgressSink& progress) {
        return AreasOfStrata(request, pixels, progress);
    });
}

std::variant<CountedInput, InputError>
GdalMapCounting::Count(const MapOptions& options,
                       const std::optional<std::vector<std::string>>& classes) {
    auto counted = countMaps(options, classes);
    if (auto* error = std::get_if<InputError>(&counted))
        return std::move(*error);
    const MapCount& c = std::get<MapCount>(counted);
    return countedOf(options, c, c.counts);
}

std::variant<ComparedMapCounts, InputError>
GdalMapCounting::CountCompared(const MapOptions& options,
                               const std::optional<std::vector<std::string>>& classes) {
    auto counted = countMaps(options, classes);
    if (auto* error = std::get_if<InputError>(&counted))
        return std::move(*error);
    const MapCount& c = std::get<MapCount>(counted);
    auto a = countedOf(options, c, c.counts);
    if (auto* error = std::get_if<InputError>(&a))
        return std::move(*error);
    // The compared map's count: its own matrix, pixels, areas, no-data values
    // and band, and with strata its own cells of the same strata.
    MapCount second = c;
    second.mapPixels = c.compared->mapPixels;
    second.areas = c.compared->areas;
    second.mapNodata = c.compared->nodata;
    if (second.strata) {
        second.strata->cells.clear();
        for (const ComparedCount::Cell& cell : c.compared->cells)
            second.strata->cells.push_back(
                {cell.stratum, cell.compared, cell.reference, cell.count});
    }
    MapOptions secondOptions = options;
    secondOptions.map = options.compareMap;
    auto b = countedOf(secondOptions, second, c.compared->counts);
    if (auto* error = std::get_if<InputError>(&b))
        return std::move(*error);
    ComparedMapCounts out{
        std::move(std::get<CountedInput>(a)), std::move(std::get<CountedInput>(b)), {}};
    out.compared.classes = c.classValues.size();
    out.compared.classLabels = out.a.labelled.labels;
    // Points in strata are compared in the strata of the maps' own reports.
    if (out.a.stratified) {
        out.compared.strata = out.a.stratified->strata;
        out.compared.stratumSizes = out.a.stratified->stratumSizes;
    }
    for (const ComparedCount::Cell& cell : c.compared->cells)
        out.compared.cells.push_back({cell.stratum, cell.map, cell.compared, cell.reference,
                                      static_cast<double>(cell.count)});
    return out;
}

std::variant<MapCount, InputError>
GdalMapCounting::countMaps(const MapOptions& options,
                           const std::optional<std::vector<std::string>>& classes) {
    auto request = requestOf(options, classes);
    if (auto* error = std::get_if<InputError>(&request))
        return std::move(*error);
    auto counted = showing(options.quiet, [&](ProgressSink& progress) {
        return CountMaps(std::get<MapRequest>(request), progress);
    });
    if (const auto* c = std::get_if<MapCount>(&counted))
        for (const std::string& warning : c->warnings)
            WriteWarning(m_err, warning);
    return counted;
}

} // namespace brennic
