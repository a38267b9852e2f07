// The program directory: the running program file's path without its last part.
#include "program_directory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace brennic::platform {

std::string DirectoryOfPath(const std::string& path, const char* separators) {
    const auto separator = path.find_last_of(separators);
    if (separator == std::string::npos)
        return path;
    // A root directory keeps its separator: "/", "C:\".
    const bool root = separator == 0 || (separator == 2 && path[1] == ':');
    return path.substr(0, root ? separator + 1 : separator);
}

#ifdef _WIN32

std::string ProgramDirectory() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return DirectoryOfPath(std::string(buffer, length), "\\/");
}

#else

std::string ProgramDirectory() {
    char buffer[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    return DirectoryOfPath(std::string(buffer, static_cast<std::size_t>(length)), "/");
}

#endif

} // namespace brennic::platform
