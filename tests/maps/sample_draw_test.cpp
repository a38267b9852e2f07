// The draw of a stratified sample from a map: every valid pixel of a stratum
// equally likely, and the same points for the same seed however the map is
// stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "../core/test_support.h"
#include "map_files.h"
#include "maps/sample_draw.h"

namespace brennic::test {
namespace {

class SampleDrawTest : public TempDirTest {
  protected:
    std::string raster(const std::string& name, const Raster& r) {
        const std::string path = (dir / name).string();
        EXPECT_TRUE(WriteRaster(path, r)) << name;
        return path;
    }
    static DrawnSample drawn(const DrawRequest& request) {
        NoProgress silent;
        auto result = DrawPixels(request, silent);
        const auto* e = std::get_if<InputError>(&result);
        EXPECT_FALSE(e) << e->message;
        return e ? DrawnSample{} : std::get<DrawnSample>(result);
    }
};

// One pixel of each class drawn with 2,000 seeds: class 3 covers 5 pixels, one on
// the map's no-data value 9, so each of the other 4 should be drawn 500 times.
// Chi-square with 3 degrees of freedom stays below 16.27, its 0.999 point, for
// this fixed list of seeds; a pixel favoured by a tenth would pass it.
TEST_F(SampleDrawTest, EveryValidPixelEquallyLikely) {
    std::vector<double> values = SmallMap;
    values[10] = 9; // one of class 3's pixels is no-data
    DrawRequest request;
    request.mapPath = raster("map.tif", Raster(4, 3, values, 9.0));
    request.strataValues = {1, 2, 3};
    request.keep = {1, 1, 1};
    std::map<std::pair<std::int64_t, std::int64_t>, int> times;
    const int seeds = 2000;
    for (int seed = 1; seed <= seeds; ++seed) {
        request.seed = static_cast<std::uint64_t>(seed);
        const DrawnSample sample = drawn(request);
        ASSERT_EQ(sample.strata.size(), 3u);
        ASSERT_EQ(sample.strata[2].size(), 1u);
        const DrawnPixel& p = sample.strata[2][0];
        ASSERT_EQ(values[static_cast<std::size_t>(p.row * 4 + p.column)], 3);
        ++times[{p.row, p.column}];
    }
    ASSERT_EQ(times.size(), 4u); // the no-data pixel is never drawn
    double chiSquare = 0;
    for (const auto& [pixel, n] : times)
        chiSquare += (n - seeds / 4.0) * (n - seeds / 4.0) / (seeds / 4.0);
    EXPECT_LT(chiSquare, 16.27);
}

// The same seed draws the same pixels from a striped and a tiled copy of the
// map, in the order of their keys; a stratum with fewer pixels than asked gives
// them all; the points' centres follow the geotransform.
TEST_F(SampleDrawTest, SamePointsForAnyStorageOfTheSameValues) {
    std::vector<double> values(64 * 48);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 1 + static_cast<double>((i * 7 / 13) % 3);
    Raster tiled(64, 48, values);
    tiled.creationOptions = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=DEFLATE"};
    DrawRequest request;
    request.seed = 42;
    request.strataValues = {1, 2, 3};
    request.keep = {10, 5, 2000};
    request.mapPath = raster("striped.tif", Raster(64, 48, values));
    const DrawnSample striped = drawn(request);
    request.mapPath = raster("tiled.tif", tiled);
    const DrawnSample other = drawn(request);
    ASSERT_EQ(striped.strata.size(), 3u);
    EXPECT_EQ(striped.strata[0].size(), 10u);
    EXPECT_EQ(striped.strata[2].size(),
              static_cast<std::size_t>(std::count(values.begin(), values.end(), 3.0)));
    for (std::size_t h = 0; h < 3; ++h) {
        ASSERT_EQ(striped.strata[h].size(), other.strata[h].size());
        for (std::size_t i = 0; i < striped.strata[h].size(); ++i) {
            const DrawnPixel &a = striped.strata[h][i], &b = other.strata[h][i];
            EXPECT_EQ(std::tie(a.row, a.column), std::tie(b.row, b.column));
            EXPECT_EQ(a.key, PixelKey(42, a.row, a.column));
            EXPECT_EQ(values[static_cast<std::size_t>(a.row * 64 + a.column)], h + 1.0);
            if (i > 0) {
                EXPECT_LT(striped.strata[h][i - 1].key, a.key);
            }
        }
    }
    // The pixels of the smallest keys of their stratum, in two threads too.
    std::vector<std::uint64_t> keys;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i] == 1.0)
            keys.push_back(
                PixelKey(42, static_cast<std::int64_t>(i / 64), static_cast<std::int64_t>(i % 64)));
    std::sort(keys.begin(), keys.end());
    request.threads = 2;
    const DrawnSample inTwo = drawn(request);
    ASSERT_EQ(inTwo.strata[0].size(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(inTwo.strata[0][i].key, keys[i]);
    // The first pixel's centre on the 10 m grid that starts at (500000, 4000000).
    const DrawnPixel& first = striped.strata[0][0];
    EXPECT_EQ(first.x, 500000 + 10 * (static_cast<double>(first.column) + 0.5));
    EXPECT_EQ(first.y, 4000000 - 10 * (static_cast<double>(first.row) + 0.5));
}

// Each stratum's area: its pixels' on a projected grid (10 m, so 100 m² each),
// and on a geographic one the sum of its rows', each on the ellipsoid. The
// half-degree rows run from 60 N to 59.5 N and on to 59 N, the bottom right
// pixel no-data; the strata raster's 7 and 9 split the map's valid pixels.
TEST_F(SampleDrawTest, StrataAreasOnProjectedAndGeographicGrids) {
    DrawRequest request;
    request.strataValues = {1, 2};
    NoProgress silent;
    const auto areasOf = [&](const std::vector<double>& pixels) {
        auto result = AreasOfStrata(request, pixels, silent);
        const auto* e = std::get_if<InputError>(&result);
        EXPECT_FALSE(e) << e->message;
        return e ? StrataAreas{} : std::get<StrataAreas>(result);
    };
    request.mapPath = raster("projected.tif", Raster(3, 2, {1, 1, 1, 2, 2, 9}, 9.0));
    StrataAreas areas = areasOf({3, 2});
    EXPECT_EQ(areas.areas, (std::vector<double>{300, 200}));
    EXPECT_EQ(areas.unit, "m²");
    Raster geographic(3, 2, {1, 1, 1, 2, 2, 9}, 9.0);
    geographic.transform = {10, 0.5, 0, 60, 0, -0.5};
    geographic.crs = "EPSG:4326";
    request.mapPath = raster("geographic.tif", geographic);
    areas = areasOf({3, 2});
    ASSERT_EQ(areas.areas.size(), 2u);
    EXPECT_NEAR(areas.areas[0], integratedArea(59.5, 60, 1.5), 1.0);
    EXPECT_NEAR(areas.areas[1], integratedArea(59, 59.5, 1.0), 1.0);
    Raster strata(3, 2, {7, 9, 9, 7, 9, 7}, 0.0);
    strata.transform = geographic.transform;
    strata.crs = geographic.crs;
    request.strataPath = raster("strata.tif", strata);
    request.strataValues = {7, 9};
    areas = areasOf({2, 3});
    ASSERT_EQ(areas.areas.size(), 2u);
    EXPECT_NEAR(areas.areas[0], integratedArea(59.5, 60, 0.5) + integratedArea(59, 59.5, 0.5), 1.0);
    EXPECT_NEAR(areas.areas[1], integratedArea(59.5, 60, 1.0) + integratedArea(59, 59.5, 0.5), 1.0);
}

} // namespace
} // namespace brennic::test
