#include "ConfigurationModel.h"

#include <initializer_list>

namespace zov {
namespace {

void Step(const ConfigurationModel::Progress& advance, int percent) {
    if (advance) advance(percent);
}

template <typename Model>
ConfigurationModel::FileOutcome Load(Model& model, const std::string& path) {
    model.SetFileName(path);
    return {path, model.ReadDefinitionFile()};
}

template <typename Model>
bool Save(Model& model, const std::string& path) {
    model.SetFileName(path);
    return model.WriteDefinitionFile();
}

}  // namespace

ConfigurationModel::DefinitionFiles ConfigurationModel::DefinitionFiles::In(const std::string& directory) {
    const std::string base = directory.empty() || directory.back() == '/' ? directory : directory + "/";
    return {base + kCarFile, base + kMapFile, base + kParamFile};
}

void ConfigurationModel::ReadFromEcu(const Progress& advance) {
    auto readMaps = [&](std::initializer_list<int> vars) {
        for (int v : vars) map_.ReadFromEcu(v);
    };
    auto readParams = [&](std::initializer_list<int> vars) {
        for (int v : vars) param_.ReadFromEcu(v);
    };

    Step(advance, 10);
    car_.ReadFromEcu();
    Step(advance, 10);
    car_.ReadAdaptation();
    Step(advance, 10);
    readMaps({111, 105});
    Step(advance, 20);
    readMaps({50, 81});
    Step(advance, 10);
    readMaps({82, 83, 84, 85, 131, 132, 133});
    Step(advance, 10);
    readParams({103, 102, 101});
    Step(advance, 20);
    readParams({100, 110, 106, 107, 51});
    if (car_.VERSIONE_CENTRALINA > 3) readParams({17});
    if (car_.VERSIONE_CENTRALINA > 9) readParams({54, 44, 60});
    Step(advance, 10);
}

ConfigurationModel::LoadOutcome ConfigurationModel::ReadDefinitionFiles(const DefinitionFiles& files,
                                                                        const Progress& advance) {
    // A damaged file stops the load there: the rest of a configuration that cannot be trusted
    // stays out of the model and the ECU.
    LoadOutcome outcome;
    Step(advance, 10);
    outcome.car = Load(car_, files.car);
    Step(advance, 15);
    if (!outcome.car.result.rejected) outcome.map = Load(map_, files.map);
    Step(advance, 30);
    if (!outcome.car.result.rejected && !outcome.map.result.rejected)
        outcome.param = Load(param_, files.param);
    Step(advance, 25);
    if (link_.IsConnected()) car_.ReadFromEcu();
    Step(advance, 10);
    if (link_.IsConnected()) car_.ReadAdaptation();
    Step(advance, 10);
    return outcome;
}

bool ConfigurationModel::WriteDefinitionFiles(const DefinitionFiles& files) {
    const bool car = Save(car_, files.car);
    const bool map = Save(map_, files.map);
    const bool param = Save(param_, files.param);
    return car && map && param;
}

}  // namespace zov
