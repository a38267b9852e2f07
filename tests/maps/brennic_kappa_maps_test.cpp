// brennic-kappa --map run as a process: it starts brennic-kappa-maps in its place,
// writes exactly what the matrix of the same counts gives, adds the source
// record, and fails with the right status when the companion or a file is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>

#include <sys/stat.h>

#include "../cli/kappa_process.h"
#include "../text_width.h"
#include "map_files.h"

namespace brennic::test {
namespace {

class KappaMapsTest : public KappaProcessTest {
  protected:
    // The 4 x 3 pair counted by hand: 2 1 0 | 1 3 0 | 0 1 4. The strata raster on
    // its grid, 0 its no-data value: stratum 7 holds 5 pixels, 9 holds 6. Eight
    // points at pixel centres, each as column, row and reference class; their map
    // classes 1 2 2 3 3 2 3 1, strata 7 7 7 9 9 9 9 and the last on no-data.
    void SetUp() override {
        KappaProcessTest::SetUp();
        raster("map.tif", Raster(4, 3, SmallMap));
        raster("ref.tif", Raster(4, 3, SmallReference));
        raster("strata.tif", Raster(4, 3, {7, 7, 7, 9, 7, 7, 9, 9, 0, 9, 9, 9}, 0.0));
        centres("points.gpkg",
                {0, 0, 1, 1, 1, 2, 2, 0, 1, 3, 0, 3, 2, 1, 3, 3, 2, 3, 1, 2, 2, 0, 2, 1});
    }
    void raster(const std::string& name, const Raster& r) {
        ASSERT_TRUE(WriteRaster((dir / name).string(), r));
    }
    // Points at pixel centres, given as column, row and class in turn; a class
    // of -1 leaves the class field empty.
    void centres(const std::string& name, const std::vector<int>& points) {
        std::vector<PointRow> rows;
        for (std::size_t i = 0; i + 2 < points.size(); i += 3)
            rows.push_back(
                {500005.0 + 10 * points[i], 3999995.0 - 10 * points[i + 1],
                 points[i + 2] < 0 ? std::nullopt : std::optional(std::to_string(points[i + 2]))});
        ASSERT_TRUE(WritePoints((dir / name).string(), "samples", 32632, rows));
    }
    static constexpr const char* Maps = "--map {dir}/map.tif --reference {dir}/ref.tif";
    static constexpr const char* Points =
        "--map {dir}/map.tif --reference {dir}/points.gpkg --reference-field class --report";
};

// The text report folds its source line within 100 columns: joined again.
std::string unfolded(std::string text) {
    for (std::size_t at = 0; (at = text.find("\n  ", at)) != std::string::npos;)
        text.replace(at, 3, " ");
    return text;
}

// The output of the maps is the matrix's, less its last `trimmed` bytes, and then
// `added`: the source record, or with points the stratified section. With points
// the map's own areas, 100 m² a pixel, are the mapped areas unless others are given.
TEST_F(KappaMapsTest, SameOutputAsTheMatrixPlusTheSourceRecord) {
    Raster proj(4, 3, SmallReference);
    proj.crs = "+proj=utm +zone=32 +datum=WGS84 +units=m +no_defs";
    raster("proj.tif", proj);
    const std::string counts = "12 counted; left out: 0 outside, 0 on no-data, 0 empty",
                      maps = std::string(Maps) + " ",
                      points = std::string(Points) + " --format json ",
                      json = "--report --format json", matrix = "2 1 0\n1 3 0\n0 1 4\n",
                      pointsMatrix = "2 0 0\n1 1 1\n0 1 2\n";
    // clang-format off
    const struct { const char* name; std::string mapsArgs, matrixArgs, matrix, added; std::size_t trimmed; } rows[] = {
        // The same coordinate system written another way is the same grid.
        {"same_crs_written_otherwise", "--map {dir}/map.tif --reference {dir}/proj.tif", "", matrix, "", 0},
        {"report_text", maps + "--report", "--report", matrix, "\nSource: map {dir}/map.tif, reference {dir}/ref.tif: " + counts + "\n", 0},
        {"report_csv", maps + "--report --format csv", "--report --format csv", matrix,
         "source,,map,{dir}/map.tif,,,,,\nsource,,reference,{dir}/ref.tif,,,,,\nsource,,counted,12,,,,,\n"
         "source.left_out,,outside,0,,,,,\nsource.left_out,,nodata,0,,,,,\nsource.left_out,,empty,0,,,,,\n", 0},
        {"report_json", maps + json, json, matrix,
         ",\n  \"source\": {\"map\": \"{dir}/map.tif\", \"reference\": \"{dir}/ref.tif\", \"map_band\": 1, \"reference_band\": 1, "
         "\"window\": [0, 0, 4, 3], \"nodata\": {\"map\": [], \"reference\": []}, \"counted\": 12, "
         "\"left_out\": {\"outside\": 0, \"nodata\": 0, \"empty\": 0}, \"map_pixels\": [3, 4, 5]}\n}\n", 3},
        {"points_own_areas", points + "--area-unit m2", json + " --mapped-area 300,400,500", pointsMatrix, ",\n  \"stratified\"", 3},
        {"points_given_areas", points + "--mapped-area 1,1,2", json + " --mapped-area 1,1,2", pointsMatrix, ",\n  \"stratified\"", 3},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome fromMatrix = run(row.matrixArgs, row.matrix);
        const KappaOutcome fromMaps = run(row.mapsArgs, "");
        ASSERT_EQ(fromMaps.status, 0) << fromMaps.err;
        EXPECT_EQ(fromMaps.err, "");
        const std::string expected =
            fromMatrix.out.substr(0, fromMatrix.out.size() - row.trimmed) + withDir(row.added);
        // The map's areas name their unit where given ones cannot.
        std::string out = unfolded(fromMaps.out);
        if (const std::size_t unit = out.find("\"area_unit\": \"m²\", \"overall_accuracy\"");
            unit != std::string::npos)
            out.erase(unit, std::string("\"area_unit\": \"m²\", ").size());
        EXPECT_EQ(out.substr(0, unfolded(expected).size()), unfolded(expected));
        // Given areas leave the map's unit out of the source record.
        EXPECT_EQ(Has(fromMaps.out, "area_unit"), row.name == std::string("points_own_areas"));
    }
}

// The map's 10 m pixels hold 100 m² each: classes 1, 2 and 3 cover 300, 400
// and 500 m², 0.03, 0.04 and 0.05 ha. The report shows them in hectares unless
// asked otherwise, and keeps the map's own in the source record for --sum.
TEST_F(KappaMapsTest, AreasInTheUnitAskedForAndAddedAsTheMapGaveThem) {
    Raster plain(4, 3, SmallMap);
    plain.crs.clear();
    raster("plain.tif", plain);
    const std::string points = std::string(Points) + " ";
    // clang-format off
    const struct { const char* name; std::string options; int status; std::vector<std::string> out; } rows[] = {
        {"hectares_by_default", "--format json", 0,
         {"\"area_weighted\": {\"area_unit\": \"ha\", ", "{\"class\": 1, \"label\": \"1\", \"mapped_area\": 0.03, ",
          "\"area_unit\": \"m²\", \"mapped_areas\": [300, 400, 500], "}},
        {"square_kilometres_in_csv", "--area-unit km2 --format csv", 0,
         {"\narea_weighted.classes,1,mapped_area,3e-04,,,,km²,\n", "\narea_weighted.classes,3,area,"}},
        {"square_metres_named_in_text", "--area-unit m2", 0,
         {"\nArea-weighted estimates of each class, areas in m²\n", "shown in m²\n"}},
        // The strata are the map's classes, sized as its areas: shown once.
        {"stratified_once_in_text", "", 0,
         {"\nStratified estimates (Stehman 2014), strata of any kind\n  The strata are the map's classes"}},
        {"unknown_unit", "--area-unit m3", 1, {"unknown area unit 'm3' (m2, ha, km2)"}},
        {"areas_as_given", "--mapped-area 1,1,2 --area-unit ha", 1, {"--area-unit is for the areas a map gives"}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(points + row.options, "");
        EXPECT_EQ(outcome.status, row.status) << outcome.err;
        for (const std::string& words : row.out)
            EXPECT_TRUE(Has(row.status == 0 ? outcome.out : outcome.err, words))
                << (row.status == 0 ? outcome.out : outcome.err);
    }
    EXPECT_FALSE(Has(run(points, "").out, "Stratified estimates of each class"));
    const KappaOutcome plainRun =
        run("--map {dir}/plain.tif --reference {dir}/points.gpkg --report --area-unit ha", "");
    EXPECT_EQ(plainRun.status, 1);
    EXPECT_TRUE(Has(plainRun.err, "the map's are in map unit²"));
    // Two windows add up to the whole, areas and all; the text of a window folds
    // its source line.
    const KappaOutcome whole = run(points + "--format json", "");
    for (const char* window : {"0,0,4,2", "0,2,4,1"}) {
        writeFile(dir / window, run(points + "--format json --window " + window, "").out);
        EXPECT_LE(widestLine(run(points + "--window " + window, "").out), 100u);
    }
    const KappaOutcome sum = run("--sum --report --format json {dir}/0,0,4,2 {dir}/0,2,4,1", "");
    ASSERT_EQ(sum.status, 0) << sum.err;
    const auto beforeSource = [](const std::string& text) {
        return text.substr(0, text.find("\"source\""));
    };
    EXPECT_EQ(beforeSource(sum.out), beforeSource(whole.out));
}

// A design's strata from the map: its classes hold 3, 4 and 5 pixels; the
// strata raster's values 7 and 9 hold 5 and 6 where neither raster is no-data.
// Six units in proportion: 1.5, 2 and 2.5, the unit left over to the larger of
// the two tied remainders, class 3.
TEST_F(KappaMapsTest, DesignTakesItsStrataFromTheMap) {
    const std::string design = "--map {dir}/map.tif --design ";
    const struct {
        const char* name;
        std::string args;
        int status;
        std::string words;
    } rows[] = {
        {"map_classes", design + "--expected-accuracy 0.8 --sample-size 6 --format json", 0,
         "\"allocation\": \"proportional\", \"chosen\": true, \"units\": [1, 2, 3]"},
        {"strata_values",
         design + "--strata {dir}/strata.tif --expected-accuracy 7=0.9,9=0.8 "
                  "--sample-size 4 --allocation equal --format json",
         0,
         "{\"label\": \"9\", \"size\": 6, \"weight\": 0.5454545454545454, "
         "\"area\": 0.06, \"expected_accuracy\": 0.8}"},
        {"area_in_the_unit_asked_for",
         design + "--expected-accuracy 0.8 --sample-size 6 --area-unit m2 --format csv", 0,
         "strata,3,area,500,,,,m²,\n"},
        {"class_not_in_the_map", design + "--expected-accuracy 4=0.8 --sample-size 6", 1,
         "--expected-accuracy names stratum '4', which the map does not hold"},
        {"class_without_a_pixel",
         design + "--classes 1,2,3,4 --expected-accuracy 4=0.8 --sample-size 6", 1,
         "--expected-accuracy names stratum '4', which has no pixel in the window"},
        {"design_options_need_design",
         "--map {dir}/map.tif --reference {dir}/ref.tif --report "
         "--sample-size 6",
         1, "--sample-size needs --design"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, row.status) << outcome.err;
        EXPECT_TRUE(Has(row.status == 0 ? outcome.out : outcome.err, withDir(row.words)))
            << outcome.out << outcome.err;
    }
}

// A stratum's size counts its pixels where neither raster is no-data: with 3 the
// map's no-data value, stratum 9 keeps one pixel (row 2, column 3) of its six,
// and holds the one point there; stratum 7 keeps its five.
TEST_F(KappaMapsTest, StrataSizesLeaveOutTheMapsNodata) {
    raster("map3.tif", Raster(4, 3, SmallMap, 3.0));
    const KappaOutcome outcome =
        run("--map {dir}/map3.tif --reference {dir}/points.gpkg --reference-field class "
            "--strata {dir}/strata.tif --report --format json",
            "");
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    // Its units by map and reference class: (1, 1), (2, 1) and (2, 2) in 7, (2, 3) in 9.
    EXPECT_TRUE(Has(outcome.out, "{\"label\": \"7\", \"size\": 5, \"sample_units\": 3, "
                                 "\"units\": [[1, 1, 1], [2, 1, 1], [2, 2, 1]]}"));
    EXPECT_TRUE(Has(outcome.out, "{\"label\": \"9\", \"size\": 1, \"sample_units\": 1, "
                                 "\"units\": [[2, 3, 1]]}"));
    // A design over the same two rasters counts the same sizes.
    const KappaOutcome design = run("--map {dir}/map3.tif --design --strata {dir}/strata.tif "
                                    "--expected-accuracy 0.9 --sample-size 3 --format json",
                                    "");
    ASSERT_EQ(design.status, 0) << design.err;
    EXPECT_TRUE(Has(design.out, "{\"label\": \"9\", \"size\": 1, "));
}

// Drawn, filled in and read back: six units in proportion to the classes' 3, 4
// and 5 pixels (1, 2, 3) and a reserve each, written as CSV; the sample's rows
// given their reference class from ref.tif make the report of those pixels.
TEST_F(KappaMapsTest, SampleDrawnFilledInAndReadBack) {
    const std::string draw = "--map {dir}/map.tif --design --expected-accuracy 0.8 "
                             "--sample-size 6 --reserve 1 --seed 3 --draw ";
    const KappaOutcome drawn = run(draw + "{dir}/sample.csv", "");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    EXPECT_TRUE(Has(drawn.out, "Drawn: 9 points into " + withDir("{dir}/sample.csv")));
    std::ifstream in(dir / "sample.csv");
    std::string line, filled = "x,y,reference\n", units3;
    std::getline(in, line);
    EXPECT_EQ(line, "id,stratum,map_class,x,y,row,col,inclusion_probability,weight,reserve,"
                    "reference");
    std::vector<std::uint64_t> matrix(9, 0);
    std::map<std::string, int> units, reserves;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        ASSERT_EQ(f.size(), 10u) << line; // the empty reference ends the line
        const auto at = static_cast<std::size_t>(std::stoi(f[5]) * 4 + std::stoi(f[6]));
        EXPECT_EQ(f[2], std::to_string(static_cast<int>(SmallMap[at])));
        EXPECT_EQ(f[1], f[2]); // the strata are the map's classes
        ++(f[9] == "0" ? units : reserves)[f[1]];
        if (f[9] != "0")
            continue;
        const int reference = static_cast<int>(SmallReference[at]);
        ++matrix[static_cast<std::size_t>((SmallMap[at] - 1) * 3 + reference - 1)];
        filled += f[3] + "," + f[4] + "," + std::to_string(reference) + "\n";
        units3 += f[1] + "," + f[2] + "," + std::to_string(reference) + "\n";
    }
    EXPECT_EQ(units, (std::map<std::string, int>{{"1", 1}, {"2", 2}, {"3", 3}}));
    EXPECT_EQ(reserves, (std::map<std::string, int>{{"1", 1}, {"2", 1}, {"3", 1}}));
    writeFile(dir / "filled.csv", filled);
    const KappaOutcome report =
        run("--map {dir}/map.tif --reference {dir}/filled.csv --reference-field reference "
            "--report --format json",
            "");
    ASSERT_EQ(report.status, 0) << report.err;
    std::string rows;
    for (std::size_t r = 0; r < 3; ++r)
        rows += std::string(r ? ", " : "") + "[" + std::to_string(matrix[r * 3]) + ", " +
                std::to_string(matrix[r * 3 + 1]) + ", " + std::to_string(matrix[r * 3 + 2]) + "]";
    EXPECT_TRUE(Has(report.out, "\"matrix\": [" + rows + "]")) << report.out;
    EXPECT_TRUE(Has(report.out, "{\"label\": \"3\", \"size\": 5, \"sample_units\": 3, "));
    // The same units as a stratified sample take their sizes from the design record.
    const std::string samples = "--samples --format json --strata-sizes @{dir}/";
    const KappaOutcome fromRecord = run(samples + "sample.design.json", units3);
    ASSERT_EQ(fromRecord.status, 0) << fromRecord.err;
    const auto strata = [](const std::string& out) {
        const std::size_t from = out.find("\"strata\": [");
        return out.substr(from, out.find(']', from) - from);
    };
    EXPECT_EQ(strata(fromRecord.out), strata(report.out));
    const KappaOutcome notARecord = run(samples + "filled.csv", units3);
    EXPECT_EQ(notARecord.status, 1);
    EXPECT_TRUE(Has(notARecord.err, "filled.csv is no design record: it is no JSON object"));
    // The same seed writes the same bytes with any number of threads; the record
    // beside the points names the seed.
    const KappaOutcome again = run(draw + "{dir}/again.csv --threads 2", "");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(readFile(dir / "again.csv"), readFile(dir / "sample.csv"));
    EXPECT_TRUE(Has(readFile(dir / "sample.design.json"), "\"seed\": 3, \"reserve\": 1"));
    // A GeoPackage keeps the design's record in its metadata too.
    ASSERT_EQ(run(draw + "{dir}/g.gpkg", "").status, 0);
    GDALDatasetUniquePtr gpkg(GDALDataset::Open((dir / "g.gpkg").string().c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(gpkg);
    const char* record = gpkg->GetLayerByName("sample")->GetMetadataItem("DESIGN");
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record), readFile(dir / "g.design.json"));
    writeFile(dir / "file", "");
    // clang-format off
    const struct { const char* name; std::string args; const char* words; } refused[] = {
        {"exists", draw + "{dir}/sample.csv", "sample.csv exists: give --overwrite to replace it"},
        {"folder_is_a_file", draw + "{dir}/file/sample.csv", "does not exist: no points are written"},
        {"not_a_points_file", draw + "{dir}/sample.txt", "--draw writes a .gpkg, .geojson or .csv file"},
        {"no_map", "--design --strata-sizes a=10 --expected-accuracy 0.8 --sample-size 2 --draw {dir}/x.csv", "--draw needs --map"},
    };
    // clang-format on
    for (const auto& row : refused) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, 1);
        EXPECT_TRUE(Has(outcome.err, row.words)) << outcome.err;
    }
    EXPECT_EQ(run(draw + "{dir}/sample.csv --overwrite", "").status, 0);
}

TEST_F(KappaMapsTest, FailuresAndTheirStatus) {
    std::vector<double> bytes(256), words(320), notWhole = SmallMap;
    std::iota(bytes.begin(), bytes.end(), 0.0);    // every value of a byte band
    std::iota(words.begin(), words.end(), 1000.0); // 320 values of a 16-bit band
    notWhole[6] = 2.5;
    raster("bytes.tif", Raster(16, 16, bytes));
    raster("words.tif", Raster(20, 16, words, {}, GDT_UInt16));
    raster("notwhole.tif", Raster(4, 3, notWhole, {}, GDT_Float32));
    Raster shifted(4, 3, SmallReference), otherZone = shifted;
    shifted.transform[0] += 0.5;
    raster("shifted.tif", shifted);
    otherZone.crs = "EPSG:32633";
    raster("zone33.tif", otherZone);
    otherZone.crs = "";
    raster("nocrs.tif", otherZone);
    // Transverse Mercator by hand (the map's read as UTM zone 32N), the
    // reference's false easting 1 cm further.
    const std::string tmerc =
        "+proj=tmerc +lat_0=0 +lon_0=9 +k=0.9996 +y_0=0 +datum=WGS84 +units=m";
    otherZone.crs = tmerc + " +x_0=500000";
    raster("tmerc.tif", otherZone);
    otherZone.crs = tmerc + " +x_0=500000.01";
    raster("tmerc_shifted.tif", otherZone);
    raster("complex.tif", Raster(4, 3, SmallMap, {}, GDT_CFloat32));
    // The second feature of the layer "first" is a polygon.
    ASSERT_TRUE(WritePoints((dir / "layers.gpkg").string(), "first", 32632,
                            {{500005, 3999995, "1"}, {500015, 3999995, "2"}}, 1));
    ASSERT_TRUE(
        WritePoints((dir / "layers.gpkg").string(), "second", 32632, {{500005, 3999995, "1.5"}}));
    raster("wide.tif", Raster(5, 3, std::vector<double>(15, 7)));
    // Class 9 at (3,1), a pixel without a point.
    std::vector<double> nine = SmallMap;
    nine[7] = 9;
    raster("nine.tif", Raster(4, 3, nine));
    // Stratum 9 is the one pixel (3,0), which holds two points.
    raster("single.tif", Raster(4, 3, {7, 7, 7, 9, 7, 7, 7, 7, 7, 7, 7, 7}));
    centres("twice.gpkg", {3, 0, 3, 3, 0, 3});
    writeFile(dir / "part.json",
              run(std::string(Points) + " --strata {dir}/strata.tif --format json", "").out);
    writeFile(dir / "plain.json", run(std::string(Points) + " --format json", "").out);
    std::filesystem::create_directories(dir / "folder");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::copy_file(dir / "ref.tif", dir / "cut.tif");
    std::filesystem::resize_file(dir / "cut.tif", 100);
    const std::string maps = std::string(Maps) + " ", points = std::string(Points) + " ",
                      map = "--map {dir}/map.tif --reference {dir}/",
                      layers = map + "layers.gpkg --reference-field ";
    // clang-format off
    const struct { const char* name; std::string args; int status; const char* message; } rows[] = {
        {"value_that_is_no_class", "--map {dir}/notwhole.tif --reference {dir}/ref.tif", 1, "2.5 at row 1, column 2"},
        {"byte_values_beyond_254_classes", "--map {dir}/bytes.tif --reference {dir}/bytes.tif", 1, "the maps hold 256 classes; at most 254 are allowed"},
        {"word_values_beyond_254_classes", "--map {dir}/words.tif --reference {dir}/words.tif --threads 1", 1, "the map holds more than 254 classes: one more, 1256, is at row 12, column 16 (counted from 0)"},
        // Grids that differ are named both ways.
        {"size", map + "wide.tif", 1, "the map is 4 x 3 pixels, the reference 5 x 3"},
        {"geotransform", map + "shifted.tif", 1, "(500000, 10, 0, 4000000, 0, -10), the reference's (500000.5, 10,"},
        {"crs", map + "zone33.tif", 1, "zone 32N (EPSG:32632), the reference's WGS 84 / UTM zone 33N"},
        {"crs_one_parameter", "--map {dir}/tmerc.tif --reference {dir}/tmerc_shifted.tif", 1, "(+proj=utm +zone=32 +datum=WGS84 +units=m +no_defs), the reference's unknown (+proj=tmerc +lat_0=0 +lon_0=9 +k=0.9996 +x_0=500000.01"},
        {"complex_band", "--map {dir}/complex.tif --reference {dir}/ref.tif", 1, "band 1 of {dir}/complex.tif is complex (CFloat32): its values are no classes"},
        {"crs_missing", map + "nocrs.tif", 1, "zone 32N (EPSG:32632), the reference's none"},
        {"two_layers_none_chosen", layers + "class", 1, "has 2 layers (first, second)"},
        {"polygon", layers + "class --reference-layer first", 1, "feature 2 of"},
        {"class_not_whole", layers + "class --reference-layer second", 1, "has the class 1.5"},
        {"no_such_field", layers + "kind --reference-layer second", 1, "has no field kind"},
        {"reference_missing", "--map {dir}/map.tif", 1, "--map needs --reference"},
        {"reference_without_map", "--reference {dir}/ref.tif", 1, "--reference needs --map"},
        {"with_pairs", maps + "--pairs", 1, "--pairs does not go with --map"},
        {"with_transpose", maps + "--transpose", 1, "--transpose does not go with --map"},
        {"with_input_file", maps + "{dir}/input", 1, "--map does not go with an input file"},
        {"bad_window", maps + "--window 1,2,3", 1, "--window needs XOFF,YOFF,XSIZE,YSIZE"},
        // Windows that reach one pixel beyond the right or the bottom edge.
        {"window_beyond_right", maps + "--window 3,0,2,3", 1, "the window 3,0,2,3 does not lie within the map's 4 x 3 pixels"},
        {"window_beyond_bottom", maps + "--window 0,2,4,2", 1, "the window 0,2,4,2 does not lie within"},
        {"bad_threads", maps + "--threads 0", 1, "--threads needs a whole number"},
        {"value_not_among_classes", maps + "--classes 1,2", 1, "the map holds 3 at row 0, column 3 (counted from 0), which is not among --classes"},
        {"point_class_not_among_classes", points + "--classes 3", 1, "feature 1 of {dir}/points.gpkg: the map holds 1, which is not among --classes"},
        {"map_class_under_no_point_not_among_classes", "--map {dir}/nine.tif --reference {dir}/points.gpkg --reference-field class --report --classes 1,2,3", 1,
         "the map holds 9 at row 1, column 3 (counted from 0), which is not among --classes"},
        {"classes_with_an_exponent", maps + "--classes 1e0,2,3", 1, "class 1 of --classes is no whole number: 1e0"},
        {"no_such_band", maps + "--reference-band 2", 1, "ref.tif has 1 bands; there is no band 2 for --reference-band"},
        {"reference_crs_unread", points + "--reference-crs nonsense", 1, "--reference-crs: GDAL reads no coordinate system from nonsense"},
        {"no_such_layer", points + "--reference-layer none", 1, "{dir}/points.gpkg has no layer none"},
        {"unreadable_reference", "--map {dir}/map.tif --reference {dir}/cut.tif", 3, "cannot read {dir}/cut.tif"},
        {"missing_map", "--map {dir}/none.tif --reference {dir}/map.tif --report", 3, "cannot read {dir}/none.tif: "},
        // Why a file is not read: it is missing, a folder, a FIFO (refused, not
        // waited on), or holds the other kind of data.
        {"map_no_such_file", "--map {dir}/nope.tif --reference {dir}/ref.tif", 3, "cannot read {dir}/nope.tif: no such file"},
        {"map_folder", "--map {dir}/folder --reference {dir}/ref.tif", 3, "cannot read {dir}/folder: it is a folder"},
        {"map_fifo", "--map {dir}/fifo --reference {dir}/ref.tif", 3, "cannot read {dir}/fifo: it is a FIFO, device or socket, not a file"},
        {"map_of_points", "--map {dir}/points.gpkg --reference {dir}/ref.tif", 1, "{dir}/points.gpkg is not a raster (it holds vector layers: use it as --reference)"},
        {"reference_fifo", "--map {dir}/map.tif --reference {dir}/fifo", 3, "cannot read {dir}/fifo: it is a FIFO"},
        {"reference_no_such_file", "--map {dir}/map.tif --reference {dir}/none.gpkg --reference-field class", 3, "cannot read {dir}/none.gpkg: no such file"},
        {"reference_raster_with_field", maps + "--reference-field class", 1, "{dir}/ref.tif is a raster; --reference-field is for a layer of points"},
        {"strata_of_points", points + "--strata {dir}/points.gpkg", 1, "{dir}/points.gpkg is not a raster (it holds vector layers)"},
        {"strata_folder", points + "--strata {dir}/folder", 3, "cannot read {dir}/folder: it is a folder"},
        {"sum_of_a_fifo", "--sum --report {dir}/fifo", 3, "cannot read {dir}/fifo: it is a FIFO"},
        {"sum_of_a_folder", "--sum --report {dir}/folder", 3, "cannot read {dir}/folder: it is a folder"},
        {"strata_on_another_grid", points + "--strata {dir}/wide.tif", 1, "the map is 4 x 3 pixels, the strata raster 5 x 3: they must be on the same grid"},
        {"strata_with_raster_reference", maps + "--report --strata {dir}/strata.tif", 1, "--strata stratifies sample points: it needs a point reference"},
        {"strata_with_more_points_than_pixels",
         "--map {dir}/map.tif --reference {dir}/twice.gpkg --reference-field class --report --strata {dir}/single.tif", 1,
         "stratum 9 of {dir}/single.tif holds 2 points but only 1 pixel"},
        {"strata_summed_with_others", "--sum --report {dir}/part.json {dir}/plain.json", 1, "cannot add {dir}/plain.json: its points were not stratified by --strata, as those of {dir}/part.json were"},
        {"fpc_without_points", maps + "--report --fpc", 1, "--fpc needs a sample"},
        {"align_points", points + "--align mode", 1, "--align reads a reference raster onto the map's grid; {dir}/points.gpkg is read as points"},
        {"align_unknown", maps + "--align cubic", 1, "--align takes nearest or mode, not 'cubic'"},
        {"sum_of_no_report", "--sum {dir}/map.tif", 1, "is no JSON report"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, row.status);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_TRUE(Has(outcome.err, withDir(row.message)));
    }
}

// brennic-kappa alone in a folder cannot start its companion: status 3, saying so.
TEST_F(KappaMapsTest, MissingCompanionIsStatusThree) {
    const std::string alone = (dir / "alone").string();
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(BRENNIC_KAPPA_PATH, alone + "/brennic-kappa");
    const int wait =
        std::system(("'" + alone + "/brennic-kappa' --map m.tif --reference r.tif 2>'" + alone +
                     "/err' >/dev/null")
                        .c_str());
    EXPECT_EQ(WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, 3);
    EXPECT_EQ(readFile(alone + "/err"), "brennic-kappa: cannot start " + alone +
                                            "/brennic-kappa-maps, which reads the maps: No such "
                                            "file or directory\n");
}

// A reference on another grid is refused unless --align reads it onto the map's.
// A reference of 5 m pixels under the 10 m map: each map pixel's four hold its
// class of the small reference three times and another once, so that their mode
// is that class, and the four under the last pixel (map 2, reference 2) are
// no-data. Counted by hand: the small pair's counts, one (2, 2) fewer.
// And the reference in Web Mercator read back by nearest: the same count as
// gdalwarp -r near onto the map's grid followed by a plain count.
TEST_F(KappaMapsTest, ReferenceOnAnotherGridReadOntoTheMapsWithAlign) {
    std::vector<double> fine(8 * 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const double c = SmallReference[static_cast<std::size_t>(y / 2 * 4 + x / 2)];
            const bool odd = (y % 2) * 2 + x % 2 == (x / 2 + y / 2) % 4;
            fine[static_cast<std::size_t>(y * 8 + x)] = x / 2 == 3 && y / 2 == 2 ? 0
                                                        : odd ? std::fmod(c, 3) + 1
                                                              : c;
        }
    Raster reference(8, 6, fine, 0.0);
    reference.transform = {500000, 5, 0, 4000000, 0, -5};
    raster("fine.tif", reference);
    const std::string fineMaps = "--map {dir}/map.tif --reference {dir}/fine.tif --report ";
    EXPECT_TRUE(Has(run(fineMaps, "").err, "the map is 4 x 3 pixels, the reference 8 x 6"));
    const KappaOutcome mode = run(fineMaps + "--align mode --format json", "");
    ASSERT_EQ(mode.status, 0) << mode.err;
    EXPECT_TRUE(Has(mode.out, "\"matrix\": [[2, 1, 0], [1, 2, 0], [0, 1, 4]]"));
    EXPECT_TRUE(Has(mode.out,
                    "\"reference\": \"" + withDir("{dir}/fine.tif") + "\", \"aligned\": \"mode\""));
    EXPECT_TRUE(Has(mode.out, "\"counted\": 11, \"left_out\": {\"outside\": 0, \"nodata\": 1"));
    EXPECT_TRUE(Has(run(fineMaps + "--align mode", "").out, "by mode)"));

    if (std::system("gdalwarp --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "gdalwarp is not on PATH (gdal-bin)";
    const std::string warp = "gdalwarp -q -overwrite -r near ";
    ASSERT_EQ(std::system(withDir(warp + "-t_srs EPSG:3857 -dstnodata 255 {dir}/ref.tif "
                                         "{dir}/mercator.tif")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(withDir(warp + "-t_srs EPSG:32632 -te 500000 3999970 500040 4000000 "
                                         "-ts 4 3 {dir}/mercator.tif {dir}/back.tif")
                              .c_str()),
              0);
    const std::string aligned =
        run("--map {dir}/map.tif --reference {dir}/mercator.tif --align nearest --report "
            "--format json",
            "")
            .out;
    const std::string warped =
        run("--map {dir}/map.tif --reference {dir}/back.tif --report --format json", "").out;
    const std::size_t end = warped.find("\"source\"");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(aligned.substr(0, end), warped.substr(0, end));
    EXPECT_EQ(aligned.substr(aligned.find("\"counted\"")),
              warped.substr(warped.find("\"counted\"")));
}

// Three windows that tile the map, one a column wide and one a row high, counted
// apart and added by --sum give the whole map's report byte for byte: its
// source record (the windows tile the whole), counts and map pixels included;
// with points the mapped areas, and with --strata the stratified estimates
// from the strata's sizes and units added up (each window cuts both strata).
TEST_F(KappaMapsTest, WindowReportsSummedGiveTheWhole) {
    for (const std::string& maps : {std::string(Maps) + " --report", std::string(Points),
                                    std::string(Points) + " --strata {dir}/strata.tif"}) {
        SCOPED_TRACE(maps);
        std::string parts;
        for (const char* window : {"0,0,1,2", "1,0,3,2", "0,2,4,1"}) {
            const KappaOutcome part = run(maps + " --format json --window " + window, "");
            ASSERT_EQ(part.status, 0) << part.err;
            writeFile(dir / window, part.out);
            parts += " {dir}/" + std::string(window);
        }
        EXPECT_EQ(run("--sum --report --format json" + parts, "").out,
                  run(maps + " --format json", "").out);
        EXPECT_EQ(run("--sum --report" + parts, "").out, run(maps, "").out);
    }
}

// A 4 x 4 map in four 2 x 2 tiles, 0 no-data on both sides: the top left tile
// holds classes 1 and 2, the top right only class 5 (sea on both sides), the
// bottom left only no-data, the bottom right 1 and 2 again. Counted by hand, the
// whole map's matrix is 2 1 0 | 2 3 0 | 0 0 4 with 4 pixels on no-data. The four
// tiles' reports added by --sum give the whole's report, figure for figure.
TEST_F(KappaMapsTest, TilesOfOneClassOrOnlyNodataAddUpToTheWhole) {
    raster("tiled_map.tif", Raster(4, 4, {1, 2, 5, 5, 2, 1, 5, 5, 0, 0, 1, 2, 0, 0, 2, 2}, 0.0));
    raster("tiled_ref.tif", Raster(4, 4, {1, 2, 5, 5, 1, 1, 5, 5, 0, 0, 2, 2, 0, 0, 1, 2}, 0.0));
    // Points as column, row and class: map classes 1 2 1 5 5, no-data, 1 2.
    centres("tiled_points.gpkg",
            {0, 0, 1, 1, 0, 2, 1, 1, 1, 2, 0, 5, 3, 1, 5, 0, 2, 1, 2, 2, 2, 3, 3, 2});
    const std::string
        rasters =
            "--map {dir}/tiled_map.tif --reference {dir}/tiled_ref.tif --report --format json",
        points = "--map {dir}/tiled_map.tif --reference {dir}/tiled_points.gpkg --reference-field "
                 "class --report --format json";
    const KappaOutcome matrix = run("--report --format json", "2 1 0\n2 3 0\n0 0 4\n");
    const KappaOutcome wholeRasters = run(rasters, "");
    ASSERT_EQ(wholeRasters.status, 0) << wholeRasters.err;
    // Up to the classes, whose labels the maps give and the matrix does not.
    const std::size_t matrixEnd = matrix.out.find("\"classes\"");
    EXPECT_EQ(wholeRasters.out.substr(0, matrixEnd), matrix.out.substr(0, matrixEnd));
    EXPECT_TRUE(
        Has(wholeRasters.out, "\"counted\": 12, \"left_out\": {\"outside\": 0, \"nodata\": 4,"));
    // clang-format off
    const struct { const char *name; std::string maps; const char* seaMatrix; } rows[] = {
        {"raster_reference", rasters, "\"matrix\": [[4]]"},
        {"points", points, "\"matrix\": [[2]]"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string parts;
        for (const char* window : {"0,0,2,2", "2,0,2,2", "0,2,2,2", "2,2,2,2"}) {
            const KappaOutcome part = run(row.maps + " --window " + window, "");
            ASSERT_EQ(part.status, 0) << part.err;
            writeFile(dir / window, part.out);
            parts += " {dir}/" + std::string(window);
        }
        // The sea's report: one class, its kappa not defined and saying why.
        const std::string sea = readFile(dir / "2,0,2,2");
        EXPECT_TRUE(Has(sea, "{\"class\": 1, \"label\": \"5\", "));
        EXPECT_TRUE(Has(sea, "\"kappa\": null,"));
        EXPECT_TRUE(Has(sea, "\"kappa\": \"The agreement expected by chance is exactly 1"));
        // Not a figure beyond the range, nor one of negative counts.
        EXPECT_TRUE(Has(
            sea, "\"gwet_ac1\": \"The matrix holds one class, and Gwet's AC1 needs at least two"));
        EXPECT_TRUE(Has(sea, "\"brennan_prediger_se\": \"The matrix holds one class, and the "
                             "Brennan-Prediger coefficient needs"));
        EXPECT_TRUE(Has(sea, row.seaMatrix));
        EXPECT_TRUE(Has(readFile(dir / "0,2,2,2"), "\"classes\": []"));
        const KappaOutcome whole = run(row.maps, "");
        const KappaOutcome sum = run("--sum --report --format json" + parts, "");
        ASSERT_EQ(sum.status, 0) << sum.err;
        const std::size_t end = whole.out.find("\"source\"");
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(sum.out.substr(0, end), whole.out.substr(0, end));
        EXPECT_EQ(sum.out.substr(sum.out.find("\"counted\"")),
                  whole.out.substr(whole.out.find("\"counted\"")));
    }
    // The two lines of Result.txt need two classes, and the whole map as well.
    const KappaOutcome sea =
        run("--map {dir}/tiled_map.tif --reference {dir}/tiled_ref.tif --window 2,0,2,2", "");
    EXPECT_EQ(sea.status, 1);
    EXPECT_EQ(sea.out, "");
    EXPECT_EQ(sea.err, "brennic-kappa: the window gives 1 class, and the two lines of Result.txt "
                       "need at least 2: --report writes the window's report, which --sum adds\n");
    raster("sea.tif", Raster(2, 2, {5, 5, 5, 5}));
    const KappaOutcome wholeSea = run("--map {dir}/sea.tif --reference {dir}/sea.tif --report", "");
    EXPECT_EQ(wholeSea.status, 1);
    EXPECT_TRUE(Has(wholeSea.err, "the maps give 1 class (4 pairs counted)"));
}

// Points on the 4 x 4 tiled map: one in each of (0,0), (1,0), (1,1), (2,0),
// (3,1), (0,2) (on no-data), (2,2) and (3,3), and two off the map, right of it
// and above it, and one of an empty class in (2,3). Each of the four tiles'
// reports counts the two as outside and not the points of the other tiles, and
// --sum counts the two once.
TEST_F(KappaMapsTest, PointsOutsideTheMapCountedOnceInTheSum) {
    raster("tiled_map.tif", Raster(4, 4, {1, 2, 5, 5, 2, 1, 5, 5, 0, 0, 1, 2, 0, 0, 2, 2}, 0.0));
    const std::vector<int> inside{0, 0, 1, 1, 0, 2, 1, 1, 1, 2, 0, 5,
                                  3, 1, 5, 0, 2, 1, 2, 2, 2, 3, 3, 2};
    std::vector<int> all = inside;
    all.insert(all.end(), {4, 0, 1, 0, -1, 2, 2, 3, -1});
    centres("outside.gpkg", all);
    const std::string maps = "--map {dir}/tiled_map.tif --reference {dir}/outside.gpkg "
                             "--reference-field class --report --format json";
    const auto leftOut = [](const std::string& report) {
        const std::size_t at = report.find("\"counted\"");
        return at == std::string::npos ? report : report.substr(at, report.find('}', at) - at + 1);
    };
    // clang-format off
    const struct { const char *window, *counts; } rows[] = {
        {"0,0,2,2", "\"counted\": 3, \"left_out\": {\"outside\": 2, \"nodata\": 0, \"empty\": 0}"},
        {"2,0,2,2", "\"counted\": 2, \"left_out\": {\"outside\": 2, \"nodata\": 0, \"empty\": 0}"},
        {"0,2,2,2", "\"counted\": 0, \"left_out\": {\"outside\": 2, \"nodata\": 1, \"empty\": 0}"},
        {"2,2,2,2", "\"counted\": 2, \"left_out\": {\"outside\": 2, \"nodata\": 0, \"empty\": 1}"},
    };
    // clang-format on
    std::string parts;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.window);
        const KappaOutcome part = run(maps + " --window " + row.window, "");
        ASSERT_EQ(part.status, 0) << part.err;
        EXPECT_EQ(leftOut(part.out), row.counts);
        writeFile(dir / row.window, part.out);
        parts += " {dir}/" + std::string(row.window);
    }
    const std::string whole = run(maps, "").out,
                      sum = run("--sum --report --format json" + parts, "").out;
    EXPECT_EQ(leftOut(whole),
              "\"counted\": 7, \"left_out\": {\"outside\": 2, \"nodata\": 1, \"empty\": 1}");
    EXPECT_EQ(leftOut(sum), leftOut(whole));
    // Windows of a layer that changed between their counts hold other points.
    std::filesystem::remove(dir / "outside.gpkg");
    centres("outside.gpkg", inside);
    writeFile(dir / "changed", run(maps + " --window 2,0,2,2", "").out);
    const KappaOutcome changed = run("--sum --report {dir}/0,0,2,2 {dir}/changed", "");
    EXPECT_EQ(changed.status, 1);
    EXPECT_EQ(changed.out, "");
    EXPECT_EQ(changed.err,
              withDir("brennic-kappa: cannot add {dir}/changed: it counts 0 points outside the "
                      "map, and {dir}/0,0,2,2, "
                      "of the same map and points, 2: they are not of the same points\n"));
}

// The source record names what each report counted, and --sum refuses a window
// given twice or two windows of one source that share a pixel; windows of
// other sources (another band's no-data, another map) are not compared.
TEST_F(KappaMapsTest, SumRefusesWindowsCountedTwice) {
    std::filesystem::copy_file(dir / "map.tif", dir / "copy.tif");
    const std::string record =
        run(std::string(Maps) + " --report --format json --window 1,0,3,2", "").out;
    EXPECT_TRUE(Has(record, withDir("\"source\": {\"map\": \"{dir}/map.tif\", \"reference\": "
                                    "\"{dir}/ref.tif\", \"map_band\": 1, "
                                    "\"reference_band\": 1, \"window\": [1, 0, 3, 2], \"nodata\": "
                                    "{\"map\": [], \"reference\": []}, \"counted\": 6,")));
    const std::string points =
        run(std::string(Points) + " --format json --nodata nan --window 0,0,4,3", "").out;
    EXPECT_TRUE(Has(points,
                    "\"reference_field\": \"class\", \"layer\": \"samples\", \"map_band\": 1, "
                    "\"window\": [0, 0, 4, 3], "
                    "\"nodata\": {\"map\": [\"nan\"], \"reference\": [\"nan\"]},"));
    const std::string maps = std::string(Maps) + " --report --format json";
    // Each report as its name and the options of its count ("again": the same file).
    // clang-format off
    const struct { const char* name; std::vector<std::pair<std::string, std::string>> reports; int status; const char* message; } rows[] = {
        {"tiling", {{"a", "--window 0,0,2,3"}, {"b", "--window 2,0,2,3"}}, 0, ""},
        {"given_twice", {{"a", "--window 0,0,2,3"}, {"b", "--window 2,0,2,3"}, {"a", "again"}}, 1,
         "cannot add {dir}/a: it is a report of the window 0,0,2,3 of {dir}/map.tif, as {dir}/a is; each window is added once"},
        {"same_window_in_two_files", {{"a", "--window 0,0,2,3"}, {"b", "--window 0,0,2,3"}}, 1,
         "cannot add {dir}/b: it is a report of the window 0,0,2,3 of {dir}/map.tif, as {dir}/a is"},
        // Pixel (1,1) in both, and the whole map over a window.
        {"corners_overlap", {{"a", "--window 0,0,2,2"}, {"b", "--window 1,1,3,2"}}, 1,
         "cannot add {dir}/b: its window 1,1,3,2 of {dir}/map.tif overlaps the window 0,0,2,2 of {dir}/a, and a pixel is counted once"},
        {"whole_and_window", {{"a", ""}, {"b", "--window 3,2,1,1"}}, 1, "its window 3,2,1,1 of {dir}/map.tif overlaps the window 0,0,4,3 of {dir}/a"},
        // Windows that touch along an edge share no pixel.
        {"touching_corners", {{"a", "--window 0,0,2,2"}, {"b", "--window 2,2,2,1"}}, 0, ""},
        {"other_nodata", {{"a", "--window 0,0,2,3"}, {"b", "--window 0,0,2,3 --nodata 3"}}, 0, ""},
        {"other_map", {{"a", "--window 0,0,2,3"}, {"b", "--window 0,0,2,3 --map {dir}/copy.tif"}}, 0, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string paths;
        for (const auto& [name, options] : row.reports) {
            paths += " {dir}/" + name;
            if (options == "again")
                continue;
            const KappaOutcome part =
                run(Has(options, "--map")
                        ? options + " --reference {dir}/ref.tif --report --format json"
                        : maps + " " + options,
                    "");
            ASSERT_EQ(part.status, 0) << part.err;
            writeFile(dir / name, part.out);
        }
        const KappaOutcome sum = run("--sum --report" + paths, "");
        EXPECT_EQ(sum.status, row.status) << sum.err;
        EXPECT_EQ(sum.out.empty(), row.status != 0);
        EXPECT_TRUE(Has(sum.err, withDir(row.message)));
        EXPECT_EQ(std::count(sum.err.begin(), sum.err.end(), '\n'), row.status != 0 ? 1 : 0);
    }
}

// Row 0 of the map under its mask: the source record counts the 4 pixels as
// masked in text and JSON, and --sum adds them from the windows' reports.
TEST_F(KappaMapsTest, MaskedPixelsInTheSourceRecordAndAddedByTheSum) {
    Raster masked(4, 3, SmallMap);
    masked.mask = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
    raster("masked.tif", masked);
    const std::string maps = "--map {dir}/masked.tif --reference {dir}/ref.tif --report";
    const KappaOutcome whole = run(maps, "");
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(Has(unfolded(whole.out),
                    "8 counted; left out: 0 outside, 0 on no-data, 0 empty, 4 masked"));
    for (const char* window : {"0,0,4,2", "0,2,4,1"})
        writeFile(dir / window, run(maps + " --format json --window " + window, "").out);
    const KappaOutcome sum = run("--sum --report --format json {dir}/0,0,4,2 {dir}/0,2,4,1", "");
    EXPECT_TRUE(
        Has(sum.out, "\"left_out\": {\"outside\": 0, \"nodata\": 0, \"empty\": 0, \"masked\": 4}"));
}

// The class field of the points: the one named, or else the layer's only field
// of whole numbers or text, named in the source record. The eight points of
// points.gpkg with their classes in a field "class" of the type given, beside a
// fraction 0.5 or an id 100 + k: 8 pairs, counted by hand as 2 0 0 | 1 1 1 |
// 0 1 2. A field that is missing or cannot be chosen is refused with the
// layer's fields and their types.
TEST_F(KappaMapsTest, ClassFieldNamedOrTheOnlyOneThatCanHoldAClass) {
    const std::vector<int> cells = {0, 0, 1, 1, 1, 2, 2, 0, 1, 3, 0, 3,
                                    2, 1, 3, 3, 2, 3, 1, 2, 2, 0, 2, 1};
    const auto layer = [&](const std::string& name, const std::vector<FieldOf>& fields) {
        std::vector<FieldRow> rows;
        for (std::size_t i = 0; i + 2 < cells.size(); i += 3) {
            FieldRow row{500005.0 + 10 * cells[i], 3999995.0 - 10 * cells[i + 1], {}};
            for (const FieldOf& f : fields)
                row.values.push_back(f.name == "class"   ? std::to_string(cells[i + 2])
                                     : f.type == OFTReal ? "0.5"
                                                         : std::to_string(100 + i / 3));
            rows.push_back(row);
        }
        ASSERT_TRUE(WriteLayer((dir / name).string(), "samples", fields, rows));
    };
    layer("int.gpkg", {{"share", OFTReal}, {"class", OFTInteger}});
    layer("int64.gpkg", {{"class", OFTInteger64}, {"share", OFTReal}});
    layer("two.gpkg", {{"id", OFTInteger}, {"class", OFTString}});
    layer("real.gpkg", {{"share", OFTReal}});
    layer("none.gpkg", {});
    const std::string counted = ": 8 counted; left out: 0 outside, 0 on no-data, 0 empty",
                      matrix = "\"matrix\": [[2, 0, 0], [1, 1, 1], [0, 1, 2]]";
    // clang-format off
    const struct { const char *name, *file, *options; int status; std::string out; } rows[] = {
        {"only_text_field", "points", "", 0, "reference {dir}/points.gpkg, field class" + counted},
        {"integer_beside_a_fraction", "int", "", 0, "reference {dir}/int.gpkg, field class" + counted},
        {"integer64_in_csv", "int64", " --format csv", 0, "reference,{dir}/int64.gpkg,,,,,\nsource,,reference_field,class,,,,,\nsource,,counted,8,"},
        {"named_in_json", "two", " --reference-field class --format json", 0,
         "\"reference\": \"{dir}/two.gpkg\", \"reference_field\": \"class\", \"layer\": "
         "\"samples\", "},
        {"matrix_in_json", "int", " --format json", 0, matrix},
        // The ids 100 to 107 are classes of their own.
        {"named_integer_of_two", "two", " --reference-field id --format json", 0, "\"reference_field\": \"id\""},
        {"two_that_can_hold_one", "two", "", 1,
         "the layer samples of {dir}/two.gpkg has 2 fields of whole numbers or text to hold the class; its fields: id (Integer), class (String); name the class field with --reference-field\n"},
        {"fractions_only", "real", "", 1,
         "the layer samples of {dir}/real.gpkg has no field of whole numbers or text to hold the class; its fields: share (Real); name the class field with --reference-field\n"},
        {"no_fields", "none", "", 1,
         "the layer samples of {dir}/none.gpkg has no field of whole numbers or text to hold the class; it has no fields;"},
        {"named_field_missing", "two", " --reference-field kind", 1,
         "the layer samples of {dir}/two.gpkg has no field kind; its fields: id (Integer), class (String)\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(std::string("--map {dir}/map.tif --reference {dir}/") +
                                             row.file + ".gpkg --report" + row.options,
                                         "");
        EXPECT_EQ(outcome.status, row.status) << outcome.err;
        if (row.status == 0) {
            EXPECT_EQ(outcome.err, "");
            EXPECT_TRUE(Has(unfolded(outcome.out), withDir(row.out))) << outcome.out;
        } else {
            EXPECT_EQ(outcome.out, "");
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
            EXPECT_TRUE(Has(outcome.err, withDir(row.out))) << outcome.err;
        }
    }
}

// Classes labelled by the names the map carries (a raster attribute table or
// category names) or --class-names gives, their values beside them in JSON;
// points whose class field holds names matched to those names exactly as
// written. The matrices are those counted by hand above: 2 1 0 | 1 3 0 | 0 1 4
// against ref.tif, 2 0 0 | 1 1 1 | 0 1 2 from the eight points.
TEST_F(KappaMapsTest, ClassesLabelledByTheirNames) {
    Raster table(4, 3, SmallMap), categories(4, 3, SmallMap);
    table.tableNames = {{1, "Forest"}, {2, "Water"}, {3, "Cropland"}};
    categories.categoryNames = {"", "Forest", "Water", "Cropland"};
    raster("table.tif", table);
    table.tableByRow = true;
    raster("by_row.tif", table);
    raster("categories.tif", categories);
    // The eight points of points.gpkg, their classes by name.
    const std::vector<int> cells = {0, 0, 1, 1, 1, 2, 2, 0, 1, 3, 0, 3,
                                    2, 1, 3, 3, 2, 3, 1, 2, 2, 0, 2, 1};
    const char* const names[] = {"", "Forest", "Water", "Cropland"};
    std::vector<PointRow> named;
    for (std::size_t i = 0; i + 2 < cells.size(); i += 3)
        named.push_back({500005.0 + 10 * cells[i], 3999995.0 - 10 * cells[i + 1],
                         std::string(names[cells[i + 2]])});
    ASSERT_TRUE(WritePoints((dir / "names.gpkg").string(), "samples", 32632, named));
    ASSERT_TRUE(WritePoints((dir / "lower.gpkg").string(), "samples", 32632,
                            {{500005, 3999995, "Forest"}, {500015, 3999985, "water"}}));
    ASSERT_TRUE(WritePoints((dir / "blank.gpkg").string(), "samples", 32632,
                            {{500005, 3999995, "Forest "}}));
    const std::string json = " --report --format json", onRef = "--reference {dir}/ref.tif" + json,
                      onNames = "--reference {dir}/names.gpkg" + json,
                      rasterMatrix = "\"matrix\": [[2, 1, 0], [1, 3, 0], [0, 1, 4]]",
                      pointsMatrix = "\"matrix\": [[2, 0, 0], [1, 1, 1], [0, 1, 2]]",
                      forest = "{\"class\": 1, \"label\": \"Forest\", \"value\": 1,",
                      water = "{\"class\": 2, \"label\": \"Water\", \"value\": 2,",
                      cropland = "{\"class\": 3, \"label\": \"Cropland\", \"value\": 3,",
                      listed =
                          "nor a name of the map's classes: \"Forest\", \"Water\", \"Cropland\"\n";
    // clang-format off
    const struct { const char* name; std::string args; int status; std::vector<std::string> has; } rows[] = {
        {"attribute_table", "--map {dir}/table.tif " + onRef, 0, {rasterMatrix, forest, water, cropland}},
        {"table_by_row_with_a_name_column", "--map {dir}/by_row.tif " + onRef, 0, {rasterMatrix, forest, water, cropland}},
        {"category_names", "--map {dir}/categories.tif " + onRef, 0, {rasterMatrix, forest, water, cropland}},
        {"given_over_the_table", "--map {dir}/table.tif --class-names 2=Lake " + onRef, 0,
         {forest, "{\"class\": 2, \"label\": \"Lake\", \"value\": 2,", cropland}},
        {"given_for_some", "--map {dir}/map.tif --class-names \" 3 = Cropland \" " + onRef, 0,
         {"{\"class\": 2, \"label\": \"2\", \"value\": 2,", cropland}},
        {"names_in_text", "--map {dir}/table.tif --reference {dir}/ref.tif --report", 0,
         {"Forest", "Cropland"}},
        {"points_named_by_the_table", "--map {dir}/table.tif " + onNames, 0, {pointsMatrix, forest, water, cropland}},
        {"points_named_by_class_names", "--map {dir}/map.tif --class-names 1=Forest,2=Water,3=Cropland " + onNames, 0,
         {pointsMatrix, forest, water, cropland}},
        // Refused: the names of points are matched exactly as written.
        {"point_name_in_other_case", "--map {dir}/table.tif --reference {dir}/lower.gpkg --report", 1,
         {"feature 2 of {dir}/lower.gpkg has the class water, which is not a whole number " + listed}},
        {"point_name_with_a_blank", "--map {dir}/table.tif --reference {dir}/blank.gpkg --report", 1,
         {"feature 1 of {dir}/blank.gpkg has the class Forest , which is not a whole number " + listed}},
        {"point_names_on_an_unnamed_map", "--map {dir}/map.tif " + onNames, 1,
         {"feature 1 of {dir}/names.gpkg has the class Forest, which is not a whole number, and the map names no classes"}},
        {"point_name_of_two_classes", "--map {dir}/table.tif --class-names 3=Water " + onNames, 1,
         {"feature 2 of {dir}/names.gpkg has the class Water, which the map gives to several classes"}},
        {"two_classes_one_label", "--map {dir}/table.tif --class-names 1=Water " + onRef, 1,
         {"the map's classes 1 and 2 are both labelled Water: tell them apart with --class-names\n"}},
        {"label_of_another_class", "--map {dir}/map.tif --class-names 1=3 " + onRef, 1,
         {"the map's classes 1 and 3 are both labelled 3"}},
        {"given_without_a_value", "--map {dir}/map.tif --class-names Forest " + onRef, 1,
         {"--class-names needs VALUE=NAME items, VALUE a class of the map (a whole number), not"}},
        {"given_a_fraction", "--map {dir}/map.tif --class-names 1.5=Forest " + onRef, 1,
         {"--class-names needs VALUE=NAME items"}},
        {"given_no_name", "--map {dir}/map.tif --class-names 1=,2=Water " + onRef, 1,
         {"--class-names gives class 1 no name\n"}},
        {"given_twice", "--map {dir}/map.tif --class-names 1=Forest,1=Wood " + onRef, 1,
         {"--class-names names class 1 twice\n"}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, row.status) << outcome.err;
        const std::string& text = row.status == 0 ? outcome.out : outcome.err;
        for (const std::string& part : row.has)
            EXPECT_TRUE(Has(text, withDir(part))) << part << "\n" << text;
        if (row.status == 0) {
            EXPECT_EQ(outcome.err, "");
        } else {
            EXPECT_EQ(outcome.out, "");
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        }
    }
    // A map without names writes its reports as before: no value beside the label.
    const KappaOutcome plain = run("--map {dir}/map.tif " + onRef, "");
    EXPECT_TRUE(Has(plain.out, "{\"class\": 1, \"label\": \"1\", \"row_total\""));
    EXPECT_FALSE(Has(plain.out, "\"value\""));
}

// Points from a CSV of coordinate columns, at the centres of pixels (0,0), (1,1)
// and (2,2), whose map classes 1, 2 and 3 they hold: in the map's system with a
// warning where nothing names theirs, or in --reference-crs.
TEST_F(KappaMapsTest, PointsFromACsvOfCoordinates) {
    OGRSpatialReference utm, wgs84;
    utm.importFromEPSG(32632);
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> toWgs84(
        OGRCreateCoordinateTransformation(&utm, &wgs84));
    ASSERT_TRUE(toWgs84);
    std::string xy, lonLat = "lon,lat,class\n";
    for (int k = 0; k < 3; ++k) {
        double x = 500005 + 10 * k, y = 3999995 - 10 * k;
        xy += std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(k + 1) + "\n";
        ASSERT_TRUE(toWgs84->Transform(1, &x, &y));
        char line[80];
        std::snprintf(line, sizeof line, "%.12f,%.12f,%d\n", x, y, k + 1);
        lonLat += line;
    }
    writeFile(dir / "xy.csv", "x,y,class\n" + xy);
    writeFile(dir / "en.csv", "easting,northing,class\n" + xy);
    writeFile(dir / "lonlat.csv", lonLat);
    const std::string taken = "brennic-kappa: warning: the layer ";
    // clang-format off
    const struct { const char *name, *file, *options; std::string warning; } rows[] = {
        {"x_y_in_the_maps_system", "xy", "", taken + "xy of {dir}/xy.csv has no coordinate system: its points are taken in the map's"},
        {"easting_northing", "en", "", taken + "en of {dir}/en.csv has no coordinate system"},
        {"lon_lat_in_the_given_system", "lonlat", " --reference-crs EPSG:4326", ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome =
            run(std::string("--map {dir}/map.tif --reference {dir}/") + row.file +
                    ".csv --reference-field class --report" + row.options,
                "");
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_TRUE(Has(unfolded(outcome.out), "3 counted; left out: 0 outside"));
        EXPECT_EQ(outcome.err.substr(0, withDir(row.warning).size()), withDir(row.warning));
        EXPECT_EQ(outcome.err.empty(), row.warning.empty());
    }
}

// The stratified section is the one --samples writes for the points' units and
// the strata's sizes, worked out here by hand: by --strata, or else by the map's
// classes with their pixels as the sizes.
TEST_F(KappaMapsTest, StrataSectionIsTheOneSamplesGivesForTheUnitsUnderThePoints) {
    // Each point as its stratum, map class and reference class.
    const std::string byStrata = "7,1,1\n7,2,2\n7,2,1\n9,3,3\n9,3,3\n",
                      all = byStrata + "9,2,3\n9,3,2\n",
                      byMap = "1,1,1\n2,2,2\n2,2,1\n3,3,3\n3,3,3\n2,2,3\n3,3,2\n1,1,1\n";
    // clang-format off
    const struct { const char *name, *mapsOnly, *options; std::string units; const char *sizes, *source; } rows[] = {
        {"strata_json", " --strata {dir}/strata.tif", " --format json", all, "7=5,9=6", "\"outside\": 0, \"nodata\": 1, \"empty\": 0"},
        // Rows 0 and 1: stratum 9 keeps 3 pixels and the points (3,0) and (2,1);
        // the 3 points of row 2 lie in another window and are not counted.
        {"strata_window_text", " --strata {dir}/strata.tif --window 0,0,4,2", "", byStrata, "7=5,9=3", "5 counted; left out: 0 outside, 0 on no-data"},
        {"map_as_strata", "", " --format json", byMap, "1=3,2=4,3=5",
         "\"counted\": 8, \"left_out\": {\"outside\": 0, \"nodata\": 0, \"empty\": 0}, \"area_unit\": \"m²\", \"mapped_areas\": [300, 400, 500], \"map_pixels\": [3, 4, 5]}"},
        {"map_as_strata_fpc_text", "", " --fpc", byMap, "1=3,2=4,3=5", "0 outside, 0 on no-data"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome maps = run(std::string(Points) + row.mapsOnly + row.options, "");
        const KappaOutcome samples = run(std::string("--samples --report --strata-sizes ") +
                                             row.sizes + row.options + " {dir}/input",
                                         row.units);
        ASSERT_EQ(maps.status, 0) << maps.err;
        ASSERT_EQ(samples.status, 0) << samples.err;
        const bool json = Has(row.options, "json");
        const char* start = json ? "\"stratified\"" : "Stratified estimates";
        const std::size_t mapsAt = maps.out.find(start), samplesAt = samples.out.find(start);
        ASSERT_NE(samplesAt, std::string::npos);
        // Up to the end of the --samples report, whose JSON object closes there.
        const std::string section =
            samples.out.substr(samplesAt, samples.out.size() - samplesAt - 3);
        EXPECT_EQ(maps.out.substr(mapsAt, section.size()), section);
        EXPECT_TRUE(Has(unfolded(maps.out), row.source));
        // The map's classes are no stratification of points stratified otherwise.
        EXPECT_EQ(Has(maps.out, json ? "area_weighted" : "Area-weighted"), *row.mapsOnly == '\0');
    }
}

} // namespace
} // namespace brennic::test
