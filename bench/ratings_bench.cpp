// Speed of brennic-kappa --ratings: a million units rated by five raters into
// five classes, read from a file and every figure of the ratings report formed.
// The figures are checked once first, so a broken build cannot post a fast time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "core/ratings.h"
#include "input/ratings_input.h"

namespace {

namespace fs = std::filesystem;

constexpr int Units = 1000000, Raters = 5, Classes = 5;

// Blocks of ten units: for each class k a unit rated k by all five raters and
// one rated k by four and k + 1 (mod 5) by the fifth. By hand: every class share
// is 0.2, so pe = 0.2 for Fleiss, Conger, Gwet and Brennan-Prediger alike;
// pa = (1 + 0.6) / 2 = 0.8 (the second unit: 4 * 3 / (5 * 4)); each coefficient
// (0.8 - 0.2) / 0.8 = 0.75, and Krippendorff's alpha 0.75 + 0.25 e with
// e = 1 / (5 * 10^6) ratings.
std::string ratingsText() {
    std::string text;
    text.reserve(static_cast<std::size_t>(Units) * 10);
    for (int i = 0; i < Units; ++i) {
        const int k = (i / 2) % Classes;
        for (int g = 0; g < Raters; ++g) {
            const int rating = g == Raters - 1 && i % 2 == 1 ? (k + 1) % Classes : k;
            text += static_cast<char>('1' + rating);
            text += g + 1 < Raters ? ',' : '\n';
        }
    }
    return text;
}

class RatingsFile {
  public:
    RatingsFile()
        : m_path(fs::temp_directory_path() /
                 ("brennic-bench-" + std::to_string(::getpid()) + "-ratings")) {
        std::ofstream(m_path, std::ios::binary) << ratingsText();
    }
    ~RatingsFile() { fs::remove(m_path); }
    std::string path() const { return m_path.string(); }

  private:
    fs::path m_path;
};

brennic::RatingsReport readAndCompute(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    brennic::FileSource source(file);
    auto table = brennic::ReadRatings(source, {});
    std::fclose(file);
    auto report = brennic::ComputeRatingsReport(std::get<brennic::RatingsTable>(table),
                                                brennic::RatingWeights::None);
    return std::get<brennic::RatingsReport>(report);
}

bool expectedFigures(const brennic::RatingsReport& r) {
    using enum brennic::RatingsCoefficient;
    const auto near = [](const brennic::Figure& f, double expected) {
        return f.defined() && std::fabs(*f.value - expected) < 1e-12;
    };
    bool ok = r.units == Units && r.raters == Raters && near(r[percent_agreement].value, 0.8);
    for (auto c : {fleiss_kappa, conger_kappa, gwet_ac1, brennan_prediger})
        ok = ok && near(r[c].value, 0.75) && r[c].se.defined() && r[c].p.defined();
    return ok && near(r[krippendorff_alpha].value, 0.75 + 0.25 / (Units * Raters));
}

void BM_Ratings(benchmark::State& state) {
    static const RatingsFile file;
    if (!expectedFigures(readAndCompute(file.path()))) {
        state.SkipWithError("the ratings report does not hold the figures worked out by hand");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(readAndCompute(file.path()));
    state.SetItemsProcessed(state.iterations() * Units);
}
BENCHMARK(BM_Ratings)->Unit(benchmark::kMillisecond);

} // namespace
