#include "report/design_output.h"

#include <vector>

#include "report/json_writer.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

// How the sample size was set, in words and as the JSON member of the rule.
std::string ruleWords(const SampleSizeRule& rule, const TextNumbers& numbers) {
    if (rule.targetSe)
        return "for a standard error of overall accuracy of " + TextValue(*rule.targetSe, numbers);
    if (rule.halfWidth)
        return "for an interval of overall accuracy of half-width " +
               TextValue(*rule.halfWidth, numbers);
    return "as given";
}

// Every stratum has its area, where the strata come from a map.
bool hasAreas(const SampleDesign& d) {
    return d.areas.size() == d.strata.size();
}

std::string planName(const SampleDesign& d, std::size_t i) {
    const std::string name(AllocationName(d.plans[i].allocation));
    return i == d.chosen && d.plans.size() > 1 ? name + "*" : name;
}

// The draw's line, and a note for each stratum short of its reserves.
std::string drawText(const SampleDesign& d, const DrawRecord& draw, const TextNumbers& numbers) {
    std::uint64_t all = 0;
    for (std::uint64_t n : draw.drawn)
        all += n;
    std::string out = "\nDrawn: " + std::to_string(all) + " points into " + draw.points +
                      " (seed " + std::to_string(draw.seed) + ", " + std::to_string(draw.reserve) +
                      " reserves a stratum)\n";
    const AllocationPlan& chosen = d.plans[d.chosen];
    for (std::size_t h = 0; h < d.strata.size() && h < draw.drawn.size(); ++h) {
        const double wanted = chosen.units[h] + static_cast<double>(draw.reserve);
        if (static_cast<double>(draw.drawn[h]) < wanted)
            out += "  Stratum " + d.strata[h].label + " has " + std::to_string(draw.drawn[h]) +
                   " pixels for its " + TextValue(wanted, numbers) +
                   " units and reserves: all of them are drawn.\n";
    }
    return out;
}

std::string designText(const SampleDesign& d, const SampleSizeRule& rule, double confidence,
                       const TextNumbers& numbers) {
    const AllocationPlan& chosen = d.plans[d.chosen];
    std::string out = "Sample design (Olofsson et al. 2014): " + TextValue(d.sampleSize, numbers) +
                      " units " + ruleWords(rule, numbers) + ", " +
                      std::string(AllocationName(chosen.allocation)) + " allocation\n";
    out += "Confidence level " + TextValue(confidence, numbers) + ", z " + TextValue(d.z, numbers) +
           "\n\nUnits n_h of each allocation";
    out += d.plans.size() > 1 ? " (* the one asked for)\n" : "\n";
    const bool areas = hasAreas(d);
    std::vector<std::vector<std::string>> units{{"stratum", "N_h", "W_h"}};
    if (areas)
        units[0].push_back("area " + d.areaUnit);
    units[0].push_back("U_h");
    for (std::size_t i = 0; i < d.plans.size(); ++i)
        units[0].push_back(planName(d, i));
    for (std::size_t h = 0; h < d.strata.size(); ++h) {
        const DesignStratum& s = d.strata[h];
        units.push_back(
            {s.label, TextValue(s.size, numbers), TextValue(s.size / d.total, numbers)});
        if (areas)
            units.back().push_back(TextValue(d.areas[h], numbers));
        units.back().push_back(TextValue(s.expectedAccuracy, numbers));
        for (const AllocationPlan& p : d.plans)
            units.back().push_back(TextValue(p.units[h], numbers) + (p.tookAll[h] ? " all" : ""));
    }
    TextTable(out, units);
    out += "\nExpected standard errors: of overall accuracy, and of each stratum's user's "
           "accuracy\n";
    std::vector<std::vector<std::string>> errors{{"", ""}};
    for (std::size_t i = 0; i < d.plans.size(); ++i)
        errors[0].push_back(planName(d, i));
    errors.push_back({"overall", ""});
    for (const AllocationPlan& p : d.plans)
        errors.back().push_back(TextFigure(p.overallSe, numbers, false));
    for (std::size_t h = 0; h < d.strata.size(); ++h) {
        errors.push_back({"stratum", d.strata[h].label});
        for (const AllocationPlan& p : d.plans)
            errors.back().push_back(TextFigure(p.usersSe[h], numbers, false));
    }
    TextTable(out, errors, 2);
    std::string notes;
    for (std::size_t h = 0; h < d.strata.size(); ++h)
        if (chosen.tookAll[h])
            notes += "  Stratum " + d.strata[h].label + " has no more pixels than its " +
                     TextValue(chosen.units[h], numbers) + " units: all of them are taken.\n";
    if (!chosen.overallSe.defined())
        notes += "  " + chosen.overallSe.reason + "\n";
    if (!notes.empty())
        out += "\nNotes on the " + std::string(AllocationName(chosen.allocation)) +
               " allocation:\n" + notes;
    return out;
}

std::string designJson(const SampleDesign& d, const SampleSizeRule& rule, double confidence,
                       const DrawRecord* draw) {
    std::string out;
    JsonWriter json(out);
    json.BeginObject(JsonWriter::Lines(1));
    json.Member("schema", std::string_view("brennic-design/1"));
    json.Member("confidence", confidence);
    json.Member("z", d.z);
    if (rule.targetSe)
        json.Member("target_se", *rule.targetSe);
    if (rule.halfWidth)
        json.Member("half_width", *rule.halfWidth);
    json.Member("sample_size", d.sampleSize);
    json.Member("allocation", AllocationName(d.plans[d.chosen].allocation));
    const bool areas = hasAreas(d);
    if (areas)
        json.Member("area_unit", d.areaUnit);
    json.Key("strata");
    json.BeginArray(JsonWriter::Lines(2));
    for (std::size_t h = 0; h < d.strata.size(); ++h) {
        const DesignStratum& s = d.strata[h];
        json.BeginObject();
        json.Member("label", s.label);
        json.Member("size", s.size);
        json.Member("weight", s.size / d.total);
        if (areas)
            json.Member("area", d.areas[h]);
        json.Member("expected_accuracy", s.expectedAccuracy);
        json.EndObject();
    }
    json.EndArray();
    json.Key("allocations");
    json.BeginArray(JsonWriter::Lines(2));
    for (std::size_t i = 0; i < d.plans.size(); ++i) {
        const AllocationPlan& p = d.plans[i];
        JsonReasons reasons;
        json.BeginObject();
        json.Member("allocation", AllocationName(p.allocation));
        json.Member("chosen", i == d.chosen);
        json.Key("units");
        json.NumberArray(p.units);
        JsonFigure(json, "overall_accuracy_se", p.overallSe, reasons);
        json.Key("users_accuracy_se");
        json.BeginArray();
        for (std::size_t h = 0; h < p.usersSe.size(); ++h) {
            if (p.usersSe[h].defined())
                json.Number(*p.usersSe[h].value);
            else
                json.Null();
        }
        json.EndArray();
        json.Key("takes_all");
        json.BeginArray();
        for (bool all : p.tookAll)
            json.Bool(all);
        json.EndArray();
        reasons.Write(json);
        json.EndObject();
    }
    json.EndArray();
    if (draw != nullptr) {
        json.Key("draw");
        json.BeginObject();
        json.Member("points", draw->points);
        json.Member("map", draw->map);
        if (!draw->strata.empty())
            json.Member("strata", draw->strata);
        json.Member("seed", draw->seed);
        json.Member("reserve", draw->reserve);
        json.Key("drawn");
        json.BeginArray();
        for (std::uint64_t n : draw->drawn)
            json.Count(n);
        json.EndArray();
        json.Member("program", draw->program);
        json.EndObject();
    }
    json.EndObject();
    out += '\n';
    return out;
}

// The nine columns of every CSV report.
std::string designCsv(const SampleDesign& d, double confidence, char decimalSeparator) {
    const char between = decimalSeparator == ',' ? ';' : ',';
    std::string out;
    const auto row = [&](std::string_view section, std::string_view cls, std::string_view figure,
                         const Figure& f, std::string_view unit = {}) {
        std::string value = f.defined() ? ShortestNumber(*f.value) : "";
        for (char& c : value)
            c = c == '.' ? decimalSeparator : c;
        out += std::string(section) + between + CsvField(cls) + between + std::string(figure) +
               between + value + std::string(4, between) + CsvField(unit) + between +
               CsvField(f.reason) + '\n';
    };
    for (std::string_view name :
         {"section", "class", "figure", "value", "se", "ci_low", "ci_high", "unit", "reason"})
        out += std::string(name) + (name == "reason" ? "\n" : std::string(1, between));
    row("design", "", "confidence", Figure::Of(confidence));
    row("design", "", "sample_size", Figure::Of(d.sampleSize));
    for (std::size_t h = 0; h < d.strata.size(); ++h) {
        const DesignStratum& s = d.strata[h];
        row("strata", s.label, "size", Figure::Of(s.size));
        row("strata", s.label, "weight", Figure::Of(s.size / d.total));
        if (hasAreas(d))
            row("strata", s.label, "area", Figure::Of(d.areas[h]), d.areaUnit);
        row("strata", s.label, "expected_accuracy", Figure::Of(s.expectedAccuracy));
    }
    for (std::size_t i = 0; i < d.plans.size(); ++i) {
        const AllocationPlan& p = d.plans[i];
        const std::string section = "allocations." + std::string(AllocationName(p.allocation));
        row(section, "", "chosen", Figure::Of(i == d.chosen ? 1 : 0));
        row(section, "", "overall_accuracy_se", p.overallSe);
        for (std::size_t h = 0; h < d.strata.size(); ++h) {
            row(section, d.strata[h].label, "units", Figure::Of(p.units[h]));
            row(section, d.strata[h].label, "users_accuracy_se", p.usersSe[h]);
        }
    }
    return out;
}

} // namespace

std::string WriteDesign(const SampleDesign& design, const SampleSizeRule& rule, double confidence,
                        ReportFormat format, const TextNumbers& numbers, const DrawRecord* draw) {
    switch (format) {
    case ReportFormat::Csv:
        return designCsv(design, confidence, numbers.decimalSeparator);
    case ReportFormat::Json:
        return designJson(design, rule, confidence, draw);
    case ReportFormat::Text:
    case ReportFormat::Html:
        break;
    }
    std::string text = designText(design, rule, confidence, numbers) +
                       (draw != nullptr ? drawText(design, *draw, numbers) : std::string());
    // The HTML form shows the text form's tables as they are.
    return format == ReportFormat::Html ? HtmlTextPage("Sample design", text) : text;
}

} // namespace brennic
