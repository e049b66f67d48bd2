#pragma once

#include <memory>

#include "ConfigurationModel.h"
#include "DetachedConfiguration.h"
#include "TemporaryFiles.h"

namespace zov {

// A configuration held aside as its three definition files in private scratch files (readable by
// the owner only, gone with the object): what a model held at one moment, to list it, to compare
// it or to put it back.
class ConfigurationSnapshot {
  public:
    ConfigurationSnapshot() = default;
    ConfigurationSnapshot(const ConfigurationSnapshot&) = delete;
    ConfigurationSnapshot& operator=(const ConfigurationSnapshot&) = delete;
    ConfigurationSnapshot(ConfigurationSnapshot&&) = default;
    ConfigurationSnapshot& operator=(ConfigurationSnapshot&&) = default;

    // Writes the model's files; the model keeps its own file names. False, and nothing held, when
    // they cannot be written (a full disk, no private folder).
    bool Take(ConfigurationModel& model);
    bool Held() const { return car_ != nullptr; }
    // Puts the held values into `model` by the parse-and-store step alone: nothing is sent, and the
    // model keeps its file names. An error when nothing is held or a file cannot be read back.
    DefinitionReadError PutInto(ConfigurationModel& model) const;
    void Drop();

    ConfigurationModel::DefinitionFiles Files() const;

  private:
    std::unique_ptr<TemporaryFile> car_, map_, param_;
};

// Gives the model objects their file names back however a scratch write or read went.
class FileNamesKept {
  public:
    explicit FileNamesKept(ConfigurationModel& model);
    ~FileNamesKept();
    FileNamesKept(const FileNamesKept&) = delete;
    FileNamesKept& operator=(const FileNamesKept&) = delete;

  private:
    ConfigurationModel& model_;
    ConfigurationModel::DefinitionFiles names_;
};

}  // namespace zov
