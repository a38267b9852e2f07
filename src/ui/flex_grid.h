// FlexGrid: a display grid of cell texts with one fixed heading row and column,
// addressed the way the window's commands think of it: Rows and Cols count the
// fixed ones too, and the current cell (Row, Col) is the entry cursor. The user
// picks the current cell with a click or the arrow keys but cannot type into it;
// texts change only through setText.
//
// Drawn flat: the fixed row and column in the button colours with black lines
// around every fixed cell, the data cells in the window colours with light grey
// lines, gray beyond the last cell. The current cell keeps the data colours and
// is outlined by a dotted focus rectangle, solid while the grid has the focus;
// only a selection of more than one cell takes the highlight colours. Everything
// is drawn on whole device pixels, so that it is whole at any scale factor.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>
#include <vector>

namespace brennic::ui {

// The data cells as a plain table of texts, stored exactly as entered. Model row
// r and column c are grid row r + 1 and grid column c + 1; the fixed row and
// column are the view's headers.
class FlexGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit FlexGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int dataRows() const { return m_rows; }
    int dataCols() const { return m_cols; }
    // Resizes to `rows` by `cols` data cells; texts inside the new bounds stay.
    void resize(int rows, int cols);
    const QString& text(int row, int col) const { return m_texts[offset(row, col)]; }
    void setText(int row, int col, const QString& text);

  private:
    // Column by column, the order in which a run reads the cells.
    std::size_t offset(int row, int col) const {
        return static_cast<std::size_t>(col) * static_cast<std::size_t>(m_rows) +
               static_cast<std::size_t>(row);
    }
    int m_rows = 0;
    int m_cols = 0;
    std::vector<QString> m_texts;
};

class FlexGrid : public QTableView {
    Q_OBJECT
  public:
    explicit FlexGrid(QWidget* parent = nullptr);

    int Rows() const { return m_model.dataRows() + 1; }
    int Cols() const { return m_model.dataCols() + 1; }
    void setRows(int rows);
    void setCols(int cols);

    int Row() const { return m_row; }
    int Col() const { return m_col; }
    void setRow(int row);
    void setCol(int col);

    // The text of the current cell (empty in a grid without data cells).
    const QString& Text() const;
    void setText(const QString& text);
    // The text of any data cell, without moving the current cell.
    const QString& cellText(int row, int col) const { return m_model.text(row - 1, col - 1); }

    // While a batch is open, moves of the current cell are kept in the grid's own
    // state and shown once when the batch closes: a run over every cell of a large
    // matrix then costs no redrawing per cell.
    class Batch {
      public:
        explicit Batch(FlexGrid& grid) : m_grid(grid) { ++m_grid.m_batchDepth; }
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        FlexGrid& m_grid;
    };

    // The colours the grid draws with, beside those of the palette.
    static QColor dataLineColour() { return QColor(192, 192, 192); }
    static QColor beyondColour() { return QColor(128, 128, 128); }
    static QColor fixedLineColour() { return QColor(0, 0, 0); }

  protected:
    void keyboardSearch(const QString&) override {}
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void keepCurrentInside();
    void wholeCellsAtTheEnd();
    void showCurrent();

    FlexGridModel m_model;
    int m_row = 1;
    int m_col = 1;
    int m_batchDepth = 0;
    bool m_showing = false;
    bool m_dragging = false;
};

} // namespace brennic::ui
