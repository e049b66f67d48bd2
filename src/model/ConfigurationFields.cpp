#include "ConfigurationFields.h"

#include <fstream>

#include "ConfigurationSnapshot.h"

namespace zov {
namespace {

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
    ConfigurationSnapshot snapshot;
    fields.clear();
    return snapshot.Take(model) && Of(snapshot, fields);
}

bool ConfigurationFields::Of(const ConfigurationSnapshot& snapshot, std::vector<ConfigurationField>& fields) {
    fields.clear();
    const ConfigurationModel::DefinitionFiles files = snapshot.Files();
    bool ok = snapshot.Held();
    for (const std::string* path : {&files.car, &files.map, &files.param})
        ok = ok && AppendFieldsOfFile(*path, fields);
    if (!ok) fields.clear();
    return ok;
}

}  // namespace zov
