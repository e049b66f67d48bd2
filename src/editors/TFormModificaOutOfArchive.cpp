// The two aids of a vehicle outside the archive, where no standard configuration exists: the base
// fuel map it gets after its first store, and the kit's installation instructions.
#include <QLabel>

#include "BaseMapLibrary.h"
#include "BusyCursor.h"
#include "InstructionViewer.h"
#include "LivePause.h"
#include "QtText.h"
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
    if (outcome == BaseMapLibrary::Outcome::DrivenToLimit)
        Ask(BaseMapLibrary::RangeText(texts_.baseMapLimits,
                                      BaseMapLibrary::RangeOf(BaseMapLibrary::List(folder))),
            PromptIcon::Error, PromptButtons::Ok);
    return outcome == BaseMapLibrary::Outcome::Loaded;
}

void TFormModifica::ButtonIstruzioniKitClick() {
    LivePause pause(enrichment_);
    InstructionViewerTexts texts;
    texts.choice.caption = windowTitle();
    texts.choice.warning = FromCp1252(texts_.noIstrLingua);
    texts.choice.ok = texts_.buttonOK;
    texts.choice.cancel = texts_.buttonAnnulla;
    texts.choice.noneMessage = FromCp1252(texts_.noIstruzioni);
    texts.title = texts_.finestraIstruzioni;
    texts.search = texts_.cerca;
    texts.unreadable = texts_.istrIlleggibili;
    InstructionViewer viewer(dictionary_, ctx_.global.CardsPath(), ctx_.prompter, this);
    viewer.languageRunner = languageRunner;
    viewer.schemaRunner = schemaRunner;
    viewer.Open(DocumentKind::Kit, VehicleArchive::DocumentPattern(DocumentKind::Kit), texts);
}

}  // namespace zov
