#include "core/sample_design.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/student_t.h"

namespace brennic {

std::string_view AllocationName(Allocation allocation) {
    switch (allocation) {
    case Allocation::Equal:
        return "equal";
    case Allocation::Neyman:
        return "neyman";
    case Allocation::Minimum:
        return "minimum";
    case Allocation::Simple:
        return "simple";
    case Allocation::Proportional:
        break;
    }
    return "proportional";
}

namespace {

// A number in its shortest digits, as the messages write it.
std::string text(double value) {
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Whole units that add up to `n`, shared in proportion to `basis`: each
// stratum's quota rounded down, then one more to the largest remainders (ties
// to the larger stratum, then the first). A stratum whose share would pass its
// pixels takes them all, and the rest is shared again among the others.
// `units` holds the strata already fixed; `open` marks those still to share.
void shareWhole(double n, const std::vector<double>& basis, const std::vector<double>& sizes,
                std::vector<bool> open, std::vector<double>& units, std::vector<bool>& tookAll) {
    const std::size_t H = basis.size();
    for (;;) {
        double rest = n, sum = 0.0;
        for (std::size_t h = 0; h < H; ++h)
            if (open[h])
                sum += basis[h];
        for (std::size_t h = 0; h < H; ++h)
            if (!open[h] && tookAll[h])
                rest -= units[h];
        if (sum == 0.0 || rest <= 0.0) {
            for (std::size_t h = 0; h < H; ++h)
                if (open[h])
                    units[h] = 0.0;
            return;
        }
        std::vector<double> quota(H, 0.0), whole(H, 0.0);
        std::vector<std::size_t> order;
        double given = 0.0;
        for (std::size_t h = 0; h < H; ++h)
            if (open[h]) {
                quota[h] = rest * basis[h] / sum;
                whole[h] = std::floor(quota[h]);
                given += whole[h];
                order.push_back(h);
            }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const double ra = quota[a] - whole[a], rb = quota[b] - whole[b];
            if (ra != rb)
                return ra > rb;
            return sizes[a] > sizes[b];
        });
        for (std::size_t i = 0; given < rest && i < order.size(); ++i, given += 1.0)
            whole[order[i]] += 1.0;
        bool capped = false;
        for (std::size_t h = 0; h < H; ++h)
            if (open[h] && whole[h] >= sizes[h]) {
                open[h] = false;
                tookAll[h] = true;
                units[h] = sizes[h];
                capped = capped || whole[h] > sizes[h];
            }
        if (!capped) {
            for (std::size_t h = 0; h < H; ++h)
                if (open[h])
                    units[h] = whole[h];
            return;
        }
    }
}

// The standard error of a share U from n units, not defined below two units.
Figure shareSe(double U, double n, const std::string& stratum) {
    if (n <= 1.0)
        return Figure::NotDefined("Stratum " + stratum + " gets " + text(n) +
                                  (n == 1.0 ? " unit" : " units") +
                                  ", so the standard error of its user's accuracy (it divides by "
                                  "n_h - 1) is not defined.");
    return Figure::Of(std::sqrt(U * (1.0 - U) / (n - 1.0)));
}

AllocationPlan plan(Allocation allocation, const SampleDesign& d, double minimum) {
    const std::size_t H = d.strata.size();
    std::vector<double> sizes(H), basis(H);
    for (std::size_t h = 0; h < H; ++h) {
        const DesignStratum& s = d.strata[h];
        sizes[h] = s.size;
        basis[h] = allocation == Allocation::Equal ? 1.0
                   : allocation == Allocation::Neyman
                       ? s.size * std::sqrt(s.expectedAccuracy * (1.0 - s.expectedAccuracy))
                       : s.size;
    }
    AllocationPlan p;
    p.allocation = allocation;
    p.units.assign(H, 0.0);
    p.tookAll.assign(H, false);
    std::vector<bool> open(H, true);
    if (allocation == Allocation::Minimum) {
        // The strata whose proportional share falls short of M take M (or all
        // their pixels), until no other one does.
        for (bool fixedMore = true; fixedMore;) {
            fixedMore = false;
            double rest = d.sampleSize, sum = 0.0;
            for (std::size_t h = 0; h < H; ++h)
                if (open[h])
                    sum += sizes[h];
                else
                    rest -= std::min(minimum, sizes[h]);
            for (std::size_t h = 0; h < H; ++h)
                if (open[h] && rest * sizes[h] / sum < std::min(minimum, sizes[h])) {
                    open[h] = false;
                    fixedMore = true;
                }
        }
        for (std::size_t h = 0; h < H; ++h)
            if (!open[h]) {
                p.units[h] = std::min(minimum, sizes[h]);
                p.tookAll[h] = true; // fixed: no share of the rest
            }
        shareWhole(d.sampleSize, basis, sizes, open, p.units, p.tookAll);
        for (std::size_t h = 0; h < H; ++h)
            p.tookAll[h] = p.units[h] >= sizes[h];
    } else {
        shareWhole(d.sampleSize, basis, sizes, open, p.units, p.tookAll);
    }
    double variance = 0.0;
    std::string thin;
    for (std::size_t h = 0; h < H; ++h) {
        const DesignStratum& s = d.strata[h];
        p.usersSe.push_back(shareSe(s.expectedAccuracy, p.units[h], s.label));
        if (p.units[h] <= 1.0 && thin.empty())
            thin = s.label;
        const double W = s.size / d.total;
        variance += p.units[h] > 1.0 ? W * W * s.expectedAccuracy * (1.0 - s.expectedAccuracy) /
                                           (p.units[h] - 1.0)
                                     : 0.0;
    }
    p.overallSe = thin.empty() ? Figure::Of(std::sqrt(variance))
                               : Figure::NotDefined("Stratum " + thin +
                                                    " gets fewer than 2 units, so the standard "
                                                    "error of overall accuracy is not defined.");
    return p;
}

// n rounded up, a hair below a whole number taken as that number.
double roundedUp(double n) {
    return std::ceil(n * (1.0 - 1e-12));
}

} // namespace

std::variant<SampleDesign, std::string> PlanSampleDesign(std::vector<DesignStratum> strata,
                                                         const SampleSizeRule& rule,
                                                         Allocation allocation, double minimum,
                                                         double confidence) {
    SampleDesign d;
    d.z = TwoSidedNormalPoint(confidence);
    for (const DesignStratum& s : strata) {
        if (!(s.expectedAccuracy >= 0.0 && s.expectedAccuracy <= 1.0))
            return "the expected accuracy of stratum " + s.label + ", " + text(s.expectedAccuracy) +
                   ", is not between 0 and 1";
        if (!(s.size > 0.0))
            return "stratum " + s.label + " has no pixels";
        d.total += s.size;
    }
    if (allocation == Allocation::Simple) {
        DesignStratum all{"all", d.total, strata.empty() ? 0.0 : strata[0].expectedAccuracy};
        for (const DesignStratum& s : strata)
            if (s.expectedAccuracy != all.expectedAccuracy)
                return "a simple random sample takes one expected accuracy for the whole map";
        strata = {all};
    }
    d.strata = std::move(strata);
    double spread = 0.0; // sum of W_h S_h
    for (const DesignStratum& s : d.strata)
        spread += s.size / d.total * std::sqrt(s.expectedAccuracy * (1.0 - s.expectedAccuracy));
    if (rule.sampleSize) {
        if (!(*rule.sampleSize >= 1.0) || *rule.sampleSize != std::trunc(*rule.sampleSize))
            return "--sample-size takes a whole number of 1 or more, not " + text(*rule.sampleSize);
        d.sampleSize = *rule.sampleSize;
    } else {
        const std::optional<double>& given = rule.targetSe ? rule.targetSe : rule.halfWidth;
        const std::string_view option = rule.targetSe ? "--target-se" : "--half-width";
        if (!given)
            return "the sample size needs --target-se, --half-width or --sample-size";
        if (!(*given > 0.0 && *given < 1.0))
            return std::string(option) + " takes a number between 0 and 1, not " + text(*given);
        const double se = rule.targetSe ? *rule.targetSe : *rule.halfWidth / d.z;
        d.sampleSize = roundedUp((spread / se) * (spread / se));
        if (d.sampleSize < 1.0)
            return "expected accuracies of 0 or 1 leave no variance to size a sample for";
    }
    const double H = static_cast<double>(d.strata.size());
    if (allocation == Allocation::Equal && d.sampleSize < H)
        return "an equal allocation of " + text(d.sampleSize) + " units to " + text(H) +
               " strata leaves some without any";
    if (allocation == Allocation::Minimum) {
        double needed = 0.0;
        for (const DesignStratum& s : d.strata)
            needed += std::min(minimum, s.size);
        if (d.sampleSize < needed)
            return "minimum=" + text(minimum) + " needs " + text(needed) +
                   " units, and the sample " + "has " + text(d.sampleSize);
    }
    if (allocation == Allocation::Simple) {
        d.plans.push_back(plan(Allocation::Simple, d, minimum));
        return d;
    }
    for (Allocation shown :
         {Allocation::Proportional, Allocation::Equal, Allocation::Neyman, Allocation::Minimum}) {
        if (shown == Allocation::Equal && d.sampleSize < H && shown != allocation)
            continue;
        if (shown == Allocation::Minimum && allocation != Allocation::Minimum)
            continue;
        if (shown == allocation)
            d.chosen = d.plans.size();
        d.plans.push_back(plan(shown, d, minimum));
    }
    return d;
}

} // namespace brennic
