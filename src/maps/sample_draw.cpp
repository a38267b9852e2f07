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
                                     const std::string& crsWkt) {
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

// Keeps, in each thread, each stratum's pixels of the smallest keys: a heap
// per stratum whose top is the largest key kept. A pixel's stratum comes from
// a table by slot, filled in as the slots are met.
class Drawer final : public maps::ChunkVisitor {
  public:
    Drawer(const DrawRequest& request, const maps::LeftOutValues& mapLeftOut, bool byStrata,
           std::size_t threads)
        : m_keep(request.keep), m_seedKey(mix(request.seed)), m_mapLeftOut(mapLeftOut),
          m_byStrata(byStrata), m_threads(threads) {
        for (std::size_t h = 0; h < request.strataValues.size(); ++h)
            m_stratumOf.emplace(request.strataValues[h], static_cast<int>(h));
        for (Own& own : m_threads) {
            own.heaps.resize(m_keep.size());
            own.bound.resize(m_keep.size());
            for (std::size_t h = 0; h < m_keep.size(); ++h)
                own.bound[h] = m_keep[h] == 0 ? 0 : UINT64_MAX;
        }
    }

    void Chunk(std::size_t thread, const maps::ChunkSlots& c) override {
        Own& own = m_threads[thread];
        const std::vector<double>& strataValues = m_byStrata ? *c.colValues : c.rowValues;
        while (own.stratumOfSlot.size() < strataValues.size()) {
            const auto found = m_stratumOf.find(strataValues[own.stratumOfSlot.size()]);
            own.stratumOfSlot.push_back(found == m_stratumOf.end() ? -1 : found->second);
        }
        while (own.mapValid.size() < c.rowValues.size())
            own.mapValid.push_back(!m_mapLeftOut.contains(c.rowValues[own.mapValid.size()]) &&
                                   !std::isnan(c.rowValues[own.mapValid.size()]));
        const std::uint8_t* strataSlots = m_byStrata ? c.cols : c.rows;
        for (std::int64_t r = 0; r < c.height; ++r) {
            const std::int64_t row = c.y + r;
            const std::uint64_t rowKey = mix(m_seedKey ^ static_cast<std::uint64_t>(row));
            const std::size_t from = static_cast<std::size_t>(r * c.width);
            for (std::size_t i = from; i < from + static_cast<std::size_t>(c.width); ++i) {
                const int h = own.stratumOfSlot[strataSlots[i]];
                if (h < 0 || (c.kept != nullptr && c.kept[i] == 0) ||
                    (m_byStrata && !own.mapValid[c.rows[i]]))
                    continue;
                const std::int64_t column = c.x + static_cast<std::int64_t>(i - from);
                const std::uint64_t key = mix(rowKey ^ static_cast<std::uint64_t>(column));
                if (key > own.bound[static_cast<std::size_t>(h)])
                    continue;
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
        std::vector<int> stratumOfSlot;   // -1: no stratum
        std::vector<bool> mapValid;       // by map slot, with a strata raster
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
    maps::LeftOutValues m_mapLeftOut;
    bool m_byStrata;
    std::unordered_map<double, int> m_stratumOf;
    std::vector<Own> m_threads;
};

maps::BandSource sourceOf(GDALRasterBand& band, const std::string& path, int number,
                          const std::optional<double>& nodata, const char* side) {
    return {path,
            number,
            band.GetRasterDataType(),
            maps::leftOutOf(band, nodata),
            side,
            maps::hasMask(band),
            maps::isSignedByte(band)};
}

} // namespace

std::uint64_t PixelKey(std::uint64_t seed, std::int64_t row, std::int64_t column) {
    return mix(mix(mix(seed) ^ static_cast<std::uint64_t>(row)) ^
               static_cast<std::uint64_t>(column));
}

std::variant<DrawnSample, InputError> DrawPixels(const DrawRequest& request,
                                                 ProgressSink& progress) {
    maps::QuietGdalErrors quiet;
    auto opened = maps::openInput(request.mapPath, GDAL_OF_RASTER, "is not a raster");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    GDALDatasetUniquePtr map = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto mapBand = maps::bandOf(*map, request.mapBand, request.mapPath, "--map-band");
    if (auto* error = std::get_if<InputError>(&mapBand))
        return *error;
    GDALRasterBand& band = *std::get<GDALRasterBand*>(mapBand);
    const maps::BandSource mapSource =
        sourceOf(band, request.mapPath, request.mapBand, request.nodata, "map");
    std::optional<maps::BandSource> strataSource;
    if (!request.strataPath.empty()) {
        auto openedStrata = maps::openInput(request.strataPath, GDAL_OF_RASTER, "is not a raster");
        if (auto* error = std::get_if<InputError>(&openedStrata))
            return *error;
        GDALDatasetUniquePtr strata = std::move(std::get<GDALDatasetUniquePtr>(openedStrata));
        if (auto error = maps::checkSameGrid(*map, *strata, "strata raster"))
            return *error;
        auto strataBand = maps::bandOf(*strata, 1, request.strataPath, "--strata");
        if (auto* error = std::get_if<InputError>(&strataBand))
            return *error;
        strataSource = sourceOf(*std::get<GDALRasterBand*>(strataBand), request.strataPath, 1,
                                request.nodata, "strata raster");
    }
    MapRequest windowRequest;
    windowRequest.window = request.window;
    windowRequest.threads = request.threads;
    auto windowOf = maps::windowOf(windowRequest, *map);
    if (auto* error = std::get_if<InputError>(&windowOf))
        return *error;
    const PixelWindow window = std::get<PixelWindow>(windowOf);

    const std::size_t threads = maps::threadsFor(windowRequest, band, window);
    Drawer drawer(request, mapSource.leftOut, strataSource.has_value(), threads);
    if (auto error = maps::walkInThreads(band, mapSource, strataSource ? &*strataSource : nullptr,
                                         window, threads, progress, drawer))
        return *error;

    DrawnSample out;
    if (const OGRSpatialReference* crs = map->GetSpatialRef(); crs != nullptr) {
        char* wkt = nullptr;
        crs->exportToWkt(&wkt);
        out.crsWkt = wkt != nullptr ? wkt : "";
        CPLFree(wkt);
    }
    double transform[6] = {0, 1, 0, 0, 0, 1};
    map->GetGeoTransform(transform);
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

std::optional<InputError> WriteSamplePoints(const std::string& path,
                                            const std::vector<SamplePoint>& points,
                                            const std::string& crsWkt) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".csv")
        return writeCsv(path, points);
    if (extension == ".gpkg")
        return writeLayer(path, "GPKG", points, crsWkt);
    if (extension == ".geojson")
        return writeLayer(path, "GeoJSON", points, crsWkt);
    return maps::badInput("the points go to a .gpkg, .geojson or .csv file, not " + path);
}

} // namespace brennic
