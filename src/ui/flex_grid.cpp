// The fixed row and column are drawn by the view's headers, so they stay in place
// while a large matrix scrolls; the data cells live in a plain vector of texts.
// The grid draws every cell itself rather than through the style, which would
// shade the headings and fill the current cell with the highlight colour.
#include "ui/flex_grid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

namespace brennic::ui {
namespace {

// Drawing on whole device pixels. At a fractional scale factor (125%, 150%) a
// rectangle or line given in logical pixels lands on a fraction of a device pixel
// and is rounded differently each time it is drawn, so neighbouring cells overlap
// or leave gaps and a partial repaint cannot reproduce a full one. Here every
// cell edge is rounded once, from its logical position, so neighbours share their
// edge exactly; every line is a whole number of device pixels wide, the same
// everywhere; and each device pixel belongs to exactly one cell.
class DevicePixels {
  public:
    explicit DevicePixels(QPainter& painter)
        : m_painter(painter), m_scale(painter.device()->devicePixelRatioF()) {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setWorldTransform(QTransform::fromScale(1.0 / m_scale, 1.0 / m_scale) *
                                    m_painter.worldTransform());
    }
    ~DevicePixels() { m_painter.restore(); }
    DevicePixels(const DevicePixels&) = delete;
    DevicePixels& operator=(const DevicePixels&) = delete;

    // The device pixels of a cell given in logical pixels.
    QRect cell(const QRect& logical) const {
        const int left = at(logical.left()), top = at(logical.top());
        return QRect(left, top, at(logical.left() + logical.width()) - left,
                     at(logical.top() + logical.height()) - top);
    }
    // One line's width: one device pixel, two at twice the size and so on.
    int line() const { return std::max(1, static_cast<int>(m_scale + 1e-9)); }

    void fill(const QRect& box, const QColor& colour) { m_painter.fillRect(box, colour); }
    void rightLine(const QRect& box, const QColor& colour) {
        fill(QRect(box.right() + 1 - line(), box.top(), line(), box.height()), colour);
    }
    void bottomLine(const QRect& box, const QColor& colour) {
        fill(QRect(box.left(), box.bottom() + 1 - line(), box.width(), line()), colour);
    }
    void leftLine(const QRect& box, const QColor& colour) {
        fill(QRect(box.left(), box.top(), line(), box.height()), colour);
    }
    void topLine(const QRect& box, const QColor& colour) {
        fill(QRect(box.left(), box.top(), box.width(), line()), colour);
    }
    // The focus rectangle along the inside of `box`: dotted (one dot of a line's
    // width, one gap) or solid.
    void focusRectangle(const QRect& box, const QColor& colour, bool solid, int width) {
        if (box.width() < 2 * width || box.height() < 2 * width)
            return;
        if (solid) {
            fill(QRect(box.left(), box.top(), box.width(), width), colour);
            fill(QRect(box.left(), box.bottom() + 1 - width, box.width(), width), colour);
            fill(QRect(box.left(), box.top(), width, box.height()), colour);
            fill(QRect(box.right() + 1 - width, box.top(), width, box.height()), colour);
            return;
        }
        const int dot = line();
        for (int x = box.left(); x + dot <= box.right() + 1; x += 2 * dot) {
            fill(QRect(x, box.top(), dot, dot), colour);
            fill(QRect(x, box.bottom() + 1 - dot, dot, dot), colour);
        }
        for (int y = box.top(); y + dot <= box.bottom() + 1; y += 2 * dot) {
            fill(QRect(box.left(), y, dot, dot), colour);
            fill(QRect(box.right() + 1 - dot, y, dot, dot), colour);
        }
    }

  private:
    int at(int logical) const { return static_cast<int>(std::lround(logical * m_scale)); }

    QPainter& m_painter;
    qreal m_scale;
};

// A fixed cell: flat in the button colours, a black line on each side. Each cell
// draws its right and bottom lines, and the cells along the grid's outer edge
// their outer line too, so neighbours share one line.
void paintFixedCell(QPainter& painter, const QRect& cell, const QPalette& palette, bool outerLeft,
                    bool outerTop) {
    DevicePixels device(painter);
    const QRect box = device.cell(cell);
    const QColor black = FlexGrid::fixedLineColour();
    device.fill(box, palette.color(QPalette::Button));
    device.rightLine(box, black);
    device.bottomLine(box, black);
    if (outerLeft)
        device.leftLine(box, black);
    if (outerTop)
        device.topLine(box, black);
}

// The fixed row (horizontal) or column (vertical). Beyond its last cell it is
// gray like the rest of the grid.
class FixedCells final : public QHeaderView {
  public:
    FixedCells(Qt::Orientation orientation, QWidget* grid) : QHeaderView(orientation, grid) {}

  protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), FlexGrid::beyondColour());
        const bool horizontal = orientation() == Qt::Horizontal;
        for (int visual = 0; visual < count(); ++visual) {
            const int logical = logicalIndex(visual);
            const int at = sectionViewportPosition(logical);
            const QRect cell = horizontal ? QRect(at, 0, sectionSize(logical), viewport()->height())
                                          : QRect(0, at, viewport()->width(), sectionSize(logical));
            if (cell.intersects(event->rect()))
                paintFixedCell(painter, cell, parentWidget()->palette(), !horizontal, horizontal);
        }
    }
};

// A data cell: its text in the window colours, a light grey line at its right
// and bottom, and the focus rectangle when it is the current cell: dotted, and
// solid and twice as wide while the grid has the keyboard focus, so that the
// user sees both where the next count goes and where the keys go. Inside a
// highlighted range the current cell keeps its rectangle, in the highlight's
// text colour.
class DataCells final : public QStyledItemDelegate {
  public:
    // Owned by the grid it draws.
    explicit DataCells(FlexGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& palette = option.palette;
        const bool highlighted = (option.state & QStyle::State_Selected) &&
                                 m_grid.selectionModel()->selectedIndexes().size() > 1;
        const QColor ink = palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text);

        DevicePixels device(*painter);
        const QRect box = device.cell(option.rect);
        const int line = device.line();
        device.fill(box, palette.color(highlighted ? QPalette::Highlight : QPalette::Base));
        // Inside the grid lines, in device pixels.
        const QRect inside = box.adjusted(0, 0, -line, -line);

        // The text in logical pixels, clipped to the cell's inside: a cell cut off
        // by the edge of the grid shows the part of its text that is in sight.
        {
            painter->save();
            painter->setClipRect(inside, Qt::IntersectClip);
            const qreal scale = painter->device()->devicePixelRatioF();
            painter->setWorldTransform(QTransform::fromScale(scale, scale) *
                                       painter->worldTransform());
            const QRect textInside = option.rect.adjusted(0, 0, -1, -1);
            const int margin = option.fontMetrics.horizontalAdvance(QLatin1Char('x')) / 2 + 1;
            const QRect textBox = textInside.adjusted(margin, 0, -margin, 0);
            painter->setPen(ink);
            painter->setFont(option.font);
            painter->drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter,
                              option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                            textBox.width()));
            painter->restore();
        }

        device.rightLine(box, FlexGrid::dataLineColour());
        device.bottomLine(box, FlexGrid::dataLineColour());

        const bool current = index.row() + 1 == m_grid.Row() && index.column() + 1 == m_grid.Col();
        if (current) {
            const bool focused = m_grid.hasFocus();
            device.focusRectangle(inside,
                                  focused ? palette.color(highlighted ? QPalette::HighlightedText
                                                                      : QPalette::Highlight)
                                          : ink,
                                  focused, 2 * line);
        }
    }

  private:
    const FlexGrid& m_grid;
};

} // namespace

FlexGridModel::FlexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

int FlexGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int FlexGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_cols;
}

QVariant FlexGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    return {};
}

QVariant FlexGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole)
        return QString(); // the fixed row and column hold no text
    // A screen reader names each cell by its row and column.
    if (role == Qt::AccessibleTextRole)
        return (orientation == Qt::Horizontal ? QStringLiteral("Column %1")
                                              : QStringLiteral("Row %1"))
            .arg(section + 1);
    return {};
}

Qt::ItemFlags FlexGridModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FlexGridModel::resize(int rows, int cols) {
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    if (rows == m_rows && cols == m_cols)
        return;
    std::vector<QString> texts(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols));
    for (int r = 0; r < std::min(rows, m_rows); ++r)
        for (int c = 0; c < std::min(cols, m_cols); ++c)
            texts[static_cast<std::size_t>(c) * static_cast<std::size_t>(rows) +
                  static_cast<std::size_t>(r)] = std::move(m_texts[offset(r, c)]);
    beginResetModel();
    m_rows = rows;
    m_cols = cols;
    m_texts = std::move(texts);
    endResetModel();
}

void FlexGridModel::setText(int row, int col, const QString& text) {
    m_texts[offset(row, col)] = text;
    const QModelIndex at = index(row, col);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

FlexGrid::Batch::~Batch() {
    if (--m_grid.m_batchDepth == 0)
        m_grid.showCurrent();
}

FlexGrid::FlexGrid(QWidget* parent) : QTableView(parent) {
    setHorizontalHeader(new FixedCells(Qt::Horizontal, this));
    setVerticalHeader(new FixedCells(Qt::Vertical, this));
    setItemDelegate(new DataCells(*this));
    setModel(&m_model);
    m_model.resize(2, 2);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A range of cells can be selected with the mouse, as in any grid; the
    // commands use only the current cell.
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // The cells draw their own lines.
    setShowGrid(false);

    // Rows and columns keep the grid's default sizes; the user cannot resize them.
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
    }
    horizontalHeader()->setDefaultSectionSize(64);
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setFixedWidth(64);
    horizontalHeader()->setFixedHeight(16);

    // Beyond the last cell the grid is gray; the data cells paint their own
    // background in the window colours.
    QPalette beyond = viewport()->palette();
    beyond.setColor(QPalette::Base, beyondColour());
    viewport()->setPalette(beyond);
    // The corner cell, where the fixed row and column meet, is drawn like them.
    if (auto* corner = findChild<QAbstractButton*>())
        corner->installEventFilter(this);

    showCurrent();
}

bool FlexGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && qobject_cast<QAbstractButton*>(watched)) {
        auto* corner = static_cast<QWidget*>(watched);
        QPainter painter(corner);
        paintFixedCell(painter, corner->rect(), palette(), true, true);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void FlexGrid::setRows(int rows) {
    m_model.resize(std::max(rows, 1) - 1, m_model.dataCols());
    keepCurrentInside();
}

void FlexGrid::setCols(int cols) {
    m_model.resize(m_model.dataRows(), std::max(cols, 1) - 1);
    keepCurrentInside();
}

void FlexGrid::setRow(int row) {
    m_row = row;
    keepCurrentInside();
}

void FlexGrid::setCol(int col) {
    m_col = col;
    keepCurrentInside();
}

const QString& FlexGrid::Text() const {
    static const QString none;
    if (m_row < 1 || m_col < 1 || m_row >= Rows() || m_col >= Cols())
        return none;
    return m_model.text(m_row - 1, m_col - 1);
}

void FlexGrid::setText(const QString& text) {
    if (m_row < 1 || m_col < 1 || m_row >= Rows() || m_col >= Cols())
        return;
    m_model.setText(m_row - 1, m_col - 1, text);
}

void FlexGrid::keepCurrentInside() {
    m_row = std::clamp(m_row, 1, std::max(1, Rows() - 1));
    m_col = std::clamp(m_col, 1, std::max(1, Cols() - 1));
    if (m_batchDepth == 0)
        showCurrent();
}

void FlexGrid::showCurrent() {
    const QModelIndex at = m_model.index(m_row - 1, m_col - 1);
    if (!at.isValid() || at == currentIndex())
        return;
    m_showing = true;
    setCurrentIndex(at);
    m_showing = false;
}

void FlexGrid::mousePressEvent(QMouseEvent* event) {
    m_dragging = false;
    QTableView::mousePressEvent(event);
}

void FlexGrid::mouseMoveEvent(QMouseEvent* event) {
    // Dragging selects a range of cells; the cell where the drag began stays the
    // current one.
    m_dragging = event->buttons() & Qt::LeftButton;
    QTableView::mouseMoveEvent(event);
}

void FlexGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    m_dragging = false;
}

void FlexGrid::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    wholeCellsAtTheEnd();
}

void FlexGrid::updateGeometries() {
    QTableView::updateGeometries();
    wholeCellsAtTheEnd();
}

void FlexGrid::wholeCellsAtTheEnd() {
    // Scrolled to its end, the view would put the last column against the right
    // edge and leave a sliver of a column beside the fixed one: a strip of cells
    // that seem empty, and two heading lines side by side where the sliver is a
    // pixel or two wide. Whole columns and rows instead, with gray beyond the
    // last, as at every other scroll position.
    bool moved = false;
    for (auto [header, bar] : {std::pair{horizontalHeader(), horizontalScrollBar()},
                               std::pair{verticalHeader(), verticalScrollBar()}}) {
        if (bar->maximum() > 0 && bar->value() == bar->maximum() &&
            header->offset() != header->sectionPosition(bar->value())) {
            header->setOffsetToSectionPosition(bar->value());
            moved = true;
        }
    }
    if (moved)
        viewport()->update();
}

// The view updates only the rectangles of the cells that changed, in logical
// pixels; at a fractional scale factor they round to fewer device pixels than the
// cells' own edges cover, and pieces of an old focus rectangle would stay. The
// visible cells are few, so each change repaints all of them.
void FlexGrid::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    viewport()->update();
}

void FlexGrid::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update(); // the focus rectangle turns solid
}

void FlexGrid::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    viewport()->update();
    if (!m_showing && !m_dragging && current.isValid()) {
        // The user picked a cell with the mouse or the keyboard.
        m_row = current.row() + 1;
        m_col = current.column() + 1;
    }
}

} // namespace brennic::ui
