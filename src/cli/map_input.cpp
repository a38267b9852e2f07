// The options of --map read into their values, each by its own reader, and the
// source record written into each form of the report.
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

// A band or a number of threads: a whole number from 1 to 65535.
std::optional<std::string> readCount(std::string_view option, std::string_view value, int& into) {
    const auto number = wholeNumber(value);
    if (!number || *number < 1 || *number > 65535)
        return std::string(option) + " needs a whole number from 1 to 65535, not " +
               QuotedCellText(value);
    into = static_cast<int>(*number);
    return std::nullopt;
}

} // namespace

std::optional<std::string> ReadMapBand(MapOptions& options, std::string_view value) {
    return readCount("--map-band", value, options.mapBand);
}

std::optional<std::string> ReadReferenceBand(MapOptions& options, std::string_view value) {
    return readCount("--reference-band", value, options.referenceBand);
}

std::optional<std::string> ReadNodata(MapOptions& options, std::string_view value) {
    if (value == "nan" || value == "NaN" || value == "NAN") {
        options.nodata = std::nan("");
        return std::nullopt;
    }
    const std::optional<double> number = NumberOfText(value, '.');
    if (!number)
        return "--nodata needs a number, not " + QuotedCellText(value);
    options.nodata = *number;
    return std::nullopt;
}

std::optional<std::string> ReadWindow(MapOptions& options, std::string_view value) {
    std::vector<std::int64_t> window;
    for (std::string_view rest = value;;) {
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
        return "--window needs XOFF,YOFF,XSIZE,YSIZE in whole pixels, not " + QuotedCellText(value);
    options.window = std::move(window);
    return std::nullopt;
}

std::optional<std::string> ReadClassNames(MapOptions& options, std::string_view value) {
    const auto trimmed = [](std::string_view text) {
        const std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            return std::string_view();
        return text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    std::map<std::int64_t, std::string> names;
    for (std::string_view rest = value;;) {
        const std::size_t end = rest.find(',');
        const std::string_view item = trimmed(rest.substr(0, end));
        const std::size_t equals = item.find('=');
        const auto number = equals == std::string_view::npos
                                ? std::nullopt
                                : wholeNumber(trimmed(item.substr(0, equals)));
        if (!number)
            return "--class-names needs VALUE=NAME items, VALUE a class of the map (a whole "
                   "number), not " +
                   QuotedCellText(item);
        const std::string_view name = trimmed(item.substr(equals + 1));
        if (name.empty())
            return "--class-names gives class " + std::to_string(*number) + " no name";
        if (!names.emplace(*number, name).second)
            return "--class-names names class " + std::to_string(*number) + " twice";
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    options.classNames = std::move(names);
    return std::nullopt;
}

std::optional<std::string> ReadThreads(MapOptions& options, std::string_view value) {
    return readCount("--threads", value, options.threads);
}

std::optional<std::string> ReadQuiet(MapOptions& options, std::string_view) {
    options.quiet = true;
    return std::nullopt;
}

std::optional<std::string> ReadAlign(MapOptions& options, std::string_view value) {
    if (value != "nearest" && value != "mode")
        return "--align takes nearest or mode, not '" + std::string(value) + "'";
    options.align = value;
    return std::nullopt;
}

} // namespace brennic
