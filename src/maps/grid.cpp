// The same-grid check, the window and the pixel areas, on the ellipsoid where the
// map's grid is geographic.
#include "maps/grid.h"

#include <cmath>

#include "maps/gdal_support.h"

namespace brennic::maps {
namespace {

// A pixel coordinate within 1e-9 of a whole number is on that pixel's edge:
// (x - x0) / dx of a point on an edge may land a rounding step short of it.
double edgeFloor(double coordinate) {
    const double nearest = std::round(coordinate);
    return std::fabs(coordinate - nearest) <= 1e-9 ? nearest : std::floor(coordinate);
}

} // namespace

std::optional<PointPixels> PointPixels::of(const MapFacts& facts) {
    PointPixels pixels;
    pixels.m_transform = facts.transform;
    if (!GDALInvGeoTransform(pixels.m_transform.data(), pixels.m_inverse.data()))
        return std::nullopt;
    pixels.m_northUp = facts.transform[2] == 0.0 && facts.transform[4] == 0.0;
    return pixels;
}

std::array<double, 2> PointPixels::at(double x, double y) const {
    const auto& t = m_transform;
    const auto& i = m_inverse;
    // North up, each axis on its own: the offset from the origin divided by the
    // pixel's size is exact wherever the point lies on an edge. The inverse
    // geotransform's products are not, and serve only rotated grids.
    if (m_northUp)
        return {edgeFloor((x - t[0]) / t[1]), edgeFloor((y - t[3]) / t[5])};
    return {edgeFloor(i[0] + x * i[1] + y * i[2]), edgeFloor(i[3] + x * i[4] + y * i[5])};
}

std::string crsName(const OGRSpatialReference* crs) {
    if (crs == nullptr)
        return "none";
    const char* name = crs->GetName();
    std::string text = name != nullptr ? name : "unnamed";
    const char* authority = crs->GetAuthorityName(nullptr);
    const char* code = crs->GetAuthorityCode(nullptr);
    if (authority != nullptr && code != nullptr)
        text += std::string(" (") + authority + ":" + code + ")";
    return text;
}

MapFacts factsOf(GDALDataset& data) {
    MapFacts facts;
    if (data.GetGeoTransform(facts.transform.data()) != CE_None)
        facts.transform = {0, 1, 0, 0, 0, 1};
    facts.crs = data.GetSpatialRef();
    return facts;
}

std::optional<InputError> checkSameGrid(GDALDataset& map, GDALDataset& reference,
                                        const std::string& other) {
    const auto mapSize = std::pair{map.GetRasterXSize(), map.GetRasterYSize()};
    const auto referenceSize = std::pair{reference.GetRasterXSize(), reference.GetRasterYSize()};
    if (mapSize != referenceSize)
        return badInput("the map is " + std::to_string(mapSize.first) + " x " +
                        std::to_string(mapSize.second) + " pixels, the " + other + " " +
                        std::to_string(referenceSize.first) + " x " +
                        std::to_string(referenceSize.second) + ": they must be on the same grid");
    const MapFacts m = factsOf(map), r = factsOf(reference);
    // The same geotransform is the same grid, however far the corners' round trip
    // through the inverse drifts on a grid of 2^31 - 1 pixels.
    if (m.transform != r.transform) {
        double inverse[6];
        if (!GDALInvGeoTransform(const_cast<double*>(r.transform.data()), inverse))
            return badInput("the " + other + "'s geotransform cannot be inverted");
        for (const auto& [px, py] : {std::pair{0, 0}, std::pair{mapSize.first, 0},
                                     std::pair{0, mapSize.second}, mapSize}) {
            const double x = m.transform[0] + px * m.transform[1] + py * m.transform[2];
            const double y = m.transform[3] + px * m.transform[4] + py * m.transform[5];
            const double rx = inverse[0] + x * inverse[1] + y * inverse[2];
            const double ry = inverse[3] + x * inverse[4] + y * inverse[5];
            if (std::fabs(rx - px) > 1e-9 || std::fabs(ry - py) > 1e-9) {
                auto text = [](const std::array<double, 6>& t) {
                    std::string s;
                    for (double v : t)
                        s += (s.empty() ? "" : ", ") + numberText(v);
                    return s;
                };
                return badInput("the map's geotransform is (" + text(m.transform) + "), the " +
                                other + "'s (" + text(r.transform) +
                                "): they must be on the same grid");
            }
        }
    }
    const bool same = (m.crs == nullptr && r.crs == nullptr) ||
                      (m.crs != nullptr && r.crs != nullptr && m.crs->IsSame(r.crs));
    if (!same) {
        // Systems of one name, or without a code, that differ in a parameter are
        // told apart by their PROJ strings.
        const auto coded = [](const OGRSpatialReference* crs) {
            return crs == nullptr || crs->GetAuthorityCode(nullptr) != nullptr;
        };
        const bool byName = crsName(m.crs) != crsName(r.crs) && coded(m.crs) && coded(r.crs);
        const auto named = [&](const OGRSpatialReference* crs) {
            if (byName || crs == nullptr)
                return crsName(crs);
            char* proj = nullptr;
            crs->exportToProj4(&proj);
            const std::string text = crsName(crs) + " (" + (proj != nullptr ? proj : "") + ")";
            CPLFree(proj);
            return text;
        };
        return badInput("the map's coordinate system is " + named(m.crs) + ", the " + other +
                        "'s " + named(r.crs) + ": they must be on the same grid");
    }
    return std::nullopt;
}

std::variant<PixelWindow, InputError> windowOf(const MapRequest& request, GDALDataset& map) {
    const PixelWindow whole{0, 0, map.GetRasterXSize(), map.GetRasterYSize()};
    if (!request.window)
        return whole;
    const PixelWindow& w = *request.window;
    if (w.xOffset < 0 || w.yOffset < 0 || w.xSize <= 0 || w.ySize <= 0 ||
        w.xOffset + w.xSize > whole.xSize || w.yOffset + w.ySize > whole.ySize)
        return badInput("the window " + std::to_string(w.xOffset) + "," +
                        std::to_string(w.yOffset) + "," + std::to_string(w.xSize) + "," +
                        std::to_string(w.ySize) + " does not lie within the map's " +
                        std::to_string(whole.xSize) + " x " + std::to_string(whole.ySize) +
                        " pixels");
    return w;
}

double PixelAreas::ofRow(std::int64_t row) const {
    if (!geographic)
        return perPixel;
    const double rowTop = top + static_cast<double>(row) * rowHeight;
    return EllipsoidalCellArea(semiMajor, flattening, rowTop, rowTop + rowHeight, width);
}

std::variant<PixelAreas, InputError> pixelAreasOf(GDALDataset& map) {
    const MapFacts facts = factsOf(map);
    const auto& t = facts.transform;
    PixelAreas areas;
    if (facts.crs != nullptr && facts.crs->IsGeographic()) {
        if (t[2] != 0.0 || t[4] != 0.0)
            return badInput(
                "the map's geographic grid is rotated; its pixel areas cannot be formed");
        OGRErr err = OGRERR_NONE;
        const double a = facts.crs->GetSemiMajor(&err);
        const double inverseFlattening = facts.crs->GetInvFlattening(&err);
        const double degreesPerUnit = facts.crs->GetAngularUnits() * 180.0 / M_PI;
        areas.geographic = true;
        areas.semiMajor = a;
        areas.flattening = inverseFlattening == 0.0 ? 0.0 : 1.0 / inverseFlattening;
        areas.top = t[3] * degreesPerUnit;
        areas.rowHeight = t[5] * degreesPerUnit;
        areas.width = t[1] * degreesPerUnit;
        areas.unit = "m²";
        return areas;
    }
    areas.perPixel = std::fabs(t[1] * t[5] - t[2] * t[4]);
    if (facts.crs == nullptr) {
        areas.unit = "map unit²";
    } else {
        const char* name = nullptr;
        facts.crs->GetLinearUnits(&name);
        const std::string unit = name != nullptr ? name : "unit";
        areas.unit = (unit == "metre" || unit == "meter") ? "m²" : unit + "²";
    }
    return areas;
}

} // namespace brennic::maps

namespace brennic {

double EllipsoidalCellArea(double a, double flattening, double latitude1Degrees,
                           double latitude2Degrees, double widthDegrees) {
    // The area between the equator and a latitude on an ellipsoid of revolution,
    // per radian of longitude, is b²/2 · q(φ), q as in the authalic latitude.
    const double e2 = flattening * (2.0 - flattening);
    const double b2 = a * a * (1.0 - e2);
    const double toRadians = M_PI / 180.0;
    auto q = [&](double latitudeDegrees) {
        const double s = std::sin(latitudeDegrees * toRadians);
        if (e2 == 0.0)
            return 2.0 * s;
        const double e = std::sqrt(e2);
        return s / (1.0 - e2 * s * s) + std::log((1.0 + e * s) / (1.0 - e * s)) / (2.0 * e);
    };
    return std::fabs(b2 / 2.0 * (q(latitude1Degrees) - q(latitude2Degrees)) * widthDegrees *
                     toRadians);
}

} // namespace brennic
