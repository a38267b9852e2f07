// The program's own help window: BrennicHelp.html in a browser that follows the
// page's links. How-to shows it where the system's help viewer cannot be started,
// so the help opens on a desktop with no web browser too.
#pragma once

#include <QTextBrowser>

namespace brennic::ui {

class HelpWindow final : public QTextBrowser {
    Q_OBJECT
  public:
    // A window of its own, modeless, closed with `owner` at the latest; it is
    // deleted when it closes. Shows the page at `path`, which must be readable.
    HelpWindow(const QString& path, double logicalDpi, QWidget* owner);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace brennic::ui
