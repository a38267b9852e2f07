// The readings of number texts (strict for cells and the size box, lenient for
// the input box), rounding to whole numbers, and the digits of the result file.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "number_text.h"

namespace brennic {
namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

TEST(NumberOfText, ReadsOrRefusesEachForm) {
    struct Row {
        const char* name;
        std::string text;
        char separator;
        std::optional<double> expected;
    };
    const Row rows[] = {
        {"plain_integer", "42", '.', 42.0},
        {"leading_plus", "+7", '.', 7.0},
        {"negative", "-3", '.', -3.0},
        {"fraction", "2.5", '.', 2.5},
        {"separator_first", ".5", '.', 0.5},
        {"separator_last", "5.", '.', 5.0},
        {"comma_separator", "2,5", ',', 2.5},
        {"exponent_upper", "1E3", '.', 1000.0},
        {"exponent_negative", "25e-1", '.', 2.5},
        {"exponent_plus", "1.5e+2", '.', 150.0},
        {"blanks_and_tabs_around", " \t 12 \t", '.', 12.0},
        {"leading_zeros", "007", '.', 7.0},
        {"correctly_rounded_tenth", "0.1", '.', 0.1},
        {"halfway_rounds_to_even", "9007199254740993", '.', 9007199254740992.0},
        {"largest_double", "1.7976931348623157e308", '.', 1.7976931348623157e308},
        {"smallest_subnormal", "4.9406564584124654e-324", '.', 4.9406564584124654e-324},
        {"underflow_reads_zero", "1e-400", '.', 0.0},
        {"huge_negative_exponent", "1e-99999999999999999999", '.', 0.0},
        {"empty", "", '.', std::nullopt},
        {"blanks_only", "  \t ", '.', std::nullopt},
        {"nan", "nan", '.', std::nullopt},
        {"inf", "inf", '.', std::nullopt},
        {"infinity", "-Infinity", '.', std::nullopt},
        {"hexadecimal", "0x1F", '.', std::nullopt},
        {"thousands_comma", "1,000", '.', std::nullopt},
        {"thousands_point", "1.000,5", ',', std::nullopt},
        {"point_when_comma_expected", "2.5", ',', std::nullopt},
        {"lone_sign", "-", '.', std::nullopt},
        {"lone_separator", ".", '.', std::nullopt},
        {"sign_and_separator", "+.", '.', std::nullopt},
        {"exponent_without_digits", "1e", '.', std::nullopt},
        {"exponent_sign_without_digits", "1e+", '.', std::nullopt},
        {"exponent_without_mantissa", "e5", '.', std::nullopt},
        {"blank_inside", "1 2", '.', std::nullopt},
        {"two_signs", "--1", '.', std::nullopt},
        {"two_separators", "1.2.3", '.', std::nullopt},
        {"trailing_letters", "5abc", '.', std::nullopt},
        {"line_feed_after", "5\n", '.', std::nullopt},
        {"beyond_range", "1e309", '.', std::nullopt},
        {"beyond_range_negative", "-1.8e308", '.', std::nullopt},
        {"beyond_range_by_digits", "1" + std::string(309, '0'), '.', std::nullopt},
        {"beyond_range_huge_exponent", "1e99999999999999999999", '.', std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(NumberOfText(row.text, row.separator), row.expected);
    }
}

TEST(LeadingNumberValue, TakesTheLongestLeadingNumber) {
    const struct {
        const char* name;
        const char* text;
        double expected;
    } rows[] = {
        {"digits_then_letters", "5abc", 5.0},
        {"blank_between_digits", "1 2", 12.0},
        {"empty", "", 0.0},
        {"letters", "abc", 0.0},
        {"zero_with_fraction", "0.0", 0.0},
        {"double_zero", "00", 0.0},
        {"negative_zero", "-0", 0.0},
        {"lone_point", ".", 0.0},
        {"hexadecimal", "&H1F", 31.0},
        {"octal", "&O17", 15.0},
        {"octal_stops_at_eight", "&O18", 1.0},
        {"prefix_without_digits", "&H", 0.0},
        {"exponent_letter_d", "1D2", 100.0},
        {"exponent_without_digits", "1e", 1.0},
        {"whitespace_anywhere", " -\t1\n2.5", -12.5},
        {"comma_is_no_point", "2,5", 2.0},
        {"second_point_ends", "1.5.2", 1.5},
        {"sign_point_exponent", "+.5e1", 5.0},
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
        double value;
        double expected;
    } rows[] = {
        {"half", 0.5, 0.0},
        {"one_and_half", 1.5, 2.0},
        {"two_and_half", 2.5, 2.0},
        {"three_and_half", 3.5, 4.0},
        {"minus_half", -0.5, 0.0},
        {"minus_one_and_half", -1.5, -2.0},
        {"minus_two_and_half", -2.5, -2.0},
        {"below_half", 2.4, 2.0},
        {"above_half", 2.6, 3.0},
        {"negative_above_half", -2.6, -3.0},
        {"largest_below_half", 0.49999999999999994, 0.0},
        {"half_at_precision_edge", 4503599627370495.5, 4503599627370496.0},
        {"already_whole", 1e300, 1e300},
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
        {"zero", 0.0, '.', " 0"},
        {"negative_zero", -0.0, '.', " 0"},
        {"whole", 9.0, '.', " 9"},
        {"below_one_has_leading_zero", 0.3875, '.', " 0.3875"},
        {"negative", -0.447213595499958, '.', "-0.447213595499958"},
        {"rounded_to_fifteen_digits", 2.0 / 3.0, '.', " 0.666666666666667"},
        {"just_above_exponent_form", 0.0001, '.', " 0.0001"},
        {"exponent_form_below", 0.00001, '.', " 1E-05"},
        {"exponent_form_with_fraction", 0.000012345, '.', " 1.2345E-05"},
        {"largest_without_exponent", 999999999999999.0, '.', " 999999999999999"},
        {"exponent_form_above", 1e15, '.', " 1E+15"},
        {"exponent_form_rounded", 123456789012345678.0, '.', " 1.23456789012346E+17"},
        {"comma", 1.5, ',', " 1,5"},
        {"comma_in_exponent_form", -0.000015, ',', "-1,5E-05"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FormatResultValue(row.value, row.separator), row.expected);
    }
}

// The window program runs under the user's locale (Qt sets it at start); the
// separator passed in must win over the locale's.
TEST(FormatResultValue, IgnoresTheProcessLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool commaLocale = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"})
        if (std::setlocale(LC_NUMERIC, name) && *std::localeconv()->decimal_point == ',') {
            commaLocale = true;
            break;
        }
    if (!commaLocale)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const std::string point = FormatResultValue(0.3875, '.');
    const std::optional<double> read = NumberOfText("0.5", '.');
    std::setlocale(LC_NUMERIC, before.c_str());
    EXPECT_EQ(point, " 0.3875");
    EXPECT_EQ(read, 0.5);
}

} // namespace
} // namespace brennic
