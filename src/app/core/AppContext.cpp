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
      map(map_.Place()),
      car(car_.Place()),
      param(param_.Place()),
      global(global_.Place()),
      model(link, map, car, param) {
    map_.Emplace(link, car_.Place(), ConfigurationModel::kMapFile);
    car_.Emplace(link, ConfigurationModel::kCarFile, prompter);
    // Reads VERSIONE_CENTRALINA of the vehicle configuration, so it comes after it.
    param_.Emplace(link, car, ConfigurationModel::kParamFile, prompter);
    global_.Emplace(kProgramVariant, kExtraSetting, kTitle, prompter, settingsDirectory);
    for (int i = 0; i < GlobalData::kPortCount; ++i) link.SetPortPath(i, global.PortPath(i));
}

AppContext::~AppContext() {
    global_.Reset();
    map_.Reset();
    car_.Reset();
    param_.Reset();
}

}  // namespace zov
