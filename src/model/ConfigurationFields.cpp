#include "ConfigurationFields.h"

#include <fstream>

#include "TemporaryFiles.h"

namespace zov {
namespace {

// Gives the model objects their file names back however the scratch write went.
class FileNamesKept {
  public:
    explicit FileNamesKept(ConfigurationModel& model)
        : model_(model),
          names_{model.Car().GetFileName(), model.Map().GetFileName(), model.Param().GetFileName()} {}
    ~FileNamesKept() {
        model_.Car().SetFileName(names_.car);
        model_.Map().SetFileName(names_.map);
        model_.Param().SetFileName(names_.param);
    }
    FileNamesKept(const FileNamesKept&) = delete;
    FileNamesKept& operator=(const FileNamesKept&) = delete;

  private:
    ConfigurationModel& model_;
    ConfigurationModel::DefinitionFiles names_;
};

bool AppendFieldsOfFile(const std::string& path, std::vector<ConfigurationField>& fields) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    for (std::string line; std::getline(in, line);)
        if (auto field = ConfigurationFields::OfDefinitionLine(std::move(line))) fields.push_back(*field);
    return !in.bad();
}

}  // namespace

std::optional<ConfigurationField> ConfigurationFields::OfDefinitionLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const bool commented = line.rfind("/* ", 0) == 0;
    const std::string define = "#define ";
    const size_t at = line.find(define);
    if (at == std::string::npos) return std::nullopt;
    std::string rest = line.substr(at + define.size());
    if (commented) return ConfigurationField{rest.substr(0, rest.find(' ')), "0"};
    const size_t gap = rest.find("  ");
    if (gap == std::string::npos) return ConfigurationField{rest, "1"};
    std::string value = rest.substr(gap + 2);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return ConfigurationField{rest.substr(0, gap), value};
}

bool ConfigurationFields::Of(ConfigurationModel& model, std::vector<ConfigurationField>& fields) {
    fields.clear();
    TemporaryFile car, map, param;
    if (!car.Created() || !map.Created() || !param.Created()) return false;
    bool ok = false;
    {
        const FileNamesKept kept(model);
        ok = model.WriteDefinitionFiles({car.Path(), map.Path(), param.Path()});
    }
    for (const TemporaryFile* file : {&car, &map, &param})
        ok = ok && AppendFieldsOfFile(file->Path(), fields);
    if (!ok) fields.clear();
    return ok;
}

}  // namespace zov
