// The backup before F5's reprogramming and "Ripristina backup", against the ECU simulator on the
// virtual clock.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>

#include "BootProtocol.h"
#include "ConfigurationBackup.h"
#include "ShellFunctionSupport.h"
#include "TFormModifica.h"
#include "TFormSceltaBackup.h"
#include "TFormSceltaCarb.h"

namespace zov::test {
namespace {

constexpr int kNewestStandard = 0xD0;

// A runtime folder of the test's own, without backups a earlier run left in the build's.
struct Runtime {
    Runtime() {
        CopyRuntime(dir.path());
        std::error_code ec;
        std::filesystem::remove_all(Folder(), ec);
    }
    std::string Path() const { return QFile::encodeName(dir.path()).toStdString(); }
    std::string Folder() const { return ConfigurationBackup::FolderIn(Path()); }
    QTemporaryDir dir;
};

sim::EcuConfig Punto() {
    sim::EcuConfig config;
    config.version = 0xC8;
    config.model = "PUNTO 1.2";
    config.programName = "GPL";
    return config;
}

// F5 for GPL: the fuel choice confirmed, the editor it ends in closed.
ModalScript F5Windows() {
    return ModalScript({[](QWidget& w) {
                            auto* d = qobject_cast<TFormSceltaCarb*>(&w);
                            ASSERT_NE(d, nullptr) << w.objectName().toStdString();
                            d->ComboAlim->setCurrentIndex(TFormSceltaCarb::kGpl);
                            d->ButtonOK->click();
                        },
                        [](QWidget& w) {
                            if (auto* editor = qobject_cast<TFormModifica*>(&w)) editor->reject();
                        }});
}

// Variables a configuration does not carry into the ECU: those naming the program itself
// (version, model, programme), and the self-adaptation (four zones 112-116, eight 128-130),
// which loading a configuration resets since it was learnt on the old maps.
bool NotConfiguration(size_t v) {
    return v == 46 || v == 117 || v == 118 || (v >= 112 && v <= 116) || (v >= 128 && v <= 130);
}

TEST(ProgrammingBackup, F5BacksUpFirstAndTheBackupRestoresTheConfiguration) {
    PrivateTemp temp;
    Runtime runtime;
    Bench b(Punto(), {}, runtime.dir.path());
    StartConnected(b);
    ASSERT_EQ(b.context->link.WriteVar(0, 440), WriteOutcome::Answered);
    const auto before = EcuMemory(b.ecu);
    b.prompter.answers = {PromptAnswer::Yes};
    {
        ModalScript script = F5Windows();
        b.form->BitBtn6->click();
    }
    ASSERT_EQ(b.ecu.Value(46), kNewestStandard) << ::testing::PrintToString(ShownSince(b.prompter));
    EXPECT_NE(EcuMemory(b.ecu), before) << "the new program starts from its own configuration";
    EXPECT_NE(b.ecu.Value(0), 440);
    const std::vector<BackupEntry> backups = ConfigurationBackup(runtime.Folder()).List();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].model, "PUNTO 1.2");
    EXPECT_EQ(backups[0].programme, "GPL");
    EXPECT_EQ(std::filesystem::path(backups[0].path).filename().string().substr(15), "_PUNTO12_GPL.zvf");
    EXPECT_TRUE(temp.Entries().isEmpty());

    // The list shows the backup; OK loads it into the ECU as "Carica configurazione" does.
    ASSERT_TRUE(b.form->MenuRipristinaBackup->isEnabled());
    QStringList row;
    b.form->SetBackupChooser([&](TFormSceltaBackup& d) {
        QTreeWidgetItem* item = d.ListaBackup->topLevelItem(0);
        if (item) row = {item->text(0), item->text(1), item->text(2)};
        d.ButtonOK->click();
        return d.result();
    });
    const size_t shown = b.prompter.shown.size();
    b.form->MenuRipristinaBackup->trigger();
    EXPECT_EQ(row, (QStringList{QString::fromStdString(backups[0].date), "PUNTO 1.2", "GPL"}));
    EXPECT_EQ(ShownSince(b.prompter, shown), std::vector<std::string>{}) << "no error";
    const auto after = EcuMemory(b.ecu);
    ASSERT_EQ(after.size(), before.size());
    for (size_t v = 0; v < before.size(); ++v)
        if (!NotConfiguration(v)) {
            EXPECT_EQ(after[v], before[v]) << "variable " << v;
        }
    EXPECT_EQ(b.ecu.Value(0), 440);
}

TEST(ProgrammingBackup, WithoutABackupF5AsksAndProgramsOnlyOnYes) {
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        SCOPED_TRACE(answer == PromptAnswer::Yes ? "Yes" : "No");
        Runtime runtime;
        // A file where the Backup folder should be.
        std::filesystem::create_directories(runtime.Path() + "/Config");
        std::ofstream(runtime.Folder()) << "in the way";
        Bench b(Punto(), {}, runtime.dir.path());
        StartConnected(b);
        b.prompter.answers = {PromptAnswer::Yes, answer};
        {
            ModalScript script = F5Windows();
            b.form->BitBtn6->click();
        }
        const std::vector<std::string> shown = ShownSince(b.prompter);
        ASSERT_GE(shown.size(), 2u);
        // In the installer's language, with the system's reason for the file.
        EXPECT_EQ(shown[1].rfind(b.DictCp("MessNoBackup", 70) + "\n" + b.DictCp("MessBackupFile", 70) +
                                     "\ncannot create the backup folder " + runtime.Folder(),
                                 0),
                  0u)
            << shown[1];
        EXPECT_NE(shown[1].find("\n" + b.DictCp("MessProgSenzaBackup", 70)), std::string::npos) << shown[1];
        EXPECT_EQ(b.ecu.Value(46), answer == PromptAnswer::Yes ? kNewestStandard : 0xC8);
        std::ifstream blocking(runtime.Folder());
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(blocking), {}), "in the way");
    }
}

TEST(ProgrammingBackup, ABlankEcuIsNotProgrammedWhenTheInstallerSaysNo) {
    Runtime runtime;
    sim::EcuConfig blank;
    blank.startInBootLoader = true;
    Bench b(blank, {}, runtime.dir.path());
    ASSERT_TRUE(b.form->Start());
    b.prompter.answers = {PromptAnswer::Yes, PromptAnswer::No};
    ModalScript script({[](QWidget& w) {
        if (auto* d = qobject_cast<TFormSceltaCarb*>(&w)) d->ButtonOK->click();
    }});
    b.form->BitBtn6->click();
    const std::vector<std::string> shown = ShownSince(b.prompter);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[1].find(b.DictCp("MessBackupCpuVuota", 70)), std::string::npos) << shown[1];
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::BootLoader);
    EXPECT_EQ(CountBoot(b.ecu, boot::kOpErase), 0);
    EXPECT_EQ(script.seen, std::vector<QString>{QStringLiteral("FormSceltaCarb")}) << "no editor";
}

TEST(BackupList, TheNewestIsSelectedAndOkNeedsASelection) {
    TFormSceltaBackup empty({});
    EXPECT_FALSE(empty.ButtonOK->isEnabled());
    EXPECT_EQ(empty.ChosenPath(), "");

    TFormSceltaBackup list({{"2026-12-10 14:32", "PUNTO 1.2", "GPL", "/b/new.zvf"},
                            {"2026-11-01 09:05", "CITRO\xCBN C3", "C3", "/b/old.zvf"}});
    ASSERT_EQ(list.ListaBackup->topLevelItemCount(), 2);
    EXPECT_EQ(list.ListaBackup->topLevelItem(1)->text(1), QString::fromUtf8("CITRO\u00CBN C3"));
    EXPECT_TRUE(list.ButtonOK->isEnabled());
    EXPECT_EQ(list.ChosenPath(), "/b/new.zvf");
    list.ListaBackup->setCurrentItem(list.ListaBackup->topLevelItem(1));
    EXPECT_EQ(list.ChosenPath(), "/b/old.zvf");
    list.ListaBackup->clearSelection();
    EXPECT_FALSE(list.ButtonOK->isEnabled());
    EXPECT_EQ(list.ChosenPath(), "");
}

TEST(ProgrammingBackup, TheRestoreIsGreyedWithoutASession) {
    Runtime runtime;
    Bench b(Punto(), {}, runtime.dir.path());
    ASSERT_TRUE(b.form->Start());
    EXPECT_FALSE(b.form->MenuRipristinaBackup->isEnabled());
    StartConnected(b);
    EXPECT_TRUE(b.form->MenuRipristinaBackup->isEnabled());
}

}  // namespace
}  // namespace zov::test
