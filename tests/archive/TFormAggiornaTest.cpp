// The update window offscreen over a runtime folder of its own: where it looks for a medium, the
// questions while none is there, the search and copy under the copy window, its cancel, and the
// vehicle archive's button that opens it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "ArchiveWindowSupport.h"
#include "Ed25519.h"
#include "FormProgrammingHost.h"
#include "TFormAggiorna.h"
#include "TFormCopia.h"
#include "TFormVetture.h"
#include "TestFiles.h"
#include "UpdateFixture.h"
#include "UpdatePublisher.h"
#include "UpdateServer.h"

namespace zov::test {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    zov::testing::WriteFile(path.string(), content);
}

// The update window over a started main window; `medium` plays the disc, the chosen folder or
// the floppy, as each test needs.
struct UpdateBench {
    UpdateBench() : bench({}, {}, runtime.dir.path()) {
        EXPECT_TRUE(bench.form->Start());
        bench.form->Timer1->stop();
    }
    UpdateWindowInputs Inputs() const {
        UpdateWindowInputs in;
        in.cardsDir = runtime.Path() + "/Schede";
        in.carsDir = runtime.Path() + "/Vetture";
        in.mapDir = runtime.Path() + "/Map";
        in.findDisc = [] { return std::string(); };
        in.findManifestVolume = [] { return std::string(); };
        in.chooseFolder = [](QWidget*) { return std::string(); };
        return in;
    }
    std::unique_ptr<TFormAggiorna> Window(UpdateWindowInputs in) {
        return std::make_unique<TFormAggiorna>(*bench.context, bench.Dictionary(), std::move(in));
    }
    fs::path Cars() const { return fs::path(runtime.Path()) / "Vetture"; }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& s : bench.prompter.shown) texts.push_back(s.text);
        return texts;
    }

    Runtime runtime;
    Bench bench;
    zov::testing::ScratchDir medium;
};

TEST(TFormAggiorna, ItShowsItsControlsAndOffersTheDiscOnlyWhenOneIsMounted) {
    UpdateBench b;
    auto w = b.Window(b.Inputs());
    EXPECT_TRUE(w->Localized());
    EXPECT_EQ(w->windowTitle(), b.bench.Dict("FinestraAggiorna", 70));
    EXPECT_EQ(w->LabelAggiorna->text(), b.bench.Dict("LabelAggiorna", 50));
    EXPECT_EQ(w->ButtonFloppy->text(), b.bench.Dict("ButtonFloppy", 12));
    // No update address yet: the button says where to set one.
    EXPECT_TRUE(w->ButtonInternet->isEnabled());
    EXPECT_EQ(w->ButtonInternet->toolTip(), b.bench.Dict("MessIndirizzoAgg", 70));
    w->ButtonInternet->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessIndirizzoAgg", 70)}));
    EXPECT_NE(w->result(), QDialog::Accepted);
    b.bench.prompter.shown.clear();
    // No disc: the greyed button says why.
    EXPECT_FALSE(w->ButtonDisco->isEnabled());
    EXPECT_EQ(w->ButtonDisco->toolTip(), b.bench.Dict("MessNessunCd", 70));
    EXPECT_TRUE(w->ButtonFloppy->isEnabled());
    EXPECT_TRUE(w->ButtonSfoglia->isEnabled());

    UpdateWindowInputs in = b.Inputs();
    const std::string disc = b.medium.Path().string();
    in.findDisc = [disc] { return disc; };
    auto withDisc = b.Window(std::move(in));
    EXPECT_TRUE(withDisc->ButtonDisco->isEnabled());
    EXPECT_TRUE(withDisc->ButtonDisco->toolTip().isEmpty());
    EXPECT_EQ(withDisc->SourceRoot(), disc);
}

TEST(TFormAggiorna, TheDiscReplacesAnOlderVehicleAfterTheSearchPause) {
    UpdateBench b;
    Put(b.Cars() / "Gpl/Fiat/Punto_0A0.s19", "old");
    Put(b.medium.Path() / "ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new");
    Put(b.medium.Path() / "ZOV/Software/Gpl/Fiat/Punto_09F.s19", "older");
    UpdateWindowInputs in = b.Inputs();
    const std::string disc = b.medium.Path().string();
    in.findDisc = [disc] { return disc; };
    auto w = b.Window(std::move(in));
    QStringList labels;
    QObject::connect(w.get(), &TFormAggiorna::CopyWindowOpened, [&](TFormCopia* copy) {
        EXPECT_EQ(copy->windowTitle(), b.bench.Dict("FinestraCopia", 70));
        QObject::connect(copy->ProgressBar1, &QProgressBar::valueChanged,
                         [&labels, copy](int v) { labels << copy->Label1->text() + QString::number(v); });
    });
    const int64_t before = b.bench.clock.NowUs();
    w->ButtonDisco->click();
    EXPECT_GE(b.bench.clock.NowUs() - before, 2'000'000);
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessAggOK", 70)}));
    EXPECT_EQ(labels, (QStringList{b.bench.Dict("LabelCopiaFile", 70) + "100"}));
    EXPECT_EQ(zov::testing::ReadFile((b.Cars() / "Gpl/Fiat/Punto_0B0.s19").string()), "new");
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Fiat/Punto_0A0.s19"));
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Fiat/Punto_09F.s19"));
    EXPECT_EQ(w->result(), QDialog::Accepted);
}

TEST(TFormAggiorna, AChosenFolderIsLookedForUntilTheInstallerGivesUpAndNothingNewerIsSaid) {
    UpdateBench b;
    const std::string chosen = (b.medium.Path() / "Upd").string();
    UpdateWindowInputs in = b.Inputs();
    in.chooseFolder = [chosen](QWidget*) { return chosen; };
    auto w = b.Window(in);
    // No Upd/ZOV: asked twice, then the installer stops; the window stays.
    b.bench.prompter.answers = {PromptAnswer::Ok, PromptAnswer::Cancel};
    w->ButtonSfoglia->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>(2, b.bench.DictCp("MessMettiDisco", 70))));
    EXPECT_NE(w->result(), QDialog::Accepted);

    // Upd/ZOV with nothing newer than the archive.
    Put(fs::path(chosen) / "ZOV/Software/Gpl/Fiat/Punto_000.s19", "ancient");
    Put(b.Cars() / "Gpl/Fiat/Punto_0A1.s19", "installed");
    b.bench.prompter.shown.clear();
    auto again = b.Window(in);
    again->ButtonSfoglia->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessNoNuovoAgg", 70)}));
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Fiat/Punto_000.s19"));
    EXPECT_EQ(again->result(), QDialog::Accepted);
}

TEST(TFormAggiorna, AHostileManifestIsRefusedWithItsLineAndChangesNothing) {
    UpdateBench b;
    Put(b.medium.Path() / "Alfa_001.s19", "alfa");
    Put(b.medium.Path() / "ZOV.txt",
        "Alfa_001.s19=<VETTURE>\\Gpl\\Alfa\nAlfa_001.s19=<VETTURE>\\..\\..\\x\n");
    UpdateWindowInputs in = b.Inputs();
    const std::string floppy = b.medium.Path().string();
    int looks = 0;
    in.findManifestVolume = [&looks, floppy] { return ++looks < 2 ? std::string() : floppy; };
    auto w = b.Window(std::move(in));
    b.bench.prompter.answers = {PromptAnswer::Ok};
    w->ButtonFloppy->click();
    ASSERT_EQ(b.Shown().size(), 2u);
    EXPECT_EQ(b.Shown()[0], b.bench.DictCp("MessMettiDischetto", 70));
    EXPECT_EQ(b.Shown()[1].rfind(b.bench.DictCp("MessNoAgg", 70) + "\n", 0), 0u) << b.Shown()[1];
    EXPECT_NE(b.Shown()[1].find("ZOV.txt line 2"), std::string::npos);
    EXPECT_EQ(b.bench.prompter.shown[1].icon, PromptIcon::Error);
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Alfa"));
}

TEST(TFormAggiorna, AnnullaStopsTheCopyBetweenFiles) {
    UpdateBench b;
    for (const char* name : {"A_001.s19", "B_001.s19", "C_001.s19"})
        Put(b.medium.Path() / "ZOV/Software/Gpl/Nuova" / name, std::string(100, 'x'));
    UpdateWindowInputs in = b.Inputs();
    const std::string chosen = b.medium.Path().string();
    in.chooseFolder = [chosen](QWidget*) { return chosen; };
    auto w = b.Window(std::move(in));
    QObject::connect(w.get(), &TFormAggiorna::CopyWindowOpened, [](TFormCopia* copy) {
        QObject::connect(copy->ProgressBar1, &QProgressBar::valueChanged, [copy](int v) {
            if (v > 0) copy->ButtonAnnulla->click();
        });
    });
    w->ButtonSfoglia->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessAggAnnullato", 70)}));
    EXPECT_TRUE(fs::exists(b.Cars() / "Gpl/Nuova/A_001.s19"));
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Nuova/B_001.s19"));
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Nuova/C_001.s19"));
}

// The publication served over HTTPS: the copy window shows the connection, the downloads and the
// install; Annulla during the downloads leaves the runtime directory as it was.
TEST(TFormAggiorna, TheInternetButtonInstallsASignedPublicationAndAnnullaChangesNothing) {
    static UpdateServer server;
    ASSERT_EQ(server.error, "");
    UpdateBench b;
    const Ed25519::KeyPair key = *Ed25519::Generate();
    zov::testing::WriteFile(b.runtime.Path() + "/ChiaviAggiornamento.txt",
                            "ZOV-ED25519-PUBLIC " + key.publicKey + "\n");
    Put(b.Cars() / "Gpl/Fiat/Punto_0A0.s19", "old");
    Put(b.medium.Path() / "ZOV/Software/Gpl/Fiat/Punto_0B0.s19", std::string(300 * 1024, 'n'));
    Put(b.medium.Path() / "ZOV/Schede/ITALIANO/Punto_001.pdf", "sheet");
    ASSERT_EQ(
        UpdatePublisher::Publish(b.medium.Path().string(), server.Root() + "/window", key.secretKey, 1).error,
        "");
    zov::testing::ScratchDir downloads;
    UpdateWindowInputs in = b.Inputs();
    in.runtimeDirectory = b.runtime.Path();
    in.updateUrl = server.url + "window";
    in.caFile = server.Certificate();
    in.downloadFolder = downloads.Path().string();

    // Annulla as soon as the first bytes arrive.
    auto cancelled = b.Window(in);
    QObject::connect(cancelled.get(), &TFormAggiorna::CopyWindowOpened, [](TFormCopia* copy) {
        QObject::connect(copy->ProgressBar1, &QProgressBar::valueChanged, [copy](int v) {
            if (v > 0) copy->ButtonAnnulla->click();
        });
    });
    const auto before = UpdateFixture::SnapshotOf(b.runtime.Path());
    cancelled->ButtonInternet->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessAggAnnullato", 70)}));
    EXPECT_EQ(UpdateFixture::SnapshotOf(b.runtime.Path()), before);

    b.bench.prompter.shown.clear();
    auto w = b.Window(in);
    QStringList phases;
    QObject::connect(w.get(), &TFormAggiorna::CopyWindowOpened, [&phases](TFormCopia* copy) {
        QObject::connect(copy->ProgressBar1, &QProgressBar::valueChanged, [&phases, copy](int) {
            if (phases.isEmpty() || phases.back() != copy->Label1->text()) phases << copy->Label1->text();
        });
    });
    w->ButtonInternet->click();
    EXPECT_EQ(b.Shown(), (std::vector<std::string>{b.bench.DictCp("MessAggOK", 70)}));
    EXPECT_EQ(phases,
              (QStringList{b.bench.Dict("LabelScaricaFile", 30), b.bench.Dict("LabelCopiaFile", 70)}));
    EXPECT_EQ(zov::testing::ReadFile((b.Cars() / "Gpl/Fiat/Punto_0B0.s19").string()),
              std::string(300 * 1024, 'n'));
    EXPECT_FALSE(fs::exists(b.Cars() / "Gpl/Fiat/Punto_0A0.s19"));
    EXPECT_EQ(zov::testing::ReadFile(b.runtime.Path() + "/Schede/ITALIANO/Punto_001.pdf"), "sheet");
    EXPECT_EQ(w->result(), QDialog::Accepted);
}

TEST(TFormAggiorna, TheArchiveButtonOpensItAndShowsTheNewVehicleAfterwards) {
    UpdateBench b;
    FormProgrammingHost host(b.bench.form.get(), {});
    TFormVetture archive(*b.bench.context, b.bench.Dictionary(), ArchiveMode::Browsing, host);
    ASSERT_TRUE(archive.ButtonAggiorna->isEnabled());
    std::string cars, map;
    archive.updateRunner = [&](TFormAggiorna& update) {
        cars = update.Inputs().carsDir;
        map = update.Inputs().mapDir;
        Put(fs::path(cars) / "Gpl/Alfa/GIULIA_2.0_001.s19", "S00600004844521B\n");
        return int(QDialog::Accepted);
    };
    archive.ButtonAggiorna->click();
    EXPECT_EQ(cars, b.runtime.Path() + "/Vetture");
    EXPECT_EQ(map, b.runtime.Path() + "/Map");
    QTreeWidgetItem* alfa = Child(*archive.TreeViewVetture, archive.TreeViewVetture->topLevelItem(0), "Alfa");
    ASSERT_NE(alfa, nullptr);
    EXPECT_EQ(Children(alfa), (QStringList{"GIULIA 2.0  (001)"}));
}

}  // namespace
}  // namespace zov::test
