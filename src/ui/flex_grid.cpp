// The fixed row and column are drawn by the view's headers, so they stay in place
// while a large matrix scrolls; the data cells live in a plain vector of texts.
// The grid draws every cell itself rather than through the style, which would
// shade the headings and fill the current cell with the highlight colour.
#include "flex_grid.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QStyledItemDelegate>

namespace brennic::ui {
namespace {

// A fixed cell: flat in the button colours, a black line on each side. Each cell
// draws its right and bottom lines, and the cells along the grid's outer edge
// their outer line too, so neighbours share one line.
void paintFixedCell(QPainter& painter, const QRect& cell, const QPalette& palette, bool outerLeft,
                    bool outerTop) {
    painter.fillRect(cell, palette.color(QPalette::Button));
    painter.setPen(FlexGrid::fixedLineColour());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    if (outerLeft)
        painter.drawLine(cell.topLeft(), cell.bottomLeft());
    if (outerTop)
        painter.drawLine(cell.topLeft(), cell.topRight());
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
// and bottom, the dotted focus rectangle when it is the current cell.
class DataCells final : public QStyledItemDelegate {
  public:
    // Owned by the grid it draws.
    explicit DataCells(FlexGrid& grid) : QStyledItemDelegate(&grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& palette = option.palette;
        const QRect cell = option.rect;
        const bool highlighted = (option.state & QStyle::State_Selected) &&
                                 m_grid.selectionModel()->selectedIndexes().size() > 1;
        painter->save();
        painter->fillRect(cell, palette.color(highlighted ? QPalette::Highlight : QPalette::Base));

        const QRect inside = cell.adjusted(0, 0, -1, -1);
        const int margin = option.fontMetrics.horizontalAdvance(QLatin1Char('x')) / 2 + 1;
        const QRect textBox = inside.adjusted(margin, 0, -margin, 0);
        painter->setPen(palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                        textBox.width()));

        painter->setPen(FlexGrid::dataLineColour());
        painter->drawLine(cell.topRight(), cell.bottomRight());
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());

        const bool current = index.row() + 1 == m_grid.Row() && index.column() + 1 == m_grid.Col();
        if (current && !highlighted) {
            QPen dots(palette.color(QPalette::Text), 0);
            dots.setDashPattern({1.0, 1.0});
            painter->setPen(dots);
            painter->drawRect(inside.adjusted(0, 0, -1, -1));
        }
        painter->restore();
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

QVariant FlexGridModel::headerData(int, Qt::Orientation, int role) const {
    if (role == Qt::DisplayRole)
        return QString(); // the fixed row and column hold no text
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

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!m_showing && !m_dragging && current.isValid()) {
        // The user picked a cell with the mouse or the keyboard.
        m_row = current.row() + 1;
        m_col = current.column() + 1;
    }
}

} // namespace brennic::ui
