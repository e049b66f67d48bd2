#include "DetachedConfiguration.h"

namespace zov {
namespace {

template <typename Model>
IoBaseData::LoadResult Parse(Model& model, const std::string& path) {
    model.SetFileName(path);
    return model.ReadDefinitionFile();
}

}  // namespace

PromptAnswer DetachedConfiguration::NeverUpgrade::Ask(const std::string&, const std::string&, PromptIcon,
                                                      PromptButtons buttons) {
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::No;
}

DetachedConfiguration::DetachedConfiguration(ComInj& link)
    : car(link, ConfigurationModel::kCarFile, prompter),
      map(link, car, ConfigurationModel::kMapFile),
      param(link, car, ConfigurationModel::kParamFile, prompter),
      model(link, map, car, param) {}

DefinitionReadError ReadDefinitionFilesOnly(ConfigurationModel& model,
                                            const ConfigurationModel::DefinitionFiles& files,
                                            const std::string& what) {
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

}  // namespace zov
