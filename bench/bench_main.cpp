// Runs the benchmarks; the window's are measured on real widgets without a display.
#include <benchmark/benchmark.h>

#ifdef BRENNIC_BENCH_WINDOW
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef BRENNIC_BENCH_WINDOW
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
