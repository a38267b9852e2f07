// How the grid draws itself, read back from the pixels of a rendered grid.
#include <QAbstractButton>
#include <QHeaderView>
#include <QImage>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

TEST_F(WindowTest, GridDrawsFlatFixedCellsGreyLinesAndADottedCurrentCell) {
    fill(2, {"11", "12", "21", "22"});
    grid()->setRow(1);
    grid()->setCol(2);
    FlexGrid& g = *grid();
    const QPalette colours = QApplication::palette(&g);

    // Places in the grid's own pixels, found through the grid's parts.
    const QPoint view = g.viewport()->geometry().topLeft();
    const QRect heading = g.horizontalHeader()->geometry();
    const QRect rowHeading = g.verticalHeader()->geometry();
    auto cell = [&](int row, int col) {
        return g.visualRect(g.model()->index(row - 1, col - 1)).translated(view);
    };
    const QRect corner(g.viewport()->geometry().left() - rowHeading.width(), heading.top(),
                       rowHeading.width(), heading.height());
    const QRect firstHeading(heading.left(), heading.top(), cell(1, 1).width(), heading.height());
    const QRect lastCell = cell(2, 2);

    // clang-format off
    struct Pixel { const char* name; QPoint at; QColor colour; };
    const Pixel pixels[] = {
        {"corner_flat", corner.center(), colours.color(QPalette::Button)},
        {"corner_top_left_flat_too", corner.topLeft() + QPoint(2, 2), colours.color(QPalette::Button)},
        {"line_between_corner_and_first_heading", {corner.right(), corner.center().y()}, Qt::black},
        {"heading_flat", firstHeading.center(), colours.color(QPalette::Button)},
        {"line_under_heading", {firstHeading.center().x(), firstHeading.bottom()}, Qt::black},
        {"line_between_headings", {firstHeading.right(), firstHeading.center().y()}, Qt::black},
        {"line_under_row_heading", {rowHeading.center().x(), rowHeading.top() + cell(1, 1).height() - 1},
         Qt::black},
        {"data_cell_window_colour", cell(2, 1).center() + QPoint(0, 3), colours.color(QPalette::Base)},
        {"line_right_of_data_cell", {cell(2, 1).right(), cell(2, 1).center().y()}, QColor(192, 192, 192)},
        {"line_under_data_cell", {cell(2, 1).center().x(), cell(2, 1).bottom()}, QColor(192, 192, 192)},
        {"current_cell_window_colour", cell(1, 2).center() + QPoint(20, 3), colours.color(QPalette::Base)},
        {"beyond_last_column", {lastCell.right() + 10, lastCell.center().y()}, QColor(128, 128, 128)},
        {"beyond_last_row", {lastCell.center().x(), lastCell.bottom() + 10}, QColor(128, 128, 128)},
        {"beyond_last_heading", {lastCell.right() + 10, heading.center().y()}, QColor(128, 128, 128)},
        {"beyond_last_row_heading", {rowHeading.center().x(), lastCell.bottom() + 10}, QColor(128, 128, 128)}};
    // clang-format on
    const QImage image = g.grab().toImage();
    for (const Pixel& pixel : pixels) {
        SCOPED_TRACE(pixel.name);
        EXPECT_EQ(image.pixelColor(pixel.at).name(), pixel.colour.name())
            << pixel.at.x() << "," << pixel.at.y();
    }
}

// The current cell's outline: dotted in the text colour while the focus is
// elsewhere (where the next count goes), solid in the highlight colour while the
// grid has the focus (where the keys go), and kept inside a highlighted range.
TEST_F(WindowTest, CurrentCellOutlineShowsTheFocusAndStaysInsideARange) {
    ASSERT_TRUE(active);
    fill(2, {"11", "12", "21", "22"});
    FlexGrid& g = *grid();
    const QPalette colours = QApplication::palette(&g);
    auto cell = [&](int row, int col) { return g.visualRect(g.model()->index(row - 1, col - 1)); };
    // Pixels of `colour` down the left edge of a cell, inside its lines.
    auto edge = [&](const QImage& image, const QRect& box, QPalette::ColorRole colour) {
        int found = 0;
        for (int y = box.top(); y < box.bottom(); ++y)
            found += image.pixelColor(box.left(), y) == colours.color(colour);
        return found;
    };
    const int height = cell(1, 1).height() - 1; // inside the line under the cell

    g.setRow(1);
    g.setCol(1);
    input()->setFocus();
    QImage image = g.viewport()->grab().toImage();
    EXPECT_GE(edge(image, cell(1, 1), QPalette::Text), height / 3);
    EXPECT_LT(edge(image, cell(1, 1), QPalette::Text), 2 * height / 3 + 1); // dotted
    EXPECT_EQ(edge(image, cell(1, 1), QPalette::Highlight), 0);

    g.setFocus();
    image = g.viewport()->grab().toImage();
    EXPECT_EQ(edge(image, cell(1, 1), QPalette::Highlight), height); // solid
    EXPECT_EQ(edge(image, cell(2, 1), QPalette::Highlight), 0);

    // A range dragged from (1, 1) to (2, 2): the current cell (1, 1) keeps its
    // outline, in the highlight's text colour.
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, cell(1, 1).center());
    QTest::mouseMove(g.viewport(), cell(2, 2).center());
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, cell(2, 2).center());
    input()->setFocus();
    image = g.viewport()->grab().toImage();
    EXPECT_GT(edge(image, cell(1, 1), QPalette::HighlightedText), 0);
    EXPECT_EQ(edge(image, cell(2, 1), QPalette::HighlightedText), 0);
    EXPECT_EQ(image.pixelColor(cell(2, 1).center() + QPoint(20, 3)),
              colours.color(QPalette::Highlight));
    EXPECT_EQ(current(), std::make_pair(1, 1)); // where the drag began
}

// Scrolled to its end, the grid shows whole columns and rows beside the fixed ones,
// as everywhere else: no sliver of a cell that looks empty, no second heading line.
TEST_F(WindowTest, ScrolledToTheEndTheGridShowsWholeCells) {
    for (int n : {10, 254}) {
        SCOPED_TRACE(n);
        applySize(QString::number(n));
        FlexGrid& g = *grid();
        g.setRow(n);
        g.setCol(n);
        QApplication::processEvents();
        const int firstColumn = g.columnAt(0), firstRow = g.rowAt(0);
        EXPECT_GT(firstColumn, 0);
        EXPECT_EQ(g.columnViewportPosition(firstColumn), 0);
        EXPECT_EQ(g.rowViewportPosition(firstRow), 0);
        // The last cell is in sight, whole.
        const QRect last = g.visualRect(g.model()->index(n - 1, n - 1));
        EXPECT_TRUE(g.viewport()->rect().contains(last));
        // One black line between the corner and the first heading in sight.
        const QImage image = g.grab().toImage();
        const QRect heading = g.horizontalHeader()->geometry();
        int black = 0;
        for (int x = heading.left() - 3; x < heading.left() + 4; ++x)
            black += image.pixelColor(x, heading.center().y()) == QColor(Qt::black);
        EXPECT_EQ(black, 1);
    }
}

} // namespace
} // namespace brennic::ui::test
