// The small pieces every report of brennic-kappa is written with: numbers in
// their shortest round-trip digits or in the digits of Result.txt, JSON strings,
// CSV fields and aligned text tables. Nothing here depends on the locale.
#pragma once

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/figure.h"
#include "core/figure_catalogue.h"
#include "report/json_writer.h"
#include "report/text_numbers.h"

namespace brennic {

// Appends digits that read back as `value`: a whole number below 2^53 in
// magnitude with its plain digits (3000000, never 3e+06), so that counts read
// as integers; any other value with the fewest digits ("0" for -0).
void AppendNumber(std::string& out, double value);
std::string ShortestNumber(double value);
// Appends each value as AppendNumber does, with `between` before all but the
// first: a row of a matrix at once.
void AppendNumbers(std::string& out, std::span<const double> values, std::string_view between);

// Appends `text` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

// `text` as one field of a CSV report, quoted when it holds a comma, a
// semicolon (the separator beside a decimal comma), a quote or a line end.
std::string CsvField(std::string_view text);

// A value the way Result.txt writes it, without the leading blank.
std::string TextValue(double value, const TextNumbers& numbers);

// The width of `text` on a terminal: its UTF-8 code points, not its bytes.
std::size_t DisplayWidth(std::string_view text);

// The widest a line of the text report may be.
inline constexpr std::size_t TextWidth = 100;

// Right-aligned columns of texts, two blanks before each. A table wider than
// `maxWidth` is folded: its columns are split into blocks that fit, one below
// the other with a blank line between, each repeating the first `keyColumns`.
void TextTable(std::string& out, const std::vector<std::vector<std::string>>& table,
               std::size_t keyColumns = 1, std::size_t maxWidth = TextWidth);

// Appends `text` wrapped at blanks to lines of at most `maxWidth` characters:
// the first line goes on after `used` characters already on it, the others
// start with `indent` blanks. A word longer than a line stands alone.
void AppendWrapped(std::string& out, std::string_view text, std::size_t used, std::size_t indent,
                   std::size_t maxWidth = TextWidth);

// A figure as the text forms show it: its value in the digits of Result.txt, or
// "not defined", with ": " and the reason when `reasonBeside` (the forms that
// list the reasons below a table leave it out).
std::string TextFigure(const Figure& figure, const TextNumbers& numbers, bool reasonBeside);

// The reasons of the figures of one JSON object that are null, gathered while
// the figures are written and written last as its member "reasons".
class JsonReasons {
  public:
    void Add(std::string field, std::string reason) {
        m_reasons.emplace_back(std::move(field), std::move(reason));
    }
    void Write(JsonWriter& json, JsonWriter::Layout layout = JsonWriter::Inline) const;

  private:
    std::vector<std::pair<std::string, std::string>> m_reasons;
};

// The confidence level of the report's intervals and its warnings, each report's
// first members after its size.
void JsonLevelAndWarnings(JsonWriter& json, double confidence,
                          const std::vector<std::string>& warnings);

// A figure as a member: its number, or null with its reason added to `reasons`.
void JsonFigure(JsonWriter& json, std::string_view field, const Figure& figure,
                JsonReasons& reasons);

// The figures of a row from `first` on (before `last`) as members under their
// catalogue's field names.
template <typename Id>
void JsonFigures(JsonWriter& json, const FigureRow<Id>& row, JsonReasons& reasons,
                 std::size_t first = 0, std::size_t last = FigureRow<Id>::Size) {
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = first; i < last; ++i)
        JsonFigure(json, catalogue[i].field, row.all()[i], reasons);
}

// The figures of a row under their catalogue's headings: label, description and
// value (or "not defined: reason") in aligned columns. `title`, when given,
// replaces the catalogue's heading.
// Only the figures `shown` accepts are written, when it is given.
template <typename Id>
void TextFigureSections(std::string& out, const FigureRow<Id>& row, const TextNumbers& numbers,
                        std::string_view title = {}, bool (*shown)(Id) = nullptr) {
    const auto catalogue = Catalogue<Id>();
    std::size_t labelWidth = 0, descriptionWidth = 0;
    for (const FigureInfo& info : catalogue) {
        labelWidth = std::max(labelWidth, DisplayWidth(info.label));
        descriptionWidth = std::max(descriptionWidth, DisplayWidth(info.description));
    }
    std::string_view section;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const FigureInfo& info = catalogue[i];
        if (shown != nullptr && !shown(static_cast<Id>(i)))
            continue;
        if (section.empty() || info.section != section) {
            section = info.section;
            out += '\n';
            out += title.empty() ? section : title;
            out += '\n';
        }
        out += "  ";
        out += info.label;
        out += std::string(labelWidth - DisplayWidth(info.label) + 2, ' ');
        out += info.description;
        out += std::string(descriptionWidth - DisplayWidth(info.description) + 2, ' ');
        // A reason is folded onto lines of its own below the figure.
        AppendWrapped(out, TextFigure(row.all()[i], numbers, true),
                      labelWidth + descriptionWidth + 6, 4);
    }
}

// The member "classes": an array with one object per class, each with its
// number, its label (labels[k - 1]), its figures and their reasons.
template <typename Entry>
void JsonClassEntries(JsonWriter& json, const std::vector<Entry>& entries,
                      const std::vector<std::string>& labels) {
    json.Key("classes");
    json.BeginArray(JsonWriter::Lines(3));
    for (const Entry& entry : entries) {
        json.BeginObject();
        json.Member("class", entry.k);
        json.Member("label", labels[static_cast<std::size_t>(entry.k - 1)]);
        JsonReasons classReasons;
        JsonFigures(json, entry.figures, classReasons);
        classReasons.Write(json);
        json.EndObject();
    }
    json.EndArray();
}

// Whether the labels of class 1, 2, ... are names rather than those numbers.
bool LabelsAreNames(const std::vector<std::string>& labels);

// One right-aligned row per class under `title`, with the label of class k
// (labels[k - 1]) beside its number when `named`; the reasons of the figures
// not defined below it.
template <typename Entry>
void TextClassTable(std::string& out, const std::vector<std::string>& labels, bool named,
                    std::string_view title, const std::vector<Entry>& entries,
                    const TextNumbers& numbers) {
    using Id = typename decltype(Entry::figures)::Id;
    std::vector<std::vector<std::string>> table{{"class"}};
    if (named)
        table[0].emplace_back("label");
    for (const FigureInfo& info : Catalogue<Id>())
        table[0].emplace_back(info.field);
    std::string reasons;
    for (const Entry& entry : entries) {
        table.push_back({std::to_string(entry.k)});
        if (named)
            table.back().push_back(labels[static_cast<std::size_t>(entry.k - 1)]);
        for (std::size_t i = 0; i < Catalogue<Id>().size(); ++i) {
            const Figure& figure = entry.figures.all()[i];
            if (figure.defined()) {
                table.back().push_back(TextValue(*figure.value, numbers));
            } else {
                table.back().emplace_back("not defined");
                reasons += "  ";
                AppendWrapped(reasons,
                              "class " + std::to_string(entry.k) + " " +
                                  std::string(Catalogue<Id>()[i].field) + ": " + figure.reason,
                              2, 4);
            }
        }
    }
    out += '\n';
    out += title;
    out += '\n';
    TextTable(out, table, named ? 2 : 1);
    if (!reasons.empty())
        out += "Not defined:\n" + reasons;
}

} // namespace brennic
