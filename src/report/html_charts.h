// The pictures of the HTML report, each one inline SVG with its <title> and
// <desc>: a heatmap of a matrix of shares on the palette's fixed 0 to 1 scale,
// and a chart of values with their intervals (dots and whiskers, or bars). They
// draw what they are given; report_html.cpp chooses the figures and writes the
// tables that say the same in numbers.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/text_numbers.h"

namespace brennic {

// Appends `text` with &, <, > and " escaped, for an HTML text or an attribute
// in double quotes (the only kind the report writes).
void AppendHtml(std::string& out, std::string_view text);

// Below this many classes a heatmap writes each cell's count in the cell; above
// it, in the cell's tooltip alone.
inline constexpr int LargestMatrixWithCellText = 40;
// The narrowest a heatmap's cell is drawn, in CSS pixels.
inline constexpr int SmallestHeatmapCell = 3;

struct Heatmap {
    std::string_view id; // unique in the page
    std::string_view title, desc;
    std::string_view rowsName, columnsName; // along the left and along the top
    const std::vector<std::string>* labels = nullptr;
    int n = 0;
    // Each cell's shade from 0 to 1, row by row.
    std::vector<double> shares;
    // Appends the text of cell (i, j): short for the cell itself, in full for its
    // tooltip.
    std::function<void(std::string&, std::size_t, std::size_t, bool full)> cellText;
    // Beside the rows and below the columns: a heading and a text per class
    // each, and where the cells show no text a share to shade them by.
    struct Margin {
        std::string heading;
        std::vector<std::string> texts;
        std::vector<double> shares; // NaN where not defined
    };
    std::vector<Margin> rowEnds, columnEnds;
    std::string_view scaleName; // what the shade is a share of
    // Above LargestMatrixWithCellText classes, whether each cell has a tooltip;
    // without, each run of cells of one shade in a row is drawn as one.
    bool tooltips = true;
};
void WriteHeatmap(std::string& out, const Heatmap& map, const TextNumbers& numbers);

// A chart of values on one axis, one row per item, each row holding a mark per
// series: a dot (circle, square, diamond by series) or a bar from 0, with the
// interval as a whisker.
struct IntervalMark {
    double value = 0.0;
    std::optional<double> low, high;
};
struct IntervalChart {
    IntervalChart(std::string_view chartId, std::string_view chartTitle, std::string description,
                  std::string chartAxis, std::vector<std::string> seriesNames)
        : id(chartId), title(chartTitle), desc(std::move(description)), axis(std::move(chartAxis)),
          series(std::move(seriesNames)) {}
    std::string_view id, title;
    std::string desc, axis;
    std::vector<std::string> series; // their names, for the key
    bool bars = false;               // bars from 0 instead of dots
    struct Row {
        std::string label;
        std::vector<std::optional<IntervalMark>> marks; // one per series
    };
    std::vector<Row> rows;
    double low = 0.0, high = 1.0; // the axis
};
void WriteIntervalChart(std::string& out, const IntervalChart& chart, const TextNumbers& numbers);

// The style rules of the palette's shades the page uses: a class v<step> for
// each cell shade, with the text colour that keeps its contrast.
std::string PaletteStyle(const std::vector<bool>& stepsUsed);
void MarkSteps(std::vector<bool>& stepsUsed, const std::vector<double>& shares);

} // namespace brennic
