// Written with the same pieces as the agreement report (report_writing.h): the
// machine forms carry the shortest round-trip digits, the text form those of
// Result.txt. A reason shared by many figures (a stratum of one unit spoils
// every standard error) is written once, with the figures it concerns.
#include "report/stratified_output.h"

#include <algorithm>
#include <map>
#include <utility>

#include "report/report_writing.h"

namespace brennic {
namespace {

// Reasons in the order first met, each with the figures it concerns.
class Reasons {
  public:
    void add(const std::string& where, const std::string& reason) {
        for (auto& [text, places] : m_reasons)
            if (text == reason) {
                places += ", " + where;
                return;
            }
        m_reasons.emplace_back(reason, where);
    }
    void write(std::string& out) const {
        if (m_reasons.empty())
            return;
        out += "Not defined:\n";
        for (const auto& [text, places] : m_reasons)
            out += "  " + places + ": " + text + '\n';
    }

  private:
    std::vector<std::pair<std::string, std::string>> m_reasons;
};

std::string correctionWords(const StratifiedSample& sample) {
    return sample.finitePopulationCorrection ? "with the finite-population correction"
                                             : "without the finite-population correction";
}

// The matrix of p^_ij with its row and column sums, labels along both edges.
void textProportions(std::string& out, const StratifiedSection& s,
                     const std::vector<std::string>& labels, const TextNumbers& numbers,
                     Reasons& reasons) {
    const std::size_t q = s.sample.classes;
    const auto& p = s.estimates.areaProportions;
    out += "\nEstimated area proportions p^_ij (rows: map, columns: reference)\n";
    if (!p.empty() && !p[0].defined()) {
        out += "  not defined\n";
        reasons.add("area proportions", p[0].reason);
        return;
    }
    std::vector<std::vector<std::string>> table{{""}};
    for (std::size_t k = 0; k < q; ++k)
        table[0].push_back(labels[k]);
    table[0].emplace_back("total");
    std::vector<double> columns(q, 0.0);
    for (std::size_t i = 0; i < q; ++i) {
        table.push_back({labels[i]});
        double row = 0.0;
        for (std::size_t j = 0; j < q; ++j) {
            const double x = *p[i * q + j].value;
            table.back().push_back(TextValue(x, numbers));
            row += x;
            columns[j] += x;
        }
        table.back().push_back(TextValue(row, numbers));
    }
    table.push_back({"total"});
    double all = 0.0;
    for (double column : columns) {
        table.back().push_back(TextValue(column, numbers));
        all += column;
    }
    table.back().push_back(TextValue(all, numbers));
    TextTable(out, table);
}

} // namespace

void StratifiedText(std::string& out, const StratifiedSection& s,
                    const std::vector<std::string>& labels, const TextNumbers& numbers) {
    const StratifiedSample& sample = s.sample;
    out += "\n" + std::string(catalogue::Stratified) + ", " + correctionWords(sample) + "\n";
    std::vector<std::vector<std::string>> strata{{"stratum", "size N_h", "sample units n_h"}};
    for (std::size_t h = 0; h < sample.strata.size(); ++h)
        strata.push_back({sample.strata[h], TextValue(sample.stratumSizes[h], numbers),
                          TextValue(s.estimates.sampleSizes[h], numbers)});
    TextTable(out, strata);

    Reasons reasons;
    std::vector<std::vector<std::string>> overall;
    const auto overallInfo = Catalogue<StratifiedFigure>();
    for (std::size_t i = 0; i < overallInfo.size(); ++i) {
        const Figure& figure = s.estimates.figures.all()[i];
        overall.push_back({std::string(overallInfo[i].label),
                           std::string(overallInfo[i].description),
                           TextFigure(figure, numbers, false)});
        if (!figure.defined())
            reasons.add(std::string(overallInfo[i].field), figure.reason);
    }
    out += '\n';
    // Left-aligned names read better; TextTable aligns right, so pad them here.
    std::size_t nameWidth = 0, descriptionWidth = 0;
    for (const auto& row : overall) {
        nameWidth = std::max(nameWidth, row[0].size());
        descriptionWidth = std::max(descriptionWidth, row[1].size());
    }
    for (const auto& row : overall)
        out += "  " + row[0] + std::string(nameWidth - row[0].size() + 2, ' ') + row[1] +
               std::string(descriptionWidth - row[1].size() + 2, ' ') + row[2] + '\n';

    out += '\n';
    out += catalogue::StratifiedClasses;
    out += '\n';
    const auto classInfo = Catalogue<StratifiedClassFigure>();
    std::vector<std::vector<std::string>> table{{"class", "label"}};
    for (const FigureInfo& info : classInfo)
        table[0].emplace_back(info.field);
    for (const StratifiedClassEntry& entry : s.estimates.classes) {
        const std::size_t k = static_cast<std::size_t>(entry.k - 1);
        table.push_back({std::to_string(entry.k), labels[k]});
        for (std::size_t i = 0; i < classInfo.size(); ++i) {
            const Figure& figure = entry.figures.all()[i];
            table.back().push_back(TextFigure(figure, numbers, false));
            if (!figure.defined())
                reasons.add("class " + std::to_string(entry.k) + " " +
                                std::string(classInfo[i].field),
                            figure.reason);
        }
    }
    TextTable(out, table);
    textProportions(out, s, labels, numbers, reasons);
    reasons.write(out);
}

void StratifiedJson(JsonWriter& json, const StratifiedSection& s,
                    const std::vector<std::string>& labels) {
    const StratifiedSample& sample = s.sample;
    const JsonWriter::Layout lines = JsonWriter::Lines(2);
    json.Key("stratified");
    json.BeginObject({"", lines.between, ""});
    json.Member("fpc", sample.finitePopulationCorrection);
    json.Key("strata");
    json.BeginArray(JsonWriter::Lines(3));
    for (std::size_t h = 0; h < sample.strata.size(); ++h) {
        json.BeginObject();
        json.Member("label", sample.strata[h]);
        json.Member("size", sample.stratumSizes[h]);
        json.Member("sample_units", s.estimates.sampleSizes[h]);
        // The units of each pair of classes, [map class, reference class, units]:
        // what --sum adds to estimate the whole from the reports of its parts.
        std::map<std::pair<std::size_t, std::size_t>, double> units;
        for (const StratifiedCell& cell : sample.cells)
            if (cell.stratum == h && cell.count != 0.0)
                units[{cell.map, cell.reference}] += cell.count;
        json.Key("units");
        json.BeginArray();
        for (const auto& [pair, count] : units) {
            json.BeginArray();
            json.Count(pair.first + 1);
            json.Count(pair.second + 1);
            json.Number(count);
            json.EndArray();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
    // The overall figures share a line.
    JsonReasons reasons;
    const auto overall = Catalogue<StratifiedFigure>();
    for (std::size_t i = 0; i < overall.size(); ++i) {
        JsonFigure(json, overall[i].field, s.estimates.figures.all()[i], reasons);
        json.SetBetween(i + 1 < overall.size() ? JsonWriter::Inline.between : lines.between);
    }
    JsonClassEntries(json, s.estimates.classes, labels);
    json.Key("area_proportions");
    json.BeginArray();
    const std::size_t q = sample.classes;
    const auto& p = s.estimates.areaProportions;
    for (std::size_t i = 0; i < q; ++i) {
        json.BeginArray();
        for (std::size_t j = 0; j < q; ++j) {
            if (p[i * q + j].defined())
                json.Number(*p[i * q + j].value);
            else
                json.Null();
        }
        json.EndArray();
    }
    json.EndArray();
    // A shared reason: the proportions are all defined or all not.
    if (!p.empty() && !p[0].defined())
        reasons.Add("area_proportions", p[0].reason);
    reasons.Write(json);
    json.EndObject();
}

} // namespace brennic
