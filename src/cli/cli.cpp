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
#include "cli/map_input.h"
#include "input/byte_source.h"
#include "input/mapped_areas.h"
#include "input/matrix_input.h"
#include "core/number_text.h"
#include "input/pairs_input.h"
#include "input/ratings_input.h"
#include "report/report.h"
#include "input/summed_reports.h"
#include "report/report_writing.h"
#include "core/run.h"
#include "input/samples_input.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

constexpr const char* HelpIntroduction =
    "Usage: brennic-kappa [INPUT OPTIONS] [-o PATH] [FILE]\n"
    "       brennic-kappa [INPUT OPTIONS] --report [--weights none|linear|quadratic]\n"
    "                     [--mapped-area A1,A2,...] [--format text|csv|json] [FILE]\n"
    "       brennic-kappa --ratings [--header] [--classes L1,...] [--missing TEXT]\n"
    "                     [--weights W] [--report] [--format text|csv|json] [FILE]\n"
    "       brennic-kappa --samples [--header] [--classes L1,...] [--missing TEXT]\n"
    "                     --strata-sizes S1=N1,... [--fpc] --report [...] [FILE]\n"
    "       brennic-kappa --map MAP --reference REF [MAP OPTIONS]\n"
    "                     [-o PATH | --report ...]\n"
    "       brennic-kappa --sum [--report ...] REPORT.json... (see \"From maps\")\n"
    "Input options: [--decimal-separator SEP] [--transpose]\n"
    "               [--pairs [--header] [--classes L1,L2,...] [--missing TEXT]]\n"
    "\n"
    "Computes Cohen's kappa for a square error matrix and writes the two lines of\n"
    "Result.txt: the header and the values of PC, PO, KAPPA, LO-95% CI, HI-95% CI,\n"
    "SE and Z.\n"
    "\n"
    "FILE holds one matrix row per line, cells separated by blanks, tabs,\n"
    "semicolons or commas (commas only when the decimal separator is not a comma).\n"
    "Blank lines are ignored. Without FILE, or with -, the matrix is read from\n"
    "standard input. The matrix must be square, with 2 to 254 classes. Rows are\n"
    "the classification (the map, the first coder), columns the reference.\n"
    "\n"
    "With --pairs, FILE holds one sample point per line instead: two labels, the\n"
    "classification's first and the reference's second, as spreadsheets write\n"
    "them: a line holding a tab, a semicolon or a comma (not when the decimal\n"
    "separator is a comma) is split there and a label may hold blanks; otherwise\n"
    "blanks separate. A label in double quotes may hold any of these, and \"\"\n"
    "inside it is one quote; blanks around a label are dropped. A label must be\n"
    "UTF-8 without control characters. The classes come in numeric order when\n"
    "every label is a number, otherwise in the order in which they first appear.\n"
    "The pairs are counted into the error matrix.\n"
    "\n"
    "With --ratings, FILE holds one unit (subject, item) per line and one rating\n"
    "per rater (column), split and read as the labels of --pairs. NA, an empty\n"
    "field and any --missing text mean a missing rating. Every line must hold as\n"
    "many fields as the first. The output is always the ratings report (below).\n"
    "\n"
    "With --samples, FILE holds one unit of a stratified random sample per line:\n"
    "three labels, read as --pairs reads two: the unit's stratum, the map's class\n"
    "and the reference's class. The strata may be anything (an older map, regions,\n"
    "change and no change); --strata-sizes gives the size N_h of each, and n_h is\n"
    "counted from FILE. The report holds the sample's error matrix and its figures\n"
    "as for --pairs, and a section \"stratified\" with Stehman's (2014) estimates.\n"
    "A stratum without a size, a size below its n_h, or a size for a stratum with\n"
    "no unit are refused; a stratum of one unit leaves every standard error not\n"
    "defined.\n"
    "\n"
    "Options:\n";

constexpr const char* HelpStatusAndFields =
    "Exit status: 0 written; 1 bad input; 2 a figure cannot be formed;\n"
    "3 a file cannot be read or written, or memory ran out. With --report the\n"
    "status is 0 whenever the report is written: a figure that cannot be formed\n"
    "is in it as not defined.\n"
    "\n"
    "The report begins with the error matrix as used, labels along both edges\n"
    "(up to 20 classes; json always holds it as \"matrix\", a list of rows).\n"
    "p_kl is a cell over the grand total N, p_k. a row total and p_.k\n"
    "a column total over it, pi_k = (p_k. + p_.k) / 2, q the number of classes,\n"
    "w_kl 1 on the diagonal and 0 elsewhere. A figure that cannot be formed (a\n"
    "division by zero, an invalid operation or an overflow) is not defined and its\n"
    "reason is given: in json it is null and its reason stands under \"reasons\"\n"
    "(field name -> text) of its object; in csv its value is empty and the reason\n"
    "is in the last column. text shows values with 15 significant digits like\n"
    "Result.txt; csv and json use a point and the fewest digits that read back as\n"
    "the same double. The fields:\n";

constexpr const char* RatingsHelp =
    "\nThe ratings report (--ratings) follows Gwet, Handbook of Inter-Rater\n"
    "Reliability, 4th ed. (2014): units (lines with a rating), pairable_units\n"
    "(with two ratings or more), raters, weights, classes (each label with the\n"
    "number of ratings given in it), and for each coefficient C of\n"
    "percent_agreement, fleiss_kappa, conger_kappa, gwet_ac1 (AC2 when weighted),\n"
    "brennan_prediger and krippendorff_alpha: C, C_se, C_ci95_low, C_ci95_high\n"
    "and C_p. C_se is the square root of the sum over the n units of\n"
    "(C*_i - C)^2 / (n (n - 1)), C*_i the unit's linearised term (for\n"
    "krippendorff_alpha over the pairable units). The interval is\n"
    "C -+ t(0.975, n - 1) C_se, its upper end at most 1. C_p is the one-sided\n"
    "p-value 1 - T(C/SE, n - 1), T Student's t distribution with n - 1 degrees\n"
    "of freedom. Weights use the class values when every class is a number,\n"
    "otherwise their ranks; ordinal weights always use ranks. When the classes are\n"
    "numbers, krippendorff_alpha_by_level gives Krippendorff's alpha with his\n"
    "nominal, ordinal (built from the class frequencies), interval and ratio\n"
    "metrics. Exit status 1 when there are fewer than two raters or no unit with\n"
    "two ratings.\n";

// The fields of one table of the catalogue, each with its definition, wrapped
// under a heading.
template <typename Id> void helpFields(std::string& out, std::string_view heading) {
    out += "\n" + WrapText("", heading, 0);
    for (const FigureInfo& info : Catalogue<Id>())
        out += WrapText("  " + std::string(info.field), info.definition, 24);
}

std::string helpText() {
    std::string out = HelpIntroduction;
    out += OptionsHelp();
    out += MapHelpText();
    out += "\n";
    out += HelpStatusAndFields;
    helpFields<OverallFigure>(out, "Of the whole matrix (n, the number of classes, first):");
    helpFields<WeightedFigure>(out, "Under \"weighted\", with --weights linear or quadratic "
                                    "(Cohen 1968):");
    helpFields<ClassFigure>(out, "Of each class k, under \"classes\" (with \"class\", its number, "
                                 "and \"label\"):");
    helpFields<AreaFigure>(out, "Under \"area_weighted\", with --mapped-area (Olofsson et al. "
                                "2014, Remote Sensing of Environment 148: 42-57):");
    helpFields<AreaClassFigure>(out, "Of each class, under \"area_weighted\" \"classes\":");
    helpFields<StratifiedFigure>(
        out, "Under \"stratified\", with --samples or --map and points (Stehman 2014, "
             "International Journal of "
             "Remote Sensing 35: 4923-4939), after \"fpc\" and \"strata\" (each \"label\", "
             "\"size\" and \"sample_units\"):");
    helpFields<StratifiedClassFigure>(
        out, "Of each class, under \"stratified\" \"classes\"; then \"area_proportions\", "
             "the p^_ij, rows the map, columns the reference:");
    out += "\nQuantity and allocation disagreement follow Pontius and Millones (2011),\n"
           "International Journal of Remote Sensing 32: 4407-4429.\n";
    out += RatingsHelp;
    return out;
}

int fail(std::ostream& err, int status, const std::string& message) {
    err << "brennic-kappa: " << message << '\n';
    return status;
}

int fail(std::ostream& err, const InputError& error) {
    return fail(err, ExitStatusOf(error), error.message);
}

int writeOut(std::ostream& out, std::ostream& err, const std::string& bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        return fail(err, CliFileError, "cannot write to standard output");
    return CliOk;
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

// The report of the error matrix: its agreement report, with a stratified
// sample its section, with counts from maps or reports their source record.
int writeReport(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, std::optional<StratifiedSample> stratified = std::nullopt,
                const CountedInput* counted = nullptr) {
    const ErrorMatrix& m = labelled.matrix;
    if (!stratified && counted != nullptr)
        stratified = mapStratification(options, *counted);
    if (options.finitePopulationCorrection && !stratified)
        return fail(err, CliBadInput,
                    "--fpc needs a sample: points as the reference, not a raster");
    if (auto negative = negativeCount(m))
        return fail(err, CliBadInput, *negative);
    std::vector<double> areas;
    if (options.mappedAreaText) {
        auto read = ReadMappedAreas(*options.mappedAreaText, options.decimalSeparator, labelled);
        if (auto* refused = std::get_if<std::string>(&read))
            return fail(err, CliBadInput, *refused);
        areas = std::move(std::get<std::vector<double>>(read));
    }
    // The map's own areas stand in for --mapped-area, which still overrides them.
    // Points stratified by --strata are no sample stratified by the map's classes,
    // which the area-weighted estimates assume: those are left to the stratified ones.
    const bool mapAreas = !options.mappedAreaText && counted != nullptr &&
                          counted->mappedAreas && !counted->stratified;
    if (mapAreas)
        areas = *counted->mappedAreas;
    Report report;
    AgreementReport& agreement = report.agreement.emplace(
        ComputeAgreementReport(m, options.weights.value_or(Weights::None),
                               options.mappedAreaText || mapAreas ? &areas : nullptr));
    if (!labelled.labels.empty())
        agreement.labels = labelled.labels;
    if (!options.missing.empty())
        agreement.missingLeftOut = labelled.leftOut;
    for (const std::string& warning : agreement.warnings)
        err << "brennic-kappa: warning: " << warning << '\n';
    if (stratified) {
        StratifiedEstimates estimates = EstimateStratified(*stratified);
        report.stratified = StratifiedSection{std::move(*stratified), std::move(estimates)};
    }
    if (counted != nullptr) {
        report.source = counted->source;
        if (!mapAreas)
            report.source->areaUnit.clear();
    }
    return writeOut(out, err,
                    WriteReport(report, options.format.value_or(ReportFormat::Text),
                                options.decimalSeparator));
}

// The ratings report of a table.
int writeRatings(const Options& options, const RatingsTable& table, std::ostream& out,
                 std::ostream& err) {
    auto computed =
        ComputeRatingsReport(table, options.ratingWeights.value_or(RatingWeights::None));
    if (auto* refused = std::get_if<std::string>(&computed))
        return fail(err, CliBadInput, *refused);
    Report report;
    report.ratings = std::move(std::get<RatingsReport>(computed));
    return writeOut(out, err,
                    WriteReport(report, options.format.value_or(ReportFormat::Text),
                                options.decimalSeparator));
}

int writeTwoLines(const Options& options, const ErrorMatrix& m, std::ostream& out,
                  std::ostream& err);

// A read error names the input.
InputError named(InputError error, const std::string& inputName) {
    if (error.kind == InputError::ReadError)
        error.message = "cannot read " + inputName + ": " + error.message;
    return error;
}

// Reads the input from the named file or standard input and writes what was
// asked for.
int runOnInput(const Options& options, std::FILE* standardInput, std::ostream& out,
               std::ostream& err) {
    InputFile file(options.inputPath, standardInput);
    if (!file.Opened())
        return fail(err, CliFileError,
                    "cannot read " + file.Name() + ": " + SystemReason(file.OpenError()));
    FileSource& source = file.Source();
    if (options.input == InputKind::Ratings) {
        auto table = ReadRatings(source, RatingsOptions{options.decimalSeparator, options.header,
                                                        options.classes, options.missing});
        if (auto* error = std::get_if<InputError>(&table))
            return fail(err, named(std::move(*error), file.Name()));
        return writeRatings(options, std::get<RatingsTable>(table), out, err);
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
    return writeTwoLines(options, input.labelled.matrix, out, err);
}

// Counts the matrix from the maps through `counting`, then writes as for a matrix.
int runOnMaps(const Options& options, MapCounting* counting, std::ostream& out, std::ostream& err) {
    if (options.maps.reference.empty())
        return fail(err, CliBadInput, "--map needs --reference");
    if (options.inputPathGiven)
        return fail(err, CliBadInput, "--map does not go with an input file");
    if (counting == nullptr)
        return fail(err, CliBadInput,
                    "--map: this build of brennic-kappa reads no maps (map reading is a Linux "
                    "feature for now)");
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

int ExitStatusOf(const InputError& error) {
    return error.kind == InputError::ReadError ? CliFileError : CliBadInput;
}

int RunCli(const std::vector<std::string>& args, std::FILE* in, std::ostream& out,
           std::ostream& err, MapCounting* maps) {
    auto parsed = ParseCommandLine(args);
    if (auto* refused = std::get_if<std::string>(&parsed))
        return fail(err, CliBadInput, *refused);
    const Command& command = std::get<Command>(parsed);
    switch (command.request) {
    case Request::Help:
        out << helpText();
        return CliOk;
    case Request::Version:
        out << "brennic-kappa " << BRENNIC_VERSION << '\n';
        return CliOk;
    case Request::Run:
        break;
    }
    if (command.options.input == InputKind::Samples && !command.options.strataSizes)
        return fail(err, CliBadInput, "--samples needs --strata-sizes");
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
