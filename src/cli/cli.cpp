// Reads one matrix, runs the same computation as the window program and writes
// exactly what Result.txt would hold, to standard output or to a named file; or,
// with --report, writes the full agreement report to standard output.
#include "cli.h"

#include <cerrno>
#include <new>
#include <optional>
#include <ostream>
#include <string_view>

#include "agreement_report.h"
#include "matrix_input.h"
#include "report_output.h"
#include "run.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

constexpr const char* HelpText =
    "Usage: brennic-kappa [--decimal-separator SEP] [-o PATH] [FILE]\n"
    "       brennic-kappa --report [--weights none|linear|quadratic]\n"
    "                     [--format text|csv|json] [--decimal-separator SEP] [FILE]\n"
    "\n"
    "Computes Cohen's kappa for a square error matrix and writes the two lines of\n"
    "Result.txt: the header and the values of PC, PO, KAPPA, LO-95% CI, HI-95% CI,\n"
    "SE and Z.\n"
    "\n"
    "FILE holds one matrix row per line, cells separated by blanks, tabs,\n"
    "semicolons or commas (commas only when the decimal separator is not a comma).\n"
    "Blank lines are ignored. Without FILE, or with -, the matrix is read from\n"
    "standard input. The matrix must be square, with 2 to 254 classes.\n"
    "\n"
    "Options:\n"
    "  --decimal-separator SEP  the decimal separator of the cells and of the\n"
    "                           values written (one character; default .)\n"
    "  -o PATH                  make the file PATH new and write the two lines to it\n"
    "                           instead of standard output\n"
    "  --report                 write the full agreement report (below) to standard\n"
    "                           output instead of the two lines\n"
    "  --weights W              with --report: add a weighted kappa with agreement\n"
    "                           weights W: none (default), linear or quadratic\n"
    "  --format F               with --report: text (default), csv or json\n"
    "  --help                   show this text\n"
    "  --version                show the version\n"
    "\n"
    "Exit status: 0 written; 1 bad input; 2 a figure cannot be formed;\n"
    "3 a file cannot be read or written, or memory ran out. With --report the\n"
    "status is 0 whenever the report is written: a figure that cannot be formed\n"
    "is in it as not defined.\n"
    "\n"
    "The report. Rows are the classification and columns the reference; p_ij is a\n"
    "cell over the grand total, p_i. a row total and p_.j a column total over it.\n"
    "A figure that cannot be formed (a division by zero, an invalid operation or\n"
    "an overflow) is not defined and its reason is given: in json it is null and\n"
    "its reason stands under \"reasons\" (field name -> text) of its object; in csv\n"
    "its value is empty and the reason is in the last column. text shows values\n"
    "with 15 significant digits like Result.txt; csv and json use a point and the\n"
    "fewest digits that read back as the same double.\n"
    "  n               the number of classes\n"
    "  PC PO KAPPA LO HI SE Z\n"
    "                  the seven figures of Result.txt, the same values (LO and HI\n"
    "                  are KAPPA -/+ 2 simple standard errors; SE is the simple\n"
    "                  standard error under chance)\n"
    "Large-sample figures (Fleiss, Cohen and Everitt 1969), not those of Result.txt:\n"
    "  kappa_se        standard error of kappa, for its interval\n"
    "  kappa_se0       standard error of kappa if agreement were by chance alone,\n"
    "                  for its test\n"
    "  ci95_low, ci95_high\n"
    "                  KAPPA -/+ 1.96 kappa_se\n"
    "  z_large_sample  KAPPA / kappa_se0\n"
    "  p_two_sided     two-sided normal p-value of z_large_sample, 2 (1 - Phi(|z|))\n"
    "  weighted        with --weights linear or quadratic: weighted kappa (Cohen\n"
    "                  1968) with agreement weights 1 - |i - j| / (n - 1) (linear)\n"
    "                  or 1 - (i - j)^2 / (n - 1)^2 (quadratic): weights (the name),\n"
    "                  kappa, kappa_se and kappa_se0 (large-sample standard errors\n"
    "                  as above) and z (kappa / kappa_se0)\n"
    "  classes         one entry per class k: class (1 to n), row_total, col_total,\n"
    "                  diagonal (the count of cell k, k), row_share (diagonal over\n"
    "                  row total: the user's accuracy), col_share (diagonal over\n"
    "                  column total: the producer's accuracy), row_conditional_kappa\n"
    "                  (p_kk - p_k. p_.k) / (p_k. - p_k. p_.k) and\n"
    "                  col_conditional_kappa (p_kk - p_k. p_.k) / (p_.k - p_k. p_.k)\n";

struct Options {
    char decimalSeparator = '.';
    bool report = false;
    std::optional<Weights> weights;
    std::optional<ReportFormat> format;
    std::optional<std::string> outputPath;
    std::string inputPath = "-";
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

int writeReport(const Options& options, const ErrorMatrix& m, std::ostream& out,
                std::ostream& err) {
    const AgreementReport report =
        ComputeAgreementReport(m, options.weights.value_or(Weights::None));
    return writeOut(out, err,
                    FormatReport(report, options.format.value_or(ReportFormat::Text),
                                 options.decimalSeparator));
}

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
    auto read = ReadMatrix(source, options.decimalSeparator);
    if (!fromStandardInput)
        std::fclose(file);
    if (auto* error = std::get_if<MatrixInputError>(&read)) {
        if (error->kind == MatrixInputError::ReadError)
            return fail(err, CliFileError, "cannot read " + inputName + ": " + error->message);
        return fail(err, CliBadInput, error->message);
    }
    const ErrorMatrix& m = std::get<ErrorMatrix>(read);

    if (options.report)
        return writeReport(options, m, out, err);

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
           std::ostream& err) {
    Options options;
    bool haveInput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << HelpText;
            return CliOk;
        }
        if (arg == "--version") {
            out << "brennic-kappa " << BRENNIC_VERSION << '\n';
            return CliOk;
        }
        if (arg == "--report") {
            options.report = true;
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

    if (!options.report && (options.weights || options.format))
        return fail(err, CliBadInput, "--weights and --format need --report");
    if (options.report && options.outputPath)
        return fail(err, CliBadInput,
                    "--report writes to standard output; -o makes a Result.txt file");

    try {
        return runOnInput(options, in, out, err);
    } catch (const std::bad_alloc&) {
        return fail(err, CliFileError, "out of memory");
    }
}

} // namespace brennic
