// The command line's side of map reading in-process: the hook that counts, a
// build without map reading, and progress in GDAL's own style.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli/cli.h"
#include "cli/gdal_map_counting.h"
#include "cli/map_input.h"

namespace brennic::test {
namespace {

// Stands in for the companion: keeps the options, gives a 2 x 2 matrix.
class StandInCounting final : public MapCounting {
  public:
    MapOptions seen;
    std::variant<CountedInput, InputError>
    Count(const MapOptions& options, const std::optional<std::vector<std::string>>&) override {
        seen = options;
        CountedInput input{
            LabelledMatrix{ErrorMatrix(2), {"10", "20"}, 0}, {}, std::nullopt, std::nullopt, false};
        input.labelled.matrix.set(1, 1, 3);
        input.labelled.matrix.set(2, 2, 1);
        FormTotals(input.labelled.matrix);
        return input;
    }
};

// The options reach the hook; without a hook (a build without map reading) --map
// is refused. The companion's failures are met in brennic_kappa_maps_test.cpp.
TEST(MapCli, OptionsReachTheHookAndWithoutOneMapsAreRefused) {
    const std::vector<std::string> args{
        "--map", "m.tif",    "--reference", "r.tif",      "--window", "1,2,30,40", "--threads",
        "3",     "--nodata", "nan",         "--map-band", "2",        "--quiet"};
    StandInCounting counting;
    std::ostringstream out, err, noOut, noErr;
    EXPECT_EQ(RunCli(args, stdin, out, err, &counting), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str(), "");
    const MapOptions& seen = counting.seen;
    EXPECT_TRUE(seen.map == "m.tif" && seen.threads == 3 && seen.mapBand == 2 &&
                (seen.window == std::vector<std::int64_t>{1, 2, 30, 40}) && seen.nodata &&
                std::isnan(*seen.nodata) && seen.quiet);
    EXPECT_EQ(RunCli(args, stdin, noOut, noErr, nullptr), 1);
    EXPECT_EQ(noOut.str(), "");
    EXPECT_EQ(noErr.str(), "brennic-kappa: --map: this build of brennic-kappa reads no maps (map "
                           "reading is a Linux feature for now)\n");
}

TEST(MapCli, ProgressInGdalsStyleOnlyAfterTheDelay) {
    // clang-format off
    const struct { const char* name; double delay; std::vector<double> fractions; const char* shown; } rows[] = {
        {"whole_count", 0, {0, 0.5, 1}, "0...10...20...30...40...50...60...70...80...90...100 - done.\n"},
        {"stopped_at_a_quarter", 0, {0.26}, "0...10...20..\n"},
        {"quicker_than_the_delay", 3600, {0, 1}, ""},
    };
    // clang-format on
    for (const auto& row : rows) {
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
