// Speed of brennic-kappa's reading: a 254 by 254 matrix file beside the least any
// reader must do with it (read the bytes and convert each cell with
// std::from_chars), and a million pairs of labels counted into a matrix. Each
// benchmark first checks what it read, so a broken build cannot post a fast time.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "input/matrix_input.h"
#include "input/pairs_input.h"

namespace {

namespace fs = std::filesystem;

// A file of the benchmark's own, written once and removed at exit.
class BenchFile {
  public:
    BenchFile(const std::string& name, const std::string& bytes)
        : m_path(fs::temp_directory_path() /
                 ("brennic-bench-" + std::to_string(::getpid()) + "-" + name)) {
        std::ofstream(m_path, std::ios::binary) << bytes;
    }
    ~BenchFile() { fs::remove(m_path); }
    std::string path() const { return m_path.string(); }

  private:
    fs::path m_path;
};

// Counts of one to three digits, as a map of 254 classes has them: about 251 KB.
int countAt(int r, int c) {
    return r == c ? 500 + r : (r * 31 + c * 17) % 1000;
}

const BenchFile& matrixFile(int n) {
    static const BenchFile file("matrix", [n] {
        std::string bytes;
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= n; ++c)
                bytes += std::to_string(countAt(r, c)) + (c < n ? " " : "\n");
        return bytes;
    }());
    return file;
}

template <typename Read> auto withFile(const std::string& path, Read read) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    brennic::FileSource source(file);
    auto result = read(source);
    std::fclose(file);
    return result;
}

void BM_ReadMatrix(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = matrixFile(n).path();
    const auto read = [](brennic::ByteSource& in) { return brennic::ReadMatrix(in, '.'); };
    const auto first = withFile(path, read);
    const auto* m = std::get_if<brennic::ErrorMatrix>(&first);
    if (m == nullptr || m->size() != n || m->x(n, n) != countAt(n, n) ||
        m->x(2, 7) != countAt(2, 7)) {
        state.SkipWithError("the matrix was not read as written");
        return;
    }
    for (auto _ : state) {
        auto matrix = withFile(path, read);
        benchmark::DoNotOptimize(&matrix);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_ReadMatrix)->Arg(254)->Unit(benchmark::kMillisecond);

// The bytes read in one go and each blank-separated cell converted: no checks,
// no messages, no totals.
void BM_ReadMatrixBaseline(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::string path = matrixFile(n).path();
    std::vector<char> bytes(fs::file_size(path));
    const auto readAll = [&] {
        std::vector<double> values;
        values.reserve(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
        std::FILE* file = std::fopen(path.c_str(), "rb");
        const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        const char* p = bytes.data();
        const char* end = p + got;
        while (p < end) {
            double value = 0.0;
            p = std::from_chars(p, end, value).ptr;
            values.push_back(value);
            while (p < end && (*p == ' ' || *p == '\n'))
                ++p;
        }
        return values;
    };
    if (readAll().size() != static_cast<std::size_t>(n) * static_cast<std::size_t>(n)) {
        state.SkipWithError("the cells were not all read");
        return;
    }
    for (auto _ : state) {
        auto values = readAll();
        benchmark::DoNotOptimize(values.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadMatrixBaseline)->Arg(254)->Unit(benchmark::kMillisecond);

// Reads the pairs of `file` with `options` as often as the benchmark asks, once
// checked: numeric labels of 20 classes, `pairs` in all.
void readPairs(benchmark::State& state, const BenchFile& file, int pairs,
               const brennic::PairsOptions& options) {
    const auto read = [&options](brennic::ByteSource& in) {
        return brennic::ReadPairs(in, options);
    };
    const auto first = withFile(file.path(), read);
    const auto* m = std::get_if<brennic::LabelledMatrix>(&first);
    if (m == nullptr || m->matrix.size() != 20 || m->matrix.GrandTotal != pairs ||
        m->labels.front() != "1" || m->labels.back() != "20") {
        state.SkipWithError("the pairs were not counted");
        return;
    }
    for (auto _ : state) {
        auto matrix = withFile(file.path(), read);
        benchmark::DoNotOptimize(&matrix);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(fs::file_size(file.path())));
}

// The pair of line i: the classification agrees with the reference on most lines.
std::pair<std::string, std::string> pairOfLine(int i) {
    const int reference = i % 20 + 1;
    const int classified = i % 7 == 0 ? (i / 7) % 20 + 1 : reference;
    return {std::to_string(classified), std::to_string(reference)};
}

// Two labels a line: about 6 MB for a million pairs.
void BM_ReadPairs(benchmark::State& state) {
    const auto pairs = static_cast<int>(state.range(0));
    static const BenchFile file("pairs", [pairs] {
        std::string bytes;
        for (int i = 0; i < pairs; ++i) {
            const auto [classified, reference] = pairOfLine(i);
            bytes += classified + "," + reference + "\n";
        }
        return bytes;
    }());
    readPairs(state, file, pairs, {});
}
BENCHMARK(BM_ReadPairs)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The same pairs as a spreadsheet exports them: a plot number before them and a
// note after, the pairs chosen with --columns by the header's names.
void BM_ReadPairsColumns(benchmark::State& state) {
    const auto pairs = static_cast<int>(state.range(0));
    static const BenchFile file("pairs-columns", [pairs] {
        std::string bytes = "Plot ID,Map class,Reference class,Interpreter\n";
        for (int i = 0; i < pairs; ++i) {
            const auto [classified, reference] = pairOfLine(i);
            bytes += std::to_string(i + 1) + "," + classified + "," + reference + ",AB\n";
        }
        return bytes;
    }());
    brennic::PairsOptions options;
    options.header = true;
    options.columns = std::vector<std::string>{"Map class", "Reference class"};
    readPairs(state, file, pairs, options);
}
BENCHMARK(BM_ReadPairsColumns)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
