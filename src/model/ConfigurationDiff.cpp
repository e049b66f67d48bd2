#include "ConfigurationDiff.h"

#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "Packaging.h"
#include "TemporaryFiles.h"

namespace zov {
namespace {

template <typename Model>
IoBaseData::LoadResult Parse(Model& model, const std::string& path) {
    model.SetFileName(path);
    return model.ReadDefinitionFile();
}

}  // namespace

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

ConfigurationDiff::LoadError ConfigurationDiff::TakeDefinitionFiles(
    ConfigurationModel& model, const ConfigurationModel::DefinitionFiles& files, const std::string& what) {
    // The vehicle file first: the layouts of the other two follow its ECU version.
    const IoBaseData::LoadResult car = Parse(model.Car(), files.car);
    const IoBaseData::LoadResult map = car.opened && !car.rejected ? Parse(model.Map(), files.map) : car;
    const IoBaseData::LoadResult param =
        map.opened && !map.rejected ? Parse(model.Param(), files.param) : map;
    const struct {
        const char* part;
        const IoBaseData::LoadResult& result;
    } parts[3] = {{"vehicle file", car}, {"map file", map}, {"parameter file", param}};
    for (const auto& p : parts) {
        if (!p.result.opened) return {what + ": cannot read its " + p.part, {}};
        if (p.result.rejected) return {what + ": its " + p.part + " is damaged", p.result.error};
    }
    return {};
}

ConfigurationDiff::LoadError ConfigurationDiff::TakeFiles(ConfigurationModel& model,
                                                          const std::string& source) {
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec))
        return TakeDefinitionFiles(model, ConfigurationModel::DefinitionFiles::In(source), source);
    TemporaryFile car, map, param;
    if (!car.Created() || !map.Created() || !param.Created()) return {"cannot create temporary files", {}};
    const PackResult unpacked = UnpackConfiguration(source, car.Path(), map.Path(), param.Path());
    if (!unpacked) return {unpacked.error, {}};
    return TakeDefinitionFiles(model, {car.Path(), map.Path(), param.Path()}, source);
}

}  // namespace zov
