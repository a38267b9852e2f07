// Reading a matrix typed as text, one row per line, for the command-line tool.
// The input is read as a stream and refused as soon as it cannot be a matrix, so
// memory stays small whatever is fed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>

#include "error_matrix.h"
#include "labels.h"

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

// Why the input gives no matrix.
struct MatrixInputError {
    enum Kind {
        BadInput,  // not a square matrix of numbers; the message names the line
        ReadError, // the input could not be read; the message is the system's reason
    } kind;
    std::string message;
};

// The longest text a cell may hold; far beyond any count.
inline constexpr std::size_t MaxCellText = 4096;

// Splits each non-blank line into cells at blanks, tabs and semicolons, and at
// commas when the decimal separator is not a comma, and reads each cell as a
// number. Lines end at LF, CR LF or CR alone; a UTF-8 byte-order mark at the
// start is skipped. The rows must form a square of 2 to 254 classes.
std::variant<ErrorMatrix, MatrixInputError> ReadMatrix(ByteSource& in, char decimalSeparator);

// "1 cell", "2 cells".
std::string Plural(std::uint64_t count, std::string_view word);

} // namespace brennic
