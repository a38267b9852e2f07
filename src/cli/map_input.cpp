// The options of --map read into their values, and the source record written
// into each form of the report.
#include "cli/map_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/number_text.h"

namespace brennic {
namespace {

std::optional<std::int64_t> wholeNumber(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

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
    } else if (name == "--strata") {
        options.strata = value;
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
            const std::optional<double> number = NumberOfText(value, '.');
            if (!number)
                return "--nodata needs a number, not " + QuotedCellText(value);
            options.nodata = *number;
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
    return "\nFrom maps (--map):\n"
#ifdef _WIN32
           "Map reading is a Linux feature for now: this build refuses --map.\n"
#endif
           "MAP is a classified raster, any raster GDAL reads; REF is a raster on exactly\n"
           "the same grid (size, geotransform, coordinate system) or a layer of points\n"
           "with the class in --reference-field. Rows are the map, columns the reference.\n"
           "The values are the classes: whole numbers, in numeric order unless --classes\n"
           "gives them; at most 254. A pair counts only where both values are valid.\n"
           "Each point is transformed to the map's coordinate system; a point on the\n"
           "right or bottom edge of the map is outside it. With points, --report holds\n"
           "the area-weighted estimates from the map's own areas: each class's pixels\n"
           "(inside --window) times the pixel's area in the coordinate system's unit\n"
           "squared, or for a geographic system each row's area on its ellipsoid in\n"
           "square metres; --mapped-area overrides them. The report adds where the\n"
           "counts came from (json \"source\", a line in text and csv): map, reference,\n"
           "counted (the pairs in the matrix), left_out: outside (points off the map or\n"
           "its window), nodata (pixels of the window or points on a no-data value),\n"
           "empty (points with an empty class field); area_unit with the map's areas.\n"
           "With points, --report also holds the \"stratified\" section of --samples. The\n"
           "strata are the map's classes, N_h each class's pixels in the window; with\n"
           "--strata they are the values of that raster (on the map's grid): each point's\n"
           "stratum is the value under it, N_h the value's pixels in the window, and a\n"
           "point on its no-data value (or --nodata) is left out as nodata. With --strata\n"
           "the area-weighted estimates, which take the map's classes as the strata, are\n"
           "left out unless --mapped-area is given.\n";
}

} // namespace brennic
