// The main window against the ECU simulator: start-up, the connect-time load and the ECU data
// dialog, the retry on a dead line, the keep-alive, disconnecting and closing, ports and the map
// type.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <chrono>

#include "DictionaryMessages.h"
#include "MainWindowSupport.h"
#include "QtText.h"
#include "TAboutBoxI.h"
#include "TFormAttesaFile.h"
#include "TFormDati.h"
#include "TFormSceltaLingua.h"
#include "WindowScale.h"

namespace zov::test {
namespace {

constexpr int64_t kSecondUs = 1000000;

template <typename T = QWidget>
T* Child(QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// Closes the ECU data dialog as soon as it shows, keeping what it said.
struct DataDialogReader {
    DataDialogReader()
        : watcher([this](QWidget& w) {
              auto* dati = qobject_cast<TFormDati*>(&w);
              if (dati == nullptr) return;
              title = dati->windowTitle();
              for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7",
                                       "LabelVerSoft", "LabelMod", "LabelAnno", "LabelCil", "LabelCarb",
                                       "LabelNome", "LabelData", "LabelVersione", "LabelProtected"}) {
                  QLabel* label = Child<QLabel>(*dati, name);
                  texts[name] = label != nullptr ? label->text() : QStringLiteral("<no %1>").arg(name);
                  visible[name] = label != nullptr && label->isVisible();
              }
              for (auto [caption, value] : {std::pair{"Label2", "LabelMod"},
                                            {"Label3", "LabelAnno"},
                                            {"Label4", "LabelCil"},
                                            {"Label5", "LabelCarb"},
                                            {"Label6", "LabelNome"},
                                            {"Label7", "LabelData"},
                                            {"LabelVerSoft", "LabelVersione"}}) {
                  const QLabel* c = Child<QLabel>(*dati, caption);
                  const QLabel* v = Child<QLabel>(*dati, value);
                  gaps.push_back(v->x() - (c->x() + c->width()));
                  sameRow.push_back(v->y() == c->y());
              }
              group1 = dati->GroupBox1->title();
              group2 = dati->GroupBox2->title();
              group2Height = dati->GroupBox2->height();
              button1Visible = dati->Button1->isVisible();
              button2Text = dati->Button2->text();
              dati->Button2->click();
          }) {}
    bool Shown() const { return watcher.seen == QStringLiteral("FormDati"); }

    ModalWatcher watcher;
    QString title, group1, group2, button2Text;
    int group2Height = 0;
    bool button1Visible = true;
    std::map<std::string, QString> texts;
    std::map<std::string, bool> visible;
    std::vector<int> gaps;
    std::vector<bool> sameRow;
};

// Starts the window and opens a session, closing the data dialog.
void StartAndConnect(Bench& b) {
    ASSERT_TRUE(b.form->Start());
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    ASSERT_TRUE(b.context->link.IsConnected());
    ASSERT_TRUE(reader.Shown());
}

// --- start-up ----------------------------------------------------------------------------------

TEST(MainWindowStart, SplashStaysThreeSecondsOfVirtualTimeThenGoes) {
    // Whatever the start-up took already counts towards the three seconds.
    for (int64_t spentBeforeMs : {0, 1200, 5000}) {
        Bench b;
        const int64_t created = b.clock.NowMs();
        QWidget* splash = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("FormSplash") && w->isVisible()) splash = w;
        ASSERT_NE(splash, nullptr);
        EXPECT_EQ(Child<QLabel>(*splash, "Label1")->text(), QStringLiteral("PRO"));
        EXPECT_TRUE(splash->testAttribute(Qt::WA_TransparentForMouseEvents));
        EXPECT_TRUE(splash->windowFlags() & Qt::WindowStaysOnTopHint);

        b.clock.Advance(spentBeforeMs * 1000);
        ASSERT_TRUE(b.form->Start());
        EXPECT_EQ(b.clock.NowMs() - created, std::max<int64_t>(3000, spentBeforeMs)) << spentBeforeMs;
        for (QWidget* w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->objectName() == QStringLiteral("FormSplash") && w->isVisible());
        EXPECT_TRUE(b.form->isVisible());
    }
}

TEST(MainWindowStart, LocalizesFromTheDictionaryAndShowsTheStartState) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    EXPECT_EQ(f.windowTitle(), b.Dict("FinestraInstall", 70));
    EXPECT_EQ(f.LabGestione->text(), b.Dict("LabGestione", 30));
    EXPECT_EQ(f.MenuConnetti->text(), b.Dict("MenuConnetti", 25));
    EXPECT_EQ(f.LabelVersione->text(), b.Dict("LabelVer", 25) + QStringLiteral(" 5.6.1 PRO"));
    EXPECT_TRUE(f.LabelVersione->isVisible());
    EXPECT_TRUE(f.ImageLogo->isVisible());
    EXPECT_FALSE(f.ImageLogoKrv->isVisible());
    // Status: the session state, the port, the language.
    EXPECT_EQ(f.PanelText(0), b.Dict("MessNonConnesso", 35));
    EXPECT_EQ(f.PanelText(2), QStringLiteral("COM1"));
    EXPECT_EQ(f.PanelText(3), StripAccelerator(b.Dictionary().LanguageCaption(0)));
    // The link speaks the dictionary's words too.
    EXPECT_EQ(b.context->link.LinkMessage(LinkText::ConnectFailed), b.DictCp("MessConnFallita", 70));
    EXPECT_EQ(b.context->link.LinkMessage(LinkText::TooManyErrors), b.DictCp("MessErrCk", 70));
    EXPECT_EQ(b.context->link.LinkMessage(LinkText::DeviceLost), b.DictCp("MessLineaPersa", 70));
    // The program's folder became mainPath and the current directory; Config exists.
    EXPECT_EQ(b.context->global.MainPath(), QFile::encodeName(DistDir()).toStdString());
    EXPECT_EQ(QDir::current().absolutePath(), QDir(DistDir()).absolutePath());
    EXPECT_TRUE(QDir(DistDir() + QStringLiteral("/Config")).exists());
    // One flag button per language, in the panel on the right edge.
    const auto flags = f.PanelLingue->findChildren<QToolButton*>();
    EXPECT_EQ(int(flags.size()), b.Dictionary().LanguageCount());
    EXPECT_EQ(f.PanelLingue->x() + f.PanelLingue->width(), f.centralWidget()->width());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(MainWindowStart, StatusBarHasFourPanelsOfTheFixedWidths) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    const std::array<int, 4> widths = {220, 180, 50, 50};
    std::array<QLabel*, 4> panels{};
    for (int i = 0; i < 4; ++i) {
        panels[size_t(i)] = b.form->StatusBarMain->findChild<QLabel*>(QStringLiteral("Panel%1").arg(i));
        ASSERT_NE(panels[size_t(i)], nullptr);
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(panels[size_t(i)]->width(), widths[size_t(i)]) << i;
    // The last one starts where it should and runs on to the right edge.
    EXPECT_GE(panels[3]->width(), widths[3]);
    EXPECT_LT(panels[2]->geometry().right(), panels[3]->x());
    EXPECT_GE(panels[3]->geometry().right(), b.form->StatusBarMain->width() - 12);
    for (int i = 0; i < 3; ++i) EXPECT_LT(panels[size_t(i)]->x(), panels[size_t(i + 1)]->x());
}

TEST(MainWindowStart, EveryFunctionIsShownEnabled) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    for (QPushButton* built : {f.BitBtn1, f.BitBtn2, f.BitBtn3, f.BitBtn4, f.BitBtn6, f.BitBtn7})
        EXPECT_TRUE(built->isVisible() && built->isEnabled()) << built->objectName().toStdString();
    for (QAction* built : {f.MenuInstall, f.MenuGestione, f.MenuAuto, f.MenuClienti, f.MenuFuoriArchivio,
                           f.MenuMappatura, f.MenuCaricaConf, f.MenuSalvaConf, f.MenuStampa, f.MenuAnteprima})
        EXPECT_TRUE(built->isVisible() && built->isEnabled()) << built->objectName().toStdString();
    EXPECT_TRUE(f.BitBtn5->isEnabled());
    const std::vector<std::pair<QAction*, QKeySequence>> keys = {
        {f.MenuInstall, QKeySequence(Qt::Key_F1)},       {f.MenuGestione, QKeySequence(Qt::Key_F2)},
        {f.MenuAuto, QKeySequence(Qt::Key_F3)},          {f.MenuClienti, QKeySequence(Qt::Key_F4)},
        {f.MenuFuoriArchivio, QKeySequence(Qt::Key_F5)}, {f.MenuMappatura, QKeySequence(Qt::Key_F6)},
        {f.MenuEsci, QKeySequence(Qt::Key_Escape)}};
    for (const auto& [item, key] : keys) EXPECT_EQ(item->shortcut(), key) << item->objectName().toStdString();
    EXPECT_FALSE(f.MenuUSB->isVisible());  // this link has no HID support
}

TEST(MainWindowStart, BackgroundIsPaintedFortyLeftAndSixtyAboveTheFirstButton) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    const QImage picture(DistDir() + QStringLiteral("/immagini/Sfondo1.bmp"));
    ASSERT_FALSE(picture.isNull());
    const QImage shown = b.form->centralWidget()->grab().toImage();
    ASSERT_EQ(b.form->Scale(), 1.0);  // the test screen is the design screen
    const QPoint origin = b.form->BitBtn1->pos() - QPoint(40, 60);
    // The picture's corner and points inside it, unscaled, land exactly there.
    for (QPoint p : {QPoint(0, 0), QPoint(3, 2), QPoint(150, 210), QPoint(5, 5), QPoint(401, 37)}) {
        const QPoint at = origin + p;
        if (at.x() < 0 || at.y() < 0 || at.x() >= shown.width() || at.y() >= shown.height()) continue;
        EXPECT_EQ(shown.pixelColor(at), picture.pixelColor(p)) << p.x() << "," << p.y();
    }
}

// The screen as Qt reports it: a screen of `device` pixels shown at a pixel ratio is a logical screen
// that many times smaller, and Qt enlarges everything drawn on it by the ratio itself.
TEST(MainWindowStart, WindowIsScaledOnScreensOtherThanTheDesignOne) {
    struct Case {
        QSize device;
        double pixelRatio;
        double dpi;
        double scale;
    };
    const Case cases[] = {
        {{800, 600}, 1, 96, 1.0},
        {{800, 600}, 1, 96.2, 1.0},
        {{1280, 1024}, 1, 96, 1.6},
        {{800, 600}, 1, 120, 0.8},
        {{1920, 1440}, 1, 144, 1.6},
        // A wide screen: the height bounds the factor, the window fits on the screen.
        {{1920, 1080}, 1, 96, 1.8},
        {{1280, 720}, 1, 96, 1.2},
        // Pixel ratio 2: the same windows as on a screen of half the pixels, drawn twice as fine.
        {{2560, 2048}, 2, 96, 1.6},
        {{3840, 2160}, 2, 96, 1.8},
        {{1280, 1024}, 2, 96, 0.8},
        {{2880, 1800}, 1.5, 96, 2.0},
    };
    for (const Case& c : cases) {
        const QSize logical(int(c.device.width() / c.pixelRatio), int(c.device.height() / c.pixelRatio));
        const double scale = WindowScaleFor(logical, c.dpi);
        EXPECT_DOUBLE_EQ(scale, c.scale)
            << c.device.width() << "x" << c.device.height() << " ratio " << c.pixelRatio << " dpi " << c.dpi;
        // At the design's resolution the scaled 800 x 600 always fits on the logical screen.
        if (c.dpi == 96) {
            EXPECT_LE(800 * scale, logical.width() + 1e-9);
            EXPECT_LE(600 * scale, logical.height() + 1e-9);
        }
    }
}

TEST(MainWindowStart, DictionaryProblemsEndTheProgram) {
    struct Case {
        const char* name;
        bool withDictionary;
        int32_t language;
        const char* message;
        int32_t languageAfter;
    };
    const Case cases[] = {
        {"no dictionary", false, 0, dictionary_messages::kMainWindow, 0},
        {"language past the last", true, 3, dictionary_messages::kUnknownLanguage, 0},
        {"negative language", true, -1, dictionary_messages::kUnknownLanguage, 0},
    };
    for (const Case& c : cases) {
        QTemporaryDir runtime;
        if (c.withDictionary) CopyRuntime(runtime.path());
        StoredSettings stored;
        stored.language = c.language;
        Bench b({}, stored, runtime.path());
        EXPECT_FALSE(b.form->Start()) << c.name;
        ASSERT_EQ(b.prompter.shown.size(), 1u) << c.name;
        EXPECT_EQ(b.prompter.shown[0].text, c.message) << c.name;
        EXPECT_EQ(b.prompter.shown[0].caption, "ZOV Qbr") << c.name;
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error) << c.name;
        EXPECT_FALSE(b.form->isVisible()) << c.name;
        EXPECT_FALSE(b.form->Timer1->isActive()) << c.name;
        // The next start uses the first language.
        b.EndRun();
        QSettings store(b.settings.path() + QStringLiteral("/Ovalix srl/Install.ini"), QSettings::IniFormat);
        EXPECT_EQ(store.value(QStringLiteral("Language")).toInt(), c.languageAfter) << c.name;
    }
}

TEST(MainWindowStart, TemporaryLeftoversOfEarlierRunsAreDeleted) {
    QTemporaryDir runtime;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QDir folder(runtime.path() + QStringLiteral("/zovqbr"));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    // A process that has ended: the scratch files it left are leftovers.
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const QString deadPid = QString::number(dead), livePid = QString::number(getpid());
    const QStringList leftovers = {QStringLiteral("_ci%1_a1B2c3.tmp").arg(deadPid),
                                   QStringLiteral("_ic%1_Zz9y8x.tmp").arg(deadPid)};
    const QStringList others = {QStringLiteral("_ci%1_a1B2c3.tmp").arg(livePid),
                                QStringLiteral("_ci1234.txt"), QStringLiteral("x_ci1.tmp")};
    for (const QString& name : leftovers + others) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    // A read-only leftover goes too.
    QFile::setPermissions(folder.filePath(leftovers[0]), QFileDevice::ReadOwner);
    {
        Bench b;
        for (const QString& name : leftovers)
            EXPECT_FALSE(QFile::exists(folder.filePath(name))) << name.toStdString();
        for (const QString& name : others)
            EXPECT_TRUE(QFile::exists(folder.filePath(name))) << name.toStdString();
    }
    if (oldRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

// --- connect -----------------------------------------------------------------------------------

TEST(MainWindowConnect, LoadsTheEcuAndShowsItsIdentification) {
    struct Case {
        const char* name;
        int version;
        int fuel;
        const char* model;
        uint8_t ownRegisterBits;
        const char* versionText;  // nullptr: MessNonDisp
        const char* fuelId;
        bool protectedShown;
        int mapType;
    };
    const Case cases[] = {
        {"LPG, version 200", 200, 0, "FIAT PUNTO 1.2 8V", 0, "0.200", "LabelGpl", false, 0},
        {"CNG, protected, version 1.5", 0x0105, 1, "OPEL ZAFIRA 1.6", 0x10, "1.5", "LabelMetano", true, 0},
        {"no version", 0, 0, "FORD FOCUS", 0, nullptr, "LabelGpl", false, 0},
        {"Piaggio Porter E3", 200, 0, "Piaggio PORTER E3 1.3", 0, "0.200", "LabelGpl", false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::EcuConfig config;
        config.version = c.version;
        config.fuel = c.fuel;
        config.model = c.model;
        config.programName = "PRG_4711.ZOV";
        config.displacement = 1242;
        config.year = 2007;
        config.ownRegisterBits = c.ownRegisterBits;
        Bench b(config);
        ASSERT_TRUE(b.form->Start());

        DataDialogReader reader;
        b.form->MenuConnettiClick();
        ASSERT_TRUE(b.context->link.IsConnected());
        ASSERT_TRUE(reader.Shown());

        // The model holds the ECU's identification.
        const ConfCar& car = b.context->car;
        EXPECT_EQ(car.MODELLO, c.model);
        EXPECT_EQ(car.VERSIONE_CENTRALINA, c.version);
        EXPECT_EQ(car.TIPO_SENSORE_MAP, c.mapType);

        const QString colon = QStringLiteral(":");
        EXPECT_EQ(reader.title, b.form->windowTitle());
        EXPECT_EQ(reader.texts["Label1"], b.Dict("LabelIdentif", 70));
        EXPECT_EQ(reader.group1, b.Dict("GroupDatiAuto", 40));
        EXPECT_EQ(reader.group2, b.Dict("GroupDatiProg", 40));
        EXPECT_EQ(reader.texts["Label2"], b.Dict("LabelModAuto", 12) + colon);
        EXPECT_EQ(reader.texts["Label3"], b.Dict("LabelAnno", 12) + colon);
        EXPECT_EQ(reader.texts["Label4"], b.Dict("LabelCil", 20) + colon);
        EXPECT_EQ(reader.texts["Label5"], b.Dict("LabelCarburante", 15) + colon);
        EXPECT_EQ(reader.texts["Label6"], b.Dict("LabelProg", 16) + colon);
        EXPECT_EQ(reader.texts["Label7"], b.Dict("LabelDataCreaz", 16) + colon);
        EXPECT_EQ(reader.texts["LabelVerSoft"], b.Dict("LabelVer", 16) + colon);
        EXPECT_EQ(reader.texts["LabelMod"], QString::fromLatin1(c.model));
        EXPECT_EQ(reader.texts["LabelAnno"], QStringLiteral("2007"));
        EXPECT_EQ(reader.texts["LabelCil"], QStringLiteral("1242"));
        EXPECT_EQ(reader.texts["LabelNome"], QStringLiteral("PRG_4711.ZOV"));
        EXPECT_EQ(reader.texts["LabelCarb"], b.Dict(c.fuelId, 15));
        EXPECT_EQ(reader.texts["LabelVersione"],
                  c.versionText ? QString::fromLatin1(c.versionText) : b.Dict("MessNonDisp", 15));
        using namespace std::chrono;
        const year_month_day date{sys_days{year{1998} / October / 12} + days{sim::EcuConfig{}.programDate}};
        EXPECT_TRUE(reader.texts["LabelData"].endsWith(QString::number(int(date.year()))))
            << reader.texts["LabelData"].toStdString();
        EXPECT_EQ(reader.visible["LabelProtected"], c.protectedShown);
        EXPECT_TRUE(reader.visible["LabelVersione"]);
        EXPECT_TRUE(reader.visible["LabelVerSoft"]);
        EXPECT_FALSE(reader.button1Visible);
        EXPECT_EQ(reader.button2Text, b.Dict("ButtonOK", 15));
        EXPECT_GE(reader.group2Height, 113);
        for (size_t i = 0; i < reader.gaps.size(); ++i) {
            EXPECT_EQ(reader.gaps[i], 8) << "row " << i;
            EXPECT_TRUE(reader.sameRow[i]) << "row " << i;
        }
        // After the dialog: the ECU's file name in panel 1.
        EXPECT_EQ(b.form->PanelText(1), QStringLiteral("PRG_4711.ZOV"));
        EXPECT_TRUE(b.prompter.shown.empty());
    }
}

// The ECU takes a moment to answer, so the link waits (and the test can look) at every request.
sim::EcuConfig SlowEcu() {
    sim::EcuConfig config;
    config.faults.latencyUs = 2000;
    return config;
}

TEST(MainWindowConnect, ProgressWindowFollowsTheLoadToCompletion) {
    Bench b(SlowEcu());
    ASSERT_TRUE(b.form->Start());
    // What the progress window says each time the link waits during the load.
    std::vector<QString> seen;
    QString title, label, state;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    b.clock.onSleep = [&](int64_t) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TFormAttesaFile*>(w);
            if (progress == nullptr || !progress->isVisible()) continue;
            state = b.form->PanelText(0);
            title = progress->windowTitle();
            label = progress->Label1->text();
            if (seen.empty() || seen.back() != progress->Label2->text())
                seen.push_back(progress->Label2->text());
            if (QApplication::overrideCursor() != nullptr) cursor = QApplication::overrideCursor()->shape();
        }
    };
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    b.clock.onSleep = nullptr;
    ASSERT_TRUE(reader.Shown());

    EXPECT_EQ(title, b.Dict("MessConnCpu", 70));
    EXPECT_EQ(label, b.Dict("MessCaricaDati", 70));
    EXPECT_EQ(cursor, Qt::WaitCursor);
    // The session is open while it loads, and the status bar says so.
    EXPECT_EQ(state, b.Dict("MessConnesso", 35));
    const QString done = b.Dict("MessCompletato", 15);
    std::vector<QString> expected;
    for (int percent : {10, 20, 30, 50, 60, 70, 90})
        expected.push_back(QString::number(percent) + QStringLiteral("% ") + done);
    EXPECT_EQ(seen, expected);
    // The window is gone and the cursor is back.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<TFormAttesaFile*>(w) && w->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MainWindowConnect, DeadLineIsTriedAgainAfterTwelveSecondsThenReported) {
    for (bool interactive : {true, false}) {
        SCOPED_TRACE(interactive ? "interactive" : "silent");
        sim::EcuConfig config;
        config.faults.deadLine = true;
        Bench b(config);
        ASSERT_TRUE(b.form->Start());
        b.form->interactive = interactive;
        // The cursor while the countdown runs, one look per second of waiting.
        std::vector<bool> busyDuringWait;
        b.clock.onSleep = [&](int64_t us) {
            if (us == kSecondUs)
                busyDuringWait.push_back(QApplication::overrideCursor() != nullptr &&
                                         QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        };
        const int64_t before = b.clock.NowUs();
        b.form->MenuConnettiClick();
        b.clock.onSleep = nullptr;

        EXPECT_FALSE(b.context->link.IsConnected());
        ASSERT_EQ(b.opener.opens.size(), 2u);  // one Connect, the countdown, one more Connect
        const int64_t firstAttempt = b.opener.opens[1].timeUs - before - 12 * kSecondUs;
        EXPECT_GT(firstAttempt, 0);
        EXPECT_LT(firstAttempt, 5 * kSecondUs);
        EXPECT_EQ(busyDuringWait, std::vector<bool>(12, true));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        if (interactive) {
            ASSERT_EQ(b.prompter.shown.size(), 1u);
            EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessConnFallita", 70));
            EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.form->windowTitle()));
            EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
            // Only after the second attempt.
            EXPECT_GT(b.prompter.times[0], b.opener.opens[1].timeUs);
        } else {
            EXPECT_TRUE(b.prompter.shown.empty());
        }
        // Nothing was loaded and no data dialog was shown.
        EXPECT_EQ(b.form->PanelText(1), QString());
    }
}

TEST(MainWindowConnect, APortThatCannotBeUsedIsExplainedInTheWindowsLanguage) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    b.opener.refusal = DeviceFault::NotSerial;
    b.form->MenuConnettiClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    std::string line = b.DictCp("MessPortNonSeriale", 160);
    ASSERT_NE(line.find("%1"), std::string::npos);
    line.replace(line.find("%1"), 2, b.opener.opens.back().path);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessConnFallita", 70) + "\n" + line);
    EXPECT_EQ(line.find("serial port"), std::string::npos) << "not the English line";
}

TEST(MainWindowConnect, AnEcuThatAnswersOnlyAfterTheCountdownIsLoaded) {
    sim::EcuConfig config;
    config.faults.deadLine = true;
    Bench b(config);
    ASSERT_TRUE(b.form->Start());
    // The ECU wakes up during the countdown.
    b.clock.onSleep = [&](int64_t us) {
        if (us == kSecondUs) b.ecu.MutableFaults().deadLine = false;
    };
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    b.clock.onSleep = nullptr;
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_TRUE(reader.Shown());
    EXPECT_TRUE(b.prompter.shown.empty());
}

TEST(MainWindowConnect, SessionLostDuringTheLoadShowsNoEcuData) {
    Bench b(SlowEcu());
    ASSERT_TRUE(b.form->Start());
    // Half-way through the load the ECU goes silent; the user declines to reconnect.
    b.clock.onSleep = [&](int64_t) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TFormAttesaFile*>(w);
            if (progress != nullptr && progress->isVisible() && progress->ProgressBar1->value() >= 50)
                b.ecu.MutableFaults().deadLine = true;
        }
    };
    b.prompter.fallback = PromptAnswer::No;
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    b.clock.onSleep = nullptr;
    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_FALSE(reader.Shown());
    // The link asked about the session; nothing claims a loaded ECU.
    EXPECT_FALSE(b.prompter.shown.empty());
    EXPECT_EQ(b.form->PanelText(0), b.Dict("MessNonConnesso", 35));
    EXPECT_EQ(b.form->PanelText(1), QString());
    EXPECT_TRUE(b.form->MenuConnetti->isEnabled());
}

TEST(MainWindowConnect, TickDuringAnExchangeLeavesTheLinkAlone) {
    Bench b(SlowEcu());
    ASSERT_TRUE(b.form->Start());
    // A timer firing while the link waits inside the load.
    int ticks = 0;
    b.clock.onSleep = [&](int64_t) {
        if (b.context->link.IsConnected() && b.context->link.IsBusy() && ticks < 5) {
            ++ticks;
            b.form->Timer1Timer();
        }
    };
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    b.clock.onSleep = nullptr;
    ASSERT_GT(ticks, 0);
    EXPECT_EQ(b.CountReads(TFormMainInst::kKeepAliveVariable), 0);
    EXPECT_TRUE(reader.Shown());
}

// --- keep-alive, disconnect, closing -----------------------------------------------------------

TEST(MainWindowSession, KeepAliveTickReadsVariable72AndShowsTheState) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    EXPECT_EQ(f.Timer1->interval(), 50);
    EXPECT_TRUE(f.Timer1->isActive());

    // Not connected: nothing on the line, the connect item on.
    f.Timer1Timer();
    EXPECT_EQ(f.Timer1->interval(), 2000);
    EXPECT_TRUE(b.ecu.Requests().empty());
    EXPECT_TRUE(f.MenuConnetti->isEnabled());
    EXPECT_FALSE(f.MenuDisconnetti->isEnabled());
    EXPECT_EQ(f.PanelText(0), b.Dict("MessNonConnesso", 35));

    DataDialogReader reader;
    f.MenuConnettiClick();
    ASSERT_TRUE(reader.Shown());
    b.ecu.ClearRequests();
    f.Timer1Timer();
    ASSERT_EQ(b.ecu.Requests().size(), 1u);
    EXPECT_EQ(b.CountReads(72), 1);
    EXPECT_FALSE(f.MenuConnetti->isEnabled());
    EXPECT_TRUE(f.MenuDisconnetti->isEnabled());
    EXPECT_EQ(f.PanelText(0), b.Dict("MessConnesso", 35));
    EXPECT_EQ(f.PanelText(1), QString::fromStdString(b.ecu.Config().programName));
    EXPECT_EQ(f.Timer1->interval(), 2000);
    EXPECT_TRUE(f.Timer1->isActive());

    // The ECU goes away: the keep-alive finds out; the user declines to reconnect.
    b.ecu.MutableFaults().deadLine = true;
    b.prompter.fallback = PromptAnswer::No;
    f.Timer1Timer();
    EXPECT_FALSE(b.context->link.IsConnected());
    EXPECT_TRUE(f.MenuConnetti->isEnabled());
    EXPECT_FALSE(f.MenuDisconnetti->isEnabled());
    EXPECT_EQ(f.PanelText(0), b.Dict("MessNonConnesso", 35));
    EXPECT_EQ(f.PanelText(1), QString());
}

TEST(MainWindowSession, DisconnectAsksAndClosesThePortOnYesOnly) {
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        const bool yes = answer == PromptAnswer::Yes;
        SCOPED_TRACE(yes ? "yes" : "no");
        Bench b;
        StartAndConnect(b);
        b.form->Timer1Timer();  // the regular 2 s rhythm
        b.ecu.ClearRequests();
        b.prompter.answers = {answer};
        b.form->MenuDisconnettiClick();
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessDisconCpu", 70));
        EXPECT_EQ(b.prompter.shown[0].buttons, PromptButtons::YesNo);
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Question);
        EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.form->windowTitle()));
        EXPECT_EQ(bool(b.context->link.IsConnected()), !yes);
        EXPECT_EQ(b.line.IsOpen(), !yes);
        EXPECT_FALSE(b.ecu.SessionOpen() && yes);
        // Yes: the close-session frame went out, and the next tick comes at once.
        EXPECT_EQ(!b.ecu.Requests().empty(), yes);
        EXPECT_EQ(b.form->Timer1->interval(), yes ? 50 : 2000);
        EXPECT_TRUE(b.form->Timer1->isActive());
    }
}

TEST(MainWindowSession, ClosingWhileConnectedAsksOnceAndNoKeepsEverything) {
    struct Case {
        const char* name;
        bool connect;
        PromptAnswer answer;
        size_t questions;
        bool closes;
    };
    const Case cases[] = {
        {"not connected", false, PromptAnswer::Yes, 0, true},
        {"connected, no", true, PromptAnswer::No, 1, false},
        {"connected, yes", true, PromptAnswer::Yes, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        if (c.connect)
            StartAndConnect(b);
        else
            ASSERT_TRUE(b.form->Start());
        b.prompter.answers = {c.answer};
        EXPECT_EQ(b.form->close(), c.closes);
        EXPECT_EQ(b.prompter.shown.size(), c.questions);
        if (c.questions > 0) {
            EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessDisconCpu", 70));
        }
        EXPECT_EQ(b.form->isVisible(), !c.closes);
        EXPECT_EQ(bool(b.context->link.IsConnected()), c.connect && !c.closes);
        EXPECT_EQ(b.line.IsOpen(), c.connect && !c.closes);
        EXPECT_EQ(b.form->Timer1->isActive(), !c.closes);
    }
}

TEST(MainWindowSession, EscButtonAndItsTextCloseTheWindow) {
    for (const char* target : {"BitBtn5", "Label5", "Shape5"}) {
        SCOPED_TRACE(target);
        Bench b;
        ASSERT_TRUE(b.form->Start());
        QWidget* w = Child(*b.form, target);
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton);
        EXPECT_FALSE(b.form->isVisible());
    }
}

// --- ports and map type ------------------------------------------------------------------------

TEST(MainWindowPorts, StoredPortChoosesTheMenuItem) {
    struct Case {
        int32_t stored;
        const char* item;
        int portIndex;
        int32_t comPortAfter;
    };
    const Case cases[] = {
        {1, "MenuCom1", 0, 1},
        {2, "MenuCom2", 1, 2},
        {100, "MenuCom1", 0, 1},  // this link has no HID support
        {7, "MenuCom1", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        StoredSettings stored;
        stored.comPort = c.stored;
        Bench b({}, stored);
        ASSERT_TRUE(b.form->Start());
        auto* item = b.form->findChild<QAction*>(QString::fromLatin1(c.item));
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->isChecked());
        EXPECT_EQ(b.context->link.portIndex, c.portIndex);
        EXPECT_EQ(b.context->global.GetSetting(GlobalData::kComPort), c.comPortAfter);
        EXPECT_EQ(b.form->PanelText(2), StripAccelerator(item->text()));
    }
}

TEST(MainWindowPorts, ChoosingAPortOpensTheSessionThere) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    b.line.SetDevicePath("/dev/zov-com2");
    b.context->link.SetPortPath(1, "/dev/zov-com2");
    b.form->MenuCom2->trigger();
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kComPort), 2);
    EXPECT_EQ(b.form->PanelText(2), QStringLiteral("COM2"));
    DataDialogReader reader;
    b.form->MenuConnettiClick();
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_EQ(b.line.LastOpenedPath(), "/dev/zov-com2");

    // During the session the port stays put.
    b.form->Timer1Timer();
    EXPECT_FALSE(b.form->MenuComPort->isEnabled());
    b.form->MenuCom1Click();
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_TRUE(b.line.IsOpen());
    EXPECT_EQ(b.context->link.portIndex, 1);
    EXPECT_TRUE(b.form->MenuCom2->isChecked());
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kComPort), 2);
}

TEST(MainWindowMapType, MenuShowsAndSetsTheSensorType) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    const std::array<QAction*, 3> items = {f.MenuMapZOV, f.MenuMapPORTER, f.MenuMapROVER};
    for (int type : {0, 1, 2, 7}) {
        b.context->car.TIPO_SENSORE_MAP = type;
        f.MenuTipoMapClick();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(items[size_t(i)]->isChecked(), i == (type == 7 ? 0 : type)) << type;
    }
    for (int tag : {2, 1, 0}) {
        items[size_t(tag)]->trigger();
        EXPECT_EQ(b.context->car.TIPO_SENSORE_MAP, tag);
        EXPECT_TRUE(items[size_t(tag)]->isChecked());
    }
}

}  // namespace
}  // namespace zov::test
