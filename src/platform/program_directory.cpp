// The program directory: the running program file's path without its last part.
#include "platform/program_directory.h"

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
    // A path that fills the buffer may have been cut: try again with more room.
    for (DWORD size = MAX_PATH + 1; size <= 32768 * 2; size *= 2) {
        std::string buffer(size, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            break;
        if (length < size)
            return DirectoryOfPath(buffer.substr(0, length), "\\/");
    }
    return ".";
}

#else

std::string ProgramDirectory() {
    // readlink cuts a path that does not fit without saying so: a path that fills
    // the buffer is read again with more room.
    for (std::size_t size = PATH_MAX; size <= 16 * PATH_MAX; size *= 2) {
        std::string buffer(size, '\0');
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), size);
        if (length <= 0)
            break;
        if (static_cast<std::size_t>(length) < size)
            return DirectoryOfPath(buffer.substr(0, static_cast<std::size_t>(length)), "/");
    }
    // Without the program's own path, the directory it was started from.
    return ".";
}

#endif

} // namespace brennic::platform
