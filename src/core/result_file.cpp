// The file is written through C streams opened in binary mode, so the CR LF line
// ends are the program's own on every platform, and every open, write and close
// is checked.
#include "core/result_file.h"

#include "core/number_text.h"

namespace brennic {
namespace {

FileError fileError(const char* operation, const std::string& path, int error, bool gone) {
    return FileError{operation, path, SystemReason(error), gone};
}

// Opens for appending, writes `bytes` (possibly none) and closes.
std::optional<FileError> appendBytes(FileSystem& files, const std::string& path,
                                     const std::string& shownPath, std::string_view bytes,
                                     const char* openOperation, bool gone) {
    std::FILE* file = nullptr;
    if (const int error = files.Open(path, FileSystem::OpenMode::Append, file))
        return fileError(openOperation, shownPath, error, gone);
    if (const int error = bytes.empty() ? 0 : files.Write(file, bytes)) {
        files.Close(file);
        return fileError("write", shownPath, error, gone);
    }
    if (const int error = files.Close(file)) // the buffered bytes could not be written
        return fileError("write", shownPath, error, gone);
    return std::nullopt;
}

} // namespace

std::string DescribeFileError(const FileError& error) {
    if (error.operation.empty())
        return error.path + " " + error.reason;
    return "cannot " + error.operation + " " + error.path + ": " + error.reason;
}

std::string MakeResultPath(std::string_view programDirectory) {
    std::string path(programDirectory);
    path += PathSeparator;
    path += "Result.txt";
    return path;
}

std::string ResultHeaderLine() {
    std::string line;
    for (std::size_t i = 0; i < ResultFileFigures; ++i) {
        line += i == 0 ? "\"" : ",\"";
        line += catalogue::Overall[i].label;
        line += '"';
    }
    return line + "\r\n";
}

std::string ResultValuesLine(const KappaResult& r, char decimalSeparator) {
    std::string line;
    line.reserve(7 * 24);
    for (double value : r.values) {
        line += FormatResultValue(value, decimalSeparator);
        line += ' ';
    }
    line += "\r\n";
    return line;
}

std::optional<FileError> StartResultFile(const std::string& resultPath, FileSystem& files) {
    // Deleting a device or a FIFO and making a file in its place would damage
    // the system; opening a FIFO would wait for a reader that never comes.
    const FileFacts facts = files.Inspect(resultPath);
    if (facts.kind == FileKind::Other)
        return FileError{"", resultPath, "is not a regular file", false};
    const std::string& target = facts.target;
    if (auto error = appendBytes(files, target, resultPath, {}, "create", false))
        return error;
    if (const int error = files.Delete(target))
        return fileError("delete", resultPath, error, false);
    if (auto error = appendBytes(files, target, resultPath, ResultHeaderLine(), "create", true))
        return error;
    if (facts.kind == FileKind::Regular) {
        if (const int error = files.SetPermissions(target, facts.permissions))
            return fileError("keep the permissions of", resultPath, error, true);
    }
    return std::nullopt;
}

std::optional<FileError> AppendResultValues(const std::string& resultPath,
                                            const KappaResult& result, char decimalSeparator,
                                            FileSystem& files) {
    return appendBytes(files, resultPath, resultPath, ResultValuesLine(result, decimalSeparator),
                       "open", true);
}

} // namespace brennic
