// The grid's drawing after each change must be whole: what the window holds after
// the grid repainted only what changed equals a fresh full repaint of the same
// state. CTest runs these at the scale factors 1, 1.25, 1.5 and 2.
#include <QBackingStore>
#include <QScrollBar>
#include <QWindow>

#include "window_fixture.h"

namespace brennic::ui::test {
namespace {

// The window's pixels as they stand in its backing store, without drawing anything.
// (The offscreen platform's grabWindow cuts a scaled window to its logical size.)
QImage heldPixels(QWidget& window) {
    QPaintDevice* held = window.backingStore()->paintDevice();
    if (held == nullptr || held->devType() != QInternal::Image)
        return {};
    return static_cast<QImage*>(held)->copy();
}

// The window's pixels once every pending update has been drawn: the platform
// draws them from a timer, so wait until two looks in a row agree (a busy
// machine may take a while).
QImage settledPixels(QWidget& window) {
    QImage last = heldPixels(window);
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(20);
        QImage now = heldPixels(window);
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
        const QRect area(
            QPoint(qFloor(box.left() * scale), qFloor(box.top() * scale)),
            QPoint(qCeil((box.right() + 1) * scale) - 1, qCeil((box.bottom() + 1) * scale) - 1));
        int stale = 0; // pixels that differ between the two pictures
        for (int y = area.top(); y <= std::min(area.bottom(), held.height() - 1); ++y)
            for (int x = area.left(); x <= std::min(area.right(), held.width() - 1); ++x)
                stale += held.pixel(x, y) != fresh.pixel(x, y);
        EXPECT_EQ(stale, 0) << "at scale " << scale;
    }
};

TEST_F(GridRepaint, EveryRepaintIsWholeAtThisScaleFactor) {
    ASSERT_TRUE(active);
    applySize("3");
    input()->setFocus();
    expectWhole("applied");
    for (const char* count : {"20", "5", "0", "3", "15", "2", "2", "5"}) {
        commit(count);
        expectWhole(count);
    }
    // The grid takes the focus and gives it back.
    grid()->setFocus();
    expectWhole("grid_focused");
    QTest::keyClick(grid(), Qt::Key_Up);
    expectWhole("moved_by_arrow_key");
    input()->setFocus();
    expectWhole("grid_left");

    // A range dragged with the mouse, then a single cell clicked.
    FlexGrid& g = *grid();
    auto centre = [&](int row, int col) {
        return g.visualRect(g.model()->index(row - 1, col - 1)).center();
    };
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, centre(1, 1));
    QTest::mouseMove(g.viewport(), centre(2, 3));
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, centre(2, 3));
    expectWhole("range_dragged");
    QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, centre(3, 2));
    expectWhole("cell_clicked");

    // A matrix wider and taller than the grid, scrolled to its end and back.
    applySize("10");
    expectWhole("ten_classes");
    g.setRow(10);
    g.setCol(10);
    expectWhole("scrolled_to_the_last_cell");
    commit("7");
    expectWhole("last_cell_written");
    g.horizontalScrollBar()->setValue(g.horizontalScrollBar()->maximum() / 2);
    expectWhole("scrolled_halfway");
    g.setRow(1);
    g.setCol(1);
    expectWhole("back_to_the_first_cell");
}

} // namespace
} // namespace brennic::ui::test
