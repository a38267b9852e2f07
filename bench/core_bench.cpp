// Speed of the core run from cell texts to the two lines of Result.txt, and of
// writing those lines to disk. Each benchmark first checks that it produced the
// expected bytes, so a broken build cannot post a fast time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/run.h"

namespace {

const std::string Header = "\"PC\",\"PO\",\"KAPPA\",\"LO-95% CI\",\"HI-95% CI\",\"SE\",\"Z\"\r\n";

// The worked example's values; a matrix of size 3 or more holding the example in
// its top-left corner and 0 elsewhere has the same totals and so these figures.
const std::string WorkedExampleValues =
    " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
    " 0.0795394908975717  9.0828967024969 \r\n";

// Two classes cannot hold the worked example; the fractional-count example
// (2.5, 1 / 0.5, 6) stands in for it.
const std::string FractionalExampleValues =
    " 0.56  0.85  0.659090909090909  0.145836827698354  1.17234499048346 "
    " 0.356753034006338  1.84747106896139 \r\n";

// Column by column, n * n cell texts: stored in the order the run asks for them.
std::vector<std::string> exampleCells(int n) {
    std::vector<std::string> cells(static_cast<std::size_t>(n * n), "0");
    auto set = [&](const std::vector<std::vector<const char*>>& rows) {
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t c = 0; c < rows.size(); ++c)
                cells[c * static_cast<std::size_t>(n) + r] = rows[r][c];
    };
    if (n == 2)
        set({{"2.5", "1"}, {"0.5", "6"}});
    else
        set({{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}});
    return cells;
}

void BM_CoreRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto cells = exampleCells(n);
    const brennic::CellText cellText = [&](int row, int col) {
        return cells[static_cast<std::size_t>((col - 1) * n + (row - 1))];
    };
    const std::string expected = Header + (n == 2 ? FractionalExampleValues : WorkedExampleValues);
    if (brennic::RunKappaInMemory(n, cellText, '.').bytes != expected) {
        state.SkipWithError("the run did not give the example's bytes");
        return;
    }
    for (auto _ : state) {
        auto run = brennic::RunKappaInMemory(n, cellText, '.');
        benchmark::DoNotOptimize(run.bytes.data());
    }
}
BENCHMARK(BM_CoreRun)->Arg(2)->Arg(16)->Arg(254)->Unit(benchmark::kMicrosecond);

// Making Result.txt new with its header and appending the values line: the file
// operations of a run, without the computation.
void BM_ResultFile(benchmark::State& state) {
    const brennic::KappaResult figures{0.3875,
                                       0.83,
                                       0.722448979591837,
                                       0.599793371618005,
                                       0.845104587565668,
                                       0.0795394908975717,
                                       9.0828967024969};
    const auto dir =
        std::filesystem::temp_directory_path() / ("brennic-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = brennic::MakeResultPath(dir.string());
    auto writeOnce = [&] {
        return brennic::StartResultFile(path) ||
               brennic::AppendResultValues(path, figures, '.').has_value();
    };
    std::ostringstream bytes;
    if (!writeOnce())
        bytes << std::ifstream(path, std::ios::binary).rdbuf();
    if (bytes.str() != Header + WorkedExampleValues) {
        state.SkipWithError("the file does not hold the worked example's bytes");
    } else {
        for (auto _ : state)
            if (writeOnce()) {
                state.SkipWithError("the file could not be written");
                break;
            }
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ResultFile)->Unit(benchmark::kMicrosecond);

} // namespace
