// StatusBar1: one line of text across the bottom of the window that only the
// program replaces (pointing at menus does not blank it). A text wider than the
// bar is drawn with an ellipsis in its middle, so that both its start and the
// file name at its end stay in sight; then, and only then, the bar's tooltip
// holds the whole text.
#pragma once

#include <QFrame>

namespace brennic::ui {

class StatusBar : public QFrame {
    Q_OBJECT
  public:
    explicit StatusBar(QWidget* parent = nullptr);
    // The text as the program set it, never shortened.
    QString SimpleText() const;
    void setSimpleText(const QString& text);

    // The text as the bar draws it at its present width.
    QString shownText() const;

  private:
    class Panel;
    void refreshToolTip();
    Panel* m_panel;
};

} // namespace brennic::ui
