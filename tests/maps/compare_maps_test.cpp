// brennic-kappa --map A --compare-map B --reference R: two maps counted against
// one reference raster in one pass, each map's report and their comparison, a
// pixel that is no-data in either map left out of both; and the refusals.
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

TEST_F(CompareMapsTest, RefusalsAreOneLine) {
    raster("a.tif", Raster(4, 3, SmallMap));
    raster("ref.tif", Raster(4, 3, SmallReference));
    raster("wide.tif", Raster(5, 3, std::vector<double>(15, 1)));
    Raster shifted(4, 3, SmallMap);
    shifted.transform[0] += 10;
    raster("shifted.tif", shifted);
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
        {"points",
         "--map {dir}/a.tif --compare-map {dir}/a.tif --reference {dir}/points.gpkg",
         "",
         1,
         {"is read as points, which are not counted against two maps yet"}},
        {"missing_map", maps + "{dir}/absent.tif", "", 3, {"{dir}/absent.tif"}},
    });
}

} // namespace
} // namespace brennic::test
