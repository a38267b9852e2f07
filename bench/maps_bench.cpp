// Speed of counting from maps: 10^8 pixel pairs of two uint8 rasters tiled 256 x
// 256 held in GDAL's memory file system, ten classes in patches and no-data 0 on
// both, in one thread and in two. The count is checked against a plain loop's.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gdal_priv.h>

#include "maps/map_counting.h"

namespace {

constexpr int Size = 10000;

struct MemoryMaps {
    std::string map = "/vsimem/brennic-bench-map.tif", reference = "/vsimem/brennic-bench-ref.tif";
    std::uint64_t counted = 0, diagonal = 0;
    bool written = true;

    MemoryMaps() {
        GDALAllRegister();
        GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("GTiff");
        const char* options[] = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", nullptr};
        GDALDatasetUniquePtr m(
            driver->Create(map.c_str(), Size, Size, 1, GDT_Byte, const_cast<char**>(options)));
        GDALDatasetUniquePtr r(driver->Create(reference.c_str(), Size, Size, 1, GDT_Byte,
                                              const_cast<char**>(options)));
        m->GetRasterBand(1)->SetNoDataValue(0);
        r->GetRasterBand(1)->SetNoDataValue(0);
        std::vector<std::uint8_t> mapRows(Size * 256), referenceRows(Size * 256);
        for (int y0 = 0; y0 < Size; y0 += 256) {
            const int rows = std::min(256, Size - y0);
            for (int i = 0; i < rows * Size; ++i) {
                const int x = i % Size, y = y0 + i / Size;
                const int v = y < 500 ? 0 : 1 + (x / 97 + (y / 131) * 3) % 10;
                const int w = x < 500 ? 0 : (x * 7 + y) % 10 == 0 ? 1 + v % 10 : v;
                mapRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
                referenceRows[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(w);
                if (v != 0 && w != 0) {
                    ++counted;
                    diagonal += v == w;
                }
            }
            written =
                written &&
                m->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, rows, mapRows.data(), Size,
                                              rows, GDT_Byte, 0, 0, nullptr) == CE_None &&
                r->GetRasterBand(1)->RasterIO(GF_Write, 0, y0, Size, rows, referenceRows.data(),
                                              Size, rows, GDT_Byte, 0, 0, nullptr) == CE_None;
        }
    }
    ~MemoryMaps() {
        VSIUnlink(map.c_str());
        VSIUnlink(reference.c_str());
    }
};

void BM_CountMaps(benchmark::State& state) {
    static const MemoryMaps maps;
    brennic::MapRequest request;
    request.mapPath = maps.map;
    request.referencePath = maps.reference;
    request.threads = static_cast<int>(state.range(0));
    brennic::NoProgress progress;
    {
        auto result = brennic::CountMaps(request, progress);
        const auto* count = std::get_if<brennic::MapCount>(&result);
        std::uint64_t diagonal = 0;
        const std::size_t n = count ? count->classValues.size() : 0;
        for (std::size_t k = 0; k < n; ++k)
            diagonal += count->counts[k * n + k];
        if (!maps.written || !count || count->source.counted != maps.counted ||
            diagonal != maps.diagonal) {
            state.SkipWithError("the count differs from the plain loop's");
            return;
        }
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(brennic::CountMaps(request, progress));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(Size) * Size);
}
BENCHMARK(BM_CountMaps)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
