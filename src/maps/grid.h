// The map's grid: its geotransform and coordinate system, whether another raster
// lies on the same grid, the window of pixels counted, and the area of a pixel.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "core/input_error.h"
#include "maps/map_counting.h"

namespace brennic::maps {

struct MapFacts {
    std::array<double, 6> transform{0, 1, 0, 0, 0, 1};
    const OGRSpatialReference* crs = nullptr; // owned by the dataset; none when null
};

// The dataset's geotransform (a unit grid when it has none) and coordinate system.
MapFacts factsOf(GDALDataset& data);

// Same size, geotransform to within 1e-9 of a pixel at every corner, same
// coordinate system; otherwise what differs, named for both (`other`: "reference").
std::optional<InputError> checkSameGrid(GDALDataset& map, GDALDataset& reference,
                                        const std::string& other);

// The window of the request, checked to lie within the map; the whole map when
// none is given.
std::variant<PixelWindow, InputError> windowOf(const MapRequest& request, GDALDataset& map);

// The map's own area of each pixel: one figure for a projected grid, one per row
// for a geographic one (on its ellipsoid, in m²).
struct PixelAreas {
    double perPixel = 0.0;
    std::vector<double> perRow; // geographic only
    std::string unit;
};

std::variant<PixelAreas, InputError> pixelAreasOf(GDALDataset& map);

} // namespace brennic::maps
