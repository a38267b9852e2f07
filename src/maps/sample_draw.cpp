#include "maps/sample_draw.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include <ogrsf_frmts.h>

#include "maps/gdal_support.h"
#include "maps/grid.h"
#include "maps/raster_count.h"
#include "maps/slot_indexer.h"

namespace brennic {

namespace {

// SplitMix64's finalizer: every bit of the input reaches every bit of the output.
std::uint64_t mix(std::uint64_t z) {
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A pixel before another: the smaller key, ties by row, then column.
bool before(const DrawnPixel& a, const DrawnPixel& b) {
    if (a.key != b.key)
        return a.key < b.key;
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}

std::string number(double value) {
    char digits[32];
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return std::to_string(static_cast<long long>(value));
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

std::optional<InputError> writeCsv(const std::string& path,
                                   const std::vector<SamplePoint>& points) {
    std::ofstream out(path, std::ios::binary);
    out << "id,stratum,map_class,x,y,row,col,inclusion_probability,weight,reserve,reference\n";
    std::size_t id = 1;
    for (const SamplePoint& p : points)
        out << id++ << ',' << csvField(p.stratum) << ',' << number(p.mapClass) << ',' << number(p.x)
            << ',' << number(p.y) << ',' << p.row << ',' << p.column << ','
            << number(p.inclusionProbability) << ',' << number(p.weight) << ',' << p.reserve
            << ",\n";
    out.close();
    if (!out)
        return maps::readError(path, "it cannot be written");
    return std::nullopt;
}

std::optional<InputError> writeLayer(const std::string& path, const char* driverName,
                                     const std::vector<SamplePoint>& points,
                                     const std::string& crsWkt, const std::string& design) {
    maps::QuietGdalErrors quiet;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    if (driver == nullptr)
        return maps::readError(path, std::string("GDAL has no ") + driverName + " driver");
    GDALDatasetUniquePtr data(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!data)
        return maps::readError(path, maps::gdalReason());
    OGRSpatialReference crs;
    const bool hasCrs = !crsWkt.empty() && crs.importFromWkt(crsWkt.c_str()) == OGRERR_NONE;
    if (hasCrs)
        crs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    OGRLayer* layer = data->CreateLayer("sample", hasCrs ? &crs : nullptr, wkbPoint, nullptr);
    if (layer == nullptr)
        return maps::readError(path, maps::gdalReason());
    if (!design.empty() && layer->SetMetadataItem("DESIGN", design.c_str()) != CE_None)
        return maps::readError(path, maps::gdalReason());
    const std::pair<const char*, OGRFieldType> fields[] = {
        {"id", OFTInteger64},     {"stratum", OFTString},
        {"map_class", OFTReal},   {"x", OFTReal},
        {"y", OFTReal},           {"row", OFTInteger64},
        {"col", OFTInteger64},    {"inclusion_probability", OFTReal},
        {"weight", OFTReal},      {"reserve", OFTInteger},
        {"reference", OFTString},
    };
    for (const auto& [name, type] : fields) {
        OGRFieldDefn field(name, type);
        if (layer->CreateField(&field) != OGRERR_NONE)
            return maps::readError(path, maps::gdalReason());
    }
    if (layer->StartTransaction() != OGRERR_NONE)
        return maps::readError(path, maps::gdalReason());
    GIntBig id = 1;
    for (const SamplePoint& p : points) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        feature->SetField("id", id++);
        feature->SetField("stratum", p.stratum.c_str());
        feature->SetField("map_class", p.mapClass);
        feature->SetField("x", p.x);
        feature->SetField("y", p.y);
        feature->SetField("row", static_cast<GIntBig>(p.row));
        feature->SetField("col", static_cast<GIntBig>(p.column));
        feature->SetField("inclusion_probability", p.inclusionProbability);
        feature->SetField("weight", p.weight);
        feature->SetField("reserve", p.reserve);
        feature->SetField("reference", "");
        OGRPoint point(p.x, p.y);
        feature->SetGeometry(&point);
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return maps::readError(path, maps::gdalReason());
    }
    if (layer->CommitTransaction() != OGRERR_NONE)
        return maps::readError(path, maps::gdalReason());
    data.reset();
    return std::nullopt;
}

// The stratum of each pixel a walk hands on: from the strata raster's slot, or
// from the map's where its classes are the strata, through a table of each
// thread's slots filled in as they are met. A pixel the map leaves out, or of
// no stratum, has none (-1).
class StrataVisitor : public maps::ChunkVisitor {
  public:
    StrataVisitor(const std::vector<double>& strataValues, const maps::LeftOutValues& mapLeftOut,
                  bool byStrata, std::size_t threads)
        : m_mapLeftOut(mapLeftOut), m_byStrata(byStrata), m_tables(threads) {
        for (std::size_t h = 0; h < strataValues.size(); ++h)
            m_stratumOf.emplace(strataValues[h], static_cast<int>(h));
    }

  protected:
    struct Tables {
        std::vector<int> stratumOfSlot;
        std::vector<std::uint8_t> mapValid; // by map slot, with a strata raster
    };

    // The thread's tables, brought up to the chunk's slots.
    const Tables& tablesFor(std::size_t thread, const maps::ChunkSlots& c) {
        Tables& t = m_tables[thread];
        const std::vector<double>& values = m_byStrata ? *c.colValues : c.rowValues;
        while (t.stratumOfSlot.size() < values.size()) {
            const auto found = m_stratumOf.find(values[t.stratumOfSlot.size()]);
            t.stratumOfSlot.push_back(found == m_stratumOf.end() ? -1 : found->second);
        }
        while (t.mapValid.size() < c.rowValues.size()) {
            const double value = c.rowValues[t.mapValid.size()];
            t.mapValid.push_back(!m_mapLeftOut.contains(value) && !std::isnan(value));
        }
        return t;
    }
    int stratumAt(const Tables& t, const maps::ChunkSlots& c, std::size_t i) const {
        if (c.kept != nullptr && c.kept[i] == 0)
            return -1;
        if (!m_byStrata)
            return t.stratumOfSlot[c.rows[i]];
        return t.mapValid[c.rows[i]] != 0 ? t.stratumOfSlot[c.cols[i]] : -1;
    }

  private:
    maps::LeftOutValues m_mapLeftOut;
    bool m_byStrata;
    std::unordered_map<double, int> m_stratumOf;
    std::vector<Tables> m_tables;
};

// Keeps, in each thread, each stratum's pixels of the smallest keys: a heap
// per stratum whose top is the largest key kept.
class Drawer final : public StrataVisitor {
  public:
    Drawer(const DrawRequest& request, const maps::LeftOutValues& mapLeftOut, bool byStrata,
           std::size_t threads)
        : StrataVisitor(request.strataValues, mapLeftOut, byStrata, threads), m_keep(request.keep),
          m_seedKey(mix(request.seed)), m_threads(threads) {
        for (Own& own : m_threads) {
            own.heaps.resize(m_keep.size());
            for (std::uint64_t keep : m_keep)
                own.bound.push_back(keep == 0 ? 0 : UINT64_MAX);
        }
    }

    void Chunk(std::size_t thread, const maps::ChunkSlots& c) override {
        const Tables& tables = tablesFor(thread, c);
        Own& own = m_threads[thread];
        for (std::int64_t r = 0; r < c.height; ++r) {
            const std::int64_t row = c.y + r;
            const std::uint64_t rowKey = mix(m_seedKey ^ static_cast<std::uint64_t>(row));
            const std::size_t from = static_cast<std::size_t>(r * c.width);
            for (std::size_t i = from; i < from + static_cast<std::size_t>(c.width); ++i) {
                const int h = stratumAt(tables, c, i);
                if (h < 0)
                    continue;
                const std::int64_t column = c.x + static_cast<std::int64_t>(i - from);
                const std::uint64_t key = mix(rowKey ^ static_cast<std::uint64_t>(column));
                if (key <= own.bound[static_cast<std::size_t>(h)])
                    keep(own, static_cast<std::size_t>(h),
                         DrawnPixel{key, row, column, c.rowValues[c.rows[i]], 0, 0});
            }
        }
    }

    // Each stratum's kept pixels of every thread, in the order of their keys.
    std::vector<std::vector<DrawnPixel>> Strata() {
        std::vector<std::vector<DrawnPixel>> strata(m_keep.size());
        for (std::size_t h = 0; h < m_keep.size(); ++h) {
            for (Own& own : m_threads)
                strata[h].insert(strata[h].end(), own.heaps[h].begin(), own.heaps[h].end());
            std::sort(strata[h].begin(), strata[h].end(), before);
            if (strata[h].size() > m_keep[h])
                strata[h].resize(m_keep[h]);
        }
        return strata;
    }

  private:
    struct Own {
        std::vector<std::vector<DrawnPixel>> heaps;
        std::vector<std::uint64_t> bound; // no key above it is kept
    };

    void keep(Own& own, std::size_t h, const DrawnPixel& pixel) const {
        std::vector<DrawnPixel>& heap = own.heaps[h];
        if (heap.size() < m_keep[h]) {
            heap.push_back(pixel);
            std::push_heap(heap.begin(), heap.end(), before);
        } else if (before(pixel, heap.front())) {
            std::pop_heap(heap.begin(), heap.end(), before);
            heap.back() = pixel;
            std::push_heap(heap.begin(), heap.end(), before);
        }
        if (heap.size() == m_keep[h])
            own.bound[h] = heap.front().key;
    }

    std::vector<std::uint64_t> m_keep;
    std::uint64_t m_seedKey;
    std::vector<Own> m_threads;
};

// Sums, in each thread, the area of each stratum's pixels, row by row.
class AreaSummer final : public StrataVisitor {
  public:
    AreaSummer(const DrawRequest& request, const maps::LeftOutValues& mapLeftOut, bool byStrata,
               std::size_t threads, const maps::PixelAreas& areas)
        : StrataVisitor(request.strataValues, mapLeftOut, byStrata, threads), m_areas(areas),
          m_sums(threads, std::vector<double>(request.strataValues.size(), 0.0)) {}

    void Chunk(std::size_t thread, const maps::ChunkSlots& c) override {
        const Tables& tables = tablesFor(thread, c);
        std::vector<double>& sums = m_sums[thread];
        for (std::int64_t r = 0; r < c.height; ++r) {
            const double area = m_areas.ofRow(c.y + r);
            const std::size_t from = static_cast<std::size_t>(r * c.width);
            for (std::size_t i = from; i < from + static_cast<std::size_t>(c.width); ++i)
                if (const int h = stratumAt(tables, c, i); h >= 0)
                    sums[static_cast<std::size_t>(h)] += area;
        }
    }

    std::vector<double> Areas() const {
        std::vector<double> areas(m_sums.front().size(), 0.0);
        for (const std::vector<double>& sums : m_sums)
            for (std::size_t h = 0; h < areas.size(); ++h)
                areas[h] += sums[h];
        return areas;
    }

  private:
    const maps::PixelAreas& m_areas;
    std::vector<std::vector<double>> m_sums;
};

// The map and the strata raster of a draw, opened and checked, with the window
// and the threads to walk it in.
struct Opened {
    GDALDatasetUniquePtr map;
    GDALRasterBand* band = nullptr;
    maps::BandSource mapSource;
    std::optional<maps::BandSource> strataSource;
    PixelWindow window;
    std::size_t threads = 1;

    std::optional<InputError> walk(ProgressSink& progress, maps::ChunkVisitor& visitor) const {
        return maps::walkInThreads(*band, mapSource, strataSource ? &*strataSource : nullptr,
                                   window, threads, progress, visitor);
    }
};

std::variant<Opened, InputError> open(const DrawRequest& request) {
    Opened o;
    auto opened = maps::openInput(request.mapPath, GDAL_OF_RASTER, "is not a raster");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    o.map = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto mapBand = maps::bandOf(*o.map, request.mapBand, request.mapPath, "--map-band");
    if (auto* error = std::get_if<InputError>(&mapBand))
        return *error;
    o.band = std::get<GDALRasterBand*>(mapBand);
    o.mapSource =
        maps::bandSourceOf(*o.band, request.mapPath, request.mapBand, request.nodata, "map");
    if (!request.strataPath.empty()) {
        auto openedStrata = maps::openInput(request.strataPath, GDAL_OF_RASTER, "is not a raster");
        if (auto* error = std::get_if<InputError>(&openedStrata))
            return *error;
        GDALDatasetUniquePtr strata = std::move(std::get<GDALDatasetUniquePtr>(openedStrata));
        if (auto error = maps::checkSameGrid(*o.map, *strata, "strata raster"))
            return *error;
        auto strataBand = maps::bandOf(*strata, 1, request.strataPath, "--strata");
        if (auto* error = std::get_if<InputError>(&strataBand))
            return *error;
        o.strataSource = maps::bandSourceOf(*std::get<GDALRasterBand*>(strataBand),
                                            request.strataPath, 1, request.nodata, "strata raster");
    }
    MapRequest windowRequest;
    windowRequest.window = request.window;
    windowRequest.threads = request.threads;
    auto windowOf = maps::windowOf(windowRequest, *o.map);
    if (auto* error = std::get_if<InputError>(&windowOf))
        return *error;
    o.window = std::get<PixelWindow>(windowOf);
    o.threads = maps::threadsFor(windowRequest, *o.band, o.window);
    return o;
}

} // namespace

std::uint64_t PixelKey(std::uint64_t seed, std::int64_t row, std::int64_t column) {
    return mix(mix(mix(seed) ^ static_cast<std::uint64_t>(row)) ^
               static_cast<std::uint64_t>(column));
}

std::variant<DrawnSample, InputError> DrawPixels(const DrawRequest& request,
                                                 ProgressSink& progress) {
    maps::QuietGdalErrors quiet;
    auto opened = open(request);
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    Opened& o = std::get<Opened>(opened);
    Drawer drawer(request, o.mapSource.leftOut, o.strataSource.has_value(), o.threads);
    if (auto error = o.walk(progress, drawer))
        return *error;

    DrawnSample out;
    if (const OGRSpatialReference* crs = o.map->GetSpatialRef(); crs != nullptr) {
        char* wkt = nullptr;
        crs->exportToWkt(&wkt);
        out.crsWkt = wkt != nullptr ? wkt : "";
        CPLFree(wkt);
    }
    double transform[6] = {0, 1, 0, 0, 0, 1};
    o.map->GetGeoTransform(transform);
    out.strata = drawer.Strata();
    for (std::vector<DrawnPixel>& stratum : out.strata)
        for (DrawnPixel& p : stratum) {
            const double col = static_cast<double>(p.column) + 0.5,
                         row = static_cast<double>(p.row) + 0.5;
            p.x = transform[0] + col * transform[1] + row * transform[2];
            p.y = transform[3] + col * transform[4] + row * transform[5];
        }
    return out;
}

std::variant<StrataAreas, InputError> AreasOfStrata(const DrawRequest& request,
                                                    const std::vector<double>& pixels,
                                                    ProgressSink& progress) {
    maps::QuietGdalErrors quiet;
    auto opened = open(request);
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    Opened& o = std::get<Opened>(opened);
    auto areasOf = maps::pixelAreasOf(*o.map);
    if (auto* error = std::get_if<InputError>(&areasOf))
        return *error;
    const maps::PixelAreas& areas = std::get<maps::PixelAreas>(areasOf);
    StrataAreas out;
    out.unit = areas.unit;
    if (!areas.geographic) {
        for (double n : pixels)
            out.areas.push_back(n * areas.perPixel);
        return out;
    }
    AreaSummer summer(request, o.mapSource.leftOut, o.strataSource.has_value(), o.threads, areas);
    if (auto error = o.walk(progress, summer))
        return *error;
    out.areas = summer.Areas();
    return out;
}

std::optional<InputError> WriteSamplePoints(const std::string& path,
                                            const std::vector<SamplePoint>& points,
                                            const std::string& crsWkt, const std::string& design) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".csv")
        return writeCsv(path, points);
    if (extension == ".gpkg")
        return writeLayer(path, "GPKG", points, crsWkt, design);
    if (extension == ".geojson")
        return writeLayer(path, "GeoJSON", points, crsWkt, {});
    return maps::badInput("the points go to a .gpkg, .geojson or .csv file, not " + path);
}

} // namespace brennic
