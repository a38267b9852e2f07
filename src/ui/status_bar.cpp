#include "ui/status_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>

namespace brennic::ui {
namespace {

// What a screen reader sees of the bar: a status bar whose name is its whole
// text, announced whenever the program changes it. The panel inside is drawing
// only and is left out.
class AccessibleStatusBar final : public QAccessibleWidget {
  public:
    explicit AccessibleStatusBar(StatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return static_cast<const StatusBar*>(widget())->SimpleText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
};

QAccessibleInterface* accessibleStatusBar(const QString& className, QObject* object) {
    if (className == QLatin1String("brennic::ui::StatusBar") && object->isWidgetType())
        return new AccessibleStatusBar(static_cast<StatusBar*>(object));
    return nullptr;
}

} // namespace

// The sunken panel that holds the text. A QLabel would cut a long text off at
// the right and take the bar's minimum width from the text.
class StatusBar::Panel final : public QFrame {
  public:
    explicit Panel(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }

    const QString& text() const { return m_text; }
    void setText(const QString& text) {
        // The same text again (each Do It names the same file) changes nothing
        // shown and needs no new measuring of its width.
        if (text == m_text)
            return;
        m_text = text;
        update();
        bar().refreshToolTip();
    }
    QString shownText() const {
        return fontMetrics().elidedText(m_text, Qt::ElideMiddle, textRect().width());
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QFrame::resizeEvent(event);
        bar().refreshToolTip();
    }
    void paintEvent(QPaintEvent* event) override {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
    }

  private:
    StatusBar& bar() const { return *static_cast<StatusBar*>(parentWidget()); }
    // Inside the frame, with the indent a framed label keeps: half an "x".
    QRect textRect() const {
        const int indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
        return contentsRect().adjusted(indent, 0, -indent, 0);
    }

    QString m_text;
};

StatusBar::StatusBar(QWidget* parent) : QFrame(parent), m_panel(new Panel(this)) {
    // Qt keeps each factory once, however often it is installed.
    QAccessible::installFactory(accessibleStatusBar);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_panel->setObjectName(QStringLiteral("SimpleText"));
    layout->addWidget(m_panel);
}

QString StatusBar::SimpleText() const {
    return m_panel->text();
}

void StatusBar::setSimpleText(const QString& text) {
    m_panel->setText(text);
    QAccessibleEvent changed(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void StatusBar::refreshToolTip() {
    // Only a shortened text needs its whole self at hand; a text that fits would
    // just repeat itself under the pointer.
    const QString& text = m_panel->text();
    setToolTip(shownText() == text ? QString() : text);
}

QString StatusBar::shownText() const {
    return m_panel->shownText();
}

} // namespace brennic::ui
