// The main window against the ECU simulator: languages, help and about, and the window's geometry
// (restored sizes and positions, controls that never overlap).
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

// --- languages, help, about --------------------------------------------------------------------

TEST(MainWindowLanguage, FlagButtonRelocalizesEveryCaption) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TModuloLingua& d = b.Dictionary();
    ASSERT_GE(d.LanguageCount(), 2);
    TFormMainInst& f = *b.form;

    // Help was looked for in the first language.
    f.MenuGuidaClick();
    ASSERT_FALSE(f.HelpFile().isEmpty());

    auto* english = f.PanelLingue->findChild<QToolButton*>(d.LanguageKey(1) + QStringLiteral("1"));
    ASSERT_NE(english, nullptr);
    english->click();
    ASSERT_EQ(d.CurrentIndex(), 1);

    const std::vector<std::pair<QObject*, int>> captions = {
        {f.LabInstallazione, 30},  {f.LabGestione, 30},        {f.LabArchivioVett, 30},
        {f.LabArchivioCli, 30},    {f.LabelFuoriArchivio, 30}, {f.LabelMappatura, 30},
        {f.LabelEsci, 30},         {f.MenuFile, 25},           {f.MenuHelp, 25},
        {f.MenuConn, 25},          {f.MenuConnetti, 25},       {f.MenuDisconnetti, 25},
        {f.MenuComPort, 25},       {f.MenuAbout, 25},          {f.MenuEsci, 25},
        {f.MenuVaiA, 25},          {f.MenuStampa, 25},         {f.MenuInstall, 30},
        {f.MenuGestione, 30},      {f.MenuAuto, 30},           {f.MenuClienti, 30},
        {f.MenuFuoriArchivio, 30}, {f.MenuMappatura, 30},      {f.MenuGuida, 30},
        {f.MenuTipoMap, 30},       {f.MenuCaricaConf, 40},     {f.MenuSalvaConf, 40},
        {f.MenuSelLingue, 25},     {f.MenuAnteprima, 25},
    };
    // Some words are the same in both languages ("File"); most are not.
    size_t changed = 0;
    for (const auto& [control, length] : captions) {
        const QString name = control->objectName();
        QString shown;
        if (auto* a = qobject_cast<QAction*>(control))
            shown = a->text();
        else if (auto* m = qobject_cast<QMenu*>(control))
            shown = m->title();
        else
            shown = qobject_cast<QLabel*>(control)->text();
        const QString now = d.LookupIn(d.LanguageKey(1), name, length).value_or(QStringLiteral("?"));
        const QString before = d.LookupIn(d.LanguageKey(0), name, length).value_or(QStringLiteral("?"));
        EXPECT_EQ(shown, now) << name.toStdString();
        if (now != before) ++changed;
    }
    EXPECT_GT(changed, captions.size() / 2);
    EXPECT_EQ(f.windowTitle(), b.Dict("FinestraInstall", 70));
    EXPECT_EQ(f.LabelVersione->text(), b.Dict("LabelVer", 25) + QStringLiteral(" 5.6.1 PRO"));
    EXPECT_EQ(f.PanelText(0), b.Dict("MessNonConnesso", 35));
    EXPECT_EQ(f.PanelText(3), StripAccelerator(d.LanguageCaption(1)));
    EXPECT_EQ(b.context->link.LinkMessage(LinkText::ConnectFailed), b.DictCp("MessConnFallita", 70));
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kLanguage), 1);
    // The next help request looks for the new language's file.
    EXPECT_TRUE(f.HelpFile().isEmpty());
    f.MenuGuidaClick();
    EXPECT_EQ(f.HelpFile(), HelpFilePath(DistDir(), d.LanguageKey(1)));

    // The messages follow: a failed connection speaks the new language.
    b.ecu.MutableFaults().deadLine = true;
    f.MenuConnettiClick();
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessConnFallita", 70));
}

// A language whose captions need a wider window widens it; the next language gives the installer's
// own size back (never less than its own captions need), and a size chosen meanwhile is kept.
TEST(MainWindowLanguage, TheWindowReturnsToItsSizeAfterALanguageThatWidenedIt) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    TFormMainInst& f = *b.form;
    TModuloLingua& d = b.Dictionary();
    const auto choose = [&](int language) {
        d.LanguageAction(language)->trigger();
        QApplication::processEvents();
        EXPECT_EQ(d.CurrentIndex(), language);
    };
    // The language needing the widest window, and the first one's smallest size.
    int widest = 0;
    int widestWidth = 0;
    for (int language = 0; language < d.LanguageCount(); ++language) {
        choose(language);
        if (f.minimumSizeHint().width() > widestWidth) {
            widest = language;
            widestWidth = f.minimumSizeHint().width();
        }
    }
    const int narrowest = widest == 0 ? 1 : 0;
    choose(narrowest);
    f.resize(1, 1);
    QApplication::processEvents();
    const QSize own = f.size();
    ASSERT_LT(own.width(), widestWidth) << "no language widens the window: the test shows nothing";

    choose(widest);
    EXPECT_GE(f.width(), widestWidth);
    choose(narrowest);
    EXPECT_EQ(f.size(), own);

    // A size the installer chose in between is the one kept.
    choose(widest);
    f.resize(f.width() + 40, f.height() + 30);
    const QSize chosen = f.size();
    choose(narrowest);
    EXPECT_EQ(f.size(), chosen);
}

TEST(MainWindowLanguage, StoredLanguageIsTheOneShown) {
    for (int32_t language : {0, 1, 2}) {
        StoredSettings stored;
        stored.language = language;
        Bench b({}, stored);
        ASSERT_TRUE(b.form->Start());
        EXPECT_EQ(b.Dictionary().CurrentIndex(), language);
        EXPECT_TRUE(b.Dictionary().LanguageAction(language)->isChecked());
        EXPECT_EQ(b.form->LabInstallazione->text(),
                  b.Dictionary()
                      .LookupIn(b.Dictionary().LanguageKey(language), u"LabInstallazione", 30)
                      .value_or("?"));
    }
}

TEST(MainWindowHelp, OpensTheLanguagesHelpAtItsMainTopic) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    b.form->MenuGuidaClick();
    const QString expected = HelpFilePath(DistDir(), b.Dictionary().CurrentLanguage());
    EXPECT_EQ(b.form->HelpFile(), expected);
    QTextBrowser* viewer = b.form->HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->source().toLocalFile(), expected);
    EXPECT_EQ(viewer->source().fragment(), QStringLiteral("Main"));
    EXPECT_FALSE(viewer->toPlainText().isEmpty());
}

TEST(MainWindowHelp, MissingLanguageOffersTheOthers) {
    QTemporaryDir runtime;
    CopyRuntime(runtime.path(), {QStringLiteral("Help/Zov_ITALIANO.html")});
    for (bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        Bench b({}, {}, runtime.path());
        ASSERT_TRUE(b.form->Start());
        ASSERT_EQ(b.Dictionary().CurrentLanguage(), QStringLiteral("ITALIANO"));
        QStringList offered;
        QString warning;
        ModalWatcher watcher([&](QWidget& w) {
            auto* choice = qobject_cast<TFormSceltaLingua*>(&w);
            if (choice == nullptr) return;
            warning = choice->LabelWarning->text();
            for (QRadioButton* r : choice->findChildren<QRadioButton*>()) offered << r->text();
            (ok ? choice->OKBtn : choice->CancelBtn)->click();
        });
        b.form->MenuGuidaClick();
        EXPECT_EQ(watcher.seen, QStringLiteral("FormSceltaLingua"));
        EXPECT_EQ(warning,
                  b.Dict("MessNoGuidaLingua", 70) + QStringLiteral("\n") + b.Dict("MessNoIstrLingua2", 70));
        EXPECT_EQ(offered,
                  (QStringList{b.Dictionary().LanguageCaption(1), b.Dictionary().LanguageCaption(2)}));
        if (ok) {
            EXPECT_EQ(b.form->HelpFile(), HelpFilePath(runtime.path(), b.Dictionary().LanguageKey(1)));
            ASSERT_NE(b.form->HelpViewer(), nullptr);
            EXPECT_TRUE(b.form->HelpViewer()->isVisible());
        } else {
            EXPECT_TRUE(b.form->HelpFile().isEmpty());
            EXPECT_EQ(b.form->HelpViewer(), nullptr);
        }
        // The language in use stays.
        EXPECT_EQ(b.Dictionary().CurrentIndex(), 0);
    }
}

TEST(MainWindowAbout, ShowsCaptionLogoAndVersion) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    QString title, product, version;
    bool logo = false;
    ModalWatcher watcher([&](QWidget& w) {
        auto* about = qobject_cast<TAboutBoxI*>(&w);
        if (about == nullptr) return;
        title = about->windowTitle();
        product = about->ProductName->text();
        version = about->Version->text();
        logo = !about->ProgramIcon->pixmap().isNull();
        about->OKButton->click();
    });
    b.form->MenuAbout->trigger();
    EXPECT_EQ(watcher.seen, QStringLiteral("AboutBox"));
    EXPECT_EQ(title, b.form->windowTitle());
    EXPECT_EQ(product, b.form->windowTitle());
    // The version line in the installer's language, as the window shows it.
    EXPECT_EQ(version, b.Dict("LabelVer", 25) + QStringLiteral(" 5.6.1 PRO"));
    EXPECT_EQ(version, b.form->LabelVersione->text());
    EXPECT_TRUE(logo);
}

// --- geometry ----------------------------------------------------------------------------------

TEST(MainWindowGeometry, SizeAndPositionSurviveARestart) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    b.form->resize(700, 540);
    b.form->move(30, 45);
    const QSize size = b.form->size();
    const QPoint pos = b.form->pos();
    ASSERT_TRUE(b.form->close());
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kWindowSize), (size.height() << 16) + size.width());
    EXPECT_EQ(b.context->global.GetSetting(GlobalData::kWindowPos), (pos.y() << 16) + pos.x());

    // The next run, on the same settings store.
    b.EndRun();
    b.MakeContext();
    ASSERT_TRUE(b.form->Start());
    EXPECT_EQ(b.form->size(), size);
    EXPECT_EQ(b.form->pos(), pos);
}

TEST(MainWindowGeometry, SecondStartRestoresAMinimizedWindow) {
    Bench b;
    ASSERT_TRUE(b.form->Start());
    b.form->showMinimized();
    ASSERT_TRUE(b.form->isMinimized());
    b.form->BringToFront();
    EXPECT_FALSE(b.form->isMinimized());
    EXPECT_TRUE(b.form->isVisible());
}

// The function keys and their texts, the logo, the version line and the language panel each keep
// to their own place, whatever size the window is given and whichever language it speaks.
TEST(MainWindowGeometry, ControlsNeverOverlapAtAnySizeTheWindowAllows) {
    for (int32_t language : {0, 1, 2}) {
        StoredSettings stored;
        stored.language = language;
        Bench b({}, stored);
        ASSERT_TRUE(b.form->Start());
        TFormMainInst& f = *b.form;
        const std::vector<QWidget*> controls = {f.BitBtn1,         f.BitBtn2,          f.BitBtn3,
                                                f.BitBtn4,         f.BitBtn6,          f.BitBtn7,
                                                f.BitBtn5,         f.LabInstallazione, f.LabGestione,
                                                f.LabArchivioVett, f.LabArchivioCli,   f.LabelFuoriArchivio,
                                                f.LabelMappatura,  f.LabelEsci,        f.ImageLogo,
                                                f.LabelVersione,   f.PanelLingue};
        for (const QSize asked : {QSize(1, 1), QSize(760, 560), QSize(1600, 1200)}) {
            SCOPED_TRACE(::testing::Message()
                         << "language " << language << ", asked " << asked.width() << "x" << asked.height());
            f.resize(asked);
            QApplication::processEvents();
            const QSize size = f.size();
            if (asked.width() == 1) {
                EXPECT_LT(size.width(), 760) << "the smallest window is smaller than the demo's";
            } else {
                EXPECT_EQ(size, asked);
            }
            const QRect area = f.centralWidget()->rect();
            for (size_t i = 0; i < controls.size(); ++i) {
                const QWidget* a = controls[i];
                ASSERT_TRUE(a->isVisible()) << a->objectName().toStdString();
                EXPECT_TRUE(area.contains(a->geometry())) << a->objectName().toStdString();
                for (size_t j = i + 1; j < controls.size(); ++j) {
                    const QWidget* c = controls[j];
                    EXPECT_FALSE(a->geometry().intersects(c->geometry()))
                        << a->objectName().toStdString() << " and " << c->objectName().toStdString();
                }
            }
        }
    }
}

TEST(MainWindowGeometry, TooSmallOrLostWindowsAreBroughtBack) {
    // The default of a fresh installation is smaller than the window's content.
    StoredSettings stored;
    stored.windowSize = 0x017A0151;
    stored.windowPos = (-5000 << 16) + 20000;
    Bench b({}, stored);
    ASSERT_TRUE(b.form->Start());
    EXPECT_GE(b.form->width(), b.form->minimumSizeHint().width());
    EXPECT_GE(b.form->height(), b.form->minimumSizeHint().height());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(b.form->pos()));

    // A size from a larger screen shrinks to this one.
    StoredSettings huge;
    huge.windowSize = (3000 << 16) + 4000;
    Bench big({}, huge);
    ASSERT_TRUE(big.form->Start());
    EXPECT_LE(big.form->width(), std::max(screen.width(), big.form->minimumSizeHint().width()));
    EXPECT_LE(big.form->height(), std::max(screen.height(), big.form->minimumSizeHint().height()));
}

}  // namespace
}  // namespace zov::test
