#pragma once

#include <string>
#include <vector>

#include "ConfigurationFields.h"
#include "ConfigurationModel.h"

namespace zov {

// Comparing two configurations field by field, and taking a configuration from files for that
// without reaching any ECU.
class ConfigurationDiff {
  public:
    // A field whose values differ; a field only one side has shows an empty value on the other.
    struct Difference {
        std::string key;
        std::string a;
        std::string b;
        bool operator==(const Difference&) const = default;
    };

    // The differing fields in the order of `a`, then the fields only `b` has in its order.
    static std::vector<Difference> Between(const std::vector<ConfigurationField>& a,
                                           const std::vector<ConfigurationField>& b);

    // Why a configuration could not be taken from files; false when it was.
    struct LoadError {
        std::string what;    // the source and the part that failed
        std::string reason;  // the model's reason for a damaged file, in Windows-1252; may be empty
        explicit operator bool() const { return !what.empty(); }
    };

    // Takes a saved configuration (a .zvf file, unpacked into private scratch files) or a folder
    // with the three definition files into `model`, parse and store only: nothing is sent, so the
    // model's link is never used. An obsolete file is taken as the model upgrades it, and is
    // rewritten only when the model's prompter accepts. Every file is checked whole first; on an
    // error the model may hold part of the configuration and must be dropped.
    static LoadError TakeFiles(ConfigurationModel& model, const std::string& source);
    // The same for the three files themselves; `what` names the source in the error.
    static LoadError TakeDefinitionFiles(ConfigurationModel& model,
                                         const ConfigurationModel::DefinitionFiles& files,
                                         const std::string& what);
};

}  // namespace zov
