// Stehman's (2014) estimators against the published examples (Stehman's own,
// Olofsson et al. 2013), and each figure that cannot be formed. The map classes as
// strata against the area-weighted report: the maps tests of brennic-kappa.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>

#include "core/stratified.h"

namespace brennic {
namespace {

using Class = StratifiedClassFigure;
using Strata = std::vector<std::vector<std::vector<double>>>; // a matrix per stratum

// A sample from one error matrix per stratum (rows map, columns reference).
StratifiedSample sampleOf(const Strata& strata, const std::vector<double>& sizes, bool fpc) {
    StratifiedSample s{{}, sizes, strata.at(0).size(), {}, {}, fpc};
    for (std::size_t h = 0; h < strata.size(); ++h) {
        s.strata.push_back("S" + std::to_string(h + 1));
        for (std::size_t i = 0; i < s.classes; ++i)
            for (std::size_t j = 0; j < s.classes; ++j)
                if (strata[h][i][j] != 0.0)
                    s.cells.push_back({h, i, j, strata[h][i][j]});
    }
    return s;
}

// Every figure by name: "overall_accuracy", "class2.users_accuracy" and "p12",
// the share of map class 1 and reference class 2.
std::map<std::string, Figure> allFigures(const StratifiedEstimates& e) {
    std::map<std::string, Figure> all;
    for (std::size_t i = 0; i < e.figures.all().size(); ++i)
        all[std::string(Catalogue<StratifiedFigure>()[i].field)] = e.figures.all()[i];
    const std::size_t q = e.classes.size();
    for (const StratifiedClassEntry& c : e.classes)
        for (std::size_t i = 0; i < c.figures.all().size(); ++i)
            all["class" + std::to_string(c.k) + "." + std::string(Catalogue<Class>()[i].field)] =
                c.figures.all()[i];
    for (std::size_t i = 0; i < e.areaProportions.size(); ++i)
        all["p" + std::to_string(i / q + 1) + std::to_string(i % q + 1)] = e.areaProportions[i];
    return all;
}

void expectNear(const std::map<std::string, Figure>& all, const std::string& name, double value,
                double tolerance) {
    SCOPED_TRACE(name);
    const Figure& f = all.at(name);
    ASSERT_TRUE(f.defined()) << f.reason;
    EXPECT_NEAR(*f.value, value, tolerance);
}

// Stehman's sample as published: stratum, map class, reference class, A to D.
StratifiedSample stehmanSample(bool fpc) {
    StratifiedSample s{{"A", "B", "C", "D"}, {40000, 30000, 20000, 10000}, 4, {}, {}, fpc};
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

// Each printed figure to half a unit of its last digit. The estimates do not
// depend on the correction. Standard errors with the correction as published;
// without it, worked out apart from this program from the units' own variances
// and covariances (each stratum's variance term divided by 1 - n_h/N_h).
TEST(Stratified, StehmanExampleToPrintedDigits) {
    const std::tuple<const char*, double, double> estimates[] = {
        {"class1.area_proportion", 0.35, 5e-3},     {"class3.area_proportion", 0.20, 5e-3},
        {"overall_accuracy", 0.63, 5e-3},           {"class2.users_accuracy", 0.574, 5e-4},
        {"class2.producers_accuracy", 0.794, 5e-4}, {"p23", 0.08, 5e-3}};
    const char* const errors[] = {"class1.area_proportion_se", "overall_accuracy_se",
                                  "class2.users_accuracy_se", "class2.producers_accuracy_se"};
    const double withFpc[] = {0.0822478, 0.08464219, 0.1247822, 0.1165479};
    const double withoutFpc[] = {0.08225975, 0.08465617, 0.12480228, 0.11656715};
    for (const bool fpc : {true, false}) {
        SCOPED_TRACE(fpc ? "with fpc" : "without fpc");
        const auto all = allFigures(EstimateStratified(stehmanSample(fpc)));
        for (const auto& [name, value, half] : estimates)
            expectNear(all, name, value, half);
        for (std::size_t i = 0; i < 4; ++i)
            expectNear(all, errors[i], (fpc ? withFpc : withoutFpc)[i],
                       fpc && i != 1 ? 5e-8 : 5e-9);
    }
}

// Olofsson et al. (2013) example 1: one stratum per map class, of 22353, 1122543 and
// 610228 pixels; stratum i holds row i of their matrix.
TEST(Stratified, OlofssonExampleOneToPrintedDigits) {
    const std::vector<double> none(3, 0.0);
    const Strata strata = {
        {{97, 0, 3}, none, none}, {none, {3, 279, 18}, none}, {none, none, {2, 1, 97}}};
    const auto all =
        allFigures(EstimateStratified(sampleOf(strata, {22353, 1122543, 610228}, false)));
    const std::tuple<const char*, double, double> printed[] = {
        // clang-format off
        {"class1.area_proportion", 0.02570326, 5e-9}, {"overall_accuracy", 0.9444168, 5e-8},
        {"class1.users_accuracy", 0.97, 5e-3}, {"class2.users_accuracy", 0.93, 5e-3},
        {"class3.users_accuracy", 0.97, 5e-3}, {"class1.producers_accuracy", 0.4806308, 5e-8},
        {"class2.producers_accuracy", 0.9941887, 5e-8}, {"class3.producers_accuracy", 0.8969259, 5e-8},
        // clang-format on
    };
    for (const auto& [name, value, half] : printed)
        expectNear(all, name, value, half);
}

TEST(Stratified, FiguresThatCannotBeFormedSayWhy) {
    // Whether the estimates and the standard errors are formed, and the reason of each not.
    // clang-format off
    const struct {
        const char* name; Strata strata; std::vector<double> sizes;
        bool fpc, estimates, standardErrors; const char* reason;
    } rows[] = {
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
        for (const auto& [name, f] :
             allFigures(EstimateStratified(sampleOf(row.strata, row.sizes, row.fpc)))) {
            SCOPED_TRACE(name);
            // An interval stands or falls with its standard error.
            const bool spread = name.ends_with("_se") || name.find("_ci_") != std::string::npos;
            EXPECT_EQ(f.defined(), spread ? row.standardErrors : row.estimates);
            EXPECT_NE(f.reason.find(f.defined() ? "" : row.reason), std::string::npos) << f.reason;
        }
    }
}

// Class 3 is never mapped, class 2 never in the reference; two strata. By hand:
// p^_.2 = 0 exactly, with no variance; user's accuracy of class 2 is 0 and its
// standard error formed.
TEST(Stratified, ClassNeverMappedOrNeverFoundHasNoRatio) {
    StratifiedSample sample =
        sampleOf({{{4, 0, 1}, {1, 0, 2}, {0, 0, 0}}, {{1, 0, 0}, {2, 0, 3}, {0, 0, 0}}},
                 {1000, 3000}, false);
    auto all = allFigures(EstimateStratified(sample));
    const std::string unmapped = "No sample unit is mapped as class 3, so its user's accuracy is",
                      unfound =
                          "No sample unit is of reference class 2, so its producer's accuracy";
    for (const char* f : {"class3.users_accuracy", "class3.users_accuracy_se"})
        EXPECT_EQ(all.at(f).reason, unmapped + " not defined.");
    for (const char* f : {"class2.producers_accuracy", "class2.producers_accuracy_se"})
        EXPECT_EQ(all.at(f).reason, unfound + " is not defined.");
    EXPECT_TRUE(all.at("class3.producers_accuracy").defined());
    for (const char* zero :
         {"class2.area_proportion", "class2.area_proportion_se", "class2.users_accuracy"})
        EXPECT_EQ(all.at(zero).value, 0.0) << zero;
    // Named by label where the classes have labels.
    sample.classLabels = {"forest", "water", "urban"};
    EXPECT_EQ(allFigures(EstimateStratified(sample)).at("class2.producers_accuracy").reason,
              "No sample unit is of reference class \"water\", so its producer's accuracy is "
              "not defined.");
}

} // namespace
} // namespace brennic
