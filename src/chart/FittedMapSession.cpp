#include "FittedMapSession.h"

#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"

namespace zov {

FittedMapSession::FittedMapSession(ComInj& link, ConfMap& map, ConfCar& car, bool fittedMode)
    : link_(link), map_(map), car_(car), fittedMode_(fittedMode), hasBefore_(map.backupValid != 0) {
    if (hasBefore_) before_ = MapGridOf(map.backup);
    // The fit went to the model only: the ECU still holds the map before it.
    held_ = hasBefore_ ? before_ : MapGridOf(map.CL);
}

bool FittedMapSession::UndoFitAvailable() const { return map_.backupValid != 0; }

bool FittedMapSession::WriteCell(int row, int col, int32_t value) {
    if (map_.cellLocks.Locked(row, col)) return false;
    ecuChanged_ = true;
    capped_[size_t(row)][size_t(col)] = false;
    const bool taken = map_.SetCell(row, col, value, true) != 0 && link_.IsConnected();
    if (taken) held_[size_t(row)][size_t(col)] = map_.GetCell(row, col);
    return taken;
}

int FittedMapSession::CellsToDownload() const { return CellsThatChange(held_, MapGridOf(map_.CL)); }

bool FittedMapSession::SendMap() {
    const bool sent = map_.WriteMainMap().Outcome() == WriteOutcome::Answered;
    if (sent) held_ = MapGridOf(map_.CL);
    return sent;
}

bool FittedMapSession::UndoFit() {
    decided_ = true;
    if (!map_.backupValid) return true;
    capped_ = {};
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
    held_ = MapGridOf(map_.CL);
    decided_ = true;
    return true;
}

MapChangeSummary FittedMapSession::Changes() const {
    const MapTable now = MapGridOf(map_.CL);
    return MapChangeSummary::Between(hasBefore_ ? before_ : now, now, capped_);
}

}  // namespace zov
