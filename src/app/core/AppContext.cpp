#include "AppContext.h"

namespace zov {

AppContext::AppContext(Clock& clockSeam, Prompter& prompterSeam, SerialOpener& openerSeam,
                       QString settingsDirectoryPath, std::string applicationDirectoryPath)
    : clock(clockSeam),
      prompter(prompterSeam),
      opener(openerSeam),
      settingsDirectory(std::move(settingsDirectoryPath)),
      applicationDirectory(std::move(applicationDirectoryPath)),
      link(kPortIndex, kBaudIndex, openerSeam, clockSeam, prompterSeam),
      map(link, car, ConfigurationModel::kMapFile),
      car(link, ConfigurationModel::kCarFile, prompter),
      param(link, car, ConfigurationModel::kParamFile, prompter),
      global(kProgramVariant, kExtraSetting, kTitle, prompter, settingsDirectory),
      model(link, map, car, param) {
    for (int i = 0; i < GlobalData::kPortCount; ++i) link.SetPortPath(i, global.PortPath(i));
}

}  // namespace zov
