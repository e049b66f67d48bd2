// The main window's customer archive: F4 in browse mode, and the installation's last step.
#include <QTimer>

#include "TFormClienti.h"
#include "TFormMainInst.h"
#include "TModuloLingua.h"
#include "TimerPause.h"

namespace zov {

void TFormMainInst::BitBtn4Click() { OpenCustomerArchive(false); }

int TFormMainInst::OpenCustomerArchive(bool installationMode) {
    if (!dictionary_) return QDialog::Rejected;
    TFormClienti window(ctx_, *dictionary_, this);
    window.SetInstallationMode(installationMode);
    TimerPause pause(*Timer1);
    return customerRunner_ ? customerRunner_(window) : window.exec();
}

}  // namespace zov
