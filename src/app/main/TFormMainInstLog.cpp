// The main window's way to the datalogs: the viewer, and a replay in the live data window.
#include <QTimer>

#include "TFormMainInst.h"
#include "TFormRegistrazioni.h"
#include "TFormVisualizza.h"
#include "TimerPause.h"

namespace zov {

void TFormMainInst::MenuRegistrazioniClick() {
    TimerPause pause(*Timer1);
    TFormRegistrazioni viewer(ctx_, *dictionary_, this);
    viewer.exec();
    if (viewer.ReplaySpeed() == 0) return;
    TFormVisualizza live(ctx_, *dictionary_, this);
    if (live.StartReplay(viewer.Log(), viewer.ReplaySpeed())) live.exec();
}

}  // namespace zov
