// zovctl vehicles: the archive tree as the window shows it, on stdout.
#include <gtest/gtest.h>

#include <QSettings>
#include <QString>

#include "ArchiveFixture.h"
#include "CliSupport.h"

namespace zov::test {
namespace {

using clitest::RunProgram;

const char* const kFixtureListing =
    "GPL\tAudi\tc  (003)\tc_003.s19\n"
    "GPL\tAudi\tZ  (009)\tZ_009.S19\n"
    "GPL\tAudi\ta  (001)\ta_001.zov\n"
    "GPL\tAudi\tb  (002)\tb_002.zov\n"
    "GPL\tvw\tGolf 4  (001)\tGolf_4_001.zov\n"
    "Metano\tFiat\tMODEL X 1.2  (007)\tMODEL_X_1.2_007.zov\n";

TEST(ZovctlVehicles, ListsTheArchiveGivenOrTheRuntimeDirectorysOne) {
    ArchiveFixture f;
    const auto given = RunProgram({ZOVCTL_PATH, "vehicles", "--archive", f.Cars()});
    EXPECT_EQ(given.status, 0) << given.err;
    EXPECT_EQ(given.out, kFixtureListing);
    EXPECT_EQ(given.err, "");

    // Without --archive: Vetture/ of the runtime directory the settings store names.
    zov::testing::ScratchDir settings;
    {
        QSettings store(QString::fromStdString(settings.File("Ovalix srl/Install.ini")),
                        QSettings::IniFormat);
        store.setValue(QStringLiteral("MainPath"), QString::fromStdString(f.Root()));
    }
    const auto stored = RunProgram({ZOVCTL_PATH, "--settings", settings.Path().string(), "vehicles"});
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_EQ(stored.out, kFixtureListing);
}

TEST(ZovctlVehicles, AMissingFolderOrABadUsageIsRefused) {
    ArchiveFixture f;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"vehicles", "--archive", f.Root() + "/nowhere"},
         4,
         "zovctl: cannot read the vehicle archive " + f.Root() + "/nowhere\n"},
        {{"vehicles", "--archive", f.Cars() + "/gpl/Audi/c_003.s19"},
         4,
         "zovctl: cannot read the vehicle archive " + f.Cars() + "/gpl/Audi/c_003.s19\n"},
        {{"vehicles", "--archive"}, 2, "zovctl: usage: vehicles [--archive DIR]\n"},
        {{"vehicles", f.Cars()}, 2, "zovctl: usage: vehicles [--archive DIR]\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{ZOVCTL_PATH};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = RunProgram(args);
        EXPECT_EQ(r.status, c.status) << c.args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

}  // namespace
}  // namespace zov::test
