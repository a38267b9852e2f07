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

// The hook's failures keep their status; without a hook (a build without map
// reading) --map is refused.
TEST(MapCli, HookFailuresKeepTheirStatusAndOptionsReachIt) {
    const std::vector<std::string> args{
        "--map", "m.tif",    "--reference", "r.tif",      "--window", "1,2,30,40", "--threads",
        "3",     "--nodata", "nan",         "--map-band", "2",        "--quiet"};
    // clang-format off
    const struct { const char* name; std::optional<CliFailure> failure; int status; const char* err; } rows[] = {
        {"counted", std::nullopt, 0, ""},
        {"read_error", CliFailure{3, "cannot read r.tif: truncated"}, 3, "brennic-kappa: cannot read r.tif: truncated\n"},
        {"no_hook", std::nullopt, 1,
         "brennic-kappa: --map: this build of brennic-kappa reads no maps (map reading is a Linux feature for now)\n"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool hook = std::string(row.name) != "no_hook";
        StandInCounting counting;
        counting.failure = row.failure;
        std::ostringstream out, err;
        EXPECT_EQ(RunCli(args, stdin, out, err, hook ? &counting : nullptr), row.status);
        EXPECT_EQ(err.str(), row.err);
        EXPECT_EQ(out.str().empty(), row.status != 0);
        const MapOptions& seen = counting.seen;
        EXPECT_TRUE(!hook || (seen.map == "m.tif" && seen.threads == 3 && seen.mapBand == 2 &&
                              seen.window == std::vector<std::int64_t>{1, 2, 30, 40} &&
                              seen.nodata && std::isnan(*seen.nodata) && seen.quiet));
    }
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
