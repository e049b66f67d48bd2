// The archive update's rules on disk: which versions are newer, the scan of an update folder, the
// floppy manifest and its refusals, and a copy that never loses an installed version.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "UpdateFixture.h"

namespace zov::test {
namespace {

TEST(ArchiveUpdate, ShouldCopyComparesVersionsByCharacterCodes) {
    struct Case {
        std::vector<std::string> installed;
        std::string name;
        bool copy;
        std::vector<std::string> replaces;
    };
    const Case cases[] = {
        {{"Punto_0A0.s19"}, "Punto_0A0.s19", false, {}},
        {{"Punto_0A0.s19"}, "Punto_09F.s19", false, {}},
        {{"Punto_0A0.s19"}, "Punto_0B0.s19", true, {"Punto_0A0.s19"}},
        {{"Punto_09F.s19"}, "Punto_0A1.s19", true, {"Punto_09F.s19"}},
        {{"Punto_0B0.s19"}, "Punto_0a0.s19", true, {"Punto_0B0.s19"}},  // 'a' comes after 'B'
        {{"Punto_0a0.s19"}, "Punto_0B0.s19", false, {}},
        // Letter case aside in the stem and the extension, as on the media's own systems.
        {{"PUNTO_0A0.S19"}, "Punto_0B0.s19", true, {"PUNTO_0A0.S19"}},
        // Another extension, another stem or another length is another file.
        {{"Punto_0C0.zov", "Punto_1_0C0.s19", "Punto_0C00.s19"}, "Punto_0B0.s19", true, {}},
        // One older and one newer installed: not wanted, and nothing is to be deleted.
        {{"Punto_09F.s19", "Punto_0C0.s19"}, "Punto_0B0.s19", false, {}},
        // Without "_": its first three characters against every three-character name with "_".
        {{"A_1.s19", "XYZ.s19", "B_2.zov"}, "Generico.s19", true, {"A_1.s19"}},
        {{"a_z.s19"}, "Generico.s19", false, {}},
        {{}, "Nuovo_001.pdf", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture f;
        for (const std::string& i : c.installed) f.Put("run/Vetture/" + i, "old");
        std::vector<std::string> older{"stale"};
        EXPECT_EQ(ArchiveUpdate::ShouldCopy(f.Path("run/Vetture"), c.name, &older), c.copy);
        std::vector<std::string> expected;
        for (const std::string& r : c.replaces) expected.push_back(f.Path("run/Vetture/" + r));
        EXPECT_EQ(older, expected);
    }
}

TEST(ArchiveUpdate, AFolderScanPlansEachSubfolderInNameOrderAndDeletesNothing) {
    UpdateFixture f;
    f.Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old punto");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new punto");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Doblo_001.s19", "doblo!");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_002.pdf", "pdf");
    f.Put("medium/ZOV/Map/GPL/StandardGpl_0D1.zov", "std");
    f.Put("medium/ZOV/Other/Ignored_001.s19", "no");
    const auto before = f.Snapshot();
    std::vector<size_t> listed;
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan plan = update.ScanMedium(f.Path("medium/ZOV"), [&](size_t n) { listed.push_back(n); });
    EXPECT_EQ(f.Snapshot(), before);  // planning touches nothing
    ASSERT_EQ(plan.error, "");
    std::vector<std::string> destinations;
    for (const UpdateFile& file : plan.files) destinations.push_back(file.destination);
    EXPECT_EQ(destinations, (std::vector<std::string>{f.Path("run/Schede/ITALIANO/Generali_002.pdf"),
                                                      f.Path("run/Vetture/Gpl/Fiat/Doblo_001.s19"),
                                                      f.Path("run/Vetture/Gpl/Fiat/Punto_0B0.s19"),
                                                      f.Path("run/Map/GPL/StandardGpl_0D1.zov")}));
    EXPECT_EQ(plan.files[2].replaces,
              (std::vector<std::string>{f.Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19")}));
    EXPECT_EQ(plan.totalBytes, 3u + 6u + 9u + 3u);
    EXPECT_EQ(listed, (std::vector<size_t>{1, 2, 3, 4}));

    const UpdateOutcome outcome = update.Copy(plan);
    EXPECT_TRUE(outcome.Complete()) << outcome.error;
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), "new punto");
    EXPECT_FALSE(f.Exists("run/Vetture/Gpl/Fiat/Punto_0A0.s19"));
    EXPECT_EQ(f.Read("run/Map/GPL/StandardGpl_0D1.zov"), "std");
    EXPECT_EQ(outcome.removed, (std::vector<std::string>{f.Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19")}));
    EXPECT_TRUE(update.ScanMedium(f.Path("medium/ZOV")).files.empty());  // nothing newer the second time
}

TEST(ArchiveUpdate, AManifestLineCopiesIntoANewBrandFolder) {
    UpdateFixture f;
    f.Put("medium/ZOV.txt",
          "Alfa_001.s19=<VETTURE>\\Gpl\\Alfa\r\n"
          "no equals sign\r\n"
          "Missing_001.s19=<VETTURE>\\Gpl\\Alfa\r\n"
          "Alfa_001.pdf=<SCHEDE>\\ITALIANO\\Gpl\\Alfa\r\n"
          "Std_0D2.zov=<MAPPATURA>\\GPL\r\n");
    f.Put("medium/Alfa_001.s19", "alfa");
    f.Put("medium/Alfa_001.pdf", "sheet");
    f.Put("medium/Std_0D2.zov", "map");
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan plan = update.ReadManifest(f.Path("medium"));
    ASSERT_EQ(plan.error, "");
    EXPECT_FALSE(f.Exists("run/Vetture/Gpl/Alfa"));
    ASSERT_EQ(plan.files.size(), 3u);
    EXPECT_TRUE(update.Copy(plan).Complete());
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Alfa/Alfa_001.s19"), "alfa");
    EXPECT_EQ(f.Read("run/Schede/ITALIANO/Gpl/Alfa/Alfa_001.pdf"), "sheet");
    EXPECT_EQ(f.Read("run/Map/GPL/Std_0D2.zov"), "map");
}

TEST(ArchiveUpdate, AHostileManifestChangesNothingAnywhere) {
    struct Case {
        const char* line;
        const char* names;  // what the refusal must name
    };
    const Case cases[] = {
        {"Evil_002.s19=<VETTURE>\\..\\..\\outside", "line 2"},
        {"Evil_002.s19=/tmp/evil", "line 2"},
        {"Evil_002.s19=C:\\Windows", "line 2"},
        {"../outside/Secret_001.s19=<VETTURE>\\Gpl", "line 2"},
        {"/etc/hostname=<VETTURE>\\Gpl", "line 2"},
        {"Evil_002.s19=<VETTURE>\\Link", "line 2"},   // a folder linked out of the archive
        {"Linked_001.s19=<VETTURE>\\Gpl", "line 2"},  // a medium file linked out of the medium
        {"Evil_002.s19=x<SCHEDE>\\Gpl", "line 2"},    // the tag must open the destination
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        UpdateFixture f;
        f.Put("run/Vetture/Gpl/Good_000.s19", "installed");
        f.Put("run/Vetture/Gpl/Evil_001.s19", "installed");
        f.Put("outside/Secret_001.s19", "secret");
        f.Put("outside/Evil_001.s19", "outside");
        f.Put("medium/Good_001.s19", "good");
        f.Put("medium/Evil_002.s19", "evil");
        std::filesystem::create_symlink(f.Path("outside"), f.Path("run/Vetture/Link"));
        std::filesystem::create_symlink(f.Path("outside/Secret_001.s19"), f.Path("medium/Linked_001.s19"));
        f.Put("medium/ZOV.txt", std::string("Good_001.s19=<VETTURE>\\Gpl\n") + c.line + "\n");
        const auto before = f.Snapshot();
        const ArchiveUpdate update(f.Roots());
        const UpdatePlan plan = update.ReadManifest(f.Path("medium"));
        EXPECT_NE(plan.error.find(c.names), std::string::npos) << plan.error;
        EXPECT_TRUE(plan.files.empty());
        EXPECT_TRUE(update.Copy(plan).copied.empty());
        EXPECT_EQ(f.Snapshot(), before);
    }
}

TEST(ArchiveUpdate, AFolderLinkedOutOfTheArchiveRefusesTheScan) {
    UpdateFixture f;
    std::filesystem::create_symlink(f.Path("outside"), f.Path("run/Schede/ITALIANO"));
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_002.pdf", "pdf");
    const auto before = f.Snapshot();
    const UpdatePlan plan = ArchiveUpdate(f.Roots()).ScanMedium(f.Path("medium/ZOV"));
    EXPECT_NE(plan.error.find("outside the archive folders"), std::string::npos) << plan.error;
    EXPECT_TRUE(plan.files.empty());
    EXPECT_EQ(f.Snapshot(), before);
}

TEST(ArchiveUpdate, AFailedCopyKeepsTheInstalledVersionAndLeavesNoTemporary) {
    UpdateFixture f;
    f.Put("run/Vetture/Gpl/Fiat/Doblo_001.s19", "old doblo");
    f.Put("run/Vetture/Gpl/Fiat/Punto_0A0.s19", "old punto");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Doblo_002.s19", "new doblo");
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", std::string(64 * 1024, 'p'));
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan plan = update.ScanMedium(f.Path("medium/ZOV"));
    ASSERT_EQ(plan.files.size(), 2u);
    UpdateOutcome outcome;
    {
        // The disk fills up in the middle of the second file; this holds even for root.
        zov::testing::FileSizeLimit full(16 * 1024);
        outcome = update.Copy(plan);
    }
    EXPECT_FALSE(outcome.Complete());
    EXPECT_NE(outcome.error.find("Punto_0B0.s19"), std::string::npos) << outcome.error;
    // The first file went in whole and replaced its older version; the second changed nothing.
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Doblo_002.s19"), "new doblo");
    EXPECT_FALSE(f.Exists("run/Vetture/Gpl/Fiat/Doblo_001.s19"));
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Punto_0A0.s19"), "old punto");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(f.Path("run/Vetture/Gpl/Fiat")))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Doblo_002.s19", "Punto_0A0.s19"}));
}

TEST(ArchiveUpdate, ACancelStopsBetweenFilesAndTheProgressFollowsTheBytes) {
    UpdateFixture f;
    f.Put("run/Map/GPL/Std_001.zov", "old");
    f.Put("medium/ZOV/Map/GPL/A_001.zov", std::string(10, 'a'));
    f.Put("medium/ZOV/Map/GPL/B_001.zov", std::string(30, 'b'));
    f.Put("medium/ZOV/Map/GPL/Std_002.zov", std::string(60, 's'));
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan plan = update.ScanMedium(f.Path("medium/ZOV"));
    ASSERT_EQ(plan.files.size(), 3u);
    std::vector<std::pair<int, size_t>> steps;
    int asked = 0;
    const UpdateOutcome outcome = update.Copy(
        plan, [&](int percent, size_t copied) { steps.emplace_back(percent, copied); },
        [&] { return ++asked == 3; });
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(steps, (std::vector<std::pair<int, size_t>>{{10, 1}, {40, 2}}));
    EXPECT_EQ(outcome.copied.size(), 2u);
    EXPECT_TRUE(f.Exists("run/Map/GPL/B_001.zov"));
    EXPECT_FALSE(f.Exists("run/Map/GPL/Std_002.zov"));
    EXPECT_EQ(f.Read("run/Map/GPL/Std_001.zov"), "old");
    // Run whole, the bar ends at 100.
    steps.clear();
    EXPECT_TRUE(
        update
            .Copy(update.ScanMedium(f.Path("medium/ZOV")), [&](int p, size_t n) { steps.emplace_back(p, n); })
            .Complete());
    EXPECT_EQ(steps, (std::vector<std::pair<int, size_t>>{{100, 1}}));
    EXPECT_FALSE(f.Exists("run/Map/GPL/Std_001.zov"));
}

// An installed older version that is a link to a file elsewhere: the link goes, the file it
// pointed at keeps its content and its rights.
TEST(ArchiveUpdate, AnInstalledLinkIsRemovedNeverFollowed) {
    UpdateFixture f;
    f.Put("outside/Punto_0A0.s19", "not the archive's");
    ASSERT_EQ(chmod(f.Path("outside/Punto_0A0.s19").c_str(), 0600), 0);
    f.Put("run/Vetture/Gpl/Fiat/Doblo_001.s19", "old doblo");
    std::filesystem::create_symlink(f.Path("outside/Punto_0A0.s19"),
                                    f.Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19"));
    f.Put("medium/ZOV/Software/Gpl/Fiat/Punto_0B0.s19", "new punto");
    const ArchiveUpdate update(f.Roots());
    const UpdateOutcome outcome = update.Copy(update.ScanMedium(f.Path("medium/ZOV")));
    ASSERT_TRUE(outcome.Complete()) << outcome.error;
    EXPECT_EQ(outcome.removed, std::vector<std::string>{f.Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19")});
    EXPECT_FALSE(std::filesystem::is_symlink(f.Path("run/Vetture/Gpl/Fiat/Punto_0A0.s19")));
    EXPECT_EQ(f.Read("run/Vetture/Gpl/Fiat/Punto_0B0.s19"), "new punto");
    EXPECT_EQ(f.Read("outside/Punto_0A0.s19"), "not the archive's");
    struct stat st {};
    ASSERT_EQ(stat(f.Path("outside/Punto_0A0.s19").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// A medium entry is read only where it lies on the medium: a link leading out refuses the whole
// scan, a link to another file of the medium is copied as that file.
TEST(ArchiveUpdate, AMediumEntryLinkedOutOfTheMediumRefusesTheScan) {
    UpdateFixture f;
    f.Put("outside/Secret_001.s19", "secret");
    f.Put("medium/shared/Alias_001.s19", "shared");
    f.Put("medium/ZOV/Software/Gpl/Good_001.s19", "good");
    std::filesystem::create_symlink(f.Path("medium/shared/Alias_001.s19"),
                                    f.Path("medium/ZOV/Software/Gpl/Alias_001.s19"));
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan inside = update.ScanMedium(f.Path("medium/ZOV"));
    ASSERT_EQ(inside.error, "");
    EXPECT_EQ(inside.files.size(), 2u);

    std::filesystem::create_symlink(f.Path("outside/Secret_001.s19"),
                                    f.Path("medium/ZOV/Software/Gpl/Secret_001.s19"));
    const auto before = f.Snapshot();
    const UpdatePlan outside = update.ScanMedium(f.Path("medium/ZOV"));
    EXPECT_EQ(outside.error,
              f.Path("medium/ZOV/Software/Gpl/Secret_001.s19") + " is linked outside the update medium");
    EXPECT_TRUE(outside.files.empty());
    EXPECT_TRUE(update.Copy(outside).copied.empty());
    EXPECT_EQ(f.Snapshot(), before);
}

// Of several versions of one name bound for one folder only the newest is installed, and the
// older installed version is replaced once, in a folder and in a manifest alike.
TEST(ArchiveUpdate, OnlyTheNewestVersionOfANameIsPlanned) {
    UpdateFixture f;
    f.Put("run/Schede/ITALIANO/Generali_001.pdf", "installed");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_002.pdf", "two");
    f.Put("medium/ZOV/Schede/ITALIANO/Generali_003.pdf", "three");
    f.Put("medium/ZOV/Schede/ITALIANO/Punto_001.pdf", "punto");
    f.Put("medium/Generali_003.pdf", "three");
    f.Put("medium/generali_002.pdf", "two");
    f.Put("medium/ZOV.txt",
          "Generali_003.pdf=<SCHEDE>\\ITALIANO\n"
          "generali_002.pdf=<SCHEDE>\\ITALIANO\n");
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan folder = update.ScanMedium(f.Path("medium/ZOV"));
    const UpdatePlan manifest = update.ReadManifest(f.Path("medium"));
    for (const UpdatePlan* plan : {&folder, &manifest}) {
        ASSERT_EQ(plan->error, "");
        ASSERT_FALSE(plan->files.empty());
        EXPECT_EQ(plan->files[0].replaces,
                  std::vector<std::string>{f.Path("run/Schede/ITALIANO/Generali_001.pdf")});
    }
    ASSERT_EQ(folder.files.size(), 2u);
    EXPECT_EQ(folder.files[0].destination, f.Path("run/Schede/ITALIANO/Generali_003.pdf"));
    EXPECT_EQ(folder.files[1].destination, f.Path("run/Schede/ITALIANO/Punto_001.pdf"));
    EXPECT_EQ(folder.totalBytes, 5u + 5u);
    ASSERT_EQ(manifest.files.size(), 1u);
    EXPECT_EQ(manifest.files[0].destination, f.Path("run/Schede/ITALIANO/Generali_003.pdf"));
    EXPECT_EQ(manifest.totalBytes, 5u);

    const UpdateOutcome outcome = update.Copy(folder);
    ASSERT_TRUE(outcome.Complete()) << outcome.error;
    EXPECT_EQ(outcome.removed, std::vector<std::string>{f.Path("run/Schede/ITALIANO/Generali_001.pdf")});
    EXPECT_FALSE(f.Exists("run/Schede/ITALIANO/Generali_002.pdf"));
}

// A line feed in a name would forge an output line: such a name refuses the whole update, named
// with its control characters shown.
TEST(ArchiveUpdate, ANameWithAControlCharacterRefusesTheUpdate) {
    UpdateFixture f;
    f.Put("medium/ZOV/Schede/Good_001.pdf", "good");
    f.Put("medium/ZOV/Schede/Evil_001.pdf\nREMOVED Vetture_001.pdf", "evil");
    f.Put("medium/Tab_001.s19", "tab");
    f.Put("medium/ZOV.txt", "Tab_001.s19=<VETTURE>\\Gpl\x1b[2J\n");
    const auto before = f.Snapshot();
    const ArchiveUpdate update(f.Roots());
    const UpdatePlan folder = update.ScanMedium(f.Path("medium/ZOV"));
    EXPECT_EQ(folder.error,
              f.Path("medium/ZOV/Schede/Evil_001.pdf\\x0AREMOVED Vetture_001.pdf") +
                  ": the name \"Evil_001.pdf\\x0AREMOVED Vetture_001.pdf\" holds a control character");
    EXPECT_TRUE(folder.files.empty());
    const UpdatePlan manifest = update.ReadManifest(f.Path("medium"));
    EXPECT_EQ(manifest.error,
              f.Path("medium/ZOV.txt") + " line 1: the name \"/Gpl\\x1B[2J\" holds a control character");
    EXPECT_TRUE(manifest.files.empty());
    EXPECT_EQ(f.Snapshot(), before);
}

}  // namespace
}  // namespace zov::test
