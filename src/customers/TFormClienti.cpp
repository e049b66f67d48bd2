#include "TFormClienti.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "CarHistoryRecorder.h"
#include "DictionaryMessages.h"
#include "InstallationRecord.h"
#include "Localizer.h"
#include "QtText.h"
#include "TFormClientiStorico.h"
#include "TFormConnessione.h"
#include "TFormRicerca.h"
#include "TModuloLingua.h"
#include "WidgetFactory.h"
#include "WindowScale.h"

namespace zov {

// The texts the window keeps for messages and status lines: built-in Italian until the dictionary
// replaces them all.
struct TFormClienti::Texts {
    QString labelNuovoCli = QStringLiteral("Nuovo cliente");
    QString labelCont = QStringLiteral("Clienti:");
    QString labelRicercaCli1 = QStringLiteral("Scegliere il campo e scrivere l'inizio");
    QString labelRicercaCli2 = QStringLiteral("del valore da cercare.");
    QString labelPosCli = QStringLiteral("Scrivere l'inizio del cognome del cliente.");
    QString buttonStartRic = QStringLiteral("&Ricerca ...");
    QString buttonEndRic = QStringLiteral("&Fine ricerca");
    QString buttonOK = QStringLiteral("&OK");
    QString buttonAnnulla = QStringLiteral("&Annulla");
    std::string messClientDel = "Cancellare il cliente?";
    std::string messClientMod = "Il cliente \xE8 stato modificato.";
    std::string messSaveChange = "Salvare le modifiche?";
    std::string messNoFound = "Cliente non trovato.";
    std::string messNoArchivio = "L'archivio clienti non esiste. Crearlo?";
    std::string messProbArchivio = "Problemi con l'archivio clienti.";
    std::string messMancaCampo = "Inserire cognome, data di installazione e numero di serie.";
    std::string messScartaCliente = "Uscire senza salvare questo cliente?";
    std::string messDataNoValida = "Data non valida.";
    std::string messNumNoValido = "Numero non valido.";
    std::string messArchivioInUso = "Archivio in uso: un altro programma lo ha gi\xE0 aperto.";
    std::string messClienteConflitto = "Cliente modificato da un altro banco, modifiche non salvate:";
    std::string messClientiImportati = "Clienti importati dal vecchio archivio dbcli.DBF:";
    std::string messImportFallito = "Impossibile importare il vecchio archivio:";
    std::string messValoriNonImportati = "Valori non importati come erano:";
    std::string messArchivioIrraggiungibile =
        "Archivio clienti non raggiungibile: i dati restano nella finestra.";
    std::string messStoricoNonSalvato = "Configurazione non registrata nello storico della vettura:";
};

namespace {

// Digits of room for a city, and at most for a date, a version or a plate: every field shows whole
// while the window still fits on an 800 pixel wide screen.
constexpr int kCityDigits = 12;
constexpr int kShortFieldDigits = 10;

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(maxLength);
    edit->setReadOnly(readOnly);
    if (readOnly) {
        // A field filled from the installation looks it and is passed over by Tab, Enter and the
        // arrows; a click still selects its text for copying.
        edit->setFocusPolicy(Qt::ClickFocus);
        QPalette look = edit->palette();
        look.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
        edit->setPalette(look);
    }
    return edit;
}

// Texts of the edits as the record holds them: empty means no value.
QVariant TextValue(const QLineEdit* edit) {
    const QString text = edit->text().trimmed();
    return text.isEmpty() ? QVariant() : QVariant(text);
}

std::string Cp1252Of(const QString& text) { return ToCp1252(text); }

}  // namespace

TFormClienti::TFormClienti(AppContext& ctx, TModuloLingua& dictionary, QWidget* parent)
    : QDialog(parent), ctx_(ctx), dictionary_(dictionary), texts_(std::make_unique<Texts>()) {
    setObjectName(QStringLiteral("FormClienti"));
    setWindowTitle(QStringLiteral("Archivio clienti"));
    setWindowState(windowState() | Qt::WindowMaximized);
    // The fields' widths follow the texts: with the texts scaled the window fits the screen.
    setFont(ScaledFont(font(), PrimaryScreenScale()));
    dateOrderFormat = DateOrderFormat();
    location_ =
        ArchiveLocation::FromSettings(ctx_.settingsDirectory, QString::fromStdString(ctx_.global.MainPath()));
    Build();
}

TFormClienti::~TFormClienti() = default;

void TFormClienti::Build() {
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    groups->addWidget(BuildCustomerGroup(), 1);
    groups->addWidget(BuildVehicleGroup(), 1);
    layout->addLayout(groups);
    layout->addWidget(BuildButtons());
    layout->addStretch(1);
    dataEdits_ = {DBEditCognome, DBEditNome,      DBEditInd,      DBEditCitta,  DBEditProv,
                  DBEditTel,     DBEditMod,       DBEditCil,      DBEditAnno,   DBEditProg,
                  DBEditVer,     DBEditDataCreaz, DBEditDataInst, DBEditNSerie, DBEditTarga};
    for (QLineEdit* edit : dataEdits_) {
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, &TFormClienti::TableClientiBeforeEdit);
    }
    // Upper-case fields show what will be stored while it is typed.
    for (QLineEdit* edit : {DBEditProv, DBEditTarga})
        connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
            const int cursor = edit->cursorPosition();
            edit->setText(text.toUpper());
            edit->setCursorPosition(cursor);
        });
}

QWidget* TFormClienti::BuildCustomerGroup() {
    GroupCliente = new QGroupBox(QStringLiteral("Dati cliente"), this);
    GroupCliente->setObjectName(QStringLiteral("GroupCliente"));
    auto* grid = new QGridLayout(GroupCliente);
    LabelCognome = MakeLabel(GroupCliente, "LabelCognome", "Cognome");
    LabelNome = MakeLabel(GroupCliente, "LabelNome", "Nome");
    LabelInd = MakeLabel(GroupCliente, "LabelInd", "Indirizzo");
    LabelCitta = MakeLabel(GroupCliente, "LabelCitta", "Città");
    LabelProv = MakeLabel(GroupCliente, "LabelProv", "Prov.");
    LabelTelefono = MakeLabel(GroupCliente, "LabelTelefono", "Telefono");
    DBEditCognome = MakeEdit(GroupCliente, "DBEditCognome", FieldInfo(kCognome).size, false);
    DBEditNome = MakeEdit(GroupCliente, "DBEditNome", FieldInfo(kNome).size, false);
    DBEditInd = MakeEdit(GroupCliente, "DBEditInd", FieldInfo(kIndirizzo).size, false);
    DBEditCitta = MakeEdit(GroupCliente, "DBEditCitta", FieldInfo(kCitta).size, false);
    DBEditProv = MakeEdit(GroupCliente, "DBEditProv", FieldInfo(kProvincia).size, false);
    DBEditTel = MakeEdit(GroupCliente, "DBEditTel", FieldInfo(kTelefono).size, false);
    grid->addWidget(LabelCognome, 0, 0);
    grid->addWidget(DBEditCognome, 0, 1, 1, 3);
    grid->addWidget(LabelNome, 1, 0);
    grid->addWidget(DBEditNome, 1, 1, 1, 3);
    grid->addWidget(LabelInd, 2, 0);
    grid->addWidget(DBEditInd, 2, 1, 1, 3);
    grid->addWidget(LabelCitta, 3, 0);
    grid->addWidget(DBEditCitta, 3, 1);
    grid->addWidget(LabelProv, 3, 2);
    grid->addWidget(DBEditProv, 3, 3);
    grid->addWidget(LabelTelefono, 4, 0);
    grid->addWidget(DBEditTel, 4, 1, 1, 3);
    grid->setRowStretch(5, 1);
    // The city is read beside the province, whose few letters need little room.
    const int digit = DBEditCitta->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    DBEditCitta->setMinimumWidth(digit * kCityDigits);
    DBEditProv->setMinimumWidth(digit * (DBEditProv->maxLength() + 2));
    DBEditProv->setMaximumWidth(digit * (DBEditProv->maxLength() + 4));
    grid->setColumnStretch(1, 1);
    return GroupCliente;
}

QWidget* TFormClienti::BuildVehicleGroup() {
    GroupProg = new QGroupBox(QStringLiteral("Dati Vettura"), this);
    GroupProg->setObjectName(QStringLiteral("GroupProg"));
    auto* grid = new QGridLayout(GroupProg);
    LabelModello = MakeLabel(GroupProg, "LabelModello", "Modello vettura");
    LabelProg = MakeLabel(GroupProg, "LabelProg", "Programma");
    LabelCil = MakeLabel(GroupProg, "LabelCil", "Cilindrata");
    LabelAnno = MakeLabel(GroupProg, "LabelAnno", "Anno");
    LabelData = MakeLabel(GroupProg, "LabelData", "Data installazione");
    LabelVer = MakeLabel(GroupProg, "LabelVer", "Versione");
    LabelDataCreaz = MakeLabel(GroupProg, "LabelDataCreaz", "Data creazione");
    LabelNSerie = MakeLabel(GroupProg, "LabelNSerie", "Numero di serie riduttore");
    LabelTarga = MakeLabel(GroupProg, "LabelTarga", "Targa");
    DBEditMod = MakeEdit(GroupProg, "DBEditMod", FieldInfo(kAuto).size, true);
    DBEditProg = MakeEdit(GroupProg, "DBEditProg", FieldInfo(kProgramma).size, true);
    DBEditCil = MakeEdit(GroupProg, "DBEditCil", 5, true);
    DBEditAnno = MakeEdit(GroupProg, "DBEditAnno", 5, true);
    DBEditDataInst = MakeEdit(GroupProg, "DBEditDataInst", 15, true);
    DBEditVer = MakeEdit(GroupProg, "DBEditVer", FieldInfo(kVersione).size, true);
    DBEditDataCreaz = MakeEdit(GroupProg, "DBEditDataCreaz", 15, true);
    DBEditNSerie = MakeEdit(GroupProg, "DBEditNSerie", FieldInfo(kNSerie).size, false);
    DBEditTarga = MakeEdit(GroupProg, "DBEditTarga", FieldInfo(kTarga).size, false);
    grid->addWidget(LabelModello, 0, 0);
    grid->addWidget(DBEditMod, 0, 1, 1, 3);
    grid->addWidget(LabelProg, 1, 0);
    grid->addWidget(DBEditProg, 1, 1, 1, 3);
    grid->addWidget(LabelCil, 2, 0);
    grid->addWidget(DBEditCil, 2, 1);
    grid->addWidget(LabelAnno, 2, 2);
    grid->addWidget(DBEditAnno, 2, 3);
    grid->addWidget(LabelVer, 3, 0);
    grid->addWidget(DBEditVer, 3, 1);
    grid->addWidget(LabelDataCreaz, 3, 2);
    grid->addWidget(DBEditDataCreaz, 3, 3);
    grid->addWidget(LabelData, 4, 0);
    grid->addWidget(DBEditDataInst, 4, 1);
    grid->addWidget(LabelTarga, 4, 2);
    grid->addWidget(DBEditTarga, 4, 3);
    grid->addWidget(LabelNSerie, 5, 0);
    grid->addWidget(DBEditNSerie, 5, 1, 1, 3);
    // A date, a version or a plate is read whole, never scrolled.
    const int digit = DBEditDataInst->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (QLineEdit* edit : {DBEditCil, DBEditAnno, DBEditVer, DBEditDataCreaz, DBEditDataInst, DBEditTarga})
        edit->setMinimumWidth(digit * (std::min(edit->maxLength(), kShortFieldDigits) + 2));
    grid->setRowStretch(6, 1);
    return GroupProg;
}

QWidget* TFormClienti::BuildButtons() {
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    ButtonFirst = MakeButton(panel, "ButtonFirst", "&Primo cliente");
    ButtonPrev = MakeButton(panel, "ButtonPrev", "Cliente p&recedente");
    ButtonNext = MakeButton(panel, "ButtonNext", "Cliente &successivo");
    ButtonLast = MakeButton(panel, "ButtonLast", "&Ultimo cliente");
    ButtonNew = MakeButton(panel, "ButtonNew", "&Nuovo cliente");
    ButtonDel = MakeButton(panel, "ButtonDel", "Cance&lla cliente");
    ButtonAnnullaMod = MakeButton(panel, "ButtonAnnullaMod", "&Annulla modifiche");
    ButtonConfermaMod = MakeButton(panel, "ButtonConfermaMod", "&Conferma modifiche");
    ButtonVai = MakeButton(panel, "ButtonVai", "&Visualizza cliente");
    ButtonCerca = MakeButton(panel, "ButtonCerca", "&Ricerca ...");
    ButtonEsci = MakeButton(panel, "ButtonEsci", "&Esci");
    ButtonConnessione = MakeButton(panel, "ButtonConnessione", "C&onnessione archivio...");
    ButtonStorico = MakeButton(panel, "ButtonStorico", "S&torico vettura");
    LabelCont = MakeLabel(panel, "LabelCont", "");
    LabelRicerca = MakeLabel(panel, "LabelRicerca", "Ricerca in corso");
    ButtonAnnullaMod->setEnabled(false);
    ButtonConfermaMod->setEnabled(false);
    const std::array<QPushButton*, 4> moves = {ButtonFirst, ButtonPrev, ButtonNext, ButtonLast};
    for (int i = 0; i < 4; ++i) grid->addWidget(moves[size_t(i)], 0, i);
    grid->addWidget(ButtonNew, 1, 0);
    grid->addWidget(ButtonDel, 1, 1);
    grid->addWidget(ButtonAnnullaMod, 1, 2);
    grid->addWidget(ButtonConfermaMod, 1, 3);
    grid->addWidget(ButtonVai, 2, 0);
    grid->addWidget(ButtonCerca, 2, 1);
    grid->addWidget(LabelCont, 2, 2);
    grid->addWidget(LabelRicerca, 2, 2);
    grid->addWidget(ButtonEsci, 2, 3);
    grid->addWidget(ButtonConnessione, 3, 0);
    grid->addWidget(ButtonStorico, 3, 1);

    connect(ButtonFirst, &QPushButton::clicked, this, &TFormClienti::ButtonFirstClick);
    connect(ButtonPrev, &QPushButton::clicked, this, &TFormClienti::ButtonPrevClick);
    connect(ButtonNext, &QPushButton::clicked, this, &TFormClienti::ButtonNextClick);
    connect(ButtonLast, &QPushButton::clicked, this, &TFormClienti::ButtonLastClick);
    connect(ButtonNew, &QPushButton::clicked, this, &TFormClienti::ButtonNewClick);
    connect(ButtonDel, &QPushButton::clicked, this, &TFormClienti::ButtonDelClick);
    connect(ButtonAnnullaMod, &QPushButton::clicked, this, &TFormClienti::ButtonAnnullaModClick);
    connect(ButtonConfermaMod, &QPushButton::clicked, this, &TFormClienti::ButtonConfermaModClick);
    connect(ButtonVai, &QPushButton::clicked, this, &TFormClienti::ButtonVaiClick);
    connect(ButtonCerca, &QPushButton::clicked, this, &TFormClienti::ButtonCercaClick);
    connect(ButtonEsci, &QPushButton::clicked, this, &TFormClienti::ButtonEsciClick);
    connect(ButtonConnessione, &QPushButton::clicked, this, &TFormClienti::ButtonConnessioneClick);
    connect(ButtonStorico, &QPushButton::clicked, this, &TFormClienti::ButtonStoricoClick);
    return panel;
}

bool TFormClienti::Localize() {
    Texts& t = *texts_;
    Localizer localizer(dictionary_);
    for (QObject* control : std::initializer_list<QObject*>{GroupCliente, GroupProg, LabelCognome, LabelNome,
                                                            LabelInd, LabelCitta, LabelTelefono, LabelModello,
                                                            LabelProg, LabelData, LabelRicerca, LabelNSerie})
        localizer.Caption(control, 30);
    localizer.Caption(LabelProv, 8);
    for (QObject* control : std::initializer_list<QObject*>{LabelCil, LabelAnno, LabelVer, LabelTarga})
        localizer.Caption(control, 15);
    localizer.Caption(LabelDataCreaz, 18);
    for (QObject* control : std::initializer_list<QObject*>{
             ButtonFirst, ButtonPrev, ButtonNext, ButtonLast, ButtonNew, ButtonDel, ButtonAnnullaMod,
             ButtonConfermaMod, ButtonVai, ButtonCerca, ButtonStorico})
        localizer.Caption(control, 25);
    localizer.Caption(ButtonConnessione, 25);
    localizer.Caption(ButtonEsci, 10)
        .WindowTitle(this, QStringLiteral("FinestraClienti"), 70)
        .Text(QStringLiteral("LabelNuovoCli"), 20, t.labelNuovoCli)
        .Text(QStringLiteral("LabelCont"), 20, t.labelCont)
        .Text(QStringLiteral("LabelRicercaCli1"), 70, t.labelRicercaCli1)
        .Text(QStringLiteral("LabelRicercaCli2"), 70, t.labelRicercaCli2)
        .Text(QStringLiteral("LabelPosCli"), 70, t.labelPosCli)
        .Text(QStringLiteral("ButtonStartRic"), 25, t.buttonStartRic)
        .Text(QStringLiteral("ButtonEndRic"), 25, t.buttonEndRic)
        .Text(QStringLiteral("MessClientDel"), 50, t.messClientDel)
        .Text(QStringLiteral("MessClientMod"), 50, t.messClientMod)
        .Text(QStringLiteral("MessSaveChange"), 50, t.messSaveChange)
        .Text(QStringLiteral("MessNoFound"), 30, t.messNoFound)
        .Text(QStringLiteral("MessNoArchivio"), 70, t.messNoArchivio)
        .Text(QStringLiteral("MessProbArchivio"), 70, t.messProbArchivio)
        .Text(QStringLiteral("MessMancaCampo"), 70, t.messMancaCampo)
        .Text(QStringLiteral("MessDataNoValida"), 70, t.messDataNoValida)
        .Text(QStringLiteral("MessNumNoValido"), 70, t.messNumNoValido)
        .Text(QStringLiteral("MessArchivioInUso"), 70, t.messArchivioInUso)
        .Text(QStringLiteral("MessClienteConflitto"), 70, t.messClienteConflitto)
        .Text(QStringLiteral("MessClientiImportati"), 70, t.messClientiImportati)
        .Text(QStringLiteral("MessImportFallito"), 70, t.messImportFallito)
        .Text(QStringLiteral("MessScartaCliente"), 70, t.messScartaCliente)
        .Text(QStringLiteral("MessValoriNonImportati"), 70, t.messValoriNonImportati)
        .Text(QStringLiteral("MessArchivioIrraggiungibile"), 70, t.messArchivioIrraggiungibile)
        .Text(QStringLiteral("MessStoricoNonSalvato"), 70, t.messStoricoNonSalvato)
        .Text(QStringLiteral("ButtonOK"), 15, t.buttonOK)
        .Text(QStringLiteral("ButtonAnnulla"), 15, t.buttonAnnulla);
    return localizer.RunOrReport(ctx_.prompter, dictionary_messages::kCustomerArchive,
                                 Cp1252Of(windowTitle()));
}

PromptAnswer TFormClienti::Ask(const std::string& text, PromptIcon icon, PromptButtons buttons) {
    return ctx_.prompter.Ask(text, Cp1252Of(windowTitle()), icon, buttons);
}

void TFormClienti::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TFormClienti::FormShow() {
    localized_ = Localize();
    ButtonCerca->setText(texts_->buttonStartRic);
    if (!OpenArchive()) {
        // Closing from inside the show would leave the opener's exec() waiting.
        QTimer::singleShot(0, this, [this] { done(QDialog::Rejected); });
        return;
    }
    archive_->Pack();
    archive_->First();
    ShowRecord(archive_->Current());
    askToSave = true;
    LabelRicerca->hide();
    RefreshNavigation();
    if (installation_) StartInstallation();
}

bool TFormClienti::OpenArchive() {
    archive_ = std::make_unique<CustomerArchive>(location_);
    CustomerArchive::OpenOutcome opened = archive_->Open(false);
    if (opened.status == CustomerArchive::OpenStatus::NoArchive) {
        if (Ask(texts_->messNoArchivio, PromptIcon::Warning, PromptButtons::YesNo) == PromptAnswer::No) {
            archive_.reset();
            return false;
        }
        opened = archive_->Open(true);
    }
    switch (opened.status) {
        case CustomerArchive::OpenStatus::Opened:
            ReportImport(opened.import);
            return true;
        case CustomerArchive::OpenStatus::InUse:
            Ask(texts_->messArchivioInUso, PromptIcon::Error, PromptButtons::Ok);
            break;
        case CustomerArchive::OpenStatus::NoArchive:
        case CustomerArchive::OpenStatus::Failed:
            // The window cannot open to show its settings button; a server it cannot use may be a
            // wrong setting, so the settings are offered here.
            {
                // The settings dialog wants the server's own reason to show what to correct.
                const std::string detailed = texts_->messProbArchivio + "\n" + Cp1252Of(opened.error);
                if (location_.kind == ArchiveLocation::Kind::Postgres) {
                    archive_.reset();
                    TFormConnessione dialog(ctx_, dictionary_, location_, this);
                    if (!dialog.OfferAfterFailure(detailed)) return false;
                    location_ = dialog.Chosen();
                    return OpenArchive();
                }
                Ask(opened.unreachable ? texts_->messArchivioIrraggiungibile : detailed, PromptIcon::Error,
                    PromptButtons::Ok);
            }
            break;
    }
    archive_.reset();
    return false;
}

std::string TFormClienti::ImportProblemList(const CustomerArchive::ImportReport& report) const {
    if (report.problems.empty()) return {};
    std::string list = "\n\n" + texts_->messValoriNonImportati + " " + std::to_string(report.problems.size());
    const size_t shown = std::min(report.problems.size(), kImportProblemsShown);
    for (size_t i = 0; i < shown; ++i) list += "\n" + Cp1252Of(report.problems[i].Describe());
    if (shown < report.problems.size()) list += "\n...";
    return list;
}

void TFormClienti::ReportImport(const CustomerArchive::ImportReport& report) {
    if (!report.attempted) return;
    if (report.ok)
        Ask(texts_->messClientiImportati + " " + std::to_string(report.records) + ImportProblemList(report),
            report.problems.empty() ? PromptIcon::Information : PromptIcon::Warning, PromptButtons::Ok);
    else
        Ask(texts_->messImportFallito + "\n" + Cp1252Of(report.error), PromptIcon::Warning,
            PromptButtons::Ok);
}

void TFormClienti::StartInstallation() {
    for (QPushButton* hidden : {ButtonFirst, ButtonLast, ButtonNext, ButtonPrev, ButtonNew, ButtonDel,
                                ButtonVai, ButtonCerca, ButtonConfermaMod, ButtonAnnullaMod, ButtonStorico})
        hidden->hide();
    ButtonConnessione->hide();
    ButtonNewClick();
    editRecord_ = InstallationRecord(ctx_.car, editRecord_.Date(kDataInst));
    ShowRecord(editRecord_);
}

void TFormClienti::ShowRecord(const CustomerRecord& record) {
    editRecord_ = record;
    for (int f = 0; f < kCustomerFieldCount; ++f)
        dataEdits_[size_t(f)]->setText(record.Display(f, dateOrderFormat));
}

CustomerRecord TFormClienti::RecordFromEdits() const {
    CustomerRecord record = editRecord_;
    for (int f = 0; f < kCustomerFieldCount; ++f) {
        const QLineEdit* edit = dataEdits_[size_t(f)];
        // The read-only fields keep the values they were filled with; their texts are displays.
        if (!edit->isReadOnly()) record.values[size_t(f)] = TextValue(edit);
    }
    return record;
}

void TFormClienti::TableClientiBeforeEdit() {
    if (editing_ || inserting_) return;
    if (!archive_ || archive_->Count() == 0) return;
    editing_ = true;
    SetEditButtons(true);
}

void TFormClienti::SetEditButtons(bool enabled) {
    ButtonAnnullaMod->setEnabled(enabled);
    ButtonConfermaMod->setEnabled(enabled);
}

bool TFormClienti::RequiredFieldsFilled() const {
    for (const QLineEdit* edit : {DBEditCognome, DBEditDataInst, DBEditNSerie})
        if (edit->text().trimmed().isEmpty()) return false;
    return true;
}

bool TFormClienti::TableClientiBeforePost() {
    if (RequiredFieldsFilled()) return true;
    Ask(texts_->messMancaCampo, PromptIcon::Error, PromptButtons::Ok);
    return false;
}

bool TFormClienti::LeaveIncompleteRecord() {
    if (!(editing_ || inserting_) || RequiredFieldsFilled()) return true;
    if (Ask(texts_->messMancaCampo + "\n" + texts_->messScartaCliente, PromptIcon::Warning,
            PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    // Only the record in edit goes; changes already posted are applied on the way out.
    editing_ = false;
    inserting_ = false;
    return true;
}

bool TFormClienti::PostRecord() {
    if (!archive_ || (!editing_ && !inserting_)) return true;
    if (!TableClientiBeforePost()) return false;
    const CustomerArchive::PostOutcome posted = archive_->Post(RecordFromEdits(), inserting_);
    if (!posted.posted) {
        Ask(texts_->messProbArchivio + "\n" + Cp1252Of(posted.problem), PromptIcon::Error, PromptButtons::Ok);
        return false;
    }
    editing_ = false;
    inserting_ = false;
    return TableClientiAfterPost();
}

bool TFormClienti::TableClientiAfterPost() {
    const CustomerRecord typed = RecordFromEdits();
    bool kept = false;
    if (askToSave) {
        const PromptAnswer answer = Ask(texts_->messClientMod + "\n" + texts_->messSaveChange,
                                        PromptIcon::Warning, PromptButtons::YesNo);
        if (answer == PromptAnswer::Yes)
            kept = !ApplyCached();
        else
            archive_->CancelCached();
    }
    askToSave = true;
    // A save that failed keeps the change cached and what was typed on view, to save again or copy.
    SetEditButtons(kept);
    ShowRecord(kept ? typed : archive_->Current());
    DBEditCognome->setFocus();
    return !kept;
}

bool TFormClienti::ApplyCached() {
    const CustomerArchive::ApplyOutcome outcome = archive_->Apply();
    switch (outcome.status) {
        case CustomerArchive::ApplyStatus::Applied:
            if (installation_) RecordInstallation();
            return true;
        case CustomerArchive::ApplyStatus::Conflict:
            Ask(texts_->messClienteConflitto + " " + Cp1252Of(outcome.conflictSurname), PromptIcon::Error,
                PromptButtons::Ok);
            break;
        case CustomerArchive::ApplyStatus::Failed:
            if (outcome.unreachable)
                Ask(texts_->messArchivioIrraggiungibile, PromptIcon::Error, PromptButtons::Ok);
            else
                Ask(texts_->messProbArchivio + "\n" + Cp1252Of(outcome.error), PromptIcon::Error,
                    PromptButtons::Ok);
            break;
    }
    // The changes stay cached, so "Annulla modifiche" or another try can follow.
    SetEditButtons(true);
    return false;
}

void TFormClienti::RefreshNavigation() {
    if (!archive_) return;
    const bool atEnd = archive_->AtEnd();
    const bool atBeginning = archive_->AtBeginning();
    ButtonLast->setEnabled(!atEnd);
    ButtonNext->setEnabled(!atEnd);
    ButtonFirst->setEnabled(!atBeginning);
    ButtonPrev->setEnabled(!atBeginning);
    LabelCont->setText(texts_->labelCont + QLatin1Char(' ') + QString::number(archive_->Count()));
    const bool any = archive_->Count() > 0;
    GroupCliente->setEnabled(any);
    GroupProg->setEnabled(any);
    // While a filter is on, records are neither inserted nor deleted.
    ButtonDel->setEnabled(any && !archive_->FilterActive());
    if (any)
        DBEditCognome->setFocus();
    else
        ButtonEsci->setFocus();
}

void TFormClienti::ButtonFirstClick() {
    if (!PostRecord()) return;
    archive_->First();
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonPrevClick() {
    if (!PostRecord()) return;
    archive_->Prior();
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonNextClick() {
    if (!PostRecord()) return;
    archive_->Next();
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonLastClick() {
    if (!PostRecord()) return;
    archive_->Last();
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonNewClick() {
    if (!archive_ || !PostRecord()) return;
    GroupCliente->setEnabled(true);
    GroupProg->setEnabled(true);
    CustomerRecord fresh;
    fresh.values[kDataInst] = QDate::currentDate();
    ShowRecord(fresh);
    inserting_ = true;
    editing_ = false;
    LabelCont->setText(texts_->labelNuovoCli);
    SetEditButtons(true);
    DBEditCognome->setFocus();
}

void TFormClienti::ButtonDelClick() {
    if (!archive_) return;
    if (Ask(texts_->messClientDel, PromptIcon::Warning, PromptButtons::YesNo) == PromptAnswer::No) return;
    if (inserting_) {
        // A record not yet posted goes without touching the table.
        inserting_ = false;
    } else {
        editing_ = false;
        archive_->DeleteCurrent();
    }
    // The deletion waits in the cache: "Conferma" or "Annulla" decide it.
    SetEditButtons(archive_->HasCachedChanges());
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonAnnullaModClick() {
    if (!archive_) return;
    editing_ = false;
    inserting_ = false;
    archive_->CancelCached();
    SetEditButtons(false);
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonConfermaModClick() {
    if (!archive_) return;
    const CustomerRecord typed = RecordFromEdits();
    askToSave = false;
    if (!PostRecord()) {
        askToSave = true;
        return;
    }
    askToSave = true;
    if (!ApplyCached()) {
        // Kept on view and in the cache, to save again or copy.
        SetEditButtons(true);
        ShowRecord(typed);
        return;
    }
    SetEditButtons(false);
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

std::unique_ptr<TFormRicerca> TFormClienti::MakeSearchDialog(bool locate) {
    auto dialog = std::make_unique<TFormRicerca>(ctx_.prompter, dateOrderFormat, this);
    dialog->setWindowTitle(StripAccelerator(locate ? ButtonVai->text() : ButtonCerca->text()));
    dialog->LabelIstruzioni->setText(locate ? texts_->labelPosCli
                                            : texts_->labelRicercaCli1 + QLatin1Char(' ') +
                                                  texts_->labelRicercaCli2);
    dialog->ButtonOK->setText(texts_->buttonOK);
    dialog->ButtonAnnulla->setText(texts_->buttonAnnulla);
    dialog->messDataNoValida = texts_->messDataNoValida;
    dialog->messNumNoValido = texts_->messNumNoValido;
    if (locate) {
        dialog->ShowValueOnly();
        return dialog;
    }
    QStringList fields;
    for (const QLabel* label :
         {LabelCognome, LabelNome, LabelInd, LabelCitta, LabelProv, LabelTelefono, LabelModello, LabelCil,
          LabelAnno, LabelProg, LabelVer, LabelDataCreaz, LabelData, LabelNSerie, LabelTarga})
        fields << label->text();
    dialog->SetFields(fields);
    return dialog;
}

int TFormClienti::RunSearch(TFormRicerca& dialog) {
    return searchRunner_ ? searchRunner_(dialog) : dialog.exec();
}

void TFormClienti::ButtonVaiClick() {
    if (!archive_ || !PostRecord()) return;
    const std::unique_ptr<TFormRicerca> dialog = MakeSearchDialog(true);
    if (RunSearch(*dialog) == QDialog::Accepted && !dialog->Value().isEmpty()) {
        if (!archive_->LocateSurname(dialog->Value()))
            Ask(texts_->messNoFound, PromptIcon::Warning, PromptButtons::Ok);
    }
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonCercaClick() {
    if (!archive_ || !PostRecord()) return;
    if (archive_->FilterActive()) {
        archive_->SetFilter(std::nullopt);
        LabelRicerca->hide();
        LabelCont->show();
        ButtonCerca->setText(texts_->buttonStartRic);
        ButtonNew->setEnabled(true);
        ShowRecord(archive_->Current());
        RefreshNavigation();
        return;
    }
    const std::unique_ptr<TFormRicerca> dialog = MakeSearchDialog(false);
    if (RunSearch(*dialog) != QDialog::Accepted || dialog->Value().isEmpty()) return;
    const SearchOutcome built =
        BuildFilter({dialog->Field(), dialog->Condition(), dialog->Value()}, dateOrderFormat);
    // The dialog has refused what does not build; a value past any field's length matches nothing.
    if (!built.filter) return;
    searchField = dialog->Field();
    searchCondition = dialog->Condition();
    searchValue = dialog->Value();
    LabelRicerca->show();
    LabelCont->hide();
    archive_->SetFilter(built.filter);
    ButtonCerca->setText(texts_->buttonEndRic);
    ButtonNew->setEnabled(false);
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::ButtonEsciClick() {
    if (archive_) {
        if (!LeaveIncompleteRecord() || !PostRecord()) return;
        if (archive_->HasCachedChanges() && !ApplyCached()) return;
        archive_->Close();
        archive_.reset();
    }
    leaving_ = true;
    done(QDialog::Accepted);
}

void TFormClienti::ButtonConnessioneClick() {
    if (archive_) {
        if (!LeaveIncompleteRecord() || !PostRecord()) return;
        if (archive_->HasCachedChanges() && !ApplyCached()) return;
        archive_->Close();
    }
    TFormConnessione dialog(ctx_, dictionary_, location_, this);
    if (dialog.exec() == QDialog::Accepted) location_ = dialog.Chosen();
    if (!OpenArchive()) {
        leaving_ = true;
        done(QDialog::Rejected);
        return;
    }
    // A fresh archive: no search on, the first record.
    LabelRicerca->hide();
    LabelCont->show();
    ButtonCerca->setText(texts_->buttonStartRic);
    ButtonNew->setEnabled(true);
    archive_->First();
    ShowRecord(archive_->Current());
    RefreshNavigation();
}

void TFormClienti::closeEvent(QCloseEvent* event) {
    // The window's close button leaves as "Esci" does, so nothing typed is lost on the way out.
    if (!leaving_ && archive_) {
        ButtonEsciClick();
        if (!leaving_) {
            event->ignore();
            return;
        }
    }
    QDialog::closeEvent(event);
}

void TFormClienti::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            if (ButtonAnnullaMod->isEnabled() && !installation_) {
                ButtonAnnullaMod->click();
                DBEditCognome->setFocus();
            } else {
                ButtonEsci->click();
            }
            return;
        case Qt::Key_F12:
            if (QMenu* menu = dictionary_.PopupMenuLingue())
                menu->popup(mapToGlobal(QPoint(0, 0)) +
                            QPoint(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this)));
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

bool TFormClienti::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            focusNextChild();
            return true;
        case Qt::Key_Up:
            focusPreviousChild();
            return false;
        case Qt::Key_Down:
            focusNextChild();
            return false;
        default:
            return QDialog::eventFilter(watched, event);
    }
}

void TFormClienti::RecordInstallation() {
    // Only the installation's own record, once: a later save in the same window is an edit.
    if (installationRecorded_) return;
    installationRecorded_ = true;
    const CustomerRecord record = archive_->Current();
    QString why;
    std::optional<CarHistory::Entry> entry = CarHistoryRecorder::InstallationEntry(ctx_.model, record, why);
    if (entry) {
        const CarHistoryRecorder::Outcome stored =
            CarHistoryRecorder(location_).Record(*entry, archive_.get(), installationBackup_);
        if (stored.stored) return;
        why = stored.error;
    }
    Ask(texts_->messStoricoNonSalvato + "\n" + Cp1252Of(why), PromptIcon::Warning, PromptButtons::Ok);
}

void TFormClienti::ButtonStoricoClick() {
    if (!archive_ || !PostRecord()) return;
    const CustomerRecord record = archive_->Current();
    TFormClientiStorico window(*archive_, ctx_.prompter, dictionary_, historyActions_, this);
    window.SetFileChooser(historyActions_.chooseTarget);
    window.SetCar(record.Text(kTarga), record.Text(kNSerie), CarHistoryRecorder::CustomerName(record));
    if (historyRunner_)
        historyRunner_(window);
    else
        window.exec();
}

}  // namespace zov
