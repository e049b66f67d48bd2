// zovctl update: an update folder or a manifest into the runtime directory given by the settings.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include "CliSupport.h"
#include "UpdateFixture.h"

namespace zov::test {
namespace {

using clitest::RunProgram;

const std::string kUsage =
    "zovctl: usage: update FOLDER | update --manifest ROOT | update --url URL [--ca FILE] [--key "
    "PUBLIC.key]\n";

struct UpdateCli : UpdateFixture {
    UpdateCli() {
        QSettings store(QString::fromStdString(settings.File("Ovalix srl/Install.ini")),
                        QSettings::IniFormat);
        store.setValue(QStringLiteral("MainPath"), QString::fromStdString(Runtime()));
    }
    clitest::Result Run(std::vector<std::string> args, rlim_t fileSizeLimit = RLIM_INFINITY) const {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", settings.Path().string(), "update"});
        return RunProgram(args, fileSizeLimit);
    }
    zov::testing::ScratchDir settings;
};

TEST(ZovctlUpdate, PrintsWhatItCopiedAndRemovedAndNothingWhenNothingIsNewer) {
    UpdateCli f;
    f.Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_09F.s19", "older");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_001.pdf", "pdf");
    const auto first = f.Run({f.Path("medium")});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out,
              "COPIED Schede/ITALIANO/Generali_001.pdf\n"
              "COPIED Vetture/Gpl/Fiat/Punto_0B0.s19\n"
              "REMOVED Vetture/Gpl/Fiat/Punto_0A0.s19\n");
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), "new");
    const auto again = f.Run({f.Path("medium")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err, "");
}

TEST(ZovctlUpdate, AManifestCopiesItsFilesAndAHostileOneChangesNothing) {
    UpdateCli f;
    f.Put("medium/Alfa_001.s19", "alfa");
    f.Put("medium/ZOV.txt", "Alfa_001.s19=<VETTURE>\\Gpl\\Alfa\r\n");
    const auto good = f.Run({"--manifest", f.Path("medium")});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, "COPIED Vetture/Gpl/Alfa/Alfa_001.s19\n");

    f.Put("medium/Alfa_002.s19", "alfa 2");
    f.Put("medium/ZOV.txt", "Alfa_002.s19=<VETTURE>\\Gpl\\Alfa\nAlfa_002.s19=<VETTURE>\\..\\..\\outside\n");
    const auto before = f.Snapshot();
    const auto hostile = f.Run({"--manifest", f.Path("medium")});
    EXPECT_EQ(hostile.status, 4);
    EXPECT_EQ(hostile.out, "");
    EXPECT_NE(hostile.err.find("ZOV.txt line 2"), std::string::npos) << hostile.err;
    EXPECT_EQ(f.Snapshot(), before);
}

TEST(ZovctlUpdate, BadUsageAndAFolderWithoutZovAreRefused) {
    UpdateCli f;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{}, 2, kUsage},
        {{"--manifest"}, 2, kUsage},
        {{"a", "b"}, 2, kUsage},
        {{"--url"}, 2, kUsage},
        {{"--url", "https://x/", "--ca"}, 2, kUsage},
        {{"--url", "https://x/", "--url", "https://y/"}, 2, kUsage},
        {{"--ca", "c.pem"}, 2, kUsage},
        {{f.Path("outside")}, 4, "zovctl: no ZOV folder in " + f.Path("outside") + "\n"},
        {{"--manifest", f.Path("outside")},
         4,
         "zovctl: cannot read " + f.Path("outside") + "/ZOV.txt; nothing was copied\n"},
    };
    for (const auto& c : cases) {
        const auto r = f.Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

// Two versions of one card on the medium: the newest goes in, the installed one is removed and
// said so once; a name that would forge an output line refuses the update.
TEST(ZovctlUpdate, InstallsOnlyTheNewestVersionAndRefusesANameWithALineFeed) {
    UpdateCli f;
    f.Put("run/Schede/ITALIANO/Generali_001.pdf", "installed");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_002.pdf", "two");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_003.pdf", "three");
    const auto r = f.Run({f.Path("medium")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "COPIED Schede/ITALIANO/Generali_003.pdf\n"
              "REMOVED Schede/ITALIANO/Generali_001.pdf\n");
    EXPECT_FALSE(f.Exists("run/Schede/ITALIANO/Generali_002.pdf"));

    f.Put("medium/ZOV/Schede/ITALIANO/Generali_004.pdf\nREMOVED Schede_001.pdf", "forged");
    const auto before = f.Snapshot();
    const auto refused = f.Run({f.Path("medium")});
    EXPECT_EQ(refused.status, 4);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "zovctl: " + f.Path("medium/ZOV/Schede/ITALIANO/Generali_004.pdf\\x0AREMOVED Schede_001.pdf") +
                  ": the name \"Generali_004.pdf\\x0AREMOVED Schede_001.pdf\" holds a control "
                  "character; nothing was copied\n");
    EXPECT_EQ(f.Snapshot(), before);
}

// Under a file-size limit the copy that crosses it fails as on a full disk: a message, status 4,
// the installed version kept and no temporary left; the signal of the limit kills nothing.
TEST(ZovctlUpdate, AFileSizeLimitIsAFailedCopyNotAKilledProgram) {
    UpdateCli f;
    f.Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old punto");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", std::string(64 * 1024, 'p'));
    const auto r = f.Run({f.Path("medium")}, 16 * 1024);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "zovctl: cannot write " + f.Path("run/Vetture/Gpl/Fiat/Punto_0B0.s19") + ": File too large\n");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(f.Path("run/Vetture/Gpl/Fiat")))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"Punto_0A0.s19"});
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Punto_0A0.s19"), "old punto");
}

}  // namespace
}  // namespace zov::test
