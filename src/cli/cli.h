// The command line of brennic-kappa, separate from main() so that it can be run
// in-process on given streams.
#pragma once

#include <cstdio>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/input_error.h"
#include "core/run.h"

namespace brennic {

class MapCounting;

// Exit statuses of brennic-kappa.
enum CliStatus : int {
    CliOk = 0,
    CliBadInput = 1,   // not a number, not square, size out of range, nothing read, bad usage
    CliArithmetic = 2, // a figure cannot be formed; the cause is given in words
    CliFileError =
        3, // a file cannot be read or written (the path and reason are given), or memory ran out
};

// The exit status of an input that cannot be used: CliBadInput for one refused,
// CliFileError for one that cannot be read (or an output that cannot be written).
int ExitStatusOf(const InputError& error);
// The exit status of a computation of the two lines: CliOk when written,
// CliArithmetic when a figure cannot be formed, CliFileError when the file
// cannot be made, CliBadInput for a matrix refused.
int ExitStatusOf(const RunOutcome& outcome);

// Writes a warning to standard error in the tool's one form.
void WriteWarning(std::ostream& err, const std::string& warning);

// Runs the tool with its arguments (without the program's name), reading a
// matrix given no file from `in`; gives the exit status. `maps` counts the
// matrix for --map; without it --map is refused.
int RunCli(const std::vector<std::string>& args, std::FILE* in, std::ostream& out,
           std::ostream& err, MapCounting* maps = nullptr);

} // namespace brennic
