#include "ConfigurationModel.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "AtomicFileSet.h"

namespace zov {
namespace {

void Step(const ConfigurationModel::Progress& advance, int percent) {
    if (advance) advance(percent);
}

// Reads and checks one file into `image` without touching the model.
template <typename Model, typename Image>
ConfigurationModel::FileOutcome Parse(const std::string& path, Image& image) {
    return {path, Model::ParseDefinitionFile(path, image)};
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

void ConfigurationModel::ClearRefusals() {
    car_.ClearRefusals();
    map_.ClearRefusals();
    param_.ClearRefusals();
}

bool ConfigurationModel::LeaveMapping() {
    const bool reachable = link_.IsConnected();
    // A refused value is in the log; only a session that was not there leaves the leave owed.
    (void)car_.LeaveMapping();
    param_.LeaveMapping();
    leaveMappingPending_ = !(reachable && link_.IsConnected());
    return !leaveMappingPending_;
}

void ConfigurationModel::ReadFromEcu(const Progress& advance) {
    ClearRefusals();
    ++generation_;
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

std::vector<int> ConfigurationModel::Refused(bool reads, bool writes) const {
    std::vector<int> refused;
    auto add = [&](const std::vector<int>& vars) {
        for (int var : vars)
            if (std::find(refused.begin(), refused.end(), var) == refused.end()) refused.push_back(var);
    };
    for (const RefusalLog* log : {&car_.Refusals(), &map_.Refusals(), &param_.Refusals()}) {
        if (reads) add(log->Variables());
        if (writes) add(log->Writes());
    }
    return refused;
}

std::vector<int> ConfigurationModel::RefusedVariables() const { return Refused(true, true); }

std::vector<int> ConfigurationModel::RefusedWrites() const { return Refused(false, true); }

void ConfigurationModel::ClearRefusedWrites() {
    car_.ClearRefusedWrites();
    map_.ClearRefusedWrites();
    param_.ClearRefusedWrites();
}

std::vector<std::string> ConfigurationModel::RefusedVariableLines() const {
    return RefusalLines(RefusedVariables());
}

ConfigurationModel::LoadOutcome ConfigurationModel::TakeDefinitionFiles(const DefinitionFiles& files,
                                                                        const Progress& advance) {
    LoadOutcome outcome;
    Step(advance, 10);
    // The images are large; they live only for this call.
    auto carImage = std::make_unique<ConfCar::DefinitionImage>();
    auto mapImage = std::make_unique<ConfMap::DefinitionImage>();
    auto paramImage = std::make_unique<ConfParam::DefinitionImage>();
    outcome.car = Parse<ConfCar>(files.car, *carImage);
    if (outcome.car.Loaded()) outcome.map = Parse<ConfMap>(files.map, *mapImage);
    if (outcome.map.Loaded()) outcome.param = Parse<ConfParam>(files.param, *paramImage);
    if (!outcome.Loaded()) {
        // A configuration that cannot be trusted whole stays out of the model and the ECU.
        for (int step : {15, 30, 25}) Step(advance, step);
        return outcome;
    }

    // Checked whole: stored and sent file by file, in the load order. From here on the model holds
    // the file's values, not what an earlier read of the ECU could not get.
    ClearRefusals();
    ++generation_;
    car_.SetFileName(files.car);
    // A refusal does not stop the load: the ECU keeps what it takes, and the refusals are listed.
    car_.TakeDefinition(*carImage, outcome.car.result);
    outcome.sent = car_.WriteDefinitionToEcu();
    Step(advance, 15);
    map_.SetFileName(files.map);
    map_.TakeDefinition(*mapImage);
    outcome.sent = Worse(outcome.sent, map_.WriteDefinitionToEcu());
    Step(advance, 30);
    param_.SetFileName(files.param);
    outcome.sent = Worse(outcome.sent, param_.LoadDefinition(*paramImage, outcome.param.result));
    Step(advance, 25);
    return outcome;
}

ConfigurationModel::LoadOutcome ConfigurationModel::ReadDefinitionFiles(const DefinitionFiles& files,
                                                                        const Progress& advance) {
    const LoadOutcome outcome = TakeDefinitionFiles(files, advance);
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

bool ConfigurationModel::WriteDefinitionFileSet(const DefinitionFiles& files) {
    AtomicFileSet set;
    struct Part {
        IoBaseData& model;
        std::function<bool()> write;
        const std::string& target;
    };
    const Part parts[3] = {{car_, [this] { return car_.WriteDefinitionFile(); }, files.car},
                           {map_, [this] { return map_.WriteDefinitionFile(); }, files.map},
                           {param_, [this] { return param_.WriteDefinitionFile(); }, files.param}};
    bool ok = true;
    for (const Part& p : parts) {
        p.model.SetFileName(p.target);
        p.model.WriteIntoSet(&set);
        ok = ok && p.write();
        p.model.WriteIntoSet(nullptr);
    }
    return ok && set.Commit();
}

}  // namespace zov
