// Each form writes the whole report in one order: the agreement report, the
// stratified section, the source record; or the ratings report alone.
#include "report/report.h"

#include <cmath>

#include "report/agreement_output.h"
#include "report/json_writer.h"
#include "report/ratings_output.h"
#include "report/report_writing.h"
#include "report/stratified_output.h"

namespace brennic {
namespace {

std::string countsText(const SourceRecord& s) {
    return std::to_string(s.counted) + " counted; left out: " + std::to_string(s.outside) +
           " outside, " + std::to_string(s.nodata) + " on no-data, " + std::to_string(s.empty) +
           " empty" + (s.masked != 0 ? ", " + std::to_string(s.masked) + " masked" : "");
}

void sourceText(std::string& out, const SourceRecord& s) {
    out += "\nSource: map " + s.map + ", reference " + s.reference +
           (s.referenceField.empty() ? "" : ", field " + s.referenceField) +
           (s.strata.empty() ? "" : ", strata " + s.strata) + ": " + countsText(s);
    if (!s.areaUnit.empty())
        out += "; mapped areas from the map, in " + s.areaUnit;
    out += "\n";
}

// The record's text in the value column of a row as wide as the others.
void sourceCsv(std::string& out, const SourceRecord& s, std::size_t classColumns) {
    std::string text = "map " + s.map + "; reference " + s.reference +
                       (s.referenceField.empty() ? "" : "; field " + s.referenceField) +
                       (s.strata.empty() ? "" : "; strata " + s.strata) + "; " + countsText(s);
    if (!s.areaUnit.empty())
        text += "; areas in " + s.areaUnit;
    out += "source," + CsvField(text) + std::string(classColumns + 2, ',') + "\n";
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

std::optional<ReportFormat> ReportFormatFromName(std::string_view name) {
    if (name == "text")
        return ReportFormat::Text;
    if (name == "csv")
        return ReportFormat::Csv;
    if (name == "json")
        return ReportFormat::Json;
    return std::nullopt;
}

std::string ReportText(const Report& report, const TextNumbers& numbers) {
    std::string out;
    if (report.ratings)
        RatingsText(out, *report.ratings, numbers);
    if (!report.agreement)
        return out;
    AgreementText(out, *report.agreement, numbers);
    if (report.stratified)
        StratifiedText(out, *report.stratified, report.agreement->labels, numbers);
    if (report.source)
        sourceText(out, *report.source);
    return out;
}

std::string ReportCsv(const Report& report) {
    std::string out;
    if (report.ratings)
        RatingsCsv(out, *report.ratings);
    if (!report.agreement)
        return out;
    AgreementCsv(out, *report.agreement);
    const std::size_t classColumns = AgreementCsvColumns(*report.agreement);
    if (report.stratified)
        StratifiedCsv(out, *report.stratified, report.agreement->labels, classColumns);
    if (report.source)
        sourceCsv(out, *report.source, classColumns);
    return out;
}

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
    if (report.ratings)
        RatingsJson(json, *report.ratings);
    if (report.agreement) {
        AgreementJson(json, *report.agreement);
        if (report.stratified)
            StratifiedJson(json, *report.stratified, report.agreement->labels);
        if (report.source)
            sourceJson(json, *report.source);
    }
    json.EndObject();
    out += '\n';
    return out;
}

std::string WriteReport(const Report& report, ReportFormat format, const TextNumbers& numbers) {
    switch (format) {
    case ReportFormat::Csv:
        return ReportCsv(report);
    case ReportFormat::Json:
        return ReportJson(report);
    case ReportFormat::Text:
        break;
    }
    return ReportText(report, numbers);
}

} // namespace brennic
