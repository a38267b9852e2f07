// The About window's message box as a Qt message box.
#include "startup/info_box.h"

#include <QMessageBox>

namespace brennic::startup {

void MessageInfoBox::Inform(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace brennic::startup
