#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTextBrowser>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "AppContext.h"
#include "ConfigurationDialogs.h"
#include "EcuProgrammer.h"
#include "EcuSession.h"
#include "FormSessionHost.h"
#include "TFormConfronta.h"

class QAction;
class QActionGroup;
class QFileDialog;
class QPrintDialog;
class QPrintPreviewDialog;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;

namespace zov {

class MainWindowArea;
class TFormSceltaBackup;
class TFormClienti;
class TFormDati;
class TFormSplash;
class TModuloLingua;

// The main window and hub of the program: it owns the ECU session from the user's side (connect
// and load the whole ECU into the model, keep the session alive, disconnect, port choice), shows
// the session state in its status bar, holds the language buttons, help and about, loads and saves
// configuration files, and starts the task windows through the function keys F1..F6.
//
// Life: the constructor shows the splash and tidies the temporary directory; Start() does what
// the window does once when it is first shown (port, directories, background, dictionary and
// language, logo), shows the window and takes the splash down; closing it ends the program.
class TFormMainInst : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr const char* kVersionText = "5.6.1 PRO";
    static constexpr int kFirstTickMs = 50;
    static constexpr int kTickMs = 2000;
    static constexpr int kKeepAliveVariable = EcuSession::kKeepAliveVariable;
    static constexpr std::array<int, 4> kPanelWidths = {220, 180, 50, 50};
    // Map-sensor types (TIPO_SENSORE_MAP) of the map-type menu.
    static constexpr int kMapZov = 0;
    static constexpr int kMapPorter = 1;
    static constexpr int kMapRover = 2;
    // DEFAULT_REGISTRO_CONFIGURAZIONE (variable 39): the ECU collects points for the map editor.
    static constexpr int kMappingModeBit = 0x04;
    static constexpr int kConfigurationRegister = 39;
    static constexpr const char* kManagementBackground = "immagini/Sfondo2.bmp";

    // Runs a configuration file dialog; the default one shows it, tests hand in their own.
    using FileChooser = zov::FileChooser;
    // Runs the backup list ("Ripristina backup") and returns its QDialog result; tests hand in
    // their own.
    using BackupChooser = std::function<int(TFormSceltaBackup& dialog)>;
    // Runs the print dialog or the print preview (QDialog::Accepted or Rejected).
    using PrintDialogRunner = std::function<int(QPrintDialog& dialog)>;
    using PreviewRunner = std::function<int(QPrintPreviewDialog& dialog)>;
    // Runs the customer archive window and returns its QDialog result; tests hand in their own.
    using CustomerRunner = std::function<int(TFormClienti& window)>;

    explicit TFormMainInst(AppContext& context, QWidget* parent = nullptr);

    // The factor the window's design (laid out for an 800 pixel wide screen at 96 dots per inch)
    // is scaled by on another screen: (width * 96) / (dots per inch * 800); exactly 1 on the
    // design screen.
    double Scale() const { return scale_; }
    ~TFormMainInst() override;

    // The start-up steps. False when the program must end: the dictionary cannot be used, or the
    // stored language is not one of its languages (the user has been told).
    bool Start();

    // A second copy of the program was started: restore this window and bring it, or the modal
    // window open over it, to the front.
    void BringToFront();

    // Cleared: the connect action says nothing on failure and shows no ECU data.
    bool interactive = true;

    // Session.
    void MenuConnettiClick();
    void MenuDisconnettiClick();
    void Timer1Timer();
    // Port menu.
    void MenuCom1Click();
    void MenuCom2Click();
    void MenuUSBClick();
    // Map-type menu.
    void MenuTipoMapClick();
    void MenuMapZOVClick();
    void MenuMapPORTERClick();
    void MenuMapROVERClick();
    // Configuration files.
    void MenuCaricaConfClick();
    void MenuSalvaConfClick();
    // The fields in which the ECU, as the model mirrors it, differs from a chosen saved configuration.
    void MenuConfrontaConfClick();
    // Loads a backup made before a reprogramming, chosen from the list, as MenuCaricaConf does.
    void MenuRipristinaBackupClick();
    void MenuAnnullaScritturaClick();
    // Prints the reports of the configuration held in the model with the print dialog's rules;
    // with no printer installed, into a PDF file the user chooses.
    void MenuStampaClick();
    // The five report pages in a print preview, which can print them.
    void MenuAnteprimaClick();
    // The datalog viewer; a replay it asks for runs in the live data window.
    void MenuRegistrazioniClick();
    // Functions: F2 the ECU management menu, F5 a vehicle not in the archive, F6 remapping (the
    // standard software with the configuration kept, then the automatic mapping).
    void BitBtn2Click();
    // F1 installation: the vehicle archive in installation mode, a new session with the ECU, then
    // the customer archive; F3 the vehicle archive to browse.
    void BitBtn1Click();
    void BitBtn3Click();
    // F4: the customer archive.
    void BitBtn4Click();
    // Opens the customer archive modally (`installationMode`: a new record prefilled from the
    // vehicle configuration, the installation's last step); returns the window's result.
    int OpenCustomerArchive(bool installationMode);
    void BitBtn6Click();
    void BitBtn7Click();
    // Help and about.
    void MenuGuidaClick();
    void MenuAboutClick();
    void MenuEsciClick();
    // A language was chosen (flag button, pop-up menu, or at start).
    void LanguageChosen(int index);

    // Text of status panel 0..3.
    QString PanelText(int panel) const;
    TModuloLingua* Dictionary() const { return dictionary_.get(); }
    // The help file in use; empty until help is asked for, and again after a language change.
    const QString& HelpFile() const { return helpFile_; }
    QTextBrowser* HelpViewer() const { return helpViewer_; }
    // The ECU data dialog filled from the model, as the connect action shows it.
    std::unique_ptr<TFormDati> MakeEcuDataDialog();
    // A localized text kept for messages, by identifier (empty before the first localization).
    QString Text(const std::string& identifier) const;
    // The programming's texts, from the ones kept for messages.
    UpdateTexts ProgrammingTexts() const;
    // Installs the newest standard software of a fuel (0 GPL, otherwise Metano) under this
    // window's progress window, carrying the configuration across when asked; false when nothing
    // was installed or the ECU could not be reached afterwards (the user has been told).
    bool UpdateStandardSoftware(bool keepConfiguration, int fuel);
    // Replaces the way the configuration file dialogs are run (null: the dialog is shown).
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    void SetBackupChooser(BackupChooser chooser) { backupChooser_ = std::move(chooser); }
    void SetPrintDialogRunner(PrintDialogRunner runner) { printDialogRunner_ = std::move(runner); }
    void SetPreviewRunner(PreviewRunner runner) { previewRunner_ = std::move(runner); }
    void SetCustomerRunner(CustomerRunner runner) { customerRunner_ = std::move(runner); }

    // Controls, named as the window's components.
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;
    QPushButton* BitBtn5;
    QPushButton* BitBtn6;
    QPushButton* BitBtn7;
    QLabel* LabInstallazione;
    QLabel* LabGestione;
    QLabel* LabArchivioVett;
    QLabel* LabArchivioCli;
    QLabel* LabelFuoriArchivio;
    QLabel* LabelMappatura;
    QLabel* LabelEsci;
    QLabel* ImageLogo;
    QLabel* ImageLogoKrv;
    QLabel* LabelVersione;
    QWidget* PanelLingue;
    QStatusBar* StatusBarMain;
    QTimer* Timer1;

    QMenu* MenuFile;
    QAction* MenuCaricaConf;
    QAction* MenuSalvaConf;
    QAction* MenuConfrontaConf;
    QAction* MenuRipristinaBackup;
    QAction* MenuAnnullaScrittura;
    QAction* MenuRegistrazioni;
    QAction* MenuStampa;
    QAction* MenuAnteprima;
    QMenu* MenuSelLingue;
    QMenu* MenuTipoMap;
    QAction* MenuMapZOV;
    QAction* MenuMapPORTER;
    QAction* MenuMapROVER;
    QAction* MenuEsci;
    QMenu* MenuConn;
    QAction* MenuConnetti;
    QAction* MenuDisconnetti;
    QMenu* MenuComPort;
    QAction* MenuCom1;
    QAction* MenuCom2;
    QAction* MenuUSB;
    QMenu* MenuVaiA;
    QAction* MenuInstall;
    QAction* MenuGestione;
    QAction* MenuAuto;
    QAction* MenuClienti;
    QAction* MenuFuoriArchivio;
    QAction* MenuMappatura;
    QMenu* MenuHelp;
    QAction* MenuGuida;
    QAction* MenuAbout;
    // The configuration file dialogs, created when first used. Each keeps the last name chosen
    // in either of them in its property "FileName".
    QFileDialog* OpenDialog = nullptr;
    QFileDialog* SaveDialog = nullptr;

  signals:
    // The program must end (the dictionary failed while changing language).
    void terminateRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The parameter editor's "Mappa" page opens the map editor through the context.
    void InstallMapEditor();
    // F6 after the programming: the map editor in automatic mapping mode, modally.
    void OpenMappingWindow();
    // "Carica configurazione" after its file has been chosen.
    void LoadConfigurationFrom(const QString& source);
    // Stores a backup just made in the car's history (the customer archive's database); when it
    // cannot, the reason waits for TellUnstoredHistory, so the programming goes on undisturbed.
    void RecordBackupInHistory(const std::string& path);
    // Tells the installer, once the programming is over, that its backup is not in the history: a
    // box when the archive failed, the status bar when the bench has none.
    void TellUnstoredHistory();
    void BuildMenu();
    void BuildArea();
    void BuildStatusBar();
    void PlaceAreaControls();
    void PlaceLogo();
    // Design pixels to this screen's pixels.
    int S(int designPixels) const;
    QPixmap Scaled(const QPixmap& picture) const;

    // Closing: false keeps the window open.
    bool FormCloseQuery();
    void FormClose();

    bool Localize();
    void FitToLanguage();
    void Fail(const char* message);
    void ShowEcuData();
    void ApplySessionState();
    void SelectPortItem(QAction* item, int portIndex, int32_t comPort);
    void AddDetectedPorts();
    void SetMapType(int tag);
    void RestoreGeometry();
    void StoreGeometry();
    void RemoveTemporaryFiles();
    // The connect action with `interactive` cleared.
    void ConnectSilently();
    // Runs a configuration file dialog; the chosen name is remembered by both dialogs.
    // `title`: the dialog's dictionary title, by default that of the load or the save.
    QString ChooseConfigurationFile(bool save, const char* title = nullptr);
    TFormConfronta::Texts ComparisonTexts() const;
    void ShowError(const std::string& text);
    // A PDF file to print into, asked in a file dialog; empty when cancelled.
    QString ChooseReportFile();

    PromptAnswer Ask(const char* identifier, PromptIcon icon, PromptButtons buttons);
    std::string Caption() const;
    void SetPanel(int panel, const QString& text);

    AppContext& ctx_;
    FormSessionHost sessionHost_;
    EcuSession session_;
    std::unique_ptr<TFormSplash> splash_;
    int64_t splashShownMs_ = 0;
    double scale_ = 1.0;
    std::unique_ptr<TModuloLingua> dictionary_;
    QString mainPath_;
    QString helpFile_;
    QPointer<QTextBrowser> helpViewer_;
    MainWindowArea* area_ = nullptr;
    int functionsRight_ = 0;  // right edge of the widest function text
    // The installer's own window size, and the size a language's longer captions forced from it.
    QSize ownSize_;
    QSize widenedSize_;
    std::array<QLabel*, 4> panels_{};
    QActionGroup* portGroup_ = nullptr;
    QActionGroup* mapGroup_ = nullptr;
    bool started_ = false;
    bool closed_ = false;

    // Localized texts by identifier, Windows-1252 as the messages and the link keep them.
    std::map<std::string, std::string> texts_;
    std::string dataVersionCaption_;  // LabelVer cut for the data dialog
    FileChooser fileChooser_;
    BackupChooser backupChooser_;
    PrintDialogRunner printDialogRunner_;
    PreviewRunner previewRunner_;
    CustomerRunner customerRunner_;
    std::string unstoredHistory_;
    bool historyMissing_ = false;  // the bench has no archive: said in the status bar, not a box
    qint64 lastBackupEntry_ = 0;   // the car history's entry of the last backup stored
};

}  // namespace zov
