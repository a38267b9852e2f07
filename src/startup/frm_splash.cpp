// Building the splash window at its designed places: a client area of 7215 by
// 3000 twips inside a thin raised border, the white Frame1 holding everything.
#include "startup/frm_splash.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <functional>

#include "design/png_picture.h"
#include "design/twips.h"
#include "startup/startup_resources.h"

namespace brennic::startup {
namespace {

constexpr int ClientWidth = 7215;
constexpr int ClientHeight = 3000;
// A fixed dialog border drawn without a caption: the window manager adds nothing.
constexpr int BorderPx = 2;

QFont arial(double pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// Frame1: a click on the frame itself closes the splash window; a click on a
// label or the picture inside it does nothing.
class SplashFrame final : public QFrame {
  public:
    SplashFrame(QWidget* parent, std::function<void()> onClick)
        : QFrame(parent), m_onClick(std::move(onClick)) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        m_pressedOnFrame = onFrame(event);
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        const bool click = m_pressedOnFrame && onFrame(event);
        m_pressedOnFrame = false;
        event->accept();
        if (click)
            m_onClick();
    }

  private:
    // Presses on the labels and the picture reach the frame too (they ignore
    // them), so the frame looks at what lies under the pointer.
    bool onFrame(const QMouseEvent* event) const {
        const QPoint at = event->position().toPoint();
        return rect().contains(at) && childAt(at) == nullptr;
    }

    std::function<void()> m_onClick;
    bool m_pressedOnFrame = false;
};

} // namespace

FrmSplash::FrmSplash(const AppFacts& facts, const ScreenFacts& screen, QWidget* parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    InitStartupResources();
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(224, 224, 224));
    setPalette(background);
    setAutoFillBackground(true);

    createFrame(screen.logicalDpi);
    const ui::Twips twips(screen.logicalDpi);
    setFixedSize(twips.px(ClientWidth) + 2 * BorderPx, twips.px(ClientHeight) + 2 * BorderPx);
    placeOnScreen(screen.geometry);
    load(facts);
}

void FrmSplash::createFrame(double logicalDpi) {
    const ui::Twips twips(logicalDpi);
    m_frame1 = new SplashFrame(this, [this] { close(); });
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    QPalette white = m_frame1->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_frame1->setPalette(white);
    m_frame1->setAutoFillBackground(true);
    m_frame1->setGeometry(twips.rect(0, 0, 7200, 2955).translated(BorderPx, BorderPx));

    // The picture first, so that the labels lie over it.
    auto* imgLogo = new QLabel(m_frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(ui::PngPicture(SplashLogoPath()));
    imgLogo->setScaledContents(true);
    imgLogo->setGeometry(twips.rect(120, 240, 3600, 2520));

    // Label text is drawn over the frame's white; the labels that size
    // themselves to their text keep it on one line.
    auto addLabel = [&](const char* name, QRect box, QFont font, const QString& text,
                        Qt::Alignment alignment, bool autoSize, QColor colour = Qt::black) {
        auto* label = new QLabel(text, m_frame1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(font);
        QPalette ink = label->palette();
        ink.setColor(QPalette::WindowText, colour);
        label->setPalette(ink);
        label->setAlignment(alignment | Qt::AlignTop);
        label->setWordWrap(!autoSize);
        label->setGeometry(box);
        if (autoSize)
            m_autoSized.push_back(label);
        return label;
    };
    addLabel("lblCompanyProduct", twips.rect(2880, 465, 2820, 435), arial(18, true),
             QStringLiteral("The Authors'"), Qt::AlignLeft, true);
    m_lblProductName =
        addLabel("lblProductName", twips.rect(2880, 840, 2430, 765), arial(32.25, true),
                 QStringLiteral("Product"), Qt::AlignLeft, true, QColor(0, 0, 255));
    addLabel("lblPlatform", twips.rect(4275, 1560, 2640, 360), arial(15.75, true),
             QStringLiteral("WinNT, 95 and 98"), Qt::AlignRight, true);
    m_lblVersion = addLabel("lblVersion", twips.rect(6000, 1920, 885, 285), arial(12, true),
                            QStringLiteral("Version"), Qt::AlignRight, true);
    addLabel("lblWarning", twips.rect(120, 2400, 6855, 195), arial(8.25, false),
             QStringLiteral("Warning: Beta version"), Qt::AlignLeft, false);
    addLabel("lblCompany", twips.rect(2520, 2640, 4455, 255), arial(8.25, false),
             QStringLiteral("The Brennic Project"), Qt::AlignLeft, false, QColor(0, 0, 128));
}

void FrmSplash::placeOnScreen(const QRect& screen) {
    move(screen.x() + (screen.width() - width()) / 2,
         screen.y() + (screen.height() - height()) / 2);
}

// The load handler: both texts are in place before the window is first drawn.
// The labels that size themselves to their text keep their left edge, or their
// right edge when the text is right-aligned.
void FrmSplash::load(const AppFacts& facts) {
    m_lblVersion->setText(VersionText(facts));
    m_lblProductName->setText(QString::fromUtf8(facts.title));
    for (QLabel* label : m_autoSized) {
        const QRect designed = label->geometry();
        label->adjustSize();
        if (label->alignment() & Qt::AlignRight)
            label->move(designed.right() - label->width() + 1, designed.top());
    }
}

void FrmSplash::keyPressEvent(QKeyEvent* event) {
    // Any key that types a character, as a key press on the window means.
    if (!event->text().isEmpty())
        close();
    else
        QFrame::keyPressEvent(event);
}

void FrmSplash::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    m_painted = true;
}

void FrmSplash::hideEvent(QHideEvent* event) {
    m_painted = false;
    QFrame::hideEvent(event);
}

} // namespace brennic::startup
