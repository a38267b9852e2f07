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

// The layer's fields with their types, as a refusal lists them: "class
// (String), id (Integer64)".
std::string fieldsOf(OGRFeatureDefn& fields) {
    std::string listed;
    for (int i = 0; i < fields.GetFieldCount(); ++i) {
        const OGRFieldDefn& f = *fields.GetFieldDefn(i);
        listed += (i ? ", " : "") + std::string(f.GetNameRef()) + " (" +
                  OGRFieldDefn::GetFieldTypeName(f.GetType()) + ")";
    }
    return listed;
}

// The field of the points' class: the one --reference-field names, or else the
// layer's only field that can hold a class (whole numbers or text). A field of
// fractions is taken only when named, as its values are seldom classes.
std::variant<int, InputError> classFieldOf(const MapRequest& request, OGRLayer& layer) {
    OGRFeatureDefn& fields = *layer.GetLayerDefn();
    const std::string place =
        "the layer " + std::string(layer.GetName()) + " of " + request.referencePath;
    const std::string listed =
        fields.GetFieldCount() == 0 ? "it has no fields" : "its fields: " + fieldsOf(fields);
    if (!request.referenceField.empty()) {
        const int field = fields.GetFieldIndex(request.referenceField.c_str());
        if (field < 0)
            return badInput(place + " has no field " + request.referenceField + "; " + listed);
        return field;
    }
    std::vector<int> candidates;
    for (int i = 0; i < fields.GetFieldCount(); ++i) {
        const OGRFieldType type = fields.GetFieldDefn(i)->GetType();
        if (type == OFTInteger || type == OFTInteger64 || type == OFTString)
            candidates.push_back(i);
    }
    if (candidates.size() == 1)
        return candidates.front();
    return badInput(place + " has " +
                    (candidates.empty() ? std::string("no field")
                                        : std::to_string(candidates.size()) + " fields") +
                    " of whole numbers or text to hold the class; " + listed +
                    "; name the class field with --reference-field");
}

// The open options that make GDAL's CSV driver read points from coordinate
// columns; none for other files, whose drivers would warn of them.
std::vector<std::string> csvOptions(const std::string& path) {
    const std::string extension = CPLGetExtension(path.c_str());
    if (!EQUAL(extension.c_str(), "csv"))
        return {};
    return {"X_POSSIBLE_NAMES=x,lon,long,longitude,easting",
            "Y_POSSIBLE_NAMES=y,lat,latitude,northing", "KEEP_GEOM_COLUMNS=NO"};
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
// it holds neither a number nor one class's name, exactly as written.
std::optional<double> fieldValue(OGRFeature& feature, int field, const ClassNames& names) {
    if (!feature.IsFieldSetAndNotNull(field))
        return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
    if (type == OFTInteger || type == OFTInteger64 || type == OFTReal)
        return feature.GetFieldAsDouble(field);
    const std::string text = feature.GetFieldAsString(field);
    if (text.find_first_not_of(" \t") == std::string::npos)
        return std::nullopt;
    if (const std::optional<double> number = ClassOfText(text))
        return number;
    // No number and no name: refused by the caller.
    return names.valueOf(text).value_or(std::nan(""));
}

// Why a point's class is refused: a number that is not whole, or a text that
// names no class of the map or several.
std::string classRefusal(const std::string& text, const ClassNames& names) {
    const std::string notWhole = "has the class " + text + ", which is not a whole number";
    if (ClassOfText(text) || text.empty())
        return notWhole;
    if (names.valueOf(text))
        return "has the class " + text +
               ", which the map gives to several classes: tell them apart with --class-names";
    if (names.empty())
        return notWhole + ", and the map names no classes (--class-names names them)";
    return notWhole + " nor a name of the map's classes: " + names.listed();
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

// A point inside the window with a class, waiting for the pixels under it.
struct PlacedPoint {
    std::int64_t row, column;
    double reference;
    GIntBig fid;
    std::uint64_t order; // in the layer, so that the first refusal is the one named
    std::uint64_t block; // the map's block, numbered row by row
};

// A refusal of a point: the one of the point first in the layer is given.
struct Refusal {
    std::uint64_t order;
    InputError error;
};

void refuseAt(std::optional<Refusal>& refusal, std::uint64_t order, InputError error) {
    if (!refusal || order < refusal->order)
        refusal = Refusal{order, std::move(error)};
}

// Reads the layer's points: each one without a class is counted as empty, each
// one off the map as outside; one on the map but off the window belongs to
// another window's count and is not counted here; the others are placed on their
// pixels. A point refused ends the reading, no later one being named before it.
std::variant<std::vector<PlacedPoint>, InputError>
placePoints(OGRLayer& layer, int field, const MapRequest& request, const ClassNames& names,
            OGRCoordinateTransformation* transform, const PointPixels& pixelOf,
            const PixelWindow& window, const PixelWindow& wholeMap,
            const LeftOutValues& referenceLeftOut, SourceCounts& counts,
            std::optional<Refusal>& refusal, ProgressSink& progress) {
    std::vector<PlacedPoint> placed;
    const GIntBig total = layer.GetFeatureCount(FALSE);
    if (total > 0)
        placed.reserve(static_cast<std::size_t>(total));
    std::uint64_t order = 0;
    layer.ResetReading();
    CPLErrorReset();
    for (const OGRFeatureUniquePtr& feature : layer) {
        const std::uint64_t at = order++;
        if (total > 0 && at % 4096 == 0)
            progress.Progress(static_cast<double>(at) / static_cast<double>(total));
        const OGRGeometry* geometry = feature->GetGeometryRef();
        const auto name = [&] {
            return "feature " + std::to_string(feature->GetFID()) + " of " + request.referencePath;
        };
        if (geometry == nullptr || wkbFlatten(geometry->getGeometryType()) != wkbPoint) {
            refuseAt(refusal, at, badInput(name() + " is not a point"));
            return placed;
        }
        const std::optional<double> referenceValue = fieldValue(*feature, field, names);
        if (referenceValue && !isWhole(*referenceValue) &&
            !referenceLeftOut.contains(*referenceValue)) {
            refuseAt(
                refusal, at,
                badInput(name() + " " + classRefusal(feature->GetFieldAsString(field), names)));
            return placed;
        }
        const auto* point = geometry->toPoint();
        double x = point->getX(), y = point->getY(), px = -1, py = -1;
        // A point with no place in the map's system (a latitude beyond 90) is off
        // the map; GDAL's complaint about it is no read error of the layer's.
        if (transform == nullptr || transform->Transform(1, &x, &y)) {
            const auto pixel = pixelOf.at(x, y);
            px = pixel[0];
            py = pixel[1];
        } else {
            CPLErrorReset();
        }
        const auto inside = [&](const PixelWindow& w) {
            return px >= static_cast<double>(w.xOffset) &&
                   px < static_cast<double>(w.xOffset + w.xSize) &&
                   py >= static_cast<double>(w.yOffset) &&
                   py < static_cast<double>(w.yOffset + w.ySize);
        };
        const bool inWindow = inside(window), onMap = inside(wholeMap);
        // A point on the map outside the window is another window's to count,
        // whatever its class.
        if (!referenceValue) {
            if (inWindow || !onMap)
                ++counts.empty;
            continue;
        }
        if (!inWindow) {
            if (!onMap)
                ++counts.outside;
            continue;
        }
        placed.push_back({static_cast<std::int64_t>(py), static_cast<std::int64_t>(px),
                          *referenceValue, feature->GetFID(), at, 0});
    }
    // The layer's features end early, without a word, where one cannot be read.
    if (CPLGetLastErrorType() >= CE_Failure)
        return readError(request.referencePath, gdalReason());
    progress.Progress(1.0);
    return placed;
}

// One raster read under the points: its band (none: not read) and its source.
struct PixelSide {
    GDALRasterBand* band;
    const BandSource* source;
    const std::string& path;
};

// The values of a rectangle of a side, and its mask's where one is read.
struct BlockValues {
    std::vector<double> values, mask;

    bool read(const PixelSide& side, int x, int y, int width, int height) {
        values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        if (side.band->RasterIO(GF_Read, x, y, width, height, values.data(), width, height,
                                GDT_Float64, 0, 0, nullptr) != CE_None)
            return false;
        if (side.source->signedBytes)
            for (double& v : values)
                v = signedByteValue(v);
        mask.clear();
        if (!side.source->masked)
            return true;
        mask.resize(values.size());
        return side.band->GetMaskBand()->RasterIO(GF_Read, x, y, width, height, mask.data(), width,
                                                  height, GDT_Float64, 0, 0, nullptr) == CE_None;
    }
};

// Reads the pixels under the points one block of the map at a time, each block
// once however many points lie in it, and counts each point's pair (and with
// strata its triple) or why it is left out.
std::optional<InputError>
readUnderPoints(std::vector<PlacedPoint>& points, const PixelSide& map, const PixelSide& strata,
                const MapRequest& request, const LeftOutValues& referenceLeftOut,
                SourceCounts& counts, std::map<PairKey, std::uint64_t>& pairs,
                StratumTriples& triples, std::optional<Refusal>& refusal, ProgressSink& progress) {
    int blockWidth = 0, blockHeight = 0;
    map.band->GetBlockSize(&blockWidth, &blockHeight);
    blockWidth = std::max(blockWidth, 1);
    blockHeight = std::max(blockHeight, 1);
    const auto across =
        static_cast<std::uint64_t>((map.band->GetXSize() + blockWidth - 1) / blockWidth);
    for (PlacedPoint& p : points)
        p.block = static_cast<std::uint64_t>(p.row / blockHeight) * across +
                  static_cast<std::uint64_t>(p.column / blockWidth);
    std::sort(points.begin(), points.end(),
              [](const PlacedPoint& a, const PlacedPoint& b) { return a.block < b.block; });
    BlockValues mapBlock, strataBlock;
    for (std::size_t first = 0; first < points.size();) {
        progress.Progress(static_cast<double>(first) / static_cast<double>(points.size()));
        const std::uint64_t block = points[first].block;
        const int x = static_cast<int>(block % across) * blockWidth,
                  y = static_cast<int>(block / across) * blockHeight;
        const int width = std::min(blockWidth, map.band->GetXSize() - x),
                  height = std::min(blockHeight, map.band->GetYSize() - y);
        if (!mapBlock.read(map, x, y, width, height))
            return readError(map.path, gdalReason());
        if (strata.band != nullptr && !strataBlock.read(strata, x, y, width, height))
            return readError(strata.path, gdalReason());
        std::size_t end = first;
        for (; end < points.size() && points[end].block == block; ++end) {
            const PlacedPoint& p = points[end];
            if (refusal && p.order > refusal->order)
                continue;
            const auto at = static_cast<std::size_t>((p.row - y) * width + (p.column - x));
            const bool masked = (!mapBlock.mask.empty() && mapBlock.mask[at] == 0.0) ||
                                (!strataBlock.mask.empty() && strataBlock.mask[at] == 0.0);
            if (masked) {
                ++counts.masked;
                continue;
            }
            const double value = mapBlock.values[at];
            if (map.source->leftOut.contains(value) || referenceLeftOut.contains(p.reference)) {
                ++counts.nodata;
                continue;
            }
            if (!isWhole(value)) {
                refuseAt(refusal, p.order,
                         badInput(notWholeAt("the map", value, p.row, p.column, "class")));
                continue;
            }
            const double stratum = strata.band != nullptr ? strataBlock.values[at] : 0.0;
            if (strata.band != nullptr && strata.source->leftOut.contains(stratum)) {
                ++counts.nodata;
                continue;
            }
            if (!isWhole(stratum)) {
                refuseAt(
                    refusal, p.order,
                    badInput(notWholeAt("the strata raster", stratum, p.row, p.column, "stratum")));
                continue;
            }
            if (request.classes) {
                const auto given = [&](double v) {
                    return std::find(request.classes->begin(), request.classes->end(), v) !=
                           request.classes->end();
                };
                if (!given(value) || !given(p.reference)) {
                    const bool onMap = !given(value);
                    refuseAt(refusal, p.order,
                             badInput("feature " + std::to_string(p.fid) + " of " +
                                      request.referencePath + ": the " +
                                      (onMap ? "map holds " : "point's class is ") +
                                      ClassLabel(onMap ? value : p.reference) +
                                      ", which is not among --classes"));
                    continue;
                }
            }
            ++pairs[{value, p.reference}];
            if (strata.band != nullptr)
                ++triples[{stratum, value, p.reference}];
        }
        first = end;
    }
    return std::nullopt;
}

} // namespace

std::variant<MapCount, InputError> countPoints(const MapRequest& request, GDALDataset& map,
                                               GDALRasterBand& mapBand, const BandSource& mapSource,
                                               const PixelWindow& window, const ClassNames& names,
                                               ProgressSink& progress) {
    auto opened = openInput(request.referencePath, GDAL_OF_VECTOR,
                            "is a raster; --reference-field is for a layer of points",
                            csvOptions(request.referencePath));
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    GDALDatasetUniquePtr points = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto chosen = layerOf(request, *points);
    if (auto* error = std::get_if<InputError>(&chosen))
        return *error;
    OGRLayer* layer = std::get<OGRLayer*>(chosen);
    auto classField = classFieldOf(request, *layer);
    if (auto* error = std::get_if<InputError>(&classField))
        return *error;
    const int field = std::get<int>(classField);

    const MapFacts facts = factsOf(map);
    const std::optional<PointPixels> pixelOf = PointPixels::of(facts);
    if (!pixelOf)
        return badInput("the map's geotransform cannot be inverted");
    MapCount out;
    TransformPtr transform;
    const OGRSpatialReference* layerCrs = definedCrs(layer->GetSpatialRef());
    OGRSpatialReference givenCrs;
    if (!request.referenceCrs.empty()) {
        if (givenCrs.SetFromUserInput(request.referenceCrs.c_str()) != OGRERR_NONE)
            return badInput("--reference-crs: GDAL reads no coordinate system from " +
                            request.referenceCrs);
        layerCrs = &givenCrs;
    }
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
        auto band = bandOf(*strata, 1, request.strataPath, "--strata");
        if (auto* error = std::get_if<InputError>(&band))
            return *error;
        if (auto error = checkSameGrid(map, *strata, "strata raster"))
            return *error;
        strataBand = std::get<GDALRasterBand*>(band);
        strataSource = BandSource{request.strataPath,
                                  1,
                                  strataBand->GetRasterDataType(),
                                  leftOutOf(*strataBand, request.nodata),
                                  "strata raster",
                                  hasMask(*strataBand),
                                  isSignedByte(*strataBand)};
    }

    out.pointReference = true;
    out.layer = layer->GetName();
    out.referenceField = layer->GetLayerDefn()->GetFieldDefn(field)->GetNameRef();
    const LeftOutValues referenceLeftOut{std::nullopt, request.nodata};
    out.referenceNodata = referenceLeftOut.values();
    // The points are read first, then the pixels under them a block at a time.
    PartProgress layerPart(progress, 0.0, 0.2);
    std::optional<Refusal> refusal;
    const PixelWindow wholeMap{0, 0, map.GetRasterXSize(), map.GetRasterYSize()};
    auto placed = placePoints(*layer, field, request, names, transform.get(), *pixelOf, window,
                              wholeMap, referenceLeftOut, out.source, refusal, layerPart);
    if (auto* error = std::get_if<InputError>(&placed))
        return *error;
    std::map<PairKey, std::uint64_t> pairs;
    StratumTriples triples;
    const PixelSide mapSide{&mapBand, &mapSource, request.mapPath};
    const PixelSide strataSide{strataBand, &strataSource, request.strataPath};
    PartProgress blockPart(progress, 0.2, 0.1);
    if (auto error = readUnderPoints(std::get<std::vector<PlacedPoint>>(placed), mapSide,
                                     strataSide, request, referenceLeftOut, out.source, pairs,
                                     triples, refusal, blockPart))
        return *error;
    if (refusal)
        return refusal->error;

    auto areas = pixelAreasOf(map);
    if (auto* error = std::get_if<InputError>(&areas))
        return *error;
    const PixelAreas& pixelAreas = std::get<PixelAreas>(areas);
    PartProgress mapPart(progress, 0.3, strataBand != nullptr ? 0.35 : 0.7);
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
        // A stratum's size is its pixels where neither the map nor the strata
        // raster is left out, as a design from the same two rasters counts it.
        PartProgress strataPart(progress, 0.65, 0.35);
        auto strataCounted =
            countInThreads(request, mapBand, mapSource, &strataSource, window, nullptr, strataPart);
        if (auto* error = std::get_if<InputError>(&strataCounted))
            return *error;
        const Merged strataMerged = merge(std::get<std::vector<ThreadCount>>(strataCounted),
                                          mapSource.leftOut, &strataSource.leftOut);
        std::map<double, std::uint64_t> strataPixels;
        for (const auto& [key, n] : strataMerged.pairs)
            strataPixels[key.col] += n;
        if (auto error = stratify(request.strataPath, triples, strataPixels, out))
            return *error;
    }
    return out;
}

} // namespace brennic::maps
