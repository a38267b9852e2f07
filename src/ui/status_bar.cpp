#include "status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

namespace brennic::ui {

StatusBar::StatusBar(QWidget* parent) : QFrame(parent), m_text(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setObjectName(QStringLiteral("SimpleText"));
    layout->addWidget(m_text);
}

QString StatusBar::SimpleText() const {
    return m_text->text();
}

void StatusBar::setSimpleText(const QString& text) {
    m_text->setText(text);
}

} // namespace brennic::ui
