#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <vector>

#include "Prompter.h"
#include "QtPrompter.h"
#include "TFormAttesaFile.h"
#include "TFormSceltaLingua.h"
#include "TModuloLingua.h"
#include "UiClock.h"
#include "UiTestSupport.h"

namespace zov {
namespace {

// ---- progress window -------------------------------------------------------------------------

TEST(TFormAttesaFile, StartsWithItsBuiltInTextsAndNoCloseButton) {
    TFormAttesaFile form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Finestra di attesa"));
    auto* label1 = form.findChild<QLabel*>(QStringLiteral("Label1"));
    auto* label2 = form.findChild<QLabel*>(QStringLiteral("Label2"));
    auto* bar = form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    ASSERT_TRUE(label1 && label2 && bar);
    EXPECT_EQ(label1->text(), QStringLiteral("Messaggio di attesa..."));
    EXPECT_TRUE(label1->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(label2->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_TRUE(form.completionText.isEmpty());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
}

TEST(TFormAttesaFile, SetProgressAddsOrSetsAndShowsThePositionItHolds) {
    struct Step {
        uint8_t value;
        bool absolute;
        const char* completion;
        int position;
        const char* line;
    };
    const std::vector<std::vector<Step>> sequences = {
        {{25, false, "completato", 25, "25% completato"},
         {25, false, "completato", 50, "50% completato"},
         {25, false, "completato", 75, "75% completato"}},
        {{40, true, "", 40, "40% "}, {10, true, "", 10, "10% "}, {0, false, "", 10, "10% "}},
        // The bar stops at 100 and the line says what the bar holds.
        {{60, false, "done", 60, "60% done"},
         {60, false, "done", 100, "100% done"},
         {255, false, "done", 100, "100% done"}},
        {{255, true, "x", 100, "100% x"}, {0, true, "x", 0, "0% x"}},
    };
    for (const auto& sequence : sequences) {
        TFormAttesaFile form;
        for (const Step& s : sequence) {
            form.completionText = QString::fromUtf8(s.completion);
            form.SetProgress(s.value, s.absolute);
            EXPECT_EQ(form.ProgressBar1->value(), s.position) << s.line;
            EXPECT_EQ(form.Label2->text(), QString::fromUtf8(s.line));
        }
    }
}

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST(TFormAttesaFile, SetProgressPaintsBeforeItReturns) {
    TFormAttesaFile form;
    form.show();
    QCoreApplication::processEvents();
    PaintCounter counter;
    form.Label2->installEventFilter(&counter);
    form.SetProgress(30, false);
    // No return to the event loop in between: the caller runs a long operation next.
    EXPECT_GE(counter.paints, 1);
}

// ---- help-language choice --------------------------------------------------------------------

class LanguageChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const test::ToolRun run = test::MakeDictionary(dir_.path(), test::kThreeLanguages);
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        QDir(dir_.path()).mkdir(QStringLiteral("Help"));
        texts_.caption = QStringLiteral("ZOV Qbr");
        texts_.warning = QStringLiteral("Guida non disponibile nella lingua scelta.\nScegliere:");
        texts_.ok = QStringLiteral("Va bene");
        texts_.cancel = QStringLiteral("Annulla");
        texts_.noneMessage = QString::fromUtf8("La guida in linea non \xC3\xA8 installata.");
    }

    void AddHelp(const char* language) {
        test::WriteFile(HelpFilePath(dir_.path(), QString::fromLatin1(language)), "<a name=\"Main\"></a>");
    }

    QTemporaryDir dir_;
    LanguageChoiceTexts texts_;
    ScriptedPrompter prompter_;
};

TEST_F(LanguageChoiceTest, WithNoHelpFileTheUserIsToldAndNoDialogOpens) {
    TModuloLingua lingua(dir_.path());
    lingua.SelectLanguage(0);
    bool ran = false;
    const auto run = [&ran](QDialog&) {
        ran = true;
        return int(QDialog::Accepted);
    };
    EXPECT_FALSE(ChooseHelpLanguage(lingua, dir_.path(), texts_, prompter_, nullptr, run));
    EXPECT_FALSE(ran);
    ASSERT_EQ(prompter_.shown.size(), 1u);
    EXPECT_EQ(prompter_.shown[0].text, "La guida in linea non \xE8 installata.");
    EXPECT_EQ(prompter_.shown[0].caption, "ZOV Qbr");
    EXPECT_EQ(prompter_.shown[0].icon, PromptIcon::Error);
}

TEST_F(LanguageChoiceTest, OneHelpFileGivesOneCheckedButton) {
    AddHelp("ENGLISH");
    TModuloLingua lingua(dir_.path());
    lingua.SelectLanguage(0);
    int baseHeight = 0;
    {
        TFormSceltaLingua empty;
        baseHeight = empty.height();
    }
    const auto run = [&](QDialog& dialog) {
        auto& form = static_cast<TFormSceltaLingua&>(dialog);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("ZOV Qbr"));
        EXPECT_EQ(form.LabelWarning->objectName(), QStringLiteral("LabelWarning"));
        EXPECT_EQ(form.LabelWarning->text(), texts_.warning);
        EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("OKBtn"))->text(), QStringLiteral("Va bene"));
        EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("CancelBtn"))->text(),
                  QStringLiteral("Annulla"));
        const QList<QRadioButton*> radios = form.findChildren<QRadioButton*>();
        EXPECT_EQ(radios.size(), 1);
        if (radios.size() != 1) return int(QDialog::Rejected);
        EXPECT_EQ(radios[0]->text(), QStringLiteral("English (Uni"));
        EXPECT_EQ(radios[0]->pos(), QPoint(50, 70));
        EXPECT_TRUE(radios[0]->isChecked());
        EXPECT_EQ(form.height(), baseHeight + 30);
        form.OKBtn->click();
        EXPECT_EQ(form.Tag(), 2);  // column 2 of the table
        return form.result();
    };
    EXPECT_EQ(ChooseHelpLanguage(lingua, dir_.path(), texts_, prompter_, nullptr, run),
              QStringLiteral("ENGLISH"));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(lingua.CurrentLanguage(), QStringLiteral("ITALIANO"));  // help only: the language stays
}

TEST_F(LanguageChoiceTest, TwoHelpFilesGiveTwoButtonsThirtyPixelsApart) {
    AddHelp("ITALIANO");
    AddHelp("DEUTSCH");
    TModuloLingua lingua(dir_.path());
    lingua.SelectLanguage(1);

    struct Case {
        int pick;  // radio to check, -1 to keep the first
        bool ok;
        std::optional<QString> result;
    };
    const Case cases[] = {
        {-1, true, QStringLiteral("ITALIANO")},
        {1, true, QStringLiteral("DEUTSCH")},
        {1, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pick);
        int okTop = 0;
        const auto run = [&](QDialog& dialog) {
            auto& form = static_cast<TFormSceltaLingua&>(dialog);
            const QList<QRadioButton*> radios = form.findChildren<QRadioButton*>();
            EXPECT_EQ(radios.size(), 2);
            if (radios.size() != 2) return int(QDialog::Rejected);
            EXPECT_EQ(radios[0]->text(), QStringLiteral("&Italiano"));
            EXPECT_EQ(radios[1]->text(), QStringLiteral("Deutsch"));
            EXPECT_EQ(radios[0]->pos(), QPoint(50, 70));
            EXPECT_EQ(radios[1]->pos(), QPoint(50, 100));
            EXPECT_TRUE(radios[0]->isChecked());
            EXPECT_FALSE(radios[1]->isChecked());
            okTop = form.OKBtn->y();
            EXPECT_EQ(form.CancelBtn->y(), okTop);
            if (c.pick >= 0) radios[c.pick]->setChecked(true);
            (c.ok ? form.OKBtn : form.CancelBtn)->click();
            EXPECT_EQ(form.Tag(), c.pick == 1 ? 3 : 1);
            return form.result();
        };
        EXPECT_EQ(ChooseHelpLanguage(lingua, dir_.path(), texts_, prompter_, nullptr, run), c.result);
        TFormSceltaLingua empty;
        EXPECT_EQ(okTop, empty.OKBtn->y() + 60);
    }
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST(HelpFiles, PathAndTopic) {
    EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/zov"), QStringLiteral("ENGLISH")),
              QStringLiteral("/opt/zov/Help/Zov_ENGLISH.html"));
    const QUrl url = HelpUrl(QStringLiteral("/opt/zov/Help/Zov_ENGLISH.html"));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile(), QStringLiteral("/opt/zov/Help/Zov_ENGLISH.html"));
    EXPECT_EQ(url.fragment(), QStringLiteral("Main"));
}

// ---- message boxes ---------------------------------------------------------------------------

TEST(QtPrompter, ShowsTheBoxAsAskedAndMapsTheAnswer) {
    struct Case {
        PromptIcon icon;
        PromptButtons buttons;
        int pressed;  // what the box returns; 0 = closed without a button
        QMessageBox::Icon shownIcon;
        QMessageBox::StandardButtons shownButtons;
        PromptAnswer answer;
    };
    const auto yesNo = QMessageBox::Yes | QMessageBox::No;
    const auto yesNoCancel = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    const auto okCancel = QMessageBox::Ok | QMessageBox::Cancel;
    const Case cases[] = {
        {PromptIcon::Error, PromptButtons::Ok, QMessageBox::Ok, QMessageBox::Critical, QMessageBox::Ok,
         PromptAnswer::Ok},
        {PromptIcon::Information, PromptButtons::Ok, 0, QMessageBox::Information, QMessageBox::Ok,
         PromptAnswer::Ok},
        {PromptIcon::Question, PromptButtons::YesNo, QMessageBox::Yes, QMessageBox::Question, yesNo,
         PromptAnswer::Yes},
        {PromptIcon::Warning, PromptButtons::YesNo, QMessageBox::No, QMessageBox::Warning, yesNo,
         PromptAnswer::No},
        {PromptIcon::Question, PromptButtons::YesNo, 0, QMessageBox::Question, yesNo, PromptAnswer::No},
        {PromptIcon::Question, PromptButtons::YesNoCancel, QMessageBox::Cancel, QMessageBox::Question,
         yesNoCancel, PromptAnswer::Cancel},
        {PromptIcon::Question, PromptButtons::YesNoCancel, 0, QMessageBox::Question, yesNoCancel,
         PromptAnswer::Cancel},
        {PromptIcon::Warning, PromptButtons::OkCancel, QMessageBox::Ok, QMessageBox::Warning, okCancel,
         PromptAnswer::Ok},
        {PromptIcon::Warning, PromptButtons::OkCancel, 0, QMessageBox::Warning, okCancel,
         PromptAnswer::Cancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        bool shown = false;
        QtPrompter prompter(nullptr, [&](QMessageBox& box) {
            shown = true;
            EXPECT_EQ(box.text(), QString::fromUtf8("La centralina \xC3\xA8 stata sconnessa \xE2\x82\xAC"));
            EXPECT_EQ(box.windowTitle(), QString::fromUtf8("ZOV Qbr \xC3\xA0"));
            EXPECT_EQ(box.icon(), c.shownIcon);
            EXPECT_EQ(box.standardButtons(), c.shownButtons);
            return c.pressed;
        });
        EXPECT_EQ(prompter.Ask("La centralina \xE8 stata sconnessa \x80", "ZOV Qbr \xE0", c.icon, c.buttons),
                  c.answer);
        EXPECT_TRUE(shown);
    }
}

// The buttons say the dictionary's words in its current language, not Qt's; a word the
// dictionary lacks, or a box asked with no dictionary, keeps Qt's.
TEST(QtPrompter, NamesTheButtonsWithTheDictionarysWords) {
    const QTemporaryDir dir;
    const test::ToolRun run =
        test::MakeDictionary(dir.path(), test::kThreeLanguages +
                                             "ButtonSi\tS\xC3\xAC, &certo\t&Sure\tJa, &gern\n"
                                             "ButtonAnnulla\tLascia\tLeave it\tLassen\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    TModuloLingua lingua(dir.path());
    ASSERT_TRUE(lingua.IsOpen()) << lingua.OpenError().toStdString();
    QString yes, no, cancel;
    QtPrompter prompter(nullptr, [&](QMessageBox& box) {
        yes = box.button(QMessageBox::Yes)->text();
        no = box.button(QMessageBox::No)->text();
        cancel = box.button(QMessageBox::Cancel)->text();
        return int(QMessageBox::Yes);
    });
    const QString qtNo = QMessageBox(QMessageBox::Question, QString(), QString(), QMessageBox::No)
                             .button(QMessageBox::No)
                             ->text();
    prompter.Ask("?", "t", PromptIcon::Question, PromptButtons::YesNoCancel);
    EXPECT_NE(yes, QStringLiteral("S\u00EC, &certo")) << "no dictionary yet";
    prompter.UseDictionary(&lingua);
    ASSERT_TRUE(lingua.SelectLanguage(0));
    EXPECT_EQ(prompter.Ask("?", "t", PromptIcon::Question, PromptButtons::YesNoCancel), PromptAnswer::Yes);
    EXPECT_EQ(yes, QStringLiteral("S\u00EC, &certo"));
    EXPECT_EQ(cancel, QStringLiteral("Lascia"));
    EXPECT_EQ(no, qtNo) << "not in the dictionary";
    ASSERT_TRUE(lingua.SelectLanguage(2));
    prompter.Ask("?", "t", PromptIcon::Question, PromptButtons::YesNoCancel);
    EXPECT_EQ(yes, QStringLiteral("Ja, &gern"));
    EXPECT_EQ(cancel, QStringLiteral("Lassen"));
}

// A box or a progress window opened while a modal window runs stands over that window, whatever
// window the caller named: one parented below the modal window would open behind it.
TEST(WindowStacking, ProgressAndQuestionOpenOverTheModalWindowOnTop) {
    QWidget main;
    main.show();
    {
        TFormAttesaFile progress(&main);
        progress.show();
        EXPECT_EQ(progress.windowHandle()->transientParent(), main.windowHandle()) << "nothing modal";
    }
    QDialog archive(&main);
    archive.setModal(true);
    archive.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &archive);
    TFormAttesaFile progress(&main);
    progress.show();
    EXPECT_EQ(progress.windowHandle()->transientParent(), archive.windowHandle());
    QWidget* boxParent = nullptr;
    QtPrompter prompter(nullptr, [&](QMessageBox& box) {
        boxParent = box.parentWidget();
        return int(QMessageBox::Ok);
    });
    prompter.Ask("?", "ZOV Qbr", PromptIcon::Information, PromptButtons::Ok);
    EXPECT_EQ(boxParent, &archive);
}

// ---- clock -----------------------------------------------------------------------------------

TEST(UiClock, AWaitKeepsTimersRunningAndLastsAsAsked) {
    UiClock clock;
    bool fired = false;
    QTimer::singleShot(5, [&fired] { fired = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    const int64_t before = clock.NowUs();
    clock.SleepMs(60);
    const int64_t slept = clock.NowUs() - before;
    EXPECT_TRUE(fired);  // the windows' events went on during the wait
    EXPECT_GE(slept, 60000);
    EXPECT_GE(elapsed.elapsed(), 60);
    // Generous for a loaded machine, yet far below the next whole-second step a coarse wait would take.
    EXPECT_LT(slept, 60000 + 250000);

    const int64_t start = clock.NowUs();
    clock.SleepUs(0);
    clock.SleepUs(-1000);
    EXPECT_LT(clock.NowUs() - start, 5000);
}

}  // namespace
}  // namespace zov
