// The main window's functions against the ECU simulator on the virtual clock: F2 the ECU
// management menu, F5 a vehicle not in the archive (fuel choice, standard software, parameter
// editor), F6 remapping (diagnosis check, standard software keeping the configuration, mapping
// mode).
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "BootProtocol.h"
#include "MappingJournal.h"
#include "QtText.h"
#include "ShellFunctionSupport.h"
#include "TFormGestione.h"
#include "TFormModifica.h"
#include "TFormSceltaCarb.h"

namespace zov::test {
namespace {

constexpr int64_t kSecondUs = 1000000;
constexpr int kNewestStandard = 0xD0;  // the build's sample standard software: 0C7, 0C8, 0D0

sim::EcuConfig Running(int version, int fuel = 0) {
    sim::EcuConfig config;
    config.version = version;
    config.fuel = fuel;
    return config;
}

// Timer1 as the functions leave it: running, first tick after 50 ms.
void ExpectTimerBackAtFirstTick(TFormMainInst& f) {
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), TFormMainInst::kFirstTickMs);
}

// --- F5 ----------------------------------------------------------------------------------------

// What the fuel choice showed when it opened.
struct FuelChoiceSeen {
    int index = -1;
    QStringList items;
    QString title, label, ok, cancel;
    bool timerRunning = true;
};

ModalScript::Step ReadFuelChoice(FuelChoiceSeen& seen, TFormMainInst& form,
                                 std::function<void(TFormSceltaCarb&)> answer) {
    return [&seen, &form, answer](QWidget& w) {
        auto* choice = qobject_cast<TFormSceltaCarb*>(&w);
        ASSERT_NE(choice, nullptr) << w.objectName().toStdString();
        seen.index = choice->ComboAlim->currentIndex();
        for (int i = 0; i < choice->ComboAlim->count(); ++i) seen.items << choice->ComboAlim->itemText(i);
        seen.title = choice->windowTitle();
        seen.label = choice->LabelAlim->text();
        seen.ok = choice->ButtonOK->text();
        seen.cancel = choice->ButtonAnnulla->text();
        seen.timerRunning = form.Timer1->isActive();
        answer(*choice);
    };
}

TEST(FunctionF5, CancellingTheFuelChoiceDoesNothing) {
    struct Case {
        const char* what;
        int fuel;        // TIPO_DI_CARBURANTE of the ECU
        bool connected;  // a session is open before F5
        bool escape;     // cancelled with Esc rather than the button
    };
    const Case cases[] = {
        {"GPL, connected, Annulla", 0, true, false},
        {"Metano, connected, Esc", 1, true, true},
        {"Metano, not connected yet, Annulla", 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b(Running(0xC8, c.fuel));
        if (c.connected)
            StartConnected(b);
        else
            ASSERT_TRUE(b.form->Start());
        TFormMainInst& f = *b.form;
        ASSERT_TRUE(f.BitBtn6->isEnabled());
        ASSERT_TRUE(f.MenuFuoriArchivio->isEnabled());
        b.ecu.ClearRequests();
        const auto memory = EcuMemory(b.ecu);
        FuelChoiceSeen seen;
        ModalScript script({ReadFuelChoice(seen, f, [&](TFormSceltaCarb& d) {
            if (c.escape)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.ButtonAnnulla->click();
        })});

        f.BitBtn6->click();

        // Not connected before: the connect action ran silently, without the ECU data dialog.
        EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("FormSceltaCarb")});
        EXPECT_TRUE(b.context->link.IsConnected());
        EXPECT_EQ(seen.index, c.fuel) << "preset to TIPO_DI_CARBURANTE";
        EXPECT_EQ(seen.items, (QStringList{b.Dict("LabelGpl", 30), b.Dict("LabelMetano", 30)}));
        EXPECT_EQ(seen.title, b.Dict("FinestraSceltaCarb", 50));
        EXPECT_EQ(seen.label, b.Dict("LabelAlim", 30));
        EXPECT_EQ(seen.ok, b.Dict("ButtonOK", 15));
        EXPECT_EQ(seen.cancel, b.Dict("ButtonAnnulla", 15));
        EXPECT_FALSE(seen.timerRunning);
        EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
        EXPECT_EQ(CountBoot(b.ecu, boot::kOpErase), 0);
        EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::Application);
        EXPECT_EQ(EcuMemory(b.ecu), memory);
        ExpectTimerBackAtFirstTick(f);
    }
}

TEST(FunctionF5, GplStandardSoftwareReprogramsTheEcuThenReconnectsAndOpensTheEditor) {
    PrivateTemp temp;
    // A Metano ECU with an older program becomes a GPL one with the newest standard software.
    Bench b(Running(0xC8, 1));
    StartConnected(b);
    TFormMainInst& f = *b.form;
    b.prompter.answers = {PromptAnswer::Yes};
    b.ecu.ClearRequests();
    const size_t opensBefore = b.opener.opens.size();
    // What the progress window said while the records went out.
    QString programmingCaption, programmingLabel;
    b.clock.onSleep = [&](int64_t) {
        if (b.ecu.Mode() != sim::EcuMode::BootLoader) return;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<TFormAttesaFile*>(w);
            if (progress == nullptr || !progress->isVisible()) continue;
            programmingCaption = progress->windowTitle();
            programmingLabel = progress->Label1->text();
        }
    };
    FuelChoiceSeen seen;
    bool outOfArchive = false;
    QString editorTitle;
    ModalScript script({ReadFuelChoice(seen, f,
                                       [](TFormSceltaCarb& d) {
                                           d.ComboAlim->setCurrentIndex(TFormSceltaCarb::kGpl);
                                           d.ButtonOK->click();
                                       }),
                        [&](QWidget& w) {
                            auto* editor = qobject_cast<TFormModifica*>(&w);
                            ASSERT_NE(editor, nullptr) << w.objectName().toStdString();
                            outOfArchive = editor->OutOfArchive();
                            editorTitle = editor->windowTitle();
                            editor->reject();
                        }});
    const int64_t start = b.clock.NowUs();

    f.MenuFuoriArchivio->trigger();
    b.clock.onSleep = nullptr;

    EXPECT_EQ(seen.index, 1) << "preset to the ECU's Metano";
    ASSERT_GE(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessAggiornareCpu", 70));
    EXPECT_EQ(b.prompter.shown.size(), 1u) << ::testing::PrintToString(ShownSince(b.prompter));
    EXPECT_EQ(programmingCaption, b.Dict("FinestraProgS19", 70) + QStringLiteral(" standard v. 208"));
    EXPECT_EQ(programmingLabel, b.Dict("MessAttesaScarica", 70));
    EXPECT_EQ(CountBoot(b.ecu, boot::kOpErase), 1);
    EXPECT_EQ(CountBoot(b.ecu, boot::kOpEnd), 1);

    // The ECU runs the GPL standard software and the session is open again on it.
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::Application);
    EXPECT_EQ(b.ecu.Value(46), kNewestStandard);
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_EQ(b.context->car.VERSIONE_CENTRALINA, kNewestStandard);
    EXPECT_EQ(b.context->car.TIPO_DI_CARBURANTE, 0);
    EXPECT_EQ(b.context->car.NOME_PROGRAMMA, "StandardGpl_0D0");
    EXPECT_EQ(f.PanelText(1), QStringLiteral("StandardGpl_0D0"));
    // The port was opened again only after the 20 s the new program is given to start.
    int64_t endUs = -1, reopenedUs = -1;
    for (const auto& r : b.ecu.Requests())
        if (r.bootLoader && !r.request.empty() && r.request[0] == boot::kOpEnd) endUs = r.timeUs;
    for (const auto& r : b.ecu.Requests())
        if (!r.bootLoader && r.timeUs > endUs && reopenedUs < 0) reopenedUs = r.timeUs;
    ASSERT_GE(endUs, 0);
    ASSERT_GE(reopenedUs, 0);
    EXPECT_GE(reopenedUs - endUs, 20 * kSecondUs);
    EXPECT_GE(b.clock.NowUs() - start, 22 * kSecondUs) << "2 s into the boot loader, 20 s to restart";
    EXPECT_GT(b.opener.opens.size(), opensBefore);

    // Then the parameter editor, for a vehicle that is not in the archive.
    EXPECT_EQ(script.seen,
              (std::vector<QString>{QStringLiteral("FormSceltaCarb"), QStringLiteral("FormModifica")}));
    EXPECT_TRUE(outOfArchive);
    EXPECT_FALSE(editorTitle.isEmpty());
    EXPECT_TRUE(temp.Entries().isEmpty());
    ExpectTimerBackAtFirstTick(f);
    EXPECT_FALSE(QApplication::overrideCursor()) << "the busy cursor is given back";
}

TEST(FunctionF5, ProgrammingRefusedOrFailedDoesNotOpenTheEditor) {
    struct Case {
        const char* what;
        PromptAnswer answer;
        int lowSupply;  // erase requests answered "supply too low"
    };
    const std::vector<Case> cases = {
        {"the user says No", PromptAnswer::No, 0},
        {"the supply is too low", PromptAnswer::Yes, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::EcuConfig config = Running(0xC8);
        config.faults.lowSupply = c.lowSupply;
        Bench b(config);
        StartConnected(b);
        b.prompter.fallback = c.answer;
        ModalScript script({[](QWidget& w) {
            if (auto* d = qobject_cast<TFormSceltaCarb*>(&w)) d->ButtonOK->click();
        }});
        b.form->BitBtn6->click();
        std::vector<std::string> expected = {b.DictCp("MessAggiornareCpu", 70)};
        // The erase's own message, then the programming's with why and what the ECU holds: a
        // retry would meet the same supply.
        if (c.lowSupply > 0)
            expected.insert(expected.end(), {b.DictCp("MessVLow", 70) + " (1)",
                                             b.DictCp("MessErrProg", 70) + "\n" + b.DictCp("MessVLow", 70) +
                                                 "\n" + b.DictCp("MessCpuProgIntatto", 70)});
        EXPECT_EQ(ShownSince(b.prompter), expected);
        EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("FormSceltaCarb")}) << "no editor";
        ExpectTimerBackAtFirstTick(*b.form);
    }
}

TEST(FunctionF5, ABlankEcuIsProgrammedAfterTheSilentConnectFails) {
    sim::EcuConfig blank;
    blank.startInBootLoader = true;  // only the boot loader runs: no session can be opened
    Bench b(blank);
    ASSERT_TRUE(b.form->Start());
    // Yes to the programming, Yes to programming without the backup a blank ECU cannot give.
    b.prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes};
    bool outOfArchive = false;
    ModalScript script({[](QWidget& w) {
                            auto* d = qobject_cast<TFormSceltaCarb*>(&w);
                            ASSERT_NE(d, nullptr);
                            d->ComboAlim->setCurrentIndex(TFormSceltaCarb::kMetano);
                            d->ButtonOK->click();
                        },
                        [&](QWidget& w) {
                            auto* editor = qobject_cast<TFormModifica*>(&w);
                            ASSERT_NE(editor, nullptr);
                            outOfArchive = editor->OutOfArchive();
                            editor->reject();
                        }});
    const int64_t start = b.clock.NowUs();

    b.form->BitBtn6->click();

    // The failed connect said nothing (12 s countdown, two attempts); the programming asked, and
    // then whether to go on without a backup.
    EXPECT_EQ(
        ShownSince(b.prompter),
        (std::vector<std::string>{b.DictCp("MessTentareAggiorna", 70),
                                  b.DictCp("MessNoBackup", 70) + "\n" + b.DictCp("MessBackupCpuVuota", 70) +
                                      "\n" + b.DictCp("MessProgSenzaBackup", 70)}));
    EXPECT_GE(b.clock.NowUs() - start, (12 + 20) * kSecondUs);
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::Application);
    EXPECT_TRUE(b.context->link.IsConnected());
    EXPECT_EQ(b.context->car.NOME_PROGRAMMA, "StandardCng_0D0") << "the Metano software";
    EXPECT_EQ(b.context->car.TIPO_DI_CARBURANTE, 1);
    EXPECT_TRUE(outOfArchive);
    ExpectTimerBackAtFirstTick(*b.form);
}

// --- F6 ----------------------------------------------------------------------------------------

// The map editor that F6 ends in, closed by its exit button while it waits for the engine; the
// register as the ECU held it while the window was open.
struct MappingWindowCloser {
    explicit MappingWindowCloser(const sim::EcuSimulator& ecu) : ecu_(ecu) {}
    void operator()(QWidget& window) {
        registerWhileOpen = ecu_.Value(39);
        auto* exit = window.findChild<QPushButton*>(QStringLiteral("ButtonEsci2"));
        ASSERT_NE(exit, nullptr);
        exit->click();
    }
    const sim::EcuSimulator& ecu_;
    int32_t registerWhileOpen = -1;
};

TEST(FunctionF6, ItsButtonAndMenuItemOpenTheMapEditorInMappingMode) {
    Bench b(Running(kNewestStandard));
    StartConnected(b);
    TFormMainInst& f = *b.form;
    EXPECT_TRUE(f.BitBtn7->isVisible());
    EXPECT_TRUE(f.BitBtn7->isEnabled());
    EXPECT_TRUE(f.MenuMappatura->isEnabled());
    EXPECT_EQ(f.MenuMappatura->shortcut(), QKeySequence(Qt::Key_F6));
    const int32_t registerBefore = b.ecu.Value(39);
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "button" : "menu");
        MappingWindowCloser closer(b.ecu);
        ModalScript script({std::ref(closer)});
        if (way == 0)
            f.BitBtn7->click();
        else
            f.MenuMappatura->trigger();
        EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("TFormMappa")});
        EXPECT_EQ(closer.registerWhileOpen, registerBefore | TFormMainInst::kMappingModeBit);
        // The editor takes the ECU out of mapping mode on its way out.
        EXPECT_EQ(b.ecu.Value(39), registerBefore);
    }
}

// The program killed while its map window still waits (the ECU in mapping mode, no substitute
// sent yet): the next session finds the journal of this ECU and reports the ECU taken back to
// normal, not a mapping left without its values.
TEST(FunctionF6, AProgramKilledWhileTheMapWindowWaitsLeavesAJournalOfThisEcu) {
    QTemporaryDir runtime;
    CopyRuntime(runtime.path());
    Bench b(Running(kNewestStandard), {}, runtime.path());
    StartConnected(b);
    const std::string journalPath = MappingJournal::PathIn(QFile::encodeName(runtime.path()).toStdString());
    const int32_t registerBefore = b.ecu.Value(39);
    std::string journalAtKill;
    int32_t registerAtKill = -1;
    ModalScript script({[&](QWidget& window) {
        // What a kill at this moment leaves: the journal on disk, the ECU's register.
        journalAtKill = testing::ReadFile(journalPath);
        registerAtKill = b.ecu.Value(39);
        window.findChild<QPushButton*>(QStringLiteral("ButtonEsci2"))->click();
    }});
    b.form->BitBtn7Click();
    ASSERT_FALSE(journalAtKill.empty()) << "no journal while the map window waits";
    EXPECT_EQ(registerAtKill, registerBefore | TFormMainInst::kMappingModeBit);
    EXPECT_FALSE(MappingJournal(journalPath).Held()) << "a window left normally clears it";

    // The next start: the killed program's journal and the ECU still in mapping mode.
    testing::WriteFile(journalPath, journalAtKill);
    ASSERT_TRUE(b.ecu.SetValue(39, 0, registerAtKill));
    b.context->link.Disconnect();
    const size_t shown = b.prompter.shown.size();
    ModalScript data({[](QWidget& w) {
        if (auto* dati = qobject_cast<TFormDati*>(&w)) dati->Button2->click();
    }});
    b.form->MenuConnettiClick();
    EXPECT_EQ(ShownSince(b.prompter, shown),
              std::vector<std::string>{b.DictCp("MessMappaturaRipristinata", 70) + "\n"});
    EXPECT_EQ(b.ecu.Value(39), registerBefore);
    EXPECT_FALSE(MappingJournal(journalPath).Held());
}

// An ECU that refuses the mapping bit stays in normal mode: no map editor over it, and the register
// is named.
TEST(FunctionF6, NoMappingWindowWhenTheEcuRefusesMappingMode) {
    sim::EcuConfig config = Running(kNewestStandard);
    config.faults.writesBeforeRefusal = {{39, 0}};
    Bench b(config);
    StartConnected(b);
    TFormMainInst& f = *b.form;
    const int32_t registerBefore = b.ecu.Value(39);
    MappingWindowCloser closer(b.ecu);
    ModalScript script({std::ref(closer)});

    f.BitBtn7Click();

    EXPECT_TRUE(script.seen.empty()) << "no map editor";
    ASSERT_EQ(b.prompter.shown.size(), 1u);
    EXPECT_EQ(b.prompter.shown[0].text,
              b.DictCp("MessMappaturaRifiutata", 70) + "\n39 (DEFAULT_REGISTRO_CONFIGURAZIONE)");
    EXPECT_EQ(b.ecu.Value(39), registerBefore);
    EXPECT_EQ(b.context->car.DEFAULT_REGISTRO_CONFIGURAZIONE & TFormMainInst::kMappingModeBit, 0);
    EXPECT_TRUE(b.context->link.IsConnected());
}

TEST(FunctionF6, AnEcuWithTheNewestStandardVersionIsNotReprogrammedAndEntersMappingMode) {
    struct Case {
        const char* what;
        bool connected;
    };
    for (const Case& c : {Case{"connected", true}, Case{"not connected yet", false}}) {
        SCOPED_TRACE(c.what);
        PrivateTemp temp;
        Bench b(Running(kNewestStandard));
        if (c.connected)
            StartConnected(b);
        else
            ASSERT_TRUE(b.form->Start());
        TFormMainInst& f = *b.form;
        b.ecu.ClearRequests();
        const int32_t registerBefore = b.ecu.Value(39);
        ASSERT_EQ(registerBefore & TFormMainInst::kMappingModeBit, 0);
        MappingWindowCloser closer(b.ecu);
        ModalScript script({std::ref(closer)});

        f.BitBtn7Click();

        EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("TFormMappa")})
            << "no data dialog, only the map editor";
        EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
        EXPECT_EQ(CountBoot(b.ecu, boot::kOpSync) + CountBoot(b.ecu, boot::kOpErase), 0);
        EXPECT_NE(b.ecu.Value(59), boot::kBootRequestCode) << "no boot request";
        EXPECT_EQ(closer.registerWhileOpen, registerBefore | TFormMainInst::kMappingModeBit);
        EXPECT_EQ(b.ecu.Value(39), registerBefore);
        EXPECT_EQ(b.context->car.DEFAULT_REGISTRO_CONFIGURAZIONE & TFormMainInst::kMappingModeBit, 0);
        EXPECT_TRUE(b.context->link.IsConnected());
        EXPECT_TRUE(temp.Entries().isEmpty()) << "the configuration's _ic files are gone";
        ExpectTimerBackAtFirstTick(f);
    }
}

TEST(FunctionF6, AnOlderEcuIsReprogrammedKeepingItsConfigurationOnlyWhenTheUserAgrees) {
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        const bool yes = answer == PromptAnswer::Yes;
        SCOPED_TRACE(yes ? "Yes" : "No");
        PrivateTemp temp;
        Bench b(Running(0xC8));
        // A vehicle whose settings differ from the factory's.
        b.ecu.SetValue(0, 0, 440);
        b.ecu.SetValue(40, 0, 1242);
        StartConnected(b);
        b.prompter.answers = {answer};
        const int32_t registerBefore = b.ecu.Value(39);
        MappingWindowCloser closer(b.ecu);
        ModalScript script({std::ref(closer)});

        b.form->BitBtn7Click();

        ASSERT_GE(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, b.DictCp("MessAggiornareCpu", 70));
        EXPECT_EQ(b.prompter.shown.size(), 1u) << ::testing::PrintToString(ShownSince(b.prompter));
        EXPECT_EQ(CountBoot(b.ecu, boot::kOpEnd), yes ? 1 : 0);
        EXPECT_EQ(b.ecu.Value(46), yes ? kNewestStandard : 0xC8);
        EXPECT_EQ(b.ecu.Value(0), 440) << "the configuration went across";
        EXPECT_EQ(b.ecu.Value(40), 1242);
        EXPECT_EQ(script.seen.size(), yes ? 1u : 0u);
        if (yes) {
            EXPECT_EQ(closer.registerWhileOpen & TFormMainInst::kMappingModeBit,
                      TFormMainInst::kMappingModeBit);
        }
        EXPECT_EQ(b.ecu.Value(39) & TFormMainInst::kMappingModeBit, 0);
        if (!yes) {
            EXPECT_EQ(b.ecu.Value(39), registerBefore);
        }
        EXPECT_TRUE(b.context->link.IsConnected());
        EXPECT_TRUE(temp.Entries().isEmpty());
        ExpectTimerBackAtFirstTick(*b.form);
    }
}

TEST(FunctionF6, ActiveDiagnosisChecksStopIt) {
    struct Case {
        int32_t enabled;  // ABILITAZIONE, low word
        int32_t effect;   // EFFETTO, low word
        bool stops;
    };
    const Case cases[] = {
        {0x0004, 0x0004, true},  {0x0201, 0x0200, true},
        {0x03FF, 0x0001, true},  {0x0400, 0x0400, false},  // beyond the ten checks
        {0x0003, 0x000C, false},                           // enabled, but without an effect
        {0x0000, 0x03FF, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "enabled " << c.enabled << " effect " << c.effect);
        Bench b(Running(kNewestStandard));
        StartConnected(b);
        ASSERT_TRUE(b.ecu.SetValue(89, 0, c.enabled));
        ASSERT_TRUE(b.ecu.SetValue(90, 0, c.effect));
        const int32_t registerBefore = b.ecu.Value(39);
        b.ecu.ClearRequests();
        MappingWindowCloser closer(b.ecu);
        ModalScript script({std::ref(closer)});

        b.form->BitBtn7Click();

        if (c.stops) {
            ASSERT_EQ(b.prompter.shown.size(), 1u);
            EXPECT_EQ(b.prompter.shown[0].text,
                      b.DictCp("MessDiagnosiOn", 70) + "\n" + b.DictCp("MessAzzerareDiagnosi", 70));
            EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
            EXPECT_EQ(b.prompter.shown[0].caption, ToCp1252(b.form->windowTitle()));
            EXPECT_EQ(b.ecu.Value(39), registerBefore);
        } else {
            EXPECT_TRUE(b.prompter.shown.empty()) << b.prompter.shown[0].text;
            EXPECT_EQ(closer.registerWhileOpen, registerBefore | TFormMainInst::kMappingModeBit);
            EXPECT_EQ(b.ecu.Value(39), registerBefore);
        }
        EXPECT_EQ(script.seen.size(), c.stops ? 0u : 1u);
        EXPECT_EQ(b.CountReads(89), 1) << "the words are read from the ECU";
        EXPECT_EQ(b.CountReads(90), 1);
        EXPECT_NE(b.ecu.Value(59), boot::kBootRequestCode) << "never towards the boot loader";
        ExpectTimerBackAtFirstTick(*b.form);
    }
}

TEST(FunctionF6, WithoutAnEcuItSaysSoAndTouchesNothing) {
    sim::EcuConfig none;
    none.faults.deadLine = true;
    Bench b(none);
    ASSERT_TRUE(b.form->Start());
    ModalScript script({});
    b.form->BitBtn7Click();
    // The silent connect said nothing; without a session the configuration cannot be kept.
    EXPECT_EQ(ShownSince(b.prompter), std::vector<std::string>{b.DictCp("MessNoConn", 70)});
    EXPECT_TRUE(script.seen.empty());
    EXPECT_FALSE(b.context->link.IsConnected());
    ExpectTimerBackAtFirstTick(*b.form);
}

// --- F2 ----------------------------------------------------------------------------------------

TEST(FunctionF2, OpensTheManagementMenuOverTheSameBackground) {
    Bench b;
    StartConnected(b);
    TFormMainInst& f = *b.form;
    ASSERT_TRUE(f.BitBtn2->isEnabled());
    ASSERT_TRUE(f.MenuGestione->isEnabled());
    struct Seen {
        QString path, title, option;
        bool background = false, modal = false, timerRunning = true;
        QPoint pictureOnScreen;
        double optionPoints = 0, basePoints = 0;
    };
    for (QAction* item : {static_cast<QAction*>(nullptr), f.MenuGestione}) {
        SCOPED_TRACE(item == nullptr ? "BitBtn2" : "MenuGestione");
        Seen seen;
        ModalScript script({[&](QWidget& w) {
            auto* menu = qobject_cast<TFormGestione*>(&w);
            ASSERT_NE(menu, nullptr) << w.objectName().toStdString();
            seen.path = menu->backgroundPath;
            seen.background = menu->HasBackground();
            seen.pictureOnScreen = menu->mapToGlobal(menu->BackgroundPosition());
            seen.title = menu->windowTitle();
            seen.option = menu->LabelOpzioniGest->text();
            seen.optionPoints = menu->LabelOpzioniGest->font().pointSizeF();
            seen.basePoints = menu->font().pointSizeF();
            seen.modal = menu->isModal();
            seen.timerRunning = f.Timer1->isActive();
            menu->BitBtn4->click();
        }});
        if (item == nullptr)
            f.BitBtn2->click();
        else
            item->trigger();
        EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("FormGestione")});
        EXPECT_EQ(seen.path, DistDir() + QStringLiteral("/immagini/Sfondo2.bmp"));
        EXPECT_TRUE(seen.background);
        EXPECT_TRUE(seen.modal);
        EXPECT_FALSE(seen.timerRunning);
        // The picture sits where the main window's own is: 40 left of and 60 above F1.
        EXPECT_EQ(seen.pictureOnScreen, f.BitBtn1->mapToGlobal(QPoint(-40, -60)));
        EXPECT_EQ(seen.title, b.Dict("FinestraGestione", 50));
        EXPECT_EQ(seen.option, b.Dict("LabelOpzioniGest", 50));
        EXPECT_DOUBLE_EQ(seen.optionPoints, seen.basePoints + 2);
        EXPECT_TRUE(f.Timer1->isActive());
        EXPECT_TRUE(b.prompter.shown.empty());
    }
}

}  // namespace
}  // namespace zov::test
