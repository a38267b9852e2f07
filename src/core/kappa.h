// Cohen's kappa and its companions from the totals of an error matrix, computed
// in a fixed order of double-precision operations, each one checked.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/figure_catalogue.h"

namespace brennic {

// The seven figures of Result.txt, in the catalogue's order (the first seven of
// OverallFigure, which also says what each one is).
struct KappaResult {
    std::array<double, ResultFileFigures> values{};
};

// An arithmetic step that failed, and where in the order of steps.
struct ArithmeticError {
    ArithmeticKind kind;
    Step step;
    friend bool operator==(const ArithmeticError&, const ArithmeticError&) = default;
};

class ErrorMatrix;

// What the user is told about an arithmetic error of the matrix `m`: the cause
// as the counts show it (every cell 0, all counts in one class, no class with
// counts in both its row and its column, negative counts, or counts too far
// apart or too close to 0 for double precision), never a guess.
std::string ArithmeticCause(const ArithmeticError& error, const ErrorMatrix& m);

// The cause of a figure that goes beyond the range of a double on the way.
extern const std::string OverflowCause;

// Forms the seven figures of Result.txt (the first seven of `figures`) from the
// totals (index 1 to n of each array), in the fixed order of operations: a
// figure that can be formed is formed even when another cannot. A failure is
// given its kind and step; its reason is left to ArithmeticCause, which knows
// the cells.
void FormKappaFigures(int n, const std::vector<double>& rowTotals,
                      const std::vector<double>& colTotals, double diagonalSum, double grandTotal,
                      FigureRow<OverallFigure>& figures);

// The seven figures from the totals, or the first arithmetic step that failed.
std::variant<KappaResult, ArithmeticError> ComputeKappa(int n, const std::vector<double>& rowTotals,
                                                        const std::vector<double>& colTotals,
                                                        double diagonalSum, double grandTotal);

} // namespace brennic
