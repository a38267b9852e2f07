// Written with the same pieces as the agreement report (report_writing.h): the
// machine forms carry the shortest round-trip digits, the text form those of
// Result.txt. A reason shared by many figures (a stratum of one unit spoils
// every standard error) is written once, with the figures it concerns.
#include "report/stratified_output.h"

#include <algorithm>

#include "report/report_writing.h"

namespace brennic {
namespace {

std::string textFigure(const Figure& figure, char decimalSeparator) {
    return figure.defined() ? TextValue(*figure.value, decimalSeparator) : "not defined";
}

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

std::string labelOf(const StratifiedSection& s, std::size_t k) {
    return s.labels[k];
}

std::string correctionWords(const StratifiedSample& sample) {
    return sample.finitePopulationCorrection ? "with the finite-population correction"
                                             : "without the finite-population correction";
}

// The matrix of p^_ij with its row and column sums, labels along both edges.
void textProportions(std::string& out, const StratifiedSection& s, char decimalSeparator,
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
        table[0].push_back(labelOf(s, k));
    table[0].emplace_back("total");
    std::vector<double> columns(q, 0.0);
    for (std::size_t i = 0; i < q; ++i) {
        table.push_back({labelOf(s, i)});
        double row = 0.0;
        for (std::size_t j = 0; j < q; ++j) {
            const double x = *p[i * q + j].value;
            table.back().push_back(TextValue(x, decimalSeparator));
            row += x;
            columns[j] += x;
        }
        table.back().push_back(TextValue(row, decimalSeparator));
    }
    table.push_back({"total"});
    double all = 0.0;
    for (double column : columns) {
        table.back().push_back(TextValue(column, decimalSeparator));
        all += column;
    }
    table.back().push_back(TextValue(all, decimalSeparator));
    TextTable(out, table);
}

void jsonNumberOrNull(std::string& out, const Figure& figure) {
    if (figure.defined())
        AppendNumber(out, *figure.value);
    else
        out += "null";
}

// Figures as JSON members, their reasons gathered apart.
template <typename Id>
void jsonMembers(std::string& out, const FigureRow<Id>& row, std::string& reasons) {
    const auto catalogue = Catalogue<Id>();
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const Figure& figure = row.all()[i];
        out += ", \"" + std::string(catalogue[i].field) + "\": ";
        jsonNumberOrNull(out, figure);
        if (!figure.defined()) {
            reasons += reasons.empty() ? "" : ", ";
            reasons += JsonString(catalogue[i].field) + ": " + JsonString(figure.reason);
        }
    }
}

std::string csvRow(std::string_view field, const std::string& value, std::string_view label,
                   const std::string& empty, const std::string& reason) {
    return "stratified." + std::string(field) + ',' + value + ',' + CsvField(label) + empty + ',' +
           CsvField(reason) + '\n';
}

std::string csvValue(const Figure& figure) {
    return figure.defined() ? ShortestNumber(*figure.value) : "";
}

} // namespace

std::string StratifiedText(const StratifiedSection& s, char decimalSeparator) {
    const StratifiedSample& sample = s.sample;
    std::string out =
        "\n" + std::string(catalogue::Stratified) + ", " + correctionWords(sample) + "\n";
    std::vector<std::vector<std::string>> strata{{"stratum", "size N_h", "sample units n_h"}};
    for (std::size_t h = 0; h < sample.strata.size(); ++h)
        strata.push_back({sample.strata[h], TextValue(sample.stratumSizes[h], decimalSeparator),
                          TextValue(s.estimates.sampleSizes[h], decimalSeparator)});
    TextTable(out, strata);

    Reasons reasons;
    std::vector<std::vector<std::string>> overall;
    const auto overallInfo = Catalogue<StratifiedFigure>();
    for (std::size_t i = 0; i < overallInfo.size(); ++i) {
        const Figure& figure = s.estimates.figures.all()[i];
        overall.push_back({std::string(overallInfo[i].label),
                           std::string(overallInfo[i].description),
                           textFigure(figure, decimalSeparator)});
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
        table.push_back({std::to_string(entry.k), labelOf(s, k)});
        for (std::size_t i = 0; i < classInfo.size(); ++i) {
            const Figure& figure = entry.figures.all()[i];
            table.back().push_back(textFigure(figure, decimalSeparator));
            if (!figure.defined())
                reasons.add("class " + std::to_string(entry.k) + " " +
                                std::string(classInfo[i].field),
                            figure.reason);
        }
    }
    TextTable(out, table);
    textProportions(out, s, decimalSeparator, reasons);
    reasons.write(out);
    return out;
}

std::string StratifiedCsv(const StratifiedSection& s, std::size_t emptyColumns) {
    const std::string empty(emptyColumns, ',');
    std::string out =
        csvRow("fpc", s.sample.finitePopulationCorrection ? "true" : "false", "", empty, "");
    for (std::size_t h = 0; h < s.sample.strata.size(); ++h) {
        out += csvRow("stratum.size", ShortestNumber(s.sample.stratumSizes[h]), s.sample.strata[h],
                      empty, "");
        out += csvRow("stratum.sample_units", ShortestNumber(s.estimates.sampleSizes[h]),
                      s.sample.strata[h], empty, "");
    }
    const auto overallInfo = Catalogue<StratifiedFigure>();
    for (std::size_t i = 0; i < overallInfo.size(); ++i) {
        const Figure& figure = s.estimates.figures.all()[i];
        out += csvRow(overallInfo[i].field, csvValue(figure), "", empty, figure.reason);
    }
    const auto classInfo = Catalogue<StratifiedClassFigure>();
    for (const StratifiedClassEntry& entry : s.estimates.classes)
        for (std::size_t i = 0; i < classInfo.size(); ++i) {
            const Figure& figure = entry.figures.all()[i];
            out += csvRow("class." + std::string(classInfo[i].field), csvValue(figure),
                          labelOf(s, static_cast<std::size_t>(entry.k - 1)), empty, figure.reason);
        }
    const std::size_t q = s.sample.classes;
    for (std::size_t i = 0; i < q; ++i)
        for (std::size_t j = 0; j < q; ++j) {
            const Figure& figure = s.estimates.areaProportions[i * q + j];
            out += csvRow("area_proportions." + std::to_string(i + 1) + '.' + std::to_string(j + 1),
                          csvValue(figure), "", empty, figure.reason);
        }
    return out;
}

std::string StratifiedJson(const StratifiedSection& s) {
    const StratifiedSample& sample = s.sample;
    std::string out = "\"stratified\": {\"fpc\": ";
    out += sample.finitePopulationCorrection ? "true" : "false";
    out += ",\n    \"strata\": [";
    for (std::size_t h = 0; h < sample.strata.size(); ++h) {
        out += h == 0 ? "\n" : ",\n";
        out += "      {\"label\": " + JsonString(sample.strata[h]) + ", \"size\": ";
        AppendNumber(out, sample.stratumSizes[h]);
        out += ", \"sample_units\": ";
        AppendNumber(out, s.estimates.sampleSizes[h]);
        out += '}';
    }
    out += "\n    ],\n    ";
    std::string reasons, members;
    jsonMembers(members, s.estimates.figures, reasons);
    out += members.substr(2); // without the first separator
    out += ",\n    \"classes\": [";
    for (const StratifiedClassEntry& entry : s.estimates.classes) {
        std::string classReasons;
        out += entry.k == 1 ? "\n" : ",\n";
        out += "      {\"class\": " + std::to_string(entry.k) +
               ", \"label\": " + JsonString(labelOf(s, static_cast<std::size_t>(entry.k - 1)));
        jsonMembers(out, entry.figures, classReasons);
        out += ", \"reasons\": {" + classReasons + "}}";
    }
    out += "\n    ],\n    \"area_proportions\": [";
    const std::size_t q = sample.classes;
    const auto& p = s.estimates.areaProportions;
    for (std::size_t i = 0; i < q; ++i) {
        out += i == 0 ? "[" : ", [";
        for (std::size_t j = 0; j < q; ++j) {
            out += j == 0 ? "" : ", ";
            jsonNumberOrNull(out, p[i * q + j]);
        }
        out += ']';
    }
    out += ']';
    if (!p.empty() && !p[0].defined()) {
        reasons += reasons.empty() ? "" : ", ";
        reasons += "\"area_proportions\": " + JsonString(p[0].reason);
    }
    out += ",\n    \"reasons\": {" + reasons + "}}";
    return out;
}

std::string WithStratifiedSection(std::string report, ReportFormat format,
                                  const StratifiedSection& section, char decimalSeparator) {
    switch (format) {
    case ReportFormat::Csv: {
        // As wide as the report's header: field, value, label, the class
        // columns, reason.
        const std::size_t header = report.find('\n');
        const auto commas = static_cast<std::size_t>(
            std::count(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(header), ','));
        return report + StratifiedCsv(section, commas >= 3 ? commas - 3 : 0);
    }
    case ReportFormat::Json: {
        // The report is one object ending in "\n}\n": the section is its last member.
        const std::size_t close = report.rfind("\n}");
        return report.substr(0, close) + ",\n  " + StratifiedJson(section) + report.substr(close);
    }
    case ReportFormat::Text:
        break;
    }
    return report + StratifiedText(section, decimalSeparator);
}

} // namespace brennic
