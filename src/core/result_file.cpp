// The file is written through C streams opened in binary mode, so the CR LF line
// ends are the program's own on every platform, and every open, write and close
// is checked.
#include "result_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "number_text.h"

namespace brennic {
namespace {

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

FileError fileError(const char* operation, const std::string& path, int error) {
    return FileError{operation, path, systemReason(error)};
}

// Opens for appending, writes `bytes` (possibly none) and closes.
std::optional<FileError> appendBytes(const std::string& path, std::string_view bytes,
                                     const char* openOperation) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr)
        return fileError(openOperation, path, errno);
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        int error = errno;
        std::fclose(file);
        return fileError("write", path, error);
    }
    if (std::fclose(file) != 0) // the buffered bytes could not be written
        return fileError("write", path, errno);
    return std::nullopt;
}

} // namespace

std::string MakeResultPath(std::string_view programDirectory) {
    std::string path(programDirectory);
    path += PathSeparator;
    path += "Result.txt";
    return path;
}

std::string ResultHeaderLine() {
    return "\"PC\",\"PO\",\"KAPPA\",\"LO-95% CI\",\"HI-95% CI\",\"SE\",\"Z\"\r\n";
}

std::string ResultValuesLine(const KappaResult& r, char decimalSeparator) {
    std::string line;
    line.reserve(7 * 24);
    for (double value : {r.PC, r.PO, r.KAPPA, r.LO, r.HI, r.SE, r.Z}) {
        line += FormatResultValue(value, decimalSeparator);
        line += ' ';
    }
    line += "\r\n";
    return line;
}

std::optional<FileError> StartResultFile(const std::string& ResultPath) {
    if (auto error = appendBytes(ResultPath, {}, "create"))
        return error;
    errno = 0;
    if (std::remove(ResultPath.c_str()) != 0)
        return fileError("delete", ResultPath, errno);
    return appendBytes(ResultPath, ResultHeaderLine(), "create");
}

std::optional<FileError> AppendResultValues(const std::string& ResultPath,
                                            const KappaResult& result, char decimalSeparator) {
    return appendBytes(ResultPath, ResultValuesLine(result, decimalSeparator), "open");
}

} // namespace brennic
