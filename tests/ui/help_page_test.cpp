// The help page the program ships: every link in it leads to a place in the page,
// the only kind the help window follows.
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

TEST(HelpPage, EveryLinkLeadsToAPlaceInThePage) {
    QFile file(QStringLiteral(BRENNIC_HELP_PAGE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << BRENNIC_HELP_PAGE;
    const QString page = QString::fromUtf8(file.readAll());

    QSet<QString> places;
    for (const auto& match :
         QRegularExpression(QString::fromLatin1(R"re(\b(?:id|name)="([^"]+)")re"))
             .globalMatch(page))
        places.insert(match.captured(1));
    int links = 0;
    for (const auto& match :
         QRegularExpression(QString::fromLatin1(R"re(href="([^"]*)")re")).globalMatch(page)) {
        const QString target = match.captured(1);
        SCOPED_TRACE(target.toStdString());
        ++links;
        ASSERT_TRUE(target.startsWith('#'));
        EXPECT_TRUE(places.contains(target.mid(1)));
    }
    EXPECT_GT(links, 0);
}

} // namespace
