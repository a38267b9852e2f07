// Starting brennic-kappa-maps in place of brennic-kappa for --map: execv keeps the
// process, its standard streams and its exit status for the caller.
#include "cli/map_companion.h"

#include <cerrno>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "core/file_system.h"

namespace brennic {

std::variant<CountedInput, InputError>
CompanionMapCounting::Count(const MapOptions&, const std::optional<std::vector<std::string>>&) {
    return start();
}

InputError CompanionMapCounting::start() {
    const std::string path =
        (m_directory.empty() ? RunningProgramDirectory() : m_directory) + "/" + MapCompanionName;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (std::string& arg : m_args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Nothing written so far may be lost when the process image is replaced.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    execv(path.c_str(), argv.data());
    const int error = errno;
    return InputError{InputError::ReadError,
                      "cannot start " + path + ", which reads the maps: " + SystemReason(error)};
}

std::string RunningProgramDirectory() {
    std::string buffer(4096, '\0');
    const ssize_t size = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (size <= 0 || static_cast<std::size_t>(size) >= buffer.size())
        return {};
    buffer.resize(static_cast<std::size_t>(size));
    const std::size_t slash = buffer.rfind('/');
    return slash == std::string::npos ? std::string(".") : buffer.substr(0, slash);
}

} // namespace brennic
