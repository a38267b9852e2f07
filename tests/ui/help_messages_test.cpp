// The help page's table of messages lists every message the window can show: each
// one is brought about here, through the window or from the core's own wording,
// and must match a row of the table.
#include <QDir>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include "error_matrix.h"
#include "kappa.h"
#include "sys_info.h"
#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

// The first cell of each row of the table under "Messages", as patterns: "…"
// stands for any text, r and c for a row and a column, " / " separates forms.
std::vector<QRegularExpression> helpMessagePatterns() {
    QFile file(QStringLiteral(BRENNIC_HELP_PAGE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(file.readAll());
    const qsizetype start = page.indexOf(QLatin1String("id=\"messages\""));
    const qsizetype end = page.indexOf(QLatin1String("</table>"), start);
    const QString table = page.mid(start, end - start);
    std::vector<QRegularExpression> patterns;
    const QRegularExpression firstCell(QStringLiteral("<tr><td>(.*?)</td>"),
                                       QRegularExpression::DotMatchesEverythingOption);
    for (const auto& match : firstCell.globalMatch(table)) {
        const QString text =
            QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText().simplified();
        for (const QString& form : text.split(QStringLiteral(" / "))) {
            QString pattern;
            const QRegularExpression wildcard(QStringLiteral("…|\\b[rc]\\b"));
            qsizetype from = 0;
            for (const auto& hole : wildcard.globalMatch(form)) {
                pattern += QRegularExpression::escape(form.mid(from, hole.capturedStart() - from));
                pattern += hole.captured() == QStringLiteral("…") ? QStringLiteral(".*")
                                                                  : QStringLiteral("\\d+");
                from = hole.capturedEnd();
            }
            pattern += QRegularExpression::escape(form.mid(from));
            patterns.emplace_back(QStringLiteral("^") + pattern);
        }
    }
    return patterns;
}

TEST_F(WindowTest, TheHelpListsEveryMessageTheWindowShows) {
    using Op = brennic::test::FailingFiles::Op;
    QStringList messages;
    // Every message the window showed since the last call.
    const auto takeShown = [&] {
        QStringList prompts;
        for (const Shown& shown : s->shown)
            prompts << shown.prompt;
        s->shown.clear();
        return prompts;
    };

    // The cells and the size.
    for (const char* cells :
         {"1,,3,4", "1,x,3,4", "1,1e400,3,4", "0,0,0,0", "10,0,0,0", "0,5,0,0", "5,-2,0,5"}) {
        fill(2, QString(cells).split(','));
        click("cmdDoIt");
    }
    applySize("300");
    messages << takeShown();

    // Result.txt: each file operation of a run failing in turn, and a folder in
    // its place.
    for (const auto& [op, nth] : {std::pair{Op::Open, 1},
                                  {Op::Delete, 1},
                                  {Op::Write, 1},
                                  {Op::SetPermissions, 1},
                                  {Op::Open, 3}}) {
        open(dir);
        writeFile(resultPath(), "previous\r\n");
        files.failAt(op, nth, EACCES);
        runWorkedExample();
        messages << takeShown();
    }
    QFile::remove(resultPath());
    ASSERT_TRUE(QDir().mkpath(resultPath()));
    open(dir);
    runWorkedExample();
    messages << takeShown();
    ASSERT_TRUE(QDir(resultPath()).removeRecursively());

    // Save As, Output file and How-to.
    open(dir);
    s->answer = dir + "/copy.csv";
    menu("mnuFileSaveAs")->trigger();
    runWorkedExample();
    s->answer = dir + "/missing/copy.csv";
    menu("mnuFileSaveAs")->trigger();
    QFile::remove(resultPath());
    menu("mnuViewOutput")->trigger();
    s->starts = false;
    menu("mnuHelpHowto")->trigger();
    messages << takeShown();

    // The causes of figures that cannot be formed which no small matrix reaches,
    // in the core's words, and the About window's message.
    auto matrixOf = [](const QStringList& cells) {
        const auto read = ReadErrorMatrix(
            2, [&](int row, int col) { return cells[(row - 1) * 2 + col - 1].toStdString(); }, '.');
        return std::get<ErrorMatrix>(read);
    };
    const ArithmeticError atZ{ArithmeticKind::InvalidOperation, Step::Z};
    for (const char* cells :
         {"1e-200,1e-200,1e-200,1e-200", "1e200,1e200,1e200,1e200", "1,1e20,1,1", "1,2,3,4"})
        messages << QString::fromStdString(
            ArithmeticCause(atZ, matrixOf(QString(cells).split(','))));
    messages << QString::fromStdString(
        ArithmeticCause({ArithmeticKind::Overflow, Step::Totals}, matrixOf({"1", "1", "1", "1"})));
    messages << QString::fromLatin1(startup::SysInfoUnavailable);

    ASSERT_EQ(messages.size(), 8 + 6 + 4 + 5 + 1);
    const std::vector<QRegularExpression> patterns = helpMessagePatterns();
    ASSERT_GT(patterns.size(), 15u);
    for (const QString& message : messages) {
        SCOPED_TRACE(message.toStdString());
        EXPECT_TRUE(std::any_of(patterns.begin(), patterns.end(), [&](const QRegularExpression& p) {
            return p.match(message).hasMatch();
        }));
    }
}

} // namespace
} // namespace brennic::ui::test
