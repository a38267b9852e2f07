// The error matrix counted from maps: hand-counted matrices for every data type,
// no-data on either side, grids that differ, points on and off the map, areas,
// windows and read errors, on rasters and layers each test makes itself.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "map_counting.h"
#include "map_files.h"
#include "test_support.h"

namespace brennic::test {
namespace {

std::vector<double> scaled(const std::vector<double>& classes, double scale, double offset) {
    std::vector<double> out;
    for (double v : classes)
        out.push_back(v * scale + offset);
    return out;
}

class MapCountingTest : public TempDirTest {
  protected:
    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::string raster(const std::string& name, RasterLayout layout) {
        EXPECT_TRUE(WriteRaster(path(name), layout)) << name;
        return path(name);
    }
    // A request for the map and a reference raster, both written as map.tif and ref.tif.
    MapRequest rasters(const RasterLayout& map, const RasterLayout& reference) {
        MapRequest request;
        request.mapPath = raster("map.tif", map);
        request.referencePath = raster("ref.tif", reference);
        return request;
    }
    // A request for the map and the points' "class" field in points.gpkg.
    MapRequest points(const RasterLayout& map) {
        MapRequest request;
        request.mapPath = raster("map.tif", map);
        request.referencePath = path("points.gpkg");
        request.referenceField = "class";
        return request;
    }
    static RasterLayout small(const std::vector<double>& values, GDALDataType type = GDT_Byte) {
        return RasterOf(4, 3, values, {}, type);
    }
    static MapCount counted(const MapRequest& request) {
        NoProgress progress;
        auto result = CountMaps(request, progress);
        if (auto* error = std::get_if<MapError>(&result)) {
            ADD_FAILURE() << error->message;
            return {};
        }
        return std::get<MapCount>(result);
    }
    static MapError refused(const MapRequest& request) {
        NoProgress progress;
        auto result = CountMaps(request, progress);
        if (!std::holds_alternative<MapError>(result)) {
            ADD_FAILURE() << "counted where it should have refused";
            return {};
        }
        return std::get<MapError>(result);
    }
};

TEST_F(MapCountingTest, HandCountedMatrixForEachDataType) {
    struct Row {
        const char* name;
        GDALDataType mapType, referenceType;
        double scale, offset; // each class k is stored as k * scale + offset
    };
    const Row rows[] = {
        {"byte", GDT_Byte, GDT_Byte, 1, 0},
        {"uint16_high_values", GDT_UInt16, GDT_UInt16, 1000, 60000},
        {"int16_negative", GDT_Int16, GDT_Int16, 1, -300},
        {"uint32_beyond_int32", GDT_UInt32, GDT_UInt32, 1, 4000000000.0},
        {"int32_negative", GDT_Int32, GDT_Int32, -7, -100000},
        {"float32_whole_numbers", GDT_Float32, GDT_Float32, 10, 0},
        {"float64_large", GDT_Float64, GDT_Float64, 1, 1e15},
        {"byte_map_float_reference", GDT_Byte, GDT_Float32, 1, 0},
        {"int16_map_byte_reference", GDT_Int16, GDT_Byte, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const MapCount c = counted(
            rasters(small(scaled(SmallMap, row.scale, row.offset), row.mapType),
                    small(scaled(SmallReference, row.scale, row.offset), row.referenceType)));
        std::vector<double> classes = scaled({1, 2, 3}, row.scale, row.offset);
        std::vector<std::uint64_t> expected{2, 1, 0, 1, 3, 0, 0, 1, 4};
        if (row.scale < 0) { // the classes come in numeric order: 3, 2, 1
            std::reverse(classes.begin(), classes.end());
            expected = {4, 1, 0, 0, 3, 1, 0, 1, 2};
        }
        EXPECT_EQ(c.classValues, classes);
        EXPECT_EQ(c.counts, expected);
        EXPECT_EQ(c.source.counted, 12u);
        EXPECT_EQ(c.source.nodata, 0u);
    }
}

TEST_F(MapCountingTest, NoDataOnEitherSide) {
    const double nan = std::nan("");
    struct Row {
        const char* name;
        std::optional<double> mapNodata, referenceNodata, requested;
        GDALDataType type;
        std::vector<double> map;
        std::vector<double> classes;
        std::vector<std::uint64_t> expected;
        std::uint64_t counted;
    };
    std::vector<double> mapWithNan = SmallMap;
    for (double& v : mapWithNan)
        v = v == 3 ? nan : v;
    const Row rows[] = {
        // clang-format off
        // Every pair with map 3 left out.
        {"map_nodata", 3.0, {}, {}, GDT_Byte, SmallMap, {1, 2}, {2, 1, 1, 3}, 7},
        // The pairs with reference 3 left out; map 3 stays a class.
        {"reference_nodata", {}, 3.0, {}, GDT_Byte, SmallMap, {1, 2, 3}, {2, 1, 0, 1, 3, 0, 0, 1, 0}, 8},
        // --nodata 1 takes out class 1 on both sides.
        {"requested_nodata", {}, {}, 1.0, GDT_Int16, SmallMap, {2, 3}, {3, 0, 1, 4}, 8},
        {"nan_nodata_float_map", nan, {}, {}, GDT_Float32, mapWithNan, {1, 2}, {2, 1, 1, 3}, 7},
        // The map's no-data value 2 is an ordinary class in the reference.
        {"map_nodata_is_a_reference_class", 2.0, {}, {}, GDT_UInt16, SmallMap, {1, 2, 3},
         {2, 1, 0, 0, 0, 0, 0, 1, 4}, 8},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RasterLayout mapSpec = small(row.map, row.type);
        mapSpec.nodata = row.mapNodata;
        RasterLayout referenceSpec = small(SmallReference, row.type);
        referenceSpec.nodata = row.referenceNodata;
        MapRequest request = rasters(mapSpec, referenceSpec);
        request.nodata = row.requested;
        const MapCount c = counted(request);
        EXPECT_EQ(c.classValues, row.classes);
        EXPECT_EQ(c.counts, row.expected);
        EXPECT_EQ(c.source.counted, row.counted);
        EXPECT_EQ(c.source.nodata, 12 - row.counted);
    }
}

TEST_F(MapCountingTest, ClassesGivenOrTooMany) {
    std::vector<double> many(16 * 16);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = static_cast<double>(i); // 256 values of a byte band
    std::vector<double> wide(20 * 16);
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = 1000 + static_cast<double>(i); // 320 values of a 16-bit band
    std::vector<double> notWhole = SmallMap;
    notWhole[1 * 4 + 2] = 2.5;
    struct Row {
        const char* name;
        RasterLayout map, reference;
        std::optional<std::vector<double>> classes;
        std::vector<double> expectedClasses;
        std::vector<std::uint64_t> expected;
        const char* refused;
    };
    const Row rows[] = {
        // clang-format off
        // Class 4 never occurs; the order is the list's.
        {"given_order_and_an_absent_class", small(SmallMap), small(SmallReference),
         std::vector<double>{3, 1, 2, 4}, {3, 1, 2, 4}, {4, 0, 1, 0, 0, 2, 1, 0, 0, 1, 3, 0, 0, 0, 0, 0}, nullptr},
        {"value_outside_the_list", small(SmallMap), small(SmallReference), std::vector<double>{1, 2}, {}, {},
         "the map holds 3 at row 0, column 3 (counted from 0), which is not among --classes"},
        {"value_that_is_no_class", small(notWhole, GDT_Float32), small(SmallReference), std::nullopt,
         {}, {}, "2.5 at row 1, column 2"},
        {"byte_values_beyond_254_classes", RasterOf(16, 16, many), RasterOf(16, 16, many), std::nullopt, {}, {},
         "the maps hold 256 classes; at most 254 are allowed"},
        {"word_values_beyond_254_classes", RasterOf(20, 16, wide, {}, GDT_UInt16),
         RasterOf(20, 16, wide, {}, GDT_UInt16), std::nullopt, {}, {}, "the map holds 320 classes; at most 254 are allowed"},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MapRequest request = rasters(row.map, row.reference);
        request.classes = row.classes;
        request.threads = 1;
        if (row.refused != nullptr) {
            const MapError e = refused(request);
            EXPECT_EQ(e.kind, MapError::BadInput);
            EXPECT_TRUE(Has(e.message, row.refused));
            continue;
        }
        const MapCount c = counted(request);
        EXPECT_EQ(c.classValues, row.expectedClasses);
        EXPECT_EQ(c.counts, row.expected);
    }
}

// A larger pair of patches of ten classes with no-data 0, counted here by a plain
// loop, is counted alike striped, tiled, compressed, in one thread or three.
TEST_F(MapCountingTest, LayoutsAndThreadsGiveTheSameCounts) {
    const int width = 700, height = 600;
    std::vector<double> map(width * height), reference(width * height);
    std::map<std::pair<double, double>, std::uint64_t> expected;
    std::uint64_t left = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double m = y > 590 ? 0 : 1 + (x / 37 + y / 53) % 10;
            const double r = x < 5                       ? 0
                             : (x * 7 + y * 3) % 11 == 0 ? 1 + static_cast<int>(m) % 10
                                                         : m;
            map[static_cast<std::size_t>(y * width + x)] = m;
            reference[static_cast<std::size_t>(y * width + x)] = r;
            if (m == 0 || r == 0)
                ++left;
            else
                ++expected[{m, r}];
        }
    }
    const std::vector<std::string> tiled{"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    struct Row {
        const char* name;
        std::vector<std::string> options, referenceOptions;
        int threads;
    };
    const Row rows[] = {
        {"striped_one_thread", {}, {}, 1},
        {"striped_three_threads", {}, {}, 3},
        {"tiled", tiled, tiled, 2},
        {"tiled_deflate",
         {"TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=128", "COMPRESS=DEFLATE"},
         {"TILED=YES", "BLOCKXSIZE=128", "BLOCKYSIZE=128", "COMPRESS=DEFLATE"},
         3},
        {"tiled_map_striped_reference", tiled, {"COMPRESS=LZW"}, 2},
        {"striped_map_tiled_reference", {}, tiled, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RasterLayout mapLayout = RasterOf(width, height, map, 0.0);
        RasterLayout referenceLayout = RasterOf(width, height, reference, 0.0);
        mapLayout.creationOptions = row.options;
        referenceLayout.creationOptions = row.referenceOptions;
        MapRequest request = rasters(mapLayout, referenceLayout);
        request.threads = row.threads;
        const MapCount c = counted(request);
        std::map<std::pair<double, double>, std::uint64_t> got;
        const std::size_t n = c.classValues.size();
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                if (c.counts[i * n + j] != 0)
                    got[{c.classValues[i], c.classValues[j]}] = c.counts[i * n + j];
        EXPECT_EQ(got, expected);
        EXPECT_EQ(n, 10u);
        EXPECT_EQ(c.source.nodata, left);
        EXPECT_EQ(c.source.counted + left, static_cast<std::uint64_t>(width * height));
    }
}

TEST_F(MapCountingTest, DifferingGridsAreNamedBothWays) {
    struct Row {
        const char* name;
        RasterLayout reference;
        std::vector<std::string> named; // what the message must hold
    };
    RasterLayout taller = small(std::vector<double>(16, 1));
    taller.height = 4;
    RasterLayout shifted = small(SmallReference);
    shifted.transform[0] += 0.5;
    RasterLayout otherZone = small(SmallReference);
    otherZone.epsg = 32633;
    RasterLayout noCrs = small(SmallReference);
    noCrs.epsg = 0;
    const Row rows[] = {
        {"size", taller, {"4 x 3", "4 x 4"}},
        {"geotransform", shifted, {"500000, 10", "500000.5, 10"}},
        {"crs", otherZone, {"zone 32N", "zone 33N"}},
        {"crs_missing", noCrs, {"zone 32N", "none"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MapRequest request = rasters(small(SmallMap), row.reference);
        const MapError e = refused(request);
        EXPECT_EQ(e.kind, MapError::BadInput);
        for (const std::string& text : row.named)
            EXPECT_TRUE(Has(e.message, text));
    }
    // The same coordinate system written another way is the same grid.
    RasterLayout sameCrs = small(SmallReference);
    sameCrs.crsText = "+proj=utm +zone=32 +datum=WGS84 +units=m +no_defs";
    MapRequest request = rasters(small(SmallMap), sameCrs);
    EXPECT_EQ(counted(request).source.counted, 12u);
}

// The map 4 x 3 of 10 m pixels from (500000, 4000000): a point on the left or top
// edge is inside, one on the right or bottom edge outside, one on an edge
// between pixels in the pixel to its right or below.
TEST_F(MapCountingTest, PointsOnEdgesOutsideEmptyAndOnNoData) {
    RasterLayout mapSpec = small(SmallMap);
    mapSpec.nodata = 2;
    MapRequest request = points(mapSpec);
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632,
                            {
                                {500005, 3999995, "1"}, // row 0, col 0: map 1
                                {500000, 3999985, "3"}, // left edge, row 1 col 0: map 2, no-data
                                {500035, 4000000, "3"}, // top edge, row 0 col 3: map 3
                                {500010, 3999975, "3"}, // between cols 0 and 1, row 2: col 1, map 3
                                {500040, 3999995, "1"}, // right edge: outside
                                {500005, 3999970, "1"}, // bottom edge: outside
                                {400000, 3999995, "1"}, // far off
                                {500025, 3999995, {}},  // empty field
                                {500025, 3999995, " "}, // a blank field
                                {500025, 3999980, "1"}, // row 2, col 2: map 3
                            }));
    const MapCount c = counted(request);
    // Map classes 1 and 3 (2 is no-data); pairs (1,1), (3,3) twice, (3,1).
    EXPECT_EQ(c.classValues, (std::vector<double>{1, 3}));
    EXPECT_EQ(c.counts, (std::vector<std::uint64_t>{1, 0, 1, 2}));
    EXPECT_EQ(c.source.counted, 4u);
    EXPECT_EQ(c.source.outside, 3u);
    EXPECT_EQ(c.source.nodata, 1u);
    EXPECT_EQ(c.source.empty, 2u);
    // The map's own areas: three pixels of class 1 and five of class 3, 100 m² each.
    ASSERT_TRUE(c.areas);
    EXPECT_EQ(c.areas->perClass, (std::vector<double>{300, 500}));
    EXPECT_EQ(c.areas->unit, "m²");
    EXPECT_EQ(c.mapPixels, (std::vector<std::uint64_t>{3, 5}));

    request.window = PixelWindow{2, 0, 2, 3}; // columns 2 and 3 only
    const MapCount part = counted(request);
    EXPECT_EQ(part.source.counted, 2u);
    EXPECT_EQ(part.source.outside, 6u);
    // Columns 2 and 3 hold 2 3 | 3 3 | 3 2: four pixels of class 3, 2 being no-data.
    EXPECT_EQ(part.mapPixels, (std::vector<std::uint64_t>{0, 4}));
}

TEST_F(MapCountingTest, PointsInAnotherCrsAreTransformedInGisOrder) {
    MapRequest request = points(small(SmallMap));
    // Each pixel's centre in longitude and latitude, with the reference's class.
    OGRSpatialReference utm, wgs84;
    utm.importFromEPSG(32632);
    wgs84.importFromEPSG(4326);
    utm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(
        OGRCreateCoordinateTransformation(&utm, &wgs84));
    ASSERT_TRUE(toWgs84);
    std::vector<PointSpec> points;
    for (int i = 0; i < 12; ++i) {
        double x = 500005 + 10 * (i % 4), y = 3999995 - 10 * (i / 4);
        ASSERT_TRUE(toWgs84->Transform(1, &x, &y));
        points.push_back(
            {x, y, std::to_string(static_cast<int>(SmallReference[static_cast<std::size_t>(i)]))});
    }
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 4326, points));
    const MapCount c = counted(request);
    EXPECT_EQ(c.counts, (std::vector<std::uint64_t>{2, 1, 0, 1, 3, 0, 0, 1, 4}));
    EXPECT_EQ(c.source.outside, 0u);
}

TEST_F(MapCountingTest, PointReferenceRefusals) {
    MapRequest request = points(small(SmallMap));
    ASSERT_TRUE(WritePoints(request.referencePath, "first", 32632,
                            {{500005, 3999995, "1"}, {500015, 3999995, "2"}}, 1));
    ASSERT_TRUE(WritePoints(request.referencePath, "second", 32632, {{500005, 3999995, "1.5"}}));
    struct Row {
        const char* name;
        std::string layer, field;
        std::optional<std::vector<double>> classes;
        std::string message;
    };
    const Row rows[] = {
        {"two_layers_none_chosen", "", "class", {}, "has 2 layers (first, second)"},
        {"polygon", "first", "class", {}, "feature 2 of"},
        {"class_not_whole", "second", "class", {}, "has the class 1.5"},
        {"no_such_field", "second", "kind", {}, "has no field kind"},
        {"no_such_layer", "third", "class", {}, "has no layer third"},
        {"map_value_outside_classes", "first", "class", std::vector<double>{2, 3},
         "feature 1 of " + request.referencePath +
             ": the map holds 1, which is not among --classes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        request.referenceLayer = row.layer;
        request.referenceField = row.field;
        request.classes = row.classes;
        const MapError e = refused(request);
        EXPECT_EQ(e.kind, MapError::BadInput);
        EXPECT_TRUE(Has(e.message, row.message));
    }
}

// The area of a cell on the WGS 84 ellipsoid, integrated here numerically:
// M(phi) N(phi) cos(phi) dphi dlambda.
double integratedArea(double lat1, double lat2, double widthDegrees) {
    const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f);
    const int steps = 2000;
    const double h = (lat2 - lat1) / steps * M_PI / 180;
    double sum = 0;
    for (int i = 0; i <= steps; ++i) {
        const double phi = lat1 * M_PI / 180 + i * h;
        const double w = 1 - e2 * std::sin(phi) * std::sin(phi);
        const double value = a * (1 - e2) / std::pow(w, 1.5) * a / std::sqrt(w) * std::cos(phi);
        sum += value * (i == 0 || i == steps ? 1 : i % 2 ? 4 : 2);
    }
    return std::fabs(sum * h / 3 * widthDegrees * M_PI / 180);
}

TEST_F(MapCountingTest, GeographicMapAreasByRowOnTheEllipsoid) {
    // Two rows of half-degree pixels: 60 to 59.5 N of class 1, 59.5 to 59 N of
    // class 2, each row three pixels wide.
    RasterLayout layout = RasterOf(3, 2, {1, 1, 1, 2, 2, 2});
    layout.transform = {10, 0.5, 0, 60, 0, -0.5};
    layout.epsg = 4326;
    MapRequest request = points(layout);
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 4326,
                            {{10.2, 59.8, "1"}, {10.7, 59.2, "2"}}));
    const MapCount c = counted(request);
    ASSERT_TRUE(c.areas);
    EXPECT_EQ(c.areas->unit, "m²");
    ASSERT_EQ(c.areas->perClass.size(), 2u);
    EXPECT_NEAR(c.areas->perClass[0], integratedArea(59.5, 60, 1.5), 1.0);
    EXPECT_NEAR(c.areas->perClass[1], integratedArea(59, 59.5, 1.5), 1.0);
}

TEST_F(MapCountingTest, ReadErrorMidwayGivesGdalsMessageAndNoCounts) {
    const int size = 1024;
    std::vector<double> values(size * size);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 1 + static_cast<double>((i * 2654435761u) % 7);
    RasterLayout layout = RasterOf(size, size, values);
    layout.creationOptions = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    MapRequest request = rasters(layout, layout);
    std::filesystem::resize_file(request.referencePath,
                                 std::filesystem::file_size(request.referencePath) * 6 / 10);
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        request.threads = threads;
        const MapError e = refused(request);
        EXPECT_EQ(e.kind, MapError::ReadError);
        EXPECT_EQ(e.message.rfind("cannot read " + request.referencePath + ": ", 0), 0u)
            << e.message;
        EXPECT_GT(e.message.size(), ("cannot read " + request.referencePath + ": ").size() + 5);
    }
    request.mapPath = path("missing.tif");
    EXPECT_EQ(refused(request).kind, MapError::ReadError);

    // A layer of points cut short.
    std::vector<PointSpec> points(5000, PointSpec{500005, 3999995, "1"});
    request.mapPath = raster("small.tif", small(SmallMap));
    request.referencePath = path("points.gpkg");
    request.referenceField = "class";
    ASSERT_TRUE(WritePoints(request.referencePath, "samples", 32632, points));
    std::filesystem::resize_file(request.referencePath,
                                 std::filesystem::file_size(request.referencePath) * 9 / 10);
    const MapError cut = refused(request);
    EXPECT_EQ(cut.kind, MapError::ReadError);
    EXPECT_EQ(cut.message.rfind("cannot read " + request.referencePath + ": ", 0), 0u)
        << cut.message;
}

// More than 2^32 pairs in one cell, from a VRT that repeats a 1000 x 1000 pair
// 66 x 66 times: each tile holds a 10 x 10 square of class 2, the rest class 1.
// It reads 4.4 * 10^9 pairs, seconds in a release build and minutes in a debug
// one, so it runs only when asked (--gtest_also_run_disabled_tests).
TEST_F(MapCountingTest, DISABLED_CountBeyondThirtyTwoBitsInOneCell) {
    const int size = 1000, repeat = 66;
    std::vector<double> values(static_cast<std::size_t>(size) * size, 1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            values[static_cast<std::size_t>(y) * size + x] = 2;
    RasterLayout layout = RasterOf(size, size, values);
    layout.creationOptions = {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"};
    raster("tile.tif", layout);
    std::string vrt = "<VRTDataset rasterXSize=\"66000\" rasterYSize=\"66000\">\n"
                      "  <VRTRasterBand dataType=\"Byte\" band=\"1\" blockXSize=\"1000\" "
                      "blockYSize=\"1000\">\n";
    for (int ty = 0; ty < repeat; ++ty)
        for (int tx = 0; tx < repeat; ++tx)
            vrt += "    <SimpleSource><SourceFilename relativeToVRT=\"1\">tile.tif</SourceFilename>"
                   "<SourceBand>1</SourceBand><SrcRect xOff=\"0\" yOff=\"0\" xSize=\"1000\" "
                   "ySize=\"1000\"/><DstRect xOff=\"" +
                   std::to_string(tx * size) + "\" yOff=\"" + std::to_string(ty * size) +
                   "\" xSize=\"1000\" ySize=\"1000\"/></SimpleSource>\n";
    vrt += "  </VRTRasterBand>\n</VRTDataset>\n";
    writeFile(dir / "repeated.vrt", vrt);
    MapRequest request;
    request.mapPath = path("repeated.vrt");
    request.referencePath = path("repeated.vrt");
    const MapCount c = counted(request);
    // 4356 tiles: (10^6 - 100) pairs of class 1 and 100 of class 2 in each.
    EXPECT_EQ(c.counts, (std::vector<std::uint64_t>{4355564400ull, 0, 0, 435600}));
    EXPECT_EQ(c.source.counted, 4356000000ull);
}

} // namespace
} // namespace brennic::test
