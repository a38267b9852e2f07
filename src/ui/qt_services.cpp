#include "ui/qt_services.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace brennic::ui {

void QtMessageBoxes::Show(const QString& prompt, const QString& title, Icon icon) {
    const QMessageBox::Icon shown = icon == Icon::Critical  ? QMessageBox::Critical
                                    : icon == Icon::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information;
    // A box without a title of its own shows the application's.
    QMessageBox box(shown, title.isEmpty() ? QApplication::applicationName() : title, prompt,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<QString> QtSaveDialog::AskSavePath(const QString& directory,
                                                 const QStringList& filters, int selectedFilter) {
    // Relative names typed into the dialog, like the dialog itself, start in the
    // program's directory.
    QDir::setCurrent(directory);
    QFileDialog dialog(QApplication::activeWindow(), QString(), directory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    if (selectedFilter >= 0 && selectedFilter < filters.size())
        dialog.selectNameFilter(filters[selectedFilter]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

void QuitProgramExit::Exit() {
    QApplication::closeAllWindows();
    QApplication::exit(0);
}

} // namespace brennic::ui
