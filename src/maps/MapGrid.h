#pragma once

#include "CellGrid.h"
#include "MapCursor.h"

namespace zov {

class TFormMappa;

// `DrawGrid1` of the map editor: 21 x 17 cells, row 0 and column 0 the headers. Editing is off in
// mapping mode. The window paints the cells and the cursor disc.
class MapGrid : public CellGrid {
    Q_OBJECT

  public:
    static constexpr int kColumns = 21;
    static constexpr int kRows = 17;

    explicit MapGrid(TFormMappa& form, QWidget* parent = nullptr);

    GridGeometry Geometry() const { return {ColumnWidth(), RowHeight()}; }

  protected:
    void PaintCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) override;
    void PaintOverlay(QPainter& painter) override;

  private:
    TFormMappa& form_;
};

}  // namespace zov
