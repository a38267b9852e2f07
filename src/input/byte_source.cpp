#include "input/byte_source.h"

#include "core/file_system.h"
#include <cerrno>
#include <fstream>
#include <sstream>

namespace brennic {

std::ptrdiff_t FileSource::Read(char* buffer, std::size_t size, int& error) {
    errno = 0;
    const std::size_t got = std::fread(buffer, 1, size, m_file);
    if (got == 0 && std::ferror(m_file) != 0) {
        error = errno != 0 ? errno : EIO;
        return -1;
    }
    return static_cast<std::ptrdiff_t>(got);
}

InputFile::InputFile(const std::string& path, std::FILE* standardInput)
    : m_name(path == "-" ? "standard input" : path) {
    if (path == "-") {
        m_file = standardInput;
    } else {
        errno = 0;
        m_file = std::fopen(path.c_str(), "rb");
        m_owned = m_file != nullptr;
        if (m_file == nullptr)
            m_openError = errno != 0 ? errno : EIO;
    }
    m_source = FileSource(m_file);
}

InputFile::~InputFile() {
    if (m_owned)
        std::fclose(m_file);
}

std::variant<std::string, InputError> ReadWholeFile(const std::string& path) {
    if (const InputNature nature = NatureOfInput(path); nature != InputNature::File)
        return InputError{InputError::ReadError,
                          "cannot read " + path + ": " + InputNatureReason(nature)};
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return InputError{InputError::ReadError,
                          "cannot read " + path + ": " + SystemReason(errno != 0 ? errno : EIO)};
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (file.bad())
        return InputError{InputError::ReadError, "cannot read " + path};
    return bytes.str();
}

} // namespace brennic
