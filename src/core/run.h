// One run of the computation, from the texts of the grid's cells to Result.txt,
// and every way in which it can end. The window and the command-line tool both
// call this and turn its outcome into what their user sees.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "core/error_matrix.h"
#include "core/kappa.h"
#include "core/limits.h"
#include "core/result_file.h"

namespace brennic {

namespace run {

// Both lines are in Result.txt.
struct Written {
    std::string resultPath;
    KappaResult result;
};

// The size is below 2 or above 254: refused before anything else, no file touched.
struct SizeOutOfRange {
    int size;
};

// A cell holds no text at all: the first in traversal order. No file touched.
struct EmptyCell {
    CellPosition cell;
};

// A cell's text is not a number: the first in traversal order. Found before the
// file is reset, so the previous Result.txt is still there.
struct NotANumber {
    NotANumberCell cell;
};

// A statistic could not be formed. Result.txt holds its header line alone.
struct Arithmetic {
    ArithmeticError error;
    std::string cause; // in words, as the counts show it
    std::string resultPath;
};

// Result.txt could not be made, deleted or written. `error.previousFileGone`
// tells whether the file of an earlier run is gone.
struct File {
    FileError error;
};

} // namespace run

using RunOutcome = std::variant<run::Written, run::SizeOutOfRange, run::EmptyCell, run::NotANumber,
                                run::Arithmetic, run::File>;

// Checks the cells, makes Result.txt new in `programDirectory` with the header
// line, reads the matrix, computes the figures and appends their values.
RunOutcome RunKappa(int n, const CellText& cellText, char decimalSeparator,
                    std::string_view programDirectory, FileSystem& files = SystemFiles());

// For a matrix already read: makes the file at `resultPath` new with the header
// line, computes the figures and appends their values.
RunOutcome WriteKappaFile(const ErrorMatrix& m, char decimalSeparator,
                          const std::string& resultPath, FileSystem& files = SystemFiles());

// The figures of a complete matrix without touching any file: the two lines that
// Result.txt would hold, or the reason there are none.
struct InMemoryRun {
    RunOutcome outcome; // Written (with an empty path) or a failure
    std::string bytes;  // both lines when Written
};
InMemoryRun RunKappaInMemory(int n, const CellText& cellText, char decimalSeparator);
InMemoryRun KappaFileBytes(const ErrorMatrix& m, char decimalSeparator);

} // namespace brennic
