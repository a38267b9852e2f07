// The menu commands: switching between the input controls and the shown result
// file, saving a copy of it, the help, the About window and Exit.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/file_copy.h"
#include "core/result_file.h"
#include "design/twips.h"
#include "platform/program_starter.h"
#include "ui/about_opener.h"
#include "ui/flex_grid.h"
#include "ui/frm_brennic.h"
#include "ui/help_window.h"
#include "ui/services.h"
#include "ui/status_bar.h"
#include "ui/up_down.h"

namespace brennic::ui {
namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The save dialog's file types, in the order of the designed list; the third is
// chosen when the dialog opens.
const QStringList SaveFilters = {
    QStringLiteral("All Files (*.*)"),
    QStringLiteral("Text Files (*.txt)"),
    QStringLiteral("Comma-delimited Files (*.csv)"),
    QStringLiteral("Data file (*.dat)"),
};
constexpr int CommaDelimitedFilter = 2;

} // namespace

void FrmBrennic::OutputView() {
    const Twips t(m_services.logicalDpi);
    m_rtfBox->resize(t.px(7815), t.px(5055));
    m_rtfBox->setVisible(true);
    m_rtfBox->raise();
    coverInputControls(true);
    m_mnuViewOutput->setChecked(true);
    m_mnuViewInput->setChecked(false);

    QFile file(text(m_state.resultPath));
    const bool opened = file.open(QIODevice::ReadOnly);
    const QByteArray bytes = opened ? file.readAll() : QByteArray();
    if (!opened || file.error() != QFileDevice::NoError) {
        m_services.messages.Show(
            QStringLiteral("Cannot show %1: %2.").arg(file.fileName(), file.errorString()),
            QStringLiteral("Output file"), MessageBoxes::Icon::Warning);
        InputView();
        return;
    }
    // The file is single-byte text: every byte is one character.
    m_rtfBox->setPlainText(QString::fromLatin1(bytes));
    m_statusBar1->setSimpleText(
        QStringLiteral("For easier viewing, use a spreadsheet like Excel or Quattro Pro"));
}

void FrmBrennic::coverInputControls(bool covered) {
    // Under the shown output box the input controls are out of sight: out of the
    // Tab order and of a screen reader's view too. The focus goes with the view
    // that is shown.
    if (covered)
        m_rtfBox->setFocus();
    QWidget* const covers[] = {m_label1,   m_text1,    m_upDown1,  m_grid,
                               m_txtInput, m_cmdEnter, m_cmdApply, m_cmdDoIt};
    for (QWidget* control : covers)
        control->setVisible(!covered);
    if (!covered)
        m_grid->setFocus();
}

void FrmBrennic::InputView() {
    m_rtfBox->setVisible(false);
    coverInputControls(false);
    m_mnuViewInput->setChecked(true);
    m_mnuViewOutput->setChecked(false);
    m_statusBar1->setSimpleText(QStringLiteral("Supply input parameters and data."));
}

void FrmBrennic::SaveAs() {
    const std::optional<QString> chosen = m_services.saveDialog.AskSavePath(
        text(m_services.programDirectory), SaveFilters, CommaDelimitedFilter);
    if (!chosen)
        return; // Cancel: nothing to do, nothing to say

    const QString title = QStringLiteral("Save As");
    // A run that stopped at a failure leaves no figures in the file to save.
    if (!m_resultsWritten) {
        m_services.messages.Show(QStringLiteral("There are no results to save yet. Enter the "
                                                "matrix and click Do It! first."),
                                 title, MessageBoxes::Icon::Information);
        return;
    }
    if (const auto error = CopyFileReplacing(m_state.resultPath, chosen->toStdString(), files())) {
        // The chosen path is named once, at the start; a failure to read Result.txt
        // names that file as well.
        const QString why = error->path != chosen->toStdString() ? text(DescribeFileError(*error))
                            : error->operation.empty() ? QStringLiteral("it is not a regular file")
                                                       : text(error->reason);
        m_services.messages.Show(
            QStringLiteral("The results were not saved to %1: %2.").arg(*chosen, why), title,
            MessageBoxes::Icon::Critical);
        return;
    }
    m_statusBar1->setSimpleText(QStringLiteral("The contents of ") + text(m_state.resultPath) +
                                QStringLiteral(" have been saved to ") + *chosen +
                                QStringLiteral("."));
}

void FrmBrennic::HowTo() {
    const std::string& directory = m_services.programDirectory;
    const std::string viewer =
        std::string("c:\\winnt\\hh.exe ") + directory + PathSeparator + "BrennicHelp.chm";
    if (m_services.starter.Start(viewer))
        return;
    // Where that viewer does not exist, the same help ships as a page beside the
    // program, shown in the program's own help window: one window, brought to the
    // front when How-to is chosen again.
    if (m_helpWindow.isNull()) {
        const QString page = text(directory + PathSeparator + "BrennicHelp.html");
        QFile file(page);
        if (!file.open(QIODevice::ReadOnly)) {
            m_services.messages.Show(
                QStringLiteral("Cannot show the help %1: %2.").arg(page, file.errorString()),
                QStringLiteral("How-to"), MessageBoxes::Icon::Warning);
            return;
        }
        m_helpWindow = new HelpWindow(page, m_services.logicalDpi, this);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void FrmBrennic::Exit() {
    m_services.programExit.Exit();
}

void FrmBrennic::About() {
    if (m_services.about != nullptr)
        m_services.about->Open();
}

} // namespace brennic::ui
