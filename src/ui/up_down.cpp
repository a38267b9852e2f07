#include "ui/up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace brennic::ui {

// One arrow. The control takes the focus itself (its arrows do not) and the
// arrows cover it whole, so each arrow draws the control's focus mark over
// itself: a dotted rectangle in the text colour, as the grid's, so that it shows
// in any palette.
class UpDown::Arrow final : public QToolButton {
  public:
    Arrow(Qt::ArrowType direction, UpDown* owner) : QToolButton(owner) {
        setArrowType(direction);
        setAutoRepeat(true);
        setFocusPolicy(Qt::NoFocus);
    }

  protected:
    void paintEvent(QPaintEvent* event) override {
        QToolButton::paintEvent(event);
        if (!parentWidget()->hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::ButtonText), 0, Qt::DotLine));
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }
};

UpDown::UpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(new Arrow(Qt::UpArrow, this)),
      m_down(new Arrow(Qt::DownArrow, this)), m_min(min), m_max(max), m_value(min) {
    setFocusPolicy(Qt::TabFocus);
    // The arrows have no text for a screen reader to read.
    m_up->setAccessibleName(QStringLiteral("One more"));
    m_down->setAccessibleName(QStringLiteral("One fewer"));
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

void UpDown::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    m_up->update();
    m_down->update();
}

void UpDown::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_up->update();
    m_down->update();
}

void UpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

void UpDown::step(int direction) {
    bool whole = false;
    const int shown = m_buddy->text().trimmed().toInt(&whole);
    int from = whole && shown >= m_min && shown <= m_max ? shown : m_value;
    m_value = std::clamp(from + direction, m_min, m_max);
    m_buddy->setText(QString::number(m_value));
}

} // namespace brennic::ui
