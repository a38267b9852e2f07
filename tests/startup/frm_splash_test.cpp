// The splash window: its texts, its place, and the inputs that close it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QTest>

#include "frm_splash.h"

using namespace brennic::startup;

namespace {

const ScreenFacts kScreen{QRect(0, 0, 1024, 768), 96.0};

QString labelText(const FrmSplash& splash, const char* name) {
    const auto* label = splash.findChild<QLabel*>(QString::fromLatin1(name));
    return label == nullptr ? QStringLiteral("<missing>") : label->text();
}

} // namespace

TEST(FrmSplash, ShowsTheTitleAndVersionItLoads) {
    FrmSplash splash(kAppFacts, kScreen);
    EXPECT_EQ(labelText(splash, "lblProductName"), QStringLiteral("Brennic"));
    EXPECT_EQ(labelText(splash, "lblVersion"), QStringLiteral("Version 1.0.2"));
    EXPECT_EQ(labelText(splash, "lblPlatform"), QStringLiteral("WinNT, 95 and 98"));
    EXPECT_EQ(labelText(splash, "lblWarning"), QStringLiteral("Warning: Beta version"));

    FrmSplash minorTen({"Brennic", 1, 10, 2}, kScreen);
    EXPECT_EQ(labelText(minorTen, "lblVersion"), QStringLiteral("Version 1.10.2"));
}

TEST(FrmSplash, IsCentredWithoutTitleBarOrTaskBarButton) {
    // 7215 by 3000 twips are 481 by 200 pixels at 96 dpi and 722 by 300 at 144;
    // the border adds 2 pixels on each side.
    struct Row {
        const char* name;
        ScreenFacts screen;
        QRect expected;
    };
    const Row rows[] = {
        {"96_dpi", {QRect(0, 0, 1024, 768), 96.0}, QRect(269, 282, 485, 204)},
        {"144_dpi_second_screen", {QRect(1024, 0, 1600, 1200), 144.0}, QRect(1461, 448, 726, 304)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrmSplash splash(kAppFacts, row.screen);
        EXPECT_EQ(splash.geometry(), row.expected);
        EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(splash.windowType(), Qt::SplashScreen);
    }
}

TEST(FrmSplash, TypedKeysAndClicksOnTheFrameCloseIt) {
    struct Row {
        const char* name;
        std::function<void(FrmSplash&)> input;
        bool expectedClosed;
    };
    auto key = [](Qt::Key k) { return [k](FrmSplash& s) { QTest::keyClick(&s, k); }; };
    auto click = [](const char* child, QPoint at) {
        return [child, at](FrmSplash& s) {
            QTest::mouseClick(s.findChild<QWidget*>(QString::fromLatin1(child)), Qt::LeftButton, {},
                              at);
        };
    };
    const Row rows[] = {
        {"letter", key(Qt::Key_A), true},
        {"return", key(Qt::Key_Return), true},
        {"escape", key(Qt::Key_Escape), true},
        {"shift_alone_types_nothing", key(Qt::Key_Shift), false},
        {"arrow_types_nothing", key(Qt::Key_Left), false},
        {"click_on_frame1", click("Frame1", QPoint(470, 5)), true},
        {"click_on_the_logo", click("imgLogo", QPoint(50, 50)), false},
        {"click_on_the_title", click("lblProductName", QPoint(10, 10)), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QPointer<FrmSplash> splash = new FrmSplash(kAppFacts, kScreen);
        splash->show();
        row.input(*splash);
        EXPECT_EQ(!splash->isVisible(), row.expectedClosed);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(splash.isNull(), row.expectedClosed);
        delete splash.data();
    }
}
