#pragma once

#include <string>

#include "ConfCar.h"
#include "ConfigurationModel.h"

namespace zov {

class ComInj;

// The ECU's normal-mode values on disk while an automatic mapping runs, so that a program that
// ends without taking the ECU out of mapping mode (a crash, the PC switched off, a line lost for
// good) still does it at the next connection with the right values: read back from an ECU in
// mapping mode, the vehicle configuration holds the mapping substitutes in their place.
//
// The journal is the vehicle configuration's definition file as it was before the substitutes went
// out, written whole or not at all. It belongs to the ECU whose model and programme it names.
class MappingJournal {
  public:
    // Where a runtime directory keeps it; empty for an empty directory (no journal).
    static std::string PathIn(const std::string& runtimeDirectory);

    explicit MappingJournal(std::string path) : path_(std::move(path)) {}

    // Before the substitutes go out. False when there is no journal to write or it could not be
    // written; the mapping can still run, only without this protection.
    bool Record(ConfCar& car);
    void Clear();
    bool Held() const;

    enum class Resumed {
        NotInMapping,    // the ECU runs normally (a journal of it, left from a leave whose clean-up
                         // failed, is removed)
        Left,            // taken out of mapping mode with the journal's values
        LeftWithoutOwn,  // taken out, but no journal of this ECU: the substitutes stay as values
        NotLeft,         // the ECU could not be reached; the model keeps the leave pending
    };
    // After a session's load: an ECU found in mapping mode (no mapping runs at a connection) is
    // taken out of it, with the journal's normal values when the journal is this ECU's.
    Resumed Resume(ConfigurationModel& model, ComInj& link);

  private:
    // The journal's vehicle configuration when it names this ECU.
    bool ReadOwn(const ConfCar& ecu, ConfCar& before) const;

    std::string path_;
};

}  // namespace zov
