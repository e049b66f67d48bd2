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
    ecuChanged_ = true;
    return map_.SetCell(row, col, value, true) != 0 && link_.IsConnected();
}

bool FittedMapSession::SendMap() { return map_.WriteMainMap().Outcome() == WriteOutcome::Answered; }

bool FittedMapSession::UndoFit() {
    decided_ = true;
    if (!map_.backupValid) return true;
    map_.RestoreBackup();
    // The fit itself never reached the ECU: without a drag or a download since, it still holds
    // the map before the fit.
    if (!ecuChanged_) return true;
    ecuChanged_ = !SendMap();
    return !ecuChanged_;
}

bool FittedMapSession::Download() {
    const uint8_t undoCopy = map_.backupValid;
    ecuChanged_ = true;
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
