#include "ui/help_window.h"

#include <QKeyEvent>
#include <QUrl>

#include "design/twips.h"

namespace brennic::ui {

HelpWindow::HelpWindow(const QString& path, double logicalDpi, QWidget* owner)
    : QTextBrowser(owner) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Brennic Help"));
    // Links within the page and to files beside it open here; the page has no
    // others.
    setOpenLinks(true);
    setOpenExternalLinks(false);
    setSource(QUrl::fromLocalFile(path));
    const Twips t(logicalDpi);
    resize(t.px(9600), t.px(9000));
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    // Closed with Escape, like the program's other small windows.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

} // namespace brennic::ui
