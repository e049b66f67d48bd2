#pragma once

#include <string>

#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"
#include "ConfigurationModel.h"
#include "Prompter.h"

namespace zov {

// Model objects of their own, beside the program's: a configuration read from files to compare it,
// or a copy of the program's model to try a store on. Over a link that is not connected nothing
// they are asked to send reaches any ECU. Reading files into them never offers to upgrade an
// obsolete file: they only look.
class DetachedConfiguration {
  public:
    explicit DetachedConfiguration(ComInj& link);
    DetachedConfiguration(const DetachedConfiguration&) = delete;
    DetachedConfiguration& operator=(const DetachedConfiguration&) = delete;

    class NeverUpgrade : public Prompter {
      public:
        PromptAnswer Ask(const std::string&, const std::string&, PromptIcon, PromptButtons buttons) override;
    };

    NeverUpgrade prompter;
    ConfCar car;
    ConfMap map;
    ConfParam param;
    ConfigurationModel model;
};

// Why definition files could not be read into a model; empty when they were.
struct DefinitionReadError {
    std::string what;    // the source and the part that failed
    std::string reason;  // the model's reason for a damaged file, in Windows-1252; may be empty
    explicit operator bool() const { return !what.empty(); }
};

// Reads the three files into `model` by the parse-and-store step alone: nothing is sent. The
// vehicle file first, as the layouts of the other two follow its ECU version; the first file that
// cannot be read or is damaged stops it. The model objects take `files` as their names.
DefinitionReadError ReadDefinitionFilesOnly(ConfigurationModel& model,
                                            const ConfigurationModel::DefinitionFiles& files,
                                            const std::string& what);

}  // namespace zov
