#pragma once

#include <cstdint>

#include "ConfigurationModel.h"
#include "ConfigurationSnapshot.h"

namespace zov {

// What the ECU held before the last store of the parameter editor or the map editor, to put it back
// as one more write ("Annulla ultima scrittura"). It describes the ECU only while the model holds
// the same configuration: once the model has read the ECU again (a new session, a reprogramming)
// or taken a configuration from files, it is no longer offered.
class WriteUndo {
  public:
    // What a store sends, and so what an undo sends back.
    enum Part : unsigned {
        kVehicle = 1u,  // vehicle configuration, self-adaptation values, parameter groups
        kMap = 2u,      // speed and pressure axes, the map table
    };

    // Before a store that sends `parts`, while the model still holds what the ECU holds. False when
    // that cannot be held aside; an earlier undo is gone either way, as it no longer describes the
    // ECU once the store has run.
    bool Remember(ConfigurationModel& model, unsigned parts);
    bool Available(const ConfigurationModel& model) const {
        return snapshot_.Held() && generation_ == model.Generation();
    }
    // Puts the held values back into the model and sends them, part by part as the stores send
    // them (the caller makes sure an ECU session is open), then forgets them. An error, and nothing
    // sent, when none is available or it cannot be read back.
    DefinitionReadError Undo(ConfigurationModel& model, const ConfigurationModel::Progress& advance = {});
    void Forget();

  private:
    ConfigurationSnapshot snapshot_;
    unsigned parts_ = 0;
    uint64_t generation_ = 0;
};

}  // namespace zov
