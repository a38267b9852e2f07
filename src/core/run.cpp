// The order is fixed: the cells are checked for emptiness, then for numbers, and
// only then is the result file made new, so that a mistake in the grid never costs
// the user the previous results.
#include "run.h"

namespace brennic {
namespace {

// The checks and the reading shared by the file and the in-memory run; on
// success `result` holds the figures.
template <typename Reset>
RunOutcome checkReadCompute(int n, const CellText& cellText, char decimalSeparator,
                            const std::string& path, Reset reset, KappaResult& result) {
    if (n < MinMatrixSize || n > MaxMatrixSize)
        return run::SizeOutOfRange{n};
    if (auto empty = FindEmptyCell(n, cellText))
        return run::EmptyCell{*empty};
    if (auto bad = FindNonNumberCell(n, cellText, decimalSeparator))
        return run::NotANumber{std::move(*bad)};
    if (auto error = reset())
        return run::File{std::move(*error)};

    // The cells were all found to be numbers just now; should one read otherwise
    // after all, the run stops there with the header line alone in the file.
    auto read = ReadErrorMatrix(n, cellText, decimalSeparator);
    if (auto* bad = std::get_if<NotANumberCell>(&read))
        return run::NotANumber{std::move(*bad)};
    const ErrorMatrix& m = std::get<ErrorMatrix>(read);

    auto kappa = ComputeKappa(n, m.RowTotals, m.ColTotals, m.DiagonalSum, m.GrandTotal);
    if (auto* error = std::get_if<ArithmeticError>(&kappa))
        return run::Arithmetic{*error, path};
    result = std::get<KappaResult>(kappa);
    return run::Written{path, result};
}

} // namespace

RunOutcome RunKappa(int n, const CellText& cellText, char decimalSeparator,
                    std::string_view programDirectory) {
    return RunKappaToFile(n, cellText, decimalSeparator, MakeResultPath(programDirectory));
}

RunOutcome RunKappaToFile(int n, const CellText& cellText, char decimalSeparator,
                          const std::string& path) {
    KappaResult result;
    RunOutcome outcome = checkReadCompute(
        n, cellText, decimalSeparator, path, [&] { return StartResultFile(path); }, result);
    if (std::holds_alternative<run::Written>(outcome)) {
        if (auto error = AppendResultValues(path, result, decimalSeparator))
            return run::File{std::move(*error)};
    }
    return outcome;
}

InMemoryRun RunKappaInMemory(int n, const CellText& cellText, char decimalSeparator) {
    KappaResult result;
    InMemoryRun run{checkReadCompute(
                        n, cellText, decimalSeparator, std::string(),
                        [] { return std::optional<FileError>(); }, result),
                    std::string()};
    if (std::holds_alternative<run::Written>(run.outcome))
        run.bytes = ResultHeaderLine() + ResultValuesLine(result, decimalSeparator);
    return run;
}

} // namespace brennic
