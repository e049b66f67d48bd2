// The main window's configuration files: saving the model, loading a file or a backup into the
// model and the ECU, comparing the model with a file, and undoing the last store.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <string>
#include <vector>

#include "BusyCursor.h"
#include "ConfigurationBackup.h"
#include "ConfigurationDiff.h"
#include "Packaging.h"
#include "QtText.h"
#include "TFormAttesaFile.h"
#include "TFormConfronta.h"
#include "TFormMainInst.h"
#include "TFormSceltaBackup.h"
#include "TimerPause.h"
#include "UndoLastWrite.h"

namespace zov {
namespace {

constexpr int kConfigFolder = GlobalData::kConfigPath;

}  // namespace

QString TFormMainInst::ChooseConfigurationFile(bool save, const char* title) {
    std::string configPath;
    ctx_.global.GetPath(kConfigFolder, configPath);
    if (title == nullptr) title = save ? "FinestraSalvaConfig" : "FinestraCaricaConfig";
    return zov::ChooseConfigurationFile(*this, OpenDialog, SaveDialog, save,
                                        QFile::decodeName(QByteArray::fromStdString(configPath)), Text(title),
                                        Text("LabelConfig"), fileChooser_);
}

void TFormMainInst::MenuSalvaConfClick() {
    TimerPause pause(*Timer1);
    // A configuration with values the ECU refused to give is no faithful backup: the installer
    // decides, knowing which ones.
    std::string refused;
    for (const std::string& line : ctx_.model.RefusedVariableLines()) refused += "\n" + line;
    if (!refused.empty() && ctx_.prompter.Ask(texts_["MessSalvaIncompleta"] + refused, Caption(),
                                              PromptIcon::Warning, PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    const QString target = ChooseConfigurationFile(true);
    if (target.isEmpty()) return;
    PackResult saved;
    {
        BusyCursor busy;
        saved = SaveConfigurationFile(ctx_.model, QFile::encodeName(target).toStdString());
    }
    if (!saved) ShowError(texts_["MessErrSalvaConf"] + "\n" + texts_["MessCheckRight"]);
}

void TFormMainInst::MenuCaricaConfClick() {
    TimerPause pause(*Timer1);
    const QString source = ChooseConfigurationFile(false);
    if (!source.isEmpty()) LoadConfigurationFrom(source);
}

void TFormMainInst::MenuRipristinaBackupClick() {
    TimerPause pause(*Timer1);
    TFormSceltaBackup dialog(
        ConfigurationBackup(ConfigurationBackup::FolderIn(ctx_.global.MainPath())).List(), this);
    dialog.SetTexts(StripAccelerator(MenuRipristinaBackup->text()),
                    {Text("LabelDataBackup"), Text("LabelModAuto"), Text("LabelProg")}, Text("ButtonOK"),
                    Text("ButtonAnnulla"));
    if ((backupChooser_ ? backupChooser_(dialog) : dialog.exec()) != QDialog::Accepted) return;
    const std::string chosen = dialog.ChosenPath();
    if (!chosen.empty()) LoadConfigurationFrom(QFile::decodeName(QByteArray::fromStdString(chosen)));
}

void TFormMainInst::MenuAnnullaScritturaClick() {
    TimerPause pause(*Timer1);
    const QString title = MenuAnnullaScrittura->text().remove(QLatin1Char('&'));
    UndoLastWrite(ctx_, this,
                  {texts_["MessAnnullaScrittura"], texts_["MessErrAnnulla"], windowTitle(), title,
                   Text("MessAggiornaCpu"), Text("MessCompletato")});
    ApplySessionState();
}

void TFormMainInst::LoadConfigurationFrom(const QString& source) {
    ConfigurationLoad load;
    {
        BusyCursor busy;
        TFormAttesaFile progress(this);
        progress.setWindowTitle(Text("MessCaricaConf"));
        progress.Label1->setText(Text("MessAggiornaCpu"));
        progress.completionText = Text("MessCompletato");
        progress.SetProgress(0, true);
        // The steps start only once the file has been read whole and found sound; the ECU
        // writes are what take time, so the window shows only with a session.
        bool first = true;
        load = LoadConfigurationFile(ctx_.model, QFile::encodeName(source).toStdString(), [&](int step) {
            if (first && ctx_.link.IsConnected()) progress.show();
            first = false;
            progress.SetProgress(uint8_t(step), false);
        });
        progress.close();
    }
    // A damaged definition inside a sound file is refused like a damaged file.
    if (!load.Loaded()) {
        ShowError(texts_["MessErrCaricaConf"] + "\n" + texts_["MessCheckRight"]);
        return;
    }
    // The load went on past what the ECU refused; it ends as incomplete, naming what is missing.
    const std::vector<int> refused = ctx_.model.RefusedVariables();
    if (!refused.empty())
        ctx_.prompter.Ask(RefusalText(texts_["MessScritturaRifiutata"], refused), Caption(),
                          PromptIcon::Warning, PromptButtons::Ok);
}

void TFormMainInst::MenuConfrontaConfClick() {
    TimerPause pause(*Timer1);
    const QString source = ChooseConfigurationFile(false, "FinestraConfrontaFile");
    if (source.isEmpty()) return;
    std::vector<ConfigurationField> ecu, file;
    bool read = false;
    {
        BusyCursor busy;
        read = !ConfigurationDiff::FieldsOfFiles(ctx_.link, QFile::encodeName(source).toStdString(), file) &&
               ConfigurationFields::Of(ctx_.model, ecu);
    }
    if (!read) {
        ShowError(texts_["MessErrCaricaConf"] + "\n" + texts_["MessCheckRight"]);
        return;
    }
    TFormConfronta window(ConfigurationDiff::Between(ecu, file), QFileInfo(source).fileName(),
                          ComparisonTexts(), this);
    window.exec();
}

TFormConfronta::Texts TFormMainInst::ComparisonTexts() const {
    TFormConfronta::Texts texts;
    // A text the dictionary lacks keeps its built-in Italian.
    const auto take = [this](const char* identifier, QString& text) {
        if (const QString found = Text(identifier); !found.isEmpty()) text = found;
    };
    take("FinestraConfronta", texts.caption);
    take("MessNessunaDiff", texts.noDifference);
    take("MessDifferenze", texts.differences);
    take("LabelCampo", texts.field);
    take("LabelCentralina", texts.ecu);
    take("ButtonOK", texts.ok);
    take("LabelCellaMappa", texts.names.mainMapCell);
    take("LabelCellaMappaB", texts.names.mapBCell);
    take("LabelPuntoGiri", texts.names.rpmAxis);
    take("LabelPuntoPressione", texts.names.pressureAxis);
    take("LabelSegnoModifica", texts.names.editMark);
    return texts;
}

}  // namespace zov
