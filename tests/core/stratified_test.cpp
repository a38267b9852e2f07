// Stehman's (2014) estimators against the published examples (Stehman's own,
// Olofsson et al. 2013), against the area-weighted report where the strata are
// the map classes, and against the paper's equations written once more in long
// double over the sample units themselves; and each figure that cannot be formed.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

#include "agreement_report.h"
#include "stratified.h"

namespace brennic {
namespace {

using Class = StratifiedClassFigure;

// A sample from one error matrix per stratum (rows map, columns reference).
StratifiedSample sampleOf(const std::vector<std::vector<std::vector<double>>>& strata,
                          const std::vector<double>& sizes, bool fpc) {
    StratifiedSample s;
    s.classes = strata.at(0).size();
    s.stratumSizes = sizes;
    s.finitePopulationCorrection = fpc;
    for (std::size_t h = 0; h < strata.size(); ++h) {
        s.strata.push_back("S" + std::to_string(h + 1));
        for (std::size_t i = 0; i < s.classes; ++i)
            for (std::size_t j = 0; j < s.classes; ++j)
                if (strata[h][i][j] != 0.0)
                    s.cells.push_back({h, i, j, strata[h][i][j]});
    }
    return s;
}

// Stehman's sample as published: stratum, map class, reference class, A to D.
StratifiedSample stehmanSample(bool fpc) {
    StratifiedSample s;
    s.strata = {"A", "B", "C", "D"};
    s.stratumSizes = {40000, 30000, 20000, 10000};
    s.classes = 4;
    s.finitePopulationCorrection = fpc;
    std::ifstream in(BRENNIC_TEST_DATA_DIR "/stehman-2014-sample.csv");
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line))
        if (line.size() == 5)
            s.cells.push_back({static_cast<std::size_t>(line[0] - 'A'),
                               static_cast<std::size_t>(line[2] - 'A'),
                               static_cast<std::size_t>(line[4] - 'A'), 1.0});
    EXPECT_EQ(s.cells.size(), 40u);
    return s;
}

constexpr std::size_t A = 0, B = 1, C = 2;

// A figure of the estimates, and its printed value to half a unit of the last digit.
using Pick = std::function<Figure(const StratifiedEstimates&)>;
struct Printed {
    const char* name;
    Pick figure;
    double value, halfDigit;
};
Pick of(std::size_t k, Class id) {
    return [k, id](const StratifiedEstimates& e) { return e.classes.at(k).figures[id]; };
}
Pick of(StratifiedFigure id) {
    return [id](const StratifiedEstimates& e) { return e.figures[id]; };
}
void expectPrinted(const StratifiedEstimates& e, const std::vector<Printed>& rows) {
    for (const Printed& row : rows) {
        SCOPED_TRACE(row.name);
        const Figure f = row.figure(e);
        ASSERT_TRUE(f.defined()) << f.reason;
        EXPECT_NEAR(*f.value, row.value, row.halfDigit);
    }
}

TEST(Stratified, StehmanExampleToPrintedDigits) {
    using enum StratifiedFigure;
    // The estimates do not depend on the correction: the same with and without.
    const std::vector<Printed> estimates = {
        {"area_A", of(A, Class::area_proportion), 0.35, 5e-3},
        {"area_C", of(C, Class::area_proportion), 0.20, 5e-3},
        {"overall", of(overall_accuracy), 0.63, 5e-3},
        {"users_B", of(B, Class::users_accuracy), 0.574, 5e-4},
        {"producers_B", of(B, Class::producers_accuracy), 0.794, 5e-4},
        {"cell_BC", [](auto& e) { return e.areaProportions.at(B * 4 + C); }, 0.08, 5e-3},
    };
    // Standard errors with the correction as published. Without it, worked out
    // apart from this program from the units' own variances and covariances
    // (each stratum's variance term divided by 1 - n_h/N_h).
    const auto errors = [](double area, double overall, double users, double producers,
                           double half) {
        return std::vector<Printed>{
            {"se_area_A", of(A, Class::area_proportion_se), area, half},
            {"se_overall", of(overall_accuracy_se), overall, 5e-9},
            {"se_users_B", of(B, Class::users_accuracy_se), users, half},
            {"se_producers_B", of(B, Class::producers_accuracy_se), producers, half}};
    };
    for (const bool fpc : {true, false}) {
        SCOPED_TRACE(fpc ? "with fpc" : "without fpc");
        const StratifiedEstimates e = EstimateStratified(stehmanSample(fpc));
        expectPrinted(e, estimates);
        expectPrinted(e, fpc ? errors(0.0822478, 0.08464219, 0.1247822, 0.1165479, 5e-8)
                             : errors(0.08225975, 0.08465617, 0.12480228, 0.11656715, 5e-9));
    }
}

// Olofsson et al. (2013) example 1: stratified by the map's three classes.
const std::vector<std::vector<double>> Olofsson = {{97, 0, 3}, {3, 279, 18}, {2, 1, 97}};
const std::vector<double> OlofssonPixels = {22353, 1122543, 610228};

// One stratum per map class: stratum i holds row i of `matrix`.
StratifiedSample byMapClass(const std::vector<std::vector<double>>& matrix,
                            const std::vector<double>& sizes) {
    std::vector<std::vector<std::vector<double>>> strata;
    for (std::size_t i = 0; i < matrix.size(); ++i) {
        strata.emplace_back(matrix.size(), std::vector<double>(matrix.size(), 0.0));
        strata.back()[i] = matrix[i];
    }
    return sampleOf(strata, sizes, false);
}

TEST(Stratified, OlofssonExampleOneToPrintedDigits) {
    expectPrinted(EstimateStratified(byMapClass(Olofsson, OlofssonPixels)),
                  {
                      {"area_1", of(0, Class::area_proportion), 0.02570326, 5e-9},
                      {"users_1", of(0, Class::users_accuracy), 0.97, 5e-3},
                      {"users_2", of(1, Class::users_accuracy), 0.93, 5e-3},
                      {"users_3", of(2, Class::users_accuracy), 0.97, 5e-3},
                      {"producers_1", of(0, Class::producers_accuracy), 0.4806308, 5e-8},
                      {"producers_2", of(1, Class::producers_accuracy), 0.9941887, 5e-8},
                      {"producers_3", of(2, Class::producers_accuracy), 0.8969259, 5e-8},
                      {"overall", of(StratifiedFigure::overall_accuracy), 0.9444168, 5e-8},
                  });
}

void expectSame(const Figure& stratified, const Figure& area, double scale,
                const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(stratified.defined(), area.defined()) << stratified.reason << " / " << area.reason;
    if (area.defined()) {
        EXPECT_NEAR(*stratified.value * scale, *area.value, 1e-12 * std::fabs(*area.value))
            << "scale " << scale;
    }
}

// Strata that are the map classes with their mapped areas as sizes: every figure
// is the area-weighted report's (its areas are A times the shares). A row of a
// single unit is left out: the area-weighted report still gives the user's
// accuracy of the other rows a standard error, while here a stratum of one unit
// leaves every standard error undefined.
TEST(Stratified, MapClassStrataGiveTheAreaWeightedReport) {
    std::mt19937 random(21);
    struct Case {
        std::string name;
        std::vector<std::vector<double>> matrix;
        std::vector<double> areas;
    };
    std::vector<Case> cases = {
        {"olofsson_example", Olofsson, OlofssonPixels},
        {"class_never_in_the_reference", {{5, 0, 3}, {2, 0, 9}, {1, 0, 7}}, {10, 20, 30}},
        {"perfect_rows", {{4, 0}, {0, 9}}, {7, 3}},
    };
    for (int r = 0; r < 20; ++r) {
        const std::size_t q = 2 + random() % 6;
        Case c{"random_" + std::to_string(r), {}, {}};
        for (std::size_t i = 0; i < q; ++i) {
            c.matrix.emplace_back();
            for (std::size_t j = 0; j < q; ++j)
                c.matrix.back().push_back(static_cast<double>(random() % (i == j ? 60 : 12)));
            c.matrix.back()[i] += 2; // at least two units in each stratum
            c.areas.push_back(static_cast<double>(1 + random() % 1000000));
        }
        cases.push_back(std::move(c));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t n = c.matrix.size();
        ErrorMatrix m(static_cast<int>(n));
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j)
                m.set(static_cast<int>(i + 1), static_cast<int>(j + 1), c.matrix[i][j]);
        FormTotals(m);
        const double A = std::accumulate(c.areas.begin(), c.areas.end(), 0.0);
        const AgreementReport report = ComputeAgreementReport(m, Weights::None, &c.areas);
        const StratifiedEstimates e = EstimateStratified(byMapClass(c.matrix, c.areas));
        using enum AreaClassFigure;
        for (const auto& [ours, area] :
             {std::pair{StratifiedFigure::overall_accuracy, AreaFigure::overall_accuracy},
              {StratifiedFigure::overall_accuracy_se, AreaFigure::overall_accuracy_se}})
            expectSame(e.figures[ours], report.area->figures[area], 1.0, "overall");
        // Each class figure with its area-weighted twin, the areas over A.
        const std::tuple<Class, AreaClassFigure, double> same[] = {
            {Class::users_accuracy, users_accuracy, 1.0},
            {Class::users_accuracy_se, users_accuracy_se, 1.0},
            {Class::producers_accuracy, producers_accuracy, 1.0},
            {Class::producers_accuracy_se, producers_accuracy_se, 1.0},
            {Class::area_proportion, area, A},
            {Class::area_proportion_se, area_se, A}};
        for (std::size_t k = 0; k < n; ++k)
            for (const auto& [ours, twin, scale] : same)
                expectSame(e.classes[k].figures[ours], report.area->classes[k].figures[twin], scale,
                           std::string(Catalogue<Class>()[static_cast<std::size_t>(ours)].field) +
                               " of class " + std::to_string(k + 1));
    }
}

// The paper's equations over the sample units, in long double: stratified
// means ybar = sum N_h ybar_h / N with V = sum N_h^2 (1 - f_h) s^2_yh / n_h / N^2,
// and ratios R = Y^ / X^ with V = sum N_h^2 (1 - f_h) (s^2_yh + R^2 s^2_xh -
// 2 R s_xyh) / n_h / X^^2, s^2 and s_xy the sample variances and covariance.
struct Unit {
    std::size_t map, reference;
};
using Indicator = std::function<long double(const Unit&)>;

struct Independent {
    const std::vector<std::vector<Unit>>& strata;
    const std::vector<double>& sizes;
    bool fpc;

    static long double meanOf(const std::vector<Unit>& units, const Indicator& f) {
        long double sum = 0;
        for (const Unit& u : units)
            sum += f(u);
        return sum / units.size();
    }
    // s^2_yh + R^2 s^2_xh - 2 R s_xyh is the sample variance of y - R x.
    std::pair<long double, long double> ratio(const Indicator& y, const Indicator& x) const {
        long double Y = 0, X = 0, V = 0;
        for (std::size_t h = 0; h < strata.size(); ++h) {
            Y += sizes[h] * meanOf(strata[h], y);
            X += sizes[h] * meanOf(strata[h], x);
        }
        const long double R = Y / X;
        for (std::size_t h = 0; h < strata.size(); ++h) {
            const long double n = strata[h].size(), f = fpc ? n / sizes[h] : 0;
            const Indicator d = [&](const Unit& u) { return y(u) - R * x(u); };
            const long double dbar = meanOf(strata[h], d);
            const long double s2 =
                meanOf(strata[h], [&](const Unit& u) { return (d(u) - dbar) * (d(u) - dbar); }) *
                n / (n - 1);
            V += (long double)sizes[h] * sizes[h] * (1 - f) * s2 / n;
        }
        return {R, std::sqrt(V) / X};
    }
    // A mean is the ratio to x = 1.
    std::pair<long double, long double> mean(const Indicator& y) const {
        return ratio(y, [](const Unit&) { return 1.0L; });
    }
};

void expectClose(const Figure& f, long double expected, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(f.defined()) << f.reason;
    EXPECT_NEAR(*f.value, static_cast<double>(expected),
                1e-12 * std::max(1.0, static_cast<double>(std::fabs(expected))));
}

TEST(Stratified, AgreesWithThePapersEquationsOnRandomSamples) {
    std::mt19937 random(2014);
    for (int r = 0; r < 40; ++r) {
        const std::size_t H = 1 + random() % 5, q = 2 + random() % 4;
        const bool fpc = r % 2 == 0;
        SCOPED_TRACE("sample " + std::to_string(r) + (fpc ? " with fpc" : ""));
        std::vector<std::vector<Unit>> units(H);
        StratifiedSample s;
        s.classes = q;
        s.finitePopulationCorrection = fpc;
        for (std::size_t h = 0; h < H; ++h) {
            s.strata.push_back("S" + std::to_string(h));
            const std::size_t n = 2 + random() % 30;
            for (std::size_t u = 0; u < n; ++u) {
                // Map and reference agree more often than not, as in a real sample.
                const std::size_t map = random() % q;
                const std::size_t reference = random() % 3 == 0 ? random() % q : map;
                units[h].push_back({map, reference});
                s.cells.push_back({h, map, reference, 1.0});
            }
            s.stratumSizes.push_back(static_cast<double>(n + random() % 100000));
        }
        const Independent paper{units, s.stratumSizes, fpc};
        const StratifiedEstimates e = EstimateStratified(s);
        const auto overall =
            paper.mean([](const Unit& u) { return u.map == u.reference ? 1.0L : 0.0L; });
        expectClose(e.figures[StratifiedFigure::overall_accuracy], overall.first, "overall");
        expectClose(e.figures[StratifiedFigure::overall_accuracy_se], overall.second, "overall_se");
        for (std::size_t k = 0; k < q; ++k) {
            const auto& f = e.classes[k].figures;
            const Indicator both = [k](const Unit& u) {
                return u.map == k && u.reference == k ? 1.0L : 0.0L;
            };
            const Indicator mapped = [k](const Unit& u) { return u.map == k ? 1.0L : 0.0L; };
            const Indicator found = [k](const Unit& u) { return u.reference == k ? 1.0L : 0.0L; };
            const std::string K = " " + std::to_string(k);
            const auto area = paper.mean(found);
            expectClose(f[Class::area_proportion], area.first, "area" + K);
            expectClose(f[Class::area_proportion_se], area.second, "area_se" + K);
            for (std::size_t j = 0; j < q; ++j)
                expectClose(e.areaProportions[k * q + j],
                            paper
                                .mean([k, j](const Unit& u) {
                                    return u.map == k && u.reference == j ? 1.0L : 0.0L;
                                })
                                .first,
                            "p" + K + " " + std::to_string(j));
            // A class never mapped or never found has no ratio; its reason is
            // checked below.
            if (paper.mean(mapped).first > 0) {
                const auto users = paper.ratio(both, mapped);
                expectClose(f[Class::users_accuracy], users.first, "users" + K);
                expectClose(f[Class::users_accuracy_se], users.second, "users_se" + K);
            }
            if (area.first > 0) {
                const auto producers = paper.ratio(both, found);
                expectClose(f[Class::producers_accuracy], producers.first, "producers" + K);
                expectClose(f[Class::producers_accuracy_se], producers.second, "producers_se" + K);
            }
        }
    }
}

TEST(Stratified, FiguresThatCannotBeFormedSayWhy) {
    using Strata = std::vector<std::vector<std::vector<double>>>;
    const struct {
        const char* name;
        Strata strata;
        std::vector<double> sizes;
        bool fpc;
        bool estimates;      // the estimates are formed
        bool standardErrors; // and so are the standard errors
        const char* reason;  // of the first standard error not formed
    } rows[] = {
        // clang-format off
        {"stratum_of_one_unit", {{{3, 1}, {0, 4}}, {{0, 0}, {0, 1}}}, {100, 50}, false, true, false,
         "Stratum \"S2\" holds a single sample unit"},
        {"empty_stratum", {{{3, 1}, {0, 4}}, {{0, 0}, {0, 0}}}, {100, 50}, false, false, false,
         "Stratum \"S2\" holds no sample unit"},
        {"size_not_positive", {{{3, 1}, {0, 4}}, {{1, 0}, {0, 1}}}, {0, 50}, false, false, false,
         "The size of stratum \"S1\" is not a positive number"},
        {"more_units_than_the_size_with_fpc", {{{3, 1}, {0, 4}}, {{2, 0}, {1, 1}}}, {100, 3}, true, true,
         false, "Stratum \"S2\" holds 4 sample units but its size is 3"},
        {"more_units_than_the_size_without_fpc", {{{3, 1}, {0, 4}}, {{2, 0}, {1, 1}}}, {100, 3}, false,
         true, true, ""},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const StratifiedEstimates e = EstimateStratified(sampleOf(row.strata, row.sizes, row.fpc));
        const Figure& oa = e.figures[StratifiedFigure::overall_accuracy];
        const Figure& se = e.figures[StratifiedFigure::overall_accuracy_se];
        EXPECT_EQ(oa.defined(), row.estimates) << oa.reason;
        EXPECT_EQ(se.defined(), row.standardErrors) << se.reason;
        EXPECT_EQ(e.areaProportions[0].defined(), row.estimates);
        for (const StratifiedClassEntry& c : e.classes)
            for (std::size_t i = 0; i < c.figures.all().size(); ++i) {
                const bool isSe = i % 2 == 1;
                const Figure& f = c.figures.all()[i];
                EXPECT_EQ(f.defined(), isSe ? row.standardErrors : row.estimates)
                    << Catalogue<Class>()[i].field;
                if (!f.defined()) {
                    EXPECT_NE(f.reason.find(row.reason), std::string::npos) << f.reason;
                }
            }
    }
}

TEST(Stratified, ClassNeverMappedOrNeverFoundHasNoRatio) {
    // Class 3 is never mapped, class 2 never in the reference; two strata.
    StratifiedSample sample =
        sampleOf({{{4, 0, 1}, {1, 0, 2}, {0, 0, 0}}, {{1, 0, 0}, {2, 0, 3}, {0, 0, 0}}},
                 {1000, 3000}, false);
    const StratifiedEstimates e = EstimateStratified(sample);
    const auto& three = e.classes[2].figures;
    const auto& two = e.classes[1].figures;
    EXPECT_FALSE(three[Class::users_accuracy].defined());
    EXPECT_EQ(three[Class::users_accuracy_se].reason,
              "No sample unit is mapped as class 3, so its user's accuracy is not defined.");
    EXPECT_TRUE(three[Class::producers_accuracy].defined());
    EXPECT_FALSE(two[Class::producers_accuracy_se].defined());
    EXPECT_EQ(two[Class::producers_accuracy].reason,
              "No sample unit is of reference class 2, so its producer's accuracy is not "
              "defined.");
    // Named by label where the classes have labels.
    sample.classLabels = {"forest", "water", "urban"};
    EXPECT_EQ(EstimateStratified(sample).classes[1].figures[Class::producers_accuracy].reason,
              "No sample unit is of reference class \"water\", so its producer's accuracy is "
              "not defined.");
    // By hand: p^_.2 = 0 exactly, with no variance; user's accuracy of class 2 is
    // 0 and its standard error formed.
    EXPECT_EQ(*two[Class::area_proportion].value, 0.0);
    EXPECT_EQ(*two[Class::area_proportion_se].value, 0.0);
    EXPECT_EQ(*two[Class::users_accuracy].value, 0.0);
}

} // namespace
} // namespace brennic
