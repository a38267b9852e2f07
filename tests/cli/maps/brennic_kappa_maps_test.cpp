// brennic-kappa --map run as a process: it starts brennic-kappa-maps in its place,
// writes exactly what the matrix of the same counts gives, adds the source
// record, and fails with the right status when the companion or a file is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "kappa_process.h"
#include "map_files.h"

namespace brennic::test {
namespace {

class KappaMapsTest : public KappaProcessTest {
  protected:
    void SetUp() override {
        KappaProcessTest::SetUp();
        // The 4 x 3 pair counted by hand: 2 1 0 | 1 3 0 | 0 1 4.
        ASSERT_TRUE(WriteRaster((dir / "map.tif").string(), RasterOf(4, 3, SmallMap)));
        ASSERT_TRUE(WriteRaster((dir / "ref.tif").string(), RasterOf(4, 3, SmallReference)));
    }
    static constexpr const char* Matrix = "2 1 0\n1 3 0\n0 1 4\n";
    static constexpr const char* Maps = "--map {dir}/map.tif --reference {dir}/ref.tif";
};

TEST_F(KappaMapsTest, SameOutputAsTheMatrixPlusTheSourceRecord) {
    const std::string source = "{dir}/map.tif, reference {dir}/ref.tif: 12 counted; left out: 0 "
                               "outside, 0 on no-data, 0 empty";
    struct Row {
        const char* name;
        const char* options;
        std::string added; // after the matrix's output
    };
    const Row rows[] = {
        {"two_lines", "", ""},
        {"report_text", "--report", "\nSource: map " + source + "\n"},
        {"report_csv", "--report --format csv",
         "source,\"map {dir}/map.tif; reference {dir}/ref.tif; 12 counted; left out: 0 outside, 0 "
         "on no-data, 0 empty\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome fromMatrix = run(row.options, Matrix);
        const KappaOutcome fromMaps = run(std::string(Maps) + " " + row.options, "");
        ASSERT_EQ(fromMaps.status, 0) << fromMaps.err;
        EXPECT_EQ(fromMaps.err, "");
        ASSERT_EQ(fromMaps.out.substr(0, fromMatrix.out.size()), fromMatrix.out);
        EXPECT_EQ(fromMaps.out.substr(fromMatrix.out.size(), withDir(row.added).size()),
                  withDir(row.added));
    }
    const KappaOutcome json = run(std::string(Maps) + " --report --format json", "");
    const KappaOutcome matrixJson = run("--report --format json", Matrix);
    const std::string record =
        withDir(",\n  \"source\": {\"map\": \"{dir}/map.tif\", \"reference\": "
                "\"{dir}/ref.tif\", \"counted\": 12, \"left_out\": "
                "{\"outside\": 0, \"nodata\": 0, \"empty\": 0}, \"map_pixels\": "
                "[3, 4, 5]}\n}\n");
    ASSERT_GT(matrixJson.out.size(), 3u);
    EXPECT_EQ(json.out, matrixJson.out.substr(0, matrixJson.out.size() - 3) + record);

    // -o writes the same file as the matrix does.
    ASSERT_EQ(run(std::string(Maps) + " -o {dir}/maps.txt", "").status, 0);
    ASSERT_EQ(run("-o {dir}/matrix.txt", Matrix).status, 0);
    EXPECT_EQ(readFile(dir / "maps.txt"), readFile(dir / "matrix.txt"));
}

TEST_F(KappaMapsTest, PointsGiveTheMapsOwnAreasUnlessMappedAreaIsGiven) {
    ASSERT_TRUE(WritePoints((dir / "points.gpkg").string(), "samples", 32632,
                            {{500005, 3999995, "1"},
                             {500015, 3999985, "2"},
                             {500025, 3999975, "3"},
                             {500035, 3999995, "1"}}));
    const std::string points = "--map {dir}/map.tif --reference {dir}/points.gpkg "
                               "--reference-field class --report --format json";
    const KappaOutcome own = run(points, "");
    ASSERT_EQ(own.status, 0) << own.err;
    // Map pixels: class 1 three, class 2 four, class 3 five, 100 m² each; the
    // matrix of the points: (1,1), (2,2), (3,3), (3,1).
    const KappaOutcome given =
        run("--report --format json --mapped-area 300,400,500", "1 0 0\n0 1 0\n1 0 1\n");
    ASSERT_EQ(given.status, 0) << given.err;
    const std::size_t area = given.out.find("\"area_weighted\"");
    ASSERT_NE(area, std::string::npos);
    EXPECT_TRUE(Has(own.out, given.out.substr(area, given.out.find("\"reasons\": {}\n}") - area)));
    EXPECT_TRUE(Has(own.out, "\"counted\": 4, \"left_out\": {\"outside\": 0, \"nodata\": 0, "
                             "\"empty\": 0}, \"area_unit\": \"m²\", \"map_pixels\": [3, 4, 5]}"));
    const KappaOutcome overridden = run(points + " --mapped-area 1,1,2", "");
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    EXPECT_EQ(overridden.out.find("area_unit"), std::string::npos);
    EXPECT_TRUE(Has(overridden.out, "\"area_weighted\""));
}

TEST_F(KappaMapsTest, FailuresAndTheirStatus) {
    std::filesystem::resize_file(dir / "ref.tif", 100);
    struct Row {
        const char* name;
        const char* args;
        int status;
        const char* message;
    };
    const Row rows[] = {
        {"reference_missing", "--map {dir}/map.tif", 1, "--map needs --reference"},
        {"reference_without_map", "--reference {dir}/ref.tif", 1, "--reference needs --map"},
        {"with_pairs", "--map {dir}/map.tif --reference {dir}/ref.tif --pairs", 1,
         "--pairs does not go with --map"},
        {"with_transpose", "--map {dir}/map.tif --reference {dir}/ref.tif --transpose", 1,
         "--transpose does not go with --map"},
        {"with_input_file", "--map {dir}/map.tif --reference {dir}/ref.tif {dir}/input", 1,
         "--map does not go with an input file"},
        {"bad_window", "--map {dir}/map.tif --reference {dir}/ref.tif --window 1,2,3", 1,
         "--window needs XOFF,YOFF,XSIZE,YSIZE"},
        // Windows that reach one pixel beyond the right or the bottom edge.
        {"window_beyond_right", "--map {dir}/map.tif --reference {dir}/ref.tif --window 3,0,2,3", 1,
         "the window 3,0,2,3 does not lie within the map's 4 x 3 pixels"},
        {"window_beyond_bottom", "--map {dir}/map.tif --reference {dir}/ref.tif --window 0,2,4,2",
         1, "the window 0,2,4,2 does not lie within"},
        {"bad_threads", "--map {dir}/map.tif --reference {dir}/ref.tif --threads 0", 1,
         "--threads needs a whole number"},
        {"unreadable_reference", "--map {dir}/map.tif --reference {dir}/ref.tif", 3,
         "cannot read {dir}/ref.tif"},
        {"missing_map", "--map {dir}/none.tif --reference {dir}/map.tif --report", 3,
         "cannot read {dir}/none.tif: "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, row.status);
        EXPECT_EQ(outcome.out, "");
        EXPECT_TRUE(Has(outcome.err, withDir(row.message)));
    }
}

// Four quadrant windows counted apart and added by --sum give the whole map's
// report, source counts and map pixels included; with points, the mapped areas
// are added too. This is where the windows' counts are checked.
TEST_F(KappaMapsTest, QuadrantReportsSummedGiveTheWhole) {
    ASSERT_TRUE(WritePoints((dir / "points.gpkg").string(), "samples", 32632,
                            {{500005, 3999995, "1"},
                             {500015, 3999985, "2"},
                             {500025, 3999975, "3"},
                             {500035, 3999995, "1"},
                             {500035, 3999975, "2"}}));
    for (const char* reference :
         {"--reference {dir}/ref.tif", "--reference {dir}/points.gpkg --reference-field class"}) {
        SCOPED_TRACE(reference);
        const std::string maps = std::string("--map {dir}/map.tif ") + reference;
        std::string parts;
        const char* windows[] = {"0,0,2,2", "2,0,2,2", "0,2,2,1", "2,2,2,1"};
        for (int i = 0; i < 4; ++i) {
            const KappaOutcome part =
                run(maps + " --report --format json --window " + windows[i], "");
            ASSERT_EQ(part.status, 0) << part.err;
            const std::string name = "part" + std::to_string(i) + ".json";
            writeFile(dir / name, part.out);
            parts += " {dir}/" + name;
        }
        const KappaOutcome whole = run(maps + " --report --format json", "");
        const KappaOutcome sum = run("--sum --report --format json" + parts, "");
        ASSERT_EQ(sum.status, 0) << sum.err;
        const std::size_t end = whole.out.find("\"source\"");
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(sum.out.substr(0, end), whole.out.substr(0, end));
        // A point outside one window is inside another: only the raster's left-out
        // pixels add up to the whole's.
        const auto tail = [&](const std::string& out, const char* from) {
            return out.substr(out.find(from));
        };
        EXPECT_EQ(tail(sum.out, "\"map_pixels\""), tail(whole.out, "\"map_pixels\""));
        EXPECT_EQ(tail(sum.out, "\"counted\"").substr(0, 15),
                  tail(whole.out, "\"counted\"").substr(0, 15));
        if (std::string(reference).find("ref.tif") != std::string::npos) {
            EXPECT_EQ(tail(sum.out, "\"counted\""), tail(whole.out, "\"counted\""));
        }
    }
    const KappaOutcome notReport = run("--sum {dir}/map.tif", "");
    EXPECT_EQ(notReport.status, 1);
    EXPECT_TRUE(Has(notReport.err, "is no JSON report"));
}

// The number after "name": in `json` from `from` on.
double numberAfter(const std::string& json, std::size_t from, const std::string& name) {
    const std::size_t at = json.find("\"" + name + "\": ", from);
    EXPECT_NE(at, std::string::npos) << name;
    return at == std::string::npos ? -1.0 : std::stod(json.substr(at + name.size() + 4));
}

// The strata raster on the map's grid, 0 its no-data value: stratum 7 holds 5
// pixels, 9 holds 6. Eight points, each as column, row, map class (read from the
// map), stratum and reference class: the last on the strata's no-data.
class KappaStrataTest : public KappaMapsTest {
  protected:
    void SetUp() override {
        KappaMapsTest::SetUp();
        ASSERT_TRUE(WriteRaster((dir / "strata.tif").string(),
                                RasterOf(4, 3, {7, 7, 7, 9, 7, 7, 9, 9, 0, 9, 9, 9}, 0.0)));
        const int points[][5] = {{0, 0, 1, 7, 1}, {1, 1, 2, 7, 2}, {2, 0, 2, 7, 1},
                                 {3, 0, 3, 9, 3}, {2, 1, 3, 9, 3}, {3, 2, 2, 9, 3},
                                 {1, 2, 3, 9, 2}, {0, 2, 1, 0, 1}};
        std::vector<PointSpec> specs;
        for (const auto& p : points)
            specs.push_back({500005.0 + 10 * p[0], 3999995.0 - 10 * p[1], std::to_string(p[4])});
        ASSERT_TRUE(WritePoints((dir / "points.gpkg").string(), "samples", 32632, specs));
    }
    static constexpr const char* Points =
        "--map {dir}/map.tif --reference {dir}/points.gpkg --reference-field class --report";
    static constexpr const char* Units = "7,1,1\n7,2,2\n7,2,1\n9,3,3\n9,3,3\n";
};

// The section is the one --samples writes for the units and sizes counted by hand.
TEST_F(KappaStrataTest, SectionAsSamplesGivesItForTheUnitsAndSizesUnderThePoints) {
    struct Row {
        const char *name, *format, *window;
        std::string units, sizes;
        const char* source; // the source record's left-out points
    };
    const Row rows[] = {
        {"whole_map_json", "json", "", std::string(Units) + "9,2,3\n9,3,2\n", "7=5,9=6",
         "\"outside\": 0, \"nodata\": 1, \"empty\": 0"},
        // Rows 0 and 1: stratum 9 keeps 3 pixels and the points (3,0) and (2,1).
        {"window_text", "text", " --window 0,0,4,2", Units, "7=5,9=3", "3 outside, 0 on no-data"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string format = std::string(" --format ") + row.format;
        const KappaOutcome maps =
            run(std::string(Points) + " --strata {dir}/strata.tif" + row.window + format, "");
        const KappaOutcome samples = run(
            "--samples --report --strata-sizes " + row.sizes + format + " {dir}/input", row.units);
        ASSERT_EQ(maps.status, 0) << maps.err;
        ASSERT_EQ(samples.status, 0) << samples.err;
        const char* start = row.format[0] == 'j' ? "\"stratified\"" : "Stratified estimates";
        const std::size_t mapsAt = maps.out.find(start), samplesAt = samples.out.find(start);
        ASSERT_NE(samplesAt, std::string::npos);
        // Up to the end of the --samples report, whose JSON object closes there.
        const std::string section =
            samples.out.substr(samplesAt, samples.out.size() - samplesAt - 3);
        EXPECT_EQ(maps.out.substr(mapsAt, section.size()), section);
        EXPECT_NE(maps.out.find(row.source), std::string::npos) << maps.out;
        // The map's classes are no stratification of these points.
        EXPECT_EQ(maps.out.find("area_weighted"), std::string::npos);
    }
    // By hand, W_7 = 5/11, W_9 = 6/11, agreement 2 of 3 and 2 of 4, s^2 1/3 in both:
    // var 25/121 (1/3)/3 + 36/121 (1/3)/4 = 52/1089; with 1 - n_h/N_h 19/1089.
    const std::string json = std::string(Points) + " --strata {dir}/strata.tif --format json";
    const std::string plain = run(json, "").out, fpc = run(json + " --fpc", "").out;
    EXPECT_NEAR(numberAfter(plain, plain.find("\"stratified"), "overall_accuracy"), 19.0 / 33.0,
                1e-12);
    EXPECT_NEAR(numberAfter(plain, plain.find("\"stratified"), "overall_accuracy_se"),
                std::sqrt(52.0) / 33.0, 1e-12);
    EXPECT_NEAR(numberAfter(fpc, fpc.find("\"stratified"), "overall_accuracy_se"),
                std::sqrt(19.0) / 33.0, 1e-12);
}

// Without --strata the map's classes are the strata and their pixels the sizes
// (3, 4, 5): Stehman's estimates are then Olofsson's, the area-weighted section's.
TEST_F(KappaStrataTest, MapAsStrataEqualsTheAreaWeightedSection) {
    const std::string out = run(std::string(Points) + " --format json", "").out;
    const std::size_t area = out.find("\"area_weighted\""), stratified = out.find("\"stratified\"");
    ASSERT_NE(stratified, std::string::npos);
    for (const char* field : {"overall_accuracy", "overall_accuracy_se"})
        EXPECT_NEAR(numberAfter(out, stratified, field), numberAfter(out, area, field), 1e-12)
            << field;
    // Pairs of fields, the area-weighted one over `divisor`: 12 pixels of 100 m².
    const struct {
        const char *stratified, *area;
        double divisor;
    } pairs[] = {{"users_accuracy", "users_accuracy", 1},
                 {"users_accuracy_se", "users_accuracy_se", 1},
                 {"producers_accuracy", "producers_accuracy", 1},
                 {"producers_accuracy_se", "producers_accuracy_se", 1},
                 {"area_proportion", "area", 1200},
                 {"area_proportion_se", "area_se", 1200}};
    for (const std::string k : {"1", "2", "3"})
        for (const auto& pair : pairs) {
            SCOPED_TRACE("class " + k + " " + pair.stratified);
            const std::string entry = "{\"class\": " + k;
            EXPECT_NEAR(numberAfter(out, out.find(entry, stratified), pair.stratified),
                        numberAfter(out, out.find(entry, area), pair.area) / pair.divisor, 1e-12);
        }
}

TEST_F(KappaStrataTest, StrataThatDoNotFitAreRefused) {
    ASSERT_TRUE(
        WriteRaster((dir / "wide.tif").string(), RasterOf(5, 3, std::vector<double>(15, 7))));
    // Stratum 9 is the one pixel (3,0), which holds two points.
    ASSERT_TRUE(WriteRaster((dir / "single.tif").string(),
                            RasterOf(4, 3, {7, 7, 7, 9, 7, 7, 7, 7, 7, 7, 7, 7})));
    ASSERT_TRUE(WritePoints((dir / "twice.gpkg").string(), "samples", 32632,
                            {{500035, 3999995, "3"}, {500036, 3999994, "3"}}));
    writeFile(dir / "part.json",
              run(std::string(Points) + " --strata {dir}/strata.tif --format json", "").out);
    const std::string points = Points;
    const struct {
        const char* name;
        std::string args;
        const char* message;
    } rows[] = {
        {"other_grid", points + " --strata {dir}/wide.tif",
         "the map is 4 x 3 pixels, the strata raster 5 x 3: they must be on the same grid"},
        {"raster_reference", std::string(Maps) + " --report --strata {dir}/strata.tif",
         "--strata stratifies sample points: it needs a point reference"},
        {"more_points_than_pixels",
         "--map {dir}/map.tif --reference {dir}/twice.gpkg --reference-field class --report "
         "--strata {dir}/single.tif",
         "stratum 9 of {dir}/single.tif holds 2 points but only 1 pixel"},
        {"summed", "--sum --report {dir}/part.json", "stratified by --strata"},
        {"fpc_without_points", std::string(Maps) + " --report --fpc", "--fpc needs a sample"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const KappaOutcome outcome = run(row.args, "");
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.out, "");
        EXPECT_NE(outcome.err.find(withDir(row.message)), std::string::npos) << outcome.err;
    }
}

// brennic-kappa alone in a folder cannot start its companion: status 3, saying so.
TEST_F(KappaMapsTest, MissingCompanionIsStatusThree) {
    std::filesystem::create_directories(dir / "alone");
    std::filesystem::copy_file(BRENNIC_KAPPA_PATH, dir / "alone" / "brennic-kappa");
    const std::string command = "'" + (dir / "alone" / "brennic-kappa").string() +
                                "' --map map.tif --reference ref.tif 2>'" + (dir / "err").string() +
                                "' >/dev/null";
    const int wait = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, 3);
    EXPECT_EQ(readFile(dir / "err"), "brennic-kappa: cannot start " + (dir / "alone").string() +
                                         "/brennic-kappa-maps, which reads the maps: No such file "
                                         "or directory\n");
}

} // namespace
} // namespace brennic::test
