// Building the About window at its designed places (client area 5730 by 3555
// twips, 2340 and 1935 twips from the screen's top-left corner) and its three
// handlers: load, OK and System Info.
#include "frm_about.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "design_font.h"
#include "png_picture.h"
#include "startup_resources.h"
#include "twips.h"

namespace brennic::startup {
namespace {

void setInk(QWidget* widget, QPalette::ColorRole role, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

// One Line1 control: a horizontal line as a strip of its colour.
QWidget* addLine(QWidget* parent, const char* name, QRect pixels, QColor colour) {
    auto* line = new QWidget(parent);
    line->setObjectName(QString::fromLatin1(name));
    setInk(line, QPalette::Window, colour);
    line->setAutoFillBackground(true);
    line->setGeometry(pixels);
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
    addLabel("lblDescription", twips.rect(1050, 1125, 3885, 1170),
             QStringLiteral("This software is designed to provide a Kappa statistic to estimate "
                            "'how much better --or worse-- a classification performed, relative "
                            "to chance alone'.  I hope it is helpful."));

    // The etched separator: a white line two pixels wide under a grey one.
    addLine(this, "Line1_0",
            QRect(twips.px(105), twips.px(2460), twips.px(5654) - twips.px(105), 2), Qt::white);
    addLine(this, "Line1_1", QRect(twips.px(90), twips.px(2445), twips.px(5654) - twips.px(90), 1),
            QColor(128, 128, 128));

    addLabel("lblDisclaimer", twips.rect(255, 2625, 3870, 825),
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

    setTabOrder(m_cmdOK, m_cmdSysInfo);
    m_cmdOK->setFocus();
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
