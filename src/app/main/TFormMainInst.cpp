#include "TFormMainInst.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "BusyCursor.h"
#include "ConfigurationDialogs.h"
#include "Cp1252.h"
#include "DictionaryMessages.h"
#include "FormProgrammingHost.h"
#include "FunctionKeys.h"
#include "FunctionRows.h"
#include "Localizer.h"
#include "MainWindowArea.h"
#include "MainWindowTexts.h"
#include "MappingJournal.h"
#include "MixedMapRecord.h"
#include "ProgrammingBackup.h"
#include "QtText.h"
#include "SerialPortList.h"
#include "TAboutBoxI.h"
#include "TFormAttesaFile.h"
#include "TFormDati.h"
#include "TFormGestione.h"
#include "TFormModifica.h"
#include "TFormSceltaCarb.h"
#include "TFormSceltaLingua.h"
#include "TFormSplash.h"
#include "TModuloLingua.h"
#include "TimerPause.h"
#include "UndoLastWrite.h"
#include "WindowGeometry.h"
#include "WindowScale.h"

namespace zov {

namespace {

// Layout of the function area, in design pixels of the window's client area.
constexpr int kButtonTop = 60;
constexpr int kPanelWidth = 64;
constexpr int kLogoTop = 16;
constexpr int kVersionBelowLogo = 10;
constexpr int kAreaMargin = 24;
constexpr double kLogoAt = 0.85;  // the logo's right edge, as a share of the width
constexpr double kLabelFontGrowth = 1.35;
constexpr int kConfigFolder = GlobalData::kConfigPath;

constexpr const char* kBackgroundFile = "immagini/Sfondo1.bmp";
constexpr const char* kLogoFile = "immagini/Logo.bmp";
constexpr const char* kSplashFile = "immagini/Splash.bmp";

// The functions that reprogram the ECU run with Timer1 off and give it back at its first short
// interval, so the state shown is refreshed as soon as they end.
TimerPause FunctionPause(QTimer& timer) {
    const auto stop = [&timer] {
        timer.stop();
        timer.setInterval(TFormMainInst::kFirstTickMs);
    };
    const auto start = [&timer] {
        timer.setInterval(TFormMainInst::kFirstTickMs);
        timer.start();
    };
    return TimerPause(true, stop, start);
}

QString Cp(const std::string& text) { return FromCp1252(text); }

}  // namespace

TFormMainInst::TFormMainInst(AppContext& context, QWidget* parent)
    : QMainWindow(parent),
      ctx_(context),
      sessionHost_(
          {this, [this](const char* id) { return Text(id); },
           [this](const char* id, PromptIcon icon, PromptButtons buttons) { return Ask(id, icon, buttons); },
           [this](const char* id, PromptIcon icon, const std::string& detail) {
               ctx_.prompter.Ask(texts_[id] + "\n" + cp1252::FromUtf8(detail), Caption(), icon,
                                 PromptButtons::Ok);
           },
           [this] { ApplySessionState(); }}),
      session_(ctx_.link, ctx_.model, ctx_.clock, sessionHost_) {
    setObjectName(QStringLiteral("FormMainInst"));
    InstallMapEditor();
    setWindowTitle(QString::fromLatin1(AppContext::kTitle));
    mainPath_ = QString::fromStdString(ctx_.applicationDirectory);

    splash_ = std::make_unique<TFormSplash>(QDir(mainPath_).filePath(QString::fromLatin1(kSplashFile)));
    splash_->show();
    splashShownMs_ = ctx_.clock.NowMs();

    scale_ = PrimaryScreenScale();

    BuildMenu();
    BuildArea();
    BuildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kFirstTickMs);
    connect(Timer1, &QTimer::timeout, this, &TFormMainInst::Timer1Timer);

    RemoveTemporaryFiles();
}

TFormMainInst::~TFormMainInst() { Timer1->stop(); }

// --- construction ------------------------------------------------------------------------------

void TFormMainInst::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    auto action = [this](QMenu* menu, const char* name, const char* caption,
                         void (TFormMainInst::*handler)() = nullptr) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        if (handler != nullptr) connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto menu = [this](QWidget* parentMenu, const char* name, const char* caption) {
        auto* m = new QMenu(QString::fromUtf8(caption), parentMenu);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    MenuFile = menu(bar, "MenuFile", "&File");
    bar->addMenu(MenuFile);
    MenuCaricaConf =
        action(MenuFile, "MenuCaricaConf", "Carica configurazione", &TFormMainInst::MenuCaricaConfClick);
    MenuSalvaConf =
        action(MenuFile, "MenuSalvaConf", "Salva configurazione", &TFormMainInst::MenuSalvaConfClick);
    MenuConfrontaConf = action(MenuFile, "MenuConfrontaConf", "Confronta configurazione...",
                               &TFormMainInst::MenuConfrontaConfClick);
    MenuConfrontaConf->setEnabled(false);
    MenuRipristinaBackup = action(MenuFile, "MenuRipristinaBackup", "Ripristina backup",
                                  &TFormMainInst::MenuRipristinaBackupClick);
    MenuRipristinaBackup->setEnabled(false);
    MenuAnnullaScrittura = action(MenuFile, "MenuAnnullaScrittura", "Annulla ultima scrittura",
                                  &TFormMainInst::MenuAnnullaScritturaClick);
    MenuAnnullaScrittura->setEnabled(false);
    MenuRegistrazioni = action(MenuFile, "MenuRegistrazioni", "Registrazioni dati...",
                               &TFormMainInst::MenuRegistrazioniClick);
    MenuFile->addSeparator();
    MenuStampa = action(MenuFile, "MenuStampa", "Stampa", &TFormMainInst::MenuStampaClick);
    MenuAnteprima = action(MenuFile, "MenuAnteprima", "Anteprima", &TFormMainInst::MenuAnteprimaClick);
    MenuFile->addSeparator();
    MenuSelLingue = menu(MenuFile, "MenuSelLingue", "Seleziona Lingua");
    MenuFile->addMenu(MenuSelLingue);
    MenuTipoMap = menu(MenuFile, "MenuTipoMap", "Tipo di map");
    MenuFile->addMenu(MenuTipoMap);
    mapGroup_ = new QActionGroup(this);
    MenuMapZOV = action(MenuTipoMap, "MenuMapZOV", "ZOV", &TFormMainInst::MenuMapZOVClick);
    MenuMapPORTER = action(MenuTipoMap, "MenuMapPORTER", "PORTER", &TFormMainInst::MenuMapPORTERClick);
    MenuMapROVER = action(MenuTipoMap, "MenuMapROVER", "ROVER", &TFormMainInst::MenuMapROVERClick);
    const std::array<std::pair<QAction*, int>, 3> mapItems = {
        {{MenuMapZOV, kMapZov}, {MenuMapPORTER, kMapPorter}, {MenuMapROVER, kMapRover}}};
    for (const auto& [item, tag] : mapItems) {
        item->setCheckable(true);
        item->setData(tag);
        mapGroup_->addAction(item);
    }
    MenuFile->addSeparator();
    MenuEsci = action(MenuFile, "MenuEsci", "Esci", &TFormMainInst::MenuEsciClick);
    MenuEsci->setShortcut(QKeySequence(Qt::Key_Escape));

    MenuConn = menu(bar, "MenuConn", "&Connessione");
    bar->addMenu(MenuConn);
    MenuConnetti = action(MenuConn, "MenuConnetti", "Connetti", &TFormMainInst::MenuConnettiClick);
    MenuDisconnetti =
        action(MenuConn, "MenuDisconnetti", "Disconnetti", &TFormMainInst::MenuDisconnettiClick);
    MenuConn->addSeparator();
    MenuComPort = menu(MenuConn, "MenuComPort", "Porta di comunicazione");
    MenuConn->addMenu(MenuComPort);
    portGroup_ = new QActionGroup(this);
    MenuCom1 = action(MenuComPort, "MenuCom1", "COM&1");
    MenuCom2 = action(MenuComPort, "MenuCom2", "COM&2");
    MenuUSB = action(MenuComPort, "MenuUSB", "&USB");
    for (QAction* item : {MenuCom1, MenuCom2, MenuUSB}) {
        item->setCheckable(true);
        portGroup_->addAction(item);
    }
    MenuUSB->setVisible(ctx_.link.usbAvailable != 0);
    AddDetectedPorts();

    MenuVaiA = menu(bar, "MenuVaiA", "&Vai a");
    bar->addMenu(MenuVaiA);
    MenuInstall = action(MenuVaiA, "MenuInstall", "Installazione", &TFormMainInst::BitBtn1Click);
    MenuGestione = action(MenuVaiA, "MenuGestione", "Gestione Centralina", &TFormMainInst::BitBtn2Click);
    MenuAuto = action(MenuVaiA, "MenuAuto", "Archivio Auto", &TFormMainInst::BitBtn3Click);
    MenuClienti = action(MenuVaiA, "MenuClienti", "Archivio Clienti", &TFormMainInst::BitBtn4Click);
    MenuFuoriArchivio =
        action(MenuVaiA, "MenuFuoriArchivio", "Auto non in archivio", &TFormMainInst::BitBtn6Click);
    MenuMappatura = action(MenuVaiA, "MenuMappatura", "Rimappatura", &TFormMainInst::BitBtn7Click);
    const std::array<std::pair<QAction*, Qt::Key>, 6> functionKeys = {{{MenuInstall, Qt::Key_F1},
                                                                       {MenuGestione, Qt::Key_F2},
                                                                       {MenuAuto, Qt::Key_F3},
                                                                       {MenuClienti, Qt::Key_F4},
                                                                       {MenuFuoriArchivio, Qt::Key_F5},
                                                                       {MenuMappatura, Qt::Key_F6}}};
    for (const auto& [item, key] : functionKeys) item->setShortcut(QKeySequence(key));

    MenuHelp = menu(bar, "MenuHelp", "&?");
    bar->addMenu(MenuHelp);
    MenuGuida = action(MenuHelp, "MenuGuida", "Guida in linea", &TFormMainInst::MenuGuidaClick);
    MenuAbout = action(MenuHelp, "MenuAbout", "About...", &TFormMainInst::MenuAboutClick);

    connect(MenuCom1, &QAction::triggered, this, &TFormMainInst::MenuCom1Click);
    connect(MenuCom2, &QAction::triggered, this, &TFormMainInst::MenuCom2Click);
    connect(MenuUSB, &QAction::triggered, this, &TFormMainInst::MenuUSBClick);
    connect(MenuTipoMap, &QMenu::aboutToShow, this, &TFormMainInst::MenuTipoMapClick);
}

void TFormMainInst::BuildArea() {
    area_ = new MainWindowArea(this, scale_);
    area_->onResize = [this] { PlaceAreaControls(); };
    setCentralWidget(area_);

    auto button = [this](const char* name, const char* caption) {
        return MakeFunctionButton(area_, name, caption, scale_);
    };
    auto label = [this](const char* name, const char* caption) {
        return MakeFunctionLabel(area_, name, caption, kLabelFontGrowth * scale_);
    };

    BitBtn1 = button("BitBtn1", "F1");
    BitBtn2 = button("BitBtn2", "F2");
    BitBtn3 = button("BitBtn3", "F3");
    BitBtn4 = button("BitBtn4", "F4");
    BitBtn6 = button("BitBtn6", "F5");
    BitBtn7 = button("BitBtn7", "F6");
    BitBtn5 = button("BitBtn5", "Esc");
    LabInstallazione = label("LabInstallazione", "Installazione");
    LabGestione = label("LabGestione", "Gestione centralina");
    LabArchivioVett = label("LabArchivioVett", "Archivio auto");
    LabArchivioCli = label("LabArchivioCli", "Archivio clienti");
    LabelFuoriArchivio = label("LabelFuoriArchivio", "Auto non in archivio");
    LabelMappatura = label("LabelMappatura", "Rimappatura");
    LabelEsci = label("LabelEsci", "Esci");

    connect(BitBtn1, &QPushButton::clicked, this, &TFormMainInst::BitBtn1Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TFormMainInst::BitBtn3Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormMainInst::MenuEsciClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormMainInst::BitBtn2Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TFormMainInst::BitBtn4Click);
    connect(BitBtn6, &QPushButton::clicked, this, &TFormMainInst::BitBtn6Click);
    connect(BitBtn7, &QPushButton::clicked, this, &TFormMainInst::BitBtn7Click);

    const std::array<QPushButton*, 7> byNumber = {BitBtn1, BitBtn2, BitBtn3, BitBtn4,
                                                  BitBtn5, BitBtn6, BitBtn7};
    for (int n = 1; n <= 7; ++n) {
        new ClickArea(QStringLiteral("Shape%1").arg(n), byNumber[size_t(n - 1)], area_);
        new ClickArea(QStringLiteral("Label%1").arg(n), byNumber[size_t(n - 1)], area_);
    }

    ImageLogo = new QLabel(area_);
    ImageLogo->setObjectName(QStringLiteral("ImageLogo"));
    ImageLogo->hide();
    ImageLogoKrv = new QLabel(area_);
    ImageLogoKrv->setObjectName(QStringLiteral("ImageLogoKrv"));
    ImageLogoKrv->hide();
    LabelVersione = new QLabel(QStringLiteral("Versione PRO"), area_);
    LabelVersione->setObjectName(QStringLiteral("LabelVersione"));
    LabelVersione->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont versionFont = LabelVersione->font();
    versionFont.setPointSizeF(versionFont.pointSizeF() * scale_);
    LabelVersione->setFont(versionFont);
    LabelVersione->hide();

    PanelLingue = new QWidget(area_);
    PanelLingue->setObjectName(QStringLiteral("PanelLingue"));

    // Room for the whole function column; PlaceLogo keeps the width for the columns beside it.
    area_->setMinimumHeight(S(FunctionRowsDesignBottom(kButtonTop, 7)) + S(kAreaMargin));
    PlaceAreaControls();
}

void TFormMainInst::BuildStatusBar() {
    StatusBarMain = new QStatusBar(this);
    StatusBarMain->setObjectName(QStringLiteral("StatusBarMain"));
    StatusBarMain->setSizeGripEnabled(false);
    setStatusBar(StatusBarMain);
    for (size_t i = 0; i < panels_.size(); ++i) {
        auto* panel = new QLabel(StatusBarMain);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFixedWidth(kPanelWidths[i]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setIndent(4);
        // As in the status bars the program was designed with, the last panel runs on to the
        // right edge, so a long language name is not cut.
        const bool last = i + 1 == panels_.size();
        if (last) {
            panel->setMinimumWidth(kPanelWidths[i]);
            panel->setMaximumWidth(QWIDGETSIZE_MAX);
        }
        StatusBarMain->addWidget(panel, last ? 1 : 0);
        panels_[i] = panel;
    }
}

// Rows top to bottom: F1..F6, then Esc a little apart.
void TFormMainInst::PlaceAreaControls() {
    const std::array<FunctionRow, 7> rows = {{{BitBtn1, LabInstallazione, 1},
                                              {BitBtn2, LabGestione, 2},
                                              {BitBtn3, LabArchivioVett, 3},
                                              {BitBtn4, LabArchivioCli, 4},
                                              {BitBtn6, LabelFuoriArchivio, 6},
                                              {BitBtn7, LabelMappatura, 7},
                                              {BitBtn5, LabelEsci, 5}}};
    functionsRight_ = PlaceFunctionRows(*area_, rows, kButtonTop, scale_).textRight;
    PanelLingue->setGeometry(area_->width() - kPanelWidth, 0, kPanelWidth, area_->height());
    PlaceLogo();
}

// The logo with the version line right-aligned below it form a column between the function
// texts and the language panel, clear of both; the window is never narrower than the three.
void TFormMainInst::PlaceLogo() {
    if (!ImageLogo->pixmap().isNull()) ImageLogo->resize(ImageLogo->pixmap().size());
    LabelVersione->adjustSize();
    const int logoWidth = ImageLogo->isHidden() ? 0 : ImageLogo->width();
    const int versionWidth = LabelVersione->isHidden() ? 0 : LabelVersione->width();
    const int leftmost = functionsRight_ + S(kAreaMargin);
    const int column = std::max(logoWidth, versionWidth);
    const int rightmost = area_->width() - kPanelWidth - S(kAreaMargin);
    area_->setMinimumWidth(leftmost + column + S(kAreaMargin) + kPanelWidth);
    // The logo's right edge at 85 % of the client width where there is room for it.
    const int right = std::max(leftmost + column, std::min(int(area_->width() * kLogoAt), rightmost));
    ImageLogo->move(right - ImageLogo->width(), S(kLogoTop));
    LabelVersione->move(right - LabelVersione->width(),
                        ImageLogo->y() + ImageLogo->height() + kVersionBelowLogo);
}

void TFormMainInst::RemoveTemporaryFiles() {
    // The scratch files of a configuration load or save cut short by a crash.
    RemoveLeftoverTemporaries(PrivateTemporaryFolder());
}

int TFormMainInst::S(int designPixels) const { return int(std::lround(designPixels * scale_)); }

QPixmap TFormMainInst::Scaled(const QPixmap& picture) const {
    if (picture.isNull() || scale_ == 1.0) return picture;
    return picture.scaled(S(picture.width()), S(picture.height()), Qt::IgnoreAspectRatio,
                          Qt::SmoothTransformation);
}

// --- start-up ----------------------------------------------------------------------------------

bool TFormMainInst::Start() {
    if (started_) return true;
    started_ = true;

    RestoreGeometry();
    const int32_t comPort = ctx_.global.GetSetting(GlobalData::kComPort);
    if (comPort == 2)
        MenuCom2Click();
    else if (comPort == CPort::kUsbPort && ctx_.link.usbAvailable && MenuUSB->isVisible())
        MenuUSBClick();
    else
        MenuCom1Click();

    ctx_.global.SetPath(GlobalData::kMainPath, QFile::encodeName(mainPath_).toStdString());
    session_.SetMappingJournal(MappingJournal::PathIn(ctx_.global.MainPath()));
    session_.SetMixedMapRecord(MixedMapRecord::PathIn(ctx_.global.MainPath()));
    QDir::setCurrent(mainPath_);
    std::string configPath;
    ctx_.global.GetPath(kConfigFolder, configPath);
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(configPath)));

    area_->SetBackground(QPixmap(QDir(mainPath_).filePath(QString::fromLatin1(kBackgroundFile))), BitBtn1);

    dictionary_ = std::make_unique<TModuloLingua>(mainPath_);
    if (!dictionary_->IsOpen()) {
        Fail(dictionary_messages::kMainWindow);
        return false;
    }
    dictionary_->BuildLanguageButtons(PanelLingue);
    dictionary_->AttachPopupMenu(this);
    MenuSelLingue->addActions(dictionary_->PopupMenuLingue()->actions());
    connect(dictionary_.get(), &TModuloLingua::LanguageChosen, this, &TFormMainInst::LanguageChosen);
    const int32_t language = ctx_.global.GetSetting(GlobalData::kLanguage);
    if (language < 0 || language >= dictionary_->LanguageCount()) {
        ctx_.global.SetSetting(GlobalData::kLanguage, 0);
        Fail(dictionary_messages::kUnknownLanguage);
        return false;
    }
    dictionary_->SelectLanguage(language);
    if (closed_) return false;

    ImageLogo->setPixmap(Scaled(QPixmap(QDir(mainPath_).filePath(QString::fromLatin1(kLogoFile)))));
    ImageLogo->show();
    PlaceAreaControls();
    show();

    const int64_t waited = ctx_.clock.NowMs() - splashShownMs_;
    if (waited < TFormSplash::kMinimumShowMs) ctx_.clock.SleepMs(TFormSplash::kMinimumShowMs - waited);
    splash_.reset();

    Timer1->start();
    return true;
}

// The dictionary cannot serve the main window: say so and end.
void TFormMainInst::Fail(const char* message) {
    closed_ = true;
    Timer1->stop();
    splash_.reset();
    ctx_.prompter.Ask(message, AppContext::kTitle, PromptIcon::Error, PromptButtons::Ok);
}

void TFormMainInst::RestoreGeometry() {
    RestoreWindowGeometry(*this, {ctx_.global.GetSetting(GlobalData::kWindowSize),
                                  ctx_.global.GetSetting(GlobalData::kWindowPos)});
}

void TFormMainInst::StoreGeometry() {
    const StoredGeometry stored = WindowGeometryToStore(*this);
    ctx_.global.SetSetting(GlobalData::kWindowSize, stored.size);
    ctx_.global.SetSetting(GlobalData::kWindowPos, stored.pos);
}

void TFormMainInst::BringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    QWidget* popup = QApplication::activeModalWidget();
    if (popup != nullptr && popup != this) {
        if (popup->isMinimized()) popup->showNormal();
        popup->raise();
        popup->activateWindow();
    }
}

// --- localization ------------------------------------------------------------------------------

void TFormMainInst::LanguageChosen(int index) {
    // Resized since the last language change: that size is the installer's own.
    if (size() != widenedSize_) ownSize_ = size();
    if (!Localize()) {
        Fail(dictionary_messages::kMainWindow);
        hide();
        emit terminateRequested();
        return;
    }
    ctx_.global.SetSetting(GlobalData::kLanguage, index);
    helpFile_.clear();
    FitToLanguage();
}

// A language with longer captions may have widened the window; one with shorter ones gives the
// installer's own size back, never less than the captions need.
void TFormMainInst::FitToLanguage() {
    if (isMaximized() || isFullScreen()) return;
    layout()->activate();
    resize(ownSize_.expandedTo(minimumSizeHint()));
    widenedSize_ = size();
}

bool TFormMainInst::Localize() {
    Localizer loc(*dictionary_);
    for (QObject* c :
         std::initializer_list<QObject*>{LabInstallazione, LabGestione, LabArchivioVett, LabArchivioCli,
                                         LabelFuoriArchivio, LabelMappatura, LabelEsci})
        loc.Caption(c, 30);
    for (QObject* c : std::initializer_list<QObject*>{MenuFile, MenuHelp, MenuConn, MenuConnetti,
                                                      MenuDisconnetti, MenuComPort, MenuAbout, MenuEsci,
                                                      MenuVaiA, MenuStampa, MenuAnteprima})
        loc.Caption(c, 25);
    for (QObject* c :
         std::initializer_list<QObject*>{MenuInstall, MenuGestione, MenuAuto, MenuClienti, MenuFuoriArchivio,
                                         MenuMappatura, MenuGuida, MenuTipoMap})
        loc.Caption(c, 30);
    loc.Caption(MenuSelLingue, 25);
    loc.Caption(MenuCaricaConf, 40).Caption(MenuSalvaConf, 40);
    loc.Caption(MenuConfrontaConf, 40).Caption(MenuRipristinaBackup, 40).Caption(MenuAnnullaScrittura, 40);
    loc.Caption(MenuRegistrazioni, 40);
    loc.Apply(QStringLiteral("LabelVer"), 25, [this](const QString& text) {
        LabelVersione->setText(text + QLatin1Char(' ') + QString::fromLatin1(kVersionText));
        LabelVersione->show();
    });
    loc.WindowTitle(this, QStringLiteral("FinestraInstall"), 70);

    // Texts kept for messages and for the windows this one opens, with their cut lengths.
    std::map<std::string, std::string> texts;
    for (const KeptTexts& kept : kKeptTexts)
        for (const char* id : kept.identifiers) loc.Text(QString::fromLatin1(id), kept.length, texts[id]);
    for (const char* id : DeviceError::kLineIdentifiers)
        loc.Text(QString::fromLatin1(id), DeviceError::kLineLength, texts[id]);
    for (const char* id : kBackupTexts) loc.Text(QString::fromLatin1(id), 70, texts[id]);
    std::string dataVersionCaption;
    loc.Text(QStringLiteral("LabelVer"), 16, dataVersionCaption);
    std::string settingsNotSaved;
    loc.Text(QStringLiteral("MessImpNonSalvate"), 70, settingsNotSaved);

    if (loc.Run().has_value()) return false;
    texts_ = std::move(texts);
    dataVersionCaption_ = std::move(dataVersionCaption);
    // A settings store that refuses a save is said in the installer's language from now on.
    ctx_.global.SetSaveFailureText(std::move(settingsNotSaved));

    ctx_.link.SetLinkMessages({texts_["MessErrSettaggio"], texts_["MessErrComunic"],
                               texts_["MessRiprovaConn"], texts_["MessConnFallita"], texts_["MessErrCk"],
                               texts_["MessLineaPersa"]});
    SetPanel(0, Text(ctx_.link.IsConnected() ? "MessConnesso" : "MessNonConnesso"));
    const int current = dictionary_->CurrentIndex();
    SetPanel(3, StripAccelerator(dictionary_->LanguageCaption(current)));
    // Captions changed length: the function texts and the logo line move with them.
    PlaceAreaControls();
    return true;
}

QString TFormMainInst::Text(const std::string& identifier) const {
    const auto it = texts_.find(identifier);
    return it == texts_.end() ? QString() : Cp(it->second);
}

// --- session -----------------------------------------------------------------------------------

void TFormMainInst::Timer1Timer() {
    if (Timer1->interval() < 100) Timer1->setInterval(kTickMs);
    {
        // The keep-alive may lose the session (and ask the user about it): no tick meanwhile.
        TimerPause pause(*Timer1);
        if (!session_.KeepAlive()) return;
    }
    ApplySessionState();
}

// Menus and panels by the session state, as the keep-alive tick shows it.
void TFormMainInst::ApplySessionState() {
    const bool connected = session_.Connected();
    MenuConnetti->setEnabled(!connected);
    MenuDisconnetti->setEnabled(connected);
    // Without a session the model holds no ECU to compare.
    MenuConfrontaConf->setEnabled(connected);
    // Changing the port under an open session would leave it talking to a closed port.
    MenuComPort->setEnabled(!connected);
    MenuRipristinaBackup->setEnabled(connected);
    MenuAnnullaScrittura->setEnabled(LastWriteUndoable(ctx_));
    SetPanel(0, Text(connected ? "MessConnesso" : "MessNonConnesso"));
    if (!connected) SetPanel(1, QString());
}

void TFormMainInst::MenuConnettiClick() {
    TimerPause pause(*Timer1);
    if (session_.Open(interactive) != EcuSession::Opened::Loaded) return;
    if (interactive)
        ShowEcuData();
    else
        SetPanel(1, Cp(ctx_.car.NOME_PROGRAMMA));
}

std::unique_ptr<TFormDati> TFormMainInst::MakeEcuDataDialog() {
    auto dialog = std::make_unique<TFormDati>(this);
    if (scale_ != 1.0) {
        QFont font = dialog->font();
        font.setPointSizeF(font.pointSizeF() * scale_);
        dialog->setFont(font);
    }
    dialog->setWindowTitle(windowTitle());
    // The date in the installer's language; Italian, the program's own, before one is chosen.
    const std::optional<QString> code =
        dictionary_ ? QtTranslations::CodeOf(dictionary_->CurrentLanguage()) : std::nullopt;
    const QLocale language(code.value_or(QStringLiteral("it")));
    dialog->ShowEcu(
        ctx_.car, [this](const char* id) { return Text(id); }, Cp(dataVersionCaption_), language);
    return dialog;
}

void TFormMainInst::ShowEcuData() {
    std::unique_ptr<TFormDati> dati = MakeEcuDataDialog();
    {
        TimerPause pause(*Timer1);
        dati->exec();
    }
    SetPanel(1, Cp(ctx_.car.NOME_PROGRAMMA));
}

void TFormMainInst::MenuDisconnettiClick() {
    TimerPause pause(*Timer1);
    if (session_.CloseAsked()) Timer1->setInterval(kFirstTickMs);
}

// --- port and map type -------------------------------------------------------------------------

void TFormMainInst::MenuCom1Click() {
    if (!ctx_.link.IsConnected()) ctx_.link.SetPortPath(0, ctx_.global.PortPath(0));
    SelectPortItem(MenuCom1, 0, 1);
}
void TFormMainInst::MenuCom2Click() { SelectPortItem(MenuCom2, 1, 2); }
void TFormMainInst::MenuUSBClick() {
    if (!ctx_.link.usbAvailable) return;
    SelectPortItem(MenuUSB, CPort::kUsbPort, CPort::kUsbPort);
}

// The ports this machine has, by device path, below the fixed items. Choosing one points COM1 at
// it for this run; COM1 itself goes back to the device of the settings.
void TFormMainInst::AddDetectedPorts() {
    const std::vector<std::string> ports = SerialPortList().Ports();
    if (!ports.empty()) MenuComPort->addSeparator();
    for (const std::string& path : ports) {
        QAction* item = MenuComPort->addAction(QFile::decodeName(QByteArray::fromStdString(path)));
        item->setObjectName(QStringLiteral("MenuPortDevice"));
        item->setCheckable(true);
        portGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, item, path] {
            if (!ctx_.link.IsConnected()) ctx_.link.SetPortPath(0, path);
            SelectPortItem(item, 0, 1);
        });
    }
}

void TFormMainInst::SelectPortItem(QAction* item, int portIndex, int32_t comPort) {
    // The menu is greyed during a session; a call from elsewhere must not pull the port from
    // under it either.
    if (ctx_.link.IsConnected()) {
        ApplySessionState();
        return;
    }
    item->setChecked(true);
    ctx_.link.ClosePort();
    ctx_.link.SelectPort(portIndex);
    ctx_.global.SetSetting(GlobalData::kComPort, comPort);
    SetPanel(2, StripAccelerator(item->text()));
}

void TFormMainInst::MenuTipoMapClick() {
    const int32_t type = ctx_.car.TIPO_SENSORE_MAP;
    (type == kMapPorter ? MenuMapPORTER : type == kMapRover ? MenuMapROVER : MenuMapZOV)->setChecked(true);
}

void TFormMainInst::MenuMapZOVClick() { SetMapType(kMapZov); }
void TFormMainInst::MenuMapPORTERClick() { SetMapType(kMapPorter); }
void TFormMainInst::MenuMapROVERClick() { SetMapType(kMapRover); }

void TFormMainInst::SetMapType(int tag) {
    const std::array<QAction*, 3> items = {MenuMapZOV, MenuMapPORTER, MenuMapROVER};
    items[size_t(tag)]->setChecked(true);
    ctx_.car.TIPO_SENSORE_MAP = tag;
}

// --- functions ---------------------------------------------------------------------------------

void TFormMainInst::BitBtn2Click() {
    if (!dictionary_) return;
    TFormGestione menu(ctx_, *dictionary_, this);
    menu.backgroundPath = QDir(mainPath_).filePath(QString::fromLatin1(kManagementBackground));
    // The menu draws its picture where this window draws its own, so it does not seem to move.
    const QRect placement = area_->BackgroundPlacement();
    if (!placement.isNull()) menu.AlignBackground(area_->mapToGlobal(placement.topLeft()), placement.size());
    TimerPause pause(*Timer1);
    menu.exec();
}

UpdateTexts TFormMainInst::ProgrammingTexts() const {
    return UpdateTexts([this](const char* id) {
        const auto it = texts_.find(id);
        return it == texts_.end() ? std::string() : it->second;
    });
}

bool TFormMainInst::UpdateStandardSoftware(bool keepConfiguration, int fuel) {
    std::string mapPath;
    ctx_.global.GetPath(GlobalData::kMapPath, mapPath);
    FormProgrammingHost host(
        this, [this] { ConnectSilently(); },
        [this](const std::string& why) {
            return ctx_.prompter.Ask(why, Caption(), PromptIcon::Warning, PromptButtons::YesNo) ==
                   PromptAnswer::Yes;
        });
    EcuProgrammer programmer(ctx_.link, ctx_.model, host, ctx_.prompter, ctx_.clock, mapPath,
                             ProgrammingTexts());
    programmer.SetBackup(ConfigurationBackup(ConfigurationBackup::FolderIn(ctx_.global.MainPath())));
    host.SetBackupMade([this](const std::string& path) { RecordBackupInHistory(path); });
    const bool programmed = programmer.UpdateStandardSoftware(keepConfiguration, fuel);
    TellUnstoredHistory();
    return programmed;
}

void TFormMainInst::ConnectSilently() {
    const bool wasInteractive = interactive;
    interactive = false;
    MenuConnettiClick();
    interactive = wasInteractive;
}

void TFormMainInst::BitBtn6Click() {
    if (!dictionary_) return;
    const TimerPause timer = FunctionPause(*Timer1);
    if (!ctx_.link.IsConnected()) ConnectSilently();
    int fuel = 0;
    {
        TFormSceltaCarb choice(*dictionary_, ctx_.prompter, this);
        choice.SetFuel(ctx_.car.TIPO_DI_CARBURANTE);
        if (choice.exec() != QDialog::Accepted) return;
        fuel = choice.Fuel();
    }
    if (!UpdateStandardSoftware(false, fuel)) return;
    TFormModifica editor(ctx_, *dictionary_, this, true);
    editor.exec();
}

void TFormMainInst::BitBtn7Click() {
    if (!dictionary_) return;
    const TimerPause timer = FunctionPause(*Timer1);
    if (!ctx_.link.IsConnected()) ConnectSilently();
    if (session_.DiagnosisBlocksMapping()) {
        ShowError(texts_["MessDiagnosiOn"] + "\n" + texts_["MessAzzerareDiagnosi"]);
        return;
    }
    ConfCar& car = ctx_.car;
    if (!UpdateStandardSoftware(true, car.TIPO_DI_CARBURANTE)) return;
    // The journal goes down before the ECU enters mapping mode: a program killed while its map
    // window still waits then leaves an ECU the next session takes out with its own values,
    // rather than one it must report as left without them.
    MappingJournal journal(MappingJournal::PathIn(ctx_.global.MainPath()));
    journal.Record(car);
    car.DEFAULT_REGISTRO_CONFIGURAZIONE |= kMappingModeBit;
    const WriteOutcome entered = car.Send(kConfigurationRegister, car.DEFAULT_REGISTRO_CONFIGURAZIONE);
    if (entered == WriteOutcome::Refused) journal.Clear();
    if (entered != WriteOutcome::Answered) {
        // No mapping window over an ECU that did not enter mapping mode. A lost answer may hide a
        // register that changed: the leave is then owed to the next session.
        car.DEFAULT_REGISTRO_CONFIGURAZIONE &= ~kMappingModeBit;
        if (entered == WriteOutcome::Lost) ctx_.model.LeaveMapping();
        if (entered == WriteOutcome::Refused)
            ShowError(RefusalText(texts_["MessMappaturaRifiutata"], {kConfigurationRegister}));
        return;
    }
    OpenMappingWindow();
}

// --- help, about, closing ----------------------------------------------------------------------

void TFormMainInst::MenuGuidaClick() {
    if (helpFile_.isEmpty()) {
        QString file = HelpFilePath(mainPath_, dictionary_->CurrentLanguage());
        if (!QFileInfo::exists(file)) {
            LanguageChoiceTexts texts;
            texts.caption = windowTitle();
            texts.warning = Text("MessNoGuidaLingua") + QLatin1Char('\n') + Text("MessNoIstrLingua2");
            texts.ok = Text("ButtonOK");
            texts.cancel = Text("ButtonAnnulla");
            texts.noneMessage = Text("MessNoGuida");
            TimerPause pause(*Timer1);
            const std::optional<QString> language =
                ChooseHelpLanguage(*dictionary_, mainPath_, texts, ctx_.prompter, this);
            if (!language) return;
            file = HelpFilePath(mainPath_, *language);
        }
        helpFile_ = file;
    }
    if (!helpViewer_) {
        // A window of its own that still belongs to this one, so it goes when the program ends.
        helpViewer_ = new QTextBrowser(this);
        helpViewer_->setWindowFlag(Qt::Window);
        helpViewer_->setObjectName(QStringLiteral("HelpViewer"));
        helpViewer_->setAttribute(Qt::WA_DeleteOnClose);
        helpViewer_->setOpenExternalLinks(true);
        helpViewer_->resize(640, 480);
    }
    helpViewer_->setWindowTitle(windowTitle());
    helpViewer_->setSource(HelpUrl(helpFile_));
    helpViewer_->show();
    helpViewer_->raise();
    helpViewer_->activateWindow();
}

void TFormMainInst::MenuAboutClick() {
    // The version line as the window shows it, in the installer's language.
    TAboutBoxI about(windowTitle(), QDir(mainPath_).filePath(QString::fromLatin1(kLogoFile)),
                     LabelVersione->text(), this);
    TimerPause pause(*Timer1);
    about.exec();
}

void TFormMainInst::MenuEsciClick() { close(); }

void TFormMainInst::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TFormMainInst::FormCloseQuery() {
    if (!session_.Connected()) return true;
    TimerPause pause(*Timer1);
    return session_.CloseAsked();
}

void TFormMainInst::FormClose() {
    Timer1->stop();
    if (!closed_ && started_) StoreGeometry();
    closed_ = true;
    area_->SetBackground(QPixmap(), nullptr);
    if (helpViewer_) helpViewer_->close();
}

void TFormMainInst::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    area_->update();
}

// --- helpers -----------------------------------------------------------------------------------

PromptAnswer TFormMainInst::Ask(const char* identifier, PromptIcon icon, PromptButtons buttons) {
    return ctx_.prompter.Ask(texts_[identifier], Caption(), icon, buttons);
}

std::string TFormMainInst::Caption() const { return ToCp1252(windowTitle()); }

void TFormMainInst::ShowError(const std::string& text) {
    ctx_.prompter.Ask(text, Caption(), PromptIcon::Error, PromptButtons::Ok);
}

void TFormMainInst::SetPanel(int panel, const QString& text) { panels_[size_t(panel)]->setText(text); }

QString TFormMainInst::PanelText(int panel) const {
    return panel >= 0 && panel < int(panels_.size()) ? panels_[size_t(panel)]->text() : QString();
}

}  // namespace zov
