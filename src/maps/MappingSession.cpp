#include "MappingSession.h"

#include "ConfigurationModel.h"
#include "MapFit.h"

namespace zov {

namespace {
constexpr int kMappingPhase = 3;
}  // namespace

MappingSession::MappingSession(ConfigurationModel& model, std::string journalPath)
    : model_(model), journal_(std::move(journalPath)), startMap_(CellsOfMap(model.Map())) {}

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
    startMap_ = CellsOfMap(map);
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

bool MappingSession::FitMap(int maxChangePct, bool capped) {
    ConfMap& map = model_.Map();
    map.SaveBackup();
    limit_ = {};
    if (!FitMapToPoints(map, map.mappingPoints)) return false;
    limit_ = LimitMapChange(map, startMap_, capped ? maxChangePct : 0, map.cellLocks);
    return true;
}

WriteOutcome MappingSession::Download() { return model_.Map().SendNewMap().Outcome(); }

}  // namespace zov
