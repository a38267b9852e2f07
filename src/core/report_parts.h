// What the files of the agreement report share: the shares of the matrix, the
// reasons that several families of figures give, and each family's entry point.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "agreement_report.h"
#include "kappa.h"

namespace brennic::report {

using Kind = ArithmeticKind;
inline const std::string OverflowReason = OverflowCause;
inline constexpr double NormalQuantile975 =
    1.96; // the normal 97.5% point, as statistics packages print

inline std::size_t idx(int k) {
    return static_cast<std::size_t>(k);
}

// The reason of a figure whose arithmetic fails: an overflow is always the same,
// anything else is told by `text`.
inline auto because(std::string text) {
    return [text = std::move(text)](Kind kind) {
        return kind == Kind::Overflow ? OverflowReason : text;
    };
}

inline std::string overflowOnly(Kind) {
    return OverflowReason;
}

std::string standardErrorReason(Kind kind);
std::string zReason(Kind kind);

// The grand total and the shares p_i. and p_.j (index 1 to n).
struct Proportions {
    const ErrorMatrix& m;
    double N;
    std::vector<double> row, col;
    // The one row (class of the map) or column (class of the reference) that holds
    // every count that is not 0, found in the cells themselves. Kappa, weighted or
    // not, is then exactly 0, and so are its standard errors: z would be 0 / 0,
    // which rounding would turn into any number at all.
    std::optional<int> onlyRow, onlyCol;
};

// Finds the row and the column that hold every count, if one does.
void findOnlyClasses(Proportions& p);

// Why z is not defined when the map or the reference holds a single class;
// `kappa` names the kappa ("kappa", "weighted kappa").
std::string oneClassReason(const Proportions& p, const std::string& kappa);

// Quantity and allocation disagreement (Pontius and Millones 2011) of the shares
// `share(i, j)`, with the row and column sums `rowSum` and `colSum`: per class
// |p_g. - p_.g| and 2 min(p_g. - p_gg, p_.g - p_gg), and each summed and halved.
struct Disagreement {
    std::vector<double> quantity, allocation; // index 1 to n
    double totalQuantity = 0.0, totalAllocation = 0.0;
};

template <typename Share>
Disagreement disagreement(int n, const std::vector<double>& rowSum,
                          const std::vector<double>& colSum, Share share) {
    Disagreement d;
    d.quantity.assign(idx(n + 1), 0.0);
    d.allocation.assign(idx(n + 1), 0.0);
    for (int g = 1; g <= n; ++g) {
        const double diagonal = share(g, g);
        d.quantity[idx(g)] = std::fabs(rowSum[idx(g)] - colSum[idx(g)]);
        d.allocation[idx(g)] =
            2.0 * std::fmin(rowSum[idx(g)] - diagonal, colSum[idx(g)] - diagonal);
        d.totalQuantity += d.quantity[idx(g)];
        d.totalAllocation += d.allocation[idx(g)];
    }
    d.totalQuantity /= 2.0;
    d.totalAllocation /= 2.0;
    return d;
}

Figure finiteFigure(const Figure& input, double value);

// Each family of figures, in the order the report forms them.
void formLargeSample(const Proportions& p, const Figure& observed, AgreementReport& r);
void formRobust(const Proportions& p, const Figure& observed, AgreementReport& r);
WeightedKappa formWeighted(const Proportions& p, Weights weights, const Figure& PO);
ClassEntry formClass(const Proportions& p, int k, const Figure& PO, const Disagreement& d);
AreaWeighted formArea(const ErrorMatrix& m, const std::vector<double>& areas);

} // namespace brennic::report
