// The help page the program ships, as the help window shows it: every link leads
// to a place in the page (the only kind the window follows), it fits the window's
// width without scrolling sideways, and whatever colour the page fixes leaves its
// text readable under a dark palette as under a light one.
#include <QApplication>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "../readability.h"
#include "help_window.h"

namespace {

TEST(HelpPage, EveryLinkLeadsToAPlaceInThePage) {
    QFile file(QStringLiteral(BRENNIC_HELP_PAGE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << BRENNIC_HELP_PAGE;
    const QString page = QString::fromUtf8(file.readAll());
    QSet<QString> places;
    for (const auto& match : QRegularExpression(R"re(\b(?:id|name)="([^"]+)")re").globalMatch(page))
        places.insert(match.captured(1));
    int links = 0;
    for (const auto& match : QRegularExpression(R"re(href="([^"]*)")re").globalMatch(page)) {
        const QString target = match.captured(1);
        ++links;
        EXPECT_TRUE(target.startsWith('#') && places.contains(target.mid(1)))
            << target.toStdString();
    }
    EXPECT_GT(links, 0);
}

TEST(HelpPage, FitsTheHelpWindowWithoutScrollingSideways) {
    brennic::ui::HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    QTest::qWait(200); // the layout settles once the vertical scroll bar is in
    ASSERT_EQ(help.width(), 640);
    EXPECT_EQ(help.horizontalScrollBar()->maximum(), 0);
}

TEST(HelpPage, EveryTextIsReadableInALightAndADarkPalette) {
    for (const auto& [name, palette] : {std::pair{"light", QApplication::palette()},
                                        std::pair{"dark", brennic::test::darkPalette()}}) {
        SCOPED_TRACE(name);
        brennic::ui::HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
        help.setPalette(palette);
        int fragments = 0;
        for (QTextBlock block = help.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const QTextCharFormat format = fragment.charFormat();
                // Links are drawn in the palette's link colour.
                if (fragment.text().trimmed().isEmpty() || format.isAnchor())
                    continue;
                ++fragments;
                // What the page does not fix comes from the palette.
                QColor background = palette.color(QPalette::Base);
                if (block.blockFormat().background().style() != Qt::NoBrush)
                    background = block.blockFormat().background().color();
                if (format.background().style() != Qt::NoBrush)
                    background = format.background().color();
                const QColor ink = format.foreground().style() != Qt::NoBrush
                                       ? format.foreground().color()
                                       : palette.color(QPalette::Text);
                EXPECT_GE(brennic::test::contrastRatio(ink, background), 4.5)
                    << fragment.text().toStdString();
            }
        }
        EXPECT_GT(fragments, 100);
    }
}

} // namespace
