// The JSON form writes each double with its shortest round-trip digits, so a
// program that reads it gets the very bits the report computed; the text form
// rounds to the significant digits asked for. Nothing here depends on the locale.
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

// One right-aligned row per class, the reasons of figures not defined below it.
// The labels are shown beside the class numbers where they are names.
bool labelsNamed(const AgreementReport& r) {
    return LabelsAreNames(r.labels);
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
    TextClassTable(out, r.labels, labelsNamed(r), title, entries, numbers);
}

std::string weightsTitle(Weights weights) {
    return std::string(catalogue::Weighted) +
           (weights == Weights::Linear ? ", linear weights 1 - |i - j| / (n - 1)"
                                       : ", quadratic weights 1 - (i - j)^2 / (n - 1)^2");
}

} // namespace

void AgreementText(std::string& out, const AgreementReport& r, std::string_view areaUnit,
                   const TextNumbers& numbers) {
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
    TextFigureSections(out, r.overall, numbers);
    if (r.weighted)
        TextFigureSections(out, r.weighted->figures, numbers, weightsTitle(r.weighted->weights));
    textClassTable(out, r, catalogue::Classes, r.classes, numbers);
    if (r.area) {
        TextFigureSections(out, r.area->figures, numbers);
        const std::string title = std::string(catalogue::AreaClasses) +
                                  (areaUnit.empty() ? "" : ", areas in " + std::string(areaUnit));
        textClassTable(out, r, title, r.area->classes, numbers);
    }
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

void AgreementJson(JsonWriter& json, const AgreementReport& r, std::string_view areaUnit) {
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
        if (!areaUnit.empty())
            json.Member("area_unit", areaUnit);
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
