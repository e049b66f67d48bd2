#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ConfigurationModel.h"
#include "Packaging.h"

namespace zov {

// One saved backup as its name and header tell it.
struct BackupEntry {
    std::string date;       // "2026-12-10 14:32"
    std::string model;      // MODELLO as saved
    std::string programme;  // NOME_PROGRAMMA as saved
    std::string path;
};

// The configurations saved before reprogramming, in the runtime directory's Config/Backup/ folder.
// A backup is a saved configuration named `2026-12-10_1432_PUNTO12_GPL.zvf`: the local date and
// time, then the vehicle part (model and programme made safe for a file name). Of each vehicle
// part the newest kKeptPerVehicle stay; older ones go only after a new one is safely written, so
// a failed save never costs an old backup.
class ConfigurationBackup {
  public:
    using LocalNow = std::function<std::chrono::local_seconds()>;

    static constexpr int kKeptPerVehicle = 50;

    // `folder`: the Backup folder itself (FolderIn of the runtime directory).
    explicit ConfigurationBackup(std::string folder, LocalNow now = LocalTimeNow);

    static std::string FolderIn(const std::string& runtimeDirectory);
    static std::chrono::local_seconds LocalTimeNow();
    // Only letters, digits, '-' and '_' survive; an empty result is "ECU".
    static std::string SafeNamePart(std::string_view text);
    // "PUNTO12_GPL" for the vehicle configuration of `car`.
    static std::string VehiclePart(const ConfCar& car);

    // Saves the model as a new backup (the folder is created when missing) and thins out that
    // vehicle's older ones. `path` receives the new file's path on success.
    PackResult Save(ConfigurationModel& model, std::string& path) const;
    // Every backup in the folder, newest first.
    std::vector<BackupEntry> List() const;

    const std::string& Folder() const { return folder_; }

  private:
    std::string FreeName(const std::string& stamp, const std::string& vehicle) const;
    void KeepNewest(const std::string& vehicle) const;

    std::string folder_;
    LocalNow now_;
};

}  // namespace zov
