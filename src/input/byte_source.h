// Where an input's bytes come from: a file named on the command line or
// standard input, read in pieces and closed whatever happens.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <variant>

#include "core/input_error.h"

namespace brennic {

// Where the input comes from, read in pieces.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes: how many (0 at the end of the input), or -1 with
    // the system's error number in `error`.
    virtual std::ptrdiff_t Read(char* buffer, std::size_t size, int& error) = 0;
};

// A C stream: a file, or standard input.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(std::FILE* file) : m_file(file) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size, int& error) override;

  private:
    std::FILE* m_file;
};

// The input FILE of the command line ("-" for standard input), open for reading
// as long as this lives; a file it opened is closed again, on every way out.
class InputFile {
  public:
    // `standardInput` stands for "-". Check Opened() before reading.
    InputFile(const std::string& path, std::FILE* standardInput);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Opened() const { return m_file != nullptr; }
    int OpenError() const { return m_openError; } // the system's error number
    // "standard input", or the path.
    const std::string& Name() const { return m_name; }
    FileSource& Source() { return m_source; }

  private:
    std::string m_name;
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    int m_openError = 0;
    FileSource m_source{nullptr};
};

// The whole of the file at `path`, or why it cannot be read: a FIFO, device or
// socket is refused before it is opened, a system error given in its words
// ("cannot read PATH: ...").
std::variant<std::string, InputError> ReadWholeFile(const std::string& path);

} // namespace brennic
