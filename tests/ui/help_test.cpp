// The help page the program ships, as the help window shows it: every link leads
// to a place in the page (the only kind the window follows), it fits the window's
// width without scrolling sideways, whatever colour the page fixes leaves its text
// readable under a dark palette as under a light one, and its table of messages
// lists every message the window can show: each one is brought about here,
// through the window or from the core's own wording, and must match a row.
#include "../readability.h"
#include "core/error_matrix.h"
#include "core/kappa.h"
#include "startup/sys_info.h"
#include "ui/help_window.h"
#include "window_fixture.h"

using namespace brennic;
using namespace brennic::ui::test;

static QString helpPage() {
    QFile file(QStringLiteral(BRENNIC_HELP_PAGE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << BRENNIC_HELP_PAGE;
    return QString::fromUtf8(file.readAll());
}

TEST(HelpPage, EveryLinkLeadsToAPlaceInThePageAndItFitsTheWindow) {
    const QString page = helpPage();
    QSet<QString> places;
    for (const auto& match : QRegularExpression(R"re(\b(?:id|name)="([^"]+)")re").globalMatch(page))
        places.insert(match.captured(1));
    int links = 0;
    for (const auto& match : QRegularExpression(R"re(href="([^"]*)")re").globalMatch(page)) {
        const QString target = match.captured(1);
        EXPECT_TRUE(++links && target.startsWith('#') && places.contains(target.mid(1)))
            << target.toStdString();
    }
    EXPECT_GT(links, 0);
    HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    ASSERT_EQ(help.width(), 640);
    // The layout settles once the vertical scroll bar is in, later on a busy
    // machine: a page that is too wide keeps its horizontal one.
    EXPECT_TRUE(QTest::qWaitFor([&] { return help.horizontalScrollBar()->maximum() == 0; }, 5000))
        << "the page scrolls " << help.horizontalScrollBar()->maximum() << " pixels sideways";
}

TEST(HelpPage, EveryTextIsReadableInALightAndADarkPalette) {
    for (const auto& [name, palette] : {std::pair{"light", QApplication::palette()},
                                        std::pair{"dark", brennic::test::darkPalette()}}) {
        SCOPED_TRACE(name);
        HelpWindow help(QStringLiteral(BRENNIC_HELP_PAGE), 96.0, nullptr);
        help.setPalette(palette);
        int fragments = 0;
        for (QTextBlock block = help.document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                // Links are drawn in the palette's link colour.
                if (it.fragment().text().trimmed().isEmpty() || format.isAnchor())
                    continue;
                ++fragments;
                // What the page does not fix comes from the palette.
                const auto fixed = [](const QBrush& brush, const QColor& otherwise) {
                    return brush.style() != Qt::NoBrush ? brush.color() : otherwise;
                };
                const QColor background =
                    fixed(format.background(),
                          fixed(block.blockFormat().background(), palette.color(QPalette::Base)));
                const QColor ink = fixed(format.foreground(), palette.color(QPalette::Text));
                EXPECT_GE(brennic::test::contrastRatio(ink, background), 4.5)
                    << it.fragment().text().toStdString();
            }
        }
        EXPECT_GT(fragments, 100);
    }
}

// The first cell of each row of the table under "Messages", as patterns: "…"
// stands for any text, r and c for a row and a column, " / " separates forms.
static std::vector<QRegularExpression> helpMessagePatterns() {
    const QString page = helpPage();
    const qsizetype start = page.indexOf(QLatin1String("id=\"messages\""));
    const QString table = page.mid(start, page.indexOf(QLatin1String("</table>"), start) - start);
    std::vector<QRegularExpression> patterns;
    const QRegularExpression firstCell(QStringLiteral("<tr><td>(.*?)</td>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression wildcard(QStringLiteral("…|\\b[rc]\\b"));
    for (const auto& match : firstCell.globalMatch(table)) {
        const QString text =
            QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().simplified();
        for (const QString& form : text.split(QStringLiteral(" / "))) {
            QString pattern = QStringLiteral("^");
            qsizetype from = 0;
            for (const auto& hole : wildcard.globalMatch(form)) {
                pattern += QRegularExpression::escape(form.mid(from, hole.capturedStart() - from)) +
                           (hole.captured() == QStringLiteral("…") ? ".*" : "\\d+");
                from = hole.capturedEnd();
            }
            patterns.emplace_back(pattern + QRegularExpression::escape(form.mid(from)));
        }
    }
    EXPECT_GT(patterns.size(), 15u);
    return patterns;
}

bool brennic::ui::test::listedInHelp(const QString& message) {
    static const std::vector<QRegularExpression> patterns = helpMessagePatterns();
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const QRegularExpression& p) { return p.match(message).hasMatch(); });
}

// Every message a window test brings about is checked against the help as it is
// shown; these are the ones no other test brings about: a count beyond the
// range, the file operations of a run that fail nowhere else and a folder in
// Result.txt's place, the causes of figures that cannot be formed which no small
// matrix reaches, in the core's words, and the About window's message.
TEST_F(WindowTest, TheHelpListsEveryMessageTheWindowShows) {
    fill(2, {"1", "1e400", "3", "4"});
    click("cmdDoIt");
    EXPECT_EQ(s->shown.size(), 1u);
    for (const auto& [op, nth] :
         {std::pair{Op::Open, 1}, {Op::SetPermissions, 1}, {Op::Open, 3}, {Op::Open, 0}}) {
        open(dir);
        if (nth == 0) // a folder
            ASSERT_TRUE(QFile::remove(resultPath()) && QDir().mkpath(resultPath()));
        else
            writeFile(resultPath(), "previous\r\n"), files.failAt(op, nth, EACCES);
        runWorkedExample();
        EXPECT_EQ(s->shown.size(), 1u) << nth;
    }
    const auto cause = [&](ArithmeticError error, const char* cells) {
        const QStringList list = QString(cells).split(',');
        const auto read = ReadErrorMatrix(
            2, [&](int row, int col) { return list[(row - 1) * 2 + col - 1].toStdString(); }, '.');
        return QString::fromStdString(ArithmeticCause(error, std::get<ErrorMatrix>(read)));
    };
    for (const char* cells :
         {"1e-200,1e-200,1e-200,1e-200", "1e200,1e200,1e200,1e200", "1,1e20,1,1", "1,2,3,4"})
        EXPECT_TRUE(listedInHelp(cause({ArithmeticKind::InvalidOperation, Step::Z}, cells)))
            << cells;
    EXPECT_TRUE(listedInHelp(cause({ArithmeticKind::Overflow, Step::Totals}, "1,1,1,1")));
    EXPECT_TRUE(listedInHelp(QString::fromLatin1(brennic::startup::SysInfoUnavailable)));
}
