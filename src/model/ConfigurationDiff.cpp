#include "ConfigurationDiff.h"

#include <filesystem>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "Packaging.h"
#include "Prompter.h"
#include "TemporaryFiles.h"

namespace zov {
namespace {

// A comparison only reads: an obsolete file is never offered for upgrade.
class NeverUpgrade : public Prompter {
  public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptIcon, PromptButtons buttons) override {
        return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::No;
    }
};

// The model a side of a comparison is read into.
struct Side {
    explicit Side(ComInj& link)
        : car(link, ConfigurationModel::kCarFile, prompter),
          map(link, car, ConfigurationModel::kMapFile),
          param(link, car, ConfigurationModel::kParamFile, prompter),
          model(link, map, car, param) {}
    NeverUpgrade prompter;
    ConfCar car;
    ConfMap map;
    ConfParam param;
    ConfigurationModel model;
};

template <typename Model>
IoBaseData::LoadResult Parse(Model& model, const std::string& path) {
    model.SetFileName(path);
    return model.ReadDefinitionFile();
}

ConfigurationDiff::LoadError TakeDefinitionFiles(ConfigurationModel& model,
                                                 const ConfigurationModel::DefinitionFiles& files,
                                                 const std::string& what) {
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

}  // namespace

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
    const auto side = std::make_unique<Side>(link);
    LoadError error = TakeFiles(side->model, source);
    if (!error && !ConfigurationFields::Of(side->model, fields))
        error = {"cannot write " + source + " out for the comparison", {}};
    return error;
}

}  // namespace zov
