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

    // The current cell's outline is dotted in the text colour: about every other
    // pixel down its left edge, and none down the edge of a cell that is not current.
    auto dotsDownLeftEdge = [&](const QRect& box) {
        int dots = 0;
        for (int y = box.top() + 1; y < box.bottom() - 1; ++y)
            dots += image.pixelColor(box.left(), y) == colours.color(QPalette::Text);
        return dots;
    };
    const int edge = cell(1, 2).height() - 3;
    EXPECT_GE(dotsDownLeftEdge(cell(1, 2)), edge / 3);
    EXPECT_LE(dotsDownLeftEdge(cell(1, 2)), 2 * edge / 3 + 1);
    EXPECT_EQ(dotsDownLeftEdge(cell(2, 1)), 0);

    // A selection of more than one cell, dragged with the mouse, takes the
    // highlight colours; the cell where the drag began is the current one.
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, cell(1, 1).center() - view);
    QTest::mouseMove(g.viewport(), cell(2, 2).center() - view);
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, cell(2, 2).center() - view);
    const QImage selected = g.grab().toImage();
    for (const QPoint& at : {cell(1, 2).center(), cell(2, 1).center()})
        EXPECT_EQ(selected.pixelColor(at + QPoint(20, 3)).name(),
                  colours.color(QPalette::Highlight).name());
    EXPECT_EQ(current(), std::make_pair(1, 1));
}

} // namespace
} // namespace brennic::ui::test
