// Sizing the grid and filling it in: Apply, the Enter command (button and Return
// key) and the timer step that keeps the buttons in line with the input.
#include <QLineEdit>
#include <QPushButton>

#include "core/number_text.h"
#include "core/run.h"
#include "ui/flex_grid.h"
#include "ui/frm_brennic.h"
#include "ui/services.h"

namespace brennic::ui {

bool FrmBrennic::sizeBoxNumber(double& number) const {
    const auto value = NumberOfText(m_text1->text().toStdString(), m_services.decimalSeparator);
    if (!value)
        return false;
    number = *value;
    return true;
}

void FrmBrennic::showInputError(const QString& prompt) {
    m_services.messages.Show(prompt, InputErrorTitle, MessageBoxes::Icon::Critical);
}

void FrmBrennic::Apply() {
    double number = 0.0;
    const bool isNumber = sizeBoxNumber(number);
    if (isNumber && number < 2.0) {
        m_text1->setText(QStringLiteral("2"));
        sizeBoxNumber(number);
    }
    // A fractional size gives the grid and the matrix size the same whole number,
    // so that the grid always has exactly n data rows and columns.
    const double n = NearestWhole(number);
    if (!isNumber || n > MaxMatrixSize) {
        showInputError(QStringLiteral("The matrix size must be a whole number from %1 to %2.")
                           .arg(MinMatrixSize)
                           .arg(MaxMatrixSize));
        return;
    }
    const int size = static_cast<int>(n);
    m_grid->setCols(size + 1);
    m_grid->setRows(size + 1);
    m_state.matrixSize = static_cast<std::int16_t>(size);
    m_state.gridReady = 1;
}

void FrmBrennic::EnterCommand() {
    m_grid->setText(m_txtInput->text());
    const int col = m_grid->Col();
    if (col < m_state.matrixSize) {
        m_grid->setCol(col + 1);
    } else {
        const int row = m_grid->Row();
        if (row < m_state.matrixSize) {
            m_grid->setCol(1);
            m_grid->setRow(row + 1);
        }
    }
    m_txtInput->setFocus();
    // The text stays for Return alone to repeat it, but selected, so that the next
    // count typed replaces it instead of running on from its end (20, then 205).
    // Selecting it lays the text out anew: not again while it is still selected
    // whole, as it is when Return repeats a count.
    const bool selectedWhole = m_txtInput->hasSelectedText() && m_txtInput->selectionStart() == 0 &&
                               m_txtInput->selectionLength() == m_txtInput->text().size();
    if (!selectedWhole)
        m_txtInput->selectAll();
}

void FrmBrennic::TimerStep() {
    // A size the user has typed since the previous tick is left alone for this
    // tick: "12" would otherwise become "22" when the "1" is raised before the "2"
    // is typed. Anything else below 2 is raised now: a text the spin control wrote
    // (also over a typed one), or one that stood unchanged for a whole tick,
    // whether or not the box has the focus.
    const bool typedSinceLastTick = m_typedSize && *m_typedSize == m_text1->text();
    m_typedSize.reset();
    double number = 0.0;
    if (!typedSinceLastTick && sizeBoxNumber(number) && number < 2.0)
        m_text1->setText(QStringLiteral("2"));

    if (m_state.gridReady != 1)
        return;
    m_cmdDoIt->setEnabled(true);
    const QString input = m_txtInput->text();
    if (input.isEmpty()) {
        m_cmdEnter->setEnabled(false);
        return;
    }
    bool enabled = LeadingNumberValue(input.toStdString()) != 0.0;
    if (input == QLatin1String("0"))
        enabled = true;
    m_cmdEnter->setEnabled(enabled);
}

} // namespace brennic::ui
