#include "ConfigurationDiff.h"

#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "Packaging.h"
#include "TemporaryFiles.h"

namespace zov {

ConfigurationDiff::LoadError ConfigurationDiff::TakeFiles(ConfigurationModel& model,
                                                          const std::string& source) {
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec))
        return ReadDefinitionFilesOnly(model, ConfigurationModel::DefinitionFiles::In(source), source);
    TemporaryFile car, map, param;
    if (!car.Created() || !map.Created() || !param.Created()) return {"cannot create temporary files", {}};
    const PackResult unpacked = UnpackConfiguration(source, car.Path(), map.Path(), param.Path());
    if (!unpacked) return {unpacked.error, {}};
    return ReadDefinitionFilesOnly(model, {car.Path(), map.Path(), param.Path()}, source);
}

std::vector<ConfigurationDiff::Difference> ConfigurationDiff::Between(
    const std::vector<ConfigurationField>& a, const std::vector<ConfigurationField>& b) {
    std::unordered_map<std::string, const std::string*> valueInB;
    for (const ConfigurationField& f : b) valueInB.emplace(f.key, &f.value);
    std::unordered_set<std::string> keysOfA;
    std::vector<Difference> differences;
    for (const ConfigurationField& f : a) {
        keysOfA.insert(f.key);
        const auto other = valueInB.find(f.key);
        if (other == valueInB.end())
            differences.push_back({f.key, f.value, {}});
        else if (*other->second != f.value)
            differences.push_back({f.key, f.value, *other->second});
    }
    for (const ConfigurationField& f : b)
        if (!keysOfA.count(f.key)) differences.push_back({f.key, {}, f.value});
    return differences;
}

ConfigurationDiff::LoadError ConfigurationDiff::FieldsOfFiles(ComInj& link, const std::string& source,
                                                              std::vector<ConfigurationField>& fields) {
    fields.clear();
    // The model objects are large.
    const auto side = std::make_unique<DetachedConfiguration>(link);
    LoadError error = TakeFiles(side->model, source);
    if (!error && !ConfigurationFields::Of(side->model, fields))
        error = {"cannot write " + source + " out for the comparison", {}};
    return error;
}

}  // namespace zov
