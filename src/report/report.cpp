// Each form writes the whole report in one order: the agreement report, the
// stratified section, the source record; or the ratings report alone.
#include "report/report.h"

#include <cmath>

#include "report/agreement_output.h"
#include "report/comparison_output.h"
#include "report/json_writer.h"
#include "report/ratings_output.h"
#include "report/report_writing.h"
#include "report/stratified_output.h"

namespace brennic {
namespace {

void sourceText(std::string& out, const SourceRecord& s, const std::string& areaUnit) {
    std::string text = "map " + s.map + ", reference " + s.reference +
                       (s.aligned.empty() ? "" : AlignedNote(s.aligned)) +
                       (s.referenceField.empty() ? "" : ", field " + s.referenceField) +
                       (s.strata.empty() ? "" : ", strata " + s.strata) + ": " +
                       SourceCountsText(s);
    if (!areaUnit.empty())
        text += "; mapped areas from the map, shown in " + areaUnit;
    out += "\nSource: ";
    AppendWrapped(out, text, 8, 2);
}

// Where the strata are the map's classes, sized as its areas.
void stratifiedSameText(std::string& out) {
    out += '\n';
    out += catalogue::Stratified;
    out += '\n';
    out += "  ";
    AppendWrapped(out, StratifiedSameNote, 2, 2);
}

// No-data values as numbers, NaN as the text "nan" that --nodata reads.
void nodataJson(JsonWriter& json, const std::vector<double>& values) {
    json.BeginArray();
    for (double value : values)
        if (std::isnan(value))
            json.String("nan");
        else
            json.Number(value);
    json.EndArray();
}

// What a count from maps read: enough for --sum to tell its windows apart.
void countedFromJson(JsonWriter& json, const SourceRecord& s) {
    if (!s.layer.empty())
        json.Member("layer", s.layer);
    json.Member("map_band", s.mapBand);
    if (s.referenceBand != 0)
        json.Member("reference_band", s.referenceBand);
    json.Key("window");
    json.BeginArray();
    for (std::int64_t value : *s.window)
        json.Count(static_cast<std::uint64_t>(value));
    json.EndArray();
    json.Key("nodata");
    json.BeginObject();
    json.Key("map");
    nodataJson(json, s.mapNodata);
    json.Key("reference");
    nodataJson(json, s.referenceNodata);
    json.EndObject();
}

void sourceJson(JsonWriter& json, const SourceRecord& s) {
    json.Key("source");
    json.BeginObject();
    json.Member("map", s.map);
    json.Member("reference", s.reference);
    if (!s.aligned.empty())
        json.Member("aligned", s.aligned);
    if (!s.referenceField.empty())
        json.Member("reference_field", s.referenceField);
    if (!s.strata.empty())
        json.Member("strata", s.strata);
    if (s.window)
        countedFromJson(json, s);
    json.Member("counted", s.counted);
    json.Key("left_out");
    json.BeginObject();
    json.Member("outside", s.outside);
    json.Member("nodata", s.nodata);
    json.Member("empty", s.empty);
    // Only where a mask left something out, so that a count without one reads as before.
    if (s.masked != 0)
        json.Member("masked", s.masked);
    json.EndObject();
    if (!s.areaUnit.empty())
        json.Member("area_unit", s.areaUnit);
    if (s.mappedAreas) {
        // As the map gave them, in area_unit, for --sum to add.
        json.Key("mapped_areas");
        json.NumberArray(*s.mappedAreas);
    }
    if (s.mapPixels) {
        json.Key("map_pixels");
        json.BeginArray();
        for (std::uint64_t pixels : *s.mapPixels)
            json.Count(pixels);
        json.EndArray();
    }
    json.EndObject();
}

} // namespace

std::string SourceCountsText(const SourceRecord& s) {
    return std::to_string(s.counted) + " counted; left out: " + std::to_string(s.outside) +
           " outside, " + std::to_string(s.nodata) + " on no-data, " + std::to_string(s.empty) +
           " empty" + (s.masked != 0 ? ", " + std::to_string(s.masked) + " masked" : "");
}

void ShowAreasIn(AgreementReport& report, double perUnit) {
    if (!report.area)
        return;
    for (AreaClassEntry& entry : report.area->classes)
        for (AreaClassFigure id :
             {AreaClassFigure::mapped_area, AreaClassFigure::area, AreaClassFigure::area_se,
              AreaClassFigure::area_ci_low, AreaClassFigure::area_ci_high})
            if (Figure& f = entry.figures[id]; f.defined())
                *f.value /= perUnit;
}

std::optional<ReportFormat> ReportFormatFromName(std::string_view name) {
    if (name == "text")
        return ReportFormat::Text;
    if (name == "csv")
        return ReportFormat::Csv;
    if (name == "json")
        return ReportFormat::Json;
    if (name == "html")
        return ReportFormat::Html;
    return std::nullopt;
}

std::string ReportText(const Report& report, const TextNumbers& numbers) {
    std::string out;
    if (report.independent) {
        IndependentText(out, *report.independent, numbers);
        return out;
    }
    if (report.comparison) {
        for (std::size_t i = 0; i < report.compared.size(); ++i) {
            out +=
                std::string(i == 0 ? "" : "\n") + "Map " + std::string(ComparedMapNames[i]) + '\n';
            out += ReportText(report.compared[i], numbers);
        }
        const AgreementReport& a = *report.compared.at(0).agreement;
        ComparisonText(out, *report.comparison, a.labels, a.confidence, numbers);
        return out;
    }
    if (report.ratings)
        RatingsText(out, *report.ratings, numbers);
    if (!report.agreement)
        return out;
    AgreementText(out, *report.agreement, report.areaUnit, numbers);
    if (report.stratifiedIsAreaWeighted)
        stratifiedSameText(out);
    else if (report.stratified)
        StratifiedText(out, *report.stratified, report.agreement->labels, numbers);
    if (report.source)
        sourceText(out, *report.source, report.areaUnit);
    return out;
}

namespace {

// The members of one report's object after its schema.
void reportMembers(JsonWriter& json, const Report& report) {
    if (report.independent)
        IndependentJson(json, *report.independent);
    for (std::size_t i = 0; i < report.compared.size(); ++i) {
        json.Key(ComparedMapKeys[i]);
        json.BeginObject(JsonWriter::Lines(1));
        reportMembers(json, report.compared[i]);
        json.EndObject();
    }
    if (report.comparison)
        ComparisonJson(json, *report.comparison, report.compared.at(0).agreement->labels);
    if (report.ratings)
        RatingsJson(json, *report.ratings);
    if (report.agreement) {
        AgreementJson(json, *report.agreement, report.areaUnit);
        if (report.stratified)
            StratifiedJson(json, *report.stratified, report.agreement->labels);
        if (report.source)
            sourceJson(json, *report.source);
    }
}

} // namespace

std::string ReportJson(const Report& report) {
    std::string out;
    // Room for the cells and the figures of every class at once, so that a large
    // report is not copied as it grows.
    if (report.agreement) {
        const auto n = static_cast<std::size_t>(report.agreement->n);
        out.reserve(16 * n * n + 2048 * n + 4096);
    }
    JsonWriter json(out);
    json.BeginObject(JsonWriter::Lines(1));
    json.Member("schema", ReportSchema);
    reportMembers(json, report);
    json.EndObject();
    out += '\n';
    return out;
}

std::string WriteReport(const Report& report, ReportFormat format, const TextNumbers& numbers) {
    switch (format) {
    case ReportFormat::Csv:
        return ReportCsv(report, numbers.decimalSeparator);
    case ReportFormat::Json:
        return ReportJson(report);
    case ReportFormat::Html:
        // Two independent assessments have no pictures of their own: their page
        // shows the text form.
        if (report.independent)
            return HtmlTextPage("Comparison of two assessments", ReportText(report, numbers));
        return ReportHtml(report, numbers);
    case ReportFormat::Text:
        break;
    }
    return ReportText(report, numbers);
}

} // namespace brennic
