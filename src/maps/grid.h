// The map's grid: its geotransform and coordinate system, whether another raster
// lies on the same grid, the window of pixels counted, and the area of a pixel.
#pragma once

#include <array>
#include <cstdint>
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

// A coordinate system as messages name it: "WGS 84 / UTM zone 32N (EPSG:32632)",
// "none" for a null one.
std::string crsName(const OGRSpatialReference* crs);

// The dataset's geotransform (a unit grid when it has none) and coordinate system.
MapFacts factsOf(GDALDataset& data);

// Same size, geotransform to within 1e-9 of a pixel at every corner, same
// coordinate system; otherwise what differs, named for both (`other`: "reference").
std::optional<InputError> checkSameGrid(GDALDataset& map, GDALDataset& reference,
                                        const std::string& other);

// The pixel whose extent holds a point of the map's coordinate system: a pixel's
// left and top edges belong to it, its right and bottom edges to the next, so the
// map's right and bottom edges lie outside it. Column and row are whole numbers
// kept as doubles, so that a point far off the map cannot overflow.
class PointPixels {
  public:
    // None when the geotransform cannot be inverted.
    static std::optional<PointPixels> of(const MapFacts& facts);
    std::array<double, 2> at(double x, double y) const;

  private:
    PointPixels() = default;
    std::array<double, 6> m_transform{};
    std::array<double, 6> m_inverse{};
    bool m_northUp = true;
};

// The window of the request, checked to lie within the map; the whole map when
// none is given.
std::variant<PixelWindow, InputError> windowOf(const MapRequest& request, GDALDataset& map);

// The map's own area of each pixel: one figure for a projected grid, one per row
// for a geographic one (on its ellipsoid, in m²), worked out when asked, so that
// nothing is held per row of a map of any height.
struct PixelAreas {
    double perPixel = 0.0;
    bool geographic = false;
    // The geographic grid: the ellipsoid, the top and the height of row 0 and
    // the width of a pixel, in degrees.
    double semiMajor = 0.0, flattening = 0.0, top = 0.0, rowHeight = 0.0, width = 0.0;
    std::string unit;

    double ofRow(std::int64_t row) const;
};

std::variant<PixelAreas, InputError> pixelAreasOf(GDALDataset& map);

} // namespace brennic::maps
