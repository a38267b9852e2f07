// The machine formats write each double with its shortest round-trip digits, so
// a program that reads them gets the very bits the report computed; the text
// form writes the 15 digits of Result.txt. Nothing here depends on the locale.
#include "report_output.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "number_text.h"

namespace brennic {
namespace {

std::string shortestNumber(double value) {
    if (value == 0.0)
        value = 0.0; // no "-0"
    char digits[32];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, written.ptr);
}

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            constexpr char hex[] = "0123456789abcdef";
            quoted += "\\u00";
            quoted += hex[(c >> 4) & 0xf];
            quoted += hex[c & 0xf];
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

// A figure as a JSON member; its reason, if any, goes to `reasons`.
void jsonMember(std::string& out, std::string_view name, const Figure& figure,
                std::string& reasons) {
    out += jsonString(name);
    out += ": ";
    if (figure.defined()) {
        out += shortestNumber(*figure.value);
    } else {
        out += "null";
        reasons += reasons.empty() ? "" : ", ";
        reasons += jsonString(name) + ": " + jsonString(figure.reason);
    }
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

// A figure's value the way Result.txt writes it, without the leading blank.
std::string textValue(double value, char decimalSeparator) {
    std::string text = FormatResultValue(value, decimalSeparator);
    return text[0] == ' ' ? text.substr(1) : text;
}

struct TextLine {
    std::string name, description;
    const Figure* figure;
};

// Name, description and value (or "not defined: reason") in aligned columns.
void textSection(std::string& out, std::string_view title, const std::vector<TextLine>& lines,
                 char decimalSeparator) {
    std::size_t nameWidth = 0, descriptionWidth = 0;
    for (const TextLine& line : lines) {
        nameWidth = std::max(nameWidth, line.name.size());
        descriptionWidth = std::max(descriptionWidth, line.description.size());
    }
    out += '\n';
    out += title;
    out += '\n';
    for (const TextLine& line : lines) {
        out += "  " + line.name + std::string(nameWidth - line.name.size() + 2, ' ');
        out += line.description + std::string(descriptionWidth - line.description.size() + 2, ' ');
        out += line.figure->defined() ? textValue(*line.figure->value, decimalSeparator)
                                      : "not defined: " + line.figure->reason;
        out += '\n';
    }
}

// Short descriptions of the overall figures, in the order of OverallFigures.
constexpr const char* OverallDescriptions[] = {
    "chance agreement",
    "observed agreement",
    "Cohen's kappa",
    "KAPPA - 2 SECI (SECI: simple standard error of kappa)",
    "KAPPA + 2 SECI",
    "simple standard error under chance",
    "KAPPA / SE",
    "standard error of kappa",
    "standard error of kappa under chance (kappa = 0)",
    "KAPPA - 1.96 kappa_se",
    "KAPPA + 1.96 kappa_se",
    "KAPPA / kappa_se0",
    "two-sided normal p-value of z_large_sample",
};
// The header labels of Result.txt for the seven.
constexpr const char* ResultLabels[] = {"PC", "PO", "KAPPA", "LO-95% CI", "HI-95% CI", "SE", "Z"};

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
    const auto overall = OverallFigures(r);
    std::vector<TextLine> seven, largeSample;
    for (std::size_t i = 0; i < overall.size(); ++i)
        (i < 7 ? seven : largeSample)
            .push_back({i < 7 ? ResultLabels[i] : std::string(overall[i].name),
                        OverallDescriptions[i], overall[i].figure});
    textSection(out, "The figures of Result.txt", seven, decimalSeparator);
    textSection(out,
                "Large-sample figures (Fleiss, Cohen and Everitt 1969), not those of Result.txt",
                largeSample, decimalSeparator);

    if (r.weighted) {
        const auto w = WeightedFigures(*r.weighted);
        const bool linear = r.weighted->weights == Weights::Linear;
        textSection(out,
                    std::string("Weighted kappa (Cohen 1968), ") +
                        (linear ? "linear weights 1 - |i - j| / (n - 1)"
                                : "quadratic weights 1 - (i - j)^2 / (n - 1)^2"),
                    {{"kappa", "weighted kappa", w[0].figure},
                     {"kappa_se", "large-sample standard error", w[1].figure},
                     {"kappa_se0", "large-sample standard error under chance", w[2].figure},
                     {"z", "kappa / kappa_se0", w[3].figure}},
                    decimalSeparator);
    }

    // The classes: one aligned row each, right-aligned; reasons listed below.
    std::vector<std::vector<std::string>> table{{"class"}};
    std::string reasons;
    for (const NamedFigure& f : ClassFigureList(ClassFigures{}))
        table[0].emplace_back(f.name);
    for (const ClassFigures& c : r.classes) {
        table.push_back({std::to_string(c.k)});
        for (const NamedFigure& f : ClassFigureList(c)) {
            if (f.figure->defined()) {
                table.back().push_back(textValue(*f.figure->value, decimalSeparator));
            } else {
                table.back().emplace_back("not defined");
                reasons += "  class " + std::to_string(c.k) + " " + std::string(f.name) + ": " +
                           f.figure->reason + '\n';
            }
        }
    }
    std::vector<std::size_t> widths(table[0].size(), 0);
    for (const auto& row : table)
        for (std::size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    out += "\nClasses (row_share: user's accuracy, col_share: producer's accuracy)\n";
    for (const auto& row : table) {
        for (std::size_t i = 0; i < row.size(); ++i)
            out += std::string(widths[i] - row[i].size() + 2, ' ') + row[i];
        out += '\n';
    }
    if (!reasons.empty())
        out += "\nNot defined:\n" + reasons;
    return out;
}

std::string ReportCsv(const AgreementReport& r) {
    std::string out = "field,value";
    for (const NamedFigure& f : ClassFigureList(ClassFigures{})) {
        out += ',';
        out += f.name;
    }
    out += ",reason\n";
    const std::string noClassColumns(ClassFigureList(ClassFigures{}).size(), ',');
    const auto figureRow = [&](const std::string& name, const Figure& figure) {
        out += name + ',' + (figure.defined() ? shortestNumber(*figure.value) : "") +
               noClassColumns + ',' + csvField(figure.reason) + '\n';
    };
    out += "n," + std::to_string(r.n) + noClassColumns + ",\n";
    for (const NamedFigure& f : OverallFigures(r))
        figureRow(std::string(f.name), *f.figure);
    if (r.weighted) {
        out += "weighted.weights," + std::string(WeightsName(r.weighted->weights)) +
               noClassColumns + ",\n";
        for (const NamedFigure& f : WeightedFigures(*r.weighted))
            figureRow("weighted." + std::string(f.name), *f.figure);
    }
    for (const ClassFigures& c : r.classes) {
        std::string reasons;
        out += "class," + std::to_string(c.k);
        for (const NamedFigure& f : ClassFigureList(c)) {
            out += ',';
            if (f.figure->defined()) {
                out += shortestNumber(*f.figure->value);
            } else {
                reasons += reasons.empty() ? "" : " ";
                reasons += f.name;
                reasons += ": " + f.figure->reason;
            }
        }
        out += ',' + csvField(reasons) + '\n';
    }
    return out;
}

std::string ReportJson(const AgreementReport& r) {
    std::string out = "{\n  \"n\": " + std::to_string(r.n) + ",\n";
    std::string reasons;
    for (const NamedFigure& f : OverallFigures(r)) {
        out += "  ";
        jsonMember(out, f.name, *f.figure, reasons);
        out += ",\n";
    }
    if (r.weighted) {
        std::string weightedReasons;
        out += "  \"weighted\": {\"weights\": " + jsonString(WeightsName(r.weighted->weights));
        for (const NamedFigure& f : WeightedFigures(*r.weighted)) {
            out += ", ";
            jsonMember(out, f.name, *f.figure, weightedReasons);
        }
        out += ", \"reasons\": {" + weightedReasons + "}},\n";
    }
    out += "  \"classes\": [";
    for (const ClassFigures& c : r.classes) {
        std::string classReasons;
        out += &c == &r.classes.front() ? "\n" : ",\n";
        out += "    {\"class\": " + std::to_string(c.k);
        for (const NamedFigure& f : ClassFigureList(c)) {
            out += ", ";
            jsonMember(out, f.name, *f.figure, classReasons);
        }
        out += ", \"reasons\": {" + classReasons + "}}";
    }
    out += "\n  ],\n  \"reasons\": {" + reasons + "}\n}\n";
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
