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

// One band of a raster read a strip of rows at a time, with its mask.
struct Strip {
    GDALRasterBand* band = nullptr;
    maps::LeftOutValues leftOut;
    bool masked = false, signedBytes = false;
    std::vector<double> values;
    std::vector<GByte> mask;

    bool read(std::int64_t x, std::int64_t y, int width, int height) {
        const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        values.resize(count);
        if (band->RasterIO(GF_Read, static_cast<int>(x), static_cast<int>(y), width, height,
                           values.data(), width, height, GDT_Float64, 0, 0) != CE_None)
            return false;
        if (signedBytes)
            for (double& v : values)
                v = maps::signedByteValue(v);
        if (!masked)
            return true;
        mask.resize(count);
        return band->GetMaskBand()->RasterIO(GF_Read, static_cast<int>(x), static_cast<int>(y),
                                             width, height, mask.data(), width, height, GDT_Byte, 0,
                                             0) == CE_None;
    }
    bool valid(std::size_t at) const {
        const double v = values[at];
        return !std::isnan(v) && !leftOut.contains(v) && (!masked || mask[at] != 0);
    }
};

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

} // namespace

std::uint64_t PixelKey(std::uint64_t seed, std::int64_t row, std::int64_t column) {
    return mix(mix(mix(seed) ^ static_cast<std::uint64_t>(row)) ^
               static_cast<std::uint64_t>(column));
}

std::variant<DrawnSample, InputError> DrawPixels(const DrawRequest& request) {
    maps::QuietGdalErrors quiet;
    auto opened = maps::openInput(request.mapPath, GDAL_OF_RASTER, "is not a raster");
    if (auto* error = std::get_if<InputError>(&opened))
        return *error;
    GDALDatasetUniquePtr map = std::move(std::get<GDALDatasetUniquePtr>(opened));
    auto mapBand = maps::bandOf(*map, request.mapBand, request.mapPath, "--map-band");
    if (auto* error = std::get_if<InputError>(&mapBand))
        return *error;
    Strip mapStrip{std::get<GDALRasterBand*>(mapBand), {}, false, false, {}, {}};
    mapStrip.leftOut = maps::leftOutOf(*mapStrip.band, request.nodata);
    mapStrip.masked = maps::hasMask(*mapStrip.band);
    mapStrip.signedBytes = maps::isSignedByte(*mapStrip.band);
    GDALDatasetUniquePtr strata;
    Strip strataStrip;
    if (!request.strataPath.empty()) {
        auto openedStrata = maps::openInput(request.strataPath, GDAL_OF_RASTER, "is not a raster");
        if (auto* error = std::get_if<InputError>(&openedStrata))
            return *error;
        strata = std::move(std::get<GDALDatasetUniquePtr>(openedStrata));
        if (auto error = maps::checkSameGrid(*map, *strata, "strata raster"))
            return *error;
        auto band = maps::bandOf(*strata, 1, request.strataPath, "--strata");
        if (auto* error = std::get_if<InputError>(&band))
            return *error;
        strataStrip.band = std::get<GDALRasterBand*>(band);
        strataStrip.leftOut = maps::leftOutOf(*strataStrip.band, request.nodata);
        strataStrip.masked = maps::hasMask(*strataStrip.band);
        strataStrip.signedBytes = maps::isSignedByte(*strataStrip.band);
    }
    MapRequest windowRequest;
    windowRequest.window = request.window;
    auto windowOf = maps::windowOf(windowRequest, *map);
    if (auto* error = std::get_if<InputError>(&windowOf))
        return *error;
    const PixelWindow window = std::get<PixelWindow>(windowOf);
    double transform[6] = {0, 1, 0, 0, 0, 1};
    map->GetGeoTransform(transform);

    std::unordered_map<double, std::size_t> stratumOf;
    for (std::size_t h = 0; h < request.strataValues.size(); ++h)
        stratumOf.emplace(request.strataValues[h], h);
    // Each stratum's kept pixels as a heap whose top is the largest key kept.
    std::vector<std::vector<DrawnPixel>> heaps(request.strataValues.size());
    const auto later = [](const DrawnPixel& a, const DrawnPixel& b) { return before(a, b); };
    int rowsPerStrip = 0, blockWidth = 0;
    mapStrip.band->GetBlockSize(&blockWidth, &rowsPerStrip);
    rowsPerStrip = std::max(1, std::min(rowsPerStrip, 256));
    const int width = static_cast<int>(window.xSize);
    for (std::int64_t y = window.yOffset; y < window.yOffset + window.ySize; y += rowsPerStrip) {
        const int height = static_cast<int>(
            std::min<std::int64_t>(rowsPerStrip, window.yOffset + window.ySize - y));
        if (!mapStrip.read(window.xOffset, y, width, height))
            return maps::readError(request.mapPath, maps::gdalReason());
        if (strataStrip.band != nullptr && !strataStrip.read(window.xOffset, y, width, height))
            return maps::readError(request.strataPath, maps::gdalReason());
        std::size_t at = 0;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c, ++at) {
                if (!mapStrip.valid(at) || (strataStrip.band != nullptr && !strataStrip.valid(at)))
                    continue;
                const double stratum =
                    strataStrip.band != nullptr ? strataStrip.values[at] : mapStrip.values[at];
                const auto found = stratumOf.find(stratum);
                if (found == stratumOf.end())
                    continue;
                const std::size_t h = found->second;
                const std::int64_t row = y + r, column = window.xOffset + c;
                DrawnPixel pixel{
                    PixelKey(request.seed, row, column), row, column, mapStrip.values[at], 0, 0};
                std::vector<DrawnPixel>& heap = heaps[h];
                if (heap.size() < request.keep[h]) {
                    heap.push_back(pixel);
                    std::push_heap(heap.begin(), heap.end(), later);
                } else if (!heap.empty() && before(pixel, heap.front())) {
                    std::pop_heap(heap.begin(), heap.end(), later);
                    heap.back() = pixel;
                    std::push_heap(heap.begin(), heap.end(), later);
                }
            }
    }
    DrawnSample out;
    if (const OGRSpatialReference* crs = map->GetSpatialRef(); crs != nullptr) {
        char* wkt = nullptr;
        crs->exportToWkt(&wkt);
        out.crsWkt = wkt != nullptr ? wkt : "";
        CPLFree(wkt);
    }
    for (std::vector<DrawnPixel>& heap : heaps) {
        std::sort_heap(heap.begin(), heap.end(), later);
        for (DrawnPixel& p : heap) {
            const double col = static_cast<double>(p.column) + 0.5,
                         row = static_cast<double>(p.row) + 0.5;
            p.x = transform[0] + col * transform[1] + row * transform[2];
            p.y = transform[3] + col * transform[4] + row * transform[5];
        }
        out.strata.push_back(std::move(heap));
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
