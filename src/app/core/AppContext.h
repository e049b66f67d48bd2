#pragma once

#include <QString>
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "Clock.h"
#include "ComInj.h"
#include "ConfCar.h"
#include "ConfMap.h"
#include "ConfParam.h"
#include "ConfigurationModel.h"
#include "GlobalData.h"
#include "Prompter.h"
#include "SerialDevice.h"

namespace zov {

// Storage for an object that is built later than the moment its address is handed out: the map
// model keeps a reference to the vehicle configuration, which is created after it, and the
// objects must be destroyed in an order that is not the reverse of their creation.
template <typename T>
class Deferred {
  public:
    Deferred() = default;
    ~Deferred() { Reset(); }
    Deferred(const Deferred&) = delete;
    Deferred& operator=(const Deferred&) = delete;

    template <typename... Args>
    T& Emplace(Args&&... args) {
        Reset();
        object_ = ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
        return *object_;
    }
    void Reset() {
        if (object_ != nullptr) {
            object_->~T();
            object_ = nullptr;
        }
    }
    // The object's place, valid to bind a reference to before the object exists.
    T& Place() { return *reinterpret_cast<T*>(storage_); }
    bool Exists() const { return object_ != nullptr; }

  private:
    alignas(T) std::byte storage_[sizeof(T)];
    T* object_ = nullptr;
};

// The process-wide objects every window shares, created once in the program's order: the link on
// COM1 at 9600 baud, the map model, the vehicle configuration, the parameter model, the settings.
// Windows receive the context by reference; nothing here is copied per window.
//
// Teardown: the settings go first (their destructor saves them), then the map model, the vehicle
// configuration and the parameter model. The link stays to the very end; closing the port is the
// session logic's business.
class AppContext {
    // Storage first, so the references below can be bound to it; the objects are built in the
    // constructor's body.
    Deferred<ConfMap> map_;
    Deferred<ConfCar> car_;
    Deferred<ConfParam> param_;
    Deferred<GlobalData> global_;

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
    ~AppContext();
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    Clock& clock;
    Prompter& prompter;
    SerialOpener& opener;
    const QString settingsDirectory;
    const std::string applicationDirectory;

    ComInj link;
    ConfMap& map;
    ConfCar& car;
    ConfParam& param;
    GlobalData& global;
    ConfigurationModel model;
};

}  // namespace zov
