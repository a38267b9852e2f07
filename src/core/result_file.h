// Result.txt: a header line naming the seven figures and a line with their values,
// single-byte text with CR LF line ends, made new by every complete run.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/file_system.h"
#include "core/kappa.h"

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
    // "create", "delete", "open", "write" (also for a close that fails, which is
    // where buffered bytes fail to reach the disk), "read" or "keep the
    // permissions of"; empty when the path is not an ordinary file and was left
    // alone.
    std::string operation;
    std::string path;
    std::string reason;
    // The file that stood at the path before is gone: the failure came after it
    // was deleted.
    bool previousFileGone = false;
};

// The failure in one sentence without a full stop: "cannot create PATH: reason"
// or "PATH is not a regular file".
std::string DescribeFileError(const FileError& error);

// Makes the file new and writes the header line. An existing file is touched
// (created if missing) and then deleted first, so whatever it held before is
// gone; the new file keeps the permission bits of the one it replaces. A path
// that leads through symbolic links makes their target new and leaves the links.
// A path that holds a directory, device, FIFO or socket is refused, untouched.
std::optional<FileError> StartResultFile(const std::string& resultPath,
                                         FileSystem& files = SystemFiles());

// Appends the values line to a file that holds the header line.
std::optional<FileError> AppendResultValues(const std::string& resultPath,
                                            const KappaResult& result, char decimalSeparator,
                                            FileSystem& files = SystemFiles());

} // namespace brennic
