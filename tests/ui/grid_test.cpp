// How the grid draws itself, read back from the pixels of a rendered grid, and
// that its drawing after each change is whole: what the window holds after the
// grid repainted only what changed equals a fresh full repaint of the same state.
// CTest runs GridRepaint at the scale factors 1, 1.25, 1.5 and 2.
#include "window_fixture.h"

using namespace brennic::ui::test;

TEST_F(WindowTest, GridDrawsFlatFixedCellsGreyLinesAndADottedCurrentCell) {
    fill(2, {"11", "12", "21", "22"});
    grid()->setRow(1);
    grid()->setCol(2);
    FlexGrid& g = *grid();
    const QPalette colours = QApplication::palette(&g);
    // Places in the grid's own pixels, found through the grid's parts.
    const QPoint view = g.viewport()->geometry().topLeft();
    const QRect heading = g.horizontalHeader()->geometry(),
                rowHeading = g.verticalHeader()->geometry();
    const QRect corner(view.x() - rowHeading.width(), heading.top(), rowHeading.width(),
                       heading.height());
    const QRect first(heading.left(), heading.top(), cell(1, 1).width(), heading.height());
    const QRect data = cell(2, 1).translated(view), at12 = cell(1, 2).translated(view),
                last = cell(2, 2).translated(view);
    const QColor button = colours.color(QPalette::Button), base = colours.color(QPalette::Base),
                 black = Qt::black, grey(192, 192, 192), beyond(128, 128, 128);
    // clang-format off
    const std::tuple<const char*, QPoint, QColor> pixels[] = {
        {"corner_flat", corner.center(), button},
        {"corner_top_left_flat_too", corner.topLeft() + QPoint(2, 2), button},
        {"line_between_corner_and_first_heading", {corner.right(), corner.center().y()}, black},
        {"heading_flat", first.center(), button},
        {"line_under_heading", {first.center().x(), first.bottom()}, black},
        {"line_between_headings", {first.right(), first.center().y()}, black},
        {"line_under_row_heading", {rowHeading.center().x(), at12.bottom()}, black},
        {"data_cell_window_colour", data.center() + QPoint(0, 3), base},
        {"line_right_of_data_cell", {data.right(), data.center().y()}, grey},
        {"line_under_data_cell", {data.center().x(), data.bottom()}, grey},
        {"current_cell_window_colour", at12.center() + QPoint(20, 3), base},
        {"beyond_last_column", {last.right() + 10, last.center().y()}, beyond},
        {"beyond_last_row", {last.center().x(), last.bottom() + 10}, beyond},
        {"beyond_last_heading", {last.right() + 10, heading.center().y()}, beyond},
        {"beyond_last_row_heading", {rowHeading.center().x(), last.bottom() + 10}, beyond}};
    // clang-format on
    const QImage image = g.grab().toImage();
    for (const auto& [name, at, colour] : pixels)
        EXPECT_EQ(image.pixelColor(at).name(), colour.name())
            << name << " " << at.x() << "," << at.y();
}

// The current cell's outline: dotted in the text colour while the focus is
// elsewhere (where the next count goes), solid in the highlight colour while the
// grid has the focus (where the keys go), and kept inside a highlighted range.
TEST_F(WindowTest, CurrentCellOutlineShowsTheFocusAndStaysInsideARange) {
    ASSERT_TRUE(active);
    fill(2, {"11", "12", "21", "22"});
    FlexGrid& g = *grid();
    QImage image;
    // Pixels of `role`'s colour down the left edge of a cell, inside its lines.
    auto edge = [&](const QRect& box, QPalette::ColorRole role) {
        int found = 0;
        for (int y = box.top(); y < box.bottom(); ++y)
            found += image.pixelColor(box.left(), y) == QApplication::palette(&g).color(role);
        return found;
    };
    const int height = cell(1, 1).height() - 1; // inside the line under the cell
    g.setRow(1);
    g.setCol(1);
    input()->setFocus();
    image = g.viewport()->grab().toImage();
    EXPECT_GE(edge(cell(1, 1), QPalette::Text), height / 3);
    EXPECT_LT(edge(cell(1, 1), QPalette::Text), 2 * height / 3 + 1); // dotted
    EXPECT_EQ(edge(cell(1, 1), QPalette::Highlight), 0);
    g.setFocus();
    image = g.viewport()->grab().toImage();
    EXPECT_EQ(edge(cell(1, 1), QPalette::Highlight), height); // solid
    EXPECT_EQ(edge(cell(2, 1), QPalette::Highlight), 0);
    // A range dragged from (1, 1) to (2, 2): the current cell (1, 1) keeps its
    // outline, in the highlight's text colour.
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, cell(1, 1).center());
    QTest::mouseMove(g.viewport(), cell(2, 2).center());
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, cell(2, 2).center());
    input()->setFocus();
    image = g.viewport()->grab().toImage();
    EXPECT_GT(edge(cell(1, 1), QPalette::HighlightedText), 0);
    EXPECT_EQ(edge(cell(2, 1), QPalette::HighlightedText), 0);
    EXPECT_EQ(image.pixelColor(cell(2, 1).center() + QPoint(20, 3)),
              QApplication::palette(&g).color(QPalette::Highlight));
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
        EXPECT_GT(g.columnAt(0), 0);
        EXPECT_EQ(
            std::pair(g.columnViewportPosition(g.columnAt(0)), g.rowViewportPosition(g.rowAt(0))),
            std::pair(0, 0));
        EXPECT_TRUE(g.viewport()->rect().contains(cell(n, n))); // the last cell in sight, whole
        // One black line between the corner and the first heading in sight.
        const QImage image = g.grab().toImage();
        const QRect heading = g.horizontalHeader()->geometry();
        int black = 0;
        for (int x = heading.left() - 3; x < heading.left() + 4; ++x)
            black += image.pixelColor(x, heading.center().y()) == QColor(Qt::black);
        EXPECT_EQ(black, 1);
    }
}

// The window's pixels once every pending update has been drawn, as they stand in
// its backing store (the offscreen platform's grabWindow cuts a scaled window to
// its logical size). The platform draws them from a timer, so wait until two
// looks in a row agree (a busy machine may take a while).
static QImage settledPixels(QWidget& window) {
    auto held = [&] {
        QPaintDevice* device = window.backingStore()->paintDevice();
        return device && device->devType() == QInternal::Image
                   ? static_cast<QImage*>(device)->copy()
                   : QImage();
    };
    QImage last = held();
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(20);
        QImage now = held();
        if (now == last && i >= 2)
            break;
        last = std::move(now);
    }
    return last;
}

class GridRepaint : public WindowTest {
  protected:
    // Compares what the window holds with a full repaint, inside the grid.
    void expectWhole(const char* step) {
        SCOPED_TRACE(step);
        const QImage held = settledPixels(*window);
        // Each widget told itself: the window's own update leaves its children's
        // pixels as they are.
        for (QWidget* part : window->findChildren<QWidget*>())
            part->update();
        window->update();
        const QImage fresh = settledPixels(*window);
        ASSERT_FALSE(held.isNull());
        ASSERT_EQ(held.size(), fresh.size());
        const qreal scale = window->devicePixelRatioF();
        const QRect box(grid()->mapTo(window.get(), QPoint(0, 0)), grid()->size());
        int stale = 0; // pixels that differ between the two pictures
        for (int y = qFloor(box.top() * scale);
             y < std::min(qCeil((box.bottom() + 1) * scale), held.height()); ++y)
            for (int x = qFloor(box.left() * scale);
                 x < std::min(qCeil((box.right() + 1) * scale), held.width()); ++x)
                stale += held.pixel(x, y) != fresh.pixel(x, y);
        EXPECT_EQ(stale, 0) << "at scale " << scale;
    }
};

TEST_F(GridRepaint, EveryRepaintIsWholeAtThisScaleFactor) {
    ASSERT_TRUE(active);
    FlexGrid& g = *grid();
    const auto at = [&](int row, int col) { return cell(row, col).center(); };
    QScrollBar& across = *g.horizontalScrollBar();
    // The worked example typed in; the grid takes the focus and gives it back; a
    // range dragged with the mouse, then a single cell clicked; a matrix wider and
    // taller than the grid, scrolled to its end and back.
    // clang-format off
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"applied", [&] { applySize("3"), input()->setFocus(); }},
        {"20", [&] { commit("20"); }}, {"5", [&] { commit("5"); }}, {"0", [&] { commit("0"); }},
        {"3", [&] { commit("3"); }}, {"15", [&] { commit("15"); }}, {"2", [&] { commit("2"); }},
        {"2_again", [&] { commit("2"); }}, {"5_again", [&] { commit("5"); }},
        {"grid_focused", [&] { grid()->setFocus(); }},
        {"moved_by_arrow_key", [&] { QTest::keyClick(grid(), Qt::Key_Up); }},
        {"grid_left", [&] { input()->setFocus(); }},
        {"range_dragged", [&] {
             QTest::mousePress(g.viewport(), Qt::LeftButton, {}, at(1, 1));
             QTest::mouseMove(g.viewport(), at(2, 3));
             QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, at(2, 3)); }},
        {"cell_clicked", [&] { QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, at(3, 2)); }},
        {"ten_classes", [&] { applySize("10"); }},
        {"scrolled_to_the_last_cell", [&] { g.setRow(10), g.setCol(10); }},
        {"last_cell_written", [&] { commit("7"); }},
        {"scrolled_halfway", [&] { across.setValue(across.maximum() / 2); }},
        {"back_to_the_first_cell", [&] { g.setRow(1), g.setCol(1); }}};
    // clang-format on
    for (const auto& [name, step] : steps) {
        step();
        expectWhole(name);
    }
}
