// Reference points against the map: the points' layer, their class field, their
// coordinate system, and the strata raster under them.
#include "maps/point_reference.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include <ogr_recordbatch.h>
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

// The class a text of a point's field gives: none when it is blank, NaN when it
// holds neither a number nor one class's name, exactly as written.
std::optional<double> textValue(std::string_view text, const ClassNames& names) {
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return std::nullopt;
    if (const std::optional<double> number = ClassOfText(text))
        return number;
    // No number and no name: refused by the caller.
    return names.valueOf(std::string(text)).value_or(std::nan(""));
}

// The class a point's field holds: none when it is not set or blank.
std::optional<double> fieldValue(OGRFeature& feature, int field, const ClassNames& names) {
    if (!feature.IsFieldSetAndNotNull(field))
        return std::nullopt;
    const OGRFieldType type = feature.GetFieldDefnRef(field)->GetType();
    if (type == OFTInteger || type == OFTInteger64 || type == OFTReal)
        return feature.GetFieldAsDouble(field);
    return textValue(feature.GetFieldAsString(field), names);
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

// The progress of the parts of a count, some of which run at the same time:
// each reports how far it has come, and the whole is given the sum of their
// shares so far, one at a time.
class ConcurrentProgress {
  public:
    class Part final : public ProgressSink {
      public:
        Part(ConcurrentProgress& all, double share) : m_all(all), m_share(share) {}
        void Progress(double fraction) override {
            std::lock_guard lock(m_all.m_mutex);
            m_all.m_done += (fraction - m_fraction) * m_share;
            m_fraction = fraction;
            m_all.m_whole.Progress(m_all.m_done);
        }

      private:
        ConcurrentProgress& m_all;
        double m_share, m_fraction = 0.0;
    };

    explicit ConcurrentProgress(ProgressSink& whole) : m_whole(whole) {}

  private:
    ProgressSink& m_whole;
    std::mutex m_mutex;
    double m_done = 0.0;
};

// (stratum, map, reference) values of the points, with their counts.
using StratumTriples = std::map<std::array<double, 3>, std::uint64_t>;
// (stratum, map, compared map, reference) values of the points of a comparison,
// the stratum 0 without strata.
using ComparedUnits = std::map<std::array<double, 4>, std::uint64_t>;

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
    std::int32_t row, column;
    double reference;
    GIntBig fid;
    std::uint64_t order; // in the layer, so that the first refusal is the one named
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

// Places the layer's points a batch at a time, the batch's coordinates
// transformed in one call: each point without a class is counted as empty, each
// one off the map as outside; one on the map but off the window belongs to
// another window's count and is not counted here; the others are placed on their
// pixels.
class PointPlacer {
  public:
    PointPlacer(OGRCoordinateTransformation* transform, const PointPixels& pixelOf,
                const PixelWindow& window, const PixelWindow& wholeMap, SourceCounts& counts)
        : m_transform(transform), m_pixelOf(pixelOf), m_window(window), m_wholeMap(wholeMap),
          m_counts(counts) {}

    static constexpr std::size_t BatchSize = 4096;

    // The point `order` of the layer at (x, y) in the layer's system, its class
    // `reference` (none: not set).
    void add(std::uint64_t order, GIntBig fid, double x, double y,
             std::optional<double> reference) {
        m_x.push_back(x);
        m_y.push_back(y);
        m_waiting.push_back({order, fid, reference.value_or(0.0), reference.has_value()});
    }

    // Places the points added since the last call; a read error of the layer is
    // taken before, as a point that cannot be transformed clears it.
    void place() {
        const std::size_t n = m_waiting.size();
        m_transformed.assign(n, TRUE);
        // A point with no place in the map's system (a latitude beyond 90) is
        // off the map; GDAL's complaint about it is no read error of the layer's.
        if (m_transform != nullptr && n > 0 &&
            (!m_transform->Transform(static_cast<int>(n), m_x.data(), m_y.data(), nullptr,
                                     m_transformed.data()) ||
             std::find(m_transformed.begin(), m_transformed.end(), FALSE) != m_transformed.end()))
            CPLErrorReset();
        for (std::size_t i = 0; i < n; ++i) {
            double px = -1, py = -1;
            if (m_transformed[i]) {
                const auto pixel = m_pixelOf.at(m_x[i], m_y[i]);
                px = pixel[0];
                py = pixel[1];
            }
            const auto inside = [&](const PixelWindow& w) {
                return px >= static_cast<double>(w.xOffset) &&
                       px < static_cast<double>(w.xOffset + w.xSize) &&
                       py >= static_cast<double>(w.yOffset) &&
                       py < static_cast<double>(w.yOffset + w.ySize);
            };
            const bool inWindow = inside(m_window), onMap = inside(m_wholeMap);
            const Waiting& p = m_waiting[i];
            // A point on the map outside the window is another window's to count,
            // whatever its class.
            if (!p.hasReference) {
                if (inWindow || !onMap)
                    ++m_counts.empty;
                continue;
            }
            if (!inWindow) {
                if (!onMap)
                    ++m_counts.outside;
                continue;
            }
            placed.push_back({static_cast<std::int32_t>(py), static_cast<std::int32_t>(px),
                              p.reference, p.fid, p.order});
        }
        m_x.clear();
        m_y.clear();
        m_waiting.clear();
    }

    std::vector<PlacedPoint> placed;

  private:
    struct Waiting {
        std::uint64_t order;
        GIntBig fid;
        double reference;
        bool hasReference;
    };
    OGRCoordinateTransformation* m_transform;
    const PointPixels& m_pixelOf;
    const PixelWindow &m_window, &m_wholeMap;
    SourceCounts& m_counts;
    std::vector<double> m_x, m_y;
    std::vector<int> m_transformed;
    std::vector<Waiting> m_waiting;
};

// What reading a layer's points needs beyond the layer.
struct PointReading {
    OGRLayer& layer;
    int field;
    const MapRequest& request;
    const ClassNames& names;
    const LeftOutValues& referenceLeftOut;
    GIntBig total; // the layer's features; not known when below 1
    std::optional<Refusal>& refusal;
    ProgressSink& progress;
    std::uint64_t firstOrder = 0; // the order in the layer of the first point read

    std::string featureName(GIntBig fid) const {
        return "feature " + std::to_string(fid) + " of " + request.referencePath;
    }
    void showProgress(std::uint64_t read) const {
        if (total > 0)
            progress.Progress(static_cast<double>(read) / static_cast<double>(total));
    }
    // A class that is not whole nor left out, refused; `text` gives the field as
    // written, for the message.
    template <class Text>
    bool refused(std::uint64_t order, GIntBig fid, double value, Text text) const {
        if (isWhole(value) || referenceLeftOut.contains(value))
            return false;
        refuseAt(refusal, order, badInput(featureName(fid) + " " + classRefusal(text(), names)));
        return true;
    }
};

// Reads the points one feature at a time. A point refused ends the reading, no
// later one being named before it.
std::optional<InputError> readFeatures(const PointReading& reading, PointPlacer& placer) {
    std::uint64_t order = 0;
    std::optional<InputError> failed;
    reading.layer.ResetReading();
    CPLErrorReset();
    for (const OGRFeatureUniquePtr& feature : reading.layer) {
        const std::uint64_t at = order++;
        if (at % PointPlacer::BatchSize == 0) {
            reading.showProgress(at);
            if (!failed && CPLGetLastErrorType() >= CE_Failure)
                failed = readError(reading.request.referencePath, gdalReason());
            placer.place();
        }
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (geometry == nullptr || wkbFlatten(geometry->getGeometryType()) != wkbPoint) {
            refuseAt(reading.refusal, at,
                     badInput(reading.featureName(feature->GetFID()) + " is not a point"));
            return std::nullopt;
        }
        const std::optional<double> value = fieldValue(*feature, reading.field, reading.names);
        if (value && reading.refused(at, feature->GetFID(), *value, [&] {
                return std::string(feature->GetFieldAsString(reading.field));
            }))
            return std::nullopt;
        const auto* point = geometry->toPoint();
        placer.add(at, feature->GetFID(), point->getX(), point->getY(), value);
    }
    // The layer's features end early, without a word, where one cannot be read.
    if (!failed && CPLGetLastErrorType() >= CE_Failure)
        failed = readError(reading.request.referencePath, gdalReason());
    return failed;
}

// The structures of GDAL's Arrow C stream of a layer, each released once.
struct HeldStream {
    ArrowArrayStream stream{};
    HeldStream() = default;
    HeldStream(const HeldStream&) = delete;
    HeldStream& operator=(const HeldStream&) = delete;
    ~HeldStream() {
        if (stream.release != nullptr)
            stream.release(&stream);
    }
};
struct HeldSchema {
    ArrowSchema schema{};
    HeldSchema() = default;
    HeldSchema(const HeldSchema&) = delete;
    HeldSchema& operator=(const HeldSchema&) = delete;
    ~HeldSchema() {
        if (schema.release != nullptr)
            schema.release(&schema);
    }
};
struct HeldArray {
    ArrowArray array{};
    HeldArray() = default;
    HeldArray(const HeldArray&) = delete;
    HeldArray& operator=(const HeldArray&) = delete;
    ~HeldArray() {
        if (array.release != nullptr)
            array.release(&array);
    }
};

// One column of a batch of the stream: its value of row i of the batch.
class ArrowColumn {
  public:
    ArrowColumn(const ArrowArray& batch, std::int64_t index)
        : m_array(*batch.children[index]), m_start(batch.offset + m_array.offset) {}

    bool isNull(std::int64_t i) const {
        const auto* valid = static_cast<const std::uint8_t*>(m_array.buffers[0]);
        const std::int64_t at = m_start + i;
        return valid != nullptr && m_array.null_count != 0 &&
               ((valid[at / 8] >> (at % 8)) & 1) == 0;
    }
    template <class T> T value(std::int64_t i) const {
        T v;
        std::memcpy(&v, static_cast<const char*>(m_array.buffers[1]) + (m_start + i) * sizeof(T),
                    sizeof(T));
        return v;
    }
    // The bytes of a text or binary value; `Offset`: int32_t, or int64_t for the
    // large kinds.
    template <class Offset> std::string_view bytes(std::int64_t i) const {
        const Offset from = value<Offset>(i), to = value<Offset>(i + 1);
        return {static_cast<const char*>(m_array.buffers[2]) + from,
                static_cast<std::size_t>(to - from)};
    }

  private:
    const ArrowArray& m_array;
    std::int64_t m_start;
};

// The place of a point given as WKB: the common little-endian 2D point is read
// here, any other geometry by GDAL; none when it is not a point.
std::optional<std::array<double, 2>> pointOfWkb(std::string_view wkb) {
    if (wkb.size() >= 21 && wkb[0] == 1) {
        std::uint32_t type;
        std::memcpy(&type, wkb.data() + 1, 4);
        std::array<double, 2> xy;
        std::memcpy(xy.data(), wkb.data() + 5, 16);
        if (std::endian::native == std::endian::little && type == wkbPoint && !std::isnan(xy[0]) &&
            !std::isnan(xy[1]))
            return xy;
    }
    OGRGeometry* read = nullptr;
    if (OGRGeometryFactory::createFromWkb(wkb.data(), nullptr, &read, wkb.size()) != OGRERR_NONE)
        return std::nullopt;
    const std::unique_ptr<OGRGeometry> geometry(read);
    if (wkbFlatten(geometry->getGeometryType()) != wkbPoint)
        return std::nullopt;
    return std::array<double, 2>{geometry->toPoint()->getX(), geometry->toPoint()->getY()};
}

// The columns of the stream: the features' ids, the class field's and the
// points' WKB, each of a kind read here; none otherwise.
struct StreamColumns {
    std::int64_t fid = -1, field = -1, geometry = -1;
    char fieldFormat = 0;
    bool largeGeometry = false;
};

std::optional<StreamColumns> columnsOf(const ArrowSchema& schema, const char* fieldName) {
    StreamColumns c;
    for (std::int64_t i = 0; i < schema.n_children; ++i) {
        const std::string_view format = schema.children[i]->format;
        const char* name = schema.children[i]->name;
        if (i == 0 && format == "l")
            c.fid = i;
        else if (name != nullptr && std::string_view(name) == fieldName && format.size() == 1 &&
                 std::string_view("islguU").find(format[0]) != std::string_view::npos) {
            c.field = i;
            c.fieldFormat = format[0];
        } else if (format == "z" || format == "Z") {
            c.geometry = i;
            c.largeGeometry = format == "Z";
        }
    }
    if (c.fid < 0 || c.field < 0 || c.geometry < 0)
        return std::nullopt;
    return c;
}

// Whether the points are read through the layer's Arrow stream, faster than
// feature by feature where the driver says so: a layer with one geometry field
// and a class field of whole numbers, fractions or text.
bool streamed(OGRLayer& layer, int field) {
    OGRFeatureDefn& fields = *layer.GetLayerDefn();
    const OGRFieldDefn& f = *fields.GetFieldDefn(field);
    const OGRFieldType type = f.GetType();
    return layer.TestCapability(OLCFastGetArrowStream) && fields.GetGeomFieldCount() == 1 &&
           (type == OFTInteger || type == OFTInteger64 || type == OFTReal || type == OFTString) &&
           f.GetSubType() != OFSTBoolean && f.GetSubType() != OFSTFloat32;
}

// Reads the points through the layer's Arrow stream, the fields other than the
// class's left unread. None read (false) where the stream does not give the
// columns as expected; the features are then read one at a time. A point
// refused ends the reading, no later one being named before it.
std::optional<InputError> readStream(const PointReading& reading, PointPlacer& placer, bool& read) {
    read = false;
    OGRLayer& layer = reading.layer;
    OGRFeatureDefn& fields = *layer.GetLayerDefn();
    std::vector<std::string> ignoredNames{"OGR_STYLE"};
    for (int i = 0; i < fields.GetFieldCount(); ++i)
        if (i != reading.field)
            ignoredNames.push_back(fields.GetFieldDefn(i)->GetNameRef());
    CPLStringList ignored;
    for (const std::string& name : ignoredNames)
        ignored.AddString(name.c_str());
    layer.SetIgnoredFields(const_cast<const char**>(ignored.List()));
    layer.ResetReading();
    CPLErrorReset();
    const char* fieldName = fields.GetFieldDefn(reading.field)->GetNameRef();
    CPLStringList options;
    options.AddString("INCLUDE_FID=YES");
    // Batches of a few thousand points keep the driver's buffers in memory already
    // in use, where larger ones are mapped and cleared anew each time.
    options.AddString(("MAX_FEATURES_IN_BATCH=" + std::to_string(PointPlacer::BatchSize)).c_str());
    std::optional<GIntBig> refusedClass; // the feature whose class is refused
    std::uint64_t refusedOrder = 0;
    double refusedValue = 0.0;
    {
        HeldStream held;
        HeldSchema schema;
        if (!layer.GetArrowStream(&held.stream, options.List()) ||
            held.stream.get_schema(&held.stream, &schema.schema) != 0)
            return std::nullopt;
        const std::optional<StreamColumns> columns = columnsOf(schema.schema, fieldName);
        if (!columns)
            return std::nullopt;
        read = true;
        std::uint64_t order = reading.firstOrder;
        for (;;) {
            HeldArray batch;
            if (held.stream.get_next(&held.stream, &batch.array) != 0) {
                const char* why = held.stream.get_last_error(&held.stream);
                return readError(reading.request.referencePath,
                                 why != nullptr && *why != '\0' ? why : gdalReason());
            }
            if (batch.array.release == nullptr)
                break;
            if (CPLGetLastErrorType() >= CE_Failure)
                return readError(reading.request.referencePath, gdalReason());
            reading.showProgress(order - reading.firstOrder);
            const ArrowArray& b = batch.array;
            const ArrowColumn fid(b, columns->fid), field(b, columns->field),
                geometry(b, columns->geometry);
            for (std::int64_t i = 0; i < b.length; ++i) {
                const std::uint64_t at = order++;
                const GIntBig id = fid.value<std::int64_t>(i);
                std::optional<std::array<double, 2>> xy;
                if (!geometry.isNull(i))
                    xy = pointOfWkb(columns->largeGeometry ? geometry.bytes<std::int64_t>(i)
                                                           : geometry.bytes<std::int32_t>(i));
                if (!xy) {
                    refuseAt(reading.refusal, at,
                             badInput(reading.featureName(id) + " is not a point"));
                    placer.place();
                    return std::nullopt;
                }
                std::optional<double> value;
                if (!field.isNull(i)) {
                    switch (columns->fieldFormat) {
                    case 'i':
                        value = field.value<std::int32_t>(i);
                        break;
                    case 's':
                        value = field.value<std::int16_t>(i);
                        break;
                    case 'l':
                        value = static_cast<double>(field.value<std::int64_t>(i));
                        break;
                    case 'g':
                        value = field.value<double>(i);
                        break;
                    case 'u':
                        value = textValue(field.bytes<std::int32_t>(i), reading.names);
                        break;
                    default:
                        value = textValue(field.bytes<std::int64_t>(i), reading.names);
                        break;
                    }
                }
                if (value && !isWhole(*value) && !reading.referenceLeftOut.contains(*value)) {
                    refusedClass = id;
                    refusedOrder = at;
                    refusedValue = *value;
                    break;
                }
                placer.add(at, id, (*xy)[0], (*xy)[1], value);
            }
            placer.place();
            if (refusedClass)
                break;
        }
    }
    placer.place();
    // The refused class as the field gives it as text, read once the stream is done.
    if (refusedClass) {
        const OGRFeatureUniquePtr feature(layer.GetFeature(*refusedClass));
        const std::string text =
            feature != nullptr ? feature->GetFieldAsString(reading.field) : std::string();
        reading.refused(refusedOrder, *refusedClass, refusedValue, [&] { return text; });
    }
    return std::nullopt;
}

// Asks the system to back `bytes` at `data` with large pages where it can: a
// million points fill 32 MB, which in pages of 4 KB fault in 8,000 times.
void askForLargePages(void* data, std::size_t bytes) {
#ifdef __linux__
    const std::uintptr_t page = 2u << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

// A GeoPackage's features cut into `parts` ranges of their ids, [from, to)
// each: none where the layer is no GeoPackage table or holds too few.
std::vector<std::pair<GIntBig, GIntBig>> idRanges(GDALDataset& points, OGRLayer& layer,
                                                  std::size_t parts) {
    const char* idColumn = layer.GetFIDColumn();
    if (parts < 2 || points.GetDriver() == nullptr ||
        std::string_view(points.GetDriver()->GetDescription()) != "GPKG" || idColumn == nullptr ||
        *idColumn == '\0' || layer.GetFeatureCount(FALSE) < static_cast<GIntBig>(parts))
        return {};
    const auto quoted = [](std::string_view name) {
        std::string q = "\"";
        for (char c : name)
            q += c == '"' ? std::string("\"\"") : std::string(1, c);
        return q + '"';
    };
    // One aggregate a query: SQLite reads MIN or MAX of the rowid off its tree
    // only when it stands alone, and scans the whole table for the two together.
    const std::string table = quoted(layer.GetName());
    const std::string sql = "SELECT (SELECT MIN(" + quoted(idColumn) + ") FROM " + table +
                            "), (SELECT MAX(" + quoted(idColumn) + ") FROM " + table + ")";
    OGRLayer* result = points.ExecuteSQL(sql.c_str(), nullptr, nullptr);
    if (result == nullptr)
        return {};
    std::vector<std::pair<GIntBig, GIntBig>> ranges;
    if (const OGRFeatureUniquePtr row(result->GetNextFeature());
        row != nullptr && row->IsFieldSetAndNotNull(0) && row->IsFieldSetAndNotNull(1)) {
        const GIntBig first = row->GetFieldAsInteger64(0), last = row->GetFieldAsInteger64(1);
        const GIntBig span = last - first + 1;
        for (std::size_t t = 0; t < parts && span > 0; ++t)
            ranges.emplace_back(
                first + span * static_cast<GIntBig>(t) / static_cast<GIntBig>(parts),
                first + span * static_cast<GIntBig>(t + 1) / static_cast<GIntBig>(parts));
    }
    points.ReleaseResultSet(result);
    return ranges;
}

// One range of a GeoPackage's points, read through the Arrow stream of a
// dataset of its own and placed apart.
struct PointsPart {
    SourceCounts counts;
    std::optional<Refusal> refusal;
    std::vector<PlacedPoint> placed;
    std::optional<InputError> error;
    bool read = false;
};

// Reads a GeoPackage's points in ranges of their ids, each in a thread of its
// own: GDAL reads a table a batch at a time, and two connections read it in
// about half the time. A point's order in the layer is its range's number,
// then its place in the range: the ranges follow the layer's own order of ids.
// False where a part cannot be read as a stream; the layer is then read whole.
bool placeInParts(const PointReading& reading, OGRCoordinateTransformation* transform,
                  const PointPixels& pixelOf, const PixelWindow& window,
                  const PixelWindow& wholeMap, SourceCounts& counts,
                  const std::vector<std::pair<GIntBig, GIntBig>>& ranges,
                  std::vector<std::vector<PlacedPoint>>& placed, std::optional<InputError>& error) {
    std::vector<PointsPart> parts(ranges.size());
    ConcurrentProgress progress(reading.progress);
    std::vector<std::unique_ptr<ConcurrentProgress::Part>> shares;
    for (std::size_t t = 0; t < ranges.size(); ++t)
        shares.push_back(std::make_unique<ConcurrentProgress::Part>(
            progress, 1.0 / static_cast<double>(ranges.size())));
    const auto readPart = [&](std::size_t t) {
        PointsPart& part = parts[t];
        part.refusal = reading.refusal;
        try {
            QuietGdalErrors quiet;
            GDALDatasetUniquePtr data = openDataset(reading.request.referencePath, GDAL_OF_VECTOR);
            OGRLayer* layer =
                data != nullptr ? data->GetLayerByName(reading.layer.GetName()) : nullptr;
            const std::string filter = "\"" + std::string(reading.layer.GetFIDColumn()) +
                                       "\" >= " + std::to_string(ranges[t].first) + " AND \"" +
                                       reading.layer.GetFIDColumn() + "\" < " +
                                       std::to_string(ranges[t].second);
            if (layer == nullptr || layer->SetAttributeFilter(filter.c_str()) != OGRERR_NONE)
                return;
            const PointReading own{*layer,
                                   reading.field,
                                   reading.request,
                                   reading.names,
                                   reading.referenceLeftOut,
                                   reading.total / static_cast<GIntBig>(ranges.size()),
                                   part.refusal,
                                   *shares[t],
                                   static_cast<std::uint64_t>(t) << 40};
            PointPlacer placer(transform, pixelOf, window, wholeMap, part.counts);
            if (own.total > 0) {
                placer.placed.reserve(static_cast<std::size_t>(own.total) * 11 / 10);
                askForLargePages(placer.placed.data(),
                                 placer.placed.capacity() * sizeof(PlacedPoint));
            }
            part.error = readStream(own, placer, part.read);
            part.placed = std::move(placer.placed);
        } catch (const std::bad_alloc&) {
            part.error = InputError{InputError::ReadError, "out of memory"};
            part.read = true;
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < ranges.size(); ++t)
            workers.emplace_back(readPart, t);
        readPart(0);
    }
    for (const PointsPart& part : parts)
        if (!part.read)
            return false;
    for (PointsPart& part : parts) {
        if (part.error && !error)
            error = std::move(part.error);
        counts.empty += part.counts.empty;
        counts.outside += part.counts.outside;
        if (part.refusal)
            refuseAt(reading.refusal, part.refusal->order, part.refusal->error);
    }
    for (PointsPart& part : parts)
        placed.push_back(std::move(part.placed));
    return true;
}

// Reads the layer's points and places them, in one part or in several read
// apart. A point refused ends the reading.
std::variant<std::vector<std::vector<PlacedPoint>>, InputError>
placePoints(const PointReading& reading, GDALDataset& points,
            OGRCoordinateTransformation* transform, const PointPixels& pixelOf,
            const PixelWindow& window, const PixelWindow& wholeMap, SourceCounts& counts) {
    if (streamed(reading.layer, reading.field)) {
        const std::size_t threads = std::min<std::size_t>(
            std::max(1u, std::thread::hardware_concurrency()),
            reading.request.threads > 0 ? static_cast<std::size_t>(reading.request.threads)
                                        : SIZE_MAX);
        std::vector<std::vector<PlacedPoint>> placed;
        std::optional<InputError> error;
        if (const auto ranges = idRanges(points, reading.layer, threads);
            !ranges.empty() && placeInParts(reading, transform, pixelOf, window, wholeMap, counts,
                                            ranges, placed, error)) {
            if (error)
                return *error;
            reading.progress.Progress(1.0);
            return placed;
        }
    }
    PointPlacer placer(transform, pixelOf, window, wholeMap, counts);
    if (reading.total > 0) {
        placer.placed.reserve(static_cast<std::size_t>(reading.total));
        askForLargePages(placer.placed.data(), placer.placed.capacity() * sizeof(PlacedPoint));
    }
    bool read = false;
    std::optional<InputError> error;
    if (streamed(reading.layer, reading.field))
        error = readStream(reading, placer, read);
    if (!read && !error) {
        error = readFeatures(reading, placer);
        placer.place();
    }
    if (error)
        return *error;
    reading.progress.Progress(1.0);
    std::vector<std::vector<PlacedPoint>> placed;
    placed.push_back(std::move(placer.placed));
    return placed;
}

// One raster read under the points: its band (none: not read) and its source.
struct PixelSide {
    GDALRasterBand* band;
    const BandSource* source;
    const std::string& path;
};

// The values of a rectangle of a side, and its mask's where one is read, each
// in the band's own type: only the pixels under points are turned into numbers.
class BlockValues {
  public:
    bool read(const PixelSide& side, int x, int y, int width, int height) {
        m_signedBytes = side.source->signedBytes;
        m_masked = side.source->masked;
        if (!m_values.read(*side.band, x, y, width, height))
            return false;
        return !m_masked || m_mask.read(*side.band->GetMaskBand(), x, y, width, height);
    }
    // The value of pixel `at` of the rectangle, counted row by row.
    double value(std::size_t at) const {
        const double v = m_values.at(at);
        return m_signedBytes ? signedByteValue(v) : v;
    }
    bool masked(std::size_t at) const { return m_masked && m_mask.at(at) == 0.0; }

  private:
    struct Raw {
        std::vector<unsigned char> bytes;
        GDALDataType type = GDT_Byte;
        int size = 1;

        bool read(GDALRasterBand& band, int x, int y, int width, int height) {
            type = band.GetRasterDataType();
            size = GDALGetDataTypeSizeBytes(type);
            bytes.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                         static_cast<std::size_t>(size));
            return band.RasterIO(GF_Read, x, y, width, height, bytes.data(), width, height, type, 0,
                                 0, nullptr) == CE_None;
        }
        double at(std::size_t i) const {
            if (type == GDT_Byte)
                return bytes[i];
            double v = 0.0;
            GDALCopyWords64(bytes.data() + i * static_cast<std::size_t>(size), type, 0, &v,
                            GDT_Float64, 0, 1);
            return v;
        }
    };
    Raw m_values, m_mask;
    bool m_signedBytes = false, m_masked = false;
};

// Points in one list, its memory left unset until each point is moved in.
struct PointList {
    std::unique_ptr<PlacedPoint[]> data;
    std::size_t size = 0;

    explicit PointList(std::size_t n)
        : data(std::make_unique_for_overwrite<PlacedPoint[]>(n)), size(n) {
        askForLargePages(data.get(), n * sizeof(PlacedPoint));
    }
    const PlacedPoint& operator[](std::size_t i) const { return data[i]; }
    const PlacedPoint* begin() const { return data.get(); }
    const PlacedPoint* end() const { return data.get() + size; }
};

// The points of all parts in one list, in the order of their blocks (numbered
// row by row below `blocks`). Each part, in a thread of its own, counts its
// points by block and then moves each straight to its place among its block's,
// and is let go once moved. A map of many more blocks than points is sorted by
// comparison.
template <class BlockOf>
PointList sortedByBlock(std::vector<std::vector<PlacedPoint>>& parts, std::uint64_t blocks,
                        BlockOf blockOf) {
    std::size_t all = 0;
    for (const auto& part : parts)
        all += part.size();
    PointList points(all);
    PlacedPoint* to = points.data.get();
    if (blocks > all / 2 + 65536) {
        for (auto& part : parts) {
            to = std::copy(part.begin(), part.end(), to);
            std::vector<PlacedPoint>().swap(part);
        }
        std::sort(
            points.data.get(), points.data.get() + all,
            [&](const PlacedPoint& a, const PlacedPoint& b) { return blockOf(a) < blockOf(b); });
        return points;
    }
    const auto inThreads = [&](const auto& work) {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < parts.size(); ++t)
            workers.emplace_back(work, t);
        work(0);
    };
    // next[t][b]: where part t's next point of block b goes.
    std::vector<std::vector<std::size_t>> next(parts.size());
    std::vector<std::vector<std::uint64_t>> blockOfPoint(parts.size());
    inThreads([&](std::size_t t) {
        next[t].assign(static_cast<std::size_t>(blocks), 0);
        blockOfPoint[t].resize(parts[t].size());
        for (std::size_t i = 0; i < parts[t].size(); ++i)
            ++next[t][blockOfPoint[t][i] = blockOf(parts[t][i])];
    });
    std::size_t at = 0;
    for (std::size_t b = 0; b < blocks; ++b)
        for (auto& part : next)
            at += std::exchange(part[b], at);
    inThreads([&](std::size_t t) {
        for (std::size_t i = 0; i < parts[t].size(); ++i)
            to[next[t][blockOfPoint[t][i]]++] = parts[t][i];
        std::vector<PlacedPoint>().swap(parts[t]);
    });
    return points;
}

struct BitsHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& bits) const {
        return std::hash<std::uint64_t>{}(bits.first * 0x9E3779B97F4A7C15ull ^ bits.second);
    }
};

// What one thread finds under its share of the points: the pairs counted by
// their values' bits, the triples with strata, the units with a compared map,
// the points left out, and the refusal of the point first in the layer.
struct UnderPoints {
    std::unordered_map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t, BitsHash> byBits;
    StratumTriples triples;
    ComparedUnits compared;
    std::uint64_t masked = 0, nodata = 0;
    std::optional<Refusal> refusal;
    std::optional<InputError> error; // a block that cannot be read
};

// The blocks of the map, numbered row by row, and the block of a point.
struct BlockGrid {
    int width = 1, height = 1;
    std::uint64_t across = 0, down = 0;

    explicit BlockGrid(GDALRasterBand& band) {
        band.GetBlockSize(&width, &height);
        width = std::max(width, 1);
        height = std::max(height, 1);
        across = static_cast<std::uint64_t>((band.GetXSize() + width - 1) / width);
        down = static_cast<std::uint64_t>((band.GetYSize() + height - 1) / height);
    }
    std::uint64_t of(const PlacedPoint& p) const {
        return static_cast<std::uint64_t>(p.row / height) * across +
               static_cast<std::uint64_t>(p.column / width);
    }
};

// Counts one point's pair (and with strata its triple, with a compared map its
// unit) from what lies under it, or why it is left out or refused. `stratum`
// null: no strata are read; `compared` null: no compared map. A point counts
// only where both maps hold a class.
void judgePoint(const PlacedPoint& p, bool masked, double value, const double* stratum,
                const LeftOutValues& mapLeftOut, const LeftOutValues* strataLeftOut,
                const MapRequest& request, const LeftOutValues& referenceLeftOut, UnderPoints& out,
                const double* compared = nullptr, const LeftOutValues* comparedLeftOut = nullptr) {
    if (out.refusal && p.order > out.refusal->order)
        return;
    if (masked) {
        ++out.masked;
        return;
    }
    // A raster's value under the point: a class, or left out (counted) or no
    // class (refused).
    const auto isClass = [&](double v, const LeftOutValues& leftOut, const char* raster,
                             const char* kind) {
        if (leftOut.contains(v)) {
            ++out.nodata;
            return false;
        }
        if (!isWhole(v)) {
            refuseAt(out.refusal, p.order, badInput(notWholeAt(raster, v, p.row, p.column, kind)));
            return false;
        }
        return true;
    };
    if (referenceLeftOut.contains(p.reference)) {
        ++out.nodata;
        return;
    }
    if (!isClass(value, mapLeftOut, "the map", "class") ||
        (compared != nullptr &&
         !isClass(*compared, *comparedLeftOut, "the compared map", "class")) ||
        (stratum != nullptr && !isClass(*stratum, *strataLeftOut, "the strata raster", "stratum")))
        return;
    if (request.classes) {
        const auto given = [&](double v) {
            return std::find(request.classes->begin(), request.classes->end(), v) !=
                   request.classes->end();
        };
        const auto refuse = [&](const char* what, double v) {
            refuseAt(out.refusal, p.order,
                     badInput("feature " + std::to_string(p.fid) + " of " + request.referencePath +
                              ": the " + what + ClassLabel(v) + ", which is not among --classes"));
        };
        if (!given(value))
            return refuse("map holds ", value);
        if (compared != nullptr && !given(*compared))
            return refuse("compared map holds ", *compared);
        if (!given(p.reference))
            return refuse("point's class is ", p.reference);
    }
    ++out.byBits[{std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(p.reference)}];
    if (stratum != nullptr)
        ++out.triples[{*stratum, value, p.reference}];
    if (compared != nullptr)
        ++out.compared[{stratum != nullptr ? *stratum : 0.0, value, *compared, p.reference}];
}

// Reads the pixels under points [first, last), sorted by block, one block at a
// time, and judges each point.
void readUnderShare(const PointList& points, std::size_t first, std::size_t last,
                    const BlockGrid& grid, const PixelSide& map, const PixelSide& strata,
                    const MapRequest& request, const LeftOutValues& referenceLeftOut,
                    UnderPoints& out, const std::function<void(std::size_t)>& done) {
    BlockValues mapBlock, strataBlock;
    while (first < last) {
        done(first);
        const std::uint64_t block = grid.of(points[first]);
        const int x = static_cast<int>(block % grid.across) * grid.width,
                  y = static_cast<int>(block / grid.across) * grid.height;
        const int width = std::min(grid.width, map.band->GetXSize() - x),
                  height = std::min(grid.height, map.band->GetYSize() - y);
        if (!mapBlock.read(map, x, y, width, height)) {
            out.error = readError(map.path, gdalReason());
            return;
        }
        if (strata.band != nullptr && !strataBlock.read(strata, x, y, width, height)) {
            out.error = readError(strata.path, gdalReason());
            return;
        }
        std::size_t end = first;
        for (; end < last && grid.of(points[end]) == block; ++end) {
            const PlacedPoint& p = points[end];
            const auto at = static_cast<std::size_t>((p.row - y) * width + (p.column - x));
            const bool masked =
                mapBlock.masked(at) || (strata.band != nullptr && strataBlock.masked(at));
            const double stratum = strata.band != nullptr ? strataBlock.value(at) : 0.0;
            judgePoint(p, masked, mapBlock.value(at), strata.band != nullptr ? &stratum : nullptr,
                       map.source->leftOut,
                       strata.band != nullptr ? &strata.source->leftOut : nullptr, request,
                       referenceLeftOut, out);
        }
        first = end;
    }
}

// Adds up what the threads found under their points; the first error found.
std::optional<InputError> addUp(std::vector<UnderPoints>& shares, SourceCounts& counts,
                                std::map<PairKey, std::uint64_t>& pairs, StratumTriples& triples,
                                std::optional<Refusal>& refusal,
                                ComparedUnits* compared = nullptr) {
    for (UnderPoints& out : shares) {
        if (out.error)
            return out.error;
        counts.masked += out.masked;
        counts.nodata += out.nodata;
        if (out.refusal)
            refuseAt(refusal, out.refusal->order, out.refusal->error);
        for (const auto& [key, n] : out.byBits)
            pairs[{std::bit_cast<double>(key.first), std::bit_cast<double>(key.second)}] += n;
        for (const auto& [key, n] : out.triples)
            triples[key] += n;
        if (compared != nullptr)
            for (const auto& [key, n] : out.compared)
                (*compared)[key] += n;
    }
    return std::nullopt;
}

// Reads the pixels under the points one block of the map at a time, each block
// once however many points lie in it, the points shared out among threads by
// whole blocks, each thread with its own datasets; and counts each point's pair
// (and with strata its triple) or why it is left out.
std::optional<InputError>
readUnderPoints(std::vector<std::vector<PlacedPoint>>& parts, const PixelSide& map,
                const PixelSide& strata, const MapRequest& request,
                const LeftOutValues& referenceLeftOut, SourceCounts& counts,
                std::map<PairKey, std::uint64_t>& pairs, StratumTriples& triples,
                std::optional<Refusal>& refusal, ProgressSink& progress) {
    const BlockGrid grid(*map.band);
    const PointList points = sortedByBlock(parts, grid.across * grid.down,
                                           [&](const PlacedPoint& p) { return grid.of(p); });
    // Shares of about as many points each, cut where a block ends.
    const std::size_t threads = std::min<std::size_t>(
        std::max(1u, std::thread::hardware_concurrency()),
        request.threads > 0 ? static_cast<std::size_t>(request.threads) : SIZE_MAX);
    std::vector<std::size_t> cuts{0};
    for (std::size_t t = 1; t < threads; ++t) {
        std::size_t at = std::max(cuts.back(), points.size * t / threads);
        while (at > cuts.back() && at < points.size &&
               grid.of(points[at]) == grid.of(points[at - 1]))
            ++at;
        cuts.push_back(at);
    }
    cuts.push_back(points.size);
    std::vector<UnderPoints> shares(threads);
    std::atomic<std::size_t> read{0};
    std::mutex progressMutex;
    const auto share = [&](std::size_t t) {
        UnderPoints& out = shares[t];
        out.refusal = refusal;
        QuietGdalErrors quiet;
        // The first share reads the bands already open; the others open their own.
        GDALDatasetUniquePtr ownMap, ownStrata;
        PixelSide mapSide = map, strataSide = strata;
        if (t > 0) {
            ownMap = openDataset(map.path, GDAL_OF_RASTER);
            ownStrata = strata.band != nullptr ? openDataset(strata.path, GDAL_OF_RASTER) : nullptr;
            if (!ownMap || (strata.band != nullptr && !ownStrata)) {
                out.error = readError(!ownMap ? map.path : strata.path, gdalReason());
                return;
            }
            mapSide.band = ownMap->GetRasterBand(map.source->band);
            if (ownStrata)
                strataSide.band = ownStrata->GetRasterBand(strata.source->band);
        }
        std::size_t last = cuts[t];
        try {
            readUnderShare(points, cuts[t], cuts[t + 1], grid, mapSide, strataSide, request,
                           referenceLeftOut, out, [&](std::size_t at) {
                               read += at - last;
                               last = at;
                               std::lock_guard lock(progressMutex);
                               progress.Progress(static_cast<double>(read) /
                                                 static_cast<double>(points.size));
                           });
        } catch (const std::bad_alloc&) {
            out.error = InputError{InputError::ReadError, "out of memory"};
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < threads; ++t)
            workers.emplace_back(share, t);
        share(0);
    }
    return addUp(shares, counts, pairs, triples, refusal);
}

// Judges the points lying in each chunk of a walk over the map, from the slots
// the walk read: the map is read once for its count and for the points. The
// points are sorted by their chunk. Where the walk reads the strata raster
// as its second band (`strataLeftOut` given), each point's stratum is its slot
// there; a compared map is its third band.
class PointsInChunks final : public ChunkVisitor {
  public:
    PointsInChunks(const PointList& points, const Chunks& chunks, std::size_t threads,
                   const std::optional<Refusal>& refusal, const LeftOutValues& mapLeftOut,
                   const MapRequest& request, const LeftOutValues& referenceLeftOut,
                   const LeftOutValues* strataLeftOut = nullptr,
                   const LeftOutValues* comparedLeftOut = nullptr)
        : shares(threads), m_points(points), m_chunks(chunks), m_mapLeftOut(mapLeftOut),
          m_request(request), m_referenceLeftOut(referenceLeftOut), m_strataLeftOut(strataLeftOut),
          m_comparedLeftOut(comparedLeftOut) {
        for (UnderPoints& share : shares)
            share.refusal = refusal;
    }

    void Chunk(std::size_t thread, const ChunkSlots& c) override {
        const auto before = [&](std::uint64_t index) {
            return
                [&, index](const PlacedPoint& p) { return m_chunks.of(p.row, p.column) < index; };
        };
        const PlacedPoint* first =
            std::partition_point(m_points.begin(), m_points.end(), before(c.index));
        const PlacedPoint* last = std::partition_point(first, m_points.end(), before(c.index + 1));
        for (const PlacedPoint* p = first; p != last; ++p) {
            const auto at = static_cast<std::size_t>((p->row - c.y) * c.width + (p->column - c.x));
            const bool strata = m_strataLeftOut != nullptr && c.colValues != nullptr;
            const double stratum = strata ? (*c.colValues)[c.cols[at]] : 0.0;
            const bool compared = c.thirds != nullptr && c.thirdValues != nullptr;
            const double third = compared ? (*c.thirdValues)[c.thirds[at]] : 0.0;
            judgePoint(*p, c.kept != nullptr && c.kept[at] == 0, c.rowValues[c.rows[at]],
                       strata ? &stratum : nullptr, m_mapLeftOut, m_strataLeftOut, m_request,
                       m_referenceLeftOut, shares[thread], compared ? &third : nullptr,
                       m_comparedLeftOut);
        }
    }

    std::vector<UnderPoints> shares;

  private:
    const PointList& m_points;
    const Chunks& m_chunks;
    const LeftOutValues& m_mapLeftOut;
    const MapRequest& m_request;
    const LeftOutValues& m_referenceLeftOut;
    const LeftOutValues* m_strataLeftOut;
    const LeftOutValues* m_comparedLeftOut;
};

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
        strataSource =
            bandSourceOf(*strataBand, request.strataPath, 1, request.nodata, "strata raster");
    }

    // A compared map is read under the points in the walk over the map.
    std::optional<BandSource> comparedSource;
    if (!request.comparedPath.empty()) {
        auto compared = comparedMapOf(request, map);
        if (auto* error = std::get_if<InputError>(&compared))
            return *error;
        comparedSource = std::get<BandSource>(compared);
    }

    out.pointReference = true;
    out.layer = layer->GetName();
    out.referenceField = layer->GetLayerDefn()->GetFieldDefn(field)->GetNameRef();
    const LeftOutValues referenceLeftOut{std::nullopt, request.nodata};
    out.referenceNodata = referenceLeftOut.values();
    auto areas = pixelAreasOf(map);
    if (auto* error = std::get_if<InputError>(&areas))
        return *error;
    const PixelAreas& pixelAreas = std::get<PixelAreas>(areas);
    ConcurrentProgress parts(progress);
    std::optional<Refusal> refusal;
    const PixelWindow wholeMap{0, 0, map.GetRasterXSize(), map.GetRasterYSize()};
    const GIntBig total = layer->GetFeatureCount(FALSE);
    std::map<PairKey, std::uint64_t> pairs;
    StratumTriples triples;
    std::variant<std::vector<ThreadCount>, InputError> counted = InputError{};
    std::map<double, std::uint64_t> strataPixels;
    // The layer's points placed on the map's pixels, its reading's progress shown in `part`.
    const auto place = [&](ProgressSink& part) {
        const PointReading reading{*layer, field,   request, names, referenceLeftOut,
                                   total,  refusal, part,    0};
        return placePoints(reading, *points, transform.get(), *pixelOf, window, wholeMap,
                           out.source);
    };
    ComparedUnits units;
    if (strataBand == nullptr || comparedSource) {
        // The points are placed first, then judged in the walk that counts the
        // map's classes' pixels and areas: each block of the map is read once.
        // Compared with a second map, the walk reads it too, and the strata
        // raster as its second band, whose pixels give the strata's sizes.
        ConcurrentProgress::Part layerPart(parts, 0.4), mapPart(parts, 0.6);
        auto placed = place(layerPart);
        if (auto* error = std::get_if<InputError>(&placed))
            return *error;
        const Chunks chunks(mapBand, window);
        const PointList sorted =
            sortedByBlock(std::get<std::vector<std::vector<PlacedPoint>>>(placed), chunks.count(),
                          [&](const PlacedPoint& p) { return chunks.of(p.row, p.column); });
        const BandSource* strataRead = strataBand != nullptr ? &strataSource : nullptr;
        const BandSource* comparedRead = comparedSource ? &*comparedSource : nullptr;
        PointsInChunks under(sorted, chunks, threadsFor(request, mapBand, window), refusal,
                             mapSource.leftOut, request, referenceLeftOut,
                             strataRead != nullptr ? &strataRead->leftOut : nullptr,
                             comparedRead != nullptr ? &comparedRead->leftOut : nullptr);
        counted = countInThreads(request, mapBand, mapSource, strataRead, window, &pixelAreas,
                                 mapPart, comparedRead, &under);
        if (auto* error = std::get_if<InputError>(&counted))
            return *error;
        if (auto error = addUp(under.shares, out.source, pairs, triples, refusal, &units))
            return *error;
        if (refusal)
            return refusal->error;
    } else {
        // The map's own count runs beside the reading of the points and of the
        // map and strata under them, a block at a time.
        ConcurrentProgress::Part layerPart(parts, 0.2), blockPart(parts, 0.1), mapPart(parts, 0.35),
            strataPart(parts, 0.35);
        std::jthread mapCount([&] {
            try {
                // A dataset of its own: the one open here reads the blocks under the points.
                QuietGdalErrors quiet;
                GDALDatasetUniquePtr own = openDataset(mapSource.path, GDAL_OF_RASTER);
                if (!own) {
                    counted = readError(mapSource.path, gdalReason());
                    return;
                }
                counted = countInThreads(request, *own->GetRasterBand(mapSource.band), mapSource,
                                         nullptr, window, &pixelAreas, mapPart);
            } catch (const std::bad_alloc&) {
                counted = InputError{InputError::ReadError, "out of memory"};
            }
        });
        auto placed = place(layerPart);
        if (auto* error = std::get_if<InputError>(&placed))
            return *error;
        const PixelSide mapSide{&mapBand, &mapSource, request.mapPath};
        const PixelSide strataSide{strataBand, &strataSource, request.strataPath};
        if (auto error = readUnderPoints(std::get<std::vector<std::vector<PlacedPoint>>>(placed),
                                         mapSide, strataSide, request, referenceLeftOut, out.source,
                                         pairs, triples, refusal, blockPart))
            return *error;
        if (refusal)
            return refusal->error;
        mapCount.join();
        if (auto* error = std::get_if<InputError>(&counted))
            return *error;
        // A stratum's size is its pixels where neither the map nor the strata
        // raster is left out, as a design from the same two rasters counts it.
        auto strataCounted =
            countInThreads(request, mapBand, mapSource, &strataSource, window, nullptr, strataPart);
        if (auto* error = std::get_if<InputError>(&strataCounted))
            return *error;
        const Merged strataMerged = merge(std::get<std::vector<ThreadCount>>(strataCounted),
                                          mapSource.leftOut, &strataSource.leftOut);
        for (const auto& [key, n] : strataMerged.pairs)
            strataPixels[key.col] += n;
    }
    // Each map's valid pixels and areas by value; the strata's sizes where the
    // walk read the strata raster.
    Merged merged;
    std::map<double, std::uint64_t> comparedPixels;
    std::map<double, double> comparedAreas;
    if (comparedSource) {
        const SummedTriples summed = sumTriples(std::get<std::vector<ThreadCount>>(counted));
        for (const auto& [key, n] : summed.triples) {
            const auto [a, b, stratum] = key;
            const bool aOut = mapSource.leftOut.contains(a);
            if (!aOut)
                merged.mapPixels[a] += n;
            if (!comparedSource->leftOut.contains(b))
                comparedPixels[b] += n;
            // A stratum's size as the map's count alone gives it.
            if (strataBand != nullptr && !aOut && !strataSource.leftOut.contains(stratum))
                strataPixels[stratum] += n;
        }
        for (const auto& [value, area] : summed.mapAreas)
            if (!mapSource.leftOut.contains(value))
                merged.mapAreas[value] += area;
        for (const auto& [value, area] : summed.comparedAreas)
            if (!comparedSource->leftOut.contains(value))
                comparedAreas[value] += area;
        if (auto error = refuseComparedValues(request, comparedPixels, *comparedSource, window))
            return *error;
    } else {
        merged = merge(std::get<std::vector<ThreadCount>>(counted), mapSource.leftOut, nullptr);
    }
    // A map class left out of --classes would take its pixels out of the areas;
    // the compared map's classes stand among the classes as the map's do.
    std::map<double, std::uint64_t> mapValues = merged.mapPixels;
    for (const auto& [value, n] : comparedPixels)
        mapValues[value] += n;
    if (auto error = formMatrix(request, pairs, mapValues, out, [&](bool, double value) {
            return firstPlaceOf(mapSource, window, value);
        }))
        return *error;
    // Each class's pixels and areas of one map, in the order of the classes.
    const auto areasOf = [&](const std::map<double, std::uint64_t>& pixelsOf,
                             const std::map<double, double>& areaOf,
                             std::vector<std::uint64_t>& pixels) {
        MapAreas areas;
        areas.unit = pixelAreas.unit;
        for (double value : out.classValues) {
            const auto found = pixelsOf.find(value);
            const std::uint64_t n = found == pixelsOf.end() ? 0 : found->second;
            pixels.push_back(n);
            if (!pixelAreas.geographic) {
                areas.perClass.push_back(static_cast<double>(n) * pixelAreas.perPixel);
            } else {
                const auto area = areaOf.find(value);
                areas.perClass.push_back(area == areaOf.end() ? 0.0 : area->second);
            }
        }
        return areas;
    };
    out.areas = areasOf(merged.mapPixels, merged.mapAreas, out.mapPixels);
    if (strataBand != nullptr)
        if (auto error = stratify(request.strataPath, triples, strataPixels, out))
            return *error;
    if (comparedSource) {
        ComparedCount& c = out.compared.emplace();
        c.areas = areasOf(comparedPixels, comparedAreas, c.mapPixels);
        c.nodata = comparedSource->leftOut.values();
        const std::size_t n = out.classValues.size();
        const auto indexIn = [](const std::vector<double>& values, double value) {
            return static_cast<std::size_t>(std::find(values.begin(), values.end(), value) -
                                            values.begin());
        };
        c.counts.assign(n * n, 0);
        for (const auto& [key, count] : units) {
            const auto [stratum, a, b, r] = key;
            const std::size_t i = indexIn(out.classValues, a), j = indexIn(out.classValues, b),
                              k = indexIn(out.classValues, r);
            c.counts[j * n + k] += count;
            c.cells.push_back(
                {i, j, k, count, out.strata ? indexIn(out.strata->values, stratum) : 0});
        }
    }
    return out;
}

} // namespace brennic::maps
