#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;

namespace zov {

// A grid of cells of one size with a one-pixel line after each, row 0 and column 0 fixed headers,
// as the map editors draw theirs. A range of the other cells is selected with the mouse or the
// keys; double click and Enter ask for an edit while editing is allowed. What a cell shows, and
// what is drawn over the cells, belongs to the window: it paints them through PaintCell and
// PaintOverlay.
class CellGrid : public QWidget {
    Q_OBJECT

  public:
    CellGrid(int columns, int rows, QWidget* parent = nullptr);

    // Default column width and row height, without the grid line; the grid takes exactly the
    // room of its cells.
    void SetCellSize(int columnWidth, int rowHeight);
    int ColumnWidth() const { return columnWidth_; }
    int RowHeight() const { return rowHeight_; }
    // A cell without its grid line, in the grid's pixels.
    QRect CellRect(int column, int row) const;

    // Grid coordinates of the selected range: columns 1..columns-1, rows 1..rows-1.
    QRect Selection() const { return selection_; }
    // Limited to the non-fixed cells; `anchor` is the corner that stays when the range grows.
    void SetSelection(int anchorColumn, int anchorRow, int column, int row);
    // Without editing (a map being acquired) double click and Enter ask for nothing.
    void SetEditing(bool allowed) { editing_ = allowed; }

  signals:
    void editRequested();

  protected:
    virtual void PaintCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) = 0;
    virtual void PaintOverlay(QPainter& painter) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The non-fixed cell under a pixel, or (-1, -1).
    QPoint CellAt(const QPoint& pixel) const;

    const int columns_;
    const int rows_;
    int columnWidth_ = 1;
    int rowHeight_ = 1;
    QPoint anchor_{1, 1};
    QPoint current_{1, 1};
    QRect selection_{1, 1, 1, 1};
    bool dragging_ = false;
    bool editing_ = true;
};

}  // namespace zov
