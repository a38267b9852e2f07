// Reads one matrix, runs the same computation as the window program and writes
// exactly what Result.txt would hold, to standard output or to a named file.
#include "cli.h"

#include <cerrno>
#include <fstream>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>

#include "matrix_input.h"
#include "run.h"

#ifndef BRENNIC_VERSION
#define BRENNIC_VERSION "unknown"
#endif

namespace brennic {
namespace {

constexpr const char* HelpText =
    "Usage: brennic-kappa [--decimal-separator SEP] [-o PATH] [FILE]\n"
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
    "  --help                   show this text\n"
    "  --version                show the version\n"
    "\n"
    "Exit status: 0 written; 1 bad input; 2 a figure cannot be formed;\n"
    "3 a file cannot be read or written.\n";

struct Options {
    char decimalSeparator = '.';
    std::optional<std::string> outputPath;
    std::string inputPath = "-";
};

int fail(std::ostream& err, int status, const std::string& message) {
    err << "brennic-kappa: " << message << '\n';
    return status;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

} // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
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
        if (arg == "--decimal-separator" || arg == "-o") {
            if (i + 1 >= args.size())
                return fail(err, CliBadInput, arg + " needs a value (see --help)");
            const std::string& value = args[++i];
            if (arg == "-o") {
                options.outputPath = value;
            } else if (value.size() != 1 || (value[0] >= '0' && value[0] <= '9') ||
                       std::string_view("+-eE; \t").find(value[0]) != std::string_view::npos) {
                // A blank, tab or semicolon would split the cells it belongs to.
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

    std::ifstream file;
    std::istream* input = &in;
    if (options.inputPath != "-") {
        errno = 0;
        file.open(options.inputPath, std::ios::binary);
        if (!file)
            return fail(err, CliFileError,
                        "cannot read " + options.inputPath + ": " +
                            std::generic_category().message(errno != 0 ? errno : EIO));
        input = &file;
    }

    auto read = ReadMatrixText(*input, options.decimalSeparator);
    if (auto* error = std::get_if<MatrixInputError>(&read))
        return fail(err, CliBadInput, error->message);
    const MatrixText& matrix = std::get<MatrixText>(read);
    const int n = static_cast<int>(matrix.rows.size());
    CellText cellText = [&](int row, int col) {
        return matrix.rows[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(col - 1)];
    };

    std::string bytes;
    RunOutcome outcome;
    if (options.outputPath) {
        outcome = RunKappaToFile(n, cellText, options.decimalSeparator, *options.outputPath);
    } else {
        InMemoryRun run = RunKappaInMemory(n, cellText, options.decimalSeparator);
        outcome = std::move(run.outcome);
        bytes = std::move(run.bytes);
    }

    if (auto* bad = std::get_if<run::NotANumber>(&outcome)) {
        const CellPosition& cell = bad->cell.cell;
        return fail(err, CliBadInput,
                    "line " +
                        std::to_string(matrix.lineNumbers[static_cast<std::size_t>(cell.row - 1)]) +
                        ", cell " + std::to_string(cell.col) + ": " + quoted(bad->cell.text) +
                        " is not a number");
    }
    if (auto* arithmetic = std::get_if<run::Arithmetic>(&outcome))
        return fail(err, CliArithmetic, ArithmeticCause(arithmetic->error));
    if (auto* file_ = std::get_if<run::File>(&outcome))
        return fail(err, CliFileError,
                    "cannot " + file_->error.operation + " " + file_->error.path + ": " +
                        file_->error.reason);
    if (std::holds_alternative<run::SizeOutOfRange>(outcome) ||
        std::holds_alternative<run::EmptyCell>(outcome))
        return fail(err, CliBadInput, "the matrix is not complete"); // ruled out by the reader

    if (!options.outputPath) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            return fail(err, CliFileError, "cannot write to standard output");
    }
    return CliOk;
}

} // namespace brennic
