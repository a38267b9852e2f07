#include "file_copy.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace brennic {
namespace {

std::string reason(int error) {
    return std::generic_category().message(error);
}

} // namespace

std::optional<std::string> CopyFileReplacing(const std::string& source,
                                             const std::string& destination) {
    errno = 0;
    std::FILE* in = std::fopen(source.c_str(), "rb");
    if (in == nullptr)
        return "cannot read " + source + ": " + reason(errno);
    std::vector<char> bytes;
    char buffer[8192];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool readFailed = std::ferror(in) != 0;
    const int readError = errno;
    std::fclose(in);
    if (readFailed)
        return "cannot read " + source + ": " + reason(readError);

    namespace fs = std::filesystem;
    const fs::path target(destination);
    std::string temporaryName = ".";
    temporaryName += target.filename().string();
    temporaryName += ".saving";
    const fs::path temporary = target.parent_path() / temporaryName;
    errno = 0;
    std::FILE* out = std::fopen(temporary.string().c_str(), "wb");
    if (out == nullptr)
        return "cannot write " + destination + ": " + reason(errno);
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int writeError = errno;
    if (std::fclose(out) != 0 || !written) {
        const int error = written ? errno : writeError;
        std::remove(temporary.string().c_str());
        return "cannot write " + destination + ": " + reason(error);
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        std::remove(temporary.string().c_str());
        return "cannot write " + destination + ": " + ec.message();
    }
    return std::nullopt;
}

} // namespace brennic
