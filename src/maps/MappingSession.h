#pragma once

#include <functional>
#include <string>

#include "MapChangeLimit.h"
#include "MappingJournal.h"
#include "WriteOutcome.h"

namespace zov {

class ConfigurationModel;

// The automatic mapping's exchanges with the ECU, from the start to the way out, and the one rule
// that binds them: the ECU entered mapping mode before the map editor opened (the remapping
// function set its register bit), so every way out of the editor — the exit button, the close box,
// the time-out, a lost session, a failed fit, an exception — ends with Leave. When the ECU cannot
// be reached then, the model keeps the leave pending and the next session puts it right.
class MappingSession {
  public:
    // Called with 25, 50, 75 and 100 as the start goes on.
    using Progress = std::function<void(int percent)>;

    // `journalPath` keeps the ECU's normal values on disk while the mapping runs (MappingJournal);
    // empty: no journal.
    explicit MappingSession(ConfigurationModel& model, std::string journalPath = {});

    // The start of an automatic mapping: the mapping phase, no cell flags or marks, no points; then
    // the parameters' and the map's preparation (the map re-gridded onto the default axes and sent)
    // and the vehicle configuration's mapping substitutes with the register bit. The journal is
    // written before the first substitute goes out.
    // Not Answered: the ECU did not take all of it (the refusals are in the model's RefusedWrites),
    // and the mapping must not run; the caller leaves.
    WriteOutcome Start(const Progress& progress);
    // LeaveMapping of the vehicle configuration and the parameters, register written. True when the
    // ECU took it (the journal then goes); false leaves it pending for the next session.
    bool Leave();
    // Leave unless it has been done since the editor opened: the last step of every way out.
    // True when nothing more is owed to the ECU.
    bool EnsureLeft();
    bool Left() const { return left_; }

    // The fit of the collected points into the whole map (the model only), the map as it was kept
    // as the undo copy first. False, with the map unchanged, when the points do not make a surface.
    // The fitted map is then bound to the map the ECU held when this session started (after the
    // re-gridding of the start): no cell further than `maxChangePct` percent from it unless
    // `capped` is false (the installer lifted the cap for one download), locked cells at their
    // starting value always. Every pass measures from the same start, so passes cannot add up.
    bool FitMap(int maxChangePct, bool capped = true);
    // What the last fit's binding did: the capped cells and the locked ones put back.
    const MapChangeLimit& Limit() const { return limit_; }
    // The map at the start of this session; before a start, the map as the window found it.
    const MapCells& StartMap() const { return startMap_; }
    // The fitted map to the ECU (table 50) and the self-adaptation counters reset, since they were
    // learnt on the map it replaces (ConfMap::SendNewMap).
    WriteOutcome Download();

  private:
    ConfigurationModel& model_;
    MappingJournal journal_;
    bool left_ = false;
    MapCells startMap_{};
    MapChangeLimit limit_;
};

}  // namespace zov
