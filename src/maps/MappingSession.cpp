#include "MappingSession.h"

#include "ConfigurationModel.h"
#include "MapFit.h"

namespace zov {

namespace {
constexpr int kMappingPhase = 3;
}  // namespace

WriteOutcome MappingSession::Start(const Progress& progress) {
    ConfMap& map = model_.Map();
    map.mappingPhase = kMappingPhase;
    for (int row = 0; row < ConfMap::kRows; ++row) {
        for (int col = 0; col < ConfMap::kCols; ++col) {
            map.SetCellModified(row, col, 0);
            map.SetCellMark(row, col, 0);
        }
    }
    map.ClearMappingPoints();
    map.pointsChanged = false;
    progress(25);
    journal_.Record(model_.Car());
    model_.ClearRefusedWrites();
    model_.Param().EnterMapping();
    progress(50);
    const WriteOutcome prepared = map.PrepareMapping();
    progress(75);
    const WriteOutcome entered = model_.Car().EnterMapping();
    progress(100);
    return Worse(prepared, entered);
}

bool MappingSession::Leave() {
    left_ = true;
    if (!model_.LeaveMapping()) return false;
    journal_.Clear();
    return true;
}

bool MappingSession::EnsureLeft() {
    if (!left_) return Leave();
    if (model_.LeaveMappingPending()) return false;
    journal_.Clear();
    return true;
}

bool MappingSession::FitMap() {
    ConfMap& map = model_.Map();
    map.SaveBackup();
    return FitMapToPoints(map, map.mappingPoints);
}

WriteOutcome MappingSession::Download() { return model_.Map().SendNewMap().Outcome(); }

}  // namespace zov
