// The error matrix counted from maps: hand-counted matrices for every data type,
// no-data on either side, points on and off the map, areas and read errors, on
// rasters and layers each test makes itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "../core/test_support.h"
#include "map_files.h"
#include "maps/map_counting.h"

namespace brennic::test {
namespace {

using Counts = std::vector<std::uint64_t>;
using Values = std::vector<double>;

class MapCountingTest : public TempDirTest {
  protected:
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string raster(const std::string& name, const Raster& r) {
        EXPECT_TRUE(WriteRaster(path(name), r)) << name;
        return path(name);
    }
    // The map as map.tif against the reference as ref.tif or, without one, against
    // the "class" field of the points in points.gpkg.
    MapRequest requestFor(const Raster& map, const std::optional<Raster>& reference = {}) {
        MapRequest r;
        r.mapPath = raster("map.tif", map);
        r.referencePath = reference ? raster("ref.tif", *reference) : path("points.gpkg");
        r.referenceField = reference ? "" : "class";
        return r;
    }
    static inline NoProgress none;
    static MapCount counted(const MapRequest& r) {
        auto result = CountMaps(r, none);
        const auto* e = std::get_if<InputError>(&result);
        EXPECT_FALSE(e) << e->message; // the message is read only on failure
        return e ? MapCount{} : std::get<MapCount>(result);
    }
    // Refused as unreadable: GDAL's reason follows the colon.
    static void expectUnreadable(const MapRequest& r) {
        auto result = CountMaps(r, none);
        const auto* e = std::get_if<InputError>(&result);
        ASSERT_NE(e, nullptr) << "counted where it should have refused";
        EXPECT_EQ(e->kind, InputError::ReadError);
        EXPECT_TRUE(Has(e->message, "cannot read " + r.referencePath + ": "));
    }
};

// The hand-counted pair with each class k stored as k * scale + offset on both
// sides, in every data type; no-data and --nodata values are given as such a k, a
// map no-data of NaN stands for the map's class 3. `given` (--classes) and
// `classes` are in k too.
TEST_F(MapCountingTest, HandCountedMatrices) {
    const double nan = std::nan("");
    // clang-format off
    const struct { const char* name; GDALDataType mapType, referenceType; double scale, offset;
                   std::optional<double> mapNodata, referenceNodata, requested; std::optional<Values> given;
                   Values classes; Counts counts; } rows[] = {
        {"uint16_high_values", GDT_UInt16, GDT_UInt16, 1000, 60000, {}, {}, {}, {}, {1, 2, 3}, SmallCounts},
        {"int16_negative", GDT_Int16, GDT_Int16, 1, -300, {}, {}, {}, {}, {1, 2, 3}, SmallCounts},
        {"float64_large", GDT_Float64, GDT_Float64, 1, 1e15, {}, {}, {}, {}, {1, 2, 3}, SmallCounts},
        {"byte_map_float_reference", GDT_Byte, GDT_Float32, 1, 0, {}, {}, {}, {}, {1, 2, 3}, SmallCounts},
        // The classes come in numeric order: 3, 2, 1.
        {"int32_negative", GDT_Int32, GDT_Int32, -7, -100000, {}, {}, {}, {}, {3, 2, 1}, {4, 1, 0, 0, 3, 1, 0, 1, 2}},
        // Every pair with map 3 left out.
        {"map_nodata", GDT_Byte, GDT_Byte, 1, 0, 3.0, {}, {}, {}, {1, 2}, {2, 1, 1, 3}},
        {"nan_nodata_float_map", GDT_Float32, GDT_Float32, 1, 0, nan, {}, {}, {}, {1, 2}, {2, 1, 1, 3}},
        // The pairs with reference 3 left out; map 3 stays a class.
        {"reference_nodata", GDT_Byte, GDT_Byte, 1, 0, {}, 3.0, {}, {}, {1, 2, 3}, {2, 1, 0, 1, 3, 0, 0, 1, 0}},
        // --nodata 1 takes out class 1 on both sides.
        {"requested_nodata", GDT_Int16, GDT_Int16, 1, 0, {}, {}, 1.0, {}, {2, 3}, {3, 0, 1, 4}},
        // The map's no-data value 2 is an ordinary class in the reference.
        {"map_nodata_is_a_reference_class", GDT_UInt16, GDT_UInt16, 1, 0, 2.0, {}, {}, {}, {1, 2, 3}, {2, 1, 0, 0, 0, 0, 0, 1, 4}},
        // Class 4 never occurs; the order is the list's.
        {"given_order_and_an_absent_class", GDT_Byte, GDT_Byte, 1, 0, {}, {}, {}, Values{3, 1, 2, 4}, {3, 1, 2, 4}, {4, 0, 1, 0, 0, 2, 1, 0, 0, 1, 3, 0, 0, 0, 0, 0}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto scaled = [&](Values v) {
            std::transform(v.begin(), v.end(), v.begin(),
                           [&](double x) { return x * row.scale + row.offset; });
            return v;
        };
        Values map = SmallMap;
        if (row.mapNodata && std::isnan(*row.mapNodata))
            std::replace(map.begin(), map.end(), 3.0, nan);
        MapRequest request = requestFor(
            Raster(4, 3, scaled(map), row.mapNodata, row.mapType),
            Raster(4, 3, scaled(SmallReference), row.referenceNodata, row.referenceType));
        request.nodata = row.requested;
        request.classes = row.given;
        const MapCount c = counted(request);
        const auto pairs = std::accumulate(row.counts.begin(), row.counts.end(), std::uint64_t{0});
        EXPECT_EQ(c.classValues, scaled(row.classes));
        EXPECT_EQ(c.counts, row.counts);
        EXPECT_EQ((Counts{c.source.counted, c.source.nodata}), (Counts{pairs, 12 - pairs}));
    }
}

// A larger pair of patches of ten classes with no-data 0, counted here by a plain
// loop, is counted alike striped, tiled, compressed, in one thread or three.
TEST_F(MapCountingTest, LayoutsAndThreadsGiveTheSameCounts) {
    const int width = 700, height = 600;
    Values map, reference;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int m = y > 590 ? 0 : 1 + (x / 37 + y / 53) % 10;
            map.push_back(m);
            reference.push_back(x < 5 ? 0 : (x * 7 + y * 3) % 11 == 0 ? 1 + m % 10 : m);
        }
    }
    const std::vector<std::string> tiled{"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    const PixelWindow whole{0, 0, width, height};
    // clang-format off
    const struct { const char* name; std::vector<std::string> options, referenceOptions; int threads; PixelWindow window; } rows[] = {
        {"striped_one_thread", {}, {}, 1, whole},
        {"tiled_deflate", {"TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=128", "COMPRESS=DEFLATE"}, tiled, 3, whole},
        {"tiled_map_striped_reference", tiled, {"COMPRESS=LZW"}, 2, whole},
        {"striped_map_tiled_reference", {}, tiled, 2, whole},
        // Windows that start and end inside blocks, over several and within one.
        {"window_across_tiles", tiled, {}, 2, {3, 250, 517, 300}},
        {"window_within_a_tile", tiled, tiled, 2, {300, 260, 11, 7}},
        {"window_across_strips", {}, {}, 3, {255, 1, 445, 598}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PixelWindow& w = row.window;
        Counts expected(100, 0);
        std::uint64_t left = 0;
        for (std::int64_t y = w.yOffset; y < w.yOffset + w.ySize; ++y)
            for (std::int64_t x = w.xOffset; x < w.xOffset + w.xSize; ++x) {
                const auto at = static_cast<std::size_t>(y * width + x);
                if (map[at] == 0 || reference[at] == 0)
                    ++left;
                else
                    ++expected[static_cast<std::size_t>((map[at] - 1) * 10 + reference[at] - 1)];
            }
        Raster mapLayout(width, height, map, 0.0), referenceLayout(width, height, reference, 0.0);
        mapLayout.creationOptions = row.options;
        referenceLayout.creationOptions = row.referenceOptions;
        MapRequest request = requestFor(mapLayout, referenceLayout);
        request.threads = row.threads;
        request.window = row.window;
        request.classes = Values{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        const MapCount c = counted(request);
        EXPECT_EQ(c.counts, expected);
        EXPECT_EQ((Counts{c.source.counted, c.source.nodata}),
                  (Counts{static_cast<std::uint64_t>(w.xSize * w.ySize) - left, left}));
    }
}

// The map 4 x 3 of 10 m pixels from (500000, 4000000): a point on the left or top
// edge is inside, one on the right or bottom edge outside, one on an edge
// between pixels in the pixel to its right or below; (column, row) below.
TEST_F(MapCountingTest, PointsOnEdgesOutsideEmptyAndOnNoData) {
    MapRequest request = requestFor(Raster(4, 3, SmallMap, 2.0));
    // clang-format off
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632, {
        {500005, 3999995, "1"}, {500000, 3999985, "3"}, // (0,0) map 1; left edge, (0,1) map 2: no-data
        {500035, 4000000, "3"}, {500010, 3999975, "3"}, // top edge, (3,0) map 3; between, (1,2) map 3
        {500040, 3999995, "1"}, {500005, 3999970, "1"}, // the right and the bottom edge: outside
        {400000, 3999995, "1"}, {500025, 3999995, {}},  // far off; an empty field
        {500025, 3999995, " "}, {500025, 3999980, "1"}, // a blank field; (2,2) map 3
    }));
    // clang-format on
    const MapCount c = counted(request);
    // Map classes 1 and 3 (2 is no-data); pairs (1,1), (3,3) twice, (3,1).
    EXPECT_EQ(c.classValues, (Values{1, 3}));
    EXPECT_EQ(c.counts, (Counts{1, 0, 1, 2}));
    const SourceCounts& s = c.source;
    EXPECT_EQ((Counts{s.counted, s.outside, s.nodata, s.empty}), (Counts{4, 3, 1, 2}));
    // The map's own areas: three pixels of class 1 and five of class 3, 100 m² each.
    EXPECT_EQ(c.areas ? c.areas->perClass : Values{}, (Values{300, 500}));
    EXPECT_EQ(c.mapPixels, (Counts{3, 5}));
}

// The hand-counted pair with a mask on one side or both: the dataset's mask band
// or an alpha band (0 leaves a pixel out, any other value keeps it). Row 0 or
// row 2 left out, or both, leaves the pairs of the other rows.
TEST_F(MapCountingTest, MasksAndAlphaBandsLeaveOutTheirPixels) {
    const Values row0{0, 0, 0, 0, 255, 255, 255, 255, 1, 128, 255, 255},
        row2{255, 255, 255, 255, 1, 1, 1, 1, 0, 0, 0, 0};
    // clang-format off
    const struct { const char* name; Values mapMask; bool mapAlpha; Values referenceMask; bool referenceAlpha;
                   Counts counts; std::uint64_t masked; } rows[] = {
        {"map_mask_row_0", row0, false, {}, false, {1, 0, 0, 1, 2, 0, 0, 1, 3}, 4},
        {"reference_alpha_row_2", {}, false, row2, true, {1, 1, 0, 1, 2, 0, 0, 0, 3}, 4},
        {"map_alpha_and_reference_mask", row0, true, row2, false, {0, 0, 0, 1, 1, 0, 0, 0, 2}, 8},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Raster map(4, 3, SmallMap), reference(4, 3, SmallReference);
        map.mask = row.mapMask;
        map.alpha = row.mapAlpha;
        reference.mask = row.referenceMask;
        reference.alpha = row.referenceAlpha;
        const MapCount c = counted(requestFor(map, reference));
        EXPECT_EQ(c.counts, row.counts);
        EXPECT_EQ((Counts{c.source.counted, c.source.masked, c.source.nodata}),
                  (Counts{12 - row.masked, row.masked, 0}));
    }

    // Points at (0,0), under the mask, and at (1,1) and (2,2); the map's own pixels
    // are those the mask keeps: rows 1 and 2.
    Raster map(4, 3, SmallMap);
    map.mask = row0;
    MapRequest request = requestFor(map);
    ASSERT_TRUE(
        WritePoints(request.referencePath, "samples", 32632,
                    {{500005, 3999995, "1"}, {500015, 3999985, "2"}, {500025, 3999975, "3"}}));
    const MapCount c = counted(request);
    EXPECT_EQ(c.counts, (Counts{0, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ((Counts{c.source.counted, c.source.masked}), (Counts{2, 1}));
    EXPECT_EQ(c.mapPixels, (Counts{1, 3, 4}));
}

// A point on every edge between pixels of a 30 m grid from x = 500000 (its
// columns) and of a 10 m grid from y = 4649776 (its rows), where x - x0 or y - y0
// divided by the pixel's size is a whole number that the inverse geotransform
// misses by a rounding step. The classes alternate 1, 2 along the line of pixels
// and each point holds its pixel's class, so a point taken one pixel over counts
// off the diagonal; the last edge is the map's right or bottom edge: outside.
TEST_F(MapCountingTest, PointOnEachPixelEdgeBelongsToThePixelRightOrBelow) {
    const int pixels = 20000;
    // clang-format off
    const struct { const char* name; bool columns; double size; } rows[] = {
        {"vertical_edges_30m", true, 30},
        {"horizontal_edges_10m", false, 10},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Values classes(pixels);
        std::vector<PointRow> points;
        for (int k = 0; k <= pixels; ++k) {
            if (k < pixels)
                classes[static_cast<std::size_t>(k)] = 1 + k % 2;
            const double along = row.size * k, across = row.size / 2;
            points.push_back({500000 + (row.columns ? along : across),
                              4649776 - (row.columns ? across : along), k % 2 ? "2" : "1"});
        }
        Raster line(row.columns ? pixels : 1, row.columns ? 1 : pixels, classes);
        line.transform = {500000, row.size, 0, 4649776, 0, -row.size};
        MapRequest request = requestFor(line);
        std::filesystem::remove(request.referencePath);
        ASSERT_TRUE(WritePoints(request.referencePath, "edges", 32632, points));
        const MapCount c = counted(request);
        EXPECT_EQ(c.counts, (Counts{10000, 0, 0, 10000}));
        EXPECT_EQ((Counts{c.source.counted, c.source.outside}), (Counts{20000, 1}));
    }
}

// The pixels under the points are read a block at a time, in the blocks' order,
// yet a refusal names the point first in the layer: here the first point has the
// class 2, refused by --classes 1, and lies in the second of two 16 x 16 tiles;
// the second lies in the first, on 2. A value that is no class is refused where
// the map's own count first meets it, under a point or not: the first point
// lies on 2.5 at column 20, and 3.5 at column 1 comes first in the map.
TEST_F(MapCountingTest, PointsReadByBlockRefuseTheFirstInTheLayer) {
    // clang-format off
    const struct { const char* name; double later; std::optional<Values> classes; const char* message; } rows[] = {
        {"value_not_whole", 3.5, {}, "the map holds 3.5 at row 0, column 1 (counted from 0)"},
        {"class_not_given", 2, Values{1}, "feature 1 of {ref}: the point's class is 2"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Values values(32 * 16, 1);
        values[20] = row.classes ? 1 : 2.5;
        values[1] = row.later;
        Raster map(32, 16, values, {}, GDT_Float32);
        map.creationOptions = {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16"};
        MapRequest request = requestFor(map);
        request.classes = row.classes;
        std::filesystem::remove(request.referencePath);
        ASSERT_TRUE(
            WritePoints(request.referencePath, "samples", 32632,
                        {{500205, 3999995, row.classes ? "2" : "1"}, {500015, 3999995, "1"}}));
        auto result = CountMaps(request, none);
        const auto* e = std::get_if<InputError>(&result);
        ASSERT_NE(e, nullptr);
        std::string message = row.message;
        if (const auto at = message.find("{ref}"); at != std::string::npos)
            message.replace(at, 5, request.referencePath);
        EXPECT_TRUE(Has(e->message, message));
    }
    // A GeoPackage's points are read in ranges of their ids, one a thread: of two
    // classes refused, one in each range, the first in the layer is named.
    MapRequest request = requestFor(Raster(4, 3, SmallMap));
    std::filesystem::remove(request.referencePath);
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632,
                            {{500005, 3999995, "1.5"}, {500015, 3999995, "2.5"}}));
    request.threads = 2;
    auto result = CountMaps(request, none);
    const auto* e = std::get_if<InputError>(&result);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(Has(e->message, "feature 1 of " + request.referencePath)) << e->message;
}

// A Float32 band holds 0.1 as a float: --nodata 0.1, or the band's own no-data
// value 0.1, leaves it out (here in place of map class 3). Two VRTs of 2^31 - 1
// square at 30 m on one geotransform are one grid, wherever the corners' round
// trip through its inverse lands; only a window of them is counted.
TEST_F(MapCountingTest, FloatNoDataAndTheLargestGridsMatchThemselves) {
    Values map = SmallMap;
    std::replace(map.begin(), map.end(), 3.0, 0.1);
    for (const bool own : {false, true}) {
        SCOPED_TRACE(own ? "band_nodata" : "requested_nodata");
        MapRequest request =
            requestFor(Raster(4, 3, map, own ? std::optional(0.1) : std::nullopt, GDT_Float32),
                       Raster(4, 3, SmallReference));
        if (!own)
            request.nodata = 0.1;
        const MapCount c = counted(request);
        EXPECT_EQ(c.counts, (Counts{2, 1, 1, 3}));
        EXPECT_EQ((Counts{c.source.counted, c.source.nodata}), (Counts{7, 5}));
    }
    const std::string vrt =
        "<VRTDataset rasterXSize=\"2147483647\" rasterYSize=\"2147483647\"><SRS>EPSG:32632</SRS>"
        "<GeoTransform>123456.789, 30, 0, 7654321.123, 0, -30</GeoTransform><VRTRasterBand "
        "dataType=\"Byte\" band=\"1\"/></VRTDataset>\n";
    writeFile(dir / "map.vrt", vrt);
    writeFile(dir / "ref.vrt", vrt);
    MapRequest request;
    request.mapPath = path("map.vrt");
    request.referencePath = path("ref.vrt");
    request.window = PixelWindow{2147483640, 2147483640, 7, 7};
    EXPECT_EQ(counted(request).source.counted, 49u);
}

// A UInt16 reference of 320 codes, 1000 to 1319 in raster order, against a byte
// map of class 1 on its first 200 pixels: where the map's no-data 0 covers the
// other 120, their codes are no classes and the count holds 201; where the map
// has no no-data, the reference is refused as the side with too many.
TEST_F(MapCountingTest, ValuesUnderTheOtherSidesNoDataAreNoClasses) {
    Values codes(320), map(320, 1);
    std::iota(codes.begin(), codes.end(), 1000.0);
    std::fill(map.begin() + 200, map.end(), 0.0);
    for (const bool nodata : {true, false}) {
        SCOPED_TRACE(nodata ? "map_nodata_over_120_codes" : "every_code_a_class");
        const MapRequest request =
            requestFor(Raster(20, 16, map, nodata ? std::optional(0.0) : std::nullopt),
                       Raster(20, 16, codes, {}, GDT_UInt16));
        auto result = CountMaps(request, none);
        if (nodata) {
            ASSERT_TRUE(std::holds_alternative<MapCount>(result));
            const MapCount& c = std::get<MapCount>(result);
            EXPECT_EQ(c.classValues.size(), 201u);
            EXPECT_EQ((Counts{c.source.counted, c.source.nodata}), (Counts{200, 120}));
        } else {
            const auto* e = std::get_if<InputError>(&result);
            ASSERT_NE(e, nullptr);
            EXPECT_TRUE(Has(e->message, "the reference holds more than 254 classes"));
        }
    }
}

// A signed byte GeoTIFF: the hand-counted pair's class k stored as k - 3, so
// that its bytes 254, 255 and 0 are -2, -1 and 0, against an Int16 reference of
// the same values; its no-data value -1 leaves out map class 2, and a point on
// pixel (0,0) reads -2.
TEST_F(MapCountingTest, SignedBytesReadAsNegativeValues) {
    Values bytes = SmallMap, reference = SmallReference;
    for (double& v : bytes)
        v = v == 3 ? 0 : 253 + v;
    for (double& v : reference)
        v -= 3;
    // clang-format off
    const struct { const char* name; std::optional<double> nodata; Counts counts; } rows[] = {
        {"all_values", {}, SmallCounts},
        {"nodata_minus_one", -1.0, {2, 1, 0, 0, 0, 0, 0, 1, 4}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Raster map(4, 3, bytes, row.nodata);
        map.creationOptions = {"PIXELTYPE=SIGNEDBYTE"};
        const MapCount c = counted(requestFor(map, Raster(4, 3, reference, {}, GDT_Int16)));
        EXPECT_EQ(c.classValues, (Values{-2, -1, 0}));
        EXPECT_EQ(c.counts, row.counts);
    }
    Raster map(4, 3, bytes);
    map.creationOptions = {"PIXELTYPE=SIGNEDBYTE"};
    MapRequest request = requestFor(map);
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632, {{500005, 3999995, "-2"}}));
    EXPECT_EQ(counted(request).counts, (Counts{1, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// A point's class text is read one way: blanks on either side, a sign, a
// fraction; a hexadecimal number or an exponent is no class. The point lies on
// pixel (2,0), of map class 2.
TEST_F(MapCountingTest, ClassTextsReadOneWay) {
    // clang-format off
    const struct { const char* text; bool read; } rows[] = {
        {" 2", true}, {"2 ", true}, {"+2", true}, {"2.0", true}, {"0x2", false}, {"1e0", false}, {"2e0 ", false},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        MapRequest request = requestFor(Raster(4, 3, SmallMap));
        std::filesystem::remove(request.referencePath);
        ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632,
                                {{500025, 3999995, std::string(row.text)}}));
        auto result = CountMaps(request, none);
        const auto* e = std::get_if<InputError>(&result);
        if (row.read) {
            ASSERT_EQ(e, nullptr) << e->message;
            EXPECT_EQ(std::get<MapCount>(result).counts, (Counts{0, 0, 0, 0, 1, 0, 0, 0, 0}));
        } else {
            ASSERT_NE(e, nullptr);
            EXPECT_TRUE(Has(e->message, "has the class " + std::string(row.text) +
                                            ", which is not a whole number"));
        }
    }
}

// Between UTM zone 32N and WGS 84 longitude and latitude (in GIS order), either way.
std::unique_ptr<OGRCoordinateTransformation> utmTransform(bool toWgs84) {
    OGRSpatialReference utm, wgs84;
    utm.importFromEPSG(32632);
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return std::unique_ptr<OGRCoordinateTransformation>(
        toWgs84 ? OGRCreateCoordinateTransformation(&utm, &wgs84)
                : OGRCreateCoordinateTransformation(&wgs84, &utm));
}

// One feature of a layer of writeFeatures: its geometry as WKT (empty: none) and
// the text of its class field (none: not set).
struct FeatureRow {
    std::string wkt;
    std::optional<std::string> value;
};

// Writes the layer "samples" in EPSG:32632 with a field "class" of `type`, set
// from each row's text, and the features' ids 1, 2, ...; `driver` "GPKG" or
// "GeoJSON".
bool writeFeatures(const std::string& path, const char* driver, OGRFieldType type,
                   const std::vector<FeatureRow>& rows) {
    GDALAllRegister();
    std::filesystem::remove(path);
    GDALDatasetUniquePtr data(GetGDALDriverManager()->GetDriverByName(driver)->Create(
        path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRSpatialReference crs;
    crs.importFromEPSG(32632);
    OGRLayer* layer = data ? data->CreateLayer("samples", &crs, wkbUnknown) : nullptr;
    OGRFieldDefn field("class", type);
    if (!layer || layer->CreateField(&field) != OGRERR_NONE)
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        OGRFeatureUniquePtr feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        feature->SetFID(static_cast<GIntBig>(i) + 1);
        if (rows[i].value)
            feature->SetField("class", rows[i].value->c_str());
        if (!rows[i].wkt.empty()) {
            OGRGeometry* geometry = nullptr;
            if (OGRGeometryFactory::createFromWkt(rows[i].wkt.c_str(), nullptr, &geometry) !=
                OGRERR_NONE)
                return false;
            feature->SetGeometryDirectly(geometry);
        }
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE)
            return false;
    }
    return true;
}

// The points' class fields of each type, null fields and geometries, points with
// a height and other geometries, from a GeoPackage (read as the driver streams
// its columns) and from GeoJSON (read feature by feature): both give the same
// counts and name the same first refused feature. On the 4 x 3 map, A is pixel
// (0,0) of map 1, B (2,0) map 2, C (3,1) map 3, D (1,2) map 3, E (0,1), F off
// the map; (column, row).
TEST_F(MapCountingTest, PointsOfEachFieldTypeAndGeometryFromEitherReader) {
    const std::string a = "POINT (500005 3999995)", b = "POINT (500025 3999995)",
                      c = "POINT (500035 3999985)", d = "POINT (500015 3999975)",
                      e = "POINT (500005 3999985)", f = "POINT (400000 3999995)",
                      aHigh = "POINT Z (500005 3999995 7)", second = "POINT (500015 3999995)";
    // Pairs (map, reference): (1,1), (2,2), (3,1), (3,3); E empty, F outside.
    const Counts pairs{1, 0, 0, 0, 1, 0, 1, 0, 1};
    // clang-format off
    const struct { const char* name; OGRFieldType type; std::vector<FeatureRow> features;
                   Counts counts; const char* message; } rows[] = {
        {"integer", OFTInteger, {{a, "1"}, {b, "2"}, {c, "1"}, {d, "3"}, {e, {}}, {f, "2"}}, pairs, nullptr},
        {"integer64_and_a_height", OFTInteger64,
         {{aHigh, "1"}, {b, "2"}, {c, "1"}, {d, "3"}, {e, {}}, {f, "2"}}, pairs, nullptr},
        {"real", OFTReal, {{a, "1"}, {b, "2"}, {c, "1"}, {d, "3"}, {e, {}}, {f, "2"}}, pairs, nullptr},
        {"text_with_blanks", OFTString,
         {{a, "1"}, {b, " 2"}, {c, "1 "}, {d, "3"}, {e, "  "}, {f, "2"}}, pairs, nullptr},
        {"real_not_whole", OFTReal, {{a, "1"}, {second, "2.5"}, {b, "2"}}, {},
         "feature 2 of {ref} has the class 2.5, which is not a whole number"},
        {"no_geometry", OFTString, {{a, "1"}, {"", "2"}, {second, "x"}}, {},
         "feature 2 of {ref} is not a point"},
        {"multipoint", OFTString, {{a, "1"}, {"MULTIPOINT ((500005 3999995))", "1"}}, {},
         "feature 2 of {ref} is not a point"},
        {"class_refused_before_a_polygon", OFTString,
         {{a, "1"}, {second, "x"}, {"POLYGON ((0 0,1 0,1 1,0 0))", "1"}}, {},
         "feature 2 of {ref} has the class x, which is not a whole number, and the map names no "
         "classes (--class-names names them)"},
    };
    // clang-format on
    for (const auto& row : rows) {
        for (const char* driver : {"GPKG", "GeoJSON"}) {
            SCOPED_TRACE(std::string(row.name) + " " + driver);
            MapRequest request = requestFor(Raster(4, 3, SmallMap));
            request.referencePath = path(driver[1] == 'P' ? "samples.gpkg" : "samples.geojson");
            ASSERT_TRUE(writeFeatures(request.referencePath, driver, row.type, row.features));
            if (row.message == nullptr) {
                const MapCount count = counted(request);
                EXPECT_EQ(count.classValues, (Values{1, 2, 3}));
                EXPECT_EQ(count.counts, row.counts);
                const SourceCounts& s = count.source;
                EXPECT_EQ((Counts{s.counted, s.outside, s.empty, s.nodata}), (Counts{4, 1, 1, 0}));
                continue;
            }
            auto result = CountMaps(request, none);
            const auto* error = std::get_if<InputError>(&result);
            ASSERT_NE(error, nullptr);
            std::string message = row.message;
            message.replace(message.find("{ref}"), 5, request.referencePath);
            EXPECT_EQ(error->message, message);
        }
    }
}

// A geographic map of two rows of half-degree pixels, 60 to 59.5 N of class 1 and
// 59.5 to 59 N of class 2, three pixels wide; points at the pixels' centres in
// UTM, transformed here, each in GIS order (longitude first).
TEST_F(MapCountingTest, PointsInAnotherCrsAndGeographicAreasOnTheEllipsoid) {
    Raster layout(3, 2, {1, 1, 1, 2, 2, 2});
    layout.transform = {10, 0.5, 0, 60, 0, -0.5};
    layout.crs = "EPSG:4326";
    MapRequest request = requestFor(layout);
    const auto toUtm = utmTransform(false);
    ASSERT_TRUE(toUtm);
    std::vector<PointRow> points;
    for (int i = 0; i < 6; ++i) {
        double x = 10.25 + 0.5 * (i % 3), y = 59.75 - 0.5 * (i / 3);
        ASSERT_TRUE(toUtm->Transform(1, &x, &y));
        points.push_back({x, y, i == 2 || i == 3 || i == 4 ? "2" : "1"});
    }
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632, points));
    const MapCount c = counted(request);
    EXPECT_EQ(c.counts, (Counts{2, 1, 1, 2})); // all six points: none outside
    ASSERT_TRUE(c.areas);
    EXPECT_EQ(c.areas->unit, "m²");
    ASSERT_EQ(c.areas->perClass.size(), 2u);
    EXPECT_NEAR(c.areas->perClass[0], integratedArea(59.5, 60, 1.5), 1.0);
    EXPECT_NEAR(c.areas->perClass[1], integratedArea(59, 59.5, 1.5), 1.0);

    // A compared map of class 1 in its first pixel alone: its own areas, the
    // map's as before.
    Raster second = layout;
    second.values = {1, 2, 2, 2, 2, 2};
    request.comparedPath = raster("b.tif", second);
    const MapCount both = counted(request);
    ASSERT_TRUE(both.compared && both.compared->areas && both.areas);
    EXPECT_NEAR(both.areas->perClass[0], integratedArea(59.5, 60, 1.5), 1.0);
    ASSERT_EQ(both.compared->areas->perClass.size(), 2u);
    EXPECT_NEAR(both.compared->areas->perClass[0], integratedArea(59.5, 60, 0.5), 1.0);
    EXPECT_NEAR(both.compared->areas->perClass[1],
                integratedArea(59.5, 60, 1.0) + integratedArea(59, 59.5, 1.5), 1.0);
    EXPECT_EQ(both.compared->counts, (Counts{1, 0, 2, 3}));
}

// Points at the centres of pixels (0,0) and (3,0), classes 1 and 3 as the map's:
// a third point at latitude 95 has no place in UTM and is outside, and a side
// without a coordinate system takes the other's, with a warning.
TEST_F(MapCountingTest, PointsWithoutAPlaceOrWithoutACoordinateSystem) {
    const auto toWgs84 = utmTransform(true);
    ASSERT_TRUE(toWgs84);
    std::vector<PointRow> utmPoints{{500005, 3999995, "1"}, {500035, 3999995, "3"}},
        lonLat = utmPoints;
    for (PointRow& p : lonLat)
        ASSERT_TRUE(toWgs84->Transform(1, &p.x, &p.y));
    lonLat.push_back({9, 95, "1"});
    // clang-format off
    const struct { const char* name; std::string mapCrs; int layerEpsg; std::vector<PointRow> points;
                   std::uint64_t outside; const char* warning; } rows[] = {
        {"latitude_95", "EPSG:32632", 4326, lonLat, 1, ""},
        {"layer_without_crs", "EPSG:32632", 0, utmPoints, 0,
         "the layer samples of {ref} has no coordinate system: its points are taken in the map's, WGS 84 / UTM zone 32N (EPSG:32632)"},
        {"map_without_crs", "", 32632, utmPoints, 0,
         "the map has no coordinate system: the points are taken in their layer's, WGS 84 / UTM zone 32N (EPSG:32632)"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Raster map(4, 3, SmallMap);
        map.crs = row.mapCrs;
        MapRequest request = requestFor(map);
        std::filesystem::remove(request.referencePath);
        ASSERT_TRUE(WritePoints(request.referencePath, "samples", row.layerEpsg, row.points));
        const MapCount c = counted(request);
        EXPECT_EQ(c.counts, (Counts{1, 0, 0, 0, 0, 0, 0, 0, 1}));
        EXPECT_EQ((Counts{c.source.counted, c.source.outside}), (Counts{2, row.outside}));
        std::string warning = row.warning;
        if (const auto at = warning.find("{ref}"); at != std::string::npos)
            warning.replace(at, 5, request.referencePath);
        EXPECT_EQ(c.warnings,
                  warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{warning});
    }
}

TEST_F(MapCountingTest, ReadErrorMidwayGivesGdalsMessageAndNoCounts) {
    Raster layout(1024, 1024, Values(1024 * 1024, 1));
    layout.creationOptions = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    MapRequest request = requestFor(layout, layout);
    const auto cut = [](const std::string& file, int tenths) {
        std::filesystem::resize_file(file, std::filesystem::file_size(file) * tenths / 10);
    };
    cut(request.referencePath, 6);
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        request.threads = threads;
        expectUnreadable(request);
    }

    // A layer of points cut short.
    request = requestFor(Raster(4, 3, SmallMap));
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632,
                            std::vector<PointRow>(5000, {500005, 3999995, "1"})));
    cut(request.referencePath, 9);
    expectUnreadable(request);
}

// More than 2^32 pairs in one cell, from a VRT that repeats a 1000 x 1000 pair
// 66 x 66 times: each tile holds a 10 x 10 square of class 2, the rest class 1.
// It reads 4.4 * 10^9 pairs, seconds in a release build and minutes in a debug
// one, so it runs only when asked (--gtest_also_run_disabled_tests).
TEST_F(MapCountingTest, DISABLED_CountBeyondThirtyTwoBitsInOneCell) {
    Raster tile(1000, 1000, Values(1000 * 1000, 1));
    for (int y = 0; y < 10; ++y)
        std::fill_n(tile.values.begin() + y * 1000, 10, 2.0);
    tile.creationOptions = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    raster("tile.tif", tile);
    std::string vrt = "<VRTDataset rasterXSize=\"66000\" rasterYSize=\"66000\"><VRTRasterBand "
                      "dataType=\"Byte\" band=\"1\" blockXSize=\"1000\" blockYSize=\"1000\">\n";
    for (int t = 0; t < 66 * 66; ++t)
        vrt += "<SimpleSource><SourceFilename relativeToVRT=\"1\">tile.tif</SourceFilename>"
               "<SourceBand>1</SourceBand><SrcRect xOff=\"0\" yOff=\"0\" xSize=\"1000\" "
               "ySize=\"1000\"/><DstRect xOff=\"" +
               std::to_string(t % 66 * 1000) + "\" yOff=\"" + std::to_string(t / 66 * 1000) +
               "\" xSize=\"1000\" ySize=\"1000\"/></SimpleSource>\n";
    writeFile(dir / "repeated.vrt", vrt + "</VRTRasterBand></VRTDataset>\n");
    MapRequest request;
    request.mapPath = request.referencePath = path("repeated.vrt");
    const MapCount c = counted(request);
    // 4356 tiles: (10^6 - 100) pairs of class 1 and 100 of class 2 in each.
    EXPECT_EQ(c.counts, (Counts{4355564400ull, 0, 0, 435600}));
    EXPECT_EQ(c.source.counted, 4356000000ull);
}

} // namespace
} // namespace brennic::test
