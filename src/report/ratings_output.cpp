// Every form writes the same figures under the same field names, so a script
// can move from the CSV to the JSON without renaming anything.
#include "report/ratings_output.h"

#include "core/student_t.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

// The five figures of a coefficient with the suffixes of their field names.
struct Part {
    std::string_view suffix;
    Figure CoefficientFigures::*member;
};
constexpr Part Parts[] = {
    {"", &CoefficientFigures::value},         {"_se", &CoefficientFigures::se},
    {"_ci_low", &CoefficientFigures::ci_low}, {"_ci_high", &CoefficientFigures::ci_high},
    {"_p", &CoefficientFigures::p},
};

std::string coefficientName(std::size_t i, RatingWeights weights) {
    return std::string(RatingsCoefficientName(static_cast<RatingsCoefficient>(i), weights));
}
std::string levelName(std::size_t i) {
    return std::string(MeasurementLevelName(static_cast<MeasurementLevel>(i)));
}

} // namespace

void RatingsText(std::string& out, const RatingsReport& r, const TextNumbers& numbers) {
    const auto value = [&](const Figure& f) { return TextFigure(f, numbers, false); };
    out += "Agreement among raters (Gwet, Handbook of Inter-Rater Reliability, 4th "
           "ed., 2014)\n";
    for (const std::string& warning : r.warnings) {
        out += "Warning: ";
        AppendWrapped(out, warning, 9, 2);
    }
    TextTable(out, {{"units", std::to_string(r.units)},
                    {"units with two ratings or more", std::to_string(r.pairableUnits)},
                    {"raters", std::to_string(r.raters)},
                    {"weights", std::string(RatingWeightsName(r.weights))},
                    {"confidence level of the intervals", value(Figure::Of(r.confidence))}});

    out += "\nClasses\n";
    std::vector<std::vector<std::string>> classes{{"label", "ratings"}};
    for (const RatingClass& c : r.classes)
        classes.push_back({c.label, std::to_string(c.count)});
    TextTable(out, classes);

    out += "\nCoefficients\n";
    std::vector<std::vector<std::string>> table{
        {"coefficient", "value", "se", "ci_low", "ci_high", "p"}};
    std::string reasons;
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c) {
        table.push_back({coefficientName(c, r.weights)});
        for (const Part& part : Parts) {
            const Figure& f = r.coefficients[c].*part.member;
            table.back().push_back(value(f));
            if (!f.defined() && (part.suffix.empty() || r.coefficients[c].value.defined()))
                reasons += "  " + coefficientName(c, r.weights) + std::string(part.suffix) + ": " +
                           f.reason + '\n';
        }
    }
    TextTable(out, table);
    if (r.krippendorffByLevel) {
        out += "\nKrippendorff's alpha by level of measurement\n";
        std::vector<std::vector<std::string>> levels;
        for (std::size_t l = 0; l < MeasurementLevelCount; ++l) {
            const Figure& f = (*r.krippendorffByLevel)[l];
            levels.push_back({levelName(l), value(f)});
            if (!f.defined())
                reasons += "  krippendorff_alpha_" + levelName(l) + ": " + f.reason + '\n';
        }
        TextTable(out, levels);
    }
    if (!reasons.empty())
        out += "\nNot defined:\n" + reasons;
    out += "\nse: from each unit's linearised term; ci: value -+ t(" +
           ShortestNumber(UpperPoint(r.confidence)) +
           ", n - 1) se, the upper end at most 1;\np: the one-sided p-value 1 - T(value / se, "
           "n - 1) of Student's t, n the units.\n";
}

void RatingsJson(JsonWriter& json, const RatingsReport& r) {
    json.Member("units", r.units);
    json.Member("pairable_units", r.pairableUnits);
    json.Member("raters", static_cast<std::uint64_t>(r.raters));
    json.Member("weights", RatingWeightsName(r.weights));
    JsonLevelAndWarnings(json, r.confidence, r.warnings);
    json.Key("classes");
    json.BeginArray(JsonWriter::Lines(2));
    for (const RatingClass& c : r.classes) {
        json.BeginObject();
        json.Member("label", c.label);
        json.Member("count", c.count);
        json.EndObject();
    }
    json.EndArray();
    JsonReasons reasons;
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c)
        for (const Part& part : Parts)
            JsonFigure(json, coefficientName(c, r.weights) + std::string(part.suffix),
                       r.coefficients[c].*part.member, reasons);
    if (r.krippendorffByLevel) {
        json.Key("krippendorff_alpha_by_level");
        json.BeginObject();
        for (std::size_t l = 0; l < MeasurementLevelCount; ++l) {
            const Figure& f = (*r.krippendorffByLevel)[l];
            json.Key(levelName(l));
            if (f.defined()) {
                json.Number(*f.value);
            } else {
                json.Null();
                reasons.Add("krippendorff_alpha_" + levelName(l), f.reason);
            }
        }
        json.EndObject();
    }
    reasons.Write(json, JsonWriter::Lines(2));
}

} // namespace brennic
