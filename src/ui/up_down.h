// UpDown1: a pair of arrows against the right edge of a text box that step a whole
// number within Min and Max and write it into the box.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace brennic::ui {

class UpDown : public QWidget {
    Q_OBJECT
  public:
    UpDown(QLineEdit* buddy, int min, int max, QWidget* parent = nullptr);

    int Value() const { return m_value; }
    int Min() const { return m_min; }
    int Max() const { return m_max; }

    void stepUp() { step(+1); }
    void stepDown() { step(-1); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // Steps from the whole number the box shows when it has one within range,
    // otherwise from the control's own value.
    void step(int direction);

    QLineEdit* m_buddy;
    class Arrow;
    Arrow* m_up;
    Arrow* m_down;
    int m_min;
    int m_max;
    int m_value = 0;
};

} // namespace brennic::ui
