// Drawing a stratified random sample of pixels from a map: in each stratum a
// given number of distinct valid pixels, each equally likely, without
// replacement, and the points written where an interpreter can fill in the
// reference class.
//
// Every valid pixel gets a key from a counter-based generator, keyed by the
// seed and the pixel's row and column alone; each stratum keeps the pixels of
// its smallest keys. The sample is therefore the same for any reading order,
// block layout, compression or machine, and the order of the keys is the order
// in which a stratum's reserve points are to be used.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/input_error.h"
#include "maps/map_counting.h"

namespace brennic {

struct DrawRequest {
    std::string mapPath;
    int mapBand = 1;
    std::string strataPath; // empty: the map's classes are the strata
    std::optional<double> nodata;
    std::optional<PixelWindow> window;
    std::uint64_t seed = 1;
    int threads = 0;    // 0: as many as the machine has cores; the points are the same for any
    bool quiet = false; // no progress shown, even on a terminal
    std::vector<double> strataValues; // the strata, by value
    std::vector<std::uint64_t> keep;  // the pixels to keep of each: its units and reserves
};

struct DrawnPixel {
    std::uint64_t key = 0;
    std::int64_t row = 0, column = 0; // of the whole raster, from 0
    double mapValue = 0;
    double x = 0, y = 0; // the pixel's centre in the map's coordinate system
};

struct DrawnSample {
    std::vector<std::vector<DrawnPixel>> strata; // each in the order of its keys
    std::string crsWkt;                          // the map's coordinate system; empty: none
};

// The key of a pixel: the same on every machine for the same seed, row and column.
std::uint64_t PixelKey(std::uint64_t seed, std::int64_t row, std::int64_t column);

std::variant<DrawnSample, InputError> DrawPixels(const DrawRequest& request,
                                                 ProgressSink& progress);

// The area of each stratum (of `strataValues`), in the map's unit: its pixels
// where neither raster leaves them out, `pixels` of them, each of its own area
// on a geographic grid.
struct StrataAreas {
    std::vector<double> areas;
    std::string unit; // "m²", "US survey foot²", ...
};
std::variant<StrataAreas, InputError> AreasOfStrata(const DrawRequest& request,
                                                    const std::vector<double>& pixels,
                                                    ProgressSink& progress);

// One point of the sample file.
struct SamplePoint {
    std::string stratum;
    double mapClass = 0;
    double x = 0, y = 0;
    std::int64_t row = 0, column = 0;
    double inclusionProbability = 0, weight = 0;
    int reserve = 0; // 0 for the sample, 1, 2, ... for the reserves in their order
};

// Writes the points to `path`: a GeoPackage (.gpkg, layer "sample"), GeoJSON
// (.geojson) or CSV (.csv), with the fields id, stratum, map_class, x, y, row,
// col, inclusion_probability, weight, reserve and an empty text field
// reference. The file must not exist yet. A GeoPackage keeps `design`, the
// design's record, in its metadata, as the layer's item DESIGN.
std::optional<InputError> WriteSamplePoints(const std::string& path,
                                            const std::vector<SamplePoint>& points,
                                            const std::string& crsWkt, const std::string& design);

} // namespace brennic
