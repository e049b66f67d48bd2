#include "TFormVetture.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <initializer_list>

#include "DictionaryMessages.h"
#include "InstructionViewer.h"
#include "Localizer.h"
#include "ProgrammingBackup.h"
#include "QtText.h"
#include "TFormAggiorna.h"
#include "TModuloLingua.h"
#include "VehicleProgramming.h"

namespace zov {

namespace {

constexpr int kNodeRole = Qt::UserRole;
constexpr QSize kIconSize(48, 32);

// The texts this window keeps for its messages, with their cut lengths.
struct Kept {
    std::initializer_list<const char*> ids;
    int length;
};
const Kept kKept[] = {
    {{"ArchivioGpl", "ArchivioMetano"}, 25},
    {{"MessProgFallita",
      "MessProgOK",
      "MessNoProg",
      "MessResetProg",
      "MessTogliRidai",
      "MessErrSer",
      "MessCheckSer",
      "MessErrSinc",
      "MessVLow",
      "MessErrProg",
      "MessNoIstruzioni",
      "MessNoIstrLingua1",
      "MessNoIstrLingua2",
      "MessAttesaScarica",
      "MessScaricaFile",
      "FinestraIstruzioni",
      "MessFileProgNonValido",
      "MessIstrIlleggibili",
      "MessProgLineaPersa",
      "MessProgNoRisposta",
      "MessProgRispErrata",
      "MessProgRifiutata",
      "MessCpuInalterata",
      "MessCpuProgIntatto",
      "MessCpuForseVuota",
      "MessCpuVuota"},
     70},
    {{"MessCompletato", "ButtonOK", "ButtonAnnulla", "LabelCerca"}, 15},
};

// Built-in texts used when the dictionary cannot serve this window (Windows-1252).
const char* BuiltIn(const std::string& id) {
    static const std::map<std::string, const char*> texts{
        {"ArchivioGpl", "Archivio GPL"},
        {"ArchivioMetano", "Archivio Metano"},
        {"MessNoIstruzioni", "Istruzioni non disponibili in nessuna lingua."},
        {"MessNoIstrLingua1", "Le istruzioni non sono disponibili nella lingua scelta."},
        {"MessNoIstrLingua2", "Scegliere una delle lingue disponibili:"},
        {"FinestraIstruzioni", "Istruzioni di montaggio"},
        {"MessIstrIlleggibili", "Impossibile aprire il documento delle istruzioni."},
        {"ButtonOK", "OK"},
        {"ButtonAnnulla", "Annulla"},
        {"LabelCerca", "Cerca:"},
    };
    const auto it = texts.find(id);
    return it == texts.end() ? "" : it->second;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumWidth(170);
    return b;
}

QIcon Picture(const std::string& path) {
    if (path.empty()) return {};
    const QPixmap picture(QString::fromStdString(path));
    return picture.isNull() ? QIcon() : QIcon(picture);
}

ArchiveNode NodeOf(const QTreeWidgetItem* item) {
    ArchiveNode node;
    if (item == nullptr) return node;
    const QList<QVariant> v = item->data(0, kNodeRole).toList();
    if (v.size() != 4) return node;
    node = {v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()};
    return node;
}

void SetNode(QTreeWidgetItem* item, const ArchiveNode& node) {
    item->setData(0, kNodeRole, QList<QVariant>{node.level, node.fuel, node.brand, node.vehicle});
}

}  // namespace

TFormVetture::TFormVetture(AppContext& ctx, TModuloLingua& dictionary, ArchiveMode mode,
                           ProgrammingHost& host, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      dictionary_(dictionary),
      mode_(mode),
      host_(host),
      carsPath_(ctx.global.CarsPath()),
      cardsPath_(ctx.global.CardsPath()) {
    setObjectName(QStringLiteral("FormVetture"));
    setWindowTitle(QStringLiteral("Archivio Vetture"));

    TreeViewVetture = new QTreeWidget(this);
    TreeViewVetture->setObjectName(QStringLiteral("TreeViewVetture"));
    TreeViewVetture->setHeaderHidden(true);
    TreeViewVetture->setIconSize(kIconSize);
    TreeViewVetture->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeViewVetture->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeViewVetture->installEventFilter(this);

    ButtonProgramma = Button(this, "ButtonProgramma", "&Programma");
    ButtonProsegui = Button(this, "ButtonProsegui", "P&rosegui");
    ButtonAggiorna = Button(this, "ButtonAggiorna", "&Aggiorna Archivio...");
    ButtonIstVett = Button(this, "ButtonIstVett", "Istruzioni &Vettura");
    ButtonIstGen = Button(this, "ButtonIstGen", "Istruzioni &Generali");
    ButtonIstruzioniKit = Button(this, "ButtonIstruzioniKit", "Istruzioni &Kit");
    ButtonEsci = Button(this, "ButtonEsci", "&Esci");

    const bool installing = mode_ == ArchiveMode::Installation;
    ButtonAggiorna->setVisible(!installing);
    ButtonProgramma->setVisible(installing);
    ButtonProsegui->setVisible(installing);

    connect(ButtonProgramma, &QPushButton::clicked, this, &TFormVetture::ButtonProgrammaClick);
    connect(ButtonProsegui, &QPushButton::clicked, this, [this] { done(kIgnore); });
    connect(ButtonAggiorna, &QPushButton::clicked, this, &TFormVetture::ButtonAggiornaClick);
    connect(ButtonIstVett, &QPushButton::clicked, this, &TFormVetture::ButtonIstVettClick);
    connect(ButtonIstGen, &QPushButton::clicked, this, &TFormVetture::ButtonIstGenClick);
    connect(ButtonIstruzioniKit, &QPushButton::clicked, this, &TFormVetture::ButtonIstruzioniKitClick);
    connect(ButtonEsci, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeViewVetture, &QTreeWidget::currentItemChanged, this, [this] { SelectionChanged(); });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b :
         {ButtonProgramma, ButtonProsegui, ButtonAggiorna, ButtonIstVett, ButtonIstGen, ButtonIstruzioniKit})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(ButtonEsci);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(TreeViewVetture, 1);
    layout->addLayout(buttons);
    resize(640, 480);

    localized_ = Localize();
    archive_ = VehicleArchive::Scan(carsPath_);
    BuildTree();
    const std::vector<std::string> languages = Languages();
    ButtonIstGen->setEnabled(
        !VehicleArchive::LanguagesWithDocument(cardsPath_, languages,
                                               VehicleArchive::DocumentPattern(DocumentKind::General))
             .empty());
    SelectionChanged();
}

TFormVetture::~TFormVetture() = default;

bool TFormVetture::Localize() {
    Localizer loc(dictionary_);
    for (QObject* c :
         std::initializer_list<QObject*>{ButtonProgramma, ButtonProsegui, ButtonAggiorna, ButtonIstVett,
                                         ButtonIstGen, ButtonIstruzioniKit, ButtonEsci})
        loc.Caption(c, 30);
    loc.WindowTitle(this, QStringLiteral("FinestraVetture"), 70);
    std::map<std::string, std::string> texts;
    for (const Kept& kept : kKept)
        for (const char* id : kept.ids) loc.Text(QString::fromLatin1(id), kept.length, texts[id]);
    // The programming's backup says why it could not be made.
    for (const char* id : DeviceError::kLineIdentifiers)
        loc.Text(QString::fromLatin1(id), DeviceError::kLineLength, texts[id]);
    for (const char* id : kBackupTexts) loc.Text(QString::fromLatin1(id), 70, texts[id]);
    if (!loc.RunOrReport(ctx_.prompter, dictionary_messages::kVehicleArchive, Caption())) return false;
    texts_ = std::move(texts);
    return true;
}

QString TFormVetture::Text(const char* id) const {
    const auto it = texts_.find(id);
    return FromCp1252(it != texts_.end() ? it->second : std::string(BuiltIn(id)));
}

std::string TFormVetture::Caption() const { return ToCp1252(windowTitle()); }

std::vector<std::string> TFormVetture::Languages() const {
    std::vector<std::string> languages;
    for (const QString& key : dictionary_.LanguageKeys()) languages.push_back(key.toStdString());
    return languages;
}

void TFormVetture::BuildTree() {
    const QIcon productLogo = Picture(archive_.productLogoPath);
    const char* const rootTexts[2] = {"ArchivioGpl", "ArchivioMetano"};
    for (int f = 0; f < 2; ++f) {
        auto* root = new QTreeWidgetItem(TreeViewVetture, {Text(rootTexts[f])});
        root->setIcon(0, productLogo);
        SetNode(root, {0, f, -1, -1});
        const std::vector<ArchiveBrand>& brands = archive_.fuels[f].brands;
        for (size_t b = 0; b < brands.size(); ++b) {
            auto* brandItem = new QTreeWidgetItem(root, {QString::fromStdString(brands[b].name)});
            brandItem->setIcon(0, Picture(brands[b].logoPath));
            SetNode(brandItem, {1, f, int(b), -1});
            const QIcon picture = Picture(brands[b].picturePath);
            for (size_t v = 0; v < brands[b].vehicles.size(); ++v) {
                auto* vehicle = new QTreeWidgetItem(
                    brandItem, {QString::fromStdString(brands[b].vehicles[v].displayName)});
                vehicle->setIcon(0, picture);
                vehicle->setToolTip(0, QString::fromStdString(brands[b].vehicles[v].fileName));
                SetNode(vehicle, {2, f, int(b), int(v)});
            }
        }
    }
}

void TFormVetture::SelectionChanged() {
    const std::string cards = cardsPath_;
    const std::vector<std::string> languages = Languages();
    selection_ = ArchiveSelection::Of(
        archive_, NodeOf(TreeViewVetture->currentItem()), mode_, [&](const std::string& selected) {
            return !VehicleArchive::LanguagesWithDocument(
                        cards, languages, VehicleArchive::DocumentPattern(DocumentKind::Vehicle, selected))
                        .empty();
        });
    ButtonProgramma->setEnabled(selection_.programEnabled);
    ButtonProgramma->setDefault(selection_.programDefault);
    ButtonIstVett->setEnabled(selection_.vehicleInstructionsEnabled);
    ButtonIstVett->setDefault(selection_.vehicleInstructionsDefault);
}

bool TFormVetture::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeViewVetture && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        QTreeWidgetItem* item = TreeViewVetture->currentItem();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && item != nullptr && NodeOf(item).level < 2) {
            item->setExpanded(!item->isExpanded());
            return true;
        }
        if (key == Qt::Key_Escape) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormVetture::ButtonIstVettClick() { OpenDocument(DocumentKind::Vehicle); }
void TFormVetture::ButtonIstGenClick() { OpenDocument(DocumentKind::General); }
void TFormVetture::ButtonIstruzioniKitClick() { OpenDocument(DocumentKind::Kit); }

void TFormVetture::OpenDocument(DocumentKind kind) {
    if (kind == DocumentKind::Vehicle && selection_.selectedFile.empty()) return;
    InstructionViewerTexts texts;
    texts.choice.caption = windowTitle();
    texts.choice.warning = Text("MessNoIstrLingua1") + Text("MessNoIstrLingua2");
    texts.choice.ok = Text("ButtonOK");
    texts.choice.cancel = Text("ButtonAnnulla");
    texts.choice.noneMessage = Text("MessNoIstruzioni");
    texts.title = Text("FinestraIstruzioni");
    texts.search = Text("LabelCerca");
    texts.unreadable = Text("MessIstrIlleggibili");
    InstructionViewer viewer(dictionary_, cardsPath_, ctx_.prompter, this);
    viewer.languageRunner = languageRunner;
    viewer.schemaRunner = schemaRunner;
    viewer.Open(kind, VehicleArchive::DocumentPattern(kind, selection_.selectedFile), texts);
    TreeViewVetture->setFocus();
}

// The update window, then the tree again from the folders it may have changed: the installer sees
// the new vehicles without leaving the archive.
void TFormVetture::ButtonAggiornaClick() {
    UpdateWindowInputs inputs;
    inputs.cardsDir = cardsPath_;
    inputs.carsDir = carsPath_;
    inputs.mapDir = ctx_.global.MainPath() + "/Map";
    inputs.internetId = ctx_.global.InternetId();
    inputs.internetPw = ctx_.global.InternetPw();
    inputs.runtimeDirectory = ctx_.global.MainPath();
    const GlobalData::UpdateServer server = GlobalData::StoredUpdateServer(ctx_.settingsDirectory);
    inputs.updateUrl = server.url;
    inputs.caFile = server.caFile;
    {
        TFormAggiorna update(ctx_, dictionary_, std::move(inputs), this);
        if (updateRunner)
            updateRunner(update);
        else
            update.exec();
        ctx_.global.SetPath(GlobalData::kInternetId, update.Inputs().internetId);
        ctx_.global.SetPath(GlobalData::kInternetPw, update.Inputs().internetPw);
    }
    TreeViewVetture->clear();
    archive_ = VehicleArchive::Scan(carsPath_);
    BuildTree();
    SelectionChanged();
    TreeViewVetture->setFocus();
}

void TFormVetture::ButtonProgrammaClick() {
    if (selection_.selectedFile.empty()) return;
    const UpdateTexts texts([this](const char* id) {
        const auto it = texts_.find(id);
        return it == texts_.end() ? std::string() : it->second;
    });
    VehicleProgramming programming(
        ctx_.link, ctx_.model, host_, ctx_.prompter, ctx_.clock, texts, Caption(),
        ConfigurationBackup(ConfigurationBackup::FolderIn(ctx_.global.MainPath())));
    const VehicleProgramming::Result result =
        programming.Program(carsPath_ + "/" + selection_.selectedFile, selection_.selectedFile);
    TreeViewVetture->setFocus();
    if (result == VehicleProgramming::Result::Programmed) accept();
}

}  // namespace zov
