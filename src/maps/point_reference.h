// The count against reference points: each point's class field against the
// map's pixel under it, with the map's own areas of each class and, from a
// strata raster, the points' stratification.
#pragma once

#include <variant>

#include <gdal_priv.h>

#include "core/input_error.h"
#include "maps/class_names.h"
#include "maps/map_counting.h"
#include "maps/raster_count.h"

namespace brennic::maps {

// Reads each point's pixel of the map (and of the strata raster) and counts the
// pairs; the map's own classes and areas come from one pass over its window, the
// strata's sizes from one over the strata raster's. A class field of text may
// hold the classes' `names` instead of their values.
std::variant<MapCount, InputError> countPoints(const MapRequest& request, GDALDataset& map,
                                               GDALRasterBand& mapBand, const BandSource& mapSource,
                                               const PixelWindow& window, const ClassNames& names,
                                               ProgressSink& progress);

} // namespace brennic::maps
