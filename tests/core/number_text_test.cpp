// The readings of number texts (strict for cells and the size box, lenient for
// the input box), rounding to whole numbers, and the digits of the result file.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <optional>
#include <string>
#include <tuple>

#include "core/number_text.h"

namespace brennic {
namespace {

constexpr std::optional<double> None;

// One row per rule, at its boundary; the text itself names the row.
TEST(NumberOfText, ReadsOrRefusesEachForm) {
    const std::tuple<std::string, char, std::optional<double>> rows[] = {
        // clang-format off
        {"+7", '.', 7.0},          {".5", '.', 0.5},         {"5.", '.', 5.0},
        {"1E3", '.', 1000.0},      {"-2,5e1", ',', -25.0},   {" \t 12 \t", '.', 12.0},
        {"9007199254740993", '.', 9007199254740992.0}, // halfway: to even
        {"1.7976931348623157e308", '.', 1.7976931348623157e308},
        {"4.9406564584124654e-324", '.', 4.9406564584124654e-324},
        {"1e-400", '.', 0.0},      {"-1e-400", '.', 0.0},    {"-12", '.', -12.0},
        {"+10", '.', 10.0},        {"-1.8e308", '.', None},  {"1e99999999999999999999", '.', None},
        {"1" + std::string(309, '0'), '.', None},
        {"", '.', None},           {"-inf", '.', None},      {"0x1F", '.', None},
        {"2,5", '.', None},        {"2.5", ',', None},       {"-", '.', None},
        {".", '.', None},          {"1e+", '.', None},       {"1 2", '.', None},
        {"5abc", '.', None},       {"5\n", '.', None},
        // clang-format on
    };
    for (const auto& [text, separator, expected] : rows)
        EXPECT_EQ(NumberOfText(text, separator), expected) << '"' << text << '"';
}

TEST(LeadingNumberValue, TakesTheLongestLeadingNumber) {
    constexpr double Inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> rows[] = {
        // clang-format off
        {"5abc", 5},     {"1 2", 12},     {"", 0},         {"abc", 0},     {"0.0", 0},
        {"00", 0},       {"-0", 0},       {".", 0},        {"&H1F", 31},   {"&O17", 15},
        {"&h1f", 31},    {"&o17", 15},    {"1E2", 100},
        {"&O18", 1},     {"1D2", 100},    {"1e", 1},       {" -\t1\n2.5", -12.5},
        {"2,5", 2},      {"1.5.2", 1.5},  {"1e400", Inf}, {"-1e400", -Inf},
        // clang-format on
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(LeadingNumberValue(text), expected) << '"' << text << '"';
}

TEST(NearestWhole, SendsHalvesToTheEvenNeighbour) {
    // clang-format off
    const std::pair<double, double> rows[] = {
        {1.5, 2}, {2.5, 2}, {-1.5, -2}, {-2.5, -2}, {-2.6, -3}, {0.49999999999999994, 0},
        {4503599627370495.5, 4503599627370496.0}};
    // clang-format on
    for (const auto& [value, expected] : rows)
        EXPECT_EQ(NearestWhole(value), expected) << value;
}

TEST(FormatResultValue, WritesFifteenDigitsWithTheSeparator) {
    const std::tuple<double, char, const char*> rows[] = {
        // clang-format off
        {-0.0, '.', " 0"},                       {2.0 / 3.0, '.', " 0.666666666666667"},
        {0.0001, '.', " 0.0001"},                {0.00001, '.', " 1E-05"},
        {999999999999999.0, '.', " 999999999999999"}, {1e15, '.', " 1E+15"},
        {123456789012345678.0, '.', " 1.23456789012346E+17"}, {-0.000015, ',', "-1,5E-05"},
        // clang-format on
    };
    for (const auto& [value, separator, expected] : rows)
        EXPECT_EQ(FormatResultValue(value, separator), expected);
}

// A number beyond the double range is told apart from a text that is no number.
TEST(NumberText, TellsAHugeNumberFromNoNumber) {
    using enum NoNumber;
    const std::pair<const char*, NoNumber> rows[] = {
        {"1e400", BeyondRange}, {" -2,5E+999 ", BeyondRange}, {"1e400x", NotANumber},
        {"abc", NotANumber},    {"1.5", NotANumber},
    };
    for (const auto& [text, why] : rows)
        EXPECT_EQ(WhyNoNumber(text, ','), why) << text;
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
    EXPECT_EQ(FormatResultValue(0.3875, '.'), " 0.3875");
    EXPECT_EQ(NumberOfText("2.5e-1", '.'), 0.25);
    EXPECT_EQ(NumberOfText("2.5", ','), None);
    EXPECT_EQ(LeadingNumberValue("2.5,5"), 2.5);
    std::setlocale(LC_NUMERIC, before.c_str());
}

} // namespace
} // namespace brennic
