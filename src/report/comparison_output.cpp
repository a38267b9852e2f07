// Written with the pieces of every section (report_writing.h): figures under
// their catalogue's headings, a row per class, a reason with each figure that
// is not defined.
#include "report/comparison_output.h"

#include <tuple>

#include "report/report_writing.h"

namespace brennic {
namespace {

bool isMcNemar(ComparisonFigure id) {
    return Catalogue<ComparisonFigure>()[static_cast<std::size_t>(id)].section ==
           catalogue::McNemar;
}

bool isUnitTable(ComparisonFigure id) {
    return Catalogue<ComparisonFigure>()[static_cast<std::size_t>(id)].section ==
           catalogue::ComparedUnits;
}

bool isDifference(ComparisonFigure id) {
    return !isUnitTable(id) && !isMcNemar(id);
}

// The figures one report gives the z-tests, under their fields there.
void assessedJson(JsonWriter& json, std::string_view key, const std::string& path,
                  const AssessedFigures& f) {
    json.Key(key);
    json.BeginObject();
    json.Member("report", path);
    JsonReasons reasons;
    JsonFigure(json, "kappa", f.kappa, reasons);
    JsonFigure(json, "kappa_se", f.kappaSe, reasons);
    JsonFigure(json, "overall_accuracy", f.overallAccuracy, reasons);
    JsonFigure(json, "overall_accuracy_se", f.overallAccuracySe, reasons);
    reasons.Write(json);
    json.EndObject();
}

} // namespace

void ComparisonText(std::string& out, const MapComparison& c,
                    const std::vector<std::string>& labels, double confidence,
                    const TextNumbers& numbers) {
    out += "\nComparison of map A and map B on the same units, A - B; intervals at the "
           "confidence level " +
           TextValue(confidence, numbers) + '\n';
    if (c.stratified) {
        // Where McNemar's test would stand, why it does not.
        TextFigureSections(out, c.figures, numbers, {}, isUnitTable);
        out += '\n';
        out += catalogue::McNemar;
        out += "\n  ";
        AppendWrapped(out, c.figures[ComparisonFigure::mcnemar_p].reason, 2, 2);
        TextFigureSections(out, c.figures, numbers, {}, isDifference);
    } else {
        TextFigureSections(out, c.figures, numbers);
    }
    TextClassTable(out, labels, LabelsAreNames(labels), catalogue::ComparedClasses, c.classes,
                   numbers);
}

void ComparisonJson(JsonWriter& json, const MapComparison& c,
                    const std::vector<std::string>& labels) {
    const JsonWriter::Layout lines = JsonWriter::Lines(2);
    json.Key("comparison");
    json.BeginObject(lines);
    json.Member("stratified", c.stratified);
    // The figures of one heading share a line.
    JsonReasons reasons;
    const auto catalogue = Catalogue<ComparisonFigure>();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        json.SetBetween(i > 0 && catalogue[i].section == catalogue[i - 1].section
                            ? JsonWriter::Inline.between
                            : lines.between);
        JsonFigure(json, catalogue[i].field, c.figures.all()[i], reasons);
    }
    json.SetBetween(lines.between);
    JsonClassEntries(json, c.classes, labels);
    reasons.Write(json, JsonWriter::Lines(3));
    json.EndObject();
}

void IndependentText(std::string& out, const IndependentSection& s, const TextNumbers& numbers) {
    out += "Comparison of two independent assessments; intervals at the confidence level " +
           TextValue(s.confidence, numbers) + '\n';
    std::vector<std::vector<std::string>> table{
        {"", "report", "kappa", "kappa_se", "overall_accuracy", "overall_accuracy_se"}};
    for (const auto& [name, path, f] : {std::tuple{"A", &s.pathA, &s.a}, {"B", &s.pathB, &s.b}})
        table.push_back({name, *path, TextFigure(f->kappa, numbers, false),
                         TextFigure(f->kappaSe, numbers, false),
                         TextFigure(f->overallAccuracy, numbers, false),
                         TextFigure(f->overallAccuracySe, numbers, false)});
    TextTable(out, table);
    TextFigureSections(out, s.figures, numbers);
}

void IndependentJson(JsonWriter& json, const IndependentSection& s) {
    json.Key("independent");
    json.BeginObject(JsonWriter::Lines(2));
    json.Member("confidence", s.confidence);
    assessedJson(json, "a", s.pathA, s.a);
    assessedJson(json, "b", s.pathB, s.b);
    JsonReasons reasons;
    JsonFigures(json, s.figures, reasons);
    reasons.Write(json, JsonWriter::Lines(3));
    json.EndObject();
}

} // namespace brennic
