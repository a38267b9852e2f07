// The options of --map read into their values, and the source record written
// into each form of the report.
#include "map_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "number_text.h"

#include "report_writing.h"

namespace brennic {
namespace {

std::optional<std::int64_t> wholeNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string countsText(const MapSource& s) {
    return std::to_string(s.counted) + " counted; left out: " + std::to_string(s.outside) +
           " outside, " + std::to_string(s.nodata) + " on no-data, " + std::to_string(s.empty) +
           " empty";
}

} // namespace

bool IsMapValueOption(const std::string& name) {
    for (const char* option : {"--map", "--reference", "--map-band", "--reference-band", "--nodata",
                               "--reference-field", "--reference-layer", "--window", "--threads"})
        if (name == option)
            return true;
    return false;
}

std::optional<std::string> ReadMapOption(const std::string& name, const std::string& value,
                                         MapOptions& options) {
    if (name == "--map") {
        options.map = value;
    } else if (name == "--reference") {
        options.reference = value;
    } else if (name == "--reference-field") {
        options.referenceField = value;
    } else if (name == "--reference-layer") {
        options.referenceLayer = value;
    } else if (name == "--map-band" || name == "--reference-band" || name == "--threads") {
        const auto number = wholeNumber(value);
        if (!number || *number < 1 || *number > 65535)
            return name + " needs a whole number from 1 to 65535, not " + QuotedCellText(value);
        (name == "--map-band"         ? options.mapBand
         : name == "--reference-band" ? options.referenceBand
                                      : options.threads) = static_cast<int>(*number);
    } else if (name == "--nodata") {
        if (value == "nan" || value == "NaN" || value == "NAN") {
            options.nodata = std::nan("");
        } else {
            double number = 0.0;
            if (!ReadNumberOfText(value, '.', number))
                return "--nodata needs a number, not " + QuotedCellText(value);
            options.nodata = number;
        }
    } else if (name == "--window") {
        std::vector<std::int64_t> window;
        std::string_view rest = value;
        for (;;) {
            const std::size_t end = rest.find(',');
            const auto number = wholeNumber(rest.substr(0, end));
            if (!number || *number < 0)
                return "--window needs XOFF,YOFF,XSIZE,YSIZE in whole pixels, not " +
                       QuotedCellText(value);
            window.push_back(*number);
            if (end == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
        }
        if (window.size() != 4 || window[2] == 0 || window[3] == 0)
            return "--window needs XOFF,YOFF,XSIZE,YSIZE in whole pixels, not " +
                   QuotedCellText(value);
        options.window = std::move(window);
    }
    return std::nullopt;
}

std::string MapHelpText() {
    std::string text =
        "\nFrom maps:\n"
        "  brennic-kappa --map MAP --reference REF [--map-band N] [--reference-band N]\n"
        "                [--nodata V] [--classes L1,...] [--reference-field NAME]\n"
        "                [--reference-layer NAME] [--window XOFF,YOFF,XSIZE,YSIZE]\n"
        "                [--threads N] [--quiet] [-o PATH | --report ...]\n"
#ifdef _WIN32
        "Map reading is a Linux feature for now: this build refuses --map.\n"
#endif
        "counts the error matrix from a classified raster MAP (any raster GDAL reads)\n"
        "and a reference REF: a raster on exactly the same grid (size, geotransform,\n"
        "coordinate system), or a layer of points with the class in a field. Rows are\n"
        "the map, columns the reference. The values are the classes: whole numbers, in\n"
        "numeric order unless --classes gives them; at most 254.\n"
        "  --map MAP                the classified raster\n"
        "  --reference REF          the reference raster or point layer\n"
        "  --map-band N             the map's band (default 1)\n"
        "  --reference-band N       the reference raster's band (default 1)\n"
        "  --nodata V               leave out V on both sides, beside each band's own\n"
        "                           no-data value (nan for NaN)\n"
        "  --reference-field NAME   the field of the points that holds their class\n"
        "  --reference-layer NAME   the layer of points, where REF has several\n"
        "  --window X,Y,W,H         count only the map's pixels from column X and row Y\n"
        "                           (from 0), W wide and H high\n"
        "  --threads N              count in N threads (default: the machine's cores)\n"
        "  --quiet                  show no progress on standard error\n"
        "A pair counts only where both values are valid. Each point is transformed to\n"
        "the map's coordinate system; a point on the right or bottom edge of the map\n"
        "is outside it. With points, --report holds the area-weighted estimates from\n"
        "the map's own areas: each class's pixels (inside --window) times the pixel's\n"
        "area in the coordinate system's unit squared, or for a geographic system each\n"
        "row's area on its ellipsoid in square metres; --mapped-area overrides them.\n"
        "The report adds where the counts came from (json \"source\", a line in text\n"
        "and csv): map, reference, counted (the pairs in the matrix), left_out:\n"
        "outside (points off the map or its window), nodata (pixels of the window or\n"
        "points on a no-data value), empty (points with an empty class field).\n";
    return text;
}

std::string WithSourceRecord(std::string report, ReportFormat format, const MapSource& s) {
    switch (format) {
    case ReportFormat::Json: {
        // The report's object ends in "\n}\n": the record goes in as its last member.
        const std::size_t end = report.rfind("\n}");
        std::string record = ",\n  \"source\": {\"map\": " + JsonString(s.map) +
                             ", \"reference\": " + JsonString(s.reference) +
                             ", \"counted\": " + std::to_string(s.counted) +
                             ", \"left_out\": {\"outside\": " + std::to_string(s.outside) +
                             ", \"nodata\": " + std::to_string(s.nodata) +
                             ", \"empty\": " + std::to_string(s.empty) + "}";
        if (!s.areaUnit.empty())
            record += ", \"area_unit\": " + JsonString(s.areaUnit);
        record += "}";
        report.insert(end, record);
        return report;
    }
    case ReportFormat::Csv: {
        // As many columns as the header, the record's text in the value column.
        const std::size_t header = report.find('\n');
        const auto columns =
            std::count(report.begin(), report.begin() + static_cast<std::ptrdiff_t>(header), ',');
        std::string text = "map " + s.map + "; reference " + s.reference + "; " + countsText(s);
        if (!s.areaUnit.empty())
            text += "; areas in " + s.areaUnit;
        report += "source," + CsvField(text) +
                  std::string(static_cast<std::size_t>(columns - 1), ',') + "\n";
        return report;
    }
    case ReportFormat::Text:
        break;
    }
    report += "\nSource: map " + s.map + ", reference " + s.reference + ": " + countsText(s);
    if (!s.areaUnit.empty())
        report += "; mapped areas from the map, in " + s.areaUnit;
    report += "\n";
    return report;
}

} // namespace brennic
