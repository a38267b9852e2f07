// Reads one matrix, runs the same computation as the window program and writes
// exactly what Result.txt would hold, to standard output or to a named file; or,
// with --report, writes the full agreement report to standard output.
#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

#include "core/agreement_report.h"
#include "cli/cli_options.h"
#include "cli/help.h"
#include "cli/map_input.h"
#include "input/matrix_input.h"
#include "core/number_text.h"
#include "input/pairs_input.h"
#include "input/ratings_input.h"
#include "report/ratings_output.h"
#include "report/report_output.h"
#include "input/summed_reports.h"
#include "report/report_writing.h"
#include "core/run.h"
#include "input/samples_input.h"
#include "report/stratified_output.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

int fail(std::ostream& err, int status, const std::string& message) {
    err << "brennic-kappa: " << message << '\n';
    return status;
}

int fail(std::ostream& err, const InputError& error) {
    return fail(err, error.kind == InputError::ReadError ? CliFileError : CliBadInput,
                error.message);
}

int writeOut(std::ostream& out, std::ostream& err, const std::string& bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        return fail(err, CliFileError, "cannot write to standard output");
    return CliOk;
}

// The mapped areas of --mapped-area for the classes `labels`, in their order:
// listed with commas (semicolons where the comma is the decimal separator),
// either one per class in the order of the classes or each as LABEL=AREA in any
// order. An area is a number of the user's format, 0 or more, and 0 only for a
// class whose row holds no counts. Gives the reason instead when they do not fit.
std::variant<std::vector<double>, std::string> readMappedAreas(const Options& options,
                                                               const LabelledMatrix& labelled) {
    const ErrorMatrix& m = labelled.matrix;
    const auto n = static_cast<std::size_t>(m.size());
    const char listSeparator = options.decimalSeparator == ',' ? ';' : ',';
    std::vector<std::string_view> items;
    for (std::string_view rest = *options.mappedAreaText;;) {
        const std::size_t end = rest.find(listSeparator);
        items.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    const bool byLabel = items[0].find('=') != std::string_view::npos;
    const auto labelOf = [&](std::size_t k) {
        return labelled.labels.empty() ? std::to_string(k + 1) : labelled.labels[k];
    };
    if (!byLabel && items.size() != n)
        return "--mapped-area gives " + Plural(items.size(), "area") + ", but the matrix has " +
               std::to_string(n) + " classes";
    std::vector<double> areas(n, 0.0);
    std::vector<bool> given(n, false);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string where = "mapped area " + std::to_string(i + 1);
        std::string_view text = items[i];
        std::size_t k = i;
        const std::size_t equals = text.rfind('=');
        if (byLabel != (equals != std::string_view::npos))
            return where + " (" + QuotedCellText(text) +
                   ") should have the form of the first: LABEL=AREA for every class, or the "
                   "areas alone in the order of the classes";
        if (byLabel) {
            const std::string_view label = TrimBlanks(text.substr(0, equals));
            text = text.substr(equals + 1);
            k = 0;
            while (k < n && labelOf(k) != label)
                ++k;
            if (k == n)
                return where + ": " + QuotedLabel(label) + " is not one of the classes";
            if (given[k])
                return "--mapped-area gives the area of " + QuotedLabel(label) + " twice";
            where = "the mapped area of " + QuotedLabel(label);
        }
        given[k] = true;
        if (text.find_first_not_of(" \t") == std::string_view::npos)
            return where + " is empty";
        const std::optional<double> number = NumberOfText(text, options.decimalSeparator);
        if (!number)
            return where + " (" + QuotedCellText(text) + ") is " +
                   std::string(NoNumberText(text, options.decimalSeparator));
        if (!(*number >= 0.0))
            return where + " (" + QuotedCellText(text) + ") is negative";
        areas[k] = *number == 0.0 ? 0.0 : *number;
    }
    for (std::size_t k = 0; k < n; ++k) {
        if (!given[k])
            return "--mapped-area gives no area for class " + QuotedLabel(labelOf(k));
        const auto row = static_cast<int>(k + 1);
        bool counts = false;
        for (int col = 1; col <= m.size() && !counts; ++col)
            counts = m.x(row, col) != 0.0;
        if (areas[k] == 0.0 && counts)
            return "the mapped area of class " + QuotedLabel(labelOf(k)) +
                   " is 0, but its row holds counts: a class that is on the map has an area";
    }
    return areas;
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
std::optional<StratifiedSample> mapStratification(const Options& options, const CountedInput& maps) {
    std::optional<StratifiedSample> sample = maps.stratified;
    const LabelledMatrix& labelled = maps.labelled;
    const auto n = static_cast<std::size_t>(labelled.matrix.size());
    if (!sample && maps.mapAsStrata && maps.source.mapPixels.size() == n &&
        labelled.labels.size() == n) {
        sample.emplace();
        sample->classes = n;
        sample->classLabels = labelled.labels;
        for (std::size_t k = 0; k < n; ++k) {
            // A class with no pixels in the window holds no point either: no stratum.
            if (maps.source.mapPixels[k] == 0)
                continue;
            const std::size_t h = sample->strata.size();
            sample->strata.push_back(labelled.labels[k]);
            sample->stratumSizes.push_back(static_cast<double>(maps.source.mapPixels[k]));
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

// The report of the error matrix; with a stratified sample, its section too.
int writeReport(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, const StratifiedSample* stratified = nullptr,
                const CountedInput* maps = nullptr) {
    const ErrorMatrix& m = labelled.matrix;
    std::optional<StratifiedSample> fromMaps;
    if (stratified == nullptr && maps != nullptr && (fromMaps = mapStratification(options, *maps)))
        stratified = &*fromMaps;
    if (options.finitePopulationCorrection && stratified == nullptr)
        return fail(err, CliBadInput,
                    "--fpc needs a sample: points as the reference, not a raster");
    if (auto negative = negativeCount(m))
        return fail(err, CliBadInput, *negative);
    std::vector<double> areas;
    if (options.mappedAreaText) {
        auto read = readMappedAreas(options, labelled);
        if (auto* refused = std::get_if<std::string>(&read))
            return fail(err, CliBadInput, *refused);
        areas = std::move(std::get<std::vector<double>>(read));
    }
    // The map's own areas stand in for --mapped-area, which still overrides them.
    // Points stratified by --strata are no sample stratified by the map's classes,
    // which the area-weighted estimates assume: those are left to the stratified ones.
    const bool mapAreas =
        !options.mappedAreaText && maps != nullptr && maps->mappedAreas && !maps->stratified;
    if (mapAreas)
        areas = *maps->mappedAreas;
    AgreementReport report =
        ComputeAgreementReport(m, options.weights.value_or(Weights::None),
                               options.mappedAreaText || mapAreas ? &areas : nullptr);
    if (!labelled.labels.empty())
        report.labels = labelled.labels;
    if (!options.missing.empty())
        report.missingLeftOut = labelled.leftOut;
    for (const std::string& warning : report.warnings)
        err << "brennic-kappa: warning: " << warning << '\n';
    const ReportFormat format = options.format.value_or(ReportFormat::Text);
    std::string bytes = FormatReport(report, format, options.decimalSeparator);
    if (stratified != nullptr) {
        const StratifiedEstimates estimates = EstimateStratified(*stratified);
        bytes = WithStratifiedSection(std::move(bytes), format,
                                      StratifiedSection{*stratified, estimates, labelled.labels},
                                      options.decimalSeparator);
    }
    if (maps != nullptr) {
        SourceRecord source = maps->source;
        if (!mapAreas)
            source.areaUnit.clear();
        bytes = WithSourceRecord(std::move(bytes), format, source);
    }
    return writeOut(out, err, bytes);
}

// The ratings report of a table read, or the reason there is none.
int writeRatings(const Options& options, const std::variant<RatingsTable, InputError>& read,
                 const std::string& inputName, std::ostream& out, std::ostream& err) {
    if (auto* error = std::get_if<InputError>(&read))
        return fail(err, error->kind == InputError::ReadError ? CliFileError : CliBadInput,
                    error->kind == InputError::ReadError
                        ? "cannot read " + inputName + ": " + error->message
                        : error->message);
    auto report = ComputeRatingsReport(std::get<RatingsTable>(read),
                                       options.ratingWeights.value_or(RatingWeights::None));
    if (auto* refused = std::get_if<std::string>(&report))
        return fail(err, CliBadInput, *refused);
    return writeOut(out, err,
                    FormatRatings(std::get<RatingsReport>(report),
                                  options.format.value_or(ReportFormat::Text),
                                  options.decimalSeparator));
}

int writeTwoLines(const Options& options, const ErrorMatrix& m, std::ostream& out,
                  std::ostream& err);

// Reads the matrix from the named file or standard input and writes what was
// asked for.
int runOnInput(const Options& options, std::FILE* standardInput, std::ostream& out,
               std::ostream& err) {
    const bool fromStandardInput = options.inputPath == "-";
    const std::string inputName = fromStandardInput ? "standard input" : options.inputPath;
    std::FILE* file = standardInput;
    if (!fromStandardInput) {
        errno = 0;
        file = std::fopen(options.inputPath.c_str(), "rb");
        if (file == nullptr)
            return fail(err, CliFileError,
                        "cannot read " + inputName + ": " + SystemReason(errno != 0 ? errno : EIO));
    }
    FileSource source(file);
    if (options.input == InputKind::Ratings) {
        auto table = ReadRatings(source, RatingsOptions{options.decimalSeparator, options.header,
                                                        options.classes, options.missing});
        if (!fromStandardInput)
            std::fclose(file);
        return writeRatings(options, table, inputName, out, err);
    }
    std::variant<LabelledMatrix, InputError> read = InputError{};
    std::optional<StratifiedSample> stratified;
    if (options.input == InputKind::Samples) {
        auto samples = ReadSamples(source, SamplesOptions{options.decimalSeparator, options.header,
                                                          options.classes, options.missing,
                                                          *options.strataSizes,
                                                          options.finitePopulationCorrection});
        if (auto* s = std::get_if<SamplesRead>(&samples)) {
            read = std::move(s->sample);
            stratified = std::move(s->stratified);
        } else {
            read = std::get<InputError>(samples);
        }
    } else if (options.input == InputKind::Pairs) {
        read = ReadPairs(source, PairsOptions{options.decimalSeparator, options.header,
                                              options.transpose, options.classes, options.missing});
    } else {
        auto matrix = ReadMatrix(source, options.decimalSeparator);
        if (auto* m = std::get_if<ErrorMatrix>(&matrix))
            read = LabelledMatrix{options.transpose ? Transposed(*m) : std::move(*m), {}, 0};
        else
            read = std::get<InputError>(matrix);
    }
    if (!fromStandardInput)
        std::fclose(file);
    if (auto* error = std::get_if<InputError>(&read)) {
        if (error->kind == InputError::ReadError)
            return fail(err, CliFileError, "cannot read " + inputName + ": " + error->message);
        return fail(err, CliBadInput, error->message);
    }
    const LabelledMatrix& labelled = std::get<LabelledMatrix>(read);
    const ErrorMatrix& m = labelled.matrix;

    if (options.report)
        return writeReport(options, labelled, out, err, stratified ? &*stratified : nullptr);
    return writeTwoLines(options, m, out, err);
}

// Counted from maps or added from reports: written as a matrix is, the report
// with its source record.
int writeCounted(const Options& options, const CountedInput& input, std::ostream& out,
                 std::ostream& err) {
    if (options.report)
        return writeReport(options, input.labelled, out, err, nullptr, &input);
    return writeTwoLines(options, input.labelled.matrix, out, err);
}

// Counts the matrix from the maps through `counting`, then writes as for a matrix.
int runOnMaps(const Options& options, MapCounting* counting, std::ostream& out, std::ostream& err) {
    if (counting == nullptr)
        return fail(err, CliBadInput,
                    "--map: this build of brennic-kappa reads no maps (" +
                        std::string(MapReadingNote) + ")");
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
        return fail(err, CliArithmetic, arithmetic->cause);
    if (auto* file_ = std::get_if<run::File>(&outcome))
        return fail(err, CliFileError, DescribeFileError(file_->error));
    if (!options.outputPath)
        return writeOut(out, err, bytes);
    return CliOk;
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* in, std::ostream& out,
           std::ostream& err, MapCounting* maps) {
    auto parsed = ParseCommandLine(args);
    if (auto* refused = std::get_if<std::string>(&parsed))
        return fail(err, CliBadInput, *refused);
    const Command& command = std::get<Command>(parsed);
    switch (command.request) {
    case Request::Help:
        out << HelpText();
        return CliOk;
    case Request::Version:
        out << "brennic-kappa " << BRENNIC_VERSION << '\n';
        return CliOk;
    case Request::Run:
        break;
    }
    try {
        if (command.options.input == InputKind::Sums)
            return runOnSums(command.options, out, err);
        if (command.options.input == InputKind::Maps)
            return runOnMaps(command.options, maps, out, err);
        return runOnInput(command.options, in, out, err);
    } catch (const std::bad_alloc&) {
        return fail(err, CliFileError, "out of memory");
    }
}

} // namespace brennic
