// StatusBar1: one line of text across the bottom of the window that only the
// program replaces (pointing at menus does not blank it).
#pragma once

#include <QFrame>

class QLabel;

namespace brennic::ui {

class StatusBar : public QFrame {
    Q_OBJECT
  public:
    explicit StatusBar(QWidget* parent = nullptr);
    QString SimpleText() const;
    void setSimpleText(const QString& text);

  private:
    QLabel* m_text;
};

} // namespace brennic::ui
