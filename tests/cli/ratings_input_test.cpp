// Reading a table of ratings: what counts as missing, the order of the classes,
// the header, quoted labels, and each refusal with the line it names.
#include <gtest/gtest.h>

#include <cstring>

#include "ratings_input.h"

namespace brennic {
namespace {

class TextSource : public ByteSource {
  public:
    explicit TextSource(std::string text) : m_text(std::move(text)) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size, int&) override {
        const std::size_t n = std::min(size, m_text.size() - m_at);
        std::memcpy(buffer, m_text.data() + m_at, n);
        m_at += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string m_text;
    std::size_t m_at = 0;
};

// The table as "labels | raters | rows", each row's ratings by label ("-" for
// missing) and "x2" when it stands for two units.
std::string shown(const RatingsTable& t) {
    std::string out;
    for (const auto& label : t.labels)
        out += label + " ";
    out += "| " + std::to_string(t.raters) + " |";
    EXPECT_EQ(t.units.size() * t.raters, t.ratings.size());
    for (std::size_t i = 0; i < t.ratings.size(); ++i) {
        const std::uint8_t r = t.ratings[i];
        out += " " + (r == NoRating ? std::string("-") : t.labels.at(r));
        const std::size_t row = i / t.raters;
        if (i % t.raters == t.raters - 1 && t.units[row] != 1)
            out += " x" + std::to_string(t.units[row]);
    }
    if (!t.values.empty())
        out += " | numbers";
    return out;
}

TEST(ReadRatings, MissingRatingsClassOrderAndHeader) {
    struct Row {
        const char* name;
        RatingsOptions options;
        std::string input, table;
    } rows[] = {
        // clang-format off
        {"numbers_in_numeric_order", {}, "10,2,9\n2,2,NA\n", "2 9 10 | 3 | 10 2 9 2 2 - | numbers"},
        {"names_in_order_of_appearance", {}, "b;a\n\"c\";b\r\n", "b a c | 2 | b a c b"},
        {"empty_fields_and_missing_texts", {'.', false, {}, {"?", "n/a"}}, "1,,?\n,n/a,2\n1,2,\n",
         "1 2 | 3 | 1 - - - - 2 1 2 - | numbers"},
        {"header_names_the_raters", {'.', true, {}, {}}, "r1\tr2\n\n2\t1\n", "1 2 | 2 | 2 1 | numbers"},
        {"classes_fix_order_and_add_unused", {'.', false, std::vector<std::string>{"c", "b", "a"}, {}},
         "a b\nb NA\n", "c b a | 2 | a b b -"},
        {"quoted_labels_with_delimiters", {}, "\"x, y\",z\nz,\"x, y\"\n", "x, y z | 2 | x, y z z x, y"},
        {"decimal_comma_numbers", {',', false, {}, {}}, "1,5;2\n0,5;1,5\n",
         "0,5 1,5 2 | 2 | 1,5 2 0,5 1,5 | numbers"},
        {"blank_lines_between_units", {}, "1 2\n\n\n2 2\n", "1 2 | 2 | 1 2 2 2 | numbers"},
        {"same_rows_kept_once_with_their_units", {'.', false, {}, {"-"}},
         "a,b\nb,a\na,b\n-,NA\na,b\n,\n", "a b | 2 | a b x3 b a - - x2"},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TextSource in(row.input);
        auto read = ReadRatings(in, row.options);
        ASSERT_TRUE(std::holds_alternative<RatingsTable>(read))
            << std::get<MatrixInputError>(read).message;
        EXPECT_EQ(shown(std::get<RatingsTable>(read)), row.table);
    }
}

TEST(ReadRatings, RefusalsNameTheLine) {
    struct Row {
        const char* name;
        RatingsOptions options;
        std::string input, message;
    } rows[] = {
        // clang-format off
        {"line_with_fewer_fields", {}, "1,2,3\n1,2,3\n\n1,2\n",
         "line 4 holds 2 ratings; line 1 holds 3 and every line as many"},
        {"line_with_more_fields", {}, "1,2\n1,2,3\n",
         "line 2 holds more than 2 ratings; line 1 holds 2 and every line as many"},
        {"header_sets_the_raters", {'.', true, {}, {}}, "a,b,c\n1,2\n",
         "line 2 holds 2 ratings; line 1 holds 3 and every line as many"},
        {"label_outside_classes", {'.', false, std::vector<std::string>{"a", "b"}, {}}, "a,b\nb,c\n",
         "line 2, rating 2: 'c' is not one of the classes given with --classes"},
        {"control_character", {}, "a,b\na,\x1b[2J\n", "line 2, rating 2"},
        {"unclosed_quote", {}, "\"a,b\n", "line 1, rating 1 opens a quote"},
        {"nothing_to_read", {}, "\n\n", "no ratings were read"},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TextSource in(row.input);
        auto read = ReadRatings(in, row.options);
        ASSERT_TRUE(std::holds_alternative<MatrixInputError>(read));
        EXPECT_NE(std::get<MatrixInputError>(read).message.find(row.message), std::string::npos)
            << std::get<MatrixInputError>(read).message;
    }
    // 255 different labels: one more than a byte holds besides the missing mark.
    std::string many;
    for (int k = 0; k < 255; ++k)
        many += "a" + std::to_string(k) + ",x\n";
    TextSource in(many);
    auto read = ReadRatings(in, {});
    ASSERT_TRUE(std::holds_alternative<MatrixInputError>(read));
    EXPECT_NE(std::get<MatrixInputError>(read).message.find("more than 254 classes"),
              std::string::npos);
}

} // namespace
} // namespace brennic
