#pragma once

#include <QString>
#include <functional>
#include <string>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"
#include "ConfigurationModel.h"
#include "GlobalData.h"
#include "Prompter.h"
#include "SerialDevice.h"
#include "WriteUndo.h"

class QWidget;

namespace zov {

class TModuloLingua;

// The process-wide objects every window shares, created once in the program's order: the link on
// COM1 at 9600 baud, the map model, the vehicle configuration, the parameter model, the settings.
// Windows receive the context by reference; nothing here is copied per window.
//
// Teardown runs the other way: the settings go first (their destructor saves them), then the
// models; the link stays to the very end, closing the port is the session logic's business.
class AppContext {
  public:
    static constexpr const char* kTitle = "ZOV Qbr";
    static constexpr int kPortIndex = 0;  // COM1
    static constexpr int kBaudIndex = 5;  // 9600 baud
    static constexpr int kProgramVariant = 1;
    static constexpr int kExtraSetting = 0;

    // `settingsDirectory` empty: the user's own settings store; otherwise an INI store there (tests,
    // demo). `applicationDirectory`: the folder with the runtime data (dictionary, pictures,
    // help), which becomes `mainPath` when the main window starts.
    AppContext(Clock& clock, Prompter& prompter, SerialOpener& opener, QString settingsDirectory,
               std::string applicationDirectory);
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    Clock& clock;
    Prompter& prompter;
    SerialOpener& opener;
    const QString settingsDirectory;
    const std::string applicationDirectory;

    ComInj link;
    // The map model keeps a reference to the vehicle configuration, which is built after it.
    ConfMap map;
    ConfCar car;
    // Reads VERSIONE_CENTRALINA of the vehicle configuration, so it comes after it.
    ConfParam param;
    GlobalData global;
    ConfigurationModel model;
    // What the last store of an editor replaced in the ECU ("Annulla ultima scrittura").
    WriteUndo lastWrite;

    // Opens the map grid editor in edit mode, modally, over `parent` (the parameter editor's "Mappa"
    // page). Set by the main window: the editors cannot link the map editor, which uses their value
    // entry dialog. Empty: the page stays greyed.
    std::function<void(TModuloLingua& dictionary, QWidget* parent)> openMapEditor;
};

}  // namespace zov
