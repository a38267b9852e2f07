// The About window's one message box, behind an interface so tests answer it
// without a dialog staying open.
#pragma once

#include <QString>

class QWidget;

namespace brennic::startup {

class InfoBox {
  public:
    virtual ~InfoBox() = default;
    // A modal box over `parent` with `text`, the title `title`, no icon and an OK
    // button only; returns when the user has closed it.
    virtual void Inform(QWidget* parent, const QString& text, const QString& title) = 0;
};

// The real one, a QMessageBox.
class MessageInfoBox final : public InfoBox {
  public:
    void Inform(QWidget* parent, const QString& text, const QString& title) override;
};

} // namespace brennic::startup
