#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zov {

class ConfigurationModel;

// zovctl report OUT.pdf [--from FILE.zvf]: the printed configuration report as one PDF.
struct ReportArguments {
    std::string output;
    std::string from;  // a saved configuration; empty: the connected ECU
};

// The arguments of `report` (args[0] is the command); nothing for a bad usage.
std::optional<ReportArguments> ParseReportArguments(const std::vector<std::string>& args);

// Writes the five report pages of the model into `output` (replaced only once complete). Empty
// when done, else why not.
std::string WriteConfigurationReport(ConfigurationModel& model, const std::string& output);

}  // namespace zov
