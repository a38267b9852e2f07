// A reference raster on another grid than the map's, read onto the map's grid
// through GDAL's warper (--align): a warped VRT, which reads the reference
// block by block as the map's blocks are counted.
#pragma once

#include <string>
#include <variant>

#include <gdal_priv.h>

#include "core/input_error.h"

namespace brennic::maps {

// `reference` (at `path`) warped onto the grid of `map`: its size, geotransform
// and coordinate system, by `resampling`, "nearest" (the reference pixel under
// each map pixel's centre) or "mode" (the most frequent value among the
// reference pixels in each map pixel), at full resolution. Pixels the reference
// does not cover are its no-data value, or masked by an alpha band where it has
// none. Refused for a rotated map, or where one side has no coordinate system.
std::variant<GDALDatasetUniquePtr, InputError> alignedReference(GDALDataset& map,
                                                                GDALDataset& reference,
                                                                const std::string& path,
                                                                const std::string& resampling);

// The text of a VRT dataset, which GDAL opens again as the dataset itself.
std::string vrtText(GDALDataset& vrt);

} // namespace brennic::maps
