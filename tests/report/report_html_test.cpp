// The HTML form checked from its bytes: the palette's colours against viridis as
// published, the text colours' contrast by WCAG's formula worked out here, each
// heatmap cell's count and shade, Olofsson's estimated area proportions, and
// pages that stand alone, repeat their bytes and stay small at 254 classes.
// tests/report/browser_test.sh opens the same pages in a browser.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/agreement_report.h"
#include "report/palette.h"
#include "report/report.h"

namespace brennic {
namespace {

ErrorMatrix matrixOf(const std::vector<std::vector<double>>& rows) {
    const int n = static_cast<int>(rows.size());
    ErrorMatrix m(n);
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c)
            m.set(r, c, rows[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c - 1)]);
    FormTotals(m);
    return m;
}

Report reportOf(const ErrorMatrix& m, const std::vector<double>* areas = nullptr) {
    Report report;
    report.agreement = ComputeAgreementReport(m, Weights::None, areas);
    return report;
}

std::string html(const Report& report) {
    return ReportHtml(report, TextNumbers());
}

// WCAG 2.1's relative luminance of "#rrggbb" and the contrast of two colours,
// written here from the W3C's definition, apart from the program's.
double luminanceOf(const std::string& hex) {
    double channels[3];
    for (int i = 0; i < 3; ++i) {
        const double c =
            std::stoi(hex.substr(1 + 2 * static_cast<std::size_t>(i), 2), nullptr, 16) / 255.0;
        channels[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    }
    return 0.2126 * channels[0] + 0.7152 * channels[1] + 0.0722 * channels[2];
}
double contrastOf(const std::string& a, const std::string& b) {
    const double la = luminanceOf(a), lb = luminanceOf(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour the page's style gives `rule` ("{fill:#rrggbb}" after it).
std::string styleFill(const std::string& page, const std::string& rule) {
    const std::size_t at = page.find(rule + "{fill:");
    return at == std::string::npos ? "" : page.substr(at + rule.size() + 6, 7);
}

// The part of the page from `<figure id="id">` to its end.
std::string figureOf(const std::string& page, const std::string& id) {
    const std::size_t start = page.find("<figure id=\"" + id + "\">");
    if (start == std::string::npos)
        return "";
    return page.substr(start, page.find("</figure>", start) - start);
}

struct Cell {
    std::string cls, title;
};
// Every rect of `part` with a tooltip, with its class (empty without one).
std::vector<Cell> cellsOf(const std::string& part) {
    std::vector<Cell> cells;
    for (std::size_t at = part.find("<rect "); at != std::string::npos;
         at = part.find("<rect ", at + 1)) {
        const std::size_t end = part.find('>', at);
        const std::string tag = part.substr(at, end - at);
        if (part.compare(end, 8, "><title>") != 0)
            continue;
        Cell cell;
        if (const std::size_t c = tag.find("class="); c != std::string::npos) {
            // In quotes, or up to the tag's end.
            const bool quoted = tag.compare(c + 6, 1, "\"") == 0;
            const std::size_t from = c + 6 + (quoted ? 1 : 0);
            cell.cls = tag.substr(from, quoted ? tag.find('"', from) - from : std::string::npos);
        }
        cell.title = part.substr(end + 8, part.find("</title>", end) - end - 8);
        cells.push_back(cell);
    }
    return cells;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// matplotlib's viridis(x) as its documentation and colour pickers list it.
TEST(ReportHtml, SharesTakeViridisAsPublished) {
    struct Row {
        const char* name;
        double share;
        const char* hex;
    } rows[] = {
        {"zero", 0.0, "#440154"},
        {"quarter", 0.25, "#3b528b"},
        {"half", 0.5, "#21918c"},
        {"three_quarters", 0.75, "#5ec962"},
        {"one", 1.0, "#fde725"},
        {"below_zero_is_zero", -0.3, "#440154"},
        {"above_one_is_one", 1.7, "#fde725"},
        {"nan_is_zero", NAN, "#440154"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(HexColour(PaletteColour(PaletteStep(row.share))), row.hex);
    }
}

TEST(ReportHtml, TextOnEveryShadeKeepsFourAndAHalfToOne) {
    // Published pairs: black on white 21:1; #767676 on white 4.54:1, the
    // lightest grey that passes (WebAIM).
    EXPECT_NEAR(ContrastRatio(RelativeLuminance({0, 0, 0}), RelativeLuminance({255, 255, 255})),
                21.0, 1e-12);
    EXPECT_NEAR(
        ContrastRatio(RelativeLuminance({255, 255, 255}), RelativeLuminance({0x76, 0x76, 0x76})),
        4.54, 0.005);
    for (std::size_t step = 0; step < PaletteSteps; ++step) {
        const Rgb shade = PaletteColour(step);
        SCOPED_TRACE(HexColour(shade));
        EXPECT_GE(contrastOf(HexColour(shade), HexColour(TextColourOn(shade))), 4.5);
    }
}

// Rows 0 1 1 2 | 1 3 0 0 | 0 0 4 0 | 1 1 0 2: every row holds 4, the columns 2,
// 5, 5 and 4, so each row's shares are 0, 1/4, 1/2, 3/4 or 1, whose colours are
// the published ones above.
TEST(ReportHtml, HeatmapCellsCarryTheirCountsAndRowShades) {
    const std::string page =
        html(reportOf(matrixOf({{0, 1, 1, 2}, {1, 3, 0, 0}, {0, 0, 4, 0}, {1, 1, 0, 2}})));
    const std::vector<Cell> cells = cellsOf(figureOf(page, "matrix"));
    ASSERT_EQ(cells.size(), 16u);
    struct Row {
        const char* title;
        const char* shade;
    } rows[] = {
        {"map 1, reference 1: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 1, reference 2: 1; 25% of the row, 20% of the column", "#3b528b"},
        {"map 1, reference 3: 1; 25% of the row, 20% of the column", "#3b528b"},
        {"map 1, reference 4: 2; 50% of the row, 50% of the column", "#21918c"},
        {"map 2, reference 1: 1; 25% of the row, 50% of the column", "#3b528b"},
        {"map 2, reference 2: 3; 75% of the row, 60% of the column", "#5ec962"},
        {"map 2, reference 3: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 2, reference 4: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 3, reference 1: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 3, reference 2: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 3, reference 3: 4; 100% of the row, 80% of the column", "#fde725"},
        {"map 3, reference 4: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 4, reference 1: 1; 25% of the row, 50% of the column", "#3b528b"},
        {"map 4, reference 2: 1; 25% of the row, 20% of the column", "#3b528b"},
        {"map 4, reference 3: 0; 0% of the row, 0% of the column", "#440154"},
        {"map 4, reference 4: 2; 50% of the row, 50% of the column", "#21918c"},
    };
    for (std::size_t i = 0; i < cells.size(); ++i) {
        SCOPED_TRACE(rows[i].title);
        EXPECT_EQ(cells[i].title, rows[i].title);
        EXPECT_EQ(styleFill(page, "." + cells[i].cls), rows[i].shade);
        // The cell's text on it keeps its contrast.
        EXPECT_GE(contrastOf(rows[i].shade, styleFill(page, "." + cells[i].cls + "+text")), 4.5);
    }
    // The count in the cell, its column's share below it; user's accuracy 3/4
    // beside row 2, producer's accuracy 3/5 under column 2.
    EXPECT_NE(page.find(">3<tspan class=\"p\""), std::string::npos);
    EXPECT_NE(page.find(">60%</tspan>"), std::string::npos);
    EXPECT_NE(page.find("<th scope=\"row\">2</th><td class=\"n\">1</td><td class=\"n\">3</td><td "
                        "class=\"n\">0</td><td class=\"n\">0</td><td class=\"n\">4</td><td "
                        "class=\"n\">0.75</td></tr>"),
              std::string::npos);
    EXPECT_NE(page.find("<th scope=\"row\">producer's accuracy</th><td class=\"n\">0</td><td "
                        "class=\"n\">0.6</td><td class=\"n\">0.8</td><td class=\"n\">0.5</td>"),
              std::string::npos);
}

// Olofsson et al. (2014), Remote Sensing of Environment 148: 42-57, table 4: the
// estimated area proportions p^_ij of their example, to the four decimals
// printed there.
TEST(ReportHtml, OlofssonsAreaProportions) {
    const std::vector<double> areas{18000, 13500, 288000, 580500};
    const std::string page = html(reportOf(
        matrixOf({{66, 0, 5, 4}, {0, 55, 8, 12}, {1, 0, 153, 11}, {2, 1, 9, 313}}), &areas));
    const std::vector<Cell> cells = cellsOf(figureOf(page, "area-proportions"));
    ASSERT_EQ(cells.size(), 16u);
    const double printed[16] = {0.0176, 0.0000, 0.0013, 0.0011, 0.0000, 0.0110, 0.0016, 0.0024,
                                0.0019, 0.0000, 0.2967, 0.0213, 0.0040, 0.0020, 0.0179, 0.6212};
    for (std::size_t k = 0; k < 16; ++k) {
        SCOPED_TRACE(cells[k].title);
        const std::string prefix =
            "map " + std::to_string(k / 4 + 1) + ", reference " + std::to_string(k % 4 + 1) + ": ";
        ASSERT_TRUE(cells[k].title.starts_with(prefix));
        EXPECT_NEAR(std::stod(cells[k].title.substr(prefix.size())), printed[k], 0.00005);
    }
    EXPECT_NE(figureOf(page, "areas").find("<svg"), std::string::npos);
}

std::string ratingsPage() {
    Report report;
    RatingsReport& r = report.ratings.emplace();
    r.units = 3;
    r.pairableUnits = 3;
    r.raters = 2;
    r.classes = {{"a", 3}, {"b", 3}};
    for (CoefficientFigures& c : r.coefficients)
        c = {Figure::Of(0.5), Figure::Of(0.1), Figure::Of(0.3), Figure::Of(0.7), Figure::Of(0.01)};
    r.warnings = {"One <warning> & more."};
    return html(report);
}

std::string stratifiedPage() {
    Report report = reportOf(matrixOf({{4, 1}, {1, 4}}));
    StratifiedSample sample;
    sample.strata = {"north", "south"};
    sample.stratumSizes = {100, 300};
    sample.classes = 2;
    sample.cells = {{0, 0, 0, 2}, {0, 0, 1, 1}, {0, 1, 1, 2},
                    {1, 0, 0, 2}, {1, 1, 1, 2}, {1, 1, 0, 1}};
    StratifiedEstimates estimates = EstimateStratified(sample);
    report.stratified = StratifiedSection{std::move(sample), std::move(estimates)};
    return html(report);
}

TEST(ReportHtml, EachPageStandsAloneAndRepeatsItsBytes) {
    const std::vector<double> areas{10, 30};
    Report dated = reportOf(matrixOf({{3, 1}, {1, 3}}));
    dated.heading = {{"in.txt"}, "2024-05-31", "brennic-kappa 9"};
    struct Row {
        const char* name;
        std::string page, again;
        std::vector<std::string> figures;
    } rows[] = {
        {"matrix",
         html(reportOf(matrixOf({{20, 5, 0}, {3, 15, 2}, {2, 5, 48}}))),
         html(reportOf(matrixOf({{20, 5, 0}, {3, 15, 2}, {2, 5, 48}}))),
         {"matrix", "accuracies", "coefficients"}},
        {"areas",
         html(reportOf(matrixOf({{3, 1}, {1, 3}}), &areas)),
         html(reportOf(matrixOf({{3, 1}, {1, 3}}), &areas)),
         {"matrix", "area-proportions", "areas", "accuracies", "coefficients", "area-accuracies"}},
        {"dated", html(dated), html(dated), {"matrix", "accuracies", "coefficients"}},
        {"stratified",
         stratifiedPage(),
         stratifiedPage(),
         {"matrix", "accuracies", "coefficients", "stratified-accuracies", "stratified-areas",
          "stratified-proportions"}},
        {"ratings", ratingsPage(), ratingsPage(), {"ratings"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string& page = row.page;
        EXPECT_EQ(page, row.again);
        EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n"));
        EXPECT_TRUE(page.ends_with("</html>\n"));
        // Nothing from elsewhere: no script, link, source or import, and no
        // address but the SVG namespace.
        for (const char* outside : {"<script", "<link", " src=", "@import", "<img", "<iframe"})
            EXPECT_EQ(page.find(outside), std::string::npos) << outside;
        EXPECT_EQ(countOf(page, "http"), countOf(page, "xmlns=\"http://www.w3.org/2000/svg\""));
        EXPECT_EQ(countOf(page, "url("), countOf(page, "url(#"));
        // Each chart named and described, each heading cell scoped.
        EXPECT_EQ(countOf(page, "<svg "), row.figures.size());
        EXPECT_EQ(countOf(page, "<svg "), countOf(page, "-d\"><title id=\""));
        EXPECT_EQ(countOf(page, "<svg "), countOf(page, "</title><desc id=\""));
        EXPECT_EQ(countOf(page, "<th>"), 0u);
        EXPECT_EQ(countOf(page, "<th "), countOf(page, "<th scope=\""));
        for (const std::string& id : row.figures)
            EXPECT_NE(figureOf(page, id), "") << id;
        // A date only where one was given.
        EXPECT_EQ(countOf(page, "<dt>Date</dt>"), std::string(row.name) == "dated" ? 1u : 0u);
    }
    EXPECT_NE(rows[2].page.find("<dd>2024-05-31</dd>"), std::string::npos);
    EXPECT_NE(rows[4].page.find("<li>One &lt;warning&gt; &amp; more.</li>"), std::string::npos);
}

// The largest matrix: a cell per pair of classes, its count in its tooltip, and
// a page of at most 3 MB.
TEST(ReportHtml, TwoHundredFiftyFourClasses) {
    constexpr int n = 254;
    std::vector<std::vector<double>> rows(n, std::vector<double>(n, 0.0));
    for (int k = 0; k < n; ++k) {
        rows[k][k] = 100 + k;
        rows[k][(k + 1) % n] = k % 7;
    }
    const std::string page = html(reportOf(matrixOf(rows)));
    EXPECT_LE(page.size(), 3u * 1000 * 1000);
    const std::string map = figureOf(page, "matrix");
    const std::string cellsPart = map.substr(map.find("<g class=\"u\""));
    const std::vector<Cell> cells = cellsOf(cellsPart.substr(0, cellsPart.find("\n</g>\n") + 1));
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(n * n));
    EXPECT_EQ(cells[0].title, "100");
    EXPECT_EQ(cells[1].title, "0");
    EXPECT_EQ(cells[3 * n + 4].title, "3");
    EXPECT_EQ(cells[253 * n + 253].title, "353");
    EXPECT_EQ(cells[253 * n + 0].title, "1");
    // The diagonal cell of a row of 107 and 0 holds all of it: the top of the
    // scale; an empty cell keeps its row's shade of 0.
    EXPECT_EQ(styleFill(page, "." + cells[7 * n + 7].cls), "#fde725");
    EXPECT_EQ(cells[7 * n + 9].cls, "");
}

} // namespace
} // namespace brennic
