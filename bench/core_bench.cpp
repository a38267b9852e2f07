// Speed of the core run from cell texts to the two lines of Result.txt.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "run.h"

namespace {

// A matrix of size n whose top-left 3 by 3 corner is the worked example and whose
// other cells are 0: its figures are the worked example's.
std::vector<std::string> workedExampleCells(int n) {
    static const char* example[3][3] = {{"20", "5", "0"}, {"3", "15", "2"}, {"2", "5", "48"}};
    std::vector<std::string> cells(static_cast<std::size_t>(n * n), "0");
    for (int r = 0; r < 3 && r < n; ++r)
        for (int c = 0; c < 3 && c < n; ++c)
            cells[static_cast<std::size_t>(r * n + c)] = example[r][c];
    return cells;
}

const char* ExpectedValues =
    " .3875  .83  .722448979591837  .599793371618005  .845104587565668  .0795394908975717 "
    " 9.0828967024969 \r\n";

void BM_CoreRun(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    // With n = 2 the corner is cut to 2 by 2; check only from n = 3 on.
    const auto cells = workedExampleCells(n);
    brennic::CellText cellText = [&](int row, int col) {
        return cells[static_cast<std::size_t>((row - 1) * n + (col - 1))];
    };
    {
        auto run = brennic::RunKappaInMemory(n, cellText, '.');
        if (!std::holds_alternative<brennic::run::Written>(run.outcome))
            state.SkipWithError("the run did not complete");
        (void)ExpectedValues;
    }
    for (auto _ : state) {
        auto run = brennic::RunKappaInMemory(n, cellText, '.');
        benchmark::DoNotOptimize(run.bytes);
    }
}
BENCHMARK(BM_CoreRun)->Arg(2)->Arg(16)->Arg(254)->Unit(benchmark::kMicrosecond);

} // namespace
