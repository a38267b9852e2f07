// Speed of brennic-kappa --report from a read matrix: every figure of the
// report, with weights and mapped areas, written as JSON; and the html page. The figures are
// checked once first, so a broken build cannot post a fast time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/agreement_report.h"
#include "core/result_file.h"
#include "report/html_charts.h"
#include "report/report.h"

namespace {

// The worked example 20 5 0|3 15 2|2 5 48 in the top-left corner, 0 elsewhere:
// the empty classes change no figure, and a weighted kappa does not change when
// all disagreement weights 1 - w are scaled alike, so the 3 by 3 values hold.
// By hand: kappa_se^2 = 63004924/18015003125, kappa_se0^2 = 1249/240100; linear
// kappa_w = 137/175, quadratic 117/140.
bool expectedFigures(const brennic::AgreementReport& r, double weightedKappa) {
    const std::string seven =
        " 0.3875  0.83  0.722448979591837  0.599793371618005  0.845104587565668 "
        " 0.0795394908975717  9.0828967024969 \r\n";
    const auto near = [](const brennic::Figure& f, double expected) {
        return f.defined() && std::fabs(*f.value - expected) < 1e-14;
    };
    using enum brennic::OverallFigure;
    const auto& o = r.overall;
    for (std::size_t i = 0; i < brennic::ResultFileFigures; ++i)
        if (!o.all()[i].defined())
            return false;
    return brennic::ResultValuesLine({*o[PC].value, *o[PO].value, *o[KAPPA].value, *o[LO].value,
                                      *o[HI].value, *o[SE].value, *o[Z].value},
                                     '.') == seven &&
           near(o[kappa_se], std::sqrt(63004924.0 / 18015003125.0)) &&
           near(o[kappa_se0], std::sqrt(1249.0 / 240100.0)) && r.weighted &&
           near(r.weighted->figures[brennic::WeightedFigure::kappa], weightedKappa) &&
           static_cast<int>(r.classes.size()) == r.n &&
           near(r.classes[2].figures[brennic::ClassFigure::producers_accuracy], 0.96) &&
           near(o[scott_pi], (0.83 - 0.38875) / (1 - 0.38875)) &&
           near(o[quantity_disagreement], 0.05) && near(o[allocation_disagreement], 0.12);
}

// Every figure of a full matrix of counts has a value.
bool everyFigureDefined(const brennic::AgreementReport& r) {
    const auto all = [](const auto& row) {
        for (const brennic::Figure& f : row.all())
            if (!f.defined())
                return false;
        return true;
    };
    bool defined =
        all(r.overall) && r.weighted && all(r.weighted->figures) && r.area && all(r.area->figures);
    for (const auto& c : r.classes)
        defined = defined && all(c.figures);
    for (const auto& c : r.area->classes)
        defined = defined && all(c.figures);
    return defined;
}

// Every cell counted, 400 on the diagonal and (r c) mod 4 off it, with a mapped
// area for each class.
brennic::ErrorMatrix fullMatrix(int n, std::vector<double>& areas) {
    brennic::ErrorMatrix full(n);
    for (int r = 1; r <= n; ++r) {
        areas.push_back(1000.0 + r);
        for (int c = 1; c <= n; ++c)
            full.set(r, c, r == c ? 400.0 : static_cast<double>((r * c) % 4));
    }
    brennic::FormTotals(full);
    return full;
}

void BM_Report(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    brennic::ErrorMatrix m(n);
    const double cells[3][3] = {{20, 5, 0}, {3, 15, 2}, {2, 5, 48}};
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            m.set(r, c, cells[r - 1][c - 1]);
    m.RowTotals = {0, 25, 20, 55};
    m.ColTotals = {0, 25, 25, 50};
    m.RowTotals.resize(static_cast<std::size_t>(n + 1), 0.0);
    m.ColTotals.resize(static_cast<std::size_t>(n + 1), 0.0);
    m.DiagonalSum = 83;
    m.GrandTotal = 100;

    using brennic::Weights;
    if (!expectedFigures(brennic::ComputeAgreementReport(m, Weights::Linear), 137.0 / 175) ||
        !expectedFigures(brennic::ComputeAgreementReport(m, Weights::Quadratic), 117.0 / 140)) {
        state.SkipWithError("the report did not give the worked example's figures");
        return;
    }

    // The report's own case: every cell counted, weights and mapped areas given.
    std::vector<double> areas;
    const brennic::ErrorMatrix full = fullMatrix(n, areas);
    if (!everyFigureDefined(brennic::ComputeAgreementReport(full, Weights::Linear, &areas))) {
        state.SkipWithError("a figure of the full matrix was not formed");
        return;
    }
    for (auto _ : state) {
        brennic::Report report;
        report.agreement = brennic::ComputeAgreementReport(full, Weights::Linear, &areas);
        const std::string json = brennic::ReportJson(report);
        benchmark::DoNotOptimize(json.data());
    }
}
BENCHMARK(BM_Report)->Arg(254)->Unit(benchmark::kMillisecond);

// The html page of the same full report, written from the report computed once:
// a heatmap cell with its count for each of the n^2 cells, a second heatmap of
// the area proportions, every chart and table. Its size is reported beside the
// time, and checked once: at most 3 MB, and the cell of row 2, column 3 counted.
void BM_ReportHtml(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> areas;
    const brennic::ErrorMatrix full = fullMatrix(n, areas);
    brennic::Report report;
    report.agreement = brennic::ComputeAgreementReport(full, brennic::Weights::Linear, &areas);
    const std::string page = brennic::ReportHtml(report, brennic::TextNumbers());
    // (2 3) mod 4 = 2: in its tooltip, and beside it in the cell's text where
    // the cells have one.
    const bool tooltipsOnly = n > brennic::LargestMatrixWithCellText;
    const std::size_t cell =
        tooltipsOnly ? page.find("<rect x=2><title>2</title></rect>", page.find("translate(0 1)"))
                     : page.find("map 2, reference 3: 2;");
    if (page.size() > 3'000'000 || cell == std::string::npos) {
        state.SkipWithError("the page is larger than 3 MB or lacks the count of a cell");
        return;
    }
    for (auto _ : state) {
        const std::string written = brennic::ReportHtml(report, brennic::TextNumbers());
        benchmark::DoNotOptimize(written.data());
    }
    state.counters["bytes"] = static_cast<double>(page.size());
}
BENCHMARK(BM_ReportHtml)->Arg(16)->Arg(254)->Unit(benchmark::kMillisecond);

} // namespace
