// A figure that may fail: its value, or the arithmetic failure that stopped it
// with the step where it happened and the reason a user is given. Every figure
// of Result.txt and of the report is one of these, formed the same way.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>

#include "core/checked_arithmetic.h"

namespace brennic {

// The steps of the computation in their order: the totals of the cells, the
// steps of the seven figures of Result.txt, and the report's further figures.
enum class Step {
    Totals, // adding up the cells
    PO,     // 1: DiagonalSum / GrandTotal
    PC,     // 2: the sum of the products of the shares
    KAPPA,  // 3
    SECI,   // 4: the standard error behind LO and HI, written nowhere
    LO,     // 5
    HI,     // 6
    SE,     // 7
    Z,      // 8
    Report, // any figure of the report beyond the seven
};

struct Figure {
    std::optional<double> value;
    ArithmeticKind kind = ArithmeticKind::InvalidOperation; // of a failure
    Step step = Step::Report;                               // of a failure
    std::string reason;                                     // why there is no value, in words

    bool defined() const { return value.has_value(); }
    static Figure Of(double v) {
        return Figure{v, ArithmeticKind::InvalidOperation, Step::Report, {}};
    }
    static Figure Failed(ArithmeticKind kind, Step step, std::string why) {
        return Figure{std::nullopt, kind, step, std::move(why)};
    }
    static Figure NotDefined(std::string why) {
        return Failed(ArithmeticKind::InvalidOperation, Step::Report, std::move(why));
    }
};

// A figure formed in `step` from `inputs`: it takes over the failure of the first
// input that has one; otherwise `compute` runs with checked arithmetic, and a
// failure there becomes this figure's, with the words of `reason(kind)`.
template <typename Compute, typename Reason>
Figure FormFigure(Step step, std::initializer_list<const Figure*> inputs, Compute compute,
                  Reason reason) {
    for (const Figure* input : inputs)
        if (!input->defined())
            return *input;
    CheckedArithmetic c;
    const double value = compute(c);
    if (c.failed())
        return Figure::Failed(c.kind(), step, reason(c.kind()));
    return Figure::Of(value);
}

} // namespace brennic
