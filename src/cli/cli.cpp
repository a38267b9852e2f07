// Reads one matrix, runs the same computation as the window program and writes
// exactly what Result.txt would hold, to standard output or to a named file; or,
// with --report, writes the full agreement report to standard output.
#include "cli/cli.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <new>
#include <numeric>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/cli_options.h"
#include "cli/help.h"
#include "cli/map_input.h"
#include "core/agreement_report.h"
#include "core/file_system.h"
#include "core/limits.h"
#include "core/number_text.h"
#include "core/run.h"
#include "input/assessed_report.h"
#include "input/byte_source.h"
#include "input/design_record.h"
#include "input/labels.h"
#include "input/mapped_areas.h"
#include "input/matrix_input.h"
#include "input/pairs_input.h"
#include "input/ratings_input.h"
#include "input/samples_input.h"
#include "input/summed_reports.h"
#include "report/design_output.h"
#include "report/report.h"
#include "report/report_writing.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

// As --version shows it, and the reports and design records name their writer.
constexpr std::string_view ProgramAndVersion = "brennic-kappa " BRENNIC_VERSION;

int fail(std::ostream& err, int status, const std::string& message) {
    err << "brennic-kappa: " << message << '\n';
    return status;
}

int fail(std::ostream& err, const InputError& error) {
    return fail(err, ExitStatusOf(error), error.message);
}

// The input or the command line refused.
int refuse(std::ostream& err, std::string message) {
    return fail(err, InputError{InputError::BadInput, std::move(message)});
}

// A file that cannot be read or written, or memory that ran out.
int failFile(std::ostream& err, std::string message) {
    return fail(err, InputError{InputError::ReadError, std::move(message)});
}

int writeOut(std::ostream& out, std::ostream& err, const std::string& bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        return failFile(err, "cannot write to standard output");
    return CliOk;
}

// A report goes to standard output, or with -o to that file: written whole
// beside it first, then given its name, so that a report it replaces is never
// left half written.
int writeReportOut(const Options& options, std::ostream& out, std::ostream& err,
                   const std::string& bytes) {
    if (!options.outputPath)
        return writeOut(out, err, bytes);
    const std::string& path = *options.outputPath;
    FileSystem& files = SystemFiles();
    if (files.Inspect(path).kind == FileKind::Other)
        return failFile(err, "cannot write " + path + ": it is a folder or no ordinary file");
    const std::string part = path + ".part";
    std::FILE* file = nullptr;
    int error = files.Open(part, FileSystem::OpenMode::Write, file);
    if (error == 0) {
        error = files.Write(file, bytes);
        const int closed = files.Close(file);
        error = error != 0 ? error : closed;
        error = error != 0 ? error : files.Rename(part, path);
        if (error != 0)
            files.Delete(part);
    }
    if (error != 0)
        return failFile(err, "cannot write " + path + ": " + SystemReason(error));
    return CliOk;
}

// The report's warnings go to standard error as well, where a script that reads
// only the figures still shows them.
void warn(std::ostream& err, const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings)
        WriteWarning(err, warning);
}

// The first negative count, row by row, as the two lines' message names it.
std::optional<std::string> negativeCount(const ErrorMatrix& m) {
    for (int row = 1; row <= m.size(); ++row)
        for (int col = 1; col <= m.size(); ++col)
            if (m.x(row, col) < 0.0)
                return "Negative counts are in the matrix (the first is " +
                       ShortestNumber(m.x(row, col)) + " in row " + std::to_string(row) +
                       ", column " + std::to_string(col) +
                       "), and a count is never negative: the report needs counts.";
    return std::nullopt;
}

// The stratification of points counted from maps: that of --strata, or else the
// map's own classes with their pixels as the sizes, the case of Olofsson et al.
// within Stehman's estimators. None for a reference raster, which is no sample.
std::optional<StratifiedSample> mapStratification(const Options& options,
                                                  const CountedInput& maps) {
    std::optional<StratifiedSample> sample = maps.stratified;
    const LabelledMatrix& labelled = maps.labelled;
    const auto n = static_cast<std::size_t>(labelled.matrix.size());
    if (!sample && maps.mapAsStrata && maps.source.mapPixels &&
        maps.source.mapPixels->size() == n && labelled.labels.size() == n) {
        sample.emplace();
        sample->classes = n;
        sample->classLabels = labelled.labels;
        for (std::size_t k = 0; k < n; ++k) {
            // A class with no pixels in the window holds no point either: no stratum.
            if ((*maps.source.mapPixels)[k] == 0)
                continue;
            const std::size_t h = sample->strata.size();
            sample->strata.push_back(labelled.labels[k]);
            sample->stratumSizes.push_back(static_cast<double>((*maps.source.mapPixels)[k]));
            for (std::size_t j = 0; j < n; ++j)
                if (const double count =
                        labelled.matrix.x(static_cast<int>(k + 1), static_cast<int>(j + 1));
                    count != 0.0)
                    sample->cells.push_back({h, k, j, count});
        }
    }
    if (sample)
        sample->finitePopulationCorrection = options.finitePopulationCorrection;
    return sample;
}

// Whether the classes stand in an order a user knows: the columns of a matrix,
// values counted from maps, numbers, or the order of --classes. Labels read as
// text otherwise come in the order in which they first appear, on which no
// weight and no area given by position may depend.
bool classOrderFixed(const Options& options, const std::vector<std::string>& labels) {
    const bool readAsText = options.input == InputKind::Pairs ||
                            options.input == InputKind::Samples ||
                            options.input == InputKind::Ratings;
    return !readAsText || options.classes || AllNumbers(labels, options.decimalSeparator);
}

// Every weight but none depends on the order of the classes.
std::optional<std::string> unorderedWeights(const Options& options,
                                            const std::vector<std::string>& labels) {
    const RatingWeights weights = options.ratingWeights.value_or(RatingWeights::None);
    if (weights == RatingWeights::None || classOrderFixed(options, labels))
        return std::nullopt;
    return "--weights " + std::string(RatingWeightsName(weights)) +
           " weighs the classes by their order, but the labels are not all numbers and have "
           "none: give their order with --classes L1,L2,...";
}

// Shows the map's own areas in the unit asked for (hectares by default) where
// the map gives them in square metres, and keeps them as given in the source
// record, from which --sum adds them. Notes where the stratified estimates are
// the area-weighted ones: strata that are the map's classes, sized as their
// areas, without a finite-population correction.
std::optional<std::string> showMapAreas(const Options& options, const CountedInput& counted,
                                        Report& report) {
    SourceRecord& source = *report.source;
    source.mappedAreas = counted.mappedAreas;
    std::optional<AreaUnit> unit = options.areaUnit;
    if (source.areaUnit == SquareMetres) {
        if (!unit)
            unit = AreaUnitFromName(DefaultAreaUnit);
    } else if (unit) {
        return "--area-unit converts areas in square metres, and the map's are in " +
               source.areaUnit;
    }
    report.areaUnit = unit ? std::string(unit->shown) : source.areaUnit;
    if (unit && unit->squareMetres != 1.0)
        ShowAreasIn(*report.agreement, unit->squareMetres);
    const auto& pixels = source.mapPixels;
    const std::vector<double>& areas = *counted.mappedAreas;
    if (report.stratified && counted.mapAsStrata && !options.finitePopulationCorrection && pixels &&
        pixels->size() == areas.size()) {
        // The same shares of the whole, to the rounding of the areas.
        double perPixel = 0.0;
        bool proportional = true;
        for (std::size_t k = 0; k < areas.size(); ++k) {
            if ((*pixels)[k] == 0)
                continue;
            const double ratio = areas[k] / static_cast<double>((*pixels)[k]);
            if (perPixel == 0.0)
                perPixel = ratio;
            proportional = proportional && std::fabs(ratio - perPixel) <= 1e-12 * perPixel;
        }
        report.stratifiedIsAreaWeighted = proportional && perPixel > 0.0;
    }
    return std::nullopt;
}

// The report in the format asked for, with the heading the HTML form shows:
// the files read (counts from maps name theirs in the source record), the date
// of --report-date and the program.
std::string reportBytes(const Options& options, Report& report) {
    ReportHeading& heading = report.heading;
    if (options.input == InputKind::Sums)
        heading.inputs = options.inputPaths;
    else if (options.input != InputKind::Maps)
        heading.inputs = {options.inputPath == "-" ? std::string("standard input")
                                                   : options.inputPath};
    heading.date = options.reportDate;
    heading.program = std::string(ProgramAndVersion);
    return WriteReport(report, options.format.value_or(ReportFormat::Text),
                       TextNumbers(options.decimalSeparator, options.digits));
}

// The report of the error matrix into `report`: its agreement report, with a
// stratified sample its section, with counts from maps or reports their source
// record. Its warnings go to `warnings`; gives CliOk, or the status of the
// refusal written to `err`.
int buildReport(const Options& options, const LabelledMatrix& labelled, Report& report,
                std::ostream& err, std::ostream& warnings,
                std::optional<StratifiedSample> stratified = std::nullopt,
                const CountedInput* counted = nullptr) {
    const ErrorMatrix& m = labelled.matrix;
    if (!stratified && counted != nullptr)
        stratified = mapStratification(options, *counted);
    if (options.finitePopulationCorrection && !stratified)
        return refuse(err, "--fpc needs a sample: points as the reference, not a raster");
    if (auto negative = negativeCount(m))
        return refuse(err, *negative);
    if (auto unordered = unorderedWeights(options, labelled.labels))
        return refuse(err, *unordered);
    std::vector<double> areas;
    if (options.mappedAreaText) {
        auto read = ReadMappedAreas(*options.mappedAreaText, options.decimalSeparator, labelled,
                                    classOrderFixed(options, labelled.labels));
        if (auto* refused = std::get_if<std::string>(&read))
            return refuse(err, *refused);
        areas = std::move(std::get<std::vector<double>>(read));
    }
    // The map's own areas stand in for --mapped-area, which still overrides them.
    // Points stratified by --strata are no sample stratified by the map's classes,
    // which the area-weighted estimates assume: those are left to the stratified ones.
    const bool mapAreas = !options.mappedAreaText && counted != nullptr && counted->mappedAreas &&
                          !counted->stratified;
    if (mapAreas)
        areas = *counted->mappedAreas;
    AgreementReport& agreement = report.agreement.emplace(ComputeAgreementReport(
        m, options.weights.value_or(Weights::None),
        options.mappedAreaText || mapAreas ? &areas : nullptr, options.confidence));
    if (!labelled.labels.empty())
        agreement.labels = labelled.labels;
    if (counted != nullptr)
        agreement.values = counted->namedValues;
    agreement.warnings.insert(agreement.warnings.begin(), labelled.warnings.begin(),
                              labelled.warnings.end());
    if (!options.missing.empty())
        agreement.missingLeftOut = labelled.leftOut;
    warn(warnings, agreement.warnings);
    if (stratified) {
        StratifiedEstimates estimates = EstimateStratified(*stratified, options.confidence);
        report.stratified = StratifiedSection{std::move(*stratified), std::move(estimates)};
    }
    if (counted != nullptr) {
        report.source = counted->source;
        if (!mapAreas)
            report.source->areaUnit.clear();
    }
    if (mapAreas) {
        if (auto refused = showMapAreas(options, *counted, report))
            return refuse(err, *refused);
    } else if (options.areaUnit) {
        return refuse(err, "--area-unit is for the areas a map gives; areas given with "
                           "--mapped-area are shown as given");
    }
    return CliOk;
}

int writeWhole(const Options& options, Report& report, std::ostream& out, std::ostream& err) {
    return writeReportOut(options, out, err, reportBytes(options, report));
}

int writeReport(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, std::optional<StratifiedSample> stratified = std::nullopt,
                const CountedInput* counted = nullptr) {
    Report report;
    if (const int status =
            buildReport(options, labelled, report, err, err, std::move(stratified), counted);
        status != CliOk)
        return status;
    return writeWhole(options, report, out, err);
}

// One map of a comparison: its labelled matrix, its stratified sample where the
// units are one, its count from maps where it was counted.
struct ComparedMap {
    const LabelledMatrix* labelled;
    StratifiedSample* stratified = nullptr;
    const CountedInput* counted = nullptr;
};

// Each map's report, then their comparison. The warnings about the labels,
// which both reports hold, go to standard error once.
int writeComparison(const Options& options, const std::array<ComparedMap, 2>& maps,
                    const ComparedSample& units, std::ostream& out, std::ostream& err) {
    Report report;
    std::ostream silent(nullptr);
    report.compared.resize(2);
    for (std::size_t i = 0; i < 2; ++i) {
        std::optional<StratifiedSample> sample;
        if (maps[i].stratified != nullptr)
            sample = std::move(*maps[i].stratified);
        if (const int status =
                buildReport(options, *maps[i].labelled, report.compared[i], err,
                            i == 0 ? err : silent, std::move(sample), maps[i].counted);
            status != CliOk)
            return status;
    }
    report.comparison = CompareMaps(units, options.confidence);
    return writeWhole(options, report, out, err);
}

int writeComparison(const Options& options, ComparedRead& read, bool stratified, std::ostream& out,
                    std::ostream& err) {
    return writeComparison(options,
                           {ComparedMap{&read.a, stratified ? &read.stratifiedA : nullptr},
                            ComparedMap{&read.b, stratified ? &read.stratifiedB : nullptr}},
                           read.compared, out, err);
}

// The ratings report of a table.
int writeRatings(const Options& options, const RatingsTable& table, std::ostream& out,
                 std::ostream& err) {
    if (auto unordered = unorderedWeights(options, table.labels))
        return refuse(err, *unordered);
    auto computed = ComputeRatingsReport(table, options.ratingWeights.value_or(RatingWeights::None),
                                         options.confidence);
    if (auto* refused = std::get_if<std::string>(&computed))
        return refuse(err, *refused);
    Report report;
    report.ratings = std::move(std::get<RatingsReport>(computed));
    report.ratings->warnings = table.warnings;
    warn(err, table.warnings);
    return writeWhole(options, report, out, err);
}

int writeTwoLines(const Options& options, const ErrorMatrix& m, std::ostream& out,
                  std::ostream& err);

// A read error names the input.
InputError named(InputError error, const std::string& inputName) {
    if (error.kind == InputError::ReadError)
        error.message = "cannot read " + inputName + ": " + error.message;
    return error;
}

// The map a design's strata come from: what draws from it, each stratum's value
// there and its area, and the classes it holds on no pixel.
struct DesignMap {
    MapCounting& counting;
    std::vector<double> values;
    std::vector<double> areas; // in `areaUnit`; empty where the map gives none
    std::string areaUnit;
    std::vector<std::string> withoutPixels;
};

// The expected accuracy of each stratum: one number for all, or LABEL=U each.
std::variant<std::vector<DesignStratum>, std::string>
designStrata(const Options& options, const std::vector<StratumSize>& sizes,
             const DesignMap* fromMap) {
    std::vector<DesignStratum> strata;
    for (const StratumSize& s : sizes)
        strata.push_back({s.label, s.size, -1.0});
    if (!options.expectedAccuracy)
        return std::string("--design needs --expected-accuracy U or S1=U1,...");
    const std::string_view text = *options.expectedAccuracy;
    if (const auto all = NumberOfText(TrimBlanks(text), '.')) {
        for (DesignStratum& s : strata)
            s.expectedAccuracy = *all;
        return strata;
    }
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = std::min(rest.find(','), rest.size());
        const std::string_view item = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const std::size_t equals = item.find('=');
        const std::string_view label = TrimBlanks(item.substr(0, equals));
        const std::optional<double> value =
            equals == std::string_view::npos
                ? std::nullopt
                : NumberOfText(TrimBlanks(item.substr(equals + 1)), '.');
        if (!value)
            return "--expected-accuracy takes U or S1=U1,...; " + QuotedCellText(item) +
                   " is neither";
        const auto s = std::find_if(strata.begin(), strata.end(),
                                    [&](const DesignStratum& d) { return d.label == label; });
        if (s == strata.end()) {
            const bool empty =
                fromMap != nullptr &&
                std::find(fromMap->withoutPixels.begin(), fromMap->withoutPixels.end(), label) !=
                    fromMap->withoutPixels.end();
            return "--expected-accuracy names stratum " + QuotedLabel(label) + ", which " +
                   (empty            ? "has no pixel in the window"
                    : options.design ? "the map does not hold"
                                     : "--strata-sizes does not hold");
        }
        s->expectedAccuracy = *value;
    }
    for (const DesignStratum& s : strata)
        if (s.expectedAccuracy < 0.0)
            return "--expected-accuracy gives no accuracy for stratum " + QuotedLabel(s.label);
    return strata;
}

// The design record beside the points: sample.gpkg -> sample.design.json.
std::string designRecordPath(const std::string& points) {
    return std::filesystem::path(points).replace_extension(".design.json").string();
}

// What reads the strata of a design from the map: their areas, their draw.
DrawRequest designRequest(const Options& options, const std::vector<double>& strataValues) {
    DrawRequest request;
    request.mapPath = options.maps.map;
    request.mapBand = options.maps.mapBand;
    request.strataPath = options.maps.strata;
    request.nodata = options.maps.nodata;
    if (options.maps.window) {
        const auto& w = *options.maps.window;
        request.window = PixelWindow{w[0], w[1], w[2], w[3]};
    }
    request.seed = options.seed;
    request.threads = options.maps.threads;
    request.quiet = options.maps.quiet;
    request.strataValues = strataValues;
    return request;
}

// The points drawn, to be written with the design's record.
struct DrawnPoints {
    std::vector<SamplePoint> points;
    std::string crsWkt; // the map's coordinate system
};

// Draws the chosen allocation with its reserves from the map into `drawn`;
// `record` gets what was drawn. An existing file is refused unless --overwrite,
// and nothing is written before every check has passed.
std::optional<InputError> drawSample(const Options& options, const SampleDesign& d,
                                     const DesignMap& map, DrawRecord& record,
                                     DrawnPoints& drawnPoints) {
    namespace fs = std::filesystem;
    const std::string& path = options.drawPath;
    const std::string extension = fs::path(path).extension().string();
    if (extension != ".gpkg" && extension != ".geojson" && extension != ".csv")
        return InputError{InputError::BadInput,
                          "--draw writes a .gpkg, .geojson or .csv file, not " + path};
    const fs::path folder =
        fs::path(path).parent_path().empty() ? fs::path(".") : fs::path(path).parent_path();
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return InputError{InputError::BadInput,
                          "the folder of " + path + " does not exist: no points are written"};
    for (const std::string& file : {path, designRecordPath(path)})
        if (fs::exists(file, error)) {
            if (!options.overwrite)
                return InputError{InputError::BadInput,
                                  file + " exists: give --overwrite to replace it"};
            fs::remove(file, error);
        }
    const AllocationPlan& plan = d.plans[d.chosen];
    DrawRequest request = designRequest(options, map.values);
    for (double units : plan.units)
        request.keep.push_back(static_cast<std::uint64_t>(units) + options.reserve);
    auto drawn = map.counting.Draw(request);
    if (auto* failure = std::get_if<InputError>(&drawn))
        return *failure;
    const DrawnSample& sample = std::get<DrawnSample>(drawn);
    std::vector<SamplePoint>& points = drawnPoints.points;
    drawnPoints.crsWkt = sample.crsWkt;
    for (std::size_t h = 0; h < sample.strata.size(); ++h) {
        const DesignStratum& s = d.strata[h];
        const auto units = static_cast<std::size_t>(plan.units[h]);
        record.drawn.push_back(sample.strata[h].size());
        for (std::size_t i = 0; i < sample.strata[h].size(); ++i) {
            const DrawnPixel& p = sample.strata[h][i];
            points.push_back({s.label, p.mapValue, p.x, p.y, p.row, p.column,
                              plan.units[h] / s.size, s.size / plan.units[h],
                              i < units ? 0 : static_cast<int>(i - units + 1)});
        }
    }
    record.points = path;
    record.map = options.maps.map;
    record.strata = options.maps.strata;
    record.seed = options.seed;
    record.reserve = options.reserve;
    record.program = std::string(ProgramAndVersion);
    return std::nullopt;
}

// The design of a sample: its size, its allocations and their standard errors;
// with --draw, its points drawn from the map.
int runDesign(const Options& options, std::vector<StratumSize> sizes, std::ostream& out,
              std::ostream& err, const DesignMap* fromMap = nullptr) {
    auto strata = designStrata(options, sizes, fromMap);
    if (auto* refused = std::get_if<std::string>(&strata))
        return refuse(err, *refused);
    auto design = PlanSampleDesign(std::move(std::get<std::vector<DesignStratum>>(strata)),
                                   options.sampleSizeRule, options.allocation, options.minimumUnits,
                                   options.confidence);
    if (auto* refused = std::get_if<std::string>(&design))
        return refuse(err, *refused);
    SampleDesign& d = std::get<SampleDesign>(design);
    if (fromMap != nullptr && !fromMap->areas.empty()) {
        d.areas = fromMap->areas;
        if (d.strata.size() == 1) // a simple random sample of the whole map
            d.areas = {std::accumulate(d.areas.begin(), d.areas.end(), 0.0)};
        d.areaUnit = fromMap->areaUnit;
    }
    const TextNumbers numbers(options.decimalSeparator, options.digits);
    std::optional<DrawRecord> record;
    if (!options.drawPath.empty()) {
        if (fromMap == nullptr || options.allocation == Allocation::Simple)
            return refuse(err, fromMap == nullptr
                                   ? "--draw needs --map: the points are drawn from its pixels"
                                   : "--draw draws a stratified sample; --allocation simple "
                                     "has no strata to draw from");
        record.emplace();
        DrawnPoints drawn;
        if (auto failure = drawSample(options, d, *fromMap, *record, drawn))
            return fail(err, *failure);
        // The record beside the points, and in a GeoPackage's metadata too.
        const std::string json = WriteDesign(d, options.sampleSizeRule, options.confidence,
                                             ReportFormat::Json, numbers, &*record);
        if (auto failure =
                fromMap->counting.WritePoints(options.drawPath, drawn.points, drawn.crsWkt, json))
            return fail(err, *failure);
        std::ofstream file(designRecordPath(options.drawPath), std::ios::binary);
        file << json;
        file.close();
        if (!file)
            return failFile(err, "cannot write " + designRecordPath(options.drawPath));
    }
    return writeReportOut(options, out, err,
                          WriteDesign(d, options.sampleSizeRule, options.confidence,
                                      options.format.value_or(ReportFormat::Text), numbers,
                                      record ? &*record : nullptr));
}

// Reads the input from the named file or standard input and writes what was
// asked for.
int runOnInput(const Options& options, std::FILE* standardInput, std::ostream& out,
               std::ostream& err) {
    InputFile file(options.inputPath, standardInput);
    if (!file.Opened())
        return failFile(err, "cannot read " + file.Name() + ": " + SystemReason(file.OpenError()));
    FileSource& source = file.Source();
    if (options.input == InputKind::Ratings) {
        auto table = ReadRatings(source, RatingsOptions{options.decimalSeparator, options.header,
                                                        options.classes, options.missing,
                                                        options.columns, options.longForm});
        if (auto* error = std::get_if<InputError>(&table))
            return fail(err, named(std::move(*error), file.Name()));
        return writeRatings(options, std::get<RatingsTable>(table), out, err);
    }
    std::variant<LabelledMatrix, InputError> read = InputError{};
    std::optional<StratifiedSample> stratified;
    const PairsOptions pairsOptions{options.decimalSeparator, options.header,  options.transpose,
                                    options.classes,          options.missing, options.columns};
    if (options.compare && options.input == InputKind::Pairs) {
        auto compared = ReadComparedPairs(source, pairsOptions);
        if (auto* error = std::get_if<InputError>(&compared))
            return fail(err, named(std::move(*error), file.Name()));
        return writeComparison(options, std::get<ComparedRead>(compared), false, out, err);
    }
    if (options.input == InputKind::Samples) {
        std::vector<StratumSize> sizes = *options.strataSizes;
        if (!options.strataSizesRecord.empty()) {
            auto record = ReadDesignRecord(options.strataSizesRecord);
            if (auto* error = std::get_if<InputError>(&record))
                return fail(err, *error);
            sizes = std::move(std::get<std::vector<StratumSize>>(record));
        }
        const SamplesOptions samplesOptions{
            options.decimalSeparator, options.header,   options.classes,
            options.missing,          std::move(sizes), options.finitePopulationCorrection,
            options.columns};
        if (options.compare) {
            auto compared = ReadComparedSamples(source, samplesOptions);
            if (auto* error = std::get_if<InputError>(&compared))
                return fail(err, named(std::move(*error), file.Name()));
            return writeComparison(options, std::get<ComparedRead>(compared), true, out, err);
        }
        auto samples = ReadSamples(source, samplesOptions);
        if (auto* s = std::get_if<SamplesRead>(&samples)) {
            read = std::move(s->sample);
            stratified = std::move(s->stratified);
        } else {
            read = std::get<InputError>(samples);
        }
    } else if (options.input == InputKind::Pairs) {
        read = ReadPairs(source, pairsOptions);
    } else {
        auto matrix = ReadMatrix(source, options.decimalSeparator);
        if (auto* m = std::get_if<ErrorMatrix>(&matrix))
            read = LabelledMatrix{options.transpose ? Transposed(*m) : std::move(*m), {}, 0};
        else
            read = std::get<InputError>(matrix);
    }
    if (auto* error = std::get_if<InputError>(&read))
        return fail(err, named(std::move(*error), file.Name()));
    const LabelledMatrix& labelled = std::get<LabelledMatrix>(read);
    if (options.report)
        return writeReport(options, labelled, out, err, std::move(stratified));
    return writeTwoLines(options, labelled.matrix, out, err);
}

// Counted from maps or added from reports: written as a matrix is, the report
// with its source record.
int writeCounted(const Options& options, const CountedInput& input, std::ostream& out,
                 std::ostream& err) {
    if (options.report)
        return writeReport(options, input.labelled, out, err, std::nullopt, &input);
    // Only a window of a map gives fewer: its report is a part for --sum.
    if (const int n = input.labelled.matrix.size(); n < MinMatrixSize)
        return refuse(err, "the window gives " + std::to_string(n) +
                               (n == 1 ? " class" : " classes") +
                               ", and the two lines of Result.txt need at least " +
                               std::to_string(MinMatrixSize) +
                               ": --report writes the window's report, which --sum adds");
    return writeTwoLines(options, input.labelled.matrix, out, err);
}

// The area of each stratum of a design from a map, in the unit asked for
// (hectares by default) where the map's are in square metres.
std::optional<InputError> strataAreas(const Options& options, const std::vector<StratumSize>& sizes,
                                      DesignMap& map) {
    std::vector<double> pixels;
    for (const StratumSize& s : sizes)
        pixels.push_back(s.size);
    auto found = map.counting.Areas(designRequest(options, map.values), pixels);
    if (auto* failure = std::get_if<InputError>(&found))
        return *failure;
    StrataAreas& areas = std::get<StrataAreas>(found);
    if (areas.areas.size() != sizes.size())
        return std::nullopt;
    std::optional<AreaUnit> unit = options.areaUnit;
    if (areas.unit == SquareMetres && !unit)
        unit = AreaUnitFromName(DefaultAreaUnit);
    else if (areas.unit != SquareMetres && unit)
        return InputError{InputError::BadInput,
                          "--area-unit converts areas in square metres, and the map's are in " +
                              areas.unit};
    for (double& area : areas.areas)
        area /= unit ? unit->squareMetres : 1.0;
    map.areas = std::move(areas.areas);
    map.areaUnit = unit ? std::string(unit->shown) : areas.unit;
    return std::nullopt;
}

// Counts the matrix from the maps through `counting`, then writes as for a matrix.
// The strata of a design from a map: its classes, or the values of --strata,
// each with its pixels in the window where neither raster is no-data, counted
// as the map against itself or against the strata raster.
int runDesignOnMap(const Options& options, MapCounting& counting, std::ostream& out,
                   std::ostream& err) {
    if (!options.maps.reference.empty())
        return refuse(err, "--reference does not go with --design: the strata are the map's "
                           "classes, or the values of --strata");
    MapOptions maps = options.maps;
    maps.reference = maps.strata.empty() ? maps.map : maps.strata;
    maps.referenceBand = maps.strata.empty() ? maps.mapBand : 1;
    maps.strata.clear();
    auto counted = counting.Count(maps, options.classes);
    if (auto* failure = std::get_if<InputError>(&counted))
        return fail(err, *failure);
    const LabelledMatrix& labelled = std::get<CountedInput>(counted).labelled;
    const ErrorMatrix& m = labelled.matrix;
    std::vector<StratumSize> sizes;
    for (int k = 1; k <= m.size(); ++k)
        if (const double pixels = m.ColTotals[static_cast<std::size_t>(k)]; pixels > 0.0)
            sizes.push_back({labelled.labels.empty()
                                 ? std::to_string(k)
                                 : labelled.labels[static_cast<std::size_t>(k - 1)],
                             pixels});
    if (sizes.empty())
        return refuse(err, "the map holds no valid pixel in the window: there are no strata");
    // Each stratum's value on the map (or the strata raster), for the draw.
    const CountedInput& input = std::get<CountedInput>(counted);
    DesignMap designMap{counting, {}, {}, {}, {}};
    for (int k = 1; k <= m.size(); ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        if (m.ColTotals[static_cast<std::size_t>(k)] <= 0.0) {
            designMap.withoutPixels.push_back(labelled.labels.empty() ? std::to_string(k)
                                                                      : labelled.labels[at]);
            continue;
        }
        designMap.values.push_back(
            at < input.namedValues.size()
                ? input.namedValues[at]
                : NumberOfText(labelled.labels.empty() ? std::to_string(k) : labelled.labels[at],
                               '.')
                      .value_or(0.0));
    }
    if (auto refused = strataAreas(options, sizes, designMap))
        return fail(err, *refused);
    return runDesign(options, std::move(sizes), out, err, &designMap);
}

int runOnMaps(const Options& options, MapCounting* counting, std::ostream& out, std::ostream& err) {
    if (counting == nullptr)
        return refuse(err, "--map: this build of brennic-kappa reads no maps (" +
                               std::string(MapReadingNote) + ")");
    if (options.design)
        return runDesignOnMap(options, *counting, out, err);
    if (!options.maps.compareMap.empty()) {
        auto counted = counting->CountCompared(options.maps, options.classes);
        if (auto* failure = std::get_if<InputError>(&counted))
            return fail(err, *failure);
        ComparedMapCounts& c = std::get<ComparedMapCounts>(counted);
        c.compared.finitePopulationCorrection =
            options.finitePopulationCorrection && !c.compared.strata.empty();
        return writeComparison(
            options,
            {ComparedMap{&c.a.labelled, nullptr, &c.a}, ComparedMap{&c.b.labelled, nullptr, &c.b}},
            c.compared, out, err);
    }
    auto counted = counting->Count(options.maps, options.classes);
    if (auto* failure = std::get_if<InputError>(&counted))
        return fail(err, *failure);
    return writeCounted(options, std::get<CountedInput>(counted), out, err);
}

// Adds the matrices of the JSON reports, then writes as for a matrix.
int runOnSums(const Options& options, std::ostream& out, std::ostream& err) {
    auto summed = SumReports(options.inputPaths);
    if (auto* failure = std::get_if<InputError>(&summed))
        return fail(err, *failure);
    return writeCounted(options, std::get<CountedInput>(summed), out, err);
}

// The z-tests of two independent assessments, from their JSON reports.
int runOnComparedReports(const Options& options, std::ostream& out, std::ostream& err) {
    if (options.inputPaths.size() != 2)
        return refuse(err, "--compare-reports takes two JSON reports, A and B; " +
                               std::to_string(options.inputPaths.size()) + " given");
    Report report;
    IndependentSection& s = report.independent.emplace();
    s.pathA = options.inputPaths[0];
    s.pathB = options.inputPaths[1];
    s.confidence = options.confidence;
    for (auto [path, figures] : {std::pair{&s.pathA, &s.a}, {&s.pathB, &s.b}}) {
        auto read = ReadAssessedReport(*path);
        if (auto* failure = std::get_if<InputError>(&read))
            return fail(err, *failure);
        *figures = std::get<AssessedFigures>(read);
    }
    s.figures = CompareIndependent(s.a, s.b, options.confidence);
    return writeWhole(options, report, out, err);
}

// The two lines of Result.txt, to standard output or to -o's file.
int writeTwoLines(const Options& options, const ErrorMatrix& m, std::ostream& out,
                  std::ostream& err) {
    std::string bytes;
    RunOutcome outcome;
    if (options.outputPath) {
        outcome = WriteKappaFile(m, options.decimalSeparator, *options.outputPath);
    } else {
        InMemoryRun run = KappaFileBytes(m, options.decimalSeparator);
        outcome = std::move(run.outcome);
        bytes = std::move(run.bytes);
    }
    if (auto* arithmetic = std::get_if<run::Arithmetic>(&outcome))
        return fail(err, ExitStatusOf(outcome), arithmetic->cause);
    if (auto* file_ = std::get_if<run::File>(&outcome))
        return fail(err, ExitStatusOf(outcome), DescribeFileError(file_->error));
    if (!options.outputPath)
        return writeOut(out, err, bytes);
    return CliOk;
}

} // namespace

void WriteWarning(std::ostream& err, const std::string& warning) {
    err << "brennic-kappa: warning: " << warning << '\n';
}

int ExitStatusOf(const InputError& error) {
    return error.kind == InputError::ReadError ? CliFileError : CliBadInput;
}

int ExitStatusOf(const RunOutcome& outcome) {
    if (std::holds_alternative<run::Arithmetic>(outcome))
        return CliArithmetic;
    if (std::holds_alternative<run::File>(outcome))
        return CliFileError;
    if (std::holds_alternative<run::Written>(outcome))
        return CliOk;
    return CliBadInput;
}

int RunCli(const std::vector<std::string>& args, std::FILE* in, std::ostream& out,
           std::ostream& err, MapCounting* maps) {
    auto parsed = ParseCommandLine(args);
    if (auto* refused = std::get_if<std::string>(&parsed))
        return refuse(err, *refused);
    const Command& command = std::get<Command>(parsed);
    switch (command.request) {
    case Request::Help:
        out << HelpText();
        return CliOk;
    case Request::Version:
        out << ProgramAndVersion << '\n';
        return CliOk;
    case Request::Run:
        break;
    }
    try {
        if (command.options.input == InputKind::Sums)
            return runOnSums(command.options, out, err);
        if (command.options.input == InputKind::Compared)
            return runOnComparedReports(command.options, out, err);
        if (command.options.input == InputKind::Design)
            return command.options.strataSizesRecord.empty()
                       ? runDesign(command.options, *command.options.strataSizes, out, err)
                       : refuse(err, "--design takes the strata's sizes themselves, not a "
                                     "design record");
        if (command.options.input == InputKind::Maps)
            return runOnMaps(command.options, maps, out, err);
        return runOnInput(command.options, in, out, err);
    } catch (const std::bad_alloc&) {
        return failFile(err, "out of memory");
    }
}

} // namespace brennic
