// Speed of brennic-kappa --samples: a million sample units in 10 strata and 20
// classes read and counted, then Stehman's estimates formed from the counts.
// Each benchmark first checks what it computed, so a broken build cannot post a
// fast time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>

#include "core/stratified.h"
#include "input/samples_input.h"

namespace {

// The bytes of a string, handed out in the pieces the reader asks for.
class StringSource : public brennic::ByteSource {
  public:
    explicit StringSource(const std::string& bytes) : m_bytes(bytes) {}
    std::ptrdiff_t Read(char* buffer, std::size_t size, int&) override {
        const std::size_t n = std::min(size, m_bytes.size() - m_at);
        std::memcpy(buffer, m_bytes.data() + m_at, n);
        m_at += n;
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    const std::string& m_bytes;
    std::size_t m_at = 0;
};

// Stratum s0 to s9 in turn; map and reference agree but on every seventh unit:
// about 9 MB for a million units.
const std::string& sampleBytes(int units) {
    static const std::string bytes = [units] {
        std::string text;
        for (int i = 0; i < units; ++i) {
            const int reference = i % 20 + 1;
            const int map = i % 7 == 0 ? (i / 7) % 20 + 1 : reference;
            text += "s" + std::to_string(i % 10) + "," + std::to_string(map) + "," +
                    std::to_string(reference) + "\n";
        }
        return text;
    }();
    return bytes;
}

brennic::SamplesOptions options() {
    brennic::SamplesOptions o;
    for (int h = 0; h < 10; ++h)
        o.strata.push_back({"s" + std::to_string(h), 1e9});
    return o;
}

void BM_ReadSamples(benchmark::State& state) {
    const auto units = static_cast<int>(state.range(0));
    const std::string& bytes = sampleBytes(units);
    const brennic::SamplesOptions o = options();
    {
        StringSource in(bytes);
        auto first = brennic::ReadSamples(in, o);
        const auto* read = std::get_if<brennic::SamplesRead>(&first);
        if (read == nullptr || read->sample.matrix.GrandTotal != units ||
            read->stratified.classes != 20 || read->sample.labels.back() != "20") {
            state.SkipWithError("the sample units were not counted");
            return;
        }
    }
    for (auto _ : state) {
        StringSource in(bytes);
        auto read = brennic::ReadSamples(in, o);
        benchmark::DoNotOptimize(&read);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadSamples)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_EstimateStratified(benchmark::State& state) {
    StringSource in(sampleBytes(1000000));
    auto read = brennic::ReadSamples(in, options());
    const brennic::StratifiedSample sample = std::get<brennic::SamplesRead>(read).stratified;
    // Strata of equal size and equal samples weigh every unit alike: the share
    // of the units that agree, 871428 of the million (counted apart).
    const auto check = brennic::EstimateStratified(sample);
    const auto& overall = check.figures[brennic::StratifiedFigure::overall_accuracy];
    if (!overall.defined() || std::fabs(*overall.value - 0.871428) > 1e-12) {
        state.SkipWithError("the overall accuracy is not the sample's");
        return;
    }
    for (auto _ : state) {
        auto estimates = brennic::EstimateStratified(sample);
        benchmark::DoNotOptimize(&estimates);
    }
}
BENCHMARK(BM_EstimateStratified)->Unit(benchmark::kMicrosecond);

} // namespace
