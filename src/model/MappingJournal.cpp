#include "MappingJournal.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "CarUnits.h"
#include "ComInj.h"
#include "DetachedConfiguration.h"

namespace zov {

namespace fs = std::filesystem;

std::string MappingJournal::PathIn(const std::string& runtimeDirectory) {
    if (runtimeDirectory.empty()) return {};
    return (fs::path(runtimeDirectory) / "Config" / "MappaturaInCorso.cfg").string();
}

bool MappingJournal::Record(ConfCar& car) {
    if (path_.empty()) return false;
    std::error_code error;
    fs::create_directories(fs::path(path_).parent_path(), error);
    const std::string name = car.GetFileName();
    car.SetFileName(path_);
    const bool written = car.WriteDefinitionFile();
    car.SetFileName(name);
    return written;
}

void MappingJournal::Clear() {
    if (path_.empty()) return;
    std::error_code error;
    fs::remove(path_, error);
}

bool MappingJournal::Held() const {
    std::error_code error;
    return !path_.empty() && fs::is_regular_file(path_, error);
}

bool MappingJournal::ReadOwn(const ConfCar& ecu, ConfCar& before) const {
    if (!Held()) return false;
    const IoBaseData::LoadResult read = before.ReadDefinitionFile();
    if (!read.opened || read.rejected) return false;
    return before.MODELLO == ecu.MODELLO && before.NOME_PROGRAMMA == ecu.NOME_PROGRAMMA;
}

MappingJournal::Resumed MappingJournal::Resume(ConfigurationModel& model, ComInj& link) {
    ConfCar& car = model.Car();
    DetachedConfiguration::NeverUpgrade prompter;
    // The model objects are large; this one only reads the journal, nothing is sent.
    const auto before = std::make_unique<ConfCar>(link, path_, prompter);
    const bool own = ReadOwn(car, *before);
    if (!(car.DEFAULT_REGISTRO_CONFIGURAZIONE & car_units::kRegisterMapping)) {
        if (own) Clear();
        return Resumed::NotInMapping;
    }
    if (own) car.TakeNormalModeValues(*before);
    if (!model.LeaveMapping()) return Resumed::NotLeft;
    if (!own) return Resumed::LeftWithoutOwn;
    Clear();
    return Resumed::Left;
}

}  // namespace zov
