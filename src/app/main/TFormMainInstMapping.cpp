#include <QApplication>

#include "BusyCursor.h"
#include "TFormMainInst.h"
#include "TFormMappa.h"
#include "TModuloLingua.h"

namespace zov {

void TFormMainInst::InstallMapEditor() {
    ctx_.openMapEditor = [this](TModuloLingua& dictionary, QWidget* parent) {
        TFormMappa editor(ctx_, dictionary, parent);
        editor.exec();
    };
}

void TFormMainInst::OpenMappingWindow() {
    std::unique_ptr<TFormMappa> editor;
    {
        BusyCursor busy;
        editor = std::make_unique<TFormMappa>(ctx_, *dictionary_, true, this);
    }
    editor->exec();
}

}  // namespace zov
