// The order is fixed: the cells are checked for emptiness, then for numbers, and
// only then is the result file made new, so that a mistake in the grid never costs
// the user the previous results.
#include "core/run.h"

namespace brennic {
namespace {

// The figures of a read matrix, or the arithmetic failure with its cause.
RunOutcome compute(const ErrorMatrix& m, const std::string& path, KappaResult& result) {
    auto kappa = ComputeKappa(m.size(), m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal);
    if (auto* error = std::get_if<ArithmeticError>(&kappa))
        return run::Arithmetic{*error, ArithmeticCause(*error, m), path};
    result = std::get<KappaResult>(kappa);
    return run::Written{path, result};
}

// The checks before anything is reset: nothing when the cells can be read.
std::optional<RunOutcome> check(int n, const CellText& cellText, char decimalSeparator) {
    if (n < MinMatrixSize || n > MaxMatrixSize)
        return run::SizeOutOfRange{n};
    if (auto empty = FindEmptyCell(n, cellText))
        return run::EmptyCell{*empty};
    if (auto bad = FindNonNumberCell(n, cellText, decimalSeparator))
        return run::NotANumber{std::move(*bad)};
    return std::nullopt;
}

RunOutcome appendValues(RunOutcome outcome, char decimalSeparator, FileSystem& files) {
    if (const auto* written = std::get_if<run::Written>(&outcome)) {
        if (auto error =
                AppendResultValues(written->resultPath, written->result, decimalSeparator, files))
            return run::File{std::move(*error)};
    }
    return outcome;
}

} // namespace

RunOutcome RunKappa(int n, const CellText& cellText, char decimalSeparator,
                    std::string_view programDirectory, FileSystem& files) {
    if (auto refused = check(n, cellText, decimalSeparator))
        return std::move(*refused);
    const std::string path = MakeResultPath(programDirectory);
    if (auto error = StartResultFile(path, files))
        return run::File{std::move(*error)};

    // The cells were all found to be numbers just now; should one read otherwise
    // after all, the run stops there with the header line alone in the file.
    auto read = ReadErrorMatrix(n, cellText, decimalSeparator);
    if (auto* bad = std::get_if<NotANumberCell>(&read))
        return run::NotANumber{std::move(*bad)};
    KappaResult result;
    return appendValues(compute(std::get<ErrorMatrix>(read), path, result), decimalSeparator,
                        files);
}

RunOutcome WriteKappaFile(const ErrorMatrix& m, char decimalSeparator,
                          const std::string& resultPath, FileSystem& files) {
    if (auto error = StartResultFile(resultPath, files))
        return run::File{std::move(*error)};
    KappaResult result;
    return appendValues(compute(m, resultPath, result), decimalSeparator, files);
}

InMemoryRun KappaFileBytes(const ErrorMatrix& m, char decimalSeparator) {
    KappaResult result;
    InMemoryRun run{compute(m, std::string(), result), std::string()};
    if (std::holds_alternative<run::Written>(run.outcome))
        run.bytes = ResultHeaderLine() + ResultValuesLine(result, decimalSeparator);
    return run;
}

InMemoryRun RunKappaInMemory(int n, const CellText& cellText, char decimalSeparator) {
    if (auto refused = check(n, cellText, decimalSeparator))
        return {std::move(*refused), std::string()};
    auto read = ReadErrorMatrix(n, cellText, decimalSeparator);
    if (auto* bad = std::get_if<NotANumberCell>(&read))
        return {run::NotANumber{std::move(*bad)}, std::string()};
    return KappaFileBytes(std::get<ErrorMatrix>(read), decimalSeparator);
}

} // namespace brennic
