#include "TFormConnessione.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ArchiveMove.h"
#include "BusyCursor.h"
#include "DictionaryMessages.h"
#include "Localizer.h"
#include "QtText.h"
#include "TModuloLingua.h"
#include "WidgetFactory.h"

namespace zov {

// Built-in Italian until the dictionary replaces them all.
struct TFormConnessione::Texts {
    QString ready = QStringLiteral("Connessione riuscita: l'archivio clienti \u00E8 pronto.");
    QString unreachable = QStringLiteral("Server non raggiungibile: controllare server e porta.");
    QString authentication = QStringLiteral(
        "Autenticazione non riuscita: controllare utente e password (~/.pgpass o PGPASSWORD).");
    QString databaseMissing = QStringLiteral("Il database non esiste sul server.");
    QString driverMissing =
        QStringLiteral("Driver PostgreSQL (QPSQL) non installato: installare libqt6sql6-psql.");
    QString ssl = QStringLiteral("Il server non accetta la modalit\u00E0 SSL scelta.");
    QString schemaMissing =
        QStringLiteral("Qui non c'\u00E8 ancora l'archivio clienti: usare Crea archivio.");
    QString schemaOlder =
        QStringLiteral("L'archivio \u00E8 di una versione precedente: Crea archivio lo aggiorna.");
    QString schemaNewer = QStringLiteral("L'archivio \u00E8 di una versione pi\u00F9 recente del programma.");
    QString failed = QStringLiteral("Connessione non riuscita:");
    std::string moveQuestion = "Copiare tutti i clienti e lo storico dell'archivio in uso in quello scelto?";
    std::string moved = "Archivio spostato; clienti e voci dello storico:";
    std::string notMoved = "Archivio non spostato, nulla \xE8 stato cambiato:";
    std::string targetNotEmpty = "L'archivio scelto contiene gi\xE0 dei clienti.";
    std::string notSaved = "Impostazioni non salvate:";
    std::string inUse = "Archivio in uso: un altro programma lo ha gi\xE0 aperto.";
    std::string openSettings = "Aprire Connessione archivio per correggere le impostazioni?";
};

namespace {

constexpr int kSqliteItem = 0;
constexpr int kPostgresItem = 1;
constexpr int kHighestPort = 65535;
constexpr int kMessageLength = 100;

template <typename Widget>
Widget* NamedWidget(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

}  // namespace

TFormConnessione::TFormConnessione(AppContext& ctx, TModuloLingua& dictionary, ArchiveLocation current,
                                   QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      dictionary_(dictionary),
      texts_(std::make_unique<Texts>()),
      current_(std::move(current)) {
    setObjectName(QStringLiteral("FormConnessione"));
    setWindowTitle(QStringLiteral("Connessione archivio"));
    Build();
    ShowLocation(current_);
}

TFormConnessione::~TFormConnessione() = default;

void TFormConnessione::Build() {
    LabelTipo = NamedWidget(new QLabel(QStringLiteral("Archivio"), this), "LabelTipoArchivio");
    ComboTipo = NamedWidget(new QComboBox(this), "ComboTipo");
    ComboTipo->addItems(
        {QStringLiteral("Su questo computer (SQLite)"), QStringLiteral("Condiviso su server PostgreSQL")});
    LabelServer = NamedWidget(new QLabel(QStringLiteral("Server (host)"), this), "LabelServer");
    EditServer = NamedWidget(new QLineEdit(this), "EditServer");
    LabelPorta = NamedWidget(new QLabel(QStringLiteral("Porta"), this), "LabelPorta");
    EditPorta = NamedWidget(new QSpinBox(this), "EditPorta");
    EditPorta->setRange(1, kHighestPort);
    LabelDatabase = NamedWidget(new QLabel(QStringLiteral("Database"), this), "LabelDatabase");
    EditDatabase = NamedWidget(new QLineEdit(this), "EditDatabase");
    LabelUtente = NamedWidget(new QLabel(QStringLiteral("Utente"), this), "LabelUtente");
    EditUtente = NamedWidget(new QLineEdit(this), "EditUtente");
    LabelSsl = NamedWidget(new QLabel(QStringLiteral("Modalit\u00E0 SSL"), this), "LabelSsl");
    ComboSsl = NamedWidget(new QComboBox(this), "ComboSsl");
    ComboSsl->addItems(ArchiveLocation::SslModes());
    LabelPassword = NamedWidget(
        new QLabel(QStringLiteral("La password non viene salvata: libpq la legge da ~/.pgpass o PGPASSWORD."),
                   this),
        "LabelPassword");
    LabelPassword->setWordWrap(true);
    LabelEsito = NamedWidget(new QLabel(this), "LabelEsito");
    LabelEsito->setWordWrap(true);
    LabelEsito->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* fields = new QGridLayout;
    const std::pair<QLabel*, QWidget*> rows[] = {{LabelTipo, ComboTipo},    {LabelServer, EditServer},
                                                 {LabelPorta, EditPorta},   {LabelDatabase, EditDatabase},
                                                 {LabelUtente, EditUtente}, {LabelSsl, ComboSsl}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row++, 1);
    }
    fields->addWidget(LabelPassword, row++, 0, 1, 2);
    fields->setColumnStretch(1, 1);

    ButtonProva = MakeButton(this, "ButtonProva", "&Prova connessione");
    ButtonCrea = MakeButton(this, "ButtonCreaArchivio", "&Crea archivio");
    ButtonSposta = MakeButton(this, "ButtonSposta", "&Sposta qui l'archivio");
    ButtonSalva = MakeButton(this, "ButtonSalva", "Sal&va");
    ButtonAnnulla = MakeButton(this, "ButtonAnnulla", "Annulla");
    ButtonCrea->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {ButtonProva, ButtonCrea, ButtonSposta, ButtonSalva, ButtonAnnulla})
        buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(LabelEsito);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(ComboTipo, &QComboBox::currentIndexChanged, this, &TFormConnessione::KindChanged);
    connect(ButtonProva, &QPushButton::clicked, this, &TFormConnessione::ButtonProvaClick);
    connect(ButtonCrea, &QPushButton::clicked, this, &TFormConnessione::ButtonCreaClick);
    connect(ButtonSposta, &QPushButton::clicked, this, &TFormConnessione::ButtonSpostaClick);
    connect(ButtonSalva, &QPushButton::clicked, this, &TFormConnessione::ButtonSalvaClick);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &TFormConnessione::reject);
}

bool TFormConnessione::Localize() {
    Texts& t = *texts_;
    Localizer localizer(dictionary_);
    for (QObject* control : std::initializer_list<QObject*>{LabelTipo, LabelServer, LabelPorta, LabelDatabase,
                                                            LabelUtente, LabelSsl})
        localizer.Caption(control, 30);
    for (QObject* control :
         std::initializer_list<QObject*>{ButtonProva, ButtonCrea, ButtonSposta, ButtonSalva})
        localizer.Caption(control, 30);
    localizer.Caption(ButtonAnnulla, 15)
        .Caption(LabelPassword, kMessageLength)
        .WindowTitle(this, QStringLiteral("FinestraConnessione"), 50)
        .Apply(QStringLiteral("TipoArchivioLocale"), 50,
               [this](const QString& text) { ComboTipo->setItemText(kSqliteItem, text); })
        .Apply(QStringLiteral("TipoArchivioServer"), 50,
               [this](const QString& text) { ComboTipo->setItemText(kPostgresItem, text); })
        .Text(QStringLiteral("MessArchPronto"), kMessageLength, t.ready)
        .Text(QStringLiteral("MessArchServer"), kMessageLength, t.unreachable)
        .Text(QStringLiteral("MessArchAutenticazione"), kMessageLength, t.authentication)
        .Text(QStringLiteral("MessArchDatabase"), kMessageLength, t.databaseMissing)
        .Text(QStringLiteral("MessArchDriver"), kMessageLength, t.driverMissing)
        .Text(QStringLiteral("MessArchSsl"), kMessageLength, t.ssl)
        .Text(QStringLiteral("MessArchMancante"), kMessageLength, t.schemaMissing)
        .Text(QStringLiteral("MessArchVecchio"), kMessageLength, t.schemaOlder)
        .Text(QStringLiteral("MessArchNuovo"), kMessageLength, t.schemaNewer)
        .Text(QStringLiteral("MessArchConnFallita"), kMessageLength, t.failed)
        .Text(QStringLiteral("MessArchSposta"), kMessageLength, t.moveQuestion)
        .Text(QStringLiteral("MessArchSpostato"), kMessageLength, t.moved)
        .Text(QStringLiteral("MessArchNonSpostato"), kMessageLength, t.notMoved)
        .Text(QStringLiteral("MessArchDestPiena"), kMessageLength, t.targetNotEmpty)
        .Text(QStringLiteral("MessArchNonSalvato"), kMessageLength, t.notSaved)
        .Text(QStringLiteral("MessArchivioInUso"), 70, t.inUse)
        .Text(QStringLiteral("MessApriConnessione"), 70, t.openSettings);
    return localizer.RunOrReport(ctx_.prompter, dictionary_messages::kCustomerArchive,
                                 ToCp1252(windowTitle()));
}

void TFormConnessione::LocalizeOnce() {
    if (localizeTried_) return;
    localizeTried_ = true;
    localized_ = Localize();
    // The dictionary's texts may be longer than the built-in ones the size was taken from.
    adjustSize();
}

void TFormConnessione::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LocalizeOnce();
}

bool TFormConnessione::OfferAfterFailure(const std::string& failure) {
    LocalizeOnce();
    if (ctx_.prompter.Ask(failure + "\n" + texts_->openSettings, ToCp1252(windowTitle()), PromptIcon::Error,
                          PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    return exec() == QDialog::Accepted;
}

void TFormConnessione::ShowLocation(const ArchiveLocation& location) {
    const bool postgres = location.kind == ArchiveLocation::Kind::Postgres;
    ComboTipo->setCurrentIndex(postgres ? kPostgresItem : kSqliteItem);
    EditServer->setText(location.host);
    EditPorta->setValue(location.port);
    EditDatabase->setText(location.database);
    EditUtente->setText(location.user);
    ComboSsl->setCurrentIndex(std::max<qsizetype>(0, ArchiveLocation::SslModes().indexOf(location.sslMode)));
    KindChanged();
}

void TFormConnessione::KindChanged() {
    const bool postgres = ComboTipo->currentIndex() == kPostgresItem;
    for (QWidget* field :
         std::initializer_list<QWidget*>{EditServer, EditPorta, EditDatabase, EditUtente, ComboSsl})
        field->setEnabled(postgres);
    // What was found out about the other place says nothing about this one.
    LabelEsito->clear();
    ButtonCrea->setEnabled(false);
}

ArchiveLocation TFormConnessione::Chosen() const {
    ArchiveLocation location;
    location.runtimeDirectory = current_.runtimeDirectory;
    if (ComboTipo->currentIndex() != kPostgresItem) return location;
    location.kind = ArchiveLocation::Kind::Postgres;
    location.host = EditServer->text().trimmed();
    location.port = EditPorta->value();
    location.database = EditDatabase->text().trimmed();
    location.user = EditUtente->text().trimmed();
    location.sslMode = ComboSsl->currentText();
    return location;
}

QString TFormConnessione::TextFor(ConnectionProblem problem) const {
    const Texts& t = *texts_;
    switch (problem) {
        case ConnectionProblem::None:
            return t.ready;
        case ConnectionProblem::DriverMissing:
            return t.driverMissing;
        case ConnectionProblem::HostUnreachable:
            return t.unreachable;
        case ConnectionProblem::Authentication:
            return t.authentication;
        case ConnectionProblem::DatabaseMissing:
            return t.databaseMissing;
        case ConnectionProblem::Ssl:
            return t.ssl;
        case ConnectionProblem::SchemaMissing:
            return t.schemaMissing;
        case ConnectionProblem::SchemaOlder:
            return t.schemaOlder;
        case ConnectionProblem::SchemaNewer:
            return t.schemaNewer;
        case ConnectionProblem::Other:
            break;
    }
    return t.failed;
}

void TFormConnessione::ShowReport(const ConnectionReport& report) {
    QString text = TextFor(report.problem);
    // A reason the rule does not know is shown in the database's own words.
    if (report.problem == ConnectionProblem::Other) text += QLatin1Char('\n') + report.detail;
    LabelEsito->setText(text);
    LabelEsito->setToolTip(report.detail);
    ButtonCrea->setEnabled(report.problem == ConnectionProblem::SchemaMissing ||
                           report.problem == ConnectionProblem::SchemaOlder);
}

void TFormConnessione::ButtonProvaClick() {
    const BusyCursor busy;
    ShowReport(ConnectionCheck::Probe(Chosen(), driverName_));
}

void TFormConnessione::ButtonCreaClick() {
    QString why;
    bool made = false;
    {
        const BusyCursor busy;
        made = ConnectionCheck::MakeArchive(Chosen(), why);
    }
    if (made)
        ButtonProvaClick();
    else
        ShowReport({ConnectionProblem::Other, why});
}

void TFormConnessione::Tell(const std::string& text, PromptIcon icon) {
    ctx_.prompter.Ask(text, ToCp1252(windowTitle()), icon, PromptButtons::Ok);
}

bool TFormConnessione::Save(const ArchiveLocation& location) {
    if (ArchiveLocation::ToSettings(ctx_.settingsDirectory, location)) return true;
    Tell(texts_->notSaved + "\n" + ToCp1252(ctx_.settingsDirectory), PromptIcon::Error);
    return false;
}

void TFormConnessione::ButtonSpostaClick() {
    const ArchiveLocation target = Chosen();
    const std::string question =
        texts_->moveQuestion + "\n" + ToCp1252(current_.Describe()) + " -> " + ToCp1252(target.Describe());
    if (ctx_.prompter.Ask(question, ToCp1252(windowTitle()), PromptIcon::Question, PromptButtons::YesNo) !=
        PromptAnswer::Yes)
        return;
    ArchiveMove::Outcome moved;
    {
        const BusyCursor busy;
        moved = ArchiveMove::Run(current_, target);
    }
    switch (moved.status) {
        case ArchiveMove::Status::Moved:
            Tell(texts_->moved + " " + std::to_string(moved.customers) + ", " + std::to_string(moved.history),
                 PromptIcon::Information);
            // The archive in use is now the one moved into.
            if (Save(target)) accept();
            return;
        case ArchiveMove::Status::TargetNotEmpty:
            Tell(texts_->notMoved + "\n" + texts_->targetNotEmpty, PromptIcon::Error);
            return;
        case ArchiveMove::Status::InUse:
            Tell(texts_->notMoved + "\n" + texts_->inUse, PromptIcon::Error);
            return;
        case ArchiveMove::Status::SamePlace:
        case ArchiveMove::Status::NoSource:
        case ArchiveMove::Status::Failed:
            Tell(texts_->notMoved + "\n" + ToCp1252(moved.error), PromptIcon::Error);
            return;
    }
}

void TFormConnessione::ButtonSalvaClick() {
    if (Save(Chosen())) accept();
}

}  // namespace zov
