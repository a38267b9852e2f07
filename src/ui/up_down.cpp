#include "up_down.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace brennic::ui {

UpDown::UpDown(QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), m_buddy(buddy), m_up(new QToolButton(this)), m_down(new QToolButton(this)),
      m_min(min), m_max(max), m_value(min) {
    setFocusPolicy(Qt::TabFocus);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
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
