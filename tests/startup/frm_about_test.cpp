// The About window: its texts and place, the keys that close it, System Info.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "frm_about.h"
#include "test_support.h"

using namespace brennic::startup;

namespace {

const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

QString labelText(const QWidget& window, const char* name) {
    const auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
    return label == nullptr ? QStringLiteral("<missing>") : label->text();
}

} // namespace

TEST(FrmAbout, LoadsTheCaptionTitleAndVersion) {
    standins::AboutStandIns standIns;
    FrmAbout about({"Brennic", 1, 10, 2}, kScreen, standIns.services());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Brennic"));
    EXPECT_EQ(labelText(about, "lblTitle"), QStringLiteral("Brennic"));
    EXPECT_EQ(labelText(about, "lblVersion"), QStringLiteral("Version 1.10.2"));
    EXPECT_EQ(about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->text(),
              QStringLiteral("&System Info..."));
    // 2340 and 1935 twips from the screen's corner, 5730 by 3555 twips inside.
    EXPECT_EQ(about.pos(), QPoint(156, 129));
    EXPECT_EQ(about.size(), QSize(382, 237));
    EXPECT_EQ(about.parent(), nullptr);
}

TEST(FrmAbout, ReturnAndEscapeClose) {
    struct Row {
        const char* name;
        Qt::Key key;
        bool expectedClosed;
    };
    const Row rows[] = {
        {"return", Qt::Key_Return, true},
        {"keypad_enter", Qt::Key_Enter, true},
        {"escape", Qt::Key_Escape, true},
        {"space_without_focus_on_a_button", Qt::Key_Space, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        standins::AboutStandIns standIns;
        QPointer<FrmAbout> about = new FrmAbout(kAppFacts, kScreen, standIns.services());
        about->show();
        QTest::keyClick(about.data(), row.key);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(about.isNull(), row.expectedClosed);
        EXPECT_TRUE(standIns.infoBox.shown.empty());
        delete about.data();
    }
}

TEST(FrmAbout, OkIsTheDefaultButtonFirstInTabOrder) {
    standins::AboutStandIns standIns;
    FrmAbout about(kAppFacts, kScreen, standIns.services());
    auto* cmdOK = about.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    EXPECT_TRUE(cmdOK->isDefault());
    EXPECT_EQ(about.focusWidget(), cmdOK);
    EXPECT_EQ(cmdOK->nextInFocusChain()->objectName(), QStringLiteral("cmdSysInfo"));
}

TEST(FrmAbout, SysInfoWithoutRegistryValuesSaysSoAndStaysOpen) {
    standins::AboutStandIns standIns;
    QPointer<FrmAbout> about = new FrmAbout(kAppFacts, kScreen, standIns.services());
    about->show();
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    ASSERT_EQ(standIns.infoBox.shown.size(), 1u);
    EXPECT_EQ(standIns.infoBox.shown[0].text,
              QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(standIns.infoBox.shown[0].title, QStringLiteral("Brennic"));
    EXPECT_EQ(standIns.infoBox.shown[0].parent, about.data());
    EXPECT_TRUE(standIns.starter.started.empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(about.isNull());
    EXPECT_TRUE(about->isVisible());
    delete about.data();
}
