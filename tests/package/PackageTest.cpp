// The Debian package made from this build tree, unpacked into a temporary root as dpkg would
// install it: its files, its metadata checked by the distribution's own validators, and the
// unpacked programs and data at work.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImageReader>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "FirstStart.h"
#include "TestFiles.h"

namespace zov {
namespace {

namespace fs = std::filesystem;
using clitest::Result;
using clitest::RunProgram;
using testing::ScratchDir;

// A tool the test needs; missing, the test fails and says how to get it.
std::string Tool(const char* path, const char* name) {
    EXPECT_FALSE(std::string(path).empty() || std::string(path).find("NOTFOUND") != std::string::npos)
        << name << " is missing: run scripts/install-deps";
    return path;
}

class PackageTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        work_ = new ScratchDir;
        const Result built = RunProgram({Tool(CPACK_PATH, "cpack"), "-G", "DEB", "--config",
                                         ZOV_BUILD_DIR "/CPackConfig.cmake", "-B", work_->File("out")});
        ASSERT_EQ(built.status, 0) << built.out << built.err;
        for (const auto& e : fs::directory_iterator(work_->File("out")))
            if (e.path().extension() == ".deb") deb_ = e.path().string();
        ASSERT_FALSE(deb_.empty()) << built.out;
        const Result unpacked =
            RunProgram({Tool(DPKG_DEB_PATH, "dpkg-deb"), "-x", deb_, work_->File("root")});
        ASSERT_EQ(unpacked.status, 0) << unpacked.err;
    }
    static void TearDownTestSuite() {
        delete work_;
        work_ = nullptr;
    }
    void SetUp() override { ASSERT_FALSE(deb_.empty()) << "the package was not built"; }

    static fs::path Root() { return work_->Path() / "root"; }
    static std::string Field(const char* name) {
        const Result r = RunProgram({DPKG_DEB_PATH, "-f", deb_, name});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    static inline ScratchDir* work_ = nullptr;
    static inline std::string deb_;
};

TEST_F(PackageTest, HoldsTheProgramsTheirDataAndTheDesktopIntegration) {
    const char* const expected[] = {
        "usr/bin/zovqbr",
        "usr/bin/zovctl",
        "usr/bin/zovsim",
        "usr/share/zovqbr/Dizionario.dbf",
        "usr/share/zovqbr/ChiaviAggiornamento.txt",
        "usr/share/zovqbr/immagini/Logo.bmp",
        "usr/share/zovqbr/immagini/Sfondo1.bmp",
        "usr/share/zovqbr/Help/Zov_ITALIANO.html",
        "usr/share/zovqbr/Map/GPL/StandardGpl_0C8.zov",
        "usr/share/zovqbr/Map/Metano/StandardCng_0D0.zov",
        "usr/share/applications/it.ovalix.ZovQbr.desktop",
        "usr/share/metainfo/it.ovalix.ZovQbr.metainfo.xml",
        "usr/share/man/man1/zovctl.1.gz",
        "usr/share/man/man1/zovsim.1.gz",
        "usr/share/man/man1/zovqbr.1.gz",
        "usr/share/doc/zovqbr/copyright",
        "usr/share/doc/zovqbr/changelog.gz",
        "usr/share/bash-completion/completions/zovctl",
        "usr/lib/udev/rules.d/60-zovqbr-usb.rules",
    };
    for (const char* file : expected) EXPECT_TRUE(fs::is_regular_file(Root() / file)) << file;

    std::set<std::string> programs;
    for (const auto& e : fs::directory_iterator(Root() / "usr/bin")) programs.insert(e.path().filename());
    EXPECT_EQ(programs, (std::set<std::string>{"zovctl", "zovqbr", "zovsim"}))
        << "no test or benchmark program";
    for (const char* absent : {"zovqbr", "Config", "Clienti", "Vetture", "Schede", "Log"})
        EXPECT_FALSE(fs::exists(Root() / "usr/share/zovqbr" / absent)) << absent << " belongs to each user";
    std::set<std::string> top;
    for (const auto& e : fs::directory_iterator(Root())) top.insert(e.path().filename());
    EXPECT_EQ(top, std::set<std::string>{"usr"});

    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        QImageReader icon(
            QString::fromStdString((Root() / "usr/share/icons/hicolor" / name / "apps/zovqbr.png").string()));
        EXPECT_EQ(icon.format(), "png") << name;
        EXPECT_EQ(icon.size(), QSize(size, size)) << name;
    }
}

TEST_F(PackageTest, TheUdevRuleLetsTheSeatUserOpenTheUsbAdapter) {
    const std::string rule =
        testing::ReadFile((Root() / "usr/lib/udev/rules.d/60-zovqbr-usb.rules").string());
    std::string active;
    for (size_t at = 0; at < rule.size();) {
        const size_t end = std::min(rule.find('\n', at), rule.size());
        if (rule[at] != '#') active += rule.substr(at, end - at) + "\n";
        at = end + 1;
    }
    EXPECT_EQ(
        active,
        "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0f84\", ATTRS{idProduct}==\"0013\", TAG+=\"uaccess\"\n");
}

TEST_F(PackageTest, DependsOnTheLibrariesItLinksAndQtsPlugins) {
    EXPECT_EQ(Field("Package"), "zovqbr\n");
    EXPECT_EQ(Field("Version"), std::string(ZOV_VERSION) + "\n");
    const std::string depends = Field("Depends");
    for (const char* package :
         {"libqt6widgets6", "libqt6core6", "libstdc++6", "libc6", "libqt6sql6-sqlite", "libhidapi-hidraw0",
          "libqt6multimedia6", "libqt6pdf6", "qt6-translations-l10n", "libssl3", "libqt6network6"})
        EXPECT_NE(depends.find(package), std::string::npos) << package << " in: " << depends;
    const std::string suggests = Field("Suggests");
    EXPECT_NE(suggests.find("libqt6sql6-psql"), std::string::npos) << suggests;
    EXPECT_EQ(depends.find("psql"), std::string::npos) << "a shared archive is a choice: " << depends;
}

// What lintian reads first: a maintainer one can write to, and a description Debian can show.
TEST_F(PackageTest, NamesAMaintainerAddressAndWrapsItsDescription) {
    EXPECT_EQ(Field("Maintainer"), "ZOV Qbr developers <dev@zovqbr.invalid>\n");
    const std::string description = Field("Description");
    size_t lines = 0;
    for (size_t at = 0; at < description.size(); ++lines) {
        const size_t end = std::min(description.find('\n', at), description.size());
        EXPECT_LT(end - at, 80U) << description.substr(at, end - at);
        at = end + 1;
    }
    EXPECT_GT(lines, 5U) << description;
    EXPECT_NE(description.find("libqt6sql6-psql"), std::string::npos);
}

TEST_F(PackageTest, DesktopEntryAndMetainfoPassTheValidators) {
    const Result desktop =
        RunProgram({Tool(DESKTOP_FILE_VALIDATE_PATH, "desktop-file-validate"),
                    (Root() / "usr/share/applications/it.ovalix.ZovQbr.desktop").string()});
    EXPECT_EQ(desktop.status, 0) << desktop.out << desktop.err;
    EXPECT_EQ(desktop.out + desktop.err, "") << "not even a warning";

    const Result metainfo =
        RunProgram({Tool(APPSTREAMCLI_PATH, "appstreamcli"), "validate", "--no-net",
                    (Root() / "usr/share/metainfo/it.ovalix.ZovQbr.metainfo.xml").string()});
    EXPECT_EQ(metainfo.status, 0) << metainfo.out << metainfo.err;
}

TEST_F(PackageTest, TheUnpackedProgramsRunAndTheirDataMakesAUserFolder) {
    const Result version = RunProgram({(Root() / "usr/bin/zovctl").string(), "--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, std::string("zovctl (ZOV Qbr) ") + ZOV_VERSION + "\n");

    ScratchDir user;
    const std::string xdg = user.File("data");
    ASSERT_EQ(setenv("XDG_DATA_HOME", xdg.c_str(), 1), 0);
    const FirstStart::Place place =
        FirstStart::Prepare(Root() / "usr/bin", QString::fromStdString(user.File("settings")));
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(place.error, "");
    EXPECT_TRUE(place.settingsWritten);
    EXPECT_EQ(place.applicationDirectory, xdg + "/zovqbr");
    EXPECT_EQ(fs::read_symlink(xdg + "/zovqbr/Dizionario.dbf"), Root() / "usr/share/zovqbr/Dizionario.dbf");
    EXPECT_TRUE(fs::is_directory(xdg + "/zovqbr/Config"));
}

}  // namespace
}  // namespace zov
