#include "core/file_copy.h"

#include <filesystem>

namespace brennic {

std::optional<FileError> CopyFileReplacing(const std::string& source,
                                           const std::string& destination, FileSystem& files) {
    const auto failed = [](const char* operation, const std::string& path, int error) {
        return FileError{operation, path, SystemReason(error), false};
    };
    std::FILE* in = nullptr;
    if (const int error = files.Open(source, FileSystem::OpenMode::Read, in))
        return failed("read", source, error);
    std::string bytes;
    const int readError = files.ReadAll(in, bytes);
    files.Close(in); // nothing was written through it
    if (readError != 0)
        return failed("read", source, readError);

    const FileFacts facts = files.Inspect(destination);
    if (facts.kind == FileKind::Other)
        return FileError{"", destination, "is not a regular file", false};
    namespace fs = std::filesystem;
    const fs::path target(facts.target);
    // Appended piece by piece: GCC 12 warns falsely about a chain of + here.
    std::string temporaryName = ".";
    temporaryName += target.filename().string();
    temporaryName += ".saving";
    const std::string temporary = (target.parent_path() / temporaryName).string();
    std::FILE* out = nullptr;
    if (const int error = files.Open(temporary, FileSystem::OpenMode::Write, out))
        return failed("write", destination, error);
    int error = files.Write(out, bytes);
    if (const int closeError = files.Close(out); error == 0)
        error = closeError;
    if (error == 0 && facts.kind == FileKind::Regular)
        error = files.SetPermissions(temporary, facts.permissions);
    if (error == 0)
        error = files.Rename(temporary, facts.target);
    if (error != 0) {
        files.Delete(temporary);
        return failed("write", destination, error);
    }
    return std::nullopt;
}

} // namespace brennic
