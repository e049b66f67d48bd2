// The base fuel map a vehicle outside the archive gets after its first store.
#include <QLabel>

#include "BaseMapLibrary.h"
#include "BusyCursor.h"
#include "TFormAttesaFile.h"
#include "TFormModifica.h"

namespace zov {

bool TFormModifica::LoadBaseMap() {
    const int32_t displacement = ctx_.car.GetValue(40);
    if (displacement < BaseMapLibrary::kMinDisplacement || displacement > BaseMapLibrary::kMaxDisplacement) {
        Ask(texts_.noCil, PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    TFormAttesaFile progress(this);
    ShowWriteProgress(progress);
    BusyCursor busy;

    std::string mapDirectory;
    ctx_.global.GetPath(GlobalData::kMapPath, mapDirectory);
    const std::string folder = BaseMapLibrary::FuelFolder(mapDirectory, ctx_.car.TIPO_DI_CARBURANTE);
    BaseMapLibrary::Map map;
    const BaseMapLibrary::Outcome outcome = BaseMapLibrary::Build(ctx_.map, folder, displacement, map);
    if (outcome == BaseMapLibrary::Outcome::Loaded)
        BaseMapLibrary::Write(ctx_.map, map, ctx_.link.IsConnected(),
                              [&](int percent) { progress.SetProgress(uint8_t(percent), true); });
    busy.Set(false);
    progress.close();
    if (outcome == BaseMapLibrary::Outcome::NoFile) Ask(texts_.noFile, PromptIcon::Error, PromptButtons::Ok);
    if (outcome == BaseMapLibrary::Outcome::CorruptedFile)
        Ask(texts_.corruptedFile, PromptIcon::Error, PromptButtons::Ok);
    return outcome == BaseMapLibrary::Outcome::Loaded;
}

}  // namespace zov
