// The main window's customer archive: F4 in browse mode, the installation's last step, and the
// cars' history the archive keeps (each backup stored, a past configuration compared or loaded).
#include <QFile>
#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>
#include <utility>

#include "BusyCursor.h"
#include "CarHistoryRecorder.h"
#include "ConfigurationDiff.h"
#include "QtText.h"
#include "TFormClienti.h"
#include "TFormConfronta.h"
#include "TFormMainInst.h"
#include "TModuloLingua.h"
#include "TimerPause.h"

namespace zov {

namespace {

// How long the status bar says that a bench without an archive stored no history.
constexpr int kHistoryNoteMs = 10000;

}  // namespace

void TFormMainInst::BitBtn4Click() { OpenCustomerArchive(false); }

int TFormMainInst::OpenCustomerArchive(bool installationMode) {
    if (!dictionary_) return QDialog::Rejected;
    TFormClienti window(ctx_, *dictionary_, this);
    window.SetInstallationMode(installationMode);
    TFormClienti::HistoryActions actions;
    actions.load = [this](const QString& path) { LoadConfigurationFrom(path); };
    actions.compare = [this](const QString& first, const QString& firstName, const QString& second,
                             const QString& secondName) {
        std::vector<ConfigurationField> a, b;
        bool read = false;
        {
            BusyCursor busy;
            read = !ConfigurationDiff::FieldsOfFiles(ctx_.link, QFile::encodeName(first).toStdString(), a) &&
                   !ConfigurationDiff::FieldsOfFiles(ctx_.link, QFile::encodeName(second).toStdString(), b);
        }
        if (!read) {
            ShowError(texts_["MessErrCaricaConf"] + "\n" + texts_["MessCheckRight"]);
            return;
        }
        // The compare window's first column is the older configuration instead of the ECU.
        TFormConfronta::Texts texts = ComparisonTexts();
        texts.ecu = firstName;
        TFormConfronta compared(ConfigurationDiff::Between(a, b), secondName, texts, this);
        compared.exec();
    };
    actions.chooseTarget = [this](const QString&) { return ChooseConfigurationFile(true); };
    window.SetHistoryActions(std::move(actions));
    // The backup the installation just made is this car's: its record names it.
    if (installationMode) window.SetInstallationBackup(std::exchange(lastBackupEntry_, 0));
    TimerPause pause(*Timer1);
    return customerRunner_ ? customerRunner_(window) : window.exec();
}

void TFormMainInst::RecordBackupInHistory(const std::string& path) {
    const ArchiveLocation location =
        ArchiveLocation::FromSettings(ctx_.settingsDirectory, QString::fromStdString(ctx_.global.MainPath()));
    QString why;
    if (const std::optional<CarHistory::Entry> entry = CarHistoryRecorder::BackupEntry(
            QFile::decodeName(QByteArray::fromStdString(path)), ctx_.car, why)) {
        const CarHistoryRecorder::Outcome stored = CarHistoryRecorder(location).Record(*entry);
        lastBackupEntry_ = stored.id;
        if (stored.stored) return;
        why = stored.error;
        historyMissing_ = stored.noArchive;
    }
    unstoredHistory_ = ToCp1252(why);
}

void TFormMainInst::TellUnstoredHistory() {
    if (unstoredHistory_.empty() || !dictionary_) return;
    const std::string reason = std::exchange(unstoredHistory_, std::string());
    const std::string text = dictionary_->LookupCp1252("MessStoricoNonSalvato", 70)
                                 .value_or("Configurazione non registrata nello storico della vettura:");
    if (std::exchange(historyMissing_, false))
        StatusBarMain->showMessage(FromCp1252(text + " " + reason), kHistoryNoteMs);
    else
        ctx_.prompter.Ask(text + "\n" + reason, Caption(), PromptIcon::Warning, PromptButtons::Ok);
}

}  // namespace zov
