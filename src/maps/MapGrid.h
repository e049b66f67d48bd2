#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

#include "MapCursor.h"

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace zov {

class TFormMappa;

// `DrawGrid1` of the map editor: 21 x 17 cells of one size with a one-pixel line after each, row 0
// and column 0 fixed headers. A range of the other cells is selected with the mouse or the keys;
// double click and Enter ask for an edit while editing is allowed. The window paints the cells and
// the cursor disc.
class MapGrid : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kColumns = 21;
    static constexpr int kRows = 17;

    MapGrid(TFormMappa& form, QWidget* parent = nullptr);

    // Default column width and row height, without the grid line; the grid takes exactly the
    // room of its cells.
    void SetCellSize(int columnWidth, int rowHeight);
    GridGeometry Geometry() const { return geometry_; }
    QRect CellRect(int column, int row) const;

    // Grid coordinates: left and right columns 1..20, top and bottom rows 1..16.
    QRect Selection() const { return selection_; }
    void SetSelection(int anchorColumn, int anchorRow, int column, int row);
    // Mapping mode: no double click, no Enter, so nothing can be edited.
    void SetEditing(bool allowed) { editing_ = allowed; }

  signals:
    void editRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The non-fixed cell under a pixel, or (-1, -1).
    QPoint CellAt(const QPoint& pixel) const;

    TFormMappa& form_;
    GridGeometry geometry_{1, 1};
    QPoint anchor_{1, 1};
    QPoint current_{1, 1};
    QRect selection_{1, 1, 1, 1};
    bool dragging_ = false;
    bool editing_ = true;
};

}  // namespace zov
