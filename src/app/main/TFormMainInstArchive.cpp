// The main window's vehicle archive functions: F1 installation and F3 the archive to browse.
#include <QApplication>

#include "FormProgrammingHost.h"
#include "TFormMainInst.h"
#include "TFormVetture.h"
#include "TModuloLingua.h"
#include "TimerPause.h"

namespace zov {

namespace {

// The ECU restarts into its new program meanwhile.
constexpr int kReconnectWaitMs = 1000;

}  // namespace

void TFormMainInst::BitBtn1Click() {
    if (!dictionary_) return;
    // The archive and what follows it run with Timer1 off; it comes back at its first short
    // interval so the state shown is refreshed as soon as they end.
    const TimerPause timer(
        true, [this] { Timer1->stop(); },
        [this] {
            Timer1->setInterval(kFirstTickMs);
            Timer1->start();
        });
    MenuConnetti->setEnabled(true);
    MenuDisconnetti->setEnabled(true);
    lastBackupEntry_ = 0;
    int result = QDialog::Rejected;
    {
        FormProgrammingHost host(
            this, [this] { ConnectSilently(); },
            [this](const std::string& why) {
                return ctx_.prompter.Ask(why, Caption(), PromptIcon::Warning, PromptButtons::YesNo) ==
                       PromptAnswer::Yes;
            });
        host.SetBackupMade([this](const std::string& path) { RecordBackupInHistory(path); });
        TFormVetture archive(ctx_, *dictionary_, ArchiveMode::Installation, host, this);
        result = archive.exec();
    }
    TellUnstoredHistory();
    repaint();
    if (result == QDialog::Rejected) return;
    if (ctx_.link.IsConnected()) ctx_.link.Disconnect();
    ctx_.clock.SleepMs(kReconnectWaitMs);
    MenuConnettiClick();
    // The installation ends with the customer's record, prefilled from the ECU just programmed.
    if (ctx_.link.IsConnected()) OpenCustomerArchive(true);
}

void TFormMainInst::BitBtn3Click() {
    if (!dictionary_) return;
    TimerPause pause(*Timer1);
    FormProgrammingHost host(this, [this] { ConnectSilently(); });
    host.SetBackupMade([this](const std::string& path) { RecordBackupInHistory(path); });
    TFormVetture archive(ctx_, *dictionary_, ArchiveMode::Browsing, host, this);
    archive.exec();
    TellUnstoredHistory();
}

}  // namespace zov
