// Each figure is checked for a division by zero, an invalid operation and an
// overflow, as the seven are: single steps through CheckedArithmetic, the long
// sums over the cells once at their end. A figure that fails is reported as not
// defined with a reason instead of a NaN or an infinity, and the figures that do
// not depend on it are still formed.
#include "core/agreement_report.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <tuple>

#include "core/report_parts.h"
#include "core/student_t.h"
#include "core/weight_table.h"

namespace brennic {

const char* const ProportionsWarning =
    "The counts add up to 1 or less, so they look like proportions rather than counts: every "
    "standard error is then computed as for a sample of one (or less), far larger than for the "
    "sample that was taken. Give the counts themselves for standard errors that fit the sample.";

namespace {

using namespace report;

// The seven figures exactly as Result.txt has them, each failure with the cause
// that the cells show; where one cannot be formed, the others still are.
void formSeven(const ErrorMatrix& m, AgreementReport& r) {
    FormKappaFigures(r.n, m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal, r.overall);
    for (std::size_t i = 0; i < ResultFileFigures; ++i) {
        Figure& f = r.overall.all()[i];
        if (!f.defined())
            f.reason = ArithmeticCause({f.kind, f.step}, m);
    }
}

} // namespace

namespace report {

void findOnlyClasses(Proportions& p) {
    const int n = p.m.size();
    std::optional<int> row, col;
    bool oneRow = true, oneCol = true;
    // Once counts lie in two rows and in two columns, no cell after them can
    // change either answer.
    for (int j = 1; j <= n && (oneRow || oneCol); ++j)
        for (int i = 1; i <= n; ++i) {
            if (p.m.x(i, j) == 0.0)
                continue;
            oneRow = oneRow && (!row || *row == i);
            oneCol = oneCol && (!col || *col == j);
            row = i;
            col = j;
        }
    p.onlyRow = oneRow ? row : std::nullopt;
    p.onlyCol = oneCol ? col : std::nullopt;
}

void formCountSums(Proportions& p) {
    const int n = p.m.size();
    const auto zeros = [&] { return std::vector<double>(idx(n + 1), 0.0); };
    p.rowOff = p.colOff = p.otherRows = p.otherCols = p.otherDiagonal = zeros();
    // Column j's sum is kept in a register while its cells are added in order;
    // an empty cell, and the diagonal's in place of its count, add exactly 0 to
    // sums that start at +0 (they never are -0), so every cell is added and no
    // test waits on the count.
    for (int j = 1; j <= n; ++j) {
        double col = 0.0;
        for (int i = 1; i <= n; ++i) {
            const double off = i == j ? 0.0 : p.m.x(i, j);
            p.rowOff[idx(i)] += off;
            col += off;
        }
        p.colOff[idx(j)] = col;
    }
    // The totals of the other classes as the sums before and after class k, so
    // that no class's total is taken away from N.
    std::vector<double> diagonal = zeros();
    for (int k = 1; k <= n; ++k) {
        diagonal[idx(k)] = p.m.x(k, k);
        p.offDiagonal += p.rowOff[idx(k)];
    }
    const auto others = [&](const std::vector<double>& totals, std::vector<double>& out) {
        double before = 0.0;
        for (int k = 1; k <= n; ++k) {
            out[idx(k)] = before;
            before += totals[idx(k)];
        }
        double after = 0.0;
        for (int k = n; k >= 1; --k) {
            out[idx(k)] += after;
            after += totals[idx(k)];
        }
    };
    others(p.m.RowTotals, p.otherRows);
    others(p.m.ColTotals, p.otherCols);
    others(diagonal, p.otherDiagonal);
    p.scale = std::ldexp(1.0, -std::ilogb(p.N));
}

std::string oneClassReason(const Proportions& p, const std::string& kappa) {
    const std::string ending = "), so " + kappa +
                               " and its standard error under chance are both exactly 0 and z is "
                               "not defined.";
    if (p.onlyRow && p.onlyCol)
        return "The map and the reference each hold a single class (every count lies in row " +
               std::to_string(*p.onlyRow) + ", column " + std::to_string(*p.onlyCol) + ending;
    if (p.onlyRow)
        return "The map holds a single class (every count lies in row " +
               std::to_string(*p.onlyRow) + ending;
    return "The reference holds a single class (every count lies in column " +
           std::to_string(p.onlyCol.value_or(0)) + ending;
}

} // namespace report

std::string_view WeightsName(Weights weights) {
    switch (weights) {
    case Weights::None:
        return "none";
    case Weights::Linear:
        return "linear";
    case Weights::Quadratic:
        return "quadratic";
    }
    return "none";
}

std::optional<Weights> WeightsFromName(std::string_view name) {
    for (Weights w : {Weights::None, Weights::Linear, Weights::Quadratic})
        if (WeightsName(w) == name)
            return w;
    return std::nullopt;
}

double TwoSidedNormalP(double z) {
    return std::erfc(std::fabs(z) / std::numbers::sqrt2);
}

AgreementReport ComputeAgreementReport(const ErrorMatrix& m, Weights weights,
                                       const std::vector<double>* mappedAreas, double confidence) {
    AgreementReport r;
    r.n = m.size();
    r.confidence = confidence;
    r.labels.reserve(idx(r.n));
    r.cells.resize(idx(r.n) * idx(r.n));
    for (int row = 1; row <= r.n; ++row) {
        r.labels.push_back(std::to_string(row));
        double* cell = r.cells.data() + idx(row - 1) * idx(r.n);
        for (int col = 1; col <= r.n; ++col)
            *cell++ = m.x(row, col);
    }
    formSeven(m, r);
    // Proportions typed in place of counts give every figure its right value
    // but every standard error that of a sample of N, one or less.
    if (m.GrandTotal > 0.0 && m.GrandTotal <= 1.0)
        r.warnings.emplace_back(ProportionsWarning);

    // The shares of each row and column; they exist whenever PO does (the
    // grand total is neither 0 nor beyond the range).
    Proportions p(m, m.GrandTotal);
    p.z = TwoSidedNormalPoint(confidence);
    p.row.assign(idx(r.n + 1), 0.0);
    p.col.assign(idx(r.n + 1), 0.0);
    Figure PO = r.overall[OverallFigure::PO];
    findOnlyClasses(p);
    if (PO.defined()) {
        CheckedArithmetic c;
        for (std::size_t k = 1; k <= idx(r.n); ++k) {
            p.row[k] = c.div(m.RowTotals[k], p.N);
            p.col[k] = c.div(m.ColTotals[k], p.N);
        }
        if (c.failed())
            PO = Figure::NotDefined(OverflowCause);
        else
            formCountSums(p);
    }

    // With weights, both kappas' standard errors in one pass over the cells.
    std::optional<KappasAhead> ahead;
    if (weights != Weights::None && PO.defined() && r.overall[OverallFigure::KAPPA].defined() &&
        !p.onlyRow && !p.onlyCol)
        ahead = FormKappasAhead(p, weights);
    formLargeSample(p, PO, r, ahead ? &ahead->plain : nullptr);
    formRobust(p, PO, r);
    Disagreement d;
    if (PO.defined())
        d = disagreement(r.n, p.rowOff, p.colOff, p.N);
    r.overall[OverallFigure::quantity_disagreement] = finiteFigure(PO, d.totalQuantity);
    r.overall[OverallFigure::allocation_disagreement] = finiteFigure(PO, d.totalAllocation);
    if (weights != Weights::None)
        r.weighted = formWeighted(p, weights, PO, ahead ? &ahead->weighted : nullptr);
    r.classes.reserve(idx(r.n));
    for (int k = 1; k <= r.n; ++k)
        r.classes.push_back(formClass(p, k, PO, d));
    FigureRow<OverallFigure>& o = r.overall;
    using O = OverallFigure;
    std::tie(o[O::macro_users_accuracy], o[O::macro_users_classes]) =
        macroAverage(r.classes, ClassFigure::users_accuracy, "a user's accuracy");
    std::tie(o[O::macro_producers_accuracy], o[O::macro_producers_classes]) =
        macroAverage(r.classes, ClassFigure::producers_accuracy, "a producer's accuracy");
    std::tie(o[O::macro_f1], o[O::macro_f1_classes]) =
        macroAverage(r.classes, ClassFigure::f1, "an F1");
    if (mappedAreas != nullptr)
        r.area = formArea(m, *mappedAreas, p.z);
    return r;
}

} // namespace brennic
