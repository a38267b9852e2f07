// The matrix and ratings readers fed by sources that fail or never end: a read
// error is never taken for the end of the input, and input that cannot be read
// is refused after a bounded number of bytes, by the line it names. The ratings:
// what counts as missing, the order of the classes, the header, quoted labels.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "../core/test_support.h"
#include "input/matrix_input.h"
#include "input/ratings_input.h"
#include "input/samples_input.h"

namespace brennic {
namespace {

using test::Has;

// `text`, over and over when `endless`, failing with `error` after `failAfter`
// bytes when that is set.
class MadeUpSource : public ByteSource {
  public:
    MadeUpSource(std::string text, bool endless = false, std::size_t failAfter = SIZE_MAX,
                 int error = 0)
        : m_text(std::move(text)), m_end(endless ? SIZE_MAX : m_text.size()),
          m_failAfter(failAfter), m_error(error) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size, int& error) override {
        if (m_given >= m_failAfter) {
            error = m_error;
            return -1;
        }
        std::size_t n = 0;
        for (; n < size && m_given < std::min(m_end, m_failAfter); ++n)
            buffer[n] = m_text[m_given++ % m_text.size()];
        return static_cast<std::ptrdiff_t>(n);
    }
    std::size_t given() const { return m_given; }

  private:
    std::string m_text;
    std::size_t m_end, m_failAfter;
    int m_error;
    std::size_t m_given = 0;
};

TEST(ReadMatrix, ReadErrorsAndEndlessInputAreRefused) {
    // clang-format off
    const struct {
        const char* name; MadeUpSource source; InputError::Kind kind; std::string message;
    } rows[] = {
        {"error_after_whole_rows", {"20 5 0\n3 15 2\n2 5 48\n", false, 14, ENOMEM},
         InputError::ReadError, std::generic_category().message(ENOMEM)},
        {"error_inside_a_line", {"20 5 0\n3 15 2\n2 5 4", false, 19, EIO},
         InputError::ReadError, std::generic_category().message(EIO)},
        {"endless_one_cell_rows", {"1\n", true}, InputError::BadInput,
         "line 2 is row 2, but the rows have 1 cell: the matrix must be square"},
        {"endless_line_of_digits", {"1234567890", true}, InputError::BadInput,
         "line 1, cell 1 is longer than 4096 characters"},
        {"endless_line_of_cells", {"1 ", true}, InputError::BadInput,
         "line 1 has more than 254 cells; at most 254 classes are allowed"},
        {"endless_square_rows", {"1 2\n", true}, InputError::BadInput,
         "line 3 is row 3, but the rows have 2 cells: the matrix must be square"},
        // clang-format on
    };
    for (auto row : rows) {
        SCOPED_TRACE(row.name);
        const auto read = ReadMatrix(row.source, '.');
        ASSERT_TRUE(std::holds_alternative<InputError>(read));
        EXPECT_EQ(std::get<InputError>(read).kind, row.kind);
        EXPECT_EQ(std::get<InputError>(read).message, row.message);
        EXPECT_LE(row.source.given(), 1u << 20) << "read on after the input was refused";
    }
}

// Cells padded with zeros up to the longest text a cell may hold, and files that
// end without a line end beyond the reader's first and later buffers: every count
// is read, from a made-up source and from a file.
TEST(ReadMatrix, ReadsLongCellsAndALastLineWithoutItsEnd) {
    // The size of the matrix and the width of each cell.
    const std::tuple<const char*, int, std::size_t> rows[] = {
        {"cell_of_exactly_4096_characters", 2, MaxCellText},
        {"beyond_2_kib", 3, 300},
        {"beyond_64_kib", 20, 200}};
    for (const auto& [name, n, width] : rows) {
        SCOPED_TRACE(name);
        std::string text;
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= n; ++c) {
                const std::string count = std::to_string(r * 1000 + c);
                text += std::string(width - count.size(), '0') + count +
                        (c < n   ? " "
                         : r < n ? "\n"
                                 : "");
            }
        std::FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), file), text.size());
        std::rewind(file);
        MadeUpSource madeUp(text);
        FileSource fromFile(file);
        for (ByteSource* source : std::initializer_list<ByteSource*>{&madeUp, &fromFile}) {
            const auto read = ReadMatrix(*source, '.');
            ASSERT_TRUE(std::holds_alternative<ErrorMatrix>(read))
                << std::get<InputError>(read).message;
            const ErrorMatrix& m = std::get<ErrorMatrix>(read);
            ASSERT_EQ(m.size(), n);
            for (int r = 1; r <= n; ++r)
                for (int c = 1; c <= n; ++c)
                    EXPECT_EQ(m.x(r, c), r * 1000 + c);
        }
        std::fclose(file);
    }
}

TEST(QuotedCellText, KeepsAMessageOnOneReadableLine) {
    EXPECT_EQ(QuotedCellText("x4"), "'x4'");
    // Characters a terminal would act on, and bytes that are not UTF-8, as \xNN;
    // letters of any script as written, counted as characters for the cut.
    EXPECT_EQ(QuotedCellText("a\tb\r\n\x1b\x7f\xc3\xa9\xff\xe2\x80\xae\xc2\x85"),
              "'a\\x09b\\x0D\\x0A\\x1B\\x7F\xc3\xa9\\xFF\\xE2\\x80\\xAE\\xC2\\x85'");
    EXPECT_EQ(QuotedCellText("Gew\xc3\xa4sser" + std::string(33, 'x')),
              "'Gew\xc3\xa4sser" + std::string(32, 'x') + "\u2026'");
    EXPECT_EQ(QuotedCellText(std::string(41, '9')), "'" + std::string(40, '9') + "\u2026'");
    EXPECT_EQ(QuotedCellText(std::string(40, '9')), "'" + std::string(40, '9') + "'");
}

// The table as "labels | raters | rows", each row's ratings by label ("-" for
// missing) and "x2" when it stands for two units; or "refused: " and the message.
std::string shown(const std::string& input, const RatingsOptions& options) {
    MadeUpSource in(input);
    const auto read = ReadRatings(in, options);
    if (const auto* error = std::get_if<InputError>(&read))
        return "refused: " + error->message;
    const RatingsTable& t = std::get<RatingsTable>(read);
    std::string out;
    for (const auto& label : t.labels)
        out += label + " ";
    out += "| " + std::to_string(t.raters) + " |";
    EXPECT_EQ(t.units.size() * t.raters, t.ratings.size());
    for (std::size_t i = 0; i < t.ratings.size(); ++i) {
        out += " " + (t.ratings[i] == NoRating ? std::string("-") : t.labels.at(t.ratings[i]));
        if (i % t.raters == t.raters - 1 && t.units[i / t.raters] != 1)
            out += " x" + std::to_string(t.units[i / t.raters]);
    }
    return out + (t.values.empty() ? "" : " | numbers");
}

TEST(ReadRatings, MissingRatingsClassOrderAndHeader) {
    const auto classes = [](std::vector<std::string> c) {
        return RatingsOptions{'.', false, c, {}};
    };
    std::string many; // 255 labels: one more than a byte holds besides the missing mark
    for (int k = 0; k < 255; ++k)
        many += "a" + std::to_string(k) + ",x\n";
    // The table shown, or words of the refusal's message.
    // clang-format off
    const struct { const char* name; RatingsOptions options; std::string input, table; } rows[] = {
        {"numbers_in_numeric_order", {}, "10,2,9\n2,2,NA\n", "2 9 10 | 3 | 10 2 9 2 2 - | numbers"},
        {"names_in_order_of_appearance", {}, "b;a\n\"c\";b\r\n", "b a c | 2 | b a c b"},
        {"empty_fields_and_missing_texts", {'.', false, {}, {"?", "n/a"}}, "1,,?\n,n/a,2\n1,2,\n",
         "1 2 | 3 | 1 - - - - 2 1 2 - | numbers"},
        {"header_names_raters", {'.', true, {}, {}}, "r1\tr2\n\n2\t1\n", "1 2 | 2 | 2 1 | numbers"},
        {"classes_fix_order", classes({"c", "b", "a"}), "a b\nb NA\n", "c b a | 2 | a b b -"},
        {"quoted_delimiters", {}, "\"x, y\",z\nz,\"x, y\"\n", "x, y z | 2 | x, y z z x, y"},
        {"decimal_comma_numbers", {',', false, {}, {}}, "1,5;2\n0,5;1,5\n",
         "0,5 1,5 2 | 2 | 1,5 2 0,5 1,5 | numbers"},
        {"blank_lines_between_units", {}, "1 2\n\n\n2 2\n", "1 2 | 2 | 1 2 2 2 | numbers"},
        {"same_rows_kept_once_with_their_units", {'.', false, {}, {"-"}},
         "a,b\nb,a\na,b\n-,NA\na,b\n,\n", "a b | 2 | a b x3 b a - - x2"},
        {"line_with_fewer_fields", {}, "1,2,3\n1,2,3\n\n1,2\n",
         "line 4 holds 2 ratings; line 1 holds 3 and every line as many"},
        {"line_with_more_fields", {}, "1,2\n1,2,3\n",
         "line 2 holds more than 2 ratings; line 1 holds 2 and every line as many"},
        {"header_sets_the_raters", {'.', true, {}, {}}, "a,b,c\n1,2\n",
         "line 2 holds 2 ratings; line 1 holds 3 and every line as many"},
        {"label_outside_classes", classes({"a", "b"}), "a,b\nb,c\n",
         "line 2, rating 2: 'c' is not one of the classes given with --classes"},
        {"control_character", {}, "a,b\na,\x1b[2J\n", "line 2, rating 2"},
        {"unclosed_quote", {}, "\"a,b\n", "line 1, rating 1 opens a quote"},
        {"nothing_to_read", {}, "\n\n", "no ratings were read"},
        {"more_than_254_classes", {}, many, "more than 254 classes"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string got = shown(row.input, row.options);
        EXPECT_TRUE(got == row.table || (got.rfind("refused: ", 0) == 0 && Has(got, row.table)))
            << got;
    }
}

} // namespace
} // namespace brennic

namespace brennic {
namespace {

// Two maps' classes of the same units: each map's matrix over the union of the
// classes, the units counted once per (stratum, A, B, reference), a unit with a
// missing label left out of both, the columns chosen among more.
TEST(ReadCompared, EachMapsMatrixAndTheUnitsCounts) {
    PairsOptions pairs;
    pairs.header = true;
    pairs.missing = {"NA"};
    pairs.columns = std::vector<std::string>{"a", "b", "ref"};
    MadeUpSource source("id,ref,b,a\n1,x,x,y\n2,y,x,y\n3,x,NA,x\n4,z,z,y\n5,x,x,y\n");
    auto read = ReadComparedPairs(source, pairs);
    ASSERT_TRUE(std::holds_alternative<ComparedRead>(read)) << std::get<InputError>(read).message;
    const ComparedRead& r = std::get<ComparedRead>(read);
    // Classes in the order met: y (A of unit 1), x, z.
    EXPECT_EQ(r.a.labels, (std::vector<std::string>{"y", "x", "z"}));
    EXPECT_EQ(r.b.labels, r.a.labels);
    EXPECT_EQ(r.a.leftOut, 1u);
    // By hand, rows the map, columns the reference: A puts units 1, 5 (x) and 4
    // (z) in y and unit 2 (y) in y; B puts 1, 2, 5 in x and 4 in z.
    const std::pair<const LabelledMatrix*, std::vector<double>> matrices[] = {
        {&r.a, {1, 2, 1, 0, 0, 0, 0, 0, 0}}, {&r.b, {0, 0, 0, 1, 2, 0, 0, 0, 1}}};
    for (const auto& [m, cells] : matrices)
        for (int i = 1; i <= 3; ++i)
            for (int j = 1; j <= 3; ++j)
                EXPECT_EQ(m->matrix.x(i, j), cells[static_cast<std::size_t>((i - 1) * 3 + j - 1)])
                    << i << "," << j;
    ASSERT_EQ(r.compared.cells.size(), 3u); // (y, x, x) twice, (y, x, y), (y, z, z)
    EXPECT_EQ(r.compared.cells[0].count + r.compared.cells[1].count + r.compared.cells[2].count,
              4.0);
    EXPECT_TRUE(r.compared.strata.empty());
}

} // namespace
} // namespace brennic
