// The fixed row and column are drawn by the view's headers, so they stay in place
// while a large matrix scrolls; the data cells live in a plain vector of texts.
#include "flex_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>

namespace brennic::ui {

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
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::BackgroundRole:
        return QApplication::palette().color(QPalette::Base);
    case Qt::ForegroundRole:
        return QApplication::palette().color(QPalette::Text);
    default:
        return {};
    }
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
    setModel(&m_model);
    m_model.resize(2, 2);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);

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

    // Beyond the last cell the grid is gray, also beside and below the fixed row
    // and column; the data cells paint their own background.
    const QColor beyond(128, 128, 128);
    QPalette p = palette();
    p.setColor(QPalette::Base, beyond);
    setPalette(p);
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        QPalette hp = header->palette();
        hp.setColor(QPalette::Window, beyond);
        hp.setColor(QPalette::Base, beyond);
        header->setPalette(hp);
        header->setAutoFillBackground(true);
    }
    setStyleSheet(QStringLiteral("QTableView { gridline-color: rgb(192, 192, 192); }"));

    showCurrent();
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

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (!m_showing && current.isValid()) {
        // The user picked a cell with the mouse or the keyboard.
        m_row = current.row() + 1;
        m_col = current.column() + 1;
    }
}

} // namespace brennic::ui
