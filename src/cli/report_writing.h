// The small pieces every report of brennic-kappa is written with: numbers in
// their shortest round-trip digits or in the digits of Result.txt, JSON strings,
// CSV fields and aligned text tables. Nothing here depends on the locale.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brennic {

// Appends the fewest digits that read back as `value` ("0" for -0).
void AppendNumber(std::string& out, double value);
std::string ShortestNumber(double value);

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// `text` as one CSV field, quoted when it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text);

// A value the way Result.txt writes it, without the leading blank.
std::string TextValue(double value, char decimalSeparator);

// Right-aligned columns of texts, two blanks before each.
void TextTable(std::string& out, const std::vector<std::vector<std::string>>& table);

} // namespace brennic
