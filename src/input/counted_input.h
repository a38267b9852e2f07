// An error matrix counted rather than read as a table: from maps (by the
// companion program) or added up from the JSON reports of several windows, with
// the record of where its counts came from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/stratified.h"
#include "input/pairs_input.h"

namespace brennic {

// Where the counts came from: the report's "source" record.
struct SourceRecord {
    std::string map, reference;
    std::string strata;  // the strata raster, when one stratified the points
    std::string aligned; // how a reference raster on another grid was read onto the map's
    // What was counted, for a count from maps: --sum refuses a window given twice
    // and windows that overlap among the reports of one source (the same map,
    // reference, bands, no-data values, layer and field).
    std::optional<std::array<std::int64_t, 4>> window; // XOFF, YOFF, XSIZE, YSIZE
    int mapBand = 0, referenceBand = 0;                // 0: none (a point reference)
    std::vector<double> mapNodata, referenceNodata;    // the values left out on each side
    std::string layer;                                 // of a point reference
    std::string referenceField; // the points' class field; empty for a reference raster
    std::uint64_t counted = 0, outside = 0, nodata = 0, empty = 0;
    std::uint64_t masked = 0; // pixels or points under a mask or an alpha of 0
    std::string areaUnit;     // with the map's own areas
    // Those areas in that unit, as the map gave them, for --sum to add exactly.
    std::optional<std::vector<double>> mappedAreas;
    // The map's valid pixels of each class, for --sum; empty for a window of no-data alone.
    std::optional<std::vector<std::uint64_t>> mapPixels;
};

struct CountedInput {
    LabelledMatrix labelled;
    SourceRecord source;
    std::optional<std::vector<double>> mappedAreas; // the map's own, with a point reference
    // The points' stratification by --strata: the strata raster's values, each with
    // its pixels as N_h, and the points counted per stratum and pair of classes.
    std::optional<StratifiedSample> stratified;
    // Points without --strata: the map's classes stratify them, mapPixels their sizes.
    bool mapAsStrata = false;
    // The map's class values, where some of its classes are labelled by name.
    std::vector<double> namedValues{};
};

} // namespace brennic
