// The archive tree read from the folders, its display names, the instruction documents and the
// selection rules of the archive window.
#include <gtest/gtest.h>

#include "ArchiveFixture.h"
#include "ArchiveSelection.h"
#include "VehicleArchive.h"

namespace zov::test {
namespace {

TEST(VehicleArchiveNames, DisplayNameShowsTheWordsAndTheCodeBeforeTheExtension) {
    const struct {
        const char* file;
        const char* shown;
    } cases[] = {
        {"ABC_123.s19", "ABC  (123)"},
        {"MODEL_X_1.2_007.zov", "MODEL X 1.2  (007)"},
        {"PUNTO_1.2_8V_0A1.s19", "PUNTO 1.2 8V  (0A1)"},
        {"_X_001.zov", " X  (001)"},
        {"X_001.s19", "X  (001)"},
        {"_001.s19", "  (001)"},
        {"A.s19", "A.s19"},  // too short to carry a code
    };
    for (const auto& c : cases) EXPECT_EQ(VehicleArchive::DisplayName(c.file), c.shown) << c.file;
}

TEST(VehicleArchiveScan, FuelsBrandsAndVehiclesInTheWindowsOrder) {
    ArchiveFixture f;
    const VehicleArchive a = VehicleArchive::Scan(f.Cars());
    EXPECT_EQ(a.productLogoPath, f.Cars() + "/zovlogo_001.BMP");

    const std::vector<ArchiveBrand>& gpl = a.fuels[0].brands;
    ASSERT_EQ(gpl.size(), 3u) << "Diesel and Metano_old are no fuels";
    EXPECT_EQ(gpl[0].name, "alfa");
    EXPECT_EQ(gpl[1].name, "Audi");
    EXPECT_EQ(gpl[2].name, "vw");
    EXPECT_TRUE(gpl[0].vehicles.empty());
    EXPECT_EQ(gpl[0].logoPath, "");

    const ArchiveBrand& audi = gpl[1];
    EXPECT_EQ(audi.logoPath, f.Cars() + "/gpl/Audi/Audi_001.bmp");
    EXPECT_EQ(audi.picturePath, f.Cars() + "/gpl/Audi/CAR_005.bmp");
    std::vector<std::string> files, shown, relative;
    for (const ArchiveVehicle& v : audi.vehicles) {
        files.push_back(v.fileName);
        shown.push_back(v.displayName);
        relative.push_back(v.relativePath);
    }
    // S-records first, then packed files; a folder named like a vehicle is not one.
    EXPECT_EQ(files, (std::vector<std::string>{"c_003.s19", "Z_009.S19", "a_001.zov", "b_002.zov"}));
    EXPECT_EQ(shown, (std::vector<std::string>{"c  (003)", "Z  (009)", "a  (001)", "b  (002)"}));
    EXPECT_EQ(relative.front(), "gpl/Audi/c_003.s19");

    const std::vector<ArchiveBrand>& metano = a.fuels[1].brands;
    ASSERT_EQ(metano.size(), 1u);
    ASSERT_EQ(metano[0].vehicles.size(), 1u);
    EXPECT_EQ(metano[0].vehicles[0].displayName, "MODEL X 1.2  (007)");
    EXPECT_EQ(metano[0].vehicles[0].relativePath, "METANO/Fiat/MODEL_X_1.2_007.zov");
    EXPECT_EQ(metano[0].picturePath, "");
}

TEST(VehicleArchiveScan, AMissingFolderGivesTwoEmptyRoots) {
    const VehicleArchive a = VehicleArchive::Scan("/nonexistent/Vetture");
    EXPECT_TRUE(a.fuels[0].brands.empty());
    EXPECT_TRUE(a.fuels[1].brands.empty());
    EXPECT_EQ(a.productLogoPath, "");
}

TEST(VehicleArchiveDocuments, PatternsLanguagesCodesAndCaptions) {
    EXPECT_EQ(VehicleArchive::DocumentPattern(DocumentKind::Vehicle, "gpl/Audi/c_003.s19"), "gpl/Audi/c_???");
    EXPECT_EQ(VehicleArchive::DocumentPattern(DocumentKind::General), "Generali_???");
    EXPECT_EQ(VehicleArchive::DocumentPattern(DocumentKind::Kit), "IstruzioniKit_???");

    ArchiveFixture f;
    const std::vector<std::string> languages{"ITALIANO", "ENGLISH", "DEUTSCH"};
    EXPECT_EQ(VehicleArchive::LanguagesWithDocument(f.Cards(), languages, "gpl/Audi/c_???"),
              (std::vector<std::string>{"ENGLISH", "DEUTSCH"}));
    EXPECT_EQ(VehicleArchive::LanguagesWithDocument(f.Cards(), languages, "Generali_???"),
              std::vector<std::string>{"ITALIANO"});
    EXPECT_TRUE(VehicleArchive::LanguagesWithDocument(f.Cards(), languages, "gpl/Audi/a_???").empty());

    const auto english = VehicleArchive::FindDocument(f.Cards(), "ENGLISH", "gpl/Audi/c_???");
    ASSERT_TRUE(english);
    EXPECT_EQ(english->path, f.Cards() + "/ENGLISH/gpl/audi/c_777.pdf");
    EXPECT_EQ(english->code, "777");
    EXPECT_EQ(english->name, "c");
    const auto german = VehicleArchive::FindDocument(f.Cards(), "deutsch", "gpl/Audi/c_???");
    ASSERT_TRUE(german);
    EXPECT_EQ(german->path, f.Cards() + "/DEUTSCH/GPL/AUDI/C_555.PDF");
    EXPECT_EQ(VehicleArchive::ViewerCaption(DocumentKind::Vehicle, "Istruzioni", *german),
              "Istruzioni  -  C (555)");

    const auto general = VehicleArchive::FindDocument(f.Cards(), "ITALIANO", "Generali_???");
    ASSERT_TRUE(general);
    EXPECT_EQ(VehicleArchive::ViewerCaption(DocumentKind::General, "Istruzioni", *general),
              "Istruzioni  -  (003)");
    // "???" stands for exactly three characters: names that sort before it do not match.
    f.Put("Schede/ITALIANO/Generali_00.pdf", "x");
    f.Put("Schede/ITALIANO/Generali_0000.pdf", "x");
    EXPECT_EQ(VehicleArchive::FindDocument(f.Cards(), "ITALIANO", "Generali_???")->code, "003");
}

TEST(ArchiveSelectionRules, OnlyAVehicleSelectsAFileAndTheButtonsFollowTheMode) {
    ArchiveFixture f;
    const VehicleArchive a = VehicleArchive::Scan(f.Cars());
    using M = ArchiveMode;
    const auto withDocument = [](const std::string&) { return true; };
    const auto without = [](const std::string&) { return false; };
    struct Case {
        ArchiveNode node;
        M mode;
        bool document;
        ArchiveSelection expected;
    };
    const Case cases[] = {
        {{0, 0, -1, -1}, M::Installation, true, {}},
        {{1, 0, 1, -1}, M::Installation, true, {}},
        {{1, 1, 0, -1}, M::Browsing, true, {}},
        {{2, 0, 1, 0}, M::Installation, true, {"gpl/Audi/c_003.s19", true, true, true, false}},
        {{2, 0, 1, 0}, M::Browsing, true, {"gpl/Audi/c_003.s19", true, false, true, true}},
        {{2, 0, 1, 3}, M::Browsing, false, {"gpl/Audi/b_002.zov", true, false, false, false}},
        {{2, 1, 0, 0}, M::Installation, false, {"METANO/Fiat/MODEL_X_1.2_007.zov", true, true, false, false}},
        {{2, 0, 1, 4}, M::Installation, true, {}},  // no such vehicle
    };
    for (const Case& c : cases) {
        const ArchiveSelection s = c.document ? ArchiveSelection::Of(a, c.node, c.mode, withDocument)
                                              : ArchiveSelection::Of(a, c.node, c.mode, without);
        EXPECT_EQ(s, c.expected) << "level " << c.node.level << " vehicle " << c.node.vehicle << " file "
                                 << s.selectedFile;
    }
}

}  // namespace
}  // namespace zov::test
