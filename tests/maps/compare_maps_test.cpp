// brennic-kappa --map A --compare-map B --reference R: two maps counted against
// one reference raster or reference points in one pass, each map's report and
// their comparison, a pixel or point that is no-data in either map left out of
// both; and the refusals.
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "../cli/kappa_process.h"
#include "map_files.h"

namespace brennic::test {
namespace {

class CompareMapsTest : public KappaProcessTest {
  protected:
    void raster(const std::string& name, const Raster& r) {
        ASSERT_TRUE(WriteRaster((dir / name).string(), r));
    }
};

// The 4 x 3 map and reference of the maps tests, and a second map with 0 as its
// no-data value. Pixel by pixel (A, B, reference): 111 122 222 333 | 222 221
// 333 333 | 1-1 333 322 222, the pixel of B's no-data left out. Counted by
// hand: right in both 8, in A only 0, in B only 2, in neither 1; A's matrix
// 1 1 0 | 1 3 0 | 0 1 4, B's 1 0 0 | 1 5 0 | 0 0 4. McNemar on b = 0, c = 2:
// chi-square 4 / 2 = 2, exact p 2 (1/2)^2 = 0.5, mid-p 0.5 - 0.25.
TEST_F(CompareMapsTest, TwoMapsCountedInOnePass) {
    raster("a.tif", Raster(4, 3, SmallMap));
    raster("b.tif", Raster(4, 3, {1, 2, 2, 3, 2, 2, 3, 3, 0, 3, 2, 2}, 0.0));
    raster("ref.tif", Raster(4, 3, SmallReference));
    const auto json = run("--map {dir}/a.tif --compare-map {dir}/b.tif --reference {dir}/ref.tif "
                          "--format json",
                          "");
    ASSERT_EQ(json.status, 0) << json.err;
    const std::size_t a = json.out.find("\"a\": {"), b = json.out.find("\"b\": {"),
                      comparison = json.out.find("\"comparison\": {");
    ASSERT_TRUE(a < b && b < comparison) << json.out;
    const std::string reportA = json.out.substr(a, b - a), reportB = json.out.substr(b);
    EXPECT_TRUE(Has(reportA, "\"matrix\": [[1, 1, 0], [1, 3, 0], [0, 1, 4]]"));
    EXPECT_TRUE(Has(reportB, "\"matrix\": [[1, 0, 0], [1, 5, 0], [0, 0, 4]]"));
    // Each source record names its own map and the pixel left out.
    EXPECT_TRUE(Has(reportA, "\"map\": \"" + withDir("{dir}/a.tif") + "\""));
    EXPECT_TRUE(Has(reportB, "\"map\": \"" + withDir("{dir}/b.tif") + "\""));
    EXPECT_TRUE(Has(reportB, "\"nodata\": {\"map\": [0], \"reference\": []}, \"counted\": 11, "
                             "\"left_out\": {\"outside\": 0, \"nodata\": 1, \"empty\": 0}"));
    EXPECT_TRUE(Has(json.out, "\"both_right\": 8, \"only_a_right\": 0, \"only_b_right\": 2, "
                              "\"both_wrong\": 1"));
    const std::string c = "\"comparison\"";
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_chi2", c), 2.0, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_exact_p", c), 0.5, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_mid_p", c), 0.25, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference", c), -2.0 / 11.0, 1e-15);
}

// 100 x 100 maps whose classes grow as the rows go down, so that the triples
// met first are counted on while bigger classes come: by rows (A, B,
// reference), 0-39 (1, 2, 1), 40 (3, 3, 2), 41-81 (5, 5, 2), 82-99 (200, 200,
// 200). By hand, of 10000 pixels: both right 1800, A only 4000, B only 0,
// neither 4200.
TEST_F(CompareMapsTest, TriplesCountedAsTheClassesGrow) {
    std::vector<double> a, b, r;
    for (int row = 0; row < 100; ++row)
        for (int column = 0; column < 100; ++column) {
            const std::array<double, 3> triple = row < 40    ? std::array<double, 3>{1, 2, 1}
                                                 : row == 40 ? std::array<double, 3>{3, 3, 2}
                                                 : row < 82  ? std::array<double, 3>{5, 5, 2}
                                                             : std::array<double, 3>{200, 200, 200};
            a.push_back(triple[0]);
            b.push_back(triple[1]);
            r.push_back(triple[2]);
        }
    raster("a.tif", Raster(100, 100, a));
    raster("b.tif", Raster(100, 100, b));
    raster("ref.tif", Raster(100, 100, r));
    const auto json = run("--map {dir}/a.tif --compare-map {dir}/b.tif --reference {dir}/ref.tif "
                          "--format json",
                          "");
    ASSERT_EQ(json.status, 0) << json.err;
    const std::size_t at = json.out.find("\"b\": {");
    ASSERT_NE(at, std::string::npos) << json.out;
    const std::string reportA = json.out.substr(0, at), reportB = json.out.substr(at);
    EXPECT_TRUE(Has(reportA, "\"matrix\": [[4000, 0, 0, 0, 0], [0, 0, 0, 0, 0], [0, 100, 0, 0, 0], "
                             "[0, 4100, 0, 0, 0], [0, 0, 0, 0, 1800]]"))
        << reportA;
    EXPECT_TRUE(Has(reportB, "\"matrix\": [[0, 0, 0, 0, 0], [4000, 0, 0, 0, 0], [0, 100, 0, 0, 0], "
                             "[0, 4100, 0, 0, 0], [0, 0, 0, 0, 1800]]"))
        << reportB;
    EXPECT_TRUE(Has(json.out, "\"both_right\": 1800, \"only_a_right\": 4000, \"only_b_right\": 0, "
                              "\"both_wrong\": 4200"));
}

// Points on the 4 x 3 map A of the maps tests and a map B with 0 its no-data
// value at column 0, row 2. Each point as column, row, reference class; its
// classes in A and B and what they got right, by hand:
//   0,0,1: 1 1 both   1,0,1: 1 2 A   2,0,2: 2 2 both   3,0,2: 3 3 neither
//   0,1,2: 2 2 both   1,1,3: 2 2 neither   2,1,3: 3 3 both   3,1,1: 3 1 B
//   0,2,1: B no-data, left out   1,2,3: 3 3 both   2,2,3: 3 2 A
//   3,2,2: 2 2 both   1,0,1 again: 1 2 A
// Both right 6, A only (b) 3, B only (c) 1, neither 2; n = 12.
class ComparedPointsTest : public CompareMapsTest {
  protected:
    void SetUp() override {
        CompareMapsTest::SetUp();
        raster("a.tif", Raster(4, 3, SmallMap));
        raster("b.tif", Raster(4, 3, {1, 2, 2, 3, 2, 2, 3, 1, 0, 3, 2, 2}, 0.0));
        // Stratum 7 holds 6 pixels where A holds a class (B's no-data among
        // them), stratum 9 holds 5; the point at 3,2 lies on its no-data.
        raster("strata.tif", Raster(4, 3, {7, 7, 7, 9, 7, 7, 9, 9, 7, 9, 9, 0}, 0.0));
        const int points[][3] = {{0, 0, 1}, {1, 0, 1}, {2, 0, 2}, {3, 0, 2}, {0, 1, 2},
                                 {1, 1, 3}, {2, 1, 3}, {3, 1, 1}, {0, 2, 1}, {1, 2, 3},
                                 {2, 2, 3}, {3, 2, 2}, {1, 0, 1}};
        std::vector<PointRow> rows;
        for (const auto& p : points)
            rows.push_back({500005.0 + 10 * p[0], 3999995.0 - 10 * p[1], std::to_string(p[2])});
        ASSERT_TRUE(WritePoints((dir / "points.gpkg").string(), "samples", 32632, rows));
    }
    static constexpr const char* Compared =
        "--map {dir}/a.tif --compare-map {dir}/b.tif --reference {dir}/points.gpkg ";
    static std::string section(const std::string& json) {
        const std::size_t at = json.find("\"comparison\": {");
        return at == std::string::npos ? std::string() : json.substr(at);
    }
};

// Without strata the points are a simple random sample: McNemar's test on b =
// 3, c = 1 (chi-square 4 / 4 = 1, corrected 1 / 4; X binomial with 4 trials:
// exact p 2 (1 + 4) / 16, mid-p that less P(X = 3) = 4 / 16) and the paired
// difference (b - c) / n = 1/6 with SE ((4 - 4/12) / (12 * 11))^0.5 = 1/6.
TEST_F(ComparedPointsTest, PointsCountedUnderBothMaps) {
    const auto json = run(std::string(Compared) + "--threads 2 --format json", "");
    ASSERT_EQ(json.status, 0) << json.err;
    const std::size_t a = json.out.find("\"a\": {"), b = json.out.find("\"b\": {"),
                      comparison = json.out.find("\"comparison\": {");
    ASSERT_TRUE(a < b && b < comparison) << json.out;
    const std::string reportA = json.out.substr(a, b - a), reportB = json.out.substr(b);
    EXPECT_TRUE(Has(reportA, "\"matrix\": [[3, 0, 0], [0, 3, 1], [1, 1, 3]]"));
    EXPECT_TRUE(Has(reportB, "\"matrix\": [[2, 0, 0], [2, 3, 2], [0, 1, 2]]"));
    // Each map's own pixels of its classes, B's no-data pixel in neither.
    EXPECT_TRUE(Has(reportA, "\"map_pixels\": [3, 4, 5]")) << reportA;
    EXPECT_TRUE(Has(reportB, "\"map_pixels\": [2, 6, 3]")) << reportB;
    EXPECT_TRUE(Has(reportB, "\"counted\": 12, \"left_out\": {\"outside\": 0, \"nodata\": 1"));
    EXPECT_TRUE(Has(json.out, "\"both_right\": 6, \"only_a_right\": 3, \"only_b_right\": 1, "
                              "\"both_wrong\": 2"));
    const std::string c = "\"comparison\"";
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_chi2", c), 1.0, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_chi2_corrected", c), 0.25, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_exact_p", c), 0.625, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "mcnemar_mid_p", c), 0.375, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference", c), 1.0 / 6, 1e-15);
    EXPECT_NEAR(jsonNumber(json.out, "overall_accuracy_difference_se", c), 1.0 / 6, 1e-15);
    // Class 2: U_A = 3/4, U_B = 3/7; class 3: P_A = 3/4, P_B = 2/4.
    const std::string three = "\"class\": 3";
    EXPECT_NEAR(jsonNumber(section(json.out), "users_accuracy_difference", "\"class\": 2"),
                0.75 - 3.0 / 7, 1e-15);
    EXPECT_NEAR(jsonNumber(section(json.out), "producers_accuracy_difference", three), 0.25, 1e-15);
}

// With --strata the comparison is the stratified one of --samples --compare
// over the same units, read from text, with the sizes N_h the maps give: 6 and
// 5. By hand: the mean of y_u is 2/6 in stratum 7 and 0 in stratum 9, so the
// difference is 6/11 * 1/3 = 2/11.
TEST_F(ComparedPointsTest, StrataGiveTheStratifiedDifference) {
    const auto maps = run(std::string(Compared) + "--strata {dir}/strata.tif --format json", "");
    ASSERT_EQ(maps.status, 0) << maps.err;
    const std::string units = "7,1,1,1\n7,1,2,1\n7,2,2,2\n9,3,3,2\n7,2,2,2\n7,2,2,3\n"
                              "9,3,3,3\n9,3,1,1\n9,3,3,3\n9,3,2,3\n7,1,2,1\n";
    const auto samples =
        run("--samples --compare --strata-sizes 7=6,9=5 --classes 1,2,3 --format json", units);
    ASSERT_EQ(samples.status, 0) << samples.err;
    EXPECT_EQ(section(maps.out), section(samples.out));
    EXPECT_NEAR(jsonNumber(maps.out, "overall_accuracy_difference", "\"comparison\""), 2.0 / 11,
                1e-15);
    // Two points left out: one on B's no-data, one on the strata raster's.
    EXPECT_TRUE(Has(maps.out, "\"counted\": 11, \"left_out\": {\"outside\": 0, \"nodata\": 2"));
    const auto text = run(std::string(Compared) + "--strata {dir}/strata.tif", "");
    EXPECT_TRUE(Has(text.out, "a stratified sample, not a simple random sample")) << text.out;
    EXPECT_FALSE(Has(text.out, "mcnemar_chi2")) << text.out;
}

TEST_F(CompareMapsTest, RefusalsAreOneLine) {
    raster("a.tif", Raster(4, 3, SmallMap));
    raster("ref.tif", Raster(4, 3, SmallReference));
    raster("wide.tif", Raster(5, 3, std::vector<double>(15, 1)));
    Raster shifted(4, 3, SmallMap);
    shifted.transform[0] += 10;
    raster("shifted.tif", shifted);
    // Under the second point: a class not among --classes, and a fraction.
    std::vector<double> four = SmallMap, half = SmallMap;
    four[1] = 4;
    half[1] = 2.5;
    raster("four.tif", Raster(4, 3, four));
    raster("half.tif", Raster(4, 3, half, {}, GDT_Float32));
    ASSERT_TRUE(WritePoints((dir / "points.gpkg").string(), "samples", 32632,
                            {{500005, 3999995, "1"}, {500015, 3999995, "2"}}));
    const std::string maps = "--map {dir}/a.tif --reference {dir}/ref.tif --compare-map ";
    expectEach({
        {"other_size",
         maps + "{dir}/wide.tif",
         "",
         1,
         {"the map is 4 x 3 pixels, the compared map 5 x 3: they must be on the same grid"}},
        {"other_place",
         maps + "{dir}/shifted.tif",
         "",
         1,
         {"the map's geotransform is (500000, 10, 0, 4000000, 0, -10), the compared map's "
          "(500010, 10"}},
        {"points_and_map_of_other_size",
         "--map {dir}/a.tif --compare-map {dir}/wide.tif --reference {dir}/points.gpkg",
         "",
         1,
         {"the map is 4 x 3 pixels, the compared map 5 x 3: they must be on the same grid"}},
        {"class_at_a_point_not_given",
         "--map {dir}/a.tif --compare-map {dir}/four.tif --reference {dir}/points.gpkg "
         "--classes 1,2,3",
         "",
         1,
         {"feature 2 of {dir}/points.gpkg: the compared map holds 4, which is not among "
          "--classes"}},
        {"fraction_at_a_point",
         "--map {dir}/a.tif --compare-map {dir}/half.tif --reference {dir}/points.gpkg",
         "",
         1,
         {"the compared map", "2.5"}},
        {"missing_map", maps + "{dir}/absent.tif", "", 3, {"{dir}/absent.tif"}},
    });
}

} // namespace
} // namespace brennic::test
