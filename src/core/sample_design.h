// The design of a stratified random sample before any reference data exist:
// its size for a target precision (Olofsson et al. 2014, Remote Sensing of
// Environment 148: 42-57, equation 13; Cochran 1977 for a simple random sample)
// and its allocation to the strata, with the standard errors each allocation
// can be expected to give.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/figure.h"

namespace brennic {

enum class Allocation { Proportional, Equal, Neyman, Minimum, Simple };
inline constexpr Allocation Allocations[] = {Allocation::Proportional, Allocation::Equal,
                                             Allocation::Neyman, Allocation::Minimum,
                                             Allocation::Simple};
// "proportional", "equal", "neyman", "minimum", "simple".
std::string_view AllocationName(Allocation allocation);

struct DesignStratum {
    std::string label;
    double size = 0;             // N_h, its pixels
    double expectedAccuracy = 0; // U_h, the user's accuracy expected of it
};

// How the total sample size is set: one of the three.
struct SampleSizeRule {
    std::optional<double> targetSe;  // of overall accuracy
    std::optional<double> halfWidth; // of its interval at the confidence level
    std::optional<double> sampleSize;
};

// One allocation of n to the strata, with its expected standard errors.
struct AllocationPlan {
    Allocation allocation = Allocation::Proportional;
    std::vector<double> units;   // n_h
    std::vector<bool> tookAll;   // the stratum has no more pixels than its n_h
    Figure overallSe;            // sqrt(sum W_h^2 U_h (1 - U_h) / (n_h - 1))
    std::vector<Figure> usersSe; // sqrt(U_h (1 - U_h) / (n_h - 1))
};

struct SampleDesign {
    std::vector<DesignStratum> strata; // one "all" stratum for a simple random sample
    double total = 0;                  // N
    double sampleSize = 0;             // n
    double z = 0;                      // of the confidence level
    std::size_t chosen = 0;            // the plan asked for, in `plans`
    std::vector<AllocationPlan> plans; // every allocation that applies, side by side
    // Each stratum's area in `areaUnit`, where a map gives them; empty otherwise.
    std::vector<double> areas;
    std::string areaUnit;
};

// n from the rule: (sum W_h S_h / SE)^2 rounded up, SE the target or the
// half-width over z; z^2 U (1 - U) / D^2 for one stratum; or n as given.
// `minimum` is the M of minimum=M. Gives the reason when the request cannot
// be met (a target of 0, an accuracy outside [0, 1], fewer units than strata
// for an equal allocation, fewer than the minimums need).
std::variant<SampleDesign, std::string> PlanSampleDesign(std::vector<DesignStratum> strata,
                                                         const SampleSizeRule& rule,
                                                         Allocation allocation, double minimum,
                                                         double confidence);

} // namespace brennic
