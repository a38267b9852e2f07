// Result.txt: a header line naming the seven figures and a line with their values,
// single-byte text with CR LF line ends, made new by every complete run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "kappa.h"

namespace brennic {

// The platform's path separator, written between the program directory and the
// result file's name.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The program directory followed directly by the separator and "Result.txt". No
// test is made for a separator already at the end: a root directory gives two.
std::string MakeResultPath(std::string_view programDirectory);

// "PC","PO","KAPPA","LO-95% CI","HI-95% CI","SE","Z" and CR LF: 52 bytes.
std::string ResultHeaderLine();

// The seven values in file order, each a blank or minus sign, its digits and one
// blank, then CR LF.
std::string ResultValuesLine(const KappaResult& result, char decimalSeparator);

// A file operation that failed, with the system's own reason.
struct FileError {
    // "create", "delete", "open" or "write" (also for a close that fails, which is
    // where buffered bytes fail to reach the disk).
    std::string operation;
    std::string path;
    std::string reason;
};

// Makes the file new and writes the header line. The file is touched (created if
// missing) and then deleted first, so whatever it held before is gone.
std::optional<FileError> StartResultFile(const std::string& ResultPath);

// Appends the values line to a file that holds the header line.
std::optional<FileError> AppendResultValues(const std::string& ResultPath,
                                            const KappaResult& result, char decimalSeparator);

} // namespace brennic
