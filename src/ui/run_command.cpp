// Do It: the run over the grid's cells, and what the user is told about each way
// a run can end.
#include <QAction>

#include "core/number_text.h"
#include "core/run.h"
#include "ui/flex_grid.h"
#include "ui/frm_brennic.h"
#include "ui/services.h"
#include "ui/status_bar.h"

namespace brennic::ui {
namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// A cell text as the core reads it. Counts are plain ASCII, which is copied
// straight across; anything else goes through the full UTF-8 conversion.
std::string cellBytes(const QString& cell) {
    std::string bytes(static_cast<std::size_t>(cell.size()), '\0');
    const QChar* chars = cell.constData();
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const char16_t c = chars[i].unicode();
        if (c >= 0x80)
            return cell.toStdString();
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(c);
    }
    return bytes;
}

struct Failure {
    QString prompt;
    QString title;
};

// The message for a run that did not write both lines; nothing for one that did.
std::optional<Failure> failureMessage(const RunOutcome& outcome) {
    if (const auto* empty = std::get_if<run::EmptyCell>(&outcome)) {
        (void)empty;
        return Failure{QStringLiteral("A value must be supplied for each cell"), InputErrorTitle};
    }
    if (const auto* bad = std::get_if<run::NotANumber>(&outcome)) {
        const QString what = bad->cell.beyondRange
                                 ? QStringLiteral("a number ") + text(std::string(BeyondRangeText))
                                 : QStringLiteral("not a number");
        return Failure{QStringLiteral("The cell in row %1, column %2 holds \"%3\", which is %4. "
                                      "Enter a number in it and click Do It! again.")
                           .arg(bad->cell.cell.row)
                           .arg(bad->cell.cell.col)
                           .arg(text(bad->cell.text), what),
                       InputErrorTitle};
    }
    if (const auto* size = std::get_if<run::SizeOutOfRange>(&outcome)) {
        return Failure{QStringLiteral("The matrix size is %1, but it must be a whole number from "
                                      "%2 to %3. Set the size and click Apply.")
                           .arg(size->size)
                           .arg(MinMatrixSize)
                           .arg(MaxMatrixSize),
                       InputErrorTitle};
    }
    if (const auto* arithmetic = std::get_if<run::Arithmetic>(&outcome)) {
        return Failure{
            text(arithmetic->cause) +
                QStringLiteral(" No figures were written to %1.").arg(text(arithmetic->resultPath)),
            QStringLiteral("Kappa cannot be computed")};
    }
    if (const auto* file = std::get_if<run::File>(&outcome)) {
        QString sentence = text(DescribeFileError(file->error));
        sentence[0] = sentence[0].toUpper();
        return Failure{sentence + QStringLiteral(". The results were not saved."),
                       QStringLiteral("Cannot write the results")};
    }
    return std::nullopt;
}

} // namespace

FileSystem& FrmBrennic::files() const {
    return m_services.files != nullptr ? *m_services.files : SystemFiles();
}

void FrmBrennic::DoIt() {
    const int n = m_state.matrixSize;
    RunOutcome outcome;
    {
        // The run moves the grid's current cell to every cell it reads; the view
        // shows only where it ends.
        FlexGrid::Batch batch(*m_grid);
        const CellText cellText = [this](int row, int col) {
            m_grid->setCol(col);
            m_grid->setRow(row);
            return cellBytes(m_grid->Text());
        };
        outcome = RunKappa(n, cellText, m_services.decimalSeparator, m_services.programDirectory,
                           files());
    }

    if (const auto* arithmetic = std::get_if<run::Arithmetic>(&outcome)) {
        m_state.resultPath = arithmetic->resultPath;
    }
    const auto* file = std::get_if<run::File>(&outcome);
    if (file != nullptr)
        m_state.resultPath = file->error.path;
    // A run that made Result.txt new but stopped before its values leaves no
    // figures in it: there is nothing to save until the next complete run.
    if (std::holds_alternative<run::Arithmetic>(outcome) ||
        (file != nullptr && file->error.previousFileGone)) {
        m_resultsWritten = false;
        // The bar must not go on saying that results were written to that file.
        m_statusBar1->setSimpleText(
            QStringLiteral("No results: the run stopped before writing its figures to ") +
            text(m_state.resultPath) + QStringLiteral("."));
    }

    if (const auto failure = failureMessage(outcome)) {
        m_services.messages.Show(failure->prompt, failure->title, MessageBoxes::Icon::Critical);
        return;
    }

    m_state.resultPath = std::get<run::Written>(outcome).resultPath;
    m_resultsWritten = true;
    m_statusBar1->setSimpleText(QStringLiteral("Results have been written to ") +
                                text(m_state.resultPath) + QStringLiteral("."));
    m_mnuViewOutput->setEnabled(true);
}

} // namespace brennic::ui
