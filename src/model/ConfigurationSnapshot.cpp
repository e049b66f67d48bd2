#include "ConfigurationSnapshot.h"

namespace zov {

FileNamesKept::FileNamesKept(ConfigurationModel& model)
    : model_(model),
      names_{model.Car().GetFileName(), model.Map().GetFileName(), model.Param().GetFileName()} {}

FileNamesKept::~FileNamesKept() {
    model_.Car().SetFileName(names_.car);
    model_.Map().SetFileName(names_.map);
    model_.Param().SetFileName(names_.param);
}

bool ConfigurationSnapshot::Take(ConfigurationModel& model) {
    Drop();
    auto car = std::make_unique<TemporaryFile>(), map = std::make_unique<TemporaryFile>(),
         param = std::make_unique<TemporaryFile>();
    if (!car->Created() || !map->Created() || !param->Created()) return false;
    bool written = false;
    {
        const FileNamesKept kept(model);
        written = model.WriteDefinitionFiles({car->Path(), map->Path(), param->Path()});
    }
    if (!written) return false;
    car_ = std::move(car);
    map_ = std::move(map);
    param_ = std::move(param);
    return true;
}

DefinitionReadError ConfigurationSnapshot::PutInto(ConfigurationModel& model) const {
    if (!Held()) return {"no configuration held", {}};
    const FileNamesKept kept(model);
    return ReadDefinitionFilesOnly(model, Files(), "the configuration held aside");
}

void ConfigurationSnapshot::Drop() {
    car_.reset();
    map_.reset();
    param_.reset();
}

ConfigurationModel::DefinitionFiles ConfigurationSnapshot::Files() const {
    if (!Held()) return {};
    return {car_->Path(), map_->Path(), param_->Path()};
}

}  // namespace zov
