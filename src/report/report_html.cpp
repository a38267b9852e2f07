// The HTML form: one page that needs nothing beside it (no script, font, style
// sheet or image from anywhere else) and reads whole without any picture. In the
// report's order: a heading with what was assessed, the error matrix as a
// heatmap, with areas the estimated area proportions and the areas with their
// intervals, the accuracies, then each family of figures as a chart with its
// tables. Every figure is in a table; every chart is inline SVG with a title and
// a description. Nothing in the page depends on when it was written.
//
// The matrix has one heatmap, shaded by the share of each cell's row (the
// user's view, what a map reader meets): a second one by columns would double
// the largest page, so the column's share is in each cell's text while there is
// room (up to 12 classes) and in its tooltip up to LargestMatrixWithCellText
// classes, and the producer's accuracy stands under each column.
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "report/html_charts.h"
#include "report/palette.h"
#include "report/report.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

constexpr std::string_view Style =
    R"(:root{color-scheme:light dark;--bg:#fff;--fg:#1b1b1b;--muted:#5a5a5a;--grid:#d0d0d0;--s0:#0072b2;--s1:#c1440e;--s2:#1b1b1b;--warn:#fff4d6}
@media (prefers-color-scheme:dark){:root{--bg:#141414;--fg:#e6e6e6;--muted:#b0b0b0;--grid:#474747;--s0:#56b4e9;--s1:#f0a04b;--s2:#e6e6e6;--warn:#3a3000}}
body{margin:0 auto;max-width:1240px;padding:1em 1.5em;background:var(--bg);color:var(--fg);font:15px/1.45 system-ui,sans-serif}
h1{font-size:1.6em;margin:.3em 0}h2{font-size:1.3em;margin:1.4em 0 .4em;border-bottom:1px solid var(--grid)}h3{font-size:1.05em;margin:1em 0 .3em}
dl.facts{display:grid;grid-template-columns:max-content 1fr;gap:.15em 1em;margin:.5em 0}dl.facts dt{font-weight:600}dl.facts dd{margin:0;overflow-wrap:anywhere}
.warn{background:var(--warn);border-left:4px solid var(--s1);padding:.3em 1em;margin:.8em 0}
figure{margin:.8em 0;break-inside:avoid;page-break-inside:avoid}
svg{display:block;max-width:100%;height:auto}
@media screen and (max-width:700px){svg.hm{max-width:none}}
svg text{fill:var(--fg);font:12px system-ui,sans-serif}
svg .r{text-anchor:end}svg .m{text-anchor:middle}svg .s{font-size:8px}svg .b,svg .ax{font-weight:600}svg .p{font-size:10px}
.u rect{width:1px;height:1px}.runs rect{height:1px}.nd{fill:#8c8c8c}.nd+text{fill:#000}
.g path{stroke:var(--grid);fill:none}.w path{stroke-width:1.6;fill:none}
.s0{fill:var(--s0);stroke:var(--s0)}.s1{fill:var(--s1);stroke:var(--s1)}.s2{fill:var(--s2);stroke:var(--s2)}
.wrap{overflow-x:auto;max-width:100%}.pair{display:grid;grid-template-columns:repeat(auto-fit,minmax(min(440px,100%),1fr));gap:0 1.5em}
table{border-collapse:collapse;margin:.4em 0 1em}caption{text-align:left;font-weight:600;padding:.2em 0}
th,td{padding:.15em .6em;border-bottom:1px solid var(--grid);vertical-align:top}th{text-align:left}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums;white-space:nowrap}
p.note{color:var(--muted);max-width:60em}
@media print{@page{size:A4 portrait;margin:12mm}:root{--bg:#fff;--fg:#000;--muted:#333;--grid:#bbb;--s0:#0072b2;--s1:#c1440e;--s2:#000;--warn:#fff4d6}
body{max-width:none;padding:0;font-size:10pt}.wrap{overflow:visible}tr{break-inside:avoid}h2,h3{break-after:avoid}
table{font-size:7.5pt}th,td{padding:.1em .3em}th{overflow-wrap:anywhere}
*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}
)";

// The page up to its style sheet's own rules, which the caller ends.
std::string pageStart(std::string_view title) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>";
    AppendHtml(page, title);
    page += "</title>\n<style>\n";
    page += Style;
    return page;
}

std::size_t idx(int k) {
    return static_cast<std::size_t>(k);
}

std::string html(std::string_view text) {
    std::string out;
    AppendHtml(out, text);
    return out;
}

// A figure's description up to its first comma or bracket: its name in a picture.
std::string_view nameOf(const FigureInfo& info) {
    const std::string_view d = info.description;
    return d.substr(0, std::min(d.find(','), d.find(" (")));
}

template <typename Id> const FigureInfo& infoOf(Id id) {
    return Catalogue<Id>()[static_cast<std::size_t>(id)];
}

std::optional<double> valueOf(const Figure& f) {
    return f.defined() ? f.value : std::nullopt;
}

// A value with its interval, where the three are defined.
std::optional<IntervalMark> markOf(const Figure& value, const Figure& low, const Figure& high) {
    if (!value.defined())
        return std::nullopt;
    IntervalMark m{*value.value, valueOf(low), valueOf(high)};
    if (!m.low || !m.high)
        m.low = m.high = std::nullopt;
    return m;
}

// A count as the text form writes it; whole counts as their digits, fast.
void appendCount(std::string& out, double x, const TextNumbers& numbers) {
    if (x >= 0.0 && x < 1e15 && x == std::floor(x))
        AppendNumber(out, x);
    else
        out += TextValue(x, numbers);
}

std::string percent(double share) {
    return std::isnan(share) ? std::string("–") : std::to_string(std::lround(share * 100)) + "%";
}

class Page {
  public:
    Page(const Report& report, const TextNumbers& numbers) : m_report(report), m_numbers(numbers) {}

    std::string Write();

  private:
    void heading();
    void matrix();
    void areas();
    void accuracies(std::string_view id, std::string_view title,
                    const std::vector<std::string>& labels,
                    const std::vector<std::optional<IntervalMark>>& users,
                    const std::vector<std::optional<IntervalMark>>& producers,
                    std::optional<IntervalMark> overall);
    void agreement();
    void stratified();
    void ratings();
    void comparisonHeading();
    void comparison();

    // The tables of a row's figures, one for each section of their catalogue
    // that `shown` keeps (all without it).
    template <typename Id>
    void figureTables(const FigureRow<Id>& row, std::string_view title = {},
                      const std::function<bool(std::string_view section)>& shown = {});
    // A table of the classes' figures, each class named by `labels` (null: the
    // agreement report's).
    template <typename Entry>
    void classTable(std::string_view caption, const std::vector<Entry>& entries,
                    const std::vector<std::string>* labels = nullptr);
    void heatmap(Heatmap& map);
    void intervalChart(const IntervalChart& chart) { WriteIntervalChart(m_body, chart, m_numbers); }
    std::string value(const Figure& f) const { return TextFigure(f, m_numbers, true); }
    std::string value(double x) const { return TextValue(x, m_numbers); }
    void matrixTable(std::string_view caption, const std::vector<std::string>& rows,
                     const std::vector<std::string>& columns,
                     const std::vector<std::string>& cells);

    const Report& m_report;
    const TextNumbers& m_numbers;
    std::string m_body;
    std::vector<bool> m_steps;
};

void Page::heatmap(Heatmap& map) {
    MarkSteps(m_steps, map.shares);
    for (const auto* ends : {&map.rowEnds, &map.columnEnds})
        for (const Heatmap::Margin& m : *ends)
            MarkSteps(m_steps, m.shares);
    m_body += "<div class=\"wrap\">";
    WriteHeatmap(m_body, map, m_numbers);
    m_body += "</div>\n";
}

template <typename Id>
void Page::figureTables(const FigureRow<Id>& row, std::string_view title,
                        const std::function<bool(std::string_view section)>& shown) {
    const auto catalogue = Catalogue<Id>();
    std::optional<std::string_view> open; // the section of the table begun
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        if (shown && !shown(catalogue[i].section))
            continue;
        if (open != catalogue[i].section) {
            if (open)
                m_body += "</tbody></table></div>\n";
            open = catalogue[i].section;
            m_body += "<div class=\"wrap\"><table><caption>" +
                      html(title.empty() ? catalogue[i].section : title) +
                      "</caption><thead><tr><th scope=\"col\">figure</th><th "
                      "scope=\"col\">what it is</th><th scope=\"col\" "
                      "class=\"n\">value</th></tr></thead><tbody>\n";
        }
        m_body += "<tr><th scope=\"row\">" + html(catalogue[i].label) + "</th><td>" +
                  html(catalogue[i].description) + "</td><td class=\"n\">" +
                  html(value(row.all()[i])) + "</td></tr>\n";
    }
    if (open)
        m_body += "</tbody></table></div>\n";
}

template <typename Entry>
void Page::classTable(std::string_view caption, const std::vector<Entry>& entries,
                      const std::vector<std::string>* labels) {
    using Id = typename decltype(Entry::figures)::Id;
    const auto catalogue = Catalogue<Id>();
    const std::vector<std::string>& names =
        labels != nullptr ? *labels : m_report.agreement->labels;
    m_body += "<div class=\"wrap\"><table><caption>" + html(caption) +
              "</caption><thead><tr><th scope=\"col\">class</th>";
    for (const FigureInfo& info : catalogue)
        m_body += "<th scope=\"col\" class=\"n\">" + html(info.field) + "</th>";
    m_body += "</tr></thead><tbody>\n";
    std::string reasons;
    for (const Entry& entry : entries) {
        const std::string& label = names[idx(entry.k - 1)];
        m_body += "<tr><th scope=\"row\">" + html(label) + "</th>";
        for (std::size_t i = 0; i < catalogue.size(); ++i) {
            const Figure& f = entry.figures.all()[i];
            m_body += "<td class=\"n\">" + html(TextFigure(f, m_numbers, false)) + "</td>";
            if (!f.defined())
                reasons += "<li>" +
                           html(label + " " + std::string(catalogue[i].field) + ": " + f.reason) +
                           "</li>";
        }
        m_body += "</tr>\n";
    }
    m_body += "</tbody></table></div>\n";
    if (!reasons.empty())
        m_body += "<p>Not defined:</p><ul>" + reasons + "</ul>\n";
}

// A table of texts under `columns`, a row for each of `rows`, each row headed.
void Page::matrixTable(std::string_view caption, const std::vector<std::string>& rows,
                       const std::vector<std::string>& columns,
                       const std::vector<std::string>& cells) {
    m_body +=
        "<div class=\"wrap\"><table><caption>" + html(caption) + "</caption><thead><tr><td></td>";
    for (const std::string& column : columns)
        m_body += "<th scope=\"col\" class=\"n\">" + html(column) + "</th>";
    m_body += "</tr></thead><tbody>\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        m_body += "<tr><th scope=\"row\">" + html(rows[i]) + "</th>";
        for (std::size_t j = 0; j < columns.size(); ++j)
            m_body += "<td class=\"n\">" + html(cells[i * columns.size() + j]) + "</td>";
        m_body += "</tr>\n";
    }
    m_body += "</tbody></table></div>\n";
}

void fact(std::string& out, std::string_view name, std::string_view text) {
    out += "<dt>";
    AppendHtml(out, name);
    out += "</dt><dd>";
    AppendHtml(out, text);
    out += "</dd>\n";
}

std::string listed(const std::vector<double>& values, const TextNumbers& numbers) {
    std::string text;
    for (double v : values)
        text += (text.empty() ? "" : ", ") +
                (std::isnan(v) ? std::string("nan") : TextValue(v, numbers));
    return text.empty() ? "none" : text;
}

std::string sourceText(const SourceRecord& s, const TextNumbers& numbers) {
    std::string text = "map " + s.map;
    if (s.mapBand != 0)
        text += " (band " + std::to_string(s.mapBand) + ")";
    text += ", reference " + s.reference;
    if (s.referenceBand != 0)
        text += " (band " + std::to_string(s.referenceBand) + ")";
    if (!s.aligned.empty())
        text += AlignedNote(s.aligned);
    if (!s.layer.empty())
        text += ", layer " + s.layer;
    if (!s.referenceField.empty())
        text += ", field " + s.referenceField;
    if (!s.strata.empty())
        text += ", strata " + s.strata;
    if (s.window)
        text += "; window at column " + std::to_string((*s.window)[0]) + ", row " +
                std::to_string((*s.window)[1]) + ", " + std::to_string((*s.window)[2]) + " by " +
                std::to_string((*s.window)[3]) + " pixels; no-data: map " +
                listed(s.mapNodata, numbers) + ", reference " + listed(s.referenceNodata, numbers);
    return text;
}

void Page::heading() {
    const ReportHeading& h = m_report.heading;
    m_body +=
        m_report.ratings ? "<header><h1>Ratings report</h1>" : "<header><h1>Agreement report</h1>";
    m_body += "<dl class=\"facts\">\n";
    std::string inputs;
    for (const std::string& input : h.inputs)
        inputs += (inputs.empty() ? "" : ", ") + input;
    if (!inputs.empty())
        fact(m_body, "Assessed", inputs);
    if (m_report.source) {
        fact(m_body, "Source", sourceText(*m_report.source, m_numbers));
        fact(m_body, "Counted", SourceCountsText(*m_report.source));
    }
    if (!h.date.empty())
        fact(m_body, "Date", h.date);
    if (!h.program.empty())
        fact(m_body, "Program", h.program);
    const std::vector<std::string>* warnings = nullptr;
    if (m_report.ratings) {
        const RatingsReport& r = *m_report.ratings;
        fact(m_body, "Confidence level", value(r.confidence));
        fact(m_body, "Units",
             std::to_string(r.units) + ", of which " + std::to_string(r.pairableUnits) +
                 " with two ratings or more");
        fact(m_body, "Raters", std::to_string(r.raters));
        fact(m_body, "Weights", RatingWeightsName(r.weights));
        warnings = &r.warnings;
    }
    if (m_report.agreement) {
        const AgreementReport& r = *m_report.agreement;
        fact(m_body, "Confidence level", value(r.confidence));
        double total = 0.0;
        for (double x : r.cells)
            total += x;
        std::string counted;
        appendCount(counted, total, m_numbers);
        fact(m_body, "Classes", std::to_string(r.n) + "; " + counted + " counted in the matrix");
        if (r.missingLeftOut)
            fact(m_body, "Left out as missing", std::to_string(*r.missingLeftOut));
        if (r.weighted)
            fact(m_body, "Weights", WeightsName(r.weighted->weights));
        warnings = &r.warnings;
    }
    m_body += "</dl>\n";
    if (warnings != nullptr && !warnings->empty()) {
        m_body += "<section class=\"warn\"><h2>Warnings</h2><ul>\n";
        for (const std::string& warning : *warnings)
            m_body += "<li>" + html(warning) + "</li>\n";
        m_body += "</ul></section>\n";
    }
    m_body += "</header>\n";
}

void Page::matrix() {
    const AgreementReport& r = *m_report.agreement;
    const auto n = idx(r.n);
    std::vector<double> rowTotals(n, 0.0), colTotals(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            rowTotals[i] += r.cells[i * n + j];
            colTotals[j] += r.cells[i * n + j];
        }
    const auto share = [](double x, double total) { return total > 0.0 ? x / total : NAN; };
    const bool withText = r.n <= LargestMatrixWithCellText;
    const bool columnShareShown = r.n <= 12;
    Heatmap map;
    map.id = "matrix";
    map.title = "Error matrix, each cell shaded by its share of its row";
    const std::string desc =
        "Map classes down, reference classes across, " + std::to_string(r.n) + " by " +
        std::to_string(r.n) +
        " cells. Each cell is shaded by its share of its row (the user's view) on a fixed "
        "viridis scale from 0 (dark purple) to 1 (yellow); " +
        (withText ? std::string("each cell shows its count") +
                        (columnShareShown ? " and below it its share of its column" : "") +
                        ", its tooltip both shares"
                  : std::string("each cell's tooltip gives its count")) +
        ". Row totals and user's accuracy stand beside the rows, column totals and producer's "
        "accuracy below the columns.";
    map.desc = desc;
    map.rowsName = "map (classification)";
    map.columnsName = "reference";
    map.labels = &r.labels;
    map.n = r.n;
    map.scaleName = "share of the row";
    map.shares.resize(n * n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j)
            map.shares[i * n + j] = share(r.cells[i * n + j], rowTotals[i]);
    map.cellText = [&](std::string& out, std::size_t i, std::size_t j, bool full) {
        const double x = r.cells[i * n + j];
        if (full && withText) {
            out += "map " + r.labels[i] + ", reference " + r.labels[j] + ": ";
            appendCount(out, x, m_numbers);
            out += "; " + percent(share(x, rowTotals[i])) + " of the row, " +
                   percent(share(x, colTotals[j])) + " of the column";
            return;
        }
        appendCount(out, x, m_numbers);
        if (!full && columnShareShown)
            out += "\n" + percent(share(x, colTotals[j]));
    };
    const auto margin = [&](ClassFigure id, bool shaded) {
        Heatmap::Margin m{std::string(nameOf(infoOf(id))), {}, {}};
        for (const ClassEntry& entry : r.classes) {
            const Figure& f = entry.figures[id];
            m.texts.push_back(f.defined() ? value(f) : "–");
            m.shares.push_back(shaded && f.defined() ? *f.value : NAN);
        }
        return m;
    };
    map.rowEnds = {margin(ClassFigure::row_total, false),
                   margin(ClassFigure::users_accuracy, true)};
    map.columnEnds = {margin(ClassFigure::col_total, false),
                      margin(ClassFigure::producers_accuracy, true)};
    m_body += "<section><h2>Error matrix</h2>\n";
    heatmap(map);
    if (withText) {
        std::vector<std::string> rows = r.labels, columns = r.labels, cells;
        for (const auto& m : map.rowEnds)
            columns.push_back(m.heading);
        for (const auto& m : map.columnEnds)
            rows.push_back(m.heading);
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (std::size_t j = 0; j < columns.size(); ++j) {
                std::string cell;
                if (i < n && j < n)
                    appendCount(cell, r.cells[i * n + j], m_numbers);
                else if (i < n)
                    cell = map.rowEnds[j - n].texts[i];
                else if (j < n)
                    cell = map.columnEnds[i - n].texts[j];
                cells.push_back(cell);
            }
        matrixTable("Error matrix (rows: classification, columns: reference)", rows, columns,
                    cells);
    } else {
        m_body += "<p class=\"note\">The counts of the " + std::to_string(r.n * r.n) +
                  " cells are in the tooltips of the heatmap's cells (and in --format csv or "
                  "json); the totals and accuracies of each class are in the table of the "
                  "classes below.</p>\n";
    }
    m_body += "</section>\n";
}

template <typename Figures, typename Id>
std::optional<IntervalMark> markOf(const Figures& row, Id value, Id low, Id high) {
    return markOf(row[value], row[low], row[high]);
}

void Page::accuracies(std::string_view id, std::string_view title,
                      const std::vector<std::string>& labels,
                      const std::vector<std::optional<IntervalMark>>& users,
                      const std::vector<std::optional<IntervalMark>>& producers,
                      std::optional<IntervalMark> overall) {
    IntervalChart chart(
        id, title,
        "For each class its user's accuracy (circle) and producer's accuracy (square) with "
        "their intervals at the confidence level " +
            value(m_report.agreement->confidence) +
            " as whiskers, and the overall accuracy (diamond) in the first row, on one axis "
            "from 0 to 1.",
        "accuracy",
        {std::string(nameOf(infoOf(ClassFigure::users_accuracy))),
         std::string(nameOf(infoOf(ClassFigure::producers_accuracy))),
         std::string(nameOf(infoOf(OverallFigure::overall_accuracy)))});
    chart.rows.push_back({"overall", {std::nullopt, std::nullopt, overall}});
    for (std::size_t k = 0; k < labels.size(); ++k)
        chart.rows.push_back({labels[k], {users[k], producers[k], std::nullopt}});
    intervalChart(chart);
}

void Page::areas() {
    const AgreementReport& r = *m_report.agreement;
    const AreaWeighted& a = *r.area;
    const auto n = idx(r.n);
    const std::string& unit = m_report.areaUnit;
    m_body += "<section><h2>" + html(catalogue::AreaWeighted) + "</h2>\n";
    // p^_ij = W_i n_ij / n_i.: the cells' estimated shares of the whole area.
    Heatmap map;
    map.id = "area-proportions";
    map.title = "Estimated area proportions, each cell shaded by its share of the whole area";
    map.desc = "Map classes down, reference classes across: each cell's estimated share of the "
               "mapped area, its mapped class's share times its share of that row of the sample, "
               "shaded on the fixed viridis scale from 0 to 1.";
    map.rowsName = "map (classification)";
    map.columnsName = "reference";
    map.labels = &r.labels;
    map.n = r.n;
    map.scaleName = "share of the whole area";
    map.shares.assign(n * n, 0.0);
    Heatmap::Margin weights{std::string(nameOf(infoOf(AreaClassFigure::weight))), {}, {}};
    Heatmap::Margin estimated{"estimated share", {}, {}};
    std::vector<double> columns(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        double rowTotal = 0.0;
        for (std::size_t j = 0; j < n; ++j)
            rowTotal += r.cells[i * n + j];
        const Figure& w = a.classes[i].figures[AreaClassFigure::weight];
        for (std::size_t j = 0; j < n; ++j) {
            double& p = map.shares[i * n + j];
            p = rowTotal > 0.0 ? (w.defined() ? *w.value * r.cells[i * n + j] / rowTotal : NAN)
                               : 0.0;
            columns[j] += p;
        }
        weights.texts.push_back(value(w));
        weights.shares.push_back(w.defined() ? *w.value : NAN);
    }
    for (double c : columns) {
        estimated.texts.push_back(std::isnan(c) ? "–" : value(c));
        estimated.shares.push_back(c);
    }
    map.rowEnds = {weights};
    map.columnEnds = {estimated};
    const bool withText = r.n <= LargestMatrixWithCellText;
    map.cellText = [&](std::string& out, std::size_t i, std::size_t j, bool full) {
        const double p = map.shares[i * n + j];
        if (full && withText)
            out += "map " + r.labels[i] + ", reference " + r.labels[j] + ": ";
        out += std::isnan(p) ? "–" : value(p);
    };
    // Of many classes, the cells' estimates follow from the tables below: the
    // picture alone keeps the page small.
    map.tooltips = withText;
    heatmap(map);
    if (!withText)
        m_body += "<p class=\"note\">Each cell's estimate is its map class's share of the "
                  "mapped area times the cell's share of its row of the matrix.</p>\n";
    if (withText) {
        std::vector<std::string> cells;
        for (double p : map.shares)
            cells.push_back(std::isnan(p) ? "–" : value(p));
        matrixTable("Estimated area proportions (rows: classification, columns: reference)",
                    r.labels, r.labels, cells);
    }
    // The mapped areas against the estimated ones with their intervals.
    const std::string axis = "area" + (unit.empty() ? std::string() : " in " + unit);
    IntervalChart chart("areas", "Mapped and estimated area of each class",
                        "For each class its mapped area (upper bar) and its estimated area "
                        "(lower bar) with the estimate's interval at the confidence level " +
                            value(r.confidence) + " as a whisker, " + axis + ".",
                        axis,
                        {std::string(nameOf(infoOf(AreaClassFigure::mapped_area))),
                         std::string(nameOf(infoOf(AreaClassFigure::area)))});
    chart.bars = true;
    chart.low = 0.0;
    chart.high = 0.0;
    for (const AreaClassEntry& entry : a.classes) {
        using enum AreaClassFigure;
        const auto mapped = markOf(entry.figures[mapped_area], Figure{}, Figure{});
        const auto estimate = markOf(entry.figures, area, area_ci_low, area_ci_high);
        for (const auto& m : {mapped, estimate})
            if (m) {
                chart.low = std::min({chart.low, m->value, m->low.value_or(0.0)});
                chart.high = std::max({chart.high, m->value, m->high.value_or(0.0)});
            }
        chart.rows.push_back({r.labels[idx(entry.k - 1)], {mapped, estimate}});
    }
    if (chart.high <= chart.low)
        chart.high = chart.low + 1.0;
    intervalChart(chart);
    m_body += "</section>\n";
}

void Page::agreement() {
    const AgreementReport& r = *m_report.agreement;
    std::vector<std::optional<IntervalMark>> users, producers;
    for (const ClassEntry& entry : r.classes) {
        using enum ClassFigure;
        users.push_back(
            markOf(entry.figures, users_accuracy, users_accuracy_ci_low, users_accuracy_ci_high));
        producers.push_back(markOf(entry.figures, producers_accuracy, producers_accuracy_ci_low,
                                   producers_accuracy_ci_high));
    }
    using enum OverallFigure;
    m_body += "<section><h2>Accuracy of each class</h2>\n";
    accuracies(
        "accuracies", "User's and producer's accuracy of each class, with intervals", r.labels,
        users, producers,
        markOf(r.overall, overall_accuracy, overall_accuracy_ci_low, overall_accuracy_ci_high));
    classTable(catalogue::Classes, r.classes);
    m_body += "</section>\n";

    // The kappa family on one axis.
    IntervalChart chart("coefficients",
                        "Kappa and the chance-corrected coefficients, with intervals",
                        "Cohen's kappa, Scott's pi, Gwet's AC1, Brennan-Prediger, Krippendorff's "
                        "alpha and, where asked for, the weighted kappa, each as a dot with its "
                        "interval at the confidence level " +
                            value(r.confidence) + " as a whisker.",
                        "value", {"value"});
    const auto add = [&](const FigureInfo& info, std::optional<IntervalMark> m) {
        chart.rows.push_back({std::string(nameOf(info)), {m}});
        if (m)
            chart.low = std::min({chart.low, m->value, m->low.value_or(0.0)});
    };
    add(infoOf(KAPPA), markOf(r.overall, KAPPA, kappa_ci_low, kappa_ci_high));
    add(infoOf(scott_pi), markOf(r.overall, scott_pi, scott_pi_ci_low, scott_pi_ci_high));
    add(infoOf(gwet_ac1), markOf(r.overall, gwet_ac1, gwet_ac1_ci_low, gwet_ac1_ci_high));
    add(infoOf(brennan_prediger),
        markOf(r.overall, brennan_prediger, brennan_prediger_ci_low, brennan_prediger_ci_high));
    add(infoOf(krippendorff_alpha), markOf(r.overall[krippendorff_alpha], Figure{}, Figure{}));
    if (r.weighted) {
        using enum WeightedFigure;
        add(infoOf(kappa), markOf(r.weighted->figures, kappa, kappa_ci_low, kappa_ci_high));
    }
    chart.low = std::max(-1.0, std::floor(chart.low * 5) / 5);
    m_body += "<section><h2>Agreement</h2>\n";
    intervalChart(chart);
    figureTables(r.overall);
    if (r.weighted)
        figureTables(r.weighted->figures, std::string(catalogue::Weighted) + ", " +
                                              std::string(WeightsName(r.weighted->weights)) +
                                              " weights");
    m_body += "</section>\n";

    if (r.area) {
        std::vector<std::optional<IntervalMark>> areaUsers, areaProducers;
        for (const AreaClassEntry& entry : r.area->classes) {
            using enum AreaClassFigure;
            areaUsers.push_back(markOf(entry.figures, users_accuracy, users_accuracy_ci_low,
                                       users_accuracy_ci_high));
            areaProducers.push_back(markOf(entry.figures, producers_accuracy,
                                           producers_accuracy_ci_low, producers_accuracy_ci_high));
        }
        using enum AreaFigure;
        m_body += "<section><h2>" + html(catalogue::AreaClasses) + "</h2>\n";
        accuracies("area-accuracies", "Area-weighted accuracies of each class, with intervals",
                   r.labels, areaUsers, areaProducers,
                   markOf(r.area->figures, AreaFigure::overall_accuracy,
                          AreaFigure::overall_accuracy_ci_low,
                          AreaFigure::overall_accuracy_ci_high));
        figureTables(r.area->figures);
        classTable(std::string(catalogue::AreaClasses) +
                       (m_report.areaUnit.empty() ? "" : ", areas in " + m_report.areaUnit),
                   r.area->classes);
        m_body += "</section>\n";
    }
}

void Page::stratified() {
    const AgreementReport& r = *m_report.agreement;
    m_body += "<section><h2>" + html(catalogue::Stratified) + "</h2>\n";
    if (m_report.stratifiedIsAreaWeighted) {
        m_body += "<p>" + html(StratifiedSameNote) + "</p></section>\n";
        return;
    }
    const StratifiedSection& s = *m_report.stratified;
    std::vector<std::string> strata, columns{"size", "sample units"}, cells;
    for (std::size_t h = 0; h < s.sample.strata.size(); ++h) {
        strata.push_back(s.sample.strata[h]);
        cells.push_back(value(s.sample.stratumSizes[h]));
        cells.push_back(h < s.estimates.sampleSizes.size() ? value(s.estimates.sampleSizes[h])
                                                           : "–");
    }
    matrixTable(std::string("Strata") + (s.sample.finitePopulationCorrection
                                             ? ", with the finite-population correction"
                                             : ""),
                strata, columns, cells);
    std::vector<std::optional<IntervalMark>> users, producers;
    IntervalChart shares(
        "stratified-areas", "Estimated share of the area of each class, with intervals",
        "For each reference class its estimated share of the area with its "
        "interval at the confidence level " +
            value(r.confidence) + " as a whisker, on one axis from 0 to 1.",
        "share of the area", {std::string(nameOf(infoOf(StratifiedClassFigure::area_proportion)))});
    for (const StratifiedClassEntry& entry : s.estimates.classes) {
        using enum StratifiedClassFigure;
        users.push_back(
            markOf(entry.figures, users_accuracy, users_accuracy_ci_low, users_accuracy_ci_high));
        producers.push_back(markOf(entry.figures, producers_accuracy, producers_accuracy_ci_low,
                                   producers_accuracy_ci_high));
        const auto p =
            markOf(entry.figures, area_proportion, area_proportion_ci_low, area_proportion_ci_high);
        shares.rows.push_back({r.labels[idx(entry.k - 1)], {p}});
        if (p)
            shares.low = std::min(shares.low, std::floor(p->low.value_or(0.0) * 10) / 10);
    }
    using enum StratifiedFigure;
    accuracies("stratified-accuracies", "Stratified estimates of the accuracies, with intervals",
               r.labels, users, producers,
               markOf(s.estimates.figures, overall_accuracy, overall_accuracy_ci_low,
                      overall_accuracy_ci_high));
    intervalChart(shares);
    figureTables(s.estimates.figures);
    classTable(catalogue::StratifiedClasses, s.estimates.classes);
    // The estimated proportions p^_ij.
    const auto n = s.sample.classes;
    Heatmap map;
    map.id = "stratified-proportions";
    map.title = "Stratified estimates of the area proportions";
    map.desc = "Map classes down, reference classes across: each cell's estimated share of the "
               "area, shaded on the fixed viridis scale from 0 to 1.";
    map.rowsName = "map (classification)";
    map.columnsName = "reference";
    map.labels = &r.labels;
    map.n = static_cast<int>(n);
    map.scaleName = "share of the whole area";
    std::vector<std::string> texts;
    for (const Figure& f : s.estimates.areaProportions) {
        map.shares.push_back(f.defined() ? *f.value : NAN);
        texts.push_back(f.defined() ? value(f) : "–");
    }
    const bool withText = map.n <= LargestMatrixWithCellText;
    map.cellText = [&](std::string& out, std::size_t i, std::size_t j, bool full) {
        if (full && withText)
            out += "map " + r.labels[i] + ", reference " + r.labels[j] + ": ";
        out += texts[i * n + j];
    };
    heatmap(map);
    if (withText)
        matrixTable("Estimated area proportions (rows: classification, columns: reference)",
                    r.labels, r.labels, texts);
    m_body += "</section>\n";
}

void Page::ratings() {
    const RatingsReport& r = *m_report.ratings;
    IntervalChart chart("ratings", "The coefficients of agreement among the raters, with intervals",
                        "Each coefficient as a dot with its t interval at the confidence level " +
                            value(r.confidence) + " as a whisker.",
                        "value", {"value"});
    std::vector<std::string> names, columns{"value", "se", "ci_low", "ci_high", "p"}, cells;
    for (std::size_t c = 0; c < RatingsCoefficientCount; ++c) {
        const CoefficientFigures& f = r.coefficients[c];
        names.emplace_back(RatingsCoefficientName(static_cast<RatingsCoefficient>(c), r.weights));
        const auto m = markOf(f.value, f.ci_low, f.ci_high);
        chart.rows.push_back({names.back(), {m}});
        if (m)
            chart.low = std::min({chart.low, m->value, m->low.value_or(0.0)});
        for (const Figure* figure : {&f.value, &f.se, &f.ci_low, &f.ci_high, &f.p})
            cells.push_back(value(*figure));
    }
    chart.low = std::max(-1.0, std::floor(chart.low * 5) / 5);
    m_body += "<section><h2>Agreement among the raters</h2>\n";
    intervalChart(chart);
    matrixTable("Coefficients", names, columns, cells);
    std::vector<std::string> labels, counts;
    for (const RatingClass& c : r.classes) {
        labels.push_back(c.label);
        counts.push_back(std::to_string(c.count));
    }
    matrixTable("Classes, with how often each was given", labels, {"count"}, counts);
    if (r.krippendorffByLevel) {
        std::vector<std::string> levels, alphas;
        for (std::size_t l = 0; l < MeasurementLevelCount; ++l) {
            levels.emplace_back(MeasurementLevelName(static_cast<MeasurementLevel>(l)));
            alphas.push_back(value((*r.krippendorffByLevel)[l]));
        }
        matrixTable("Krippendorff's alpha by level of measurement", levels, {"alpha"}, alphas);
    }
    m_body += "</section>\n";
}

// One map's accuracies as its comparison weighs the units: its stratified
// estimates where the comparison is stratified, else those of the sample.
struct MapAccuracies {
    std::vector<std::optional<IntervalMark>> users, producers;
    std::optional<IntervalMark> overall;
};

MapAccuracies accuraciesOf(const Report& map, bool stratified) {
    MapAccuracies a;
    if (stratified && map.stratified) {
        const StratifiedEstimates& e = map.stratified->estimates;
        for (const StratifiedClassEntry& entry : e.classes) {
            using enum StratifiedClassFigure;
            a.users.push_back(markOf(entry.figures, users_accuracy, users_accuracy_ci_low,
                                     users_accuracy_ci_high));
            a.producers.push_back(markOf(entry.figures, producers_accuracy,
                                         producers_accuracy_ci_low, producers_accuracy_ci_high));
        }
        using enum StratifiedFigure;
        a.overall =
            markOf(e.figures, overall_accuracy, overall_accuracy_ci_low, overall_accuracy_ci_high);
    } else if (map.agreement) {
        for (const ClassEntry& entry : map.agreement->classes) {
            using enum ClassFigure;
            a.users.push_back(markOf(entry.figures, users_accuracy, users_accuracy_ci_low,
                                     users_accuracy_ci_high));
            a.producers.push_back(markOf(entry.figures, producers_accuracy,
                                         producers_accuracy_ci_low, producers_accuracy_ci_high));
        }
        using enum OverallFigure;
        a.overall = markOf(map.agreement->overall, overall_accuracy, overall_accuracy_ci_low,
                           overall_accuracy_ci_high);
    }
    return a;
}

void Page::comparisonHeading() {
    const ReportHeading& h = m_report.heading;
    m_body += "<header><h1>Comparison of two maps</h1><dl class=\"facts\">\n";
    std::string inputs;
    for (const std::string& input : h.inputs)
        inputs += (inputs.empty() ? "" : ", ") + input;
    if (!inputs.empty())
        fact(m_body, "Assessed", inputs);
    for (std::size_t i = 0; i < m_report.compared.size() && i < 2; ++i)
        if (const Report& map = m_report.compared[i]; map.source)
            fact(m_body, "Map " + std::string(ComparedMapNames[i]),
                 sourceText(*map.source, m_numbers));
    if (!h.date.empty())
        fact(m_body, "Date", h.date);
    if (!h.program.empty())
        fact(m_body, "Program", h.program);
    if (m_report.compared.front().agreement)
        fact(m_body, "Confidence level", value(m_report.compared.front().agreement->confidence));
    m_body += "</dl>\n</header>\n";
}

// Map A and map B side by side for each class: a chart of user's accuracy and
// one of producer's, A and B in the first two colours, then the differences
// with their intervals in a table, the units right in each map, and the
// figures of the whole sample. The maps' whole reports follow as text.
void Page::comparison() {
    const MapComparison& c = *m_report.comparison;
    const Report& first = m_report.compared.front();
    const std::vector<std::string>& labels = first.agreement->labels;
    const double confidence = first.agreement->confidence;
    std::array<MapAccuracies, 2> maps{accuraciesOf(m_report.compared[0], c.stratified),
                                      accuraciesOf(m_report.compared[1], c.stratified)};
    const std::string weighed = c.stratified ? "stratified estimates" : "estimates of the sample";
    m_body += "<section><h2>Map A against map B</h2>\n<div class=\"pair\">\n";
    for (const bool users : {true, false}) {
        const std::string_view name = nameOf(users ? infoOf(ClassFigure::users_accuracy)
                                                   : infoOf(ClassFigure::producers_accuracy));
        IntervalChart chart(users ? "users-accuracy-a-b" : "producers-accuracy-a-b",
                            users ? "User's accuracy of each class, map A and map B"
                                  : "Producer's accuracy of each class, map A and map B",
                            "For each class the " + std::string(name) +
                                " of map A (circle) and of map B (square), " + weighed +
                                ", with their intervals at the confidence level " +
                                value(confidence) +
                                " as whiskers, and the overall accuracy of each in the first "
                                "row, on one axis from 0 to 1.",
                            std::string(name), {"map A", "map B"});
        chart.rows.push_back({"overall", {maps[0].overall, maps[1].overall}});
        for (std::size_t k = 0; k < labels.size(); ++k) {
            const auto at = [&](const std::vector<std::optional<IntervalMark>>& marks) {
                return k < marks.size() ? marks[k] : std::nullopt;
            };
            chart.rows.push_back({labels[k],
                                  {at(users ? maps[0].users : maps[0].producers),
                                   at(users ? maps[1].users : maps[1].producers)}});
        }
        intervalChart(chart);
    }
    m_body += "</div>\n";

    // Each class's accuracies of A and B, and their difference with its interval.
    const auto shown = [&](const std::optional<IntervalMark>& m) {
        return m ? value(m->value) : std::string("–");
    };
    const auto interval = [&](const Figure& low, const Figure& high) {
        return low.defined() && high.defined() ? value(low) + " to " + value(high)
                                               : std::string("–");
    };
    std::vector<std::string> columns{"user's A",     "user's B",     "A − B", "interval",
                                     "producer's A", "producer's B", "A − B", "interval"},
        cells;
    std::string reasons;
    for (const ComparisonClassEntry& entry : c.classes) {
        const std::size_t k = idx(entry.k - 1);
        const auto mark = [&](const MapAccuracies& m, bool users) {
            const auto& marks = users ? m.users : m.producers;
            return k < marks.size() ? marks[k] : std::nullopt;
        };
        using enum ComparisonClassFigure;
        const auto& f = entry.figures;
        for (const bool users : {true, false}) {
            const Figure& difference =
                f[users ? users_accuracy_difference : producers_accuracy_difference];
            cells.push_back(shown(mark(maps[0], users)));
            cells.push_back(shown(mark(maps[1], users)));
            cells.push_back(TextFigure(difference, m_numbers, false));
            cells.push_back(users ? interval(f[users_accuracy_difference_ci_low],
                                             f[users_accuracy_difference_ci_high])
                                  : interval(f[producers_accuracy_difference_ci_low],
                                             f[producers_accuracy_difference_ci_high]));
            if (!difference.defined())
                reasons += "<li>" +
                           html(labels[k] + " " +
                                std::string(infoOf(users ? users_accuracy_difference
                                                         : producers_accuracy_difference)
                                                .field) +
                                ": " + difference.reason) +
                           "</li>";
        }
    }
    matrixTable("Accuracies of each class, A and B, and their difference A − B with its "
                "interval at the confidence level " +
                    value(confidence),
                labels, columns, cells);
    if (!reasons.empty())
        m_body += "<p>Not defined:</p><ul>" + reasons + "</ul>\n";

    using enum ComparisonFigure;
    matrixTable(catalogue::ComparedUnits, {"A right", "A wrong"}, {"B right", "B wrong"},
                {value(c.figures[both_right]), value(c.figures[only_a_right]),
                 value(c.figures[only_b_right]), value(c.figures[both_wrong])});
    if (c.stratified)
        m_body += "<p class=\"note\">" + html(c.figures[mcnemar_p].reason) + "</p>\n";
    figureTables(c.figures, {}, [&](std::string_view section) {
        return section != catalogue::ComparedUnits &&
               !(c.stratified && section == catalogue::McNemar);
    });
    classTable(catalogue::ComparedClasses, c.classes, &labels);
    m_body += "</section>\n";
}

std::string Page::Write() {
    if (m_report.comparison && !m_report.compared.empty() && m_report.compared.front().agreement) {
        comparisonHeading();
        m_body += "<main>\n";
        comparison();
        m_body += "<section><h2>The whole report</h2>\n<div class=\"wrap\"><pre>";
        AppendHtml(m_body, ReportText(m_report, m_numbers));
        m_body += "</pre></div></section>\n</main>\n</body>\n</html>\n";
        std::string page = pageStart("Comparison of two maps");
        page += PaletteStyle(m_steps);
        page += "</style>\n</head>\n<body>\n";
        return page + m_body;
    }
    const AgreementReport* r = m_report.agreement ? &*m_report.agreement : nullptr;
    if (r != nullptr) {
        const auto n = idx(r->n);
        // Room for the heatmap's cells at once, so that a large page is not copied as it grows.
        m_body.reserve(48 * n * n * (r->area ? 2 : 1) + 4096 * n + 65536);
    }
    heading();
    m_body += "<main>\n";
    if (m_report.ratings)
        ratings();
    if (r != nullptr) {
        matrix();
        if (r->area)
            areas();
        agreement();
        if (m_report.stratified || m_report.stratifiedIsAreaWeighted)
            stratified();
    }
    m_body += "</main>\n</body>\n</html>\n";
    std::string title = m_report.ratings ? "Ratings report" : "Agreement report";
    std::string inputs;
    for (const std::string& input : m_report.heading.inputs)
        inputs += (inputs.empty() ? ": " : ", ") + input;
    if (inputs.empty() && m_report.source)
        inputs = ": " + m_report.source->map;
    std::string page = pageStart(title + inputs);
    page += PaletteStyle(m_steps);
    page += "</style>\n</head>\n<body>\n";
    page.reserve(page.size() + m_body.size());
    page += m_body;
    return page;
}

} // namespace

std::string ReportHtml(const Report& report, const TextNumbers& numbers) {
    return Page(report, numbers).Write();
}

std::string HtmlTextPage(std::string_view title, std::string_view text) {
    std::string page = pageStart(title);
    page += "</style>\n</head>\n<body>\n<main>\n<h1>";
    AppendHtml(page, title);
    page += "</h1>\n<div class=\"wrap\"><pre>";
    AppendHtml(page, text);
    page += "</pre></div>\n</main>\n</body>\n</html>\n";
    return page;
}

} // namespace brennic
