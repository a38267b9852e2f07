// The error matrix from maps, as brennic-kappa sees it without GDAL: the options
// of --map, the hook that counts (in the companion program) and the report's
// "source" record of where the counts came from.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/comparison.h"
#include "core/input_error.h"
#include "input/counted_input.h"
#include "maps/sample_draw.h"

namespace brennic {

struct MapOptions {
    std::string map, reference;
    int mapBand = 1, referenceBand = 1;
    std::optional<double> nodata;
    std::string referenceField, referenceLayer;
    std::string referenceCrs; // the points' coordinate system, over the layer's own
    std::string strata;       // a raster on the map's grid whose values stratify the points
    std::map<std::int64_t, std::string> classNames;  // --class-names, by class value
    std::optional<std::vector<std::int64_t>> window; // XOFF, YOFF, XSIZE, YSIZE
    int threads = 0;                                 // 0: the machine's cores
    bool quiet = false;
    std::string compareMap; // --compare-map: a second map compared with MAP; empty for none
    std::string align;      // --align: how a reference raster on another grid is read onto
                            // the map's (nearest or mode); empty: it must be on the map's grid
};

// Two maps counted against one reference in one pass (--compare-map): each as
// a count of its own over the same classes, and the units of the comparison.
struct ComparedMapCounts {
    CountedInput a, b;
    ComparedSample compared;
};

// Counts the error matrix of --map and --reference, and draws a sample from a
// map. brennic-kappa is given one that starts the companion program, which is
// given the one that reads the maps.
class MapCounting {
  public:
    virtual ~MapCounting() = default;
    // `classes`: the labels of --classes, when given.
    virtual std::variant<CountedInput, InputError>
    Count(const MapOptions& options, const std::optional<std::vector<std::string>>& classes) = 0;
    // Counts --map and --compare-map against --reference in one pass.
    virtual std::variant<ComparedMapCounts, InputError>
    CountCompared(const MapOptions& options, const std::optional<std::vector<std::string>>&) {
        return InputError{InputError::ReadError,
                          "this build compares no maps (" + options.compareMap + ")"};
    }
    virtual std::variant<DrawnSample, InputError> Draw(const DrawRequest&) {
        return InputError{InputError::ReadError, "this build draws no points from maps"};
    }
    // The area of each of the request's strata, `pixels` of each; none where
    // this build cannot tell.
    virtual std::variant<StrataAreas, InputError> Areas(const DrawRequest&,
                                                        const std::vector<double>&) {
        return StrataAreas{};
    }
    virtual std::optional<InputError> WritePoints(const std::string& path,
                                                  const std::vector<SamplePoint>&,
                                                  const std::string&, const std::string&) {
        return InputError{InputError::ReadError, "this build writes no points to " + path};
    }
};

// The readers of --map's options, one each, named in the option table: each
// stores its option's value in `options` or gives the reason it cannot.
// The options whose value is a path or a name keep it as it is.
template <std::string MapOptions::*Member>
std::optional<std::string> ReadText(MapOptions& options, std::string_view value) {
    options.*Member = value;
    return std::nullopt;
}
// The others read their value as a number, a window or nothing at all.
std::optional<std::string> ReadMapBand(MapOptions& options, std::string_view value);
std::optional<std::string> ReadReferenceBand(MapOptions& options, std::string_view value);
std::optional<std::string> ReadNodata(MapOptions& options, std::string_view value);
std::optional<std::string> ReadWindow(MapOptions& options, std::string_view value);
// VALUE=NAME,...: names of the map's classes, each value named once.
std::optional<std::string> ReadClassNames(MapOptions& options, std::string_view value);
std::optional<std::string> ReadThreads(MapOptions& options, std::string_view value);
std::optional<std::string> ReadQuiet(MapOptions& options, std::string_view value);
std::optional<std::string> ReadAlign(MapOptions& options, std::string_view value);

// Why a build without map reading refuses --map and --strata, in the help and
// in the refusal of --map.
inline constexpr std::string_view MapReadingNote = "map reading is a Linux feature for now";

// The companion program's name, beside brennic-kappa in its folder.
inline constexpr const char* MapCompanionName = "brennic-kappa-maps";

} // namespace brennic
