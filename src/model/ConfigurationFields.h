#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ConfigurationModel.h"

namespace zov {

class ConfigurationSnapshot;

// One field of a configuration as `zovctl dump` prints it: the definition-file key (numbered
// entries as RIF_LAMBDA_0, map cells as CL_<column>_<row>) and its value as the file holds it,
// texts in Windows-1252 as the files keep them.
struct ConfigurationField {
    std::string key;
    std::string value;
    bool operator==(const ConfigurationField&) const = default;
};

// The field list of a whole configuration. It is the three definition files themselves, so a
// field added to a file is listed, dumped and compared without being named a second time.
class ConfigurationFields {
  public:
    // "#define KEY  value", "#define KEY  \"text\"", "#define KEY_MOD" and "/* #define KEY_MOD */"
    // become KEY=value, KEY=text, KEY_MOD=1 and KEY_MOD=0; nothing for a line that is no definition.
    static std::optional<ConfigurationField> OfDefinitionLine(std::string line);

    // Every field the model holds, in the order of its vehicle, map and parameter files. The files
    // are written to private scratch files; the model keeps its own file names. False (and
    // `fields` empty) when the scratch files cannot be written.
    static bool Of(ConfigurationModel& model, std::vector<ConfigurationField>& fields);
    // The same of a configuration held aside; false when nothing is held.
    static bool Of(const ConfigurationSnapshot& snapshot, std::vector<ConfigurationField>& fields);
};

}  // namespace zov
