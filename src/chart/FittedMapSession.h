#pragma once

#include <cstdint>
#include <string>

#include "ConfMap.h"
#include "MapChangeSummary.h"

namespace zov {

class ComInj;
class ConfCar;

// What the map chart does to the map and the ECU, in the order the ECU needs it: single cells
// written at once, the fit undone from the undo copy, the whole map downloaded followed by the
// reset of the self-adaptation (corrections learnt on the old map are wrong for the new one), and
// the decision that closing the window owes. After each of them the ECU holds the model's map, or
// the caller learns that it does not.
//
// The map as it was before the fit is kept from the start, so the chart can show it beside the
// fitted one even after the undo copy has gone with a download.
class FittedMapSession {
  public:
    // `fittedMode`: the map was just fitted, so closing must end in a download or an undo.
    FittedMapSession(ComInj& link, ConfMap& map, ConfCar& car, bool fittedMode);

    bool FittedMode() const { return fittedMode_; }
    // The map was downloaded or the fit undone.
    bool Decided() const { return decided_; }
    // The undo copy is there to go back to.
    bool UndoFitAvailable() const;
    // Closing asks whether to download.
    bool AsksOnClose() const { return fittedMode_ && !decided_; }

    // Stores one cell (clamped to 0..720) and writes it to the ECU at once. True when the ECU
    // took it. A locked cell (ConfMap::cellLocks) is neither stored nor written: false.
    bool WriteCell(int row, int col, int32_t value);

    // The cells the cap on change bound in the fit, shown until the fit is undone or the cell is
    // moved by hand.
    void SetCapped(const MapFlags& capped) { capped_ = capped; }
    // How many cells the download would change in the ECU: the current map against what the ECU
    // was last known to hold (the map before the fit, the cells sent since, the last download).
    int CellsToDownload() const;

    // Back to the map before the fit. When the ECU may hold something else than that map (cells
    // written while dragging, a download that did not complete), the restored map goes to it as
    // well; true when the ECU holds it. Nothing happens without an undo copy.
    bool UndoFit();

    // The whole map to the ECU (table 50), then the self-adaptation reset. True when both
    // reached the ECU. When they did not, nothing is taken as decided and the undo copy stays, so
    // the installer can try again or go back; the link has already said what went wrong.
    bool Download();
    // What the ECU holds after a download that did not complete: its new rows ("0-4 (5?)").
    std::string NewRowsOfLastDownload() const { return lastDownload_.map.NewRowsText(); }

    // The map before the fit: the undo copy as it was when the session began.
    bool HasBefore() const { return hasBefore_; }
    const MapTable& Before() const { return before_; }
    // The current map against the map before the fit (nothing changed without one).
    MapChangeSummary Changes() const;

  private:
    // The whole main map to the ECU (table 50). True when it arrived.
    bool SendMap();

    ComInj& link_;
    ConfMap& map_;
    ConfCar& car_;
    bool fittedMode_;
    bool decided_ = false;
    bool hasBefore_ = false;
    // Cells or the map went to the ECU since the fit: it may no longer hold the undo copy's map.
    bool ecuChanged_ = false;
    MapTable before_{};
    MapTable held_{};  // what the ECU holds, as far as its answers tell
    MapFlags capped_{};
    ConfMap::NewMap lastDownload_;
};

}  // namespace zov
