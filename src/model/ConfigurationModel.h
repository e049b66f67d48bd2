#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"

namespace zov {

// The three parts of the model together, for the operations that move all of them at once: the
// connect-time load from the ECU and the three definition files of a saved configuration. The
// main window, zovctl and the tests share these, so each order lives in one place.
class ConfigurationModel {
  public:
    // Percentages handed on as an operation goes; they add up to 100.
    using Progress = std::function<void(int step)>;

    static constexpr const char* kCarFile = "fileh0.h";
    static constexpr const char* kMapFile = "filemap0.map";
    static constexpr const char* kParamFile = "filepar0.dat";

    // Where the three definition files of one configuration are.
    struct DefinitionFiles {
        std::string car, map, param;
        // The standard names inside `directory`.
        static DefinitionFiles In(const std::string& directory);
    };

    // What became of one definition file.
    struct FileOutcome {
        std::string path;
        IoBaseData::LoadResult result;
        bool Loaded() const { return result.opened && !result.rejected; }
    };
    struct LoadOutcome {
        FileOutcome car, map, param;
        // The worst outcome of the writes to the ECU; what was refused is in RefusedVariables.
        WriteOutcome sent = WriteOutcome::Answered;
        bool Loaded() const { return car.Loaded() && map.Loaded() && param.Loaded(); }
    };

    ConfigurationModel(ComInj& link, ConfMap& map, ConfCar& car, ConfParam& param)
        : link_(link), map_(map), car_(car), param_(param) {}

    // Reads the whole ECU: the vehicle configuration, the self-adaptation, the map groups, then the
    // parameter groups allowed by the ECU's version. Link errors are handled by the link; the
    // sequence goes on to its end (what the ECU refused is listed by RefusedVariables).
    void ReadFromEcu(const Progress& advance = {});
    // The variables the ECU refused since the last ReadFromEcu or TakeDefinitionFiles, reads and
    // then writes, each once: their values in the model are not the ECU's. A load that had
    // refusals went on to its end (the ECU keeps the rest) and ends as incomplete.
    std::vector<int> RefusedVariables() const;
    // The writes alone, since the last ClearRefusedWrites (a store starts with it).
    std::vector<int> RefusedWrites() const;
    void ClearRefusedWrites();
    // One line per refused variable, "N (NAME)", for the messages that list them.
    std::vector<std::string> RefusedVariableLines() const;

    // Takes a configuration whole or not at all: the three definition files are read and checked
    // completely (stopping at the first one missing or damaged) before anything reaches the
    // model or the ECU. Only then are they stored (an obsolete file may be upgraded on the way)
    // and sent in the load order: vehicle, maps (with the self-adaptation reset), parameters.
    // The model objects then keep `files` as their file names.
    LoadOutcome TakeDefinitionFiles(const DefinitionFiles& files, const Progress& advance = {});
    // Loads a configuration (TakeDefinitionFiles), then, while connected, reads the vehicle
    // configuration and the self-adaptation back as the ECU now holds them.
    LoadOutcome ReadDefinitionFiles(const DefinitionFiles& files, const Progress& advance = {});
    // Writes the three definition files; false when any of them could not be written.
    bool WriteDefinitionFiles(const DefinitionFiles& files);
    // Writes the three definition files as one AtomicFileSet: all three new, or, when any cannot
    // be written or replaced, all three as they were.
    bool WriteDefinitionFileSet(const DefinitionFiles& files);

    // Changes whenever the model takes a whole configuration (a read of the ECU, a load): what was
    // held about an earlier one (an undo) no longer describes the ECU.
    uint64_t Generation() const { return generation_; }
    // Takes the ECU out of the automatic mapping's mode: LeaveMapping of the vehicle configuration
    // (the normal values in place of the substitutes, the mapping bit of the configuration register
    // cleared and written) and of the parameters. True when the ECU took it. Otherwise (no session,
    // or the session was lost on the way) the ECU may still be in mapping mode: LeaveMappingPending
    // holds until a later call reaches it, which the session does as soon as it is open again.
    bool LeaveMapping();
    bool LeaveMappingPending() const { return leaveMappingPending_; }

    ConfMap& Map() { return map_; }
    ConfCar& Car() { return car_; }
    ConfParam& Param() { return param_; }

  private:
    void ClearRefusals();
    std::vector<int> Refused(bool reads, bool writes) const;

    ComInj& link_;
    ConfMap& map_;
    ConfCar& car_;
    ConfParam& param_;
    uint64_t generation_ = 0;
    bool leaveMappingPending_ = false;
};

}  // namespace zov
