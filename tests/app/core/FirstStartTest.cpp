// The user's own runtime folder and settings, made from an installed tree on the first start,
// under a temporary HOME and XDG_DATA_HOME.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSettings>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "FirstStart.h"
#include "GlobalData.h"
#include "Prompter.h"
#include "TestFiles.h"

namespace zov {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// Sets an environment variable for the length of a test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// An unpacked package: the program in usr/bin, its data in usr/share/zovqbr.
class FirstStartTest : public ::testing::Test {
  protected:
    FirstStartTest() : home_("HOME", root_.File("home")), xdg_("XDG_DATA_HOME", root_.File("xdg")) {
        fs::create_directories(Bin());
        fs::create_directories(Data() / "immagini");
        fs::create_directories(Data() / "Map" / "GPL");
        fs::create_directories(Data() / "Config");
        WriteFile(Data() / "Dizionario.dbf", "dictionary");
        WriteFile(Data() / "immagini" / "Logo.bmp", "logo");
        WriteFile(Data() / "Map" / "GPL" / "StandardGpl_0C8.zov", "standard");
    }

    fs::path Bin() const { return root_.Path() / "usr" / "bin"; }
    fs::path Data() const { return root_.Path() / "usr" / "share" / "zovqbr"; }
    fs::path User() const { return root_.Path() / "xdg" / "zovqbr"; }
    QString Store() const { return QString::fromStdString(root_.File("store")); }
    std::string StoreFile() const { return root_.File("store") + "/Ovalix srl/Install.ini"; }

    // The settings as the program loads them: the error boxes it shows.
    size_t BoxesOnLoad(std::string* mainPath = nullptr) const {
        ScriptedPrompter prompter;
        {
            GlobalData global(1, 0, "ZOV Qbr", prompter, Store());
            if (mainPath) *mainPath = global.MainPath();
        }
        return prompter.shown.size();
    }

    ScratchDir root_;
    ScopedEnv home_;
    ScopedEnv xdg_;
};

TEST_F(FirstStartTest, FirstStartMakesTheUserFolderAndSettingsAndTheSecondFindsThem) {
    const FirstStart::Place first = FirstStart::Prepare(Bin(), Store());
    ASSERT_EQ(first.error, "");
    EXPECT_TRUE(first.settingsWritten);
    EXPECT_EQ(first.applicationDirectory, User().string());

    EXPECT_EQ(ReadFile(User() / "Dizionario.dbf"), "dictionary");
    EXPECT_EQ(ReadFile(User() / "Map" / "GPL" / "StandardGpl_0C8.zov"), "standard");
    EXPECT_TRUE(fs::is_symlink(User() / "immagini" / "Logo.bmp")) << "read-only data is linked, not copied";
    for (const char* folder : {"Config", "Clienti", "Log", "Vetture", "Schede", "Map/GPL"}) {
        EXPECT_TRUE(fs::is_directory(User() / folder) && !fs::is_symlink(User() / folder)) << folder;
    }
    WriteFile(User() / "Config" / "punto.zvf", "saved");
    EXPECT_EQ(ReadFile(User() / "Config" / "punto.zvf"), "saved") << "the writable folders take files";

    std::string mainPath;
    EXPECT_EQ(BoxesOnLoad(&mainPath), 0u) << "complete settings: no error box";
    EXPECT_EQ(mainPath, User().string());
    {
        QSettings store(QString::fromStdString(StoreFile()), QSettings::IniFormat);
        for (const char* key :
             {"MainPath", "InternetID", "InternetPW", "ComPort", "WindowPos", "WindowSize", "Language"})
            EXPECT_TRUE(store.contains(QString::fromLatin1(key))) << key;
        EXPECT_EQ(store.value("ComPort").toInt(), 1);
        store.setValue("ComPort", 2);  // the user's choice, made in the program
    }

    const FirstStart::Place second = FirstStart::Prepare(Bin(), Store());
    EXPECT_EQ(second.error, "");
    EXPECT_FALSE(second.settingsWritten);
    EXPECT_EQ(second.applicationDirectory, User().string());
    EXPECT_EQ(ReadFile(User() / "Config" / "punto.zvf"), "saved");
    EXPECT_EQ(QSettings(QString::fromStdString(StoreFile()), QSettings::IniFormat).value("ComPort").toInt(),
              2);
    EXPECT_EQ(BoxesOnLoad(), 0u);
}

// After an upgrade of the package new files appear; after a move of the installation the links
// follow it; the user's own files stay.
TEST_F(FirstStartTest, ALaterStartFollowsTheInstalledData) {
    ASSERT_EQ(FirstStart::Prepare(Bin(), Store()).error, "");
    fs::create_directories(Data() / "Help");
    WriteFile(Data() / "Help" / "index.html", "help");
    WriteFile(User() / "immagini" / "Mine.bmp", "mine");
    ASSERT_EQ(FirstStart::Prepare(Bin(), Store()).error, "");
    EXPECT_EQ(ReadFile(User() / "Help" / "index.html"), "help");

    fs::rename(root_.Path() / "usr", root_.Path() / "opt");
    ASSERT_EQ(FirstStart::Prepare(root_.Path() / "opt" / "bin", Store()).error, "");
    EXPECT_EQ(fs::read_symlink(User() / "Dizionario.dbf"), root_.Path() / "opt/share/zovqbr/Dizionario.dbf");
    EXPECT_EQ(ReadFile(User() / "Map" / "GPL" / "StandardGpl_0C8.zov"), "standard");
    EXPECT_EQ(ReadFile(User() / "immagini" / "Mine.bmp"), "mine");
}

TEST_F(FirstStartTest, TheUserFolderFollowsXdgDataHome) {
    const std::string home = root_.File("home");
    struct Case {
        std::optional<std::string> xdg;
        std::string folder;
    } cases[] = {
        {"/srv/data", "/srv/data/zovqbr"},
        {std::nullopt, home + "/.local/share/zovqbr"},
        {"", home + "/.local/share/zovqbr"},
        {"relative/data", home + "/.local/share/zovqbr"},
    };
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
        EXPECT_EQ(FirstStart::UserDataDirectory().string(), c.folder) << c.xdg.value_or("(unset)");
    }
    ScopedEnv noXdg("XDG_DATA_HOME", std::nullopt);
    ScopedEnv noHome("HOME", std::nullopt);
    EXPECT_EQ(FirstStart::UserDataDirectory(), fs::path());
    EXPECT_NE(FirstStart::Prepare(Bin(), Store()).error, "") << "no folder to make: said, not guessed";
}

// A store with a MainPath but not the rest is damaged: it is not overwritten, and the settings
// show their error box as ever.
TEST_F(FirstStartTest, ADamagedStoreIsLeftForTheErrorBox) {
    const std::string damaged = "[General]\nMainPath=/srv/zov\nComPort=x\n";
    fs::create_directories(fs::path(StoreFile()).parent_path());
    WriteFile(StoreFile(), damaged);

    const FirstStart::Place place = FirstStart::Prepare(Bin(), Store());
    EXPECT_EQ(place.error, "");
    EXPECT_FALSE(place.settingsWritten);
    EXPECT_EQ(ReadFile(StoreFile()), damaged);
    EXPECT_EQ(BoxesOnLoad(), 1u);
}

TEST_F(FirstStartTest, ARuntimeFolderNextToTheProgramIsUsedAsItIs) {
    WriteFile(Bin() / "Dizionario.dbf", "dictionary");
    const FirstStart::Place place = FirstStart::Prepare(Bin(), Store());
    EXPECT_EQ(place.applicationDirectory, Bin().string());
    EXPECT_EQ(place.error, "");
    EXPECT_FALSE(fs::exists(User()));
    EXPECT_FALSE(fs::exists(StoreFile())) << "the settings are the program's business, as before";
}

TEST_F(FirstStartTest, AUserFolderThatCannotBeMadeSaysWhereAndWritesNoSettings) {
    WriteFile(root_.Path() / "file", "");
    ScopedEnv xdg("XDG_DATA_HOME", root_.File("file"));
    const FirstStart::Place place = FirstStart::Prepare(Bin(), Store());
    EXPECT_NE(place.error.find(root_.File("file") + "/zovqbr"), std::string::npos) << place.error;
    EXPECT_FALSE(place.settingsWritten);
    EXPECT_FALSE(fs::exists(StoreFile())) << "the next start tries again";
}

}  // namespace
}  // namespace zov
