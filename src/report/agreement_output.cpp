// The machine formats write each double with its shortest round-trip digits, so
// a program that reads them gets the very bits the report computed; the text
// form writes the 15 digits of Result.txt. Nothing here depends on the locale.
#include "report/agreement_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "core/number_text.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

std::size_t idx(int k) {
    return static_cast<std::size_t>(k);
}

// The figures of a row under their catalogue's headings: label, description and
// value (or "not defined: reason") in aligned columns. `title`, when given,
// replaces the catalogue's heading.
template <typename Id>
void textSections(std::string& out, const FigureRow<Id>& row, const TextNumbers& numbers,
                  std::string_view title = {}) {
    const auto catalogue = Catalogue<Id>();
    std::size_t labelWidth = 0, descriptionWidth = 0;
    for (const FigureInfo& info : catalogue) {
        labelWidth = std::max(labelWidth, DisplayWidth(info.label));
        descriptionWidth = std::max(descriptionWidth, DisplayWidth(info.description));
    }
    std::string_view section;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const FigureInfo& info = catalogue[i];
        if (i == 0 || info.section != section) {
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

// One right-aligned row per class, the reasons of figures not defined below it.
// The labels are shown beside the class numbers where they are names.
bool labelsNamed(const AgreementReport& r) {
    for (int k = 1; k <= r.n; ++k)
        if (r.labels[static_cast<std::size_t>(k - 1)] != std::to_string(k))
            return true;
    return false;
}

const std::string& labelOf(const AgreementReport& r, int k) {
    return r.labels[static_cast<std::size_t>(k - 1)];
}

// The error matrix as it was used, with its totals and the labels along both
// edges, so that rows and columns cannot be mistaken for each other.
constexpr int LargestMatrixShown = 20;
void textMatrix(std::string& out, const AgreementReport& r, const TextNumbers& numbers) {
    out += '\n';
    if (r.n > LargestMatrixShown) {
        out += "The error matrix of " + std::to_string(r.n) +
               " classes is left out here (more than " + std::to_string(LargestMatrixShown) +
               "); --format json holds it.\n";
        return;
    }
    out += "Error matrix (rows: classification, columns: reference)\n";
    std::vector<std::vector<std::string>> table{{""}};
    std::vector<double> colTotals(static_cast<std::size_t>(r.n), 0.0);
    double total = 0.0;
    for (int k = 1; k <= r.n; ++k)
        table[0].push_back(labelOf(r, k));
    table[0].emplace_back("total");
    for (int row = 1; row <= r.n; ++row) {
        table.push_back({labelOf(r, row)});
        double rowTotal = 0.0;
        for (int col = 1; col <= r.n; ++col) {
            const double x = r.cells[static_cast<std::size_t>((row - 1) * r.n + col - 1)];
            table.back().push_back(TextValue(x, numbers));
            rowTotal += x;
            colTotals[static_cast<std::size_t>(col - 1)] += x;
        }
        total += rowTotal;
        table.back().push_back(TextValue(rowTotal, numbers));
    }
    table.push_back({"total"});
    for (double colTotal : colTotals)
        table.back().push_back(TextValue(colTotal, numbers));
    table.back().push_back(TextValue(total, numbers));
    TextTable(out, table, 1);
}

template <typename Entry>
void textClassTable(std::string& out, const AgreementReport& r, std::string_view title,
                    const std::vector<Entry>& entries, const TextNumbers& numbers) {
    using Id = typename decltype(Entry::figures)::Id;
    const bool named = labelsNamed(r);
    std::vector<std::vector<std::string>> table{{"class"}};
    if (named)
        table[0].emplace_back("label");
    for (const FigureInfo& info : Catalogue<Id>())
        table[0].emplace_back(info.field);
    std::string reasons;
    for (const Entry& entry : entries) {
        table.push_back({std::to_string(entry.k)});
        if (named)
            table.back().push_back(labelOf(r, entry.k));
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

std::string weightsTitle(Weights weights) {
    return std::string(catalogue::Weighted) +
           (weights == Weights::Linear ? ", linear weights 1 - |i - j| / (n - 1)"
                                       : ", quadratic weights 1 - (i - j)^2 / (n - 1)^2");
}

// A CSV row of one figure: its field and value, the class columns left empty.
template <typename Id>
void csvRows(std::string& out, const FigureRow<Id>& row, std::string_view prefix,
             const std::string& noClassColumns, std::size_t first = 0,
             std::size_t last = FigureRow<Id>::Size) {
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = first; i < last; ++i) {
        const Figure& figure = row.all()[i];
        out += std::string(prefix) + std::string(catalogue[i].field) + ',' +
               (figure.defined() ? ShortestNumber(*figure.value) : "") + noClassColumns + ',' +
               CsvField(figure.reason) + '\n';
    }
}

// A CSV row of one class: its figures in their own columns, `before` and `after`
// empty columns around them for the other kind of class row.
template <typename Entry>
void csvClassRows(std::string& out, const AgreementReport& r, std::string_view kind,
                  const std::vector<Entry>& entries, const std::string& before,
                  const std::string& after) {
    using Id = typename decltype(Entry::figures)::Id;
    for (const Entry& entry : entries) {
        std::string reasons;
        out += std::string(kind) + ',' + std::to_string(entry.k) + ',' +
               CsvField(labelOf(r, entry.k)) + before;
        for (std::size_t i = 0; i < Catalogue<Id>().size(); ++i) {
            const Figure& figure = entry.figures.all()[i];
            out += ',';
            if (figure.defined()) {
                out += ShortestNumber(*figure.value);
            } else {
                reasons += reasons.empty() ? "" : " ";
                reasons += std::string(Catalogue<Id>()[i].field) + ": " + figure.reason;
            }
        }
        out += after + ',' + CsvField(reasons) + '\n';
    }
}

// The error matrix with its labels along both edges, as a class row is laid
// out: "matrix.columns" and the labels of the columns from the fourth field on,
// then per row "matrix.row", its class number, its label and its counts. Rows
// are filled with empty fields to the header's width, so the file stays a
// rectangle up to as many classes as there are class columns; beyond that the
// matrix rows are longer than the others.
void csvMatrix(std::string& out, const AgreementReport& r, std::size_t fieldsAfterLabel) {
    const std::string fill(fieldsAfterLabel > idx(r.n) ? fieldsAfterLabel - idx(r.n) : 0, ',');
    out += "matrix.columns,,";
    for (int col = 1; col <= r.n; ++col)
        out += ',' + CsvField(labelOf(r, col));
    out += fill + '\n';
    for (int row = 1; row <= r.n; ++row) {
        out += "matrix.row," + std::to_string(row) + ',' + CsvField(labelOf(r, row));
        out += ',';
        AppendNumbers(out, std::span(r.cells).subspan(idx((row - 1) * r.n), idx(r.n)), ",");
        out += fill + '\n';
    }
}

} // namespace

void AgreementText(std::string& out, const AgreementReport& r, const TextNumbers& numbers) {
    out += "Agreement report for " + std::to_string(r.n) +
           " classes (rows: classification, columns: reference)\n";
    for (const std::string& warning : r.warnings) {
        out += "Warning: ";
        AppendWrapped(out, warning, 9, 2);
    }
    if (r.missingLeftOut)
        out += "Pairs left out as missing: " + std::to_string(*r.missingLeftOut) + '\n';
    out += "Intervals at the confidence level " + TextValue(r.confidence, numbers) + '\n';
    textMatrix(out, r, numbers);
    textSections(out, r.overall, numbers);
    if (r.weighted)
        textSections(out, r.weighted->figures, numbers, weightsTitle(r.weighted->weights));
    textClassTable(out, r, catalogue::Classes, r.classes, numbers);
    if (r.area) {
        textSections(out, r.area->figures, numbers);
        textClassTable(out, r, catalogue::AreaClasses, r.area->classes, numbers);
    }
}

std::size_t AgreementCsvColumns(const AgreementReport& r) {
    return Catalogue<ClassFigure>().size() + (r.area ? Catalogue<AreaClassFigure>().size() : 0);
}

void AgreementCsv(std::string& out, const AgreementReport& r) {
    const std::size_t classColumns = Catalogue<ClassFigure>().size();
    const std::size_t areaColumns = r.area ? Catalogue<AreaClassFigure>().size() : 0;
    out += "field,value,label";
    for (const FigureInfo& info : Catalogue<ClassFigure>())
        out += ',' + std::string(info.field);
    if (r.area)
        for (const FigureInfo& info : Catalogue<AreaClassFigure>())
            out += ',' + std::string(info.field);
    out += ",reason\n";
    const std::string noClassColumns(1 + classColumns + areaColumns, ',');
    out += "n," + std::to_string(r.n) + noClassColumns + ",\n";
    out += "confidence," + ShortestNumber(r.confidence) + noClassColumns + ",\n";
    // A warning is a row of its own: "warning" as its field, its text in the
    // reason column. Pairs left out as missing are a count, as n is.
    for (const std::string& warning : r.warnings)
        out += "warning," + noClassColumns + ',' + CsvField(warning) + '\n';
    if (r.missingLeftOut)
        out += "left_out.missing," + std::to_string(*r.missingLeftOut) + noClassColumns + ",\n";
    csvRows(out, r.overall, std::string(ResultFileKey) + '.', noClassColumns, 0, ResultFileFigures);
    csvRows(out, r.overall, "", noClassColumns, ResultFileFigures);
    if (r.weighted) {
        out += "weighted.weights," + std::string(WeightsName(r.weighted->weights)) +
               noClassColumns + ",\n";
        csvRows(out, r.weighted->figures, "weighted.", noClassColumns);
    }
    if (r.area)
        csvRows(out, r.area->figures, "area_weighted.", noClassColumns);
    csvClassRows(out, r, "class", r.classes, "", std::string(areaColumns, ','));
    if (r.area)
        csvClassRows(out, r, "area_weighted.class", r.area->classes, std::string(classColumns, ','),
                     "");
    csvMatrix(out, r, 1 + classColumns + areaColumns);
}

namespace {

template <typename Entry>
void jsonClasses(JsonWriter& json, const AgreementReport& r, const std::vector<Entry>& entries) {
    json.Key("classes");
    json.BeginArray(JsonWriter::Lines(2));
    for (const Entry& entry : entries) {
        json.BeginObject();
        json.Member("class", entry.k);
        json.Member("label", labelOf(r, entry.k));
        if (!r.values.empty())
            json.Member("value", r.values[static_cast<std::size_t>(entry.k - 1)]);
        JsonReasons reasons;
        JsonFigures(json, entry.figures, reasons);
        reasons.Write(json);
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

void AgreementJson(JsonWriter& json, const AgreementReport& r) {
    json.Member("n", r.n);
    JsonLevelAndWarnings(json, r.confidence, r.warnings);
    if (r.missingLeftOut) {
        json.Key("left_out");
        json.BeginObject();
        json.Member("missing", *r.missingLeftOut);
        json.EndObject();
    }
    json.Key("matrix");
    json.BeginArray();
    for (int row = 0; row < r.n; ++row)
        json.NumberArray(std::span(r.cells).subspan(idx(row * r.n), idx(r.n)));
    json.EndArray();
    // The seven of Result.txt in an object of their own, under their fields.
    json.Key(ResultFileKey);
    json.BeginObject();
    JsonReasons seven;
    JsonFigures(json, r.overall, seven, 0, ResultFileFigures);
    seven.Write(json);
    json.EndObject();
    JsonReasons reasons;
    JsonFigures(json, r.overall, reasons, ResultFileFigures);
    if (r.weighted) {
        json.Key("weighted");
        json.BeginObject();
        json.Member("weights", WeightsName(r.weighted->weights));
        JsonReasons weightedReasons;
        JsonFigures(json, r.weighted->figures, weightedReasons);
        weightedReasons.Write(json);
        json.EndObject();
    }
    jsonClasses(json, r, r.classes);
    if (r.area) {
        json.Key("area_weighted");
        json.BeginObject();
        JsonReasons areaReasons;
        JsonFigures(json, r.area->figures, areaReasons);
        json.SetBetween(JsonWriter::Lines(1).between);
        jsonClasses(json, r, r.area->classes);
        areaReasons.Write(json);
        json.EndObject();
    }
    reasons.Write(json);
}

} // namespace brennic
