#include "MapGrid.h"

#include "TFormMappa.h"

namespace zov {

MapGrid::MapGrid(TFormMappa& form, QWidget* parent) : CellGrid(kColumns, kRows, parent), form_(form) {}

void MapGrid::PaintCell(QPainter& painter, int column, int row, const QRect& rect, bool selected) {
    form_.DrawGrid1DrawCell(painter, column, row, rect, selected);
}

void MapGrid::PaintOverlay(QPainter& painter) { form_.DrawCursor(painter); }

}  // namespace zov
