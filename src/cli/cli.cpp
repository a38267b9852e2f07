// Reads one matrix, runs the same computation as the window program and writes
// exactly what Result.txt would hold, to standard output or to a named file; or,
// with --report, writes the full agreement report to standard output.
#include "cli.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

#include "agreement_report.h"
#include "map_input.h"
#include "matrix_input.h"
#include "number_text.h"
#include "pairs_input.h"
#include "report_output.h"
#include "run.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

constexpr const char* HelpIntroduction =
    "Usage: brennic-kappa [INPUT OPTIONS] [-o PATH] [FILE]\n"
    "       brennic-kappa [INPUT OPTIONS] --report [--weights none|linear|quadratic]\n"
    "                     [--mapped-area A1,A2,...] [--format text|csv|json] [FILE]\n"
    "Input options: [--decimal-separator SEP] [--transpose]\n"
    "               [--pairs [--header] [--classes L1,L2,...]]\n"
    "          or:  --map MAP --reference REF [MAP OPTIONS] (see \"From maps\")\n"
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
    "classification's first and the reference's second, separated like the cells\n"
    "of a row; quotes around a label are removed. The classes come in numeric\n"
    "order when every label is a number, otherwise in the order in which they\n"
    "first appear. The pairs are counted into the error matrix.\n"
    "\n"
    "Options:\n"
    "  --decimal-separator SEP  the decimal separator of the cells and of the\n"
    "                           values written (one character; default .)\n"
    "  --transpose              the input's rows are the reference and its columns\n"
    "                           the classification (with --pairs: the reference's\n"
    "                           label comes first)\n"
    "  --pairs                  read paired labels (above) instead of a matrix\n"
    "  --header                 with --pairs: the first line names the columns\n"
    "  --classes L1,L2,...      with --pairs: the classes in this order, also those\n"
    "                           that never occur; any other label is refused\n"
    "  -o PATH                  make the file PATH new and write the two lines to it\n"
    "                           instead of standard output\n"
    "  --report                 write the full agreement report (below) to standard\n"
    "                           output instead of the two lines\n"
    "  --weights W              with --report: add a weighted kappa with agreement\n"
    "                           weights W: none (default), linear or quadratic\n"
    "  --mapped-area A1,A2,...  with --report: the mapped area (or pixel count) of\n"
    "                           each row class, positive, in any unit, separated by\n"
    "                           commas (semicolons when the decimal separator is a\n"
    "                           comma); adds the area-weighted estimates\n"
    "  --format F               with --report: text (default), csv or json\n"
    "  --help                   show this text\n"
    "  --version                show the version\n"
    "\n"
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

// The fields of one table of the catalogue, each with its definition, wrapped
// under a heading.
template <typename Id> void helpFields(std::string& out, std::string_view heading) {
    out += "\n";
    out += heading;
    out += "\n";
    for (const FigureInfo& info : Catalogue<Id>()) {
        std::string line = "  " + std::string(info.field);
        line += std::string(line.size() < 24 ? 24 - line.size() : 1, ' ');
        // Wrap the definition at blanks to 79 columns, continued lines indented.
        std::string_view rest = info.definition;
        while (!rest.empty()) {
            const std::size_t room = 79 - line.size();
            std::size_t cut = rest.size();
            if (cut > room) {
                cut = rest.rfind(' ', room);
                if (cut == std::string_view::npos || cut == 0)
                    cut = std::min(rest.size(), room);
            }
            out += line + std::string(rest.substr(0, cut)) + "\n";
            rest.remove_prefix(cut);
            while (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            line = std::string(24, ' ');
        }
    }
}

std::string helpText() {
    std::string out = HelpIntroduction;
    helpFields<OverallFigure>(out, "Of the whole matrix (n, the number of classes, first):");
    helpFields<WeightedFigure>(out, "Under \"weighted\", with --weights linear or quadratic "
                                    "(Cohen 1968):");
    helpFields<ClassFigure>(out, "Of each class k, under \"classes\" (with \"class\", its number, "
                                 "and \"label\"):");
    helpFields<AreaFigure>(out, "Under \"area_weighted\", with --mapped-area (Olofsson et al. "
                                "2014, Remote Sensing of Environment 148: 42-57):");
    helpFields<AreaClassFigure>(out, "Of each class, under \"area_weighted\" \"classes\":");
    out += "\nQuantity and allocation disagreement follow Pontius and Millones (2011),\n"
           "International Journal of Remote Sensing 32: 4407-4429.\n";
    out += MapHelpText();
    return out;
}

struct Options {
    char decimalSeparator = '.';
    bool report = false;
    std::optional<Weights> weights;
    std::optional<ReportFormat> format;
    std::optional<std::string> outputPath;
    std::optional<std::string> mappedAreaText;
    bool pairs = false, header = false, transpose = false;
    std::optional<std::vector<std::string>> classes;
    std::vector<double> mappedAreas;
    std::string inputPath = "-";
    MapOptions maps;
    bool mapOptionGiven = false;
};

int fail(std::ostream& err, int status, const std::string& message) {
    err << "brennic-kappa: " << message << '\n';
    return status;
}

std::string quoted(const std::string& text) {
    return QuotedCellText(text);
}

int writeOut(std::ostream& out, std::ostream& err, const std::string& bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        return fail(err, CliFileError, "cannot write to standard output");
    return CliOk;
}

// The mapped areas of --mapped-area, each read as a number of the user's format,
// listed with commas, or with semicolons where the comma is the decimal
// separator. Gives the reason instead when one is not a positive number.
std::optional<std::string> readMappedAreas(Options& options) {
    const char listSeparator = options.decimalSeparator == ',' ? ';' : ',';
    std::string_view rest = *options.mappedAreaText;
    for (std::size_t position = 1;; ++position) {
        const std::size_t end = rest.find(listSeparator);
        const std::string_view text = rest.substr(0, end);
        const std::string where = "mapped area " + std::to_string(position);
        double value = 0.0;
        if (text.find_first_not_of(" \t") == std::string_view::npos)
            return where + " is empty";
        if (!ReadNumberOfText(text, options.decimalSeparator, value))
            return where + " (" + QuotedCellText(text) + ") is " +
                   (WhyNoNumber(text, options.decimalSeparator) == NoNumber::BeyondRange
                        ? "beyond the range of numbers the program can hold"
                        : "not a number");
        if (!(value > 0.0))
            return where + " (" + QuotedCellText(text) + ") is not positive";
        options.mappedAreas.push_back(value);
        if (end == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(end + 1);
    }
}

// The labels of --classes, in their order: commas between them.
std::optional<std::string> readClasses(const std::string& text, Options& options) {
    std::vector<std::string> classes;
    std::string_view rest = text;
    for (;;) {
        const std::size_t end = rest.find(',');
        const std::string_view label = rest.substr(0, end);
        if (label.empty())
            return "class " + std::to_string(classes.size() + 1) + " of --classes is empty";
        if (std::find(classes.begin(), classes.end(), label) != classes.end())
            return QuotedCellText(label) + " is listed twice in --classes";
        classes.emplace_back(label);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    if (classes.size() > static_cast<std::size_t>(MaxMatrixSize))
        return "--classes lists " + std::to_string(classes.size()) + " classes; at most " +
               std::to_string(MaxMatrixSize) + " are allowed";
    options.classes = std::move(classes);
    return std::nullopt;
}

int writeReport(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, const MapInput* maps = nullptr) {
    const ErrorMatrix& m = labelled.matrix;
    // The map's own areas stand in for --mapped-area, which still overrides them.
    const std::vector<double>* areas = options.mappedAreaText                 ? &options.mappedAreas
                                       : maps != nullptr && maps->mappedAreas ? &*maps->mappedAreas
                                                                              : nullptr;
    if (options.mappedAreaText && options.mappedAreas.size() != static_cast<std::size_t>(m.size()))
        return fail(err, CliBadInput,
                    "--mapped-area gives " + std::to_string(options.mappedAreas.size()) +
                        (options.mappedAreas.size() == 1 ? " area" : " areas") +
                        ", but the matrix has " + std::to_string(m.size()) + " classes");
    AgreementReport report =
        ComputeAgreementReport(m, options.weights.value_or(Weights::None), areas);
    if (!labelled.labels.empty())
        report.labels = labelled.labels;
    const ReportFormat format = options.format.value_or(ReportFormat::Text);
    std::string bytes = FormatReport(report, format, options.decimalSeparator);
    if (maps != nullptr) {
        MapSource source = maps->source;
        if (options.mappedAreaText)
            source.areaUnit.clear();
        bytes = WithSourceRecord(std::move(bytes), format, source);
    }
    return writeOut(out, err, bytes);
}

int writeResult(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, const MapInput* maps);

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
    std::variant<LabelledMatrix, MatrixInputError> read = MatrixInputError{};
    if (options.pairs) {
        read = ReadPairs(source, PairsOptions{options.decimalSeparator, options.header,
                                              options.transpose, options.classes});
    } else {
        auto matrix = ReadMatrix(source, options.decimalSeparator);
        if (auto* m = std::get_if<ErrorMatrix>(&matrix))
            read = LabelledMatrix{options.transpose ? Transposed(*m) : std::move(*m), {}};
        else
            read = std::get<MatrixInputError>(matrix);
    }
    if (!fromStandardInput)
        std::fclose(file);
    if (auto* error = std::get_if<MatrixInputError>(&read)) {
        if (error->kind == MatrixInputError::ReadError)
            return fail(err, CliFileError, "cannot read " + inputName + ": " + error->message);
        return fail(err, CliBadInput, error->message);
    }
    return writeResult(options, std::get<LabelledMatrix>(read), out, err, nullptr);
}

// The two lines of Result.txt, to standard output or -o, or the report.
int writeResult(const Options& options, const LabelledMatrix& labelled, std::ostream& out,
                std::ostream& err, const MapInput* maps) {
    const ErrorMatrix& m = labelled.matrix;
    if (options.report)
        return writeReport(options, labelled, out, err, maps);

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

// Counts the matrix from the maps through `counting`, then writes as for a matrix.
int runOnMaps(const Options& options, MapCounting* counting, std::ostream& out, std::ostream& err) {
    if (counting == nullptr)
        return fail(err, CliBadInput,
                    "--map: this build of brennic-kappa reads no maps (map reading is a Linux "
                    "feature for now)");
    auto counted = counting->Count(options.maps, options.classes);
    if (auto* failure = std::get_if<CliFailure>(&counted))
        return fail(err, failure->status, failure->message);
    const MapInput& input = std::get<MapInput>(counted);
    return writeResult(options, input.labelled, out, err, &input);
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::FILE* in, std::ostream& out,
           std::ostream& err, MapCounting* maps) {
    Options options;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << helpText();
            return CliOk;
        }
        if (arg == "--version") {
            out << "brennic-kappa " << BRENNIC_VERSION << '\n';
            return CliOk;
        }
        if (arg == "--report" || arg == "--pairs" || arg == "--header" || arg == "--transpose") {
            (arg == "--report"   ? options.report
             : arg == "--pairs"  ? options.pairs
             : arg == "--header" ? options.header
                                 : options.transpose) = true;
            continue;
        }
        if (IsMapValueOption(arg)) {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            if (auto error = ReadMapOption(arg, args[++i], options.maps))
                return fail(err, CliBadInput, *error);
            options.mapOptionGiven = true;
            continue;
        }
        if (arg == "--quiet") {
            options.maps.quiet = true;
            continue;
        }
        if (arg == "--classes") {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            if (auto error = readClasses(args[++i], options))
                return fail(err, CliBadInput, *error);
            continue;
        }
        if (arg == "--weights" || arg == "--format") {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            const std::string& value = args[++i];
            if (arg == "--weights")
                options.weights = WeightsFromName(value);
            else
                options.format = ReportFormatFromName(value);
            if (arg == "--weights" ? !options.weights : !options.format)
                return fail(err, CliBadInput,
                            "unknown " + arg.substr(2) + " " + quoted(value) + " (see --help)");
            continue;
        }
        if (arg == "--mapped-area") {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            options.mappedAreaText = args[++i];
            continue;
        }
        if (arg == "--decimal-separator" || arg == "-o") {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            const std::string& value = args[++i];
            if (arg == "-o") {
                options.outputPath = value;
            } else if (value.size() != 1 || (value[0] >= '0' && value[0] <= '9') ||
                       std::string_view("+-eE; \t\r\n\v\f").find(value[0]) !=
                           std::string_view::npos) {
                // White space or a semicolon would split the cells it belongs to.
                return fail(err, CliBadInput,
                            "the decimal separator must be one character other than a digit, "
                            "a sign, E, a blank, a tab or a semicolon, not " +
                                quoted(value));
            } else {
                options.decimalSeparator = value[0];
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            return fail(err, CliBadInput, "unknown option " + quoted(arg) + " (see --help)");
        if (haveInput)
            return fail(err, CliBadInput, "only one input file can be given");
        options.inputPath = arg;
        haveInput = true;
    }

    const bool fromMaps = !options.maps.map.empty();
    if (options.mapOptionGiven && (options.maps.map.empty() || options.maps.reference.empty()))
        return fail(err, CliBadInput, "counting from maps needs both --map and --reference");
    if (fromMaps && (options.pairs || options.transpose || haveInput))
        return fail(err, CliBadInput,
                    "--map does not go with --pairs, --transpose or an input file");
    if (!options.pairs && !fromMaps && (options.header || options.classes))
        return fail(err, CliBadInput, "--header and --classes need --pairs");
    if (fromMaps && options.header)
        return fail(err, CliBadInput, "--header needs --pairs");
    if (!options.report && (options.weights || options.format || options.mappedAreaText))
        return fail(err, CliBadInput, "--weights, --format and --mapped-area need --report");
    // Read after every option, so that the decimal separator is known.
    if (options.mappedAreaText) {
        if (auto error = readMappedAreas(options))
            return fail(err, CliBadInput, *error);
    }
    if (options.report && options.outputPath)
        return fail(err, CliBadInput,
                    "--report writes to standard output; -o makes a Result.txt file");

    try {
        if (fromMaps)
            return runOnMaps(options, maps, out, err);
        return runOnInput(options, in, out, err);
    } catch (const std::bad_alloc&) {
        return fail(err, CliFileError, "out of memory");
    }
}

} // namespace brennic
