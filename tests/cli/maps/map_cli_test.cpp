// The command line's side of map reading in-process: the hook that counts, a
// build without map reading, and progress in GDAL's own style.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli.h"
#include "gdal_map_counting.h"
#include "map_input.h"

namespace brennic::test {
namespace {

// Stands in for the companion: gives a set failure, or a 2 x 2 matrix.
class StandInCounting final : public MapCounting {
  public:
    std::optional<CliFailure> failure;
    MapOptions seen;
    std::variant<MapInput, CliFailure>
    Count(const MapOptions& options, const std::optional<std::vector<std::string>>&) override {
        seen = options;
        if (failure)
            return *failure;
        MapInput input{
            LabelledMatrix{ErrorMatrix(2), {"10", "20"}, 0}, {}, std::nullopt, std::nullopt, false};
        input.labelled.matrix.set(1, 1, 3);
        input.labelled.matrix.set(2, 2, 1);
        FormTotals(input.labelled.matrix);
        return input;
    }
};

TEST(MapCli, HookFailuresKeepTheirStatusAndOptionsReachIt) {
    const std::vector<std::string> args{
        "--map", "m.tif",    "--reference", "r.tif",      "--window", "1,2,30,40", "--threads",
        "3",     "--nodata", "nan",         "--map-band", "2",        "--quiet"};
    struct Row {
        const char* name;
        std::optional<CliFailure> failure;
        int status;
        const char* err;
    };
    const Row rows[] = {
        {"counted", std::nullopt, 0, ""},
        {"read_error", CliFailure{3, "cannot read r.tif: truncated"}, 3,
         "brennic-kappa: cannot read r.tif: truncated\n"},
        {"bad_input", CliFailure{1, "the map holds 2.5"}, 1, "brennic-kappa: the map holds 2.5\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StandInCounting counting;
        counting.failure = row.failure;
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(args, stdin, out, err, &counting), row.status);
        EXPECT_EQ(err.str(), row.err);
        EXPECT_EQ(out.str().empty(), row.status != 0);
        EXPECT_EQ(counting.seen.map, "m.tif");
        EXPECT_EQ(counting.seen.window, (std::vector<std::int64_t>{1, 2, 30, 40}));
        EXPECT_EQ(counting.seen.threads, 3);
        EXPECT_EQ(counting.seen.mapBand, 2);
        EXPECT_TRUE(counting.seen.nodata && std::isnan(*counting.seen.nodata));
        EXPECT_TRUE(counting.seen.quiet);
    }
}

TEST(MapCli, WithoutMapReadingMapIsRefused) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"--map", "m.tif", "--reference", "r.tif"}, stdin, out, err, nullptr), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("map reading is a Linux feature for now"), std::string::npos);
}

TEST(MapCli, ProgressInGdalsStyleOnlyAfterTheDelay) {
    struct Row {
        const char* name;
        double delay;
        std::vector<double> fractions;
        const char* shown;
    };
    const Row rows[] = {
        {"whole_count",
         0,
         {0, 0.5, 1},
         "0...10...20...30...40...50...60...70...80...90...100 - done.\n"},
        {"stopped_at_a_quarter", 0, {0.26}, "0...10...20..\n"},
        {"quicker_than_the_delay", 3600, {0, 1}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::ostringstream err;
        TerminalProgress progress(err, row.delay);
        for (double f : row.fractions)
            progress.Progress(f);
        progress.Finish();
        EXPECT_EQ(err.str(), row.shown);
    }
}

} // namespace
} // namespace brennic::test
