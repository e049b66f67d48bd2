#pragma once

#include <string>
#include <vector>

#include "ConfigurationFields.h"
#include "DetachedConfiguration.h"

namespace zov {

// Comparing two configurations field by field, and reading a configuration from files for that
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

    // Why a configuration could not be read from files; false when it was.
    using LoadError = DefinitionReadError;

    // The fields of a saved configuration (a .zvf file, unpacked into private scratch files) or
    // of a folder with the three definition files. They are taken into a model of their own over
    // `link` by the parse-and-store step alone: nothing is sent, whatever the link's state. Every
    // file is checked whole; an obsolete one is read as the model upgrades it and never
    // rewritten. On an error `fields` is empty.
    static LoadError FieldsOfFiles(ComInj& link, const std::string& source,
                                   std::vector<ConfigurationField>& fields);
    // Takes a saved configuration (a .zvf file or a folder) into `model` by the parse-and-store
    // step alone, as FieldsOfFiles does: nothing is sent. The files are taken in order, the vehicle
    // file first; the first missing or damaged one stops it.
    static LoadError TakeFiles(ConfigurationModel& model, const std::string& source);
};

}  // namespace zov
