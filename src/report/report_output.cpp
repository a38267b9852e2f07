// The machine formats write each double with its shortest round-trip digits, so
// a program that reads them gets the very bits the report computed; the text
// form writes the 15 digits of Result.txt. Nothing here depends on the locale.
#include "report/report_output.h"

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

// A figure as a JSON member; its reason, if any, goes to `reasons`.
void jsonMember(std::string& out, std::string_view name, const Figure& figure,
                std::string& reasons) {
    // Field names are plain identifiers: quoted, they need no escapes.
    out += '"';
    out += name;
    out += "\": ";
    if (figure.defined()) {
        AppendNumber(out, *figure.value);
    } else {
        out += "null";
        reasons += reasons.empty() ? "" : ", ";
        reasons += JsonString(name) + ": " + JsonString(figure.reason);
    }
}

std::string textFigure(const Figure& figure, char decimalSeparator) {
    return figure.defined() ? TextValue(*figure.value, decimalSeparator)
                            : "not defined: " + figure.reason;
}

// The figures of a row under their catalogue's headings: label, description and
// value (or "not defined: reason") in aligned columns. `title`, when given,
// replaces the catalogue's heading.
template <typename Id>
void textSections(std::string& out, const FigureRow<Id>& row, char decimalSeparator,
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
        AppendWrapped(out, textFigure(row.all()[i], decimalSeparator),
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
void textMatrix(std::string& out, const AgreementReport& r, char decimalSeparator) {
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
            table.back().push_back(TextValue(x, decimalSeparator));
            rowTotal += x;
            colTotals[static_cast<std::size_t>(col - 1)] += x;
        }
        total += rowTotal;
        table.back().push_back(TextValue(rowTotal, decimalSeparator));
    }
    table.push_back({"total"});
    for (double colTotal : colTotals)
        table.back().push_back(TextValue(colTotal, decimalSeparator));
    table.back().push_back(TextValue(total, decimalSeparator));
    TextTable(out, table, 1);
}

template <typename Entry>
void textClassTable(std::string& out, const AgreementReport& r, std::string_view title,
                    const std::vector<Entry>& entries, char decimalSeparator) {
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
                table.back().push_back(TextValue(*figure.value, decimalSeparator));
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

// The members of a JSON object for a row of figures, the reasons gathered apart.
template <typename Id>
void jsonMembers(std::string& out, const FigureRow<Id>& row, std::string& reasons,
                 std::string_view separator, bool separatorFirst = true) {
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        if (i > 0 || separatorFirst)
            out += separator;
        jsonMember(out, catalogue[i].field, row.all()[i], reasons);
    }
}

template <typename Entry>
void jsonClasses(std::string& out, const AgreementReport& r, const std::vector<Entry>& entries) {
    out += "\"classes\": [";
    for (const Entry& entry : entries) {
        std::string reasons;
        out += &entry == &entries.front() ? "\n" : ",\n";
        out += "    {\"class\": " + std::to_string(entry.k) +
               ", \"label\": " + JsonString(labelOf(r, entry.k));
        jsonMembers(out, entry.figures, reasons, ", ");
        out += ", \"reasons\": {" + reasons + "}}";
    }
    out += "\n  ]";
}

// A CSV row of one figure: its field and value, the class columns left empty.
template <typename Id>
void csvRows(std::string& out, const FigureRow<Id>& row, std::string_view prefix,
             const std::string& noClassColumns) {
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
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
        for (int col = 1; col <= r.n; ++col) {
            out += ',';
            AppendNumber(out, r.cells[idx((row - 1) * r.n + col - 1)]);
        }
        out += fill + '\n';
    }
}

} // namespace

std::optional<ReportFormat> ReportFormatFromName(std::string_view name) {
    if (name == "text")
        return ReportFormat::Text;
    if (name == "csv")
        return ReportFormat::Csv;
    if (name == "json")
        return ReportFormat::Json;
    return std::nullopt;
}

std::string ReportText(const AgreementReport& r, char decimalSeparator) {
    std::string out = "Agreement report for " + std::to_string(r.n) +
                      " classes (rows: classification, columns: reference)\n";
    for (const std::string& warning : r.warnings) {
        out += "Warning: ";
        AppendWrapped(out, warning, 9, 2);
    }
    if (r.missingLeftOut)
        out += "Pairs left out as missing: " + std::to_string(*r.missingLeftOut) + '\n';
    textMatrix(out, r, decimalSeparator);
    textSections(out, r.overall, decimalSeparator);
    if (r.weighted)
        textSections(out, r.weighted->figures, decimalSeparator, weightsTitle(r.weighted->weights));
    textClassTable(out, r, catalogue::Classes, r.classes, decimalSeparator);
    if (r.area) {
        textSections(out, r.area->figures, decimalSeparator);
        textClassTable(out, r, catalogue::AreaClasses, r.area->classes, decimalSeparator);
    }
    return out;
}

std::string ReportCsv(const AgreementReport& r) {
    const std::size_t classColumns = Catalogue<ClassFigure>().size();
    const std::size_t areaColumns = r.area ? Catalogue<AreaClassFigure>().size() : 0;
    std::string out = "field,value,label";
    for (const FigureInfo& info : Catalogue<ClassFigure>())
        out += ',' + std::string(info.field);
    if (r.area)
        for (const FigureInfo& info : Catalogue<AreaClassFigure>())
            out += ',' + std::string(info.field);
    out += ",reason\n";
    const std::string noClassColumns(1 + classColumns + areaColumns, ',');
    out += "n," + std::to_string(r.n) + noClassColumns + ",\n";
    // A warning is a row of its own: "warning" as its field, its text in the
    // reason column. Pairs left out as missing are a count, as n is.
    for (const std::string& warning : r.warnings)
        out += "warning," + noClassColumns + ',' + CsvField(warning) + '\n';
    if (r.missingLeftOut)
        out += "left_out.missing," + std::to_string(*r.missingLeftOut) + noClassColumns + ",\n";
    csvRows(out, r.overall, "", noClassColumns);
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
    return out;
}

std::string ReportJson(const AgreementReport& r) {
    std::string out = "{\n  \"n\": " + std::to_string(r.n) + ",\n  \"warnings\": [";
    for (const std::string& warning : r.warnings)
        out += (&warning == &r.warnings.front() ? "" : ", ") + JsonString(warning);
    out += "],\n";
    if (r.missingLeftOut)
        out += "  \"left_out\": {\"missing\": " + std::to_string(*r.missingLeftOut) + "},\n";
    out += "  \"matrix\": [";
    for (int row = 0; row < r.n; ++row) {
        out += row == 0 ? "[" : ", [";
        for (int col = 0; col < r.n; ++col) {
            out += col == 0 ? "" : ", ";
            AppendNumber(out, r.cells[static_cast<std::size_t>(row * r.n + col)]);
        }
        out += ']';
    }
    out += ']';
    std::string reasons;
    jsonMembers(out, r.overall, reasons, ",\n  ");
    out += ",\n";
    if (r.weighted) {
        std::string weightedReasons;
        out += "  \"weighted\": {\"weights\": " + JsonString(WeightsName(r.weighted->weights));
        jsonMembers(out, r.weighted->figures, weightedReasons, ", ");
        out += ", \"reasons\": {" + weightedReasons + "}},\n";
    }
    out += "  ";
    jsonClasses(out, r, r.classes);
    out += ",\n";
    if (r.area) {
        std::string areaReasons;
        out += "  \"area_weighted\": {";
        jsonMembers(out, r.area->figures, areaReasons, ", ", false);
        out += ",\n  ";
        jsonClasses(out, r, r.area->classes);
        out += ",\n  \"reasons\": {" + areaReasons + "}},\n";
    }
    out += "  \"reasons\": {" + reasons + "}\n}\n";
    return out;
}

std::string FormatReport(const AgreementReport& report, ReportFormat format,
                         char decimalSeparator) {
    switch (format) {
    case ReportFormat::Csv:
        return ReportCsv(report);
    case ReportFormat::Json:
        return ReportJson(report);
    case ReportFormat::Text:
        break;
    }
    return ReportText(report, decimalSeparator);
}

} // namespace brennic
