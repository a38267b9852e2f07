// What the files of the agreement report share: the shares of the matrix, the
// reasons that several families of figures give, and each family's entry point.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/agreement_report.h"
#include "core/interval.h"
#include "core/kappa.h"
#include "core/number_text.h"

namespace brennic::report {

using Kind = ArithmeticKind;
inline std::size_t idx(int k) {
    return static_cast<std::size_t>(k);
}

// The reason of a figure whose arithmetic fails: an overflow is always the same,
// anything else is told by `text`.
inline auto because(std::string text) {
    return [text = std::move(text)](Kind kind) {
        return kind == Kind::Overflow ? OverflowCause : text;
    };
}

inline std::string overflowOnly(Kind) {
    return OverflowCause;
}

std::string standardErrorReason(Kind kind);
std::string zReason(Kind kind);

// The grand total and the shares p_i. and p_.j (index 1 to n).
struct Proportions {
    Proportions(const ErrorMatrix& matrix, double total) : m(matrix), N(total) {}
    const ErrorMatrix& m;
    double N;
    std::vector<double> row, col;
    // The one row (class of the map) or column (class of the reference) that holds
    // every count that is not 0, found in the cells themselves. Kappa, weighted or
    // not, is then exactly 0, and so are its standard errors: z would be 0 / 0,
    // which rounding would turn into any number at all.
    std::optional<int> onlyRow, onlyCol;

    // Sums of counts formed directly, never as the difference of two sums close
    // to each other, so that 1 - po and 1 - pe keep their digits when both lie
    // near 1 (index 1 to n). The figures beyond the seven are formed from them
    // in counts times `scale`, a power of 2 that brings N between 1 and 2: the
    // scaling changes no digit, and whole counts multiply exactly while their
    // products stay below 2^53.
    std::vector<double> rowOff, colOff;       // the counts off the diagonal in row k, column k
    std::vector<double> otherRows, otherCols; // N - r_k, N - c_k: the other classes' totals
    std::vector<double> otherDiagonal;        // d - x_kk
    double offDiagonal = 0.0;                 // N - d
    double scale = 1.0;
    double u(double counts) const { return counts * scale; }
    double z = 0.0; // the normal point of the intervals' confidence level
};

// Forms the sums above; the grand total must be finite and not 0.
void formCountSums(Proportions& p);

// Finds the row and the column that hold every count, if one does.
void findOnlyClasses(Proportions& p);

// Why z is not defined when the map or the reference holds a single class;
// `kappa` names the kappa ("kappa", "weighted kappa").
std::string oneClassReason(const Proportions& p, const std::string& kappa);

// Quantity and allocation disagreement (Pontius and Millones 2011): per class
// |p_g. - p_.g| and 2 min(p_g. - p_gg, p_.g - p_gg), and each summed and halved.
// They are formed from the sums off the diagonal of each row and column,
// `rowOff` and `colOff` over `total`, as p_g. - p_.g is the difference of the
// two and p_g. - p_gg the first: no digit is lost where p_g. and p_.g near 1.
struct Disagreement {
    std::vector<double> quantity, allocation; // index 1 to n
    double totalQuantity = 0.0, totalAllocation = 0.0;
};

inline Disagreement disagreement(int n, const std::vector<double>& rowOff,
                                 const std::vector<double>& colOff, double total) {
    Disagreement d;
    d.quantity.assign(idx(n + 1), 0.0);
    d.allocation.assign(idx(n + 1), 0.0);
    for (int g = 1; g <= n; ++g) {
        d.quantity[idx(g)] = std::fabs(rowOff[idx(g)] - colOff[idx(g)]) / total;
        d.allocation[idx(g)] = 2.0 * std::fmin(rowOff[idx(g)], colOff[idx(g)]) / total;
        d.totalQuantity += d.quantity[idx(g)];
        d.totalAllocation += d.allocation[idx(g)];
    }
    d.totalQuantity /= 2.0;
    d.totalAllocation /= 2.0;
    return d;
}

Figure finiteFigure(const Figure& input, double value);

// F1 of class k, the harmonic mean of its user's and producer's accuracy.
Figure formF1(const Figure& users, const Figure& producers, int k);

// The mean of one figure of the classes over those where it is defined, and how
// many those are; `what` names the figure in the reason when none is.
template <typename Entry, typename Id>
std::pair<Figure, Figure> macroAverage(const std::vector<Entry>& classes, Id id,
                                       const std::string& what) {
    double sum = 0.0, count = 0.0;
    for (const Entry& entry : classes)
        if (const Figure& f = entry.figures[id]; f.defined()) {
            sum += *f.value;
            count += 1.0;
        }
    if (count == 0.0)
        return {Figure::NotDefined("No class has " + what + ", so their mean is not defined."),
                Figure::Of(0.0)};
    CheckedArithmetic c;
    const double mean = c.div(c.finite(sum), count);
    return {c.failed() ? Figure::NotDefined(OverflowCause) : Figure::Of(mean), Figure::Of(count)};
}

// Each family of figures, in the order the report forms them. A kappa's table
// and standard errors formed before (see FormKappasAhead) are taken as they are.
struct KappaAhead;
void formLargeSample(const Proportions& p, const Figure& observed, AgreementReport& r,
                     const KappaAhead* ahead = nullptr);
void formRobust(const Proportions& p, const Figure& observed, AgreementReport& r);
WeightedKappa formWeighted(const Proportions& p, Weights weights, const Figure& PO,
                           const KappaAhead* ahead = nullptr);
ClassEntry formClass(const Proportions& p, int k, const Figure& PO, const Disagreement& d);
AreaWeighted formArea(const ErrorMatrix& m, const std::vector<double>& areas, double z);

} // namespace brennic::report
