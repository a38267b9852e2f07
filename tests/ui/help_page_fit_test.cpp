// The help page as the help window shows it: it fits the window's width without
// scrolling sideways, and whatever colour the page fixes leaves its text readable
// under a dark palette as under a light one.
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

#include "../readability.h"
#include "help_window.h"

namespace {

using brennic::test::contrastRatio;
using brennic::test::darkPalette;

TEST(HelpPage, FitsTheHelpWindowWithoutScrollingSideways) {
    brennic::ui::HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    QTest::qWait(200); // the layout settles once the vertical scroll bar is in
    ASSERT_EQ(help.width(), 640);
    EXPECT_EQ(help.horizontalScrollBar()->maximum(), 0);
}

TEST(HelpPage, EveryTextIsReadableInALightAndADarkPalette) {
    for (const auto& [name, palette] :
         {std::pair{"light", QApplication::palette()}, std::pair{"dark", darkPalette()}}) {
        SCOPED_TRACE(name);
        brennic::ui::HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
        help.setPalette(palette);
        int fragments = 0;
        for (QTextBlock block = help.document()->begin(); block.isValid(); block = block.next()) {
            const QBrush blockBackground = block.blockFormat().background();
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.text().trimmed().isEmpty())
                    continue;
                ++fragments;
                const QTextCharFormat format = fragment.charFormat();
                // What the page does not fix comes from the palette.
                QColor background = palette.color(QPalette::Base);
                if (blockBackground.style() != Qt::NoBrush)
                    background = blockBackground.color();
                if (format.background().style() != Qt::NoBrush)
                    background = format.background().color();
                const QColor ink = format.foreground().style() != Qt::NoBrush
                                       ? format.foreground().color()
                                   : format.isAnchor() ? palette.color(QPalette::Link)
                                                       : palette.color(QPalette::Text);
                if (format.isAnchor())
                    continue; // links are drawn in the palette's link colour
                EXPECT_GE(contrastRatio(ink, background), 4.5) << fragment.text().toStdString();
            }
        }
        EXPECT_GT(fragments, 100);
    }
}

} // namespace
