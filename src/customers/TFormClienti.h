#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppContext.h"
#include "CustomerArchive.h"
#include "CustomerFields.h"
#include "TFormClientiStorico.h"
#include "TFormRicerca.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zov {

class TModuloLingua;
class TFormRicerca;

// "Archivio clienti": the workshop's customers and their installations, one record per
// installation, browsed in surname order; insert, edit, delete with confirmation, locate by
// surname, filter by one field. Edits are cached and applied after the save question (or by
// "Conferma modifiche", or on leaving); the archive stays open, and this computer's other users
// locked out, for the window's whole life.
//
// Browse mode (F4) or installation mode (SetInstallationMode(true) before showing, F1's last
// step): a new record prefilled from the vehicle configuration, every browsing button hidden.
// The caller shows the window modally and destroys it.
class TFormClienti : public QDialog {
    Q_OBJECT

  public:
    TFormClienti(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr);
    ~TFormClienti() override;

    // The window's tag 1: installation mode.
    void SetInstallationMode(bool on) { installation_ = on; }
    bool InstallationMode() const { return installation_; }
    // The car history's entry of the backup this installation made; the installation's record
    // names its car when saved.
    void SetInstallationBackup(qint64 historyEntry) { installationBackup_ = historyEntry; }
    // Where the archive is; by default the settings' choice under the runtime directory.
    void SetLocation(ArchiveLocation location) { location_ = std::move(location); }
    // How the search dialog is run (QDialog result); the default shows it modally.
    using SearchRunner = std::function<int(TFormRicerca&)>;
    void SetSearchRunner(SearchRunner runner) { searchRunner_ = std::move(runner); }
    // What the car's history may do beyond writing a file (the main window's compare and load)
    // and how it chooses the file; without them only the writing is offered, through a plain
    // file dialog.
    struct HistoryActions : TFormClientiStorico::Actions {
        TFormClientiStorico::FileChooser chooseTarget;
    };
    void SetHistoryActions(HistoryActions actions) { historyActions_ = std::move(actions); }
    // How the history window is run; the default shows it modally.
    using HistoryRunner = std::function<void(TFormClientiStorico&)>;
    void SetHistoryRunner(HistoryRunner runner) { historyRunner_ = std::move(runner); }
    // Display format of the two dates; from the system's date order unless set before showing.
    QString dateOrderFormat;

    bool Localized() const { return localized_; }
    // The archive while the window has it open (tests read what was applied through it).
    CustomerArchive* Archive() const { return archive_.get(); }

    void FormShow();
    void ButtonFirstClick();
    void ButtonPrevClick();
    void ButtonNextClick();
    void ButtonLastClick();
    void ButtonNewClick();
    void ButtonDelClick();
    void ButtonAnnullaModClick();
    void ButtonConfermaModClick();
    void ButtonVaiClick();
    void ButtonCercaClick();
    void ButtonEsciClick();
    // "Connessione archivio": lets the archive go, runs the dialog, opens it again where the
    // settings now point.
    void ButtonConnessioneClick();
    // "Storico vettura": the past configurations of the car on view.
    void ButtonStoricoClick();
    void RefreshNavigation();
    // The search dialog as "Visualizza cliente" (`locate`) or "Ricerca" opens it.
    std::unique_ptr<TFormRicerca> MakeSearchDialog(bool locate);

    QGroupBox* GroupCliente;
    QGroupBox* GroupProg;
    QLabel* LabelCognome;
    QLabel* LabelNome;
    QLabel* LabelInd;
    QLabel* LabelCitta;
    QLabel* LabelProv;
    QLabel* LabelTelefono;
    QLabel* LabelModello;
    QLabel* LabelProg;
    QLabel* LabelCil;
    QLabel* LabelAnno;
    QLabel* LabelData;
    QLabel* LabelVer;
    QLabel* LabelDataCreaz;
    QLabel* LabelNSerie;
    QLabel* LabelTarga;
    QLabel* LabelCont;
    QLabel* LabelRicerca;
    QLineEdit* DBEditCognome;
    QLineEdit* DBEditNome;
    QLineEdit* DBEditInd;
    QLineEdit* DBEditCitta;
    QLineEdit* DBEditProv;
    QLineEdit* DBEditTel;
    QLineEdit* DBEditMod;
    QLineEdit* DBEditCil;
    QLineEdit* DBEditAnno;
    QLineEdit* DBEditProg;
    QLineEdit* DBEditVer;
    QLineEdit* DBEditDataCreaz;
    QLineEdit* DBEditDataInst;
    QLineEdit* DBEditNSerie;
    QLineEdit* DBEditTarga;
    QPushButton* ButtonFirst;
    QPushButton* ButtonPrev;
    QPushButton* ButtonNext;
    QPushButton* ButtonLast;
    QPushButton* ButtonNew;
    QPushButton* ButtonDel;
    QPushButton* ButtonAnnullaMod;
    QPushButton* ButtonConfermaMod;
    QPushButton* ButtonVai;
    QPushButton* ButtonCerca;
    QPushButton* ButtonEsci;
    QPushButton* ButtonConnessione;
    QPushButton* ButtonStorico;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Texts;

    void Build();
    QWidget* BuildCustomerGroup();
    QWidget* BuildVehicleGroup();
    QWidget* BuildButtons();
    bool Localize();
    bool OpenArchive();
    void ReportImport(const CustomerArchive::ImportReport& report);
    // The values the import did not take, one a line (as many as a message can show).
    std::string ImportProblemList(const CustomerArchive::ImportReport& report) const;
    static constexpr size_t kImportProblemsShown = 20;
    void StartInstallation();
    // The installation's configuration into the car's history, once its record is saved; the
    // installer is told when it could not be stored.
    void RecordInstallation();

    // The edits' record: the current one, or the new one being inserted.
    void ShowRecord(const CustomerRecord& record);
    CustomerRecord RecordFromEdits() const;
    void TableClientiBeforeEdit();
    // Posts the record in edit into the cache (checks, then the save question): false when the
    // checks refused it and it stays in edit, or when saving it failed and it stays on view.
    bool PostRecord();
    bool TableClientiBeforePost();
    bool RequiredFieldsFilled() const;
    // On the way out, a record in edit that lacks a required field: the installer may drop it
    // and leave (true) or stay to complete it (false).
    bool LeaveIncompleteRecord();
    // The save question and the apply; false when the apply failed and the record stays on view.
    bool TableClientiAfterPost();
    // Applies the cached changes; false, with the user told and the changes kept, when it failed.
    bool ApplyCached();
    void SetEditButtons(bool enabled);
    void Leave();
    int RunSearch(TFormRicerca& dialog);
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons);
    const std::vector<QLineEdit*>& DataEdits() const { return dataEdits_; }

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    std::unique_ptr<Texts> texts_;
    ArchiveLocation location_;
    std::unique_ptr<CustomerArchive> archive_;
    SearchRunner searchRunner_;
    HistoryActions historyActions_;
    HistoryRunner historyRunner_;
    std::vector<QLineEdit*> dataEdits_;  // in field order
    CustomerRecord editRecord_;
    bool installation_ = false;
    bool localized_ = false;
    bool shown_ = false;
    bool editing_ = false;
    bool inserting_ = false;
    bool leaving_ = false;
    bool installationRecorded_ = false;
    qint64 installationBackup_ = 0;
    // Window state.
    bool askToSave = true;
    int searchField = -1;
    QString searchCondition;
    QString searchValue;
};

}  // namespace zov
