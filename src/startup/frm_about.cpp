// Building the About window at its designed places (client area 5730 by 3555
// twips, 2340 and 1935 twips from the screen's top-left corner) and its three
// handlers: load, OK and System Info.
#include "startup/frm_about.h"

#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <cmath>

#include "design/design_font.h"
#include "design/png_picture.h"
#include "design/twips.h"
#include "startup/startup_resources.h"

namespace brennic::startup {
namespace {

void setInk(QWidget* widget, QPalette::ColorRole role, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// The design's window colour on a light desktop (the system's button face), which
// its fixed black and dark red text was chosen against.
const QColor DesignFace(240, 240, 240);

// WCAG 2 contrast of two colours, 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// One Line1 control: a horizontal line as a strip of its colour.
QWidget* addLine(QWidget* parent, const char* name, QRect pixels, QColor colour) {
    auto* line = new QWidget(parent);
    line->setObjectName(QString::fromLatin1(name));
    setInk(line, QPalette::Window, colour);
    line->setAutoFillBackground(true);
    line->setGeometry(pixels);
    line->setAccessibleName(QStringLiteral("Separator")); // what a screen reader calls it
    return line;
}

} // namespace

FrmAbout::FrmAbout(const AppFacts& facts, const ScreenFacts& screen, SysInfoServices services)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      m_facts(facts), m_services(services) {
    InitStartupResources();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(ui::PngPicture(ProgramIconPath())));
    // No font is designed for this window: the windows' own default face.
    setFont(ui::designFont(8.25));

    const ui::Twips twips(screen.logicalDpi);
    setFixedSize(twips.px(5730), twips.px(3555));
    move(screen.geometry.topLeft() + QPoint(twips.px(2340), twips.px(1935)));
    createWidgets(screen.logicalDpi);
    load();
}

void FrmAbout::createWidgets(double logicalDpi) {
    const ui::Twips twips(logicalDpi);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    picIcon->setPixmap(ui::PngPicture(ProgramIconPath()));
    picIcon->move(twips.px(240), twips.px(240));
    picIcon->adjustSize(); // the picture box sizes itself to its picture
    picIcon->setAccessibleName(QStringLiteral("Program icon"));

    auto addLabel = [&](const char* name, QRect box, const QString& text,
                        QColor colour = Qt::black) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        setInk(label, QPalette::WindowText, colour);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->setGeometry(box);
        return label;
    };
    m_lblTitle = addLabel("lblTitle", twips.rect(1050, 240, 3885, 480), QString());
    m_lblVersion = addLabel("lblVersion", twips.rect(1050, 780, 3885, 225), QString());
    QLabel* description = addLabel(
        "lblDescription", twips.rect(1050, 1125, 3885, 1170),
        QStringLiteral("This software is designed to provide a Kappa statistic to estimate "
                       "'how much better --or worse-- a classification performed, relative "
                       "to chance alone'.  I hope it is helpful."));

    // The etched separator: a white line two pixels wide under a grey one.
    addLine(this, "Line1_0",
            QRect(twips.px(105), twips.px(2460), twips.px(5654) - twips.px(105), 2), Qt::white);
    addLine(this, "Line1_1", QRect(twips.px(90), twips.px(2445), twips.px(5654) - twips.px(90), 1),
            QColor(128, 128, 128));

    QLabel* disclaimer = addLabel(
        "lblDisclaimer", twips.rect(255, 2625, 3870, 825),
        QStringLiteral("Warning: This software is a beta version. No warranties, guarantees, "
                       "or support is available."),
        QColor(192, 0, 0));

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setGeometry(twips.rect(4245, 2625, 1260, 345));
    m_cmdOK->setDefault(true);
    connect(m_cmdOK, &QPushButton::clicked, this, &FrmAbout::Ok);

    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setGeometry(twips.rect(4260, 3075, 1245, 345));
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &FrmAbout::SysInfo);

    m_inkedLabels = {m_lblTitle, m_lblVersion, description, disclaimer};
    keepInksReadable();

    setTabOrder(m_cmdOK, m_cmdSysInfo);
    m_cmdOK->setFocus();
}

void FrmAbout::keepInksReadable() {
    // The texts keep their designed colours. Where the window's colour from the
    // palette (a dark one) leaves such a text below 4.5:1, the label gets the
    // design's light window colour behind it instead.
    const QColor window = palette().color(QPalette::Window);
    for (QLabel* label : m_inkedLabels) {
        const bool readable = contrast(label->palette().color(QPalette::WindowText), window) >= 4.5;
        if (!readable)
            setInk(label, QPalette::Window, DesignFace);
        label->setAutoFillBackground(!readable);
    }
}

void FrmAbout::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_inkedLabels.empty())
        keepInksReadable();
}

void FrmAbout::load() {
    const QString title = QString::fromUtf8(m_facts.title);
    setWindowTitle(QStringLiteral("About ") + title);
    m_lblVersion->setText(VersionText(m_facts));
    m_lblTitle->setText(title);
}

void FrmAbout::Ok() {
    close();
}

void FrmAbout::SysInfo() {
    StartSysInfo(m_services, QString::fromUtf8(m_facts.title), this);
}

} // namespace brennic::startup
