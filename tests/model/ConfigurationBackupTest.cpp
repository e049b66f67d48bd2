// Backups before reprogramming: their names, the list, the retention per vehicle, and a backup
// that cannot be written.
#include <gtest/gtest.h>

#include <filesystem>

#include "ConfigurationBackup.h"
#include "ConfigurationModel.h"
#include "ModelTestSupport.h"

namespace zov::testing {
namespace {

using namespace std::chrono;

local_seconds At(int y, unsigned mo, unsigned d, int h, int mi) {
    return local_days{year{y} / month{mo} / day{d}} + hours{h} + minutes{mi};
}

struct BackupBench : ModelBench {
    explicit BackupBench(sim::EcuConfig config = {}) : ModelBench(std::move(config)) { model.ReadFromEcu(); }
    ConfigurationModel model{link, map, car, param};
    ScratchDir runtime;
    std::string folder = ConfigurationBackup::FolderIn(runtime.Path().string());
};

TEST(ConfigurationBackupNames, KeepOnlyLettersDigitsDashesAndUnderscores) {
    const struct {
        const char* text;
        const char* safe;
    } cases[] = {
        {"FIAT PUNTO 1.2 8V", "FIATPUNTO128V"},
        {"PUNTO12.ZOV", "PUNTO12ZOV"},
        {"a-b_c/d\\e:f", "a-b_cdef"},
        {"", "ECU"},
        {" ./*?", "ECU"},
        {"CITRO\xCBN C3", "CITRONC3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ConfigurationBackup::SafeNamePart(c.text), c.safe) << c.text;
}

TEST(ConfigurationBackupSave, NamesByTimeAndVehicleAndListsNewestFirst) {
    sim::EcuConfig config;
    config.model = "PUNTO 1.2";
    config.programName = "GPL";
    BackupBench b(config);
    local_seconds now = At(2026, 12, 10, 14, 32);
    const ConfigurationBackup backup(b.folder, [&] { return now; });

    std::string first, second, third;
    ASSERT_TRUE(backup.Save(b.model, first).ok);
    EXPECT_EQ(first, b.folder + "/2026-12-10_1432_PUNTO12_GPL.zvf");
    ASSERT_TRUE(backup.Save(b.model, second).ok) << "the same minute does not overwrite";
    EXPECT_EQ(second, b.folder + "/2026-12-10_1432-2_PUNTO12_GPL.zvf");
    now = At(2027, 1, 2, 9, 5);
    ASSERT_TRUE(backup.Save(b.model, third).ok);
    EXPECT_EQ(third, b.folder + "/2027-01-02_0905_PUNTO12_GPL.zvf");

    const std::vector<BackupEntry> list = backup.List();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].path, third);
    EXPECT_EQ(list[0].date, "2027-01-02 09:05");
    EXPECT_EQ(list[0].model, "PUNTO 1.2");
    EXPECT_EQ(list[0].programme, "GPL");
    EXPECT_EQ(list[1].path, second);
    EXPECT_EQ(list[2].path, first);
    EXPECT_EQ(list[2].date, "2026-12-10 14:32");
}

TEST(ConfigurationBackupSave, TheBackupLoadsBackToTheSameConfiguration) {
    BackupBench b;
    const ConfigurationBackup backup(b.folder, [] { return At(2026, 12, 10, 14, 32); });
    std::string path;
    ASSERT_TRUE(backup.Save(b.model, path).ok);
    ScratchDir before, after;
    ASSERT_TRUE(b.model.WriteDefinitionFiles(ConfigurationModel::DefinitionFiles::In(before.Path())));
    // Something else reaches the ECU meanwhile; the backup puts it back.
    b.map.CL[3][4] += 7;
    (void)b.map.WriteToEcu(50);
    b.car.CILINDRATA = 999;
    (void)b.car.WriteToEcu();
    ASSERT_TRUE(LoadConfigurationFile(b.model, path).Loaded());
    b.model.ReadFromEcu();
    const auto files = ConfigurationModel::DefinitionFiles::In(after.Path());
    ASSERT_TRUE(b.model.WriteDefinitionFiles(files));
    const auto was = ConfigurationModel::DefinitionFiles::In(before.Path());
    EXPECT_EQ(ReadFile(files.car), ReadFile(was.car));
    EXPECT_EQ(ReadFile(files.map), ReadFile(was.map));
    EXPECT_EQ(ReadFile(files.param), ReadFile(was.param));
}

TEST(ConfigurationBackupSave, KeepsTheNewestFiftyOfEachVehicle) {
    BackupBench b;
    const ConfigurationBackup backup(b.folder, [] { return At(2026, 12, 10, 14, 32); });
    std::filesystem::create_directories(b.folder);
    const std::string vehicle = "FIATPUNTO128V_PUNTO12ZOV";
    for (int i = 0; i < 52; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "2026-11-%02d_%04d_", 1 + i / 24, (i % 24) * 100);
        WriteFile(b.folder + "/" + name + vehicle + ".zvf", "old");
    }
    const std::vector<std::string> others = {"2020-01-01_0000_OTHER_CAR.zvf", "2020-01-01_0000_ECU_ECU.zvf",
                                             "notes.txt"};
    for (const std::string& name : others) WriteFile(b.folder + "/" + name, "kept");

    std::string path;
    ASSERT_TRUE(backup.Save(b.model, path).ok);
    int ofThisVehicle = 0;
    for (const auto& e : std::filesystem::directory_iterator(b.folder))
        ofThisVehicle += e.path().filename().string().find(vehicle) != std::string::npos;
    EXPECT_EQ(ofThisVehicle, 50);
    EXPECT_TRUE(std::filesystem::exists(path));
    // The three oldest went: the 1st of November at 00:00, 01:00 and 02:00.
    for (const char* gone : {"2026-11-01_0000_", "2026-11-01_0100_", "2026-11-01_0200_"})
        EXPECT_FALSE(std::filesystem::exists(b.folder + "/" + gone + vehicle + ".zvf")) << gone;
    EXPECT_TRUE(std::filesystem::exists(b.folder + "/2026-11-01_0300_" + vehicle + ".zvf"));
    for (const std::string& name : others) EXPECT_EQ(ReadFile(b.folder + "/" + name), "kept") << name;
}

TEST(ConfigurationBackupSave, AFailedSaveSaysWhyAndRemovesNothing) {
    BackupBench b;
    {
        // A file where the folder should be.
        std::filesystem::create_directories(b.runtime.Path() / "Config");
        WriteFile(b.folder, "in the way");
        const ConfigurationBackup backup(b.folder, [] { return At(2026, 12, 10, 14, 32); });
        std::string path;
        const PackResult r = backup.Save(b.model, path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("cannot create the backup folder " + b.folder), std::string::npos) << r.error;
        EXPECT_TRUE(path.empty());
        EXPECT_EQ(ReadFile(b.folder), "in the way");
        std::filesystem::remove(b.folder);
    }
    // A full disk: the older backups all stay, nothing half-written is left.
    const ConfigurationBackup backup(b.folder, [] { return At(2026, 12, 10, 14, 32); });
    std::filesystem::create_directories(b.folder);
    for (int i = 0; i < 50; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "2026-11-01_%04d_FIATPUNTO128V_PUNTO12ZOV.zvf", i);
        WriteFile(b.folder + "/" + name, "old");
    }
    std::string path;
    PackResult r;
    {
        FileSizeLimit full(64);
        r = backup.Save(b.model, path);
    }
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(b.folder), {}), 50);
}

}  // namespace
}  // namespace zov::testing
