// The readings of number texts (strict for cells and the size box, lenient for
// the input box), rounding to whole numbers, and the digits of the result file.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <optional>
#include <string>

#include "number_text.h"

namespace brennic {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr std::optional<double> None;

TEST(NumberOfText, ReadsOrRefusesEachForm) {
    const struct {
        const char* name;
        std::string text;
        std::optional<double> expected; // with a point as the separator
    } rows[] = {
        // clang-format off
        {"plus_sign", "+7", 7.0},                {"negative_fraction", "-2.5", -2.5},
        {"separator_first", ".5", 0.5},          {"separator_last", "5.", 5.0},
        {"exponent_upper", "1E3", 1000.0},       {"exponent_lower_signed", "25e-1", 2.5},
        {"blanks_and_tabs_around", " \t 12 \t", 12.0},
        {"halfway_rounds_to_even", "9007199254740993", 9007199254740992.0},
        {"largest_double", "1.7976931348623157e308", 1.7976931348623157e308},
        {"smallest_subnormal", "4.9406564584124654e-324", 4.9406564584124654e-324},
        {"underflow_reads_zero", "1e-400", 0.0},
        {"beyond_range_by_digits", "1" + std::string(309, '0'), None},
        {"beyond_range_huge_exponent", "1e99999999999999999999", None},
        {"beyond_range", "-1.8e308", None},      {"empty", "", None},
        {"blanks_only", " \t ", None},           {"nan", "nan", None},
        {"inf", "-inf", None},                   {"hexadecimal", "0x1F", None},
        {"thousands_comma", "1,000", None},      {"other_separator", "2,5", None},
        {"lone_sign", "-", None},                {"lone_separator", ".", None},
        {"exponent_no_digits", "1e", None},      {"exponent_sign_only", "1e+", None},
        {"no_mantissa", "e5", None},             {"blank_inside", "1 2", None},
        {"two_separators", "1.2.3", None},       {"trailing_letters", "5abc", None},
        {"line_feed_after", "5\n", None},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NumberOfText(row.text, '.'), row.expected);
    }
    EXPECT_EQ(NumberOfText("-2,5e1", ','), -25.0);
    EXPECT_EQ(NumberOfText("2.5", ','), None) << "the point is not the separator";
    EXPECT_EQ(NumberOfText("1.000,5", ','), None) << "nor a thousands separator";
}

TEST(LeadingNumberValue, TakesTheLongestLeadingNumber) {
    const struct {
        const char* name;
        const char* text;
        double expected;
    } rows[] = {
        {"digits_then_letters", "5abc", 5},
        {"blank_between_digits", "1 2", 12},
        {"empty", "", 0},
        {"letters", "abc", 0},
        {"zero_with_fraction", "0.0", 0},
        {"double_zero", "00", 0},
        {"negative_zero", "-0", 0},
        {"lone_point", ".", 0},
        {"hexadecimal", "&H1F", 31},
        {"octal", "&O17", 15},
        {"octal_stops_at_eight", "&O18", 1},
        {"exponent_letter_d", "1D2", 100},
        {"exponent_without_digits", "1e", 1},
        {"whitespace_anywhere", " -\t1\n2.5", -12.5},
        {"comma_is_no_point", "2,5", 2},
        {"second_point_ends", "1.5.2", 1.5},
        {"beyond_range", "1e400", Inf},
        {"beyond_range_negative", "-1e400", -Inf},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LeadingNumberValue(row.text), row.expected);
    }
}

TEST(NearestWhole, SendsHalvesToTheEvenNeighbour) {
    const struct {
        const char* name;
        double value, expected;
    } rows[] = {
        // clang-format off
        {"half", 0.5, 0},                  {"one_and_half", 1.5, 2},
        {"two_and_half", 2.5, 2},          {"three_and_half", 3.5, 4},
        {"minus_half", -0.5, 0},           {"minus_one_and_half", -1.5, -2},
        {"minus_two_and_half", -2.5, -2},  {"above_half_negative", -2.6, -3},
        {"largest_below_half", 0.49999999999999994, 0},
        {"half_at_precision_edge", 4503599627370495.5, 4503599627370496.0},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NearestWhole(row.value), row.expected);
    }
}

TEST(FormatResultValue, WritesFifteenDigitsWithTheSeparator) {
    const struct {
        const char* name;
        double value;
        char separator;
        const char* expected;
    } rows[] = {
        {"negative_zero", -0.0, '.', " 0"},
        {"below_one_has_leading_zero", 0.3875, '.', " 0.3875"},
        {"negative", -0.447213595499958, '.', "-0.447213595499958"},
        {"rounded_to_fifteen_digits", 2.0 / 3.0, '.', " 0.666666666666667"},
        {"just_above_exponent_form", 0.0001, '.', " 0.0001"},
        {"exponent_form_below", 0.00001, '.', " 1E-05"},
        {"largest_without_exponent", 999999999999999.0, '.', " 999999999999999"},
        {"exponent_form_above", 1e15, '.', " 1E+15"},
        {"exponent_form_rounded", 123456789012345678.0, '.', " 1.23456789012346E+17"},
        {"comma_in_exponent_form", -0.000015, ',', "-1,5E-05"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FormatResultValue(row.value, row.separator), row.expected);
    }
}

// The window program runs under the user's locale (Qt sets it at start); the
// separator passed in must win over the locale's, both ways.
TEST(NumberText, IgnoresTheProcessLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool german = false;
    // The names of a German locale on glibc and on Windows.
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "de-DE"})
        german = german || std::setlocale(LC_NUMERIC, name) != nullptr;
    if (!german)
        GTEST_SKIP() << "no German locale is installed";
    const std::string point = FormatResultValue(0.3875, '.');
    const std::optional<double> pointRead = NumberOfText("2.5e-1", '.');
    const std::optional<double> commaRead = NumberOfText("2.5", ',');
    const double leading = LeadingNumberValue("2.5,5");
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(point, " 0.3875");
    EXPECT_EQ(pointRead, 0.25);
    EXPECT_EQ(commaRead, None);
    EXPECT_EQ(leading, 2.5);
}

} // namespace
} // namespace brennic
