// The pictures are sized from what they show: a heatmap's cells from the
// number of classes (never narrower than SmallestHeatmapCell), its margins from
// its labels; CSS scales each down to a narrow screen. Above
// LargestMatrixWithCellText classes a cell is one rect in a row's group, its
// size set by the style, so that a matrix of 254 classes stays a few bytes a cell.
#include "report/html_charts.h"

#include <algorithm>
#include <cmath>

#include "report/palette.h"
#include "report/report_writing.h"

namespace brennic {
namespace {

// A label as the pictures show it: at most this many characters (the tables
// give it whole).
constexpr std::size_t LongestLabelShown = 20;
// The width of a character of the pictures' 12 px text, roughly.
constexpr int CharWidth = 7;

void appendInt(std::string& out, long value) {
    out += std::to_string(value);
}

std::string shortLabel(const std::string& label) {
    if (DisplayWidth(label) <= LongestLabelShown)
        return label;
    // Cut at a code point, never inside one.
    std::size_t at = 0, shown = 0;
    while (at < label.size() && shown < LongestLabelShown - 1) {
        ++at;
        while (at < label.size() && (static_cast<unsigned char>(label[at]) & 0xC0) == 0x80)
            ++at;
        ++shown;
    }
    return label.substr(0, at) + "…";
}

int widestLabel(const std::vector<std::string>& labels) {
    std::size_t widest = 1;
    for (const std::string& label : labels)
        widest = std::max(widest, std::min(DisplayWidth(label), LongestLabelShown));
    return static_cast<int>(widest);
}

// The opening of a picture: its size, its title and description, named for
// screen readers.
void openSvg(std::string& out, std::string_view id, std::string_view cls, int width, int height,
             std::string_view title, std::string_view desc) {
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"";
    out += cls;
    out += "\" viewBox=\"0 0 ";
    appendInt(out, width);
    out += ' ';
    appendInt(out, height);
    out += "\" width=\"";
    appendInt(out, width);
    out += "\" height=\"";
    appendInt(out, height);
    out += "\" role=\"img\" aria-labelledby=\"";
    out += id;
    out += "-t ";
    out += id;
    out += "-d\"><title id=\"";
    out += id;
    out += "-t\">";
    AppendHtml(out, title);
    out += "</title><desc id=\"";
    out += id;
    out += "-d\">";
    AppendHtml(out, desc);
    out += "</desc>\n";
}

// " transform="translate(x y)", its attribute left open for more.
void translate(std::string& out, double x, double y) {
    out += " transform=\"translate(";
    AppendNumber(out, x);
    out += ' ';
    AppendNumber(out, y);
    out += ')';
}

// ` name="value"`, the value a number.
void attribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

// A group of cells of 1 by 1 at (x, y), scaled to the cells' size.
void openCells(std::string& out, std::string_view cls, int x, int y, int cell) {
    out += "<g class=\"";
    out += cls;
    out += '"';
    translate(out, x, y);
    out += "scale(";
    appendInt(out, cell);
    out += ")\">\n";
}

// A text at (x, y); `cls` sets its anchor (r: end, m: middle), `rotate` turns it.
void text(std::string& out, double x, double y, std::string_view cls, std::string_view content,
          int rotate = 0) {
    out += "<text";
    if (!cls.empty()) {
        out += " class=\"";
        out += cls;
        out += '"';
    }
    if (rotate != 0) {
        translate(out, x, y);
        out += "rotate(";
        appendInt(out, rotate);
        out += ")\">";
    } else {
        attribute(out, "x", x);
        attribute(out, "y", y);
        out += '>';
    }
    AppendHtml(out, content);
    out += "</text>";
}

void rect(std::string& out, double x, double y, double width, double height, std::string_view cls) {
    out += "<rect";
    attribute(out, "x", x);
    attribute(out, "y", y);
    attribute(out, "width", width);
    attribute(out, "height", height);
    if (!cls.empty()) {
        out += " class=\"";
        out += cls;
        out += '"';
    }
}

std::string stepClass(double share) {
    return std::isnan(share) ? "nd" : "v" + std::to_string(PaletteStep(share));
}

// The legend of the fixed scale: the palette from 0 to 1 with five ticks.
void legend(std::string& out, std::string_view id, double x, double y, std::string_view name,
            const TextNumbers& numbers) {
    constexpr double Width = 240;
    out += "<defs><linearGradient id=\"";
    out += id;
    out += "-g\">";
    for (int i = 0; i <= 10; ++i) {
        out += "<stop offset=\"";
        AppendNumber(out, i / 10.0);
        out += "\" stop-color=\"";
        out += HexColour(PaletteColour(PaletteStep(i / 10.0)));
        out += "\"/>";
    }
    out += "</linearGradient></defs>";
    rect(out, x, y, Width, 12, "");
    out += " fill=\"url(#";
    out += id;
    out += "-g)\"/>";
    for (int i = 0; i <= 4; ++i)
        text(out, x + Width * i / 4, y + 26, "m", TextValue(i / 4.0, numbers));
    text(out, x + Width + 10, y + 11, "", name);
    out += '\n';
}

} // namespace

void AppendHtml(std::string& out, std::string_view content) {
    std::size_t plain = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char* entity = nullptr;
        switch (content[i]) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        default:
            continue;
        }
        out.append(content, plain, i - plain);
        out += entity;
        plain = i + 1;
    }
    out.append(content, plain);
}

void MarkSteps(std::vector<bool>& stepsUsed, const std::vector<double>& shares) {
    stepsUsed.resize(PaletteSteps, false);
    for (double share : shares)
        if (!std::isnan(share))
            stepsUsed[PaletteStep(share)] = true;
}

std::string PaletteStyle(const std::vector<bool>& stepsUsed) {
    std::string style;
    for (std::size_t step = 0; step < stepsUsed.size(); ++step) {
        if (!stepsUsed[step])
            continue;
        const Rgb shade = PaletteColour(step);
        const std::string name = ".v" + std::to_string(step);
        style += name + "{fill:" + HexColour(shade) + "}" + name +
                 "+text{fill:" + HexColour(TextColourOn(shade)) + "}\n";
    }
    return style;
}

void WriteHeatmap(std::string& out, const Heatmap& map, const TextNumbers& numbers) {
    const int n = map.n;
    const auto size = static_cast<std::size_t>(n);
    const std::vector<std::string>& labels = *map.labels;
    const bool cellText = n <= LargestMatrixWithCellText;
    const bool twoLines = n <= 12;
    int cellWidth = twoLines ? 52 : cellText ? 30 : std::max(SmallestHeatmapCell, 720 / n);
    const int cellHeight = cellText ? (twoLines ? 40 : 24) : cellWidth;
    std::string scratch;
    if (cellText) {
        // Wide enough for the longest count.
        for (std::size_t i = 0; i < size * size; ++i) {
            scratch.clear();
            map.cellText(scratch, i / size, i % size, false);
            const std::size_t line = std::min(scratch.find('\n'), scratch.size());
            cellWidth = std::max(cellWidth, static_cast<int>(line) * CharWidth + 8);
        }
    }
    const int widest = widestLabel(labels);
    const int labelFont = cellText ? CharWidth : 5;
    // Labels turn when they do not fit across their column.
    const bool turn = !cellText || widest * CharWidth > cellWidth - 4;
    const int everyLabel = cellText ? 1 : (10 + cellWidth - 1) / cellWidth;
    // Room for the labels, and for the headings of the margins below the matrix.
    int left = widest * labelFont + 34;
    for (const Heatmap::Margin& m : map.columnEnds)
        left = std::max(
            left, static_cast<int>(DisplayWidth(m.heading)) * (cellText ? CharWidth : 5) + 12);
    int top = (turn ? static_cast<int>(widest * labelFont * (cellText ? 0.75 : 1.0)) : 0) +
              (cellText && !turn ? 20 : 16) + 22;
    // The margins' headings turn too where the margins are strips.
    if (!cellText)
        for (const Heatmap::Margin& m : map.rowEnds)
            top = std::max(top, static_cast<int>(DisplayWidth(m.heading)) * 5 + 12);
    int endWidth = cellText ? 64 : 12;
    const int endHeight = cellText ? 22 : 12;
    if (cellText)
        for (const Heatmap::Margin& m : map.rowEnds)
            endWidth =
                std::max(endWidth, static_cast<int>(DisplayWidth(m.heading)) * CharWidth + 12);
    const int matrixWidth = n * cellWidth, matrixHeight = n * cellHeight;
    const int right = static_cast<int>(map.rowEnds.size()) * endWidth + (cellText ? 8 : 40);
    const int bottom = static_cast<int>(map.columnEnds.size()) * endHeight + 56;
    const int width = std::max(left + matrixWidth + right, left + 420);
    const int height = top + matrixHeight + bottom + (cellText ? 0 : 40);
    out += "<figure id=\"";
    out += map.id;
    out += "\">";
    openSvg(out, map.id, "hm", width, height, map.title, map.desc);

    text(out, left + matrixWidth / 2.0, 14, "m ax", map.columnsName);
    text(out, 14, top + matrixHeight / 2.0, "m ax", map.rowsName, -90);
    for (int k = 0; k < n; k += everyLabel) {
        const std::string label = shortLabel(labels[static_cast<std::size_t>(k)]);
        const double across = left + (k + 0.5) * cellWidth;
        if (!turn)
            text(out, across, top - 8, "m", label);
        else
            text(out, across + 4, top - 6, cellText ? "" : "s", label, cellText ? -45 : -90);
        text(out, left - 6, top + (k + 0.5) * cellHeight + 4, cellText ? "r" : "r s", label);
    }
    out += '\n';

    if (cellText) {
        for (std::size_t i = 0; i < size; ++i) {
            out += "<g>";
            for (std::size_t j = 0; j < size; ++j) {
                const double x = left + static_cast<double>(j) * cellWidth;
                const double y = top + static_cast<double>(i) * cellHeight;
                rect(out, x, y, cellWidth, cellHeight, stepClass(map.shares[i * size + j]));
                out += "><title>";
                scratch.clear();
                map.cellText(scratch, i, j, true);
                AppendHtml(out, scratch);
                out += "</title></rect>";
                scratch.clear();
                map.cellText(scratch, i, j, false);
                const std::size_t line = scratch.find('\n');
                const double middle = x + cellWidth / 2.0;
                if (line == std::string::npos) {
                    text(out, middle, y + cellHeight / 2.0 + 4, "m", scratch);
                } else {
                    out += "<text class=\"m\"";
                    attribute(out, "x", middle);
                    attribute(out, "y", y + 17);
                    out += '>';
                    AppendHtml(out, std::string_view(scratch).substr(0, line));
                    out += "<tspan class=\"p\"";
                    attribute(out, "x", middle);
                    out += " dy=\"14\">";
                    AppendHtml(out, std::string_view(scratch).substr(line + 1));
                    out += "</tspan></text>";
                }
            }
            out += "</g>\n";
        }
    } else if (!map.tooltips) {
        // A row of one shade of 0, then a rect for each run of cells of one other shade.
        openCells(out, "runs", left, top, cellWidth);
        for (std::size_t i = 0; i < size; ++i) {
            out += "<g";
            translate(out, 0, static_cast<double>(i));
            out += "\"><rect width=\"";
            appendInt(out, n);
            out += "\" class=\"v0\"/>";
            for (std::size_t j = 0; j < size;) {
                const std::size_t step = PaletteStep(map.shares[i * size + j]);
                std::size_t end = j + 1;
                while (end < size && PaletteStep(map.shares[i * size + end]) == step)
                    ++end;
                if (step != 0) {
                    out += "<rect x=\"";
                    appendInt(out, static_cast<long>(j));
                    out += "\" width=\"";
                    appendInt(out, static_cast<long>(end - j));
                    out += "\" class=\"v";
                    appendInt(out, static_cast<long>(step));
                    out += "\"/>";
                }
                j = end;
            }
            out += "</g>\n";
        }
        out += "</g>\n";
    } else {
        // A cell of 1 by 1 in a group scaled to the cell's size; a row's group
        // gives the shade of 0, which its empty cells keep.
        openCells(out, "u", left, top, cellWidth);
        const std::string zero = stepClass(0.0);
        for (std::size_t i = 0; i < size; ++i) {
            out += "<g class=\"" + zero + '"';
            translate(out, 0, static_cast<double>(i));
            out += "\">";
            // Attributes without quotes: a few bytes less for each of n^2 cells.
            for (std::size_t j = 0; j < size; ++j) {
                out += "<rect x=";
                appendInt(out, static_cast<long>(j));
                const std::size_t step = PaletteStep(map.shares[i * size + j]);
                if (step != 0) {
                    out += " class=v";
                    appendInt(out, static_cast<long>(step));
                }
                out += "><title>";
                map.cellText(out, i, j, true);
                out += "</title></rect>";
            }
            out += "</g>\n";
        }
        out += "</g>\n";
    }

    // The margins: texts with cell text, else shaded strips with tooltips.
    const auto marginText = [&](const Heatmap::Margin& m, std::size_t k) { return m.texts[k]; };
    for (std::size_t e = 0; e < map.rowEnds.size(); ++e) {
        const Heatmap::Margin& m = map.rowEnds[e];
        const double x = left + matrixWidth + 6 + static_cast<double>(e) * endWidth;
        if (cellText)
            text(out, x + endWidth - 8, top - 8, "r b", m.heading);
        else
            text(out, x + 8, top - 6, "s b", m.heading, -90);
        for (std::size_t k = 0; k < size; ++k) {
            const double y = top + static_cast<double>(k) * cellHeight;
            if (cellText) {
                text(out, x + endWidth - 8, y + cellHeight / 2.0 + 4, "r", marginText(m, k));
            } else {
                rect(out, x, y, endWidth - 2, cellHeight, stepClass(m.shares[k]));
                out += "><title>";
                AppendHtml(out, labels[k] + ", " + m.heading + ": " + marginText(m, k));
                out += "</title></rect>";
            }
        }
        out += '\n';
    }
    for (std::size_t e = 0; e < map.columnEnds.size(); ++e) {
        const Heatmap::Margin& m = map.columnEnds[e];
        const double y = top + matrixHeight + 4 + static_cast<double>(e) * endHeight;
        text(out, left - 6, y + endHeight / 2.0 + 4, cellText ? "r b" : "r s b", m.heading);
        for (std::size_t k = 0; k < size; ++k) {
            const double x = left + static_cast<double>(k) * cellWidth;
            if (cellText) {
                text(out, x + cellWidth / 2.0, y + endHeight / 2.0 + 4, "m", marginText(m, k));
            } else {
                rect(out, x, y, cellWidth, endHeight - 2, stepClass(m.shares[k]));
                out += "><title>";
                AppendHtml(out, labels[k] + ", " + m.heading + ": " + marginText(m, k));
                out += "</title></rect>";
            }
        }
        out += '\n';
    }
    legend(out, map.id, left, height - 44 + (cellText ? 0 : 0), map.scaleName, numbers);
    out += "</svg></figure>\n";
}

namespace {

// Ticks at 1, 2 or 5 times a power of ten, about five of them.
std::vector<double> ticks(double low, double high) {
    const double raw = (high - low) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double f : {1.0, 2.0, 5.0, 10.0})
        if (f * power >= raw) {
            step = f * power;
            break;
        }
    std::vector<double> at;
    for (double t = std::ceil(low / step - 1e-9); t * step <= high + 1e-9 * step; t += 1)
        at.push_back(t * step == 0.0 ? 0.0 : t * step);
    return at;
}

// A series' mark at (x, y): circle, square, diamond, then again.
void mark(std::string& out, std::size_t series, double x, double y) {
    switch (series % 3) {
    case 0:
        out += "<circle";
        attribute(out, "cx", x);
        attribute(out, "cy", y);
        out += " r=\"4\"/>";
        break;
    case 1:
        rect(out, x - 4, y - 4, 8, 8, "");
        out += "/>";
        break;
    default:
        out += "<path d=\"M";
        AppendNumber(out, x);
        out += ' ';
        AppendNumber(out, y - 5);
        out += "l5 5-5 5-5-5z\"/>";
        break;
    }
}

void line(std::string& out, double x1, double y1, double x2, double y2) {
    out += "<path d=\"M";
    AppendNumber(out, x1);
    out += ' ';
    AppendNumber(out, y1);
    out += 'L';
    AppendNumber(out, x2);
    out += ' ';
    AppendNumber(out, y2);
    out += "\"/>";
}

} // namespace

void WriteIntervalChart(std::string& out, const IntervalChart& chart, const TextNumbers& numbers) {
    const std::size_t rows = chart.rows.size(), series = chart.series.size();
    const bool many = rows > static_cast<std::size_t>(LargestMatrixWithCellText);
    const double band = many ? 3.0 * static_cast<double>(series) + 2 : 12.0 * series + 8;
    const int everyLabel = many ? static_cast<int>(std::ceil(12 / band)) : 1;
    std::vector<std::string> labels;
    for (const auto& row : chart.rows)
        labels.push_back(row.label);
    const int left = widestLabel(labels) * CharWidth + 16;
    constexpr int PlotWidth = 560, Top = 30, Bottom = 46;
    const int width = left + PlotWidth + 24;
    const int height = Top + static_cast<int>(std::ceil(band * static_cast<double>(rows))) + Bottom;
    const double span = chart.high - chart.low;
    const auto xOf = [&](double v) {
        return left + PlotWidth * (std::clamp(v, chart.low, chart.high) - chart.low) / span;
    };
    out += "<figure id=\"";
    out += chart.id;
    out += "\">";
    openSvg(out, chart.id, "ic", width, height, chart.title, chart.desc);
    // The key.
    double keyX = left;
    for (std::size_t s = 0; s < series; ++s) {
        out += "<g class=\"s" + std::to_string(s) + "\">";
        if (chart.bars)
            rect(out, keyX, 8, 14, 10, ""), out += "/>";
        else
            mark(out, s, keyX + 5, 13);
        out += "</g>";
        text(out, keyX + 18, 17, "", chart.series[s]);
        keyX += 30 + CharWidth * static_cast<double>(DisplayWidth(chart.series[s]));
    }
    // The axis, its grid and ticks.
    const double plotBottom = height - Bottom;
    out += "<g class=\"g\">";
    for (double t : ticks(chart.low, chart.high))
        line(out, xOf(t), Top - 4, xOf(t), plotBottom);
    out += "</g>";
    for (double t : ticks(chart.low, chart.high))
        text(out, xOf(t), plotBottom + 16, "m", TextValue(t, numbers));
    text(out, left + PlotWidth / 2.0, plotBottom + 36, "m ax", chart.axis);
    out += '\n';
    for (std::size_t r = 0; r < rows; ++r) {
        const IntervalChart::Row& row = chart.rows[r];
        const double y0 = Top + band * static_cast<double>(r);
        if (static_cast<int>(r) % everyLabel == 0)
            text(out, left - 8, y0 + band / 2 + 4, many ? "r s" : "r", shortLabel(row.label));
        for (std::size_t s = 0; s < series; ++s) {
            if (!row.marks[s])
                continue;
            const IntervalMark& m = *row.marks[s];
            const double y = y0 + (many ? 1.0 + 3.0 * s + 1.5 : 4.0 + 12.0 * s + 6);
            out += "<g class=\"s" + std::to_string(s) + "\"><title>";
            std::string tip =
                row.label + ", " + chart.series[s] + ": " + TextValue(m.value, numbers);
            if (m.low && m.high)
                tip +=
                    " (" + TextValue(*m.low, numbers) + " to " + TextValue(*m.high, numbers) + ")";
            AppendHtml(out, tip);
            out += "</title>";
            if (chart.bars) {
                const double from = xOf(std::max(chart.low, 0.0));
                rect(out, std::min(from, xOf(m.value)), y - (many ? 1.5 : 5),
                     std::fabs(xOf(m.value) - from), many ? 3 : 10, "");
                out += "/>";
            }
            if (m.low && m.high) {
                out += "<g class=\"w\">";
                line(out, xOf(*m.low), y, xOf(*m.high), y);
                if (!many) {
                    line(out, xOf(*m.low), y - 4, xOf(*m.low), y + 4);
                    line(out, xOf(*m.high), y - 4, xOf(*m.high), y + 4);
                }
                out += "</g>";
            }
            if (!chart.bars) {
                if (many) {
                    rect(out, xOf(m.value) - 1.5, y - 1.5, 3, 3, "");
                    out += "/>";
                } else {
                    mark(out, s, xOf(m.value), y);
                }
            }
            out += "</g>";
        }
        out += '\n';
    }
    out += "</svg></figure>\n";
}

} // namespace brennic
