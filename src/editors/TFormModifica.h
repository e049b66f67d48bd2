#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AppContext.h"
#include "FieldLimits.h"
#include "Prompter.h"
#include "StorePreview.h"
#include "TFormSceltaLingua.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace zov {

class TFormAttesaFile;
class TFormSchema;
class AdaptationPage;
class EnrichmentPage;
class EditorFieldMap;
class TModuloLingua;
class TUpDown;

// The parameter editor: the vehicle configuration and the parameters on nine pages, each typed
// value checked against fixed limits when its edit is left, and all of them taken into the model
// (and sent to the ECU when a session is open) by `ButtonModifica`.
//
// The caller creates it, shows it modally (it asks to be maximised) and destroys it. Every
// message box goes through the context's prompter with the enrichment page's live timer stopped.
//
// The window holds the controls, their texts and the order of its exchanges; what it derives and
// checks lives beside it: the fields and their model values (EditorFieldMap), the limits
// (FieldLimits), the dependent controls (EditorPageRules) and the store's own rules
// (EditorStoreRules). The pages "Adattatività" and "Mappa TPS" are classes of their own.
class TFormModifica : public QDialog {
    Q_OBJECT

  public:
    TFormModifica(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent = nullptr,
                  bool outOfArchive = false);
    ~TFormModifica() override;

    // How the kit instructions' language choice and viewer are run; tests hand in their own.
    DialogRunner languageRunner = ExecDialog;
    std::function<int(TFormSchema&)> schemaRunner;

    bool OutOfArchive() const { return outOfArchive_; }
    bool ValuesChanged() const { return valuesChanged_; }
    int LambdaTypeAtLoad() const { return lambdaTypeAtLoad_; }
    QWidget* ReturnPage() const { return returnPage_; }
    const FieldLimits::Table& Limits() const { return fieldLimits_; }
    // The record attached to a checked edit; null for any other widget.
    const FieldLimits* LimitsOf(const QWidget* edit) const;
    // False when the dictionary could not give every text (the built-in ones stay).
    bool Localized() const { return localized_; }
    EnrichmentPage* EnrichmentMap() const { return enrichment_; }
    AdaptationPage* Adaptation() const { return PageAdattativita; }

    // --- operations ----------------------------------------------------------------------------
    void SetUpWindow();
    void FillFromModel();
    void FillAdaptation();
    void StoreToModel();
    // Every edit of the store into `car` and `param`: the fields, the self-adaptation page and the
    // idle gains. Over a model whose link has no session nothing is sent (the store preview).
    void ApplyAllEdits(ConfCar& car, ConfParam& param);
    bool CheckLevelReferences();
    // At most the first 8 characters as a decimal integer (blanks before, a sign); an empty text
    // reads 0. Anything else puts `fallback` into the edit and returns it (EditReading).
    static int32_t ReadEditInt(QLineEdit* edit, int32_t fallback);
    // The same with a decimal number (point as separator); the fallback is written as %.5g.
    static double ReadEditFloat(QLineEdit* edit, double fallback);

    // --- handlers ------------------------------------------------------------------------------
    // `asked`: the installer has already said yes to this store (the close question), so the list
    // of what changes is not put to him again.
    void ButtonModificaClick(bool asked = false);
    void ButtonAnnullaScritturaClick();
    // Base fuel map for a vehicle outside the archive, by the displacement on the first page:
    // into the model, and into the ECU when a session is up. False (after a message) when none.
    bool LoadBaseMap();
    // The kit's installation instructions in the document viewer, in the current language or in
    // one the installer picks among those that have them.
    void ButtonIstruzioniKitClick();
    void PageControl1Change();
    void ComboAlimChange();
    void ComboTipoEmChange();
    void ComboSensChange();
    void GroupTipoCutoffClick();
    void UpDownCutOffClick();
    void CheckOpenLoopClick();
    void CheckBoxCambioFreddoClick();
    void EditEmOndeEnter(QLineEdit* edit);
    // False when the value was refused (the edit has been put back and has the focus again).
    bool EditEmOndeExit(QLineEdit* edit);
    void EditEmTriEnter(QLineEdit* edit);
    bool EditEmTriExit(QLineEdit* edit);
    // Entering the self-adaptation page: the page re-reads the ECU, the changed flag stays.
    void PageAdattativitaEnter();

    // The selected cutoff type 0..3 (-1 with none).
    int CutoffType() const;

    // --- controls, named as the window's components ----------------------------------------
    QTabWidget* PageControl1;
    QWidget* PageGenerale;
    QWidget* PageCambio;
    QWidget* PageEmulazione;
    QWidget* PageSensore;
    QWidget* PageCutoff;
    AdaptationPage* PageAdattativita;
    QWidget* PageMappa;
    QWidget* PageTps;
    QWidget* PageEmissioni;
    QPushButton* ButtonIstruzioniKit;
    QPushButton* ButtonModifica;
    QPushButton* ButtonAnnullaScrittura;
    QPushButton* ButtonEsci;

    // "Caratteristiche vettura"
    QLabel* LabelAlim;
    QComboBox* ComboAlim;
    QLabel* LabelTipoLambda;
    QComboBox* ComboLambda;
    QLabel* LabelCilindri;
    QComboBox* ComboCilindri;
    QLabel* LabelCilindrata;
    QLineEdit* EditCilindrata;
    QLabel* LabelTpsLineare;
    QComboBox* ComboTps;
    QLabel* LabelTpsSwitch;
    QComboBox* ComboTpsSwitch;
    QLabel* LabelIstTps;
    QLineEdit* EditIstTps;
    QLabel* LabelV;

    // "Cambio"
    QLabel* LabelMaxRit;
    QLineEdit* EditRitMax;
    QLabel* LabelS2;
    QLabel* LabelMinRit;
    QLineEdit* EditRitMin;
    QLabel* LabelS3;
    QLabel* LabelTMin;
    QLineEdit* EditTMin;
    QLabel* LabelC;
    QLabel* LabelTSovrappos;
    QLineEdit* EditTSovrappos;
    QLabel* LabelMs3;
    QLabel* LabelGiriMin;
    QLineEdit* EditGiriMin;
    QLabel* LabelRpm;
    QLabel* LabelFuoriGiri;
    QLineEdit* EditFuoriGiri;
    QLabel* LabelRpm4;
    QRadioButton* RadioCambioAcc;
    QRadioButton* RadioCambioDec;
    QCheckBox* CheckBoxCambioFreddo;

    // "Emulazione lambda"
    QLabel* LabelEmTipo;
    QComboBox* ComboTipoEm;
    QLabel* LabelEmOnde;
    QLineEdit* EditEmOnde;
    QLabel* LabelEmBasso;
    QLineEdit* EditEmBasso;
    QLabel* LabelMs1;
    QLabel* LabelEmAlto;
    QLineEdit* EditEmAlto;
    QLabel* LabelMs2;
    QLabel* LabelEmTri;
    QLineEdit* EditEmTri;
    QLabel* LabelS1;

    // "Sensore livello"
    QLabel* LabelTipoSens;
    QComboBox* ComboSens;
    QLabel* LabelIsteresi;
    QLineEdit* EditIsteresi;
    QLabel* LabelRiferimenti;
    QLabel* LabelRifRiserva;
    QLineEdit* EditRif1;
    QLabel* LabelRif1_4;
    QLineEdit* EditRif2;
    QLabel* LabelRif2_4;
    QLineEdit* EditRif3;
    QLabel* LabelRif3_4;
    QLineEdit* EditRif4;

    // "Cutoff"
    QGroupBox* GroupTipoCutoff;
    std::array<QRadioButton*, 4> GroupTipoCutoffItems{};
    QLabel* LabelRitCF;
    QLineEdit* EditRitCutoff;
    QLabel* LabelMs4;
    QLabel* LabelGiriUCF;
    QLineEdit* EditGiriUCF;
    QLabel* LabelRpm2;
    QLabel* LabelGiriACF;
    QLineEdit* EditGiriACF;
    QLabel* LabelRpm3;
    QLabel* LabelPosCF;
    QLineEdit* EditPosCutoff;
    TUpDown* UpDownCutOff;
    QCheckBox* CheckCutoffBenzina;

    // "Mappa TPS": the page's own edit, checked and stored by this window.
    QLineEdit* EditMinCumulo = nullptr;

    // "Emissioni"
    QLabel* LabelGuadApertMin;
    QLineEdit* EditGApMin;
    QLabel* LabelRangeGAp;
    QLabel* LabelGuadChiusMin;
    QLineEdit* EditGChMin;
    QLabel* LabelRangeGCh;
    QCheckBox* CheckOpenLoop;
    QLabel* LabelMaxErrInteg;
    QLineEdit* EditMaxErrInteg;
    QLabel* LabelPassi1;
    QLabel* LabelMinErrInteg;
    QLineEdit* EditMinErrInteg;
    QLabel* LabelPassi2;
    QLabel* LabelMaxErrIntegMin;
    QLineEdit* EditMaxErrIntegMin;
    QLabel* LabelPassi3;
    QLabel* LabelMinErrIntegMin;
    QLineEdit* EditMinErrIntegMin;
    QLabel* LabelPassi4;

  public slots:
    // Closing goes through the question about unsaved values (Esc, `ButtonEsci`, the close box).
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The progress window of a write to the ECU (the store, the base map), shown.
    void ShowWriteProgress(TFormAttesaFile& progress);
    // Built-in texts and messages, replaced by the dictionary's.
    struct Texts {
        QString giriUCF;
        QString giriACF;
        QString fourthEmulation;
        std::string fuoriRange;
        std::string erroreSens;
        std::string valoriCambiati;
        std::string scaricaValori;
        std::string memorizzaValori;
        std::string noFile;
        std::string noCil;
        std::string corruptedFile;
        std::string baseMapLimits;
        QString finestraIstruzioni;
        std::string noIstrLingua;
        std::string noIstruzioni;
        QString buttonOK;
        QString buttonAnnulla;
        QString cerca;
        QString istrIlleggibili;
        QString finestraScaricaCpu;
        QString aggiornaCpu;
        QString completato;
        std::string valoriInScrittura;
        std::string anteprimaNonDisp;
        std::string annullaNonDisp;
        std::string annullaScrittura;
        std::string errAnnulla;
        std::string scritturaRifiutata;
        std::string cutoffSpento;
    };
    // The variables a store (or a write of a page) found refused, named under the one message.
    void ReportRefusedWrites(const std::vector<int>& refused);

    // Steps of the store up to the writes, into `car` and `param`; `final` for the store itself
    // (it remembers the lambda type it applied), `progress` gets the percentages.
    void ApplyEdits(ConfCar& car, ConfParam& param, bool final, const std::function<void(int)>& progress);
    void StoreIdleGains(EditorFieldMap fields);
    // Lists what the store changes in the ECU and asks once; holds the ECU's values aside for the
    // undo. False when the installer said no; `asked`: he has already said yes, only the undo is
    // prepared.
    bool ConfirmStore(bool asked);
    // The store preview's words: each field by the caption and unit beside its edit.
    StorePreview::Texts PreviewTexts() const;

    void BuildControls();
    void BuildGenerale();
    void BuildCambio();
    void BuildEmulazione();
    void BuildSensore();
    void BuildCutoff();
    void BuildEmissioni();
    QLayout* BuildButtons();
    bool Localize();
    void AttachLimits();
    void ApplyVersionVisibility();
    void ConnectHandlers();

    EditorFieldMap Fields() const;
    // The edits of the limits table with their rows.
    std::vector<std::pair<QLineEdit*, int>> CheckedEdits() const;
    void FillField(QLineEdit* edit, int field);
    std::array<QLineEdit*, 4> LevelReferenceEdits() const { return {EditRif1, EditRif2, EditRif3, EditRif4}; }
    void FillEmulation();
    void FillLevelSensor();
    void FillCutoff();
    void SetEmulationEnabled(bool enabled);
    void SetLevelEditsEnabled(bool enabled);
    void ShowCutoffRows(int type);
    // True to go on: the edit that has the focus passes its check (a store or a close may come
    // without the focus leaving it).
    bool CheckFocusedEdit();
    // Focus move of the page key handler; false when no control of the same page or group lies
    // that way.
    bool MoveFocus(QWidget* from, bool forward);
    bool FormKeyDown(QKeyEvent* key);
    bool ComboTipoEmKeyDown(QWidget* control, QKeyEvent* key);
    void SelectPage(int index);
    void PageEntered(QWidget* page);
    void PageLeft(QWidget* page);
    // Message box with the window's caption; the enrichment page's live timer is stopped while
    // it is open.
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons);
    std::string Caption() const;
    bool FormCloseQuery();
    void FormClose();
    void MarkChanged() { valuesChanged_ = true; }

    AppContext& ctx_;
    TModuloLingua& dictionary_;
    const bool outOfArchive_;
    EnrichmentPage* enrichment_ = nullptr;
    QButtonGroup* cutoffGroup_ = nullptr;

    bool valuesChanged_ = false;
    QWidget* returnPage_ = nullptr;
    QWidget* currentPage_ = nullptr;
    int lambdaTypeAtLoad_ = -1;
    FieldLimits::Table fieldLimits_{};
    std::map<const QWidget*, int> limitOf_;  // checked edit -> row of fieldLimits_
    int32_t intAtEnter_ = 0;
    double floatAtEnter_ = 0;
    bool checking_ = false;  // a refused value's message box is open
    bool shown_ = false;
    bool closed_ = false;
    bool localized_ = false;
    double scale_ = 1.0;
    Texts texts_;
};

}  // namespace zov
