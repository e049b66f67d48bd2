#include "FittedMapSession.h"

#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"

namespace zov {

FittedMapSession::FittedMapSession(ComInj& link, ConfMap& map, ConfCar& car, bool fittedMode)
    : link_(link), map_(map), car_(car), fittedMode_(fittedMode), hasBefore_(map.backupValid != 0) {
    if (hasBefore_) before_ = MapGridOf(map.backup);
}

bool FittedMapSession::UndoFitAvailable() const { return map_.backupValid != 0; }

bool FittedMapSession::WriteCell(int row, int col, int32_t value) {
    return map_.SetCell(row, col, value, true) != 0 && link_.IsConnected();
}

void FittedMapSession::UndoFit() {
    map_.RestoreBackup();
    decided_ = true;
}

bool FittedMapSession::Download() {
    const uint8_t undoCopy = map_.backupValid;
    // A map the ECU did not take whole gets no reset: SendNewMap keeps it for the map still there.
    lastDownload_ = map_.SendNewMap();
    if (lastDownload_.Outcome() != WriteOutcome::Answered) {
        // The write takes the undo copy for gone; the ECU never got the new map, so it is not.
        map_.backupValid = undoCopy;
        return false;
    }
    decided_ = true;
    return true;
}

MapChangeSummary FittedMapSession::Changes() const {
    const MapTable now = MapGridOf(map_.CL);
    return MapChangeSummary::Between(hasBefore_ ? before_ : now, now);
}

}  // namespace zov
