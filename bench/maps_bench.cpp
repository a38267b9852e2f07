// Speed of counting from maps: 10^8 pixel pairs of two uint8 rasters tiled 256 x
// 256 held in GDAL's memory file system, ten classes in patches and no-data 0 on
// both, in one thread and in two, and with a third raster compared in the same
// pass; and a million points of a GeoPackage on a
// DEFLATE map of 10^8 pixels, beside the same map counted against itself. Each
// count is checked against a plain loop's. And the draw of 100 pixels from each
// of the ten classes of the first map, beside counting it against itself.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "maps/map_counting.h"
#include "maps/sample_draw.h"

namespace {

constexpr int Size = 10000;

struct MemoryMaps {
    std::string map = "/vsimem/brennic-bench-map.tif", reference = "/vsimem/brennic-bench-ref.tif",
                compared = "/vsimem/brennic-bench-compared.tif";
    std::uint64_t counted = 0, diagonal = 0;
    // With the compared map: the pixels valid on all three, those right in both.
    std::uint64_t countedThree = 0, bothRight = 0;
    bool written = true;

    MemoryMaps() {
        GDALAllRegister();
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
        const char* options[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", nullptr};
        GDALDatasetUniquePtr m(
            driver->Create(map.c_str(), Size, Size, 1, GDT_Byte, const_cast<char**>(options)));
        GDALDatasetUniquePtr r(driver->Create(reference.c_str(), Size, Size, 1, GDT_Byte,
                                              const_cast<char**>(options)));
        GDALDatasetUniquePtr c(
            driver->Create(compared.c_str(), Size, Size, 1, GDT_Byte, const_cast<char**>(options)));
        m->GetRasterBand(1)->SetNoDataValue(0);
        r->GetRasterBand(1)->SetNoDataValue(0);
        c->GetRasterBand(1)->SetNoDataValue(0);
        std::vector<std::uint8_t> mapRows(Size * 256), referenceRows(Size * 256),
            comparedRows(Size * 256);
        for (int y0 = 0; y0 < Size; y0 += 256) {
            const int rows = std::min(256, Size - y0);
            for (int i = 0; i < rows * Size; ++i) {
                const int x = i % Size, y = y0 + i / Size;
                const int v = y < 500 ? 0 : 1 + (x / 97 + (y / 131) * 3) % 10;
                const int w = x < 500 ? 0 : (x * 7 + y) % 10 == 0 ? 1 + v % 10 : v;
                // The compared map: the reference but on every 13th pixel of a
                // diagonal stripe, and no-data in its last 300 rows.
                const int u = y >= Size - 300 ? 0 : (x + 2 * y) % 13 == 0 ? 1 + w % 10 : w;
                mapRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
                referenceRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(w);
                comparedRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u);
                if (v != 0 && w != 0) {
                    ++counted;
                    diagonal += v == w;
                }
                if (v != 0 && w != 0 && u != 0) {
                    ++countedThree;
                    bothRight += v == w && u == w;
                }
            }
            written =
                written &&
                m->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, rows, mapRows.data(), Size,
                                              rows, GDT_Byte, 0, 0, nullptr) == CE_None &&
                r->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, rows, referenceRows.data(),
                                              Size, rows, GDT_Byte, 0, 0, nullptr) == CE_None &&
                c->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, rows, comparedRows.data(),
                                              Size, rows, GDT_Byte, 0, 0, nullptr) == CE_None;
        }
    }
    ~MemoryMaps() {
        VSIUnlink(map.c_str());
        VSIUnlink(reference.c_str());
        VSIUnlink(compared.c_str());
    }
};

// The pixels both maps got right, from the triples of a comparing count.
std::uint64_t bothRight(const brennic::MapCount& count) {
    std::uint64_t right = 0;
    for (const auto& cell : count.compared->cells)
        right += cell.map == cell.reference && cell.compared == cell.reference ? cell.count : 0;
    return right;
}

// The map against the reference in one thread and in two; with a second
// argument of 1, the map and the compared map against it in one pass.
void BM_CountMaps(benchmark::State& state) {
    static const MemoryMaps maps;
    brennic::MapRequest request;
    request.mapPath = maps.map;
    request.referencePath = maps.reference;
    request.threads = static_cast<int>(state.range(0));
    const bool comparing = state.range(1) != 0;
    if (comparing)
        request.comparedPath = maps.compared;
    brennic::NoProgress progress;
    {
        auto result = brennic::CountMaps(request, progress);
        const auto* count = std::get_if<brennic::MapCount>(&result);
        if (!maps.written || !count ||
            (comparing ? !count->compared || count->source.counted != maps.countedThree ||
                             bothRight(*count) != maps.bothRight
                       : count->source.counted != maps.counted)) {
            state.SkipWithError("the count differs from the plain loop's");
            return;
        }
        std::uint64_t diagonal = 0;
        const std::size_t n = count->classValues.size();
        for (std::size_t k = 0; k < n; ++k)
            diagonal += count->counts[k * n + k];
        if (!comparing && diagonal != maps.diagonal) {
            state.SkipWithError("the count differs from the plain loop's");
            return;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(brennic::CountMaps(request, progress));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Size) * Size);
}
BENCHMARK(BM_CountMaps)
    ->ArgNames({"threads", "comparing"})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 100 pixels of each class and 10 reserves, in one thread and in two: every
// stratum gets them all, each pixel of its class.
void BM_DrawSample(benchmark::State& state) {
    static const MemoryMaps maps;
    brennic::DrawRequest request;
    request.mapPath = maps.map;
    request.threads = static_cast<int>(state.range(0));
    for (int v = 1; v <= 10; ++v) {
        request.strataValues.push_back(v);
        request.keep.push_back(110);
    }
    brennic::NoProgress progress;
    {
        auto result = brennic::DrawPixels(request, progress);
        const auto* drawn = std::get_if<brennic::DrawnSample>(&result);
        bool whole = maps.written && drawn != nullptr && drawn->strata.size() == 10;
        for (std::size_t h = 0; whole && h < 10; ++h) {
            whole = drawn->strata[h].size() == 110;
            for (const brennic::DrawnPixel& p : drawn->strata[h])
                whole = whole && p.mapValue == static_cast<double>(h + 1);
        }
        if (!whole) {
            state.SkipWithError("the draw is not 110 pixels of each class");
            return;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(brennic::DrawPixels(request, progress));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Size) * Size);
}
BENCHMARK(BM_DrawSample)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A DEFLATE map of the ten classes in patches, tiled 256 x 256, on 10 m pixels,
// and a million points at the centres of pixels spread over it, each holding
// the map's class but for every tenth, which holds the next class.
struct PointsOnDeflateMap {
    std::string map = "/vsimem/brennic-bench-deflate.tif",
                points = "/vsimem/brennic-bench-points.gpkg";
    static constexpr int Points = 1000000;
    std::uint64_t diagonal = 0;
    bool written = true;

    static int classAt(int x, int y) { return 1 + (x / 97 + (y / 131) * 3) % 10; }

    PointsOnDeflateMap() {
        GDALAllRegister();
        OGRSpatialReference crs;
        crs.importFromEPSG(32632);
        const char* options[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256",
                                 "COMPRESS=DEFLATE", nullptr};
        GDALDatasetUniquePtr m(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
            map.c_str(), Size, Size, 1, GDT_Byte, const_cast<char**>(options)));
        double transform[6] = {500000, 10, 0, 4000000, 0, -10};
        m->SetGeoTransform(transform);
        m->SetSpatialRef(&crs);
        std::vector<std::uint8_t> rows(Size * 256);
        for (int y0 = 0; y0 < Size; y0 += 256) {
            const int n = std::min(256, Size - y0);
            for (int i = 0; i < n * Size; ++i)
                rows[static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(classAt(i % Size, y0 + i / Size));
            written = written &&
                      m->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, n, rows.data(), Size, n,
                                                    GDT_Byte, 0, 0, nullptr) == CE_None;
        }
        m.reset();
        const char* layerOptions[] = {"SPATIAL_INDEX=NO", nullptr};
        GDALDatasetUniquePtr p(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
            points.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        OGRLayer* layer =
            p ? p->CreateLayer("points", &crs, wkbPoint, const_cast<char**>(layerOptions))
              : nullptr;
        OGRFieldDefn field("class", OFTInteger);
        written = written && layer != nullptr && layer->CreateField(&field) == OGRERR_NONE &&
                  layer->StartTransaction() == OGRERR_NONE;
        std::uint64_t state = 35;
        for (int i = 0; written && i < Points; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            const int x = static_cast<int>((state >> 20) % Size),
                      y = static_cast<int>((state >> 44) % Size);
            const int v = classAt(x, y), given = i % 10 == 0 ? v % 10 + 1 : v;
            diagonal += v == given;
            OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
            feature->SetField(0, given);
            feature->SetGeometryDirectly(new OGRPoint(500005.0 + 10.0 * x, 3999995.0 - 10.0 * y));
            written = layer->CreateFeature(feature.get()) == OGRERR_NONE;
        }
        written = written && layer->CommitTransaction() == OGRERR_NONE;
    }
    ~PointsOnDeflateMap() {
        VSIUnlink(map.c_str());
        VSIUnlink(points.c_str());
    }
};

// The DEFLATE map against itself, and against the points: every point is counted,
// nine in ten on the diagonal.
void BM_CountDeflateMap(benchmark::State& state) {
    static const PointsOnDeflateMap maps;
    const bool points = state.range(0) != 0;
    brennic::MapRequest request;
    request.mapPath = maps.map;
    request.referencePath = points ? maps.points : maps.map;
    if (points)
        request.referenceField = "class";
    brennic::NoProgress progress;
    {
        auto result = brennic::CountMaps(request, progress);
        const auto* count = std::get_if<brennic::MapCount>(&result);
        std::uint64_t diagonal = 0;
        const std::size_t n = count ? count->classValues.size() : 0;
        for (std::size_t k = 0; k < n; ++k)
            diagonal += count->counts[k * n + k];
        const std::uint64_t pairs =
            points ? PointsOnDeflateMap::Points : static_cast<std::uint64_t>(Size) * Size;
        if (!maps.written || !count || count->source.counted != pairs ||
            diagonal != (points ? maps.diagonal : pairs)) {
            state.SkipWithError("the count differs from the plain loop's");
            return;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(brennic::CountMaps(request, progress));
    state.SetLabel(points ? "a million points" : "the map against itself");
}
BENCHMARK(BM_CountDeflateMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
