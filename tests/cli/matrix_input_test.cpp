// The matrix reader fed by sources that fail or never end: a read error is never
// taken for the end of the input, and input that cannot be a matrix is refused
// after a bounded number of bytes, however much more would follow.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "matrix_input.h"

namespace brennic {
namespace {

// `text` once, then `repeated` over and over (or the end of the input when it
// is empty), failing with `error` after `failAfter` bytes when that is set.
class MadeUpSource : public ByteSource {
  public:
    MadeUpSource(std::string text, std::string repeated, std::size_t failAfter = 0, int error = 0)
        : m_text(std::move(text)), m_repeated(std::move(repeated)), m_failAfter(failAfter),
          m_error(error) {}

    std::ptrdiff_t Read(char* buffer, std::size_t size, int& error) override {
        if (m_error != 0 && m_given >= m_failAfter) {
            error = m_error;
            return -1;
        }
        std::size_t n = 0;
        for (; n < size && (m_given < m_text.size() || !m_repeated.empty()); ++n, ++m_given) {
            if (m_error != 0 && m_given == m_failAfter)
                break;
            buffer[n] = m_given < m_text.size()
                            ? m_text[m_given]
                            : m_repeated[(m_given - m_text.size()) % m_repeated.size()];
        }
        return static_cast<std::ptrdiff_t>(n);
    }
    std::size_t given() const { return m_given; }

  private:
    std::string m_text, m_repeated;
    std::size_t m_failAfter;
    int m_error;
    std::size_t m_given = 0;
};

TEST(ReadMatrix, ReadErrorsAndEndlessInputAreRefused) {
    const struct {
        const char* name;
        MadeUpSource source;
        MatrixInputError::Kind kind;
        std::string message;
    } rows[] = {
        // clang-format off
        {"error_after_whole_rows", {"20 5 0\n3 15 2\n2 5 48\n", "", 14, ENOMEM},
         MatrixInputError::ReadError, std::generic_category().message(ENOMEM)},
        {"error_inside_a_line", {"20 5 0\n3 15 2\n2 5 4", "", 19, EIO},
         MatrixInputError::ReadError, std::generic_category().message(EIO)},
        {"endless_one_cell_rows", {"", "1\n"}, MatrixInputError::BadInput,
         "line 2 is row 2, but the rows have 1 cell: the matrix must be square"},
        {"endless_line_of_digits", {"", "1234567890"}, MatrixInputError::BadInput,
         "line 1, cell 1 is longer than 4096 characters"},
        {"endless_line_of_cells", {"", "1 "}, MatrixInputError::BadInput,
         "line 1 has more than 254 cells; at most 254 classes are allowed"},
        {"endless_square_rows", {"", "1 2\n"}, MatrixInputError::BadInput,
         "line 3 is row 3, but the rows have 2 cells: the matrix must be square"},
        // clang-format on
    };
    for (auto row : rows) {
        SCOPED_TRACE(row.name);
        const auto read = ReadMatrix(row.source, '.');
        ASSERT_TRUE(std::holds_alternative<MatrixInputError>(read));
        EXPECT_EQ(std::get<MatrixInputError>(read).kind, row.kind);
        EXPECT_EQ(std::get<MatrixInputError>(read).message, row.message);
        EXPECT_LE(row.source.given(), 1u << 20) << "read on after the input was refused";
    }
}

// Cells padded with zeros up to the longest text a cell may hold, and files that
// end without a line end beyond the reader's first and later buffers: every count
// is read, from a made-up source and from a file.
TEST(ReadMatrix, ReadsLongCellsAndALastLineWithoutItsEnd) {
    const struct {
        const char* name;
        int n;
        std::size_t width; // of each cell
    } rows[] = {
        {"cell_of_exactly_4096_characters", 2, MaxCellText},
        {"beyond_2_kib", 3, 300},
        {"beyond_64_kib", 20, 200},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string text;
        for (int r = 1; r <= row.n; ++r)
            for (int c = 1; c <= row.n; ++c) {
                const std::string count = std::to_string(r * 1000 + c);
                text += std::string(row.width - count.size(), '0') + count;
                text += c < row.n ? " " : r < row.n ? "\n" : "";
            }
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
        std::rewind(file);
        MadeUpSource madeUp(text, "");
        FileSource fromFile(file);
        for (ByteSource* source :
             {static_cast<ByteSource*>(&madeUp), static_cast<ByteSource*>(&fromFile)}) {
            const auto read = ReadMatrix(*source, '.');
            ASSERT_TRUE(std::holds_alternative<ErrorMatrix>(read))
                << std::get<MatrixInputError>(read).message;
            const ErrorMatrix& m = std::get<ErrorMatrix>(read);
            ASSERT_EQ(m.size(), row.n);
            for (int r = 1; r <= row.n; ++r)
                for (int c = 1; c <= row.n; ++c)
                    EXPECT_EQ(m.x(r, c), r * 1000 + c);
        }
        std::fclose(file);
    }
}

TEST(QuotedCellText, KeepsAMessageOnOneReadableLine) {
    EXPECT_EQ(QuotedCellText("x4"), "'x4'");
    // Characters a terminal would act on, and bytes that are not UTF-8, as \xNN;
    // letters of any script as written, counted as characters for the cut.
    // Characters a terminal would act on, and bytes that are not UTF-8, as \xNN;
    // letters of any script as written, counted as characters for the cut.
    EXPECT_EQ(QuotedCellText("a\tb\r\n\x1b\x7f\xc3\xa9\xff\xe2\x80\xae\xc2\x85"),
              "'a\\x09b\\x0D\\x0A\\x1B\\x7F\xc3\xa9\\xFF\\xE2\\x80\\xAE\\xC2\\x85'");
    EXPECT_EQ(QuotedCellText("Gew\xc3\xa4sser" + std::string(33, 'x')),
              "'Gew\xc3\xa4sser" + std::string(32, 'x') + "\u2026'");
    EXPECT_EQ(QuotedCellText(std::string(41, '9')), "'" + std::string(40, '9') + "\u2026'");
    EXPECT_EQ(QuotedCellText(std::string(40, '9')), "'" + std::string(40, '9') + "'");
}

} // namespace
} // namespace brennic
