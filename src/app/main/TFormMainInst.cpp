#include "FunctionKeys.h"
#include "WindowScale.h"
#include "TFormMainInst.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "DictionaryMessages.h"
#include "FormProgrammingHost.h"
#include "Localizer.h"
#include "Packaging.h"
#include "QtText.h"
#include "TAboutBoxI.h"
#include "TFormAttesaFile.h"
#include "TFormDati.h"
#include "TFormGestione.h"
#include "TFormModifica.h"
#include "TFormSceltaCarb.h"
#include "TFormSceltaLingua.h"
#include "TFormSplash.h"
#include "TModuloLingua.h"

namespace zov {

namespace {

// Layout of the function area, in pixels of the window's client area.
constexpr int kButtonLeft = 40;
constexpr int kButtonTop = 60;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 36;
constexpr int kButtonPitch = 50;
constexpr int kEscGap = 20;  // extra space above the Esc row
constexpr int kLabelGap = 16;
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
constexpr const char* kPorterModel = "piaggio porter e3";
constexpr int kProtectedBit = 0x10;  // DEFAULT_REGISTRO_CONFIGURAZIONE: the ECU is protected
constexpr int kDataGroupHeight = 113;
constexpr const char* kConfigurationFilter = " (*.zvf)";
constexpr const char* kFileNameProperty = "FileName";

// Stops a timer that talks to the ECU for as long as a modal box or a long exchange runs, and
// starts it again afterwards if it was running.
class TimerPause {
  public:
    explicit TimerPause(QTimer& timer) : timer_(timer), wasActive_(timer.isActive()) { timer_.stop(); }
    ~TimerPause() {
        if (wasActive_) timer_.start();
    }
    TimerPause(const TimerPause&) = delete;
    TimerPause& operator=(const TimerPause&) = delete;

  private:
    QTimer& timer_;
    bool wasActive_;
};

// The functions that reprogram the ECU run with Timer1 off and give it back at its first short
// interval, so the state shown is refreshed as soon as they end.
class FunctionTimer {
  public:
    explicit FunctionTimer(QTimer& timer) : timer_(timer) {
        timer_.stop();
        timer_.setInterval(TFormMainInst::kFirstTickMs);
    }
    ~FunctionTimer() {
        timer_.setInterval(TFormMainInst::kFirstTickMs);
        timer_.start();
    }
    FunctionTimer(const FunctionTimer&) = delete;
    FunctionTimer& operator=(const FunctionTimer&) = delete;

  private:
    QTimer& timer_;
};

class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QString Cp(const std::string& text) { return FromCp1252(text); }

// The windows' geometry settings pack two 16-bit halves into one integer: (high << 16) + low.
// Positions may be negative (a screen left of the primary one), so the low half is signed.
int32_t Pack(int high, int low) { return int32_t(uint32_t(high) << 16) + low; }
int LowSigned(int32_t v) { return int16_t(uint16_t(uint32_t(v) & 0xFFFF)); }
int HighSigned(int32_t v) { return (v - LowSigned(v)) >> 16; }

}  // namespace

// The client area: paints the background picture and holds the function controls.
class TFormMainInst::Area : public QWidget {
  public:
    explicit Area(TFormMainInst& form) : QWidget(&form), form_(form) {
        setObjectName(QStringLiteral("Area"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        form_.PaintBackground(painter);
    }
    void resizeEvent(QResizeEvent*) override { form_.PlaceAreaControls(); }

  private:
    TFormMainInst& form_;
};

TFormMainInst::TFormMainInst(AppContext& context, QWidget* parent) : QMainWindow(parent), ctx_(context) {
    setObjectName(QStringLiteral("FormMainInst"));
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

    auto action = [this](QMenu* menu, const char* name, const char* caption) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto menu = [this](QWidget* parentMenu, const char* name, const char* caption) {
        auto* m = new QMenu(QString::fromUtf8(caption), parentMenu);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };

    MenuFile = menu(bar, "MenuFile", "&File");
    bar->addMenu(MenuFile);
    MenuCaricaConf = action(MenuFile, "MenuCaricaConf", "Carica configurazione");
    MenuSalvaConf = action(MenuFile, "MenuSalvaConf", "Salva configurazione");
    MenuFile->addSeparator();
    MenuStampa = action(MenuFile, "MenuStampa", "Stampa");
    MenuFile->addSeparator();
    MenuSelLingue = menu(MenuFile, "MenuSelLingue", "Seleziona Lingua");
    MenuFile->addMenu(MenuSelLingue);
    MenuTipoMap = menu(MenuFile, "MenuTipoMap", "Tipo di map");
    MenuFile->addMenu(MenuTipoMap);
    mapGroup_ = new QActionGroup(this);
    MenuMapZOV = action(MenuTipoMap, "MenuMapZOV", "ZOV");
    MenuMapPORTER = action(MenuTipoMap, "MenuMapPORTER", "PORTER");
    MenuMapROVER = action(MenuTipoMap, "MenuMapROVER", "ROVER");
    const std::array<std::pair<QAction*, int>, 3> mapItems = {
        {{MenuMapZOV, kMapZov}, {MenuMapPORTER, kMapPorter}, {MenuMapROVER, kMapRover}}};
    for (const auto& [item, tag] : mapItems) {
        item->setCheckable(true);
        item->setData(tag);
        mapGroup_->addAction(item);
    }
    MenuFile->addSeparator();
    MenuEsci = action(MenuFile, "MenuEsci", "Esci");
    MenuEsci->setShortcut(QKeySequence(Qt::Key_Escape));

    MenuConn = menu(bar, "MenuConn", "&Connessione");
    bar->addMenu(MenuConn);
    MenuConnetti = action(MenuConn, "MenuConnetti", "Connetti");
    MenuDisconnetti = action(MenuConn, "MenuDisconnetti", "Disconnetti");
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

    MenuVaiA = menu(bar, "MenuVaiA", "&Vai a");
    bar->addMenu(MenuVaiA);
    MenuInstall = action(MenuVaiA, "MenuInstall", "Installazione");
    MenuGestione = action(MenuVaiA, "MenuGestione", "Gestione Centralina");
    MenuAuto = action(MenuVaiA, "MenuAuto", "Archivio Auto");
    MenuClienti = action(MenuVaiA, "MenuClienti", "Archivio Clienti");
    MenuFuoriArchivio = action(MenuVaiA, "MenuFuoriArchivio", "Auto non in archivio");
    MenuMappatura = action(MenuVaiA, "MenuMappatura", "Rimappatura");
    const std::array<std::pair<QAction*, Qt::Key>, 6> functionKeys = {{{MenuInstall, Qt::Key_F1},
                                                                       {MenuGestione, Qt::Key_F2},
                                                                       {MenuAuto, Qt::Key_F3},
                                                                       {MenuClienti, Qt::Key_F4},
                                                                       {MenuFuoriArchivio, Qt::Key_F5},
                                                                       {MenuMappatura, Qt::Key_F6}}};
    for (const auto& [item, key] : functionKeys) item->setShortcut(QKeySequence(key));

    MenuHelp = menu(bar, "MenuHelp", "&?");
    bar->addMenu(MenuHelp);
    MenuGuida = action(MenuHelp, "MenuGuida", "Guida in linea");
    MenuAbout = action(MenuHelp, "MenuAbout", "About...");

    // The tasks behind these open windows that this build does not have yet: they stay in view,
    // greyed, so the installer sees the whole program.
    for (QAction* later : {MenuStampa, MenuInstall, MenuAuto, MenuClienti}) later->setEnabled(false);

    connect(MenuConnetti, &QAction::triggered, this, &TFormMainInst::MenuConnettiClick);
    connect(MenuDisconnetti, &QAction::triggered, this, &TFormMainInst::MenuDisconnettiClick);
    connect(MenuCom1, &QAction::triggered, this, &TFormMainInst::MenuCom1Click);
    connect(MenuCom2, &QAction::triggered, this, &TFormMainInst::MenuCom2Click);
    connect(MenuUSB, &QAction::triggered, this, &TFormMainInst::MenuUSBClick);
    connect(MenuCaricaConf, &QAction::triggered, this, &TFormMainInst::MenuCaricaConfClick);
    connect(MenuSalvaConf, &QAction::triggered, this, &TFormMainInst::MenuSalvaConfClick);
    connect(MenuGestione, &QAction::triggered, this, &TFormMainInst::BitBtn2Click);
    connect(MenuFuoriArchivio, &QAction::triggered, this, &TFormMainInst::BitBtn6Click);
    connect(MenuMappatura, &QAction::triggered, this, &TFormMainInst::BitBtn7Click);
    connect(MenuTipoMap, &QMenu::aboutToShow, this, &TFormMainInst::MenuTipoMapClick);
    connect(MenuMapZOV, &QAction::triggered, this, &TFormMainInst::MenuMapZOVClick);
    connect(MenuMapPORTER, &QAction::triggered, this, &TFormMainInst::MenuMapPORTERClick);
    connect(MenuMapROVER, &QAction::triggered, this, &TFormMainInst::MenuMapROVERClick);
    connect(MenuEsci, &QAction::triggered, this, &TFormMainInst::MenuEsciClick);
    connect(MenuGuida, &QAction::triggered, this, &TFormMainInst::MenuGuidaClick);
    connect(MenuAbout, &QAction::triggered, this, &TFormMainInst::MenuAboutClick);
}

void TFormMainInst::BuildArea() {
    area_ = new Area(*this);
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

    // Same as the menu: the windows of these functions are not part of this build yet.
    for (QPushButton* later : {BitBtn1, BitBtn3, BitBtn4}) later->setEnabled(false);
    connect(BitBtn5, &QPushButton::clicked, this, &TFormMainInst::MenuEsciClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormMainInst::BitBtn2Click);
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

    // Room for the whole function column, the logo column and the language panel.
    const int escBottom = S(kButtonTop + 6 * kButtonPitch + kEscGap + kButtonHeight);
    area_->setMinimumSize(S(kButtonLeft + kButtonWidth + kLabelGap + 300) + kPanelWidth,
                          escBottom + S(kAreaMargin));
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
    struct Row {
        QPushButton* button;
        QLabel* text;
        int number;
    };
    const std::array<Row, 7> rows = {{{BitBtn1, LabInstallazione, 1},
                                      {BitBtn2, LabGestione, 2},
                                      {BitBtn3, LabArchivioVett, 3},
                                      {BitBtn4, LabArchivioCli, 4},
                                      {BitBtn6, LabelFuoriArchivio, 6},
                                      {BitBtn7, LabelMappatura, 7},
                                      {BitBtn5, LabelEsci, 5}}};
    int top = kButtonTop;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i == 6) top += kEscGap;
        const Row& row = rows[i];
        const int buttonTop = S(top);
        const int buttonHeight = S(kButtonHeight);
        const int buttonRight = S(kButtonLeft + kButtonWidth);
        row.button->setGeometry(S(kButtonLeft), buttonTop, S(kButtonWidth), buttonHeight);
        row.text->adjustSize();
        const int textLeft = S(kButtonLeft + kButtonWidth + kLabelGap);
        row.text->move(textLeft, buttonTop + (buttonHeight - row.text->height()) / 2);
        auto* shape = area_->findChild<QLabel*>(QStringLiteral("Shape%1").arg(row.number));
        auto* number = area_->findChild<QLabel*>(QStringLiteral("Label%1").arg(row.number));
        shape->setGeometry(buttonRight, buttonTop, textLeft - buttonRight, buttonHeight);
        number->setGeometry(textLeft, buttonTop, row.text->width(), buttonHeight);
        shape->raise();
        number->raise();
        top += kButtonPitch;
    }
    PanelLingue->setGeometry(area_->width() - kPanelWidth, 0, kPanelWidth, area_->height());
    PlaceLogo();
}

void TFormMainInst::PlaceLogo() {
    if (!ImageLogo->pixmap().isNull()) ImageLogo->resize(ImageLogo->pixmap().size());
    // The logo's right edge at 85 % of the client width; on a narrow window it still keeps clear
    // of the language panel.
    const int right = std::min(int(area_->width() * kLogoAt), area_->width() - kPanelWidth - S(kAreaMargin));
    ImageLogo->move(std::max(0, right - ImageLogo->width()), S(kLogoTop));
    LabelVersione->adjustSize();
    LabelVersione->move(ImageLogo->x() + ImageLogo->width() - LabelVersione->width(),
                        ImageLogo->y() + ImageLogo->height() + kVersionBelowLogo);
}

QRect TFormMainInst::BackgroundPlacement() const {
    if (background_.isNull()) return {};
    // The offsets belong to the window's design and scale with it, as the picture does.
    const QPoint origin(BitBtn1->x() - S(kBackgroundOffsetX), BitBtn1->y() - S(kBackgroundOffsetY));
    // A window larger than the scaled picture gets it enlarged further, never stretched.
    const double cover = std::max({scale_, double(area_->width() - origin.x()) / background_.width(),
                                   double(area_->height() - origin.y()) / background_.height()});
    return QRect(origin, QSize(int(std::ceil(background_.width() * cover)),
                               int(std::ceil(background_.height() * cover))));
}

void TFormMainInst::PaintBackground(QPainter& painter) {
    const QRect placement = BackgroundPlacement();
    if (placement.isNull()) return;
    if (shownBackground_.size() != placement.size()) {
        shownBackground_ =
            placement.size() == background_.size()
                ? background_
                : background_.scaled(placement.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    painter.drawPixmap(placement.topLeft(), shownBackground_);
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
    QDir::setCurrent(mainPath_);
    std::string configPath;
    ctx_.global.GetPath(kConfigFolder, configPath);
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(configPath)));

    background_ = QPixmap(QDir(mainPath_).filePath(QString::fromLatin1(kBackgroundFile)));

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
    const int32_t size = ctx_.global.GetSetting(GlobalData::kWindowSize);
    const int32_t pos = ctx_.global.GetSetting(GlobalData::kWindowPos);
    const QSize minimum = minimumSizeHint();
    int width = int(uint32_t(size) & 0xFFFF);
    int height = int(uint32_t(size) >> 16);
    // A size saved on a larger screen would not fit on this one.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        width = std::min(width, screen->availableGeometry().width());
        height = std::min(height, screen->availableGeometry().height());
    }
    resize(std::max(width, minimum.width()), std::max(height, minimum.height()));
    const QPoint topLeft(LowSigned(pos), HighSigned(pos));
    // A position saved on a screen that is gone would open the window out of sight.
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(topLeft, QSize(width > 0 ? width : 1, 40)))) {
            move(topLeft);
            return;
        }
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().topLeft());
}

void TFormMainInst::StoreGeometry() {
    const QRect client = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    const QPoint frame = isMaximized() || isFullScreen() ? client.topLeft() : pos();
    ctx_.global.SetSetting(GlobalData::kWindowSize, Pack(client.height(), client.width()));
    ctx_.global.SetSetting(GlobalData::kWindowPos, Pack(frame.y(), frame.x()));
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
    if (!Localize()) {
        Fail(dictionary_messages::kMainWindow);
        hide();
        emit terminateRequested();
        return;
    }
    ctx_.global.SetSetting(GlobalData::kLanguage, index);
    helpFile_.clear();
}

bool TFormMainInst::Localize() {
    Localizer loc(*dictionary_);
    for (QObject* c :
         std::initializer_list<QObject*>{LabInstallazione, LabGestione, LabArchivioVett, LabArchivioCli,
                                         LabelFuoriArchivio, LabelMappatura, LabelEsci})
        loc.Caption(c, 30);
    for (QObject* c :
         std::initializer_list<QObject*>{MenuFile, MenuHelp, MenuConn, MenuConnetti, MenuDisconnetti,
                                         MenuComPort, MenuAbout, MenuEsci, MenuVaiA, MenuStampa})
        loc.Caption(c, 25);
    for (QObject* c :
         std::initializer_list<QObject*>{MenuInstall, MenuGestione, MenuAuto, MenuClienti, MenuFuoriArchivio,
                                         MenuMappatura, MenuGuida, MenuTipoMap})
        loc.Caption(c, 30);
    loc.Caption(MenuSelLingue, 25);
    loc.Caption(MenuCaricaConf, 40).Caption(MenuSalvaConf, 40);
    loc.Apply(QStringLiteral("LabelVer"), 25, [this](const QString& text) {
        LabelVersione->setText(text + QLatin1Char(' ') + QString::fromLatin1(kVersionText));
        LabelVersione->show();
    });
    loc.WindowTitle(this, QStringLiteral("FinestraInstall"), 70);

    // Texts kept for messages and for the windows this one opens, with their cut lengths.
    std::map<std::string, std::string> texts;
    auto keep = [&](std::initializer_list<const char*> ids, int length) {
        for (const char* id : ids) loc.Text(QString::fromLatin1(id), length, texts[id]);
    };
    keep({"MessConnesso", "MessNonConnesso"}, 35);
    keep({"MessConnCpu",          "MessCaricaDati",       "MessConnFallita",
          "LabelIdentif",         "MessDisconCpu",        "MessNoGuida",
          "MessAggiornareCpu",    "MessNoFileAggiorna",   "MessBadFileAggiorna",
          "MessErrProg",          "FinestraCaricaDati",   "MessAttesaScarica",
          "FinestraProgS19",      "MessProgFallita",      "MessResetProg",
          "MessNoProg",           "MessTogliRidai",       "MessErrSer",
          "MessCheckSer",         "MessErrSinc",          "MessVLow",
          "MessTentareAggiorna",  "MessNoConn",           "MessAggiornaCpu",
          "MessDiagnosiOn",       "MessAzzerareDiagnosi", "MessErrCaricaConf",
          "MessErrSalvaConf",     "MessCheckRight",       "MessCaricaConf",
          "MessNoGuidaLingua",    "MessNoIstrLingua2",    "MessErrSettaggio",
          "MessErrComunic",       "MessRiprovaConn",      "MessErrCk",
          "MessFileProgNonValido"},
         70);
    keep({"MessCompletato", "ButtonOK", "ButtonAnnulla", "MessNonDisp", "LabelMetano", "LabelGpl",
          "LabelCarburante"},
         15);
    keep({"LabelModAuto", "LabelAnno"}, 12);
    keep({"LabelCil"}, 20);
    keep({"LabelProg", "LabelDataCreaz"}, 16);
    keep({"GroupDatiAuto", "GroupDatiProg", "LabelProtected", "LabelConfig"}, 40);
    keep({"FinestraScaricaDati", "FinestraSalvaConfig", "FinestraCaricaConfig"}, 50);
    std::string dataVersionCaption;
    loc.Text(QStringLiteral("LabelVer"), 16, dataVersionCaption);

    if (loc.Run().has_value()) return false;
    texts_ = std::move(texts);
    dataVersionCaption_ = std::move(dataVersionCaption);

    ctx_.link.SetLinkMessages({texts_["MessErrSettaggio"], texts_["MessErrComunic"],
                               texts_["MessRiprovaConn"], texts_["MessConnFallita"], texts_["MessErrCk"]});
    SetPanel(0, Text(ctx_.link.connected ? "MessConnesso" : "MessNonConnesso"));
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
    // A wait inside an exchange lets timers run; the link must not be entered twice.
    if (ctx_.link.IsBusy()) return;
    if (ctx_.link.connected) {
        // The keep-alive may lose the session (and ask the user about it): no tick meanwhile.
        TimerPause pause(*Timer1);
        ctx_.link.ReadVar(kKeepAliveVariable, nullptr);
    }
    ApplySessionState();
}

// Menus and panels by the session state, as the keep-alive tick shows it.
void TFormMainInst::ApplySessionState() {
    const bool connected = ctx_.link.connected != 0;
    MenuConnetti->setEnabled(!connected);
    MenuDisconnetti->setEnabled(connected);
    // Changing the port under an open session would leave it talking to a closed port.
    MenuComPort->setEnabled(!connected);
    SetPanel(0, Text(connected ? "MessConnesso" : "MessNonConnesso"));
    if (!connected) SetPanel(1, QString());
}

void TFormMainInst::MenuConnettiClick() {
    TimerPause pause(*Timer1);
    ComInj& link = ctx_.link;
    if (!link.Connect()) {
        {
            BusyCursor busy;
            for (int i = 0; i < kRetryWaitSeconds; ++i) {
                ctx_.clock.SleepMs(1000);
                repaint();
            }
        }
        if (!link.Connect()) {
            ApplySessionState();
            if (interactive) Ask("MessConnFallita", PromptIcon::Error, PromptButtons::Ok);
            return;
        }
    }

    // The status bar says so during the load already.
    ApplySessionState();
    {
        BusyCursor busy;
        TFormAttesaFile progress(this);
        progress.setWindowTitle(Text("MessConnCpu"));
        progress.Label1->setText(Text("MessCaricaDati"));
        progress.completionText = Text("MessCompletato");
        progress.show();
        ctx_.model.ReadFromEcu([&progress](int step) { progress.SetProgress(uint8_t(step), false); });
        progress.close();
    }
    ApplySessionState();
    // The link has already told the user when the session was lost during the load; what was
    // read is not a whole ECU, so it is not presented as one.
    if (!link.connected) return;

    if (interactive)
        ShowEcuData();
    else
        SetPanel(1, Cp(ctx_.car.NOME_PROGRAMMA));

    QString model = Cp(ctx_.car.MODELLO).toLower();
    if (model.contains(QLatin1String(kPorterModel))) ctx_.car.TIPO_SENSORE_MAP = kMapPorter;
}

std::unique_ptr<TFormDati> TFormMainInst::MakeEcuDataDialog() {
    const ConfCar& car = ctx_.car;
    auto dialog = std::make_unique<TFormDati>(this);
    TFormDati& dati = *dialog;
    if (scale_ != 1.0) {
        QFont font = dati.font();
        font.setPointSizeF(font.pointSizeF() * scale_);
        dati.setFont(font);
    }
    dati.setWindowTitle(windowTitle());
    dati.Button2->setText(Text("ButtonOK"));
    dati.Button1->hide();
    dati.GroupBox2->resize(dati.GroupBox2->width(), kDataGroupHeight);
    dati.LabelVerSoft->show();
    dati.LabelVersione->show();
    dati.Label1->setText(Text("LabelIdentif"));
    dati.GroupBox1->setTitle(Text("GroupDatiAuto"));
    dati.GroupBox2->setTitle(Text("GroupDatiProg"));
    const QString colon = QStringLiteral(":");
    dati.Label2->setText(Text("LabelModAuto") + colon);
    dati.Label3->setText(Text("LabelAnno") + colon);
    dati.Label4->setText(Text("LabelCil") + colon);
    dati.Label5->setText(Text("LabelCarburante") + colon);
    dati.Label6->setText(Text("LabelProg") + colon);
    dati.Label7->setText(Text("LabelDataCreaz") + colon);
    dati.LabelVerSoft->setText(Cp(dataVersionCaption_) + colon);

    const int32_t version = car.VERSIONE_CENTRALINA;
    dati.LabelVersione->setText(version == 0
                                    ? Text("MessNonDisp")
                                    : QStringLiteral("%1.%2").arg((version >> 8) & 0xFF).arg(version & 0xFF));
    dati.LabelData->setText(Cp(car.FormatProgramDate()));
    dati.LabelMod->setText(Cp(car.MODELLO));
    dati.LabelAnno->setText(QString::number(car.ANNO_VETTURA));
    dati.LabelCil->setText(QString::number(car.CILINDRATA));
    dati.LabelNome->setText(Cp(car.NOME_PROGRAMMA));
    dati.LabelCarb->setText(Text(car.TIPO_DI_CARBURANTE == 0 ? "LabelGpl" : "LabelMetano"));
    dati.LabelProtected->setText(Text("LabelProtected"));
    dati.LabelProtected->setVisible((car.DEFAULT_REGISTRO_CONFIGURAZIONE & kProtectedBit) != 0);
    dati.Arrange();
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
    if (Ask("MessDisconCpu", PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) return;
    ctx_.link.Disconnect();
    Timer1->setInterval(kFirstTickMs);
}

// --- port and map type -------------------------------------------------------------------------

void TFormMainInst::MenuCom1Click() { SelectPortItem(MenuCom1, 0, 1); }
void TFormMainInst::MenuCom2Click() { SelectPortItem(MenuCom2, 1, 2); }
void TFormMainInst::MenuUSBClick() {
    if (!ctx_.link.usbAvailable) return;
    SelectPortItem(MenuUSB, CPort::kUsbPort, CPort::kUsbPort);
}

void TFormMainInst::SelectPortItem(QAction* item, int portIndex, int32_t comPort) {
    // The menu is greyed during a session; a call from elsewhere must not pull the port from
    // under it either.
    if (ctx_.link.connected) {
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

// --- configuration files -----------------------------------------------------------------------

namespace {

QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

}  // namespace

QString TFormMainInst::ChooseConfigurationFile(bool save) {
    std::string configPath;
    ctx_.global.GetPath(kConfigFolder, configPath);
    const QString configFolder = QFile::decodeName(QByteArray::fromStdString(configPath));
    QDir().mkpath(configFolder);
    if (OpenDialog == nullptr) {
        auto make = [&](const char* name, QFileDialog::AcceptMode mode, QFileDialog::FileMode files) {
            auto* dialog = new QFileDialog(this);
            dialog->setObjectName(QString::fromLatin1(name));
            dialog->setAcceptMode(mode);
            dialog->setFileMode(files);
            dialog->setDefaultSuffix(QString::fromLatin1(packaging::kConfigurationExtension));
            dialog->setDirectory(configFolder);
            return dialog;
        };
        OpenDialog = make("OpenDialog", QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
        SaveDialog = make("SaveDialog", QFileDialog::AcceptSave, QFileDialog::AnyFile);
    }
    QFileDialog& dialog = save ? *SaveDialog : *OpenDialog;
    dialog.setWindowTitle(Text(save ? "FinestraSalvaConfig" : "FinestraCaricaConfig"));
    dialog.setNameFilter(Text("LabelConfig") + QString::fromLatin1(kConfigurationFilter));
    const QString previous = dialog.property(kFileNameProperty).toString();
    if (!previous.isEmpty()) {
        const QFileInfo info(previous);
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    const QString chosen = fileChooser_ ? fileChooser_(dialog) : RunFileDialog(dialog);
    if (chosen.isEmpty()) return chosen;
    // Loading and saving go on from the same file.
    OpenDialog->setProperty(kFileNameProperty, chosen);
    SaveDialog->setProperty(kFileNameProperty, chosen);
    return chosen;
}

void TFormMainInst::MenuSalvaConfClick() {
    TimerPause pause(*Timer1);
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
    if (source.isEmpty()) return;
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
            if (first && ctx_.link.connected) progress.show();
            first = false;
            progress.SetProgress(uint8_t(step), false);
        });
        progress.close();
    }
    // A damaged definition inside a sound file is refused like a damaged file.
    if (!load.Loaded()) ShowError(texts_["MessErrCaricaConf"] + "\n" + texts_["MessCheckRight"]);
}

// --- functions ---------------------------------------------------------------------------------

void TFormMainInst::BitBtn2Click() {
    if (!dictionary_) return;
    TFormGestione menu(ctx_, *dictionary_, this);
    menu.backgroundPath = QDir(mainPath_).filePath(QString::fromLatin1(kManagementBackground));
    // The menu draws its picture where this window draws its own, so it does not seem to move.
    const QRect placement = BackgroundPlacement();
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
    FormProgrammingHost host(this, [this] { ConnectSilently(); });
    EcuProgrammer programmer(ctx_.link, ctx_.model, host, ctx_.prompter, ctx_.clock, mapPath,
                             ProgrammingTexts());
    return programmer.UpdateStandardSoftware(keepConfiguration, fuel);
}

void TFormMainInst::ConnectSilently() {
    const bool wasInteractive = interactive;
    interactive = false;
    MenuConnettiClick();
    interactive = wasInteractive;
}

void TFormMainInst::BitBtn6Click() {
    if (!dictionary_) return;
    FunctionTimer timer(*Timer1);
    if (!ctx_.link.connected) ConnectSilently();
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
    FunctionTimer timer(*Timer1);
    if (!ctx_.link.connected) ConnectSilently();
    ConfCar& car = ctx_.car;
    if (ctx_.link.connected) {
        const int32_t effect = car.GetDiagnosisWord(0, 2);
        const int32_t enabled = car.GetDiagnosisWord(0, 1);
        if ((effect & enabled & kDiagnosisMask) != 0) {
            ShowError(texts_["MessDiagnosiOn"] + "\n" + texts_["MessAzzerareDiagnosi"]);
            return;
        }
    }
    if (!UpdateStandardSoftware(true, car.TIPO_DI_CARBURANTE)) return;
    car.DEFAULT_REGISTRO_CONFIGURAZIONE |= kMappingModeBit;
    ctx_.link.WriteVar(kConfigurationRegister, car.DEFAULT_REGISTRO_CONFIGURAZIONE);
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
    TAboutBoxI about(windowTitle(), QDir(mainPath_).filePath(QString::fromLatin1(kLogoFile)),
                     QStringLiteral("Version ") + QString::fromLatin1(kVersionText), this);
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
    if (!ctx_.link.connected) return true;
    TimerPause pause(*Timer1);
    if (Ask("MessDisconCpu", PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) return false;
    ctx_.link.Disconnect();
    return true;
}

void TFormMainInst::FormClose() {
    Timer1->stop();
    if (!closed_ && started_) StoreGeometry();
    closed_ = true;
    background_ = QPixmap();
    shownBackground_ = QPixmap();
    if (helpViewer_) helpViewer_->close();
}

void TFormMainInst::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    area_->update();
}

// --- helpers -----------------------------------------------------------------------------------

PromptAnswer TFormMainInst::Ask(const std::string& identifier, PromptIcon icon, PromptButtons buttons) {
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
