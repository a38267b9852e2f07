// The confidence intervals of the report: each end of an interval is a figure of
// its own, value -+ z se with z the normal point of the confidence level.
#pragma once

#include <utility>

#include "core/figure.h"
#include "core/kappa.h"

namespace brennic {

// The two ends of value -+ z se; where the value or its standard error is not
// defined, neither end is, for the same reason.
inline std::pair<Figure, Figure> NormalInterval(const Figure& value, const Figure& se, double z) {
    const auto end = [&](bool upper) {
        return FormFigure(
            Step::Report, {&value, &se},
            [&](CheckedArithmetic& c) {
                const double halfWidth = c.mul(z, *se.value);
                return upper ? c.add(*value.value, halfWidth) : c.sub(*value.value, halfWidth);
            },
            [](ArithmeticKind) { return OverflowCause; });
    };
    return {end(false), end(true)};
}

} // namespace brennic
