#include "MapCursor.h"

#include "ConfMap.h"
#include "MapBounds.h"

namespace zov {

bool MapCursor::Due(int32_t rpm, int32_t map) {
    if (rpm == lastRpm_ && map == lastMap_) {
        if (unchangedTicks_++ < kThinningTicks) return false;
    }
    lastRpm_ = rpm;
    lastMap_ = map;
    unchangedTicks_ = 0;
    return true;
}

void MapCursor::Place(int32_t rpm, int32_t map, const MapBounds& bounds, const ConfMap& model,
                      const GridGeometry& grid) {
    column_ = bounds.ColumnOf(rpm);
    row_ = bounds.RowOf(map);
    const int left = grid.CellLeft(column_ + 1);
    const int top = grid.CellTop(row_ + 1);
    const int right = left + grid.columnWidth;
    const int bottom = top + grid.rowHeight;
    const int halfWidth = (right - left) / 2;
    const int halfHeight = (bottom - top) / 2;

    x_ = bounds.BeyondLastColumn(rpm)
             ? right
             : left + MapBounds::Offset(rpm, bounds.Column(column_), model.GetRpm(column_),
                                        bounds.Column(column_ + 1), halfWidth);
    y_ = bounds.BeyondLastRow(map) ? bottom
                                   : top + MapBounds::Offset(map, bounds.Row(row_), model.GetMap(row_),
                                                             bounds.Row(row_ + 1), halfHeight);
}

}  // namespace zov
