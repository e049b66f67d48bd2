#include "TFormAggiorna.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <filesystem>
#include <initializer_list>

#include "DictionaryMessages.h"
#include "HttpsFetcher.h"
#include "InternetUpdate.h"
#include "Localizer.h"
#include "QtText.h"
#include "TFormCopia.h"
#include "TModuloLingua.h"
#include "TemporaryFiles.h"
#include "UpdateKeys.h"

namespace zov {

namespace {

// The texts this window keeps for its messages, with their cut lengths.
const char* const kMessages[] = {"MessAggOK",          "MessNoAgg",        "MessMettiDisco",
                                 "MessMettiDischetto", "MessNoNuovoAgg",   "FinestraCopia",
                                 "LabelCercaFile",     "LabelCopiaFile",   "MessAggAnnullato",
                                 "MessIndirizzoAgg",   "LabelConnInCorso", "MessNessunCd"};
constexpr int kDownloadLabelLength = 30;
constexpr const char* kDownloadFolder = "/aggiornamento";

// Built-in texts used when the dictionary cannot serve this window (Windows-1252).
const char* BuiltIn(const std::string& id) {
    static const std::map<std::string, const char*> texts{
        {"MessAggOK", "Aggiornamento archivio completato."},
        {"MessNoAgg", "Aggiornamento archivio non riuscito."},
        {"MessMettiDisco", "Inserire il CD di aggiornamento e premere OK."},
        {"MessMettiDischetto", "Inserire il dischetto di aggiornamento e premere OK."},
        {"MessNoNuovoAgg", "Nessun file pi\xF9 recente di quelli installati."},
        {"FinestraCopia", "Aggiornamento archivio..."},
        {"LabelCercaFile", "Ricerca dei file in corso..."},
        {"LabelCopiaFile", "Copia dei file in corso..."},
        {"MessAggAnnullato", "Aggiornamento interrotto: i file gi\xE0 copiati restano installati."},
        {"ButtonAnnulla", "Annulla"},
        {"MessIndirizzoAgg", "Indirizzo non impostato: impostazioni, gruppo Update, chiave URL."},
        {"LabelConnInCorso", "Collegamento al server di aggiornamento..."},
        {"LabelScaricaFile", "Scaricamento dei file..."},
        {"MessNessunCd", "Nessun CD nel lettore: inserire il CD e riaprire la finestra."},
    };
    const auto it = texts.find(id);
    return it == texts.end() ? "" : it->second;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumWidth(110);
    return b;
}

bool IsDirectory(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string TFormAggiorna::OpticalDiscRoot() {
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QByteArray type = volume.fileSystemType().toLower();
        if (type == "iso9660" || type == "udf" || volume.device().startsWith("/dev/sr"))
            return QFile::encodeName(volume.rootPath()).toStdString();
    }
    return {};
}

std::string TFormAggiorna::ManifestVolumeRoot(const std::string& manifestName) {
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady() || volume.isRoot()) continue;
        const std::string root = QFile::encodeName(volume.rootPath()).toStdString();
        if (IsFile(root + "/" + manifestName)) return root;
    }
    return {};
}

std::string TFormAggiorna::BrowseFolder(QWidget* parent) {
    const QString folder = QFileDialog::getExistingDirectory(parent, {}, {}, QFileDialog::ShowDirsOnly);
    return QFile::encodeName(folder).toStdString();
}

TFormAggiorna::TFormAggiorna(AppContext& ctx, TModuloLingua& dictionary, UpdateWindowInputs inputs,
                             QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      dictionary_(dictionary),
      inputs_(std::move(inputs)),
      update_({inputs_.cardsDir, inputs_.carsDir, inputs_.mapDir}) {
    if (!inputs_.findDisc) inputs_.findDisc = OpticalDiscRoot;
    if (!inputs_.findManifestVolume) {
        const std::string manifest = inputs_.sourceFolderName + ".txt";
        inputs_.findManifestVolume = [manifest] { return ManifestVolumeRoot(manifest); };
    }
    if (!inputs_.chooseFolder) inputs_.chooseFolder = BrowseFolder;

    setObjectName(QStringLiteral("FormAggiorna"));
    setWindowTitle(QStringLiteral("Aggiorna Archivio..."));
    LabelAggiorna =
        new QLabel(QStringLiteral("Selezionare la modalit\u00E0 di aggiornamento archivio"), this);
    LabelAggiorna->setObjectName(QStringLiteral("LabelAggiorna"));
    ButtonInternet = Button(this, "ButtonInternet", QStringLiteral("&INTERNET"));
    ButtonDisco = Button(this, "ButtonDisco", QStringLiteral("&CD ROM"));
    ButtonFloppy = Button(this, "ButtonFloppy", QStringLiteral("&DISCHETTO"));
    ButtonSfoglia = Button(this, "ButtonSfoglia", QStringLiteral("..."));
    ButtonSfoglia->setFixedWidth(40);
    ButtonDisco->setDefault(true);
    if (inputs_.downloadFolder.empty()) inputs_.downloadFolder = PrivateTemporaryFolder() + kDownloadFolder;

    connect(ButtonDisco, &QPushButton::clicked, this, &TFormAggiorna::ButtonDiscoClick);
    connect(ButtonFloppy, &QPushButton::clicked, this, &TFormAggiorna::ButtonFloppyClick);
    connect(ButtonInternet, &QPushButton::clicked, this, &TFormAggiorna::ButtonInternetClick);
    connect(ButtonSfoglia, &QPushButton::clicked, this, &TFormAggiorna::ButtonSfogliaClick);

    auto* buttons = new QGridLayout;
    buttons->addWidget(ButtonInternet, 0, 0);
    buttons->addWidget(ButtonDisco, 0, 1);
    buttons->addWidget(ButtonFloppy, 0, 2);
    buttons->addWidget(ButtonSfoglia, 0, 3);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);
    layout->addWidget(LabelAggiorna);
    layout->addLayout(buttons);

    localized_ = Localize();
    // Without an address the button says where to set one.
    ButtonInternet->setToolTip(inputs_.updateUrl.empty() ? Text("MessIndirizzoAgg")
                                                         : QString::fromStdString(inputs_.updateUrl));
    sourceRoot_ = inputs_.findDisc();
    ButtonDisco->setEnabled(!sourceRoot_.empty());
    // A greyed button says why it is greyed.
    if (sourceRoot_.empty()) ButtonDisco->setToolTip(Text("MessNessunCd"));
}

TFormAggiorna::~TFormAggiorna() = default;

bool TFormAggiorna::Localize() {
    Localizer loc(dictionary_);
    loc.Caption(LabelAggiorna, 50);
    for (QObject* c : std::initializer_list<QObject*>{ButtonInternet, ButtonDisco, ButtonFloppy})
        loc.Caption(c, 12);
    loc.WindowTitle(this, QStringLiteral("FinestraAggiorna"), 70);
    std::map<std::string, std::string> texts;
    for (const char* id : kMessages) loc.Text(QString::fromLatin1(id), 70, texts[id]);
    loc.Text(QStringLiteral("ButtonAnnulla"), 15, texts["ButtonAnnulla"]);
    loc.Text(QStringLiteral("LabelScaricaFile"), kDownloadLabelLength, texts["LabelScaricaFile"]);
    if (!loc.RunOrReport(ctx_.prompter, dictionary_messages::kUpdate, Caption())) return false;
    texts_ = std::move(texts);
    return true;
}

QString TFormAggiorna::Text(const char* id) const {
    const auto it = texts_.find(id);
    return FromCp1252(it != texts_.end() ? it->second : std::string(BuiltIn(id)));
}

std::string TFormAggiorna::Caption() const { return ToCp1252(windowTitle()); }

void TFormAggiorna::Tell(const QString& text, PromptIcon icon) {
    ctx_.prompter.Ask(ToCp1252(text), Caption(), icon, PromptButtons::Ok);
}

// Asks for the medium until it is there (OK: look again); false when the installer gives up.
bool TFormAggiorna::WaitForMedium(const std::function<bool()>& present, const char* question) {
    while (!present())
        if (ctx_.prompter.Ask(ToCp1252(Text(question)), Caption(), PromptIcon::Warning,
                              PromptButtons::OkCancel) != PromptAnswer::Ok)
            return false;
    return true;
}

void TFormAggiorna::ButtonDiscoClick() { UpdateFromFolder(sourceRoot_); }

void TFormAggiorna::ButtonSfogliaClick() {
    const std::string folder = inputs_.chooseFolder(this);
    if (folder.empty()) return;
    // A copy of a floppy in a folder: its manifest, when the folder has no update folder.
    if (!IsDirectory(folder + "/" + inputs_.sourceFolderName) &&
        IsFile(folder + "/" + inputs_.sourceFolderName + ".txt")) {
        UpdateFromManifest(folder);
        return;
    }
    UpdateFromFolder(folder);
}

void TFormAggiorna::ButtonFloppyClick() {
    std::string root;
    if (!WaitForMedium([&] { return !(root = inputs_.findManifestVolume()).empty(); }, "MessMettiDischetto"))
        return;
    UpdateFromManifest(root);
}

void TFormAggiorna::UpdateFromFolder(const std::string& root) {
    const std::string updateRoot = root + "/" + inputs_.sourceFolderName;
    if (!WaitForMedium([&] { return !root.empty() && IsDirectory(updateRoot); }, "MessMettiDisco")) return;
    Run([&](const ArchiveUpdate::ListedFn& listed) { return update_.ScanMedium(updateRoot, listed); });
}

void TFormAggiorna::UpdateFromManifest(const std::string& root) {
    Run([&](const ArchiveUpdate::ListedFn& listed) {
        return update_.ReadManifest(root, inputs_.sourceFolderName + ".txt", listed);
    });
}

void TFormAggiorna::ShowCopyWindow(TFormCopia& copy) {
    copy.setWindowTitle(Text("FinestraCopia"));
    copy.ButtonAnnulla->setText(Text("ButtonAnnulla"));
    copy.show();
    emit CopyWindowOpened(&copy);
}

// The search under the copy window, a pause to read it, then the copy and its outcome. The window
// closes afterwards whatever the outcome.
void TFormAggiorna::Run(const std::function<UpdatePlan(const ArchiveUpdate::ListedFn&)>& plan) {
    UpdatePlan found;
    UpdateOutcome outcome;
    {
        TFormCopia copy(this);
        ShowCopyWindow(copy);
        copy.SetPhase(Text("LabelCercaFile"));
        found = plan([&](size_t listed) { copy.SetCount(listed); });
        ctx_.clock.SleepMs(2000);
        if (found.error.empty() && !found.files.empty()) {
            copy.SetPhase(Text("LabelCopiaFile"));
            outcome = update_.Copy(
                found,
                [&](int percent, size_t copied) {
                    copy.SetCount(copied);
                    copy.SetProgress(percent);
                },
                [&] {
                    QCoreApplication::processEvents();
                    return copy.CancelRequested();
                });
        }
    }
    Report(found, outcome);
    accept();
}

void TFormAggiorna::Report(const UpdatePlan& found, const UpdateOutcome& outcome) {
    if (!found.error.empty())
        Tell(Text("MessNoAgg") + QStringLiteral("\n") + QString::fromStdString(found.error),
             PromptIcon::Error);
    else if (found.files.empty())
        Tell(Text("MessNoNuovoAgg"), PromptIcon::Information);
    else if (outcome.cancelled)
        Tell(Text("MessAggAnnullato"), PromptIcon::Information);
    else if (!outcome.error.empty())
        Tell(Text("MessNoAgg") + QStringLiteral("\n") + QString::fromStdString(outcome.error),
             PromptIcon::Error);
    else
        Tell(Text("MessAggOK"), PromptIcon::Information);
}

void TFormAggiorna::ButtonInternetClick() {
    if (inputs_.updateUrl.empty()) {
        Tell(Text("MessIndirizzoAgg"), PromptIcon::Information);
        return;
    }
    std::string error;
    if (!RunInternet(error)) {
        Report({{}, 0, error}, {});
        return;
    }
    accept();
}

// The index checked under the copy window, then the downloads, then the install; the copy
// window's counter and bar follow the files and bytes of each step.
bool TFormAggiorna::RunInternet(std::string& error) {
    const std::string trusted = inputs_.runtimeDirectory + "/" + UpdateKeys::kTrustedFile;
    const std::optional<std::vector<std::string>> keys = UpdateKeys::ReadPublic(trusted, error);
    if (!keys) return false;
    HttpsFetcher fetcher(inputs_.updateUrl, inputs_.caFile);
    if (!(error = fetcher.Error()).empty()) return false;
    const InternetUpdate update({inputs_.runtimeDirectory, *keys, inputs_.downloadFolder}, fetcher);
    PreparedUpdate prepared;
    UpdateOutcome outcome;
    {
        TFormCopia copy(this);
        ShowCopyWindow(copy);
        const auto cancelled = [&] {
            QCoreApplication::processEvents();
            return copy.CancelRequested();
        };
        fetcher.SetCancel(cancelled);
        copy.SetPhase(Text("LabelConnInCorso"));
        prepared = update.Prepare();
        if (prepared.plan.error.empty() && !prepared.plan.files.empty()) {
            copy.SetPhase(Text("LabelScaricaFile"));
            outcome = update.Download(
                prepared,
                [&](const InternetUpdate::Progress& p) {
                    copy.SetCount(p.files);
                    copy.SetProgress(p.totalBytes == 0 ? 100 : int(p.bytes * 100 / p.totalBytes));
                },
                cancelled);
        }
        if (prepared.plan.error.empty() && !prepared.plan.files.empty() && outcome.Complete()) {
            copy.SetPhase(Text("LabelCopiaFile"));
            outcome = update.Install(
                prepared,
                [&](int percent, size_t copied) {
                    copy.SetCount(copied);
                    copy.SetProgress(percent);
                },
                cancelled);
        }
    }
    Report(prepared.plan, outcome);
    return true;
}

}  // namespace zov
