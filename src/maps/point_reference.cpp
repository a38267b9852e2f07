// Reference points against the map: the points' layer, their class field, their
// coordinate system, and the strata raster under them.
#include "maps/point_reference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "maps/gdal_support.h"
#include "maps/grid.h"

namespace brennic::maps {
namespace {

struct CoordinateTransformDeleter {
    void operator()(OGRCoordinateTransformation* transform) const {
        OGRCoordinateTransformation::DestroyCT(transform);
    }
};
using TransformPtr = std::unique_ptr<OGRCoordinateTransformation, CoordinateTransformDeleter>;

// The layer of the points: the one named by --reference-layer, or the only one.
std::variant<OGRLayer*, InputError> layerOf(const MapRequest& request, GDALDataset& points) {
    if (!request.referenceLayer.empty()) {
        OGRLayer* layer = points.GetLayerByName(request.referenceLayer.c_str());
        if (layer == nullptr)
            return badInput(request.referencePath + " has no layer " + request.referenceLayer);
        return layer;
    }
    if (points.GetLayerCount() == 1)
        return points.GetLayer(0);
    std::string names;
    for (int i = 0; i < points.GetLayerCount(); ++i)
        names += (i ? ", " : "") + std::string(points.GetLayer(i)->GetName());
    return badInput(request.referencePath + " has " + std::to_string(points.GetLayerCount()) +
                    " layers (" + names + "); choose one with --reference-layer");
}

// A layer's coordinate system, or null for none: a GeoPackage layer made without
// one reads as its "Undefined geographic SRS" or "Undefined Cartesian SRS".
const OGRSpatialReference* definedCrs(const OGRSpatialReference* crs) {
    if (crs == nullptr || crs->GetAuthorityCode(nullptr) != nullptr)
        return crs;
    const char* name = crs->GetName();
    const std::string text = name != nullptr ? name : "";
    return text == "Undefined geographic SRS" || text == "Undefined Cartesian SRS" ? nullptr : crs;
}

// The class a point's field holds: none when it is not set or blank, NaN when
// it holds no number.
std::optional<double> fieldValue(OGRFeature& feature, int field) {
    if (!feature.IsFieldSetAndNotNull(field))
        return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
    if (type == OFTInteger || type == OFTInteger64 || type == OFTReal)
        return feature.GetFieldAsDouble(field);
    const std::string text = feature.GetFieldAsString(field);
    if (text.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0')
        return std::nan(""); // no number: refused by the caller as no whole number
    return value;
}

// One pass's share of the progress of a count that makes two.
class PartProgress final : public ProgressSink {
  public:
    PartProgress(ProgressSink& whole, double from, double share)
        : m_whole(whole), m_from(from), m_share(share) {}
    void Progress(double fraction) override { m_whole.Progress(m_from + fraction * m_share); }

  private:
    ProgressSink& m_whole;
    double m_from, m_share;
};

// (stratum, map, reference) values of the points, with their counts.
using StratumTriples = std::map<std::array<double, 3>, std::uint64_t>;

// The points' strata: every valid value of the strata raster in the window, its
// pixels the stratum's size. A stratum with more points than pixels is refused:
// its sample cannot be a sample of its pixels.
std::optional<InputError> stratify(const std::string& path, const StratumTriples& triples,
                                   const std::map<double, std::uint64_t>& pixels, MapCount& out) {
    MapStrata strata;
    for (const auto& [value, n] : pixels) {
        strata.values.push_back(value);
        strata.pixels.push_back(n);
    }
    const auto indexIn = [](const std::vector<double>& values, double value) {
        return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                        values.begin());
    };
    std::vector<std::uint64_t> points(strata.values.size(), 0);
    for (const auto& [key, n] : triples) {
        // The point's pixel lies in the window and holds a valid value: it was counted.
        const std::size_t h = indexIn(strata.values, key[0]);
        strata.cells.push_back(
            {h, indexIn(out.classValues, key[1]), indexIn(out.classValues, key[2]), n});
        points[h] += n;
    }
    for (std::size_t h = 0; h < points.size(); ++h)
        if (points[h] > strata.pixels[h])
            return badInput("stratum " + ClassLabel(strata.values[h]) + " of " + path + " holds " +
                            std::to_string(points[h]) + " points but only " +
                            std::to_string(strata.pixels[h]) +
                            (strata.pixels[h] == 1 ? " pixel" : " pixels") +
                            ": a stratified sample has at most one point per pixel");
    out.strata = std::move(strata);
    return std::nullopt;
}

} // namespace

std::variant<MapCount, InputError> countPoints(const MapRequest& request, GDALDataset& map,
                                               GDALRasterBand& mapBand, const BandSource& mapSource,
                                               const PixelWindow& window, ProgressSink& progress) {
    auto opened = openInput(request.referencePath, GDAL_OF_VECTOR,
                            "is a raster; --reference-field is for a layer of points");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    GDALDatasetUniquePtr points = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto chosen = layerOf(request, *points);
    if (auto* error = std::get_if<InputError>(&chosen))
        return *error;
    OGRLayer* layer = std::get<OGRLayer*>(chosen);
    if (request.referenceField.empty())
        return badInput(
            "a point reference needs --reference-field, the field that holds the class");
    const int field = layer->GetLayerDefn()->GetFieldIndex(request.referenceField.c_str());
    if (field < 0)
        return badInput("the layer " + std::string(layer->GetName()) + " of " +
                        request.referencePath + " has no field " + request.referenceField);

    const MapFacts facts = factsOf(map);
    const std::optional<PointPixels> pixelOf = PointPixels::of(facts);
    if (!pixelOf)
        return badInput("the map's geotransform cannot be inverted");
    MapCount out;
    TransformPtr transform;
    const OGRSpatialReference* layerCrs = definedCrs(layer->GetSpatialRef());
    // One side without a coordinate system: the points are taken as they are, in
    // the system of the side that has one, and the user is told.
    if ((layerCrs == nullptr) != (facts.crs == nullptr))
        out.warnings.push_back(
            layerCrs == nullptr
                ? "the layer " + std::string(layer->GetName()) + " of " + request.referencePath +
                      " has no coordinate system: its points are taken in the map's, " +
                      crsName(facts.crs)
                : "the map has no coordinate system: the points are taken in their layer's, " +
                      crsName(layerCrs));
    if (layerCrs != nullptr && facts.crs != nullptr && !layerCrs->IsSame(facts.crs)) {
        OGRSpatialReference from(*layerCrs), to(*facts.crs);
        from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        transform.reset(OGRCreateCoordinateTransformation(&from, &to));
        if (!transform)
            return badInput("the points cannot be transformed to the map's coordinate system: " +
                            gdalReason());
    }

    // The strata raster is read under each point where the map is, and counted
    // over the window for the strata's sizes.
    GDALDatasetUniquePtr strata;
    GDALRasterBand* strataBand = nullptr;
    BandSource strataSource;
    if (!request.strataPath.empty()) {
        auto openedStrata = openInput(request.strataPath, GDAL_OF_RASTER,
                                      "is not a raster (it holds vector layers)");
        if (auto* error = std::get_if<InputError>(&openedStrata))
            return *error;
        strata = std::move(std::get<GDALDatasetUniquePtr>(openedStrata));
        if (strata->GetRasterCount() == 0)
            return readError(request.strataPath, "it holds no raster band");
        if (auto error = checkSameGrid(map, *strata, "strata raster"))
            return *error;
        strataBand = strata->GetRasterBand(1);
        strataSource = BandSource{request.strataPath,
                                  1,
                                  strataBand->GetRasterDataType(),
                                  leftOutOf(*strataBand, request.nodata),
                                  "strata raster",
                                  hasMask(*strataBand)};
    }

    out.pointReference = true;
    std::map<PairKey, std::uint64_t> pairs;
    StratumTriples triples;
    const LeftOutValues referenceLeftOut{std::nullopt, request.nodata};
    layer->ResetReading();
    CPLErrorReset();
    for (const OGRFeatureUniquePtr& feature : *layer) {
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry == nullptr || wkbFlatten(geometry->getGeometryType()) != wkbPoint)
            return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                            request.referencePath + " is not a point");
        const std::optional<double> referenceValue = fieldValue(*feature, field);
        if (!referenceValue) {
            ++out.source.empty;
            continue;
        }
        if (!isWhole(*referenceValue) && !referenceLeftOut.contains(*referenceValue))
            return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                            request.referencePath + " has the class " +
                            feature->GetFieldAsString(field) + ", which is not a whole number");
        const auto* point = geometry->toPoint();
        double x = point->getX(), y = point->getY();
        // A point with no place in the map's system (a latitude beyond 90) is off
        // the map; GDAL's complaint about it is no read error of the layer's.
        if (transform && !transform->Transform(1, &x, &y)) {
            CPLErrorReset();
            ++out.source.outside;
            continue;
        }
        const auto [px, py] = pixelOf->at(x, y);
        if (!(px >= static_cast<double>(window.xOffset) &&
              px < static_cast<double>(window.xOffset + window.xSize) &&
              py >= static_cast<double>(window.yOffset) &&
              py < static_cast<double>(window.yOffset + window.ySize))) {
            ++out.source.outside;
            continue;
        }
        const auto row = static_cast<std::int64_t>(py), column = static_cast<std::int64_t>(px);
        // The value of the point's pixel in `band`.
        const auto readPixel = [&](GDALRasterBand& band, double& value) {
            return band.RasterIO(GF_Read, static_cast<int>(px), static_cast<int>(py), 1, 1, &value,
                                 1, 1, GDT_Float64, 0, 0, nullptr) == CE_None;
        };
        // The mask's value at the point's pixel, 0 where it leaves the pixel out;
        // none where it cannot be read.
        const auto maskAt = [&](GDALRasterBand& band, const BandSource& source) {
            double kept = 1.0;
            return !source.masked || readPixel(*band.GetMaskBand(), kept)
                       ? std::optional<double>(kept)
                       : std::nullopt;
        };
        const std::optional<double> mapMask = maskAt(mapBand, mapSource);
        if (!mapMask)
            return readError(request.mapPath, gdalReason());
        const std::optional<double> strataMask =
            strataBand != nullptr ? maskAt(*strataBand, strataSource) : 1.0;
        if (!strataMask)
            return readError(request.strataPath, gdalReason());
        if (*mapMask == 0.0 || *strataMask == 0.0) {
            ++out.source.masked;
            continue;
        }
        double value = 0.0;
        if (!readPixel(mapBand, value))
            return readError(request.mapPath, gdalReason());
        if (mapSource.leftOut.contains(value) || referenceLeftOut.contains(*referenceValue)) {
            ++out.source.nodata;
            continue;
        }
        if (!isWhole(value))
            return badInput(notWholeAt("the map", value, row, column, "class"));
        double stratum = 0.0;
        if (strataBand != nullptr) {
            if (!readPixel(*strataBand, stratum))
                return readError(request.strataPath, gdalReason());
            if (strataSource.leftOut.contains(stratum)) {
                ++out.source.nodata;
                continue;
            }
            if (!isWhole(stratum))
                return badInput(notWholeAt("the strata raster", stratum, row, column, "stratum"));
        }
        if (request.classes)
            for (const double v : {value, *referenceValue})
                if (std::find(request.classes->begin(), request.classes->end(), v) ==
                    request.classes->end())
                    return badInput("feature " + std::to_string(feature->GetFID()) + " of " +
                                    request.referencePath + ": the " +
                                    (v == value ? "map holds " : "point's class is ") +
                                    ClassLabel(v) + ", which is not among --classes");
        ++pairs[{value, *referenceValue}];
        if (strataBand != nullptr)
            ++triples[{stratum, value, *referenceValue}];
    }
    // The layer's features end early, without a word, where one cannot be read.
    if (CPLGetLastErrorType() >= CE_Failure)
        return readError(request.referencePath, gdalReason());

    auto areas = pixelAreasOf(map);
    if (auto* error = std::get_if<InputError>(&areas))
        return *error;
    const PixelAreas& pixelAreas = std::get<PixelAreas>(areas);
    PartProgress mapPart(progress, 0.0, strataBand != nullptr ? 0.5 : 1.0);
    auto counted =
        countInThreads(request, mapBand, mapSource, nullptr, window, &pixelAreas, mapPart);
    if (auto* error = std::get_if<InputError>(&counted))
        return *error;
    const Merged merged =
        merge(std::get<std::vector<ThreadCount>>(counted), mapSource.leftOut, nullptr);
    // A map class left out of --classes would take its pixels out of the areas.
    if (auto error = formMatrix(request, pairs, merged.mapPixels, out, [&](bool, double value) {
            return firstPlaceOf(mapSource, window, value);
        }))
        return *error;
    MapAreas mapAreas;
    mapAreas.unit = pixelAreas.unit;
    for (double value : out.classValues) {
        const auto found = merged.mapPixels.find(value);
        const std::uint64_t pixels = found == merged.mapPixels.end() ? 0 : found->second;
        out.mapPixels.push_back(pixels);
        if (!pixelAreas.geographic) {
            mapAreas.perClass.push_back(static_cast<double>(pixels) * pixelAreas.perPixel);
        } else {
            const auto area = merged.mapAreas.find(value);
            mapAreas.perClass.push_back(area == merged.mapAreas.end() ? 0.0 : area->second);
        }
    }
    out.areas = std::move(mapAreas);
    if (strataBand != nullptr) {
        PartProgress strataPart(progress, 0.5, 0.5);
        auto strataCounted = countInThreads(request, *strataBand, strataSource, nullptr, window,
                                            nullptr, strataPart);
        if (auto* error = std::get_if<InputError>(&strataCounted))
            return *error;
        const Merged strataMerged =
            merge(std::get<std::vector<ThreadCount>>(strataCounted), strataSource.leftOut, nullptr);
        if (auto error = stratify(request.strataPath, triples, strataMerged.mapPixels, out))
            return *error;
    }
    return out;
}

} // namespace brennic::maps
