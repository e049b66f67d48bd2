#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "GlobalData.h"
#include "Prompter.h"

namespace zov {
namespace {

const char kTitle[] = "ZOV Qbr";
const std::string kLoadError =
    "Non \xE8"
    " possibile rilevare correttamente alcuni parametri del programma. \n"
    "Se il problema persiste ripetere l'installazione del software.";

// The values of a complete store, as an installer's machine would hold them.
const std::map<std::string, std::string> kFullStore = {
    {"MainPath", "/srv/zov/"}, {"InternetID", "mario"},    {"InternetPW", "segreto"}, {"ComPort", "2"},
    {"WindowPos", "1048608"},  {"WindowSize", "31457920"}, {"Language", "3"},
};

// Writes the "Install" store file as text, the way it sits on disk after an earlier run or a hand
// edit.
void WriteIniAt(const QString& store, const std::string& text) {
    ASSERT_TRUE(QDir().mkpath(store + "/Ovalix srl"));
    QFile f(store + "/Ovalix srl/Install.ini");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(text.data(), static_cast<qint64>(text.size())), static_cast<qint64>(text.size()));
}

std::string IniText(const std::map<std::string, std::string>& values) {
    std::string text = "[General]\n";
    for (const auto& [k, v] : values) text += k + "=" + v + "\n";
    return text;
}

class GlobalDataTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Store() const { return dir_.path(); }
    QString IniPath(const std::string& key = "Install") const {
        return dir_.path() + "/Ovalix srl/" + QString::fromStdString(key) + ".ini";
    }

    // Writes the store file as text, the way it sits on disk after an earlier run or a hand edit.
    void WriteIni(const std::string& text) const { WriteIniAt(dir_.path(), text); }
    void WriteValues(const std::map<std::string, std::string>& values, const std::string& extra = {}) const {
        WriteIniAt(dir_.path(), IniText(values) + extra);
    }

    std::unique_ptr<GlobalData> Make(int32_t variant = 1, const std::string& title = kTitle) {
        return std::make_unique<GlobalData>(variant, 0, title, prompter_, Store());
    }

    // What the store holds now, as strings.
    std::map<std::string, std::string> ReadBack(const std::string& key = "Install") const {
        QSettings s(IniPath(key), QSettings::IniFormat);
        std::map<std::string, std::string> out;
        for (const QString& k : s.allKeys()) out[k.toStdString()] = s.value(k).toString().toStdString();
        return out;
    }

    void ExpectOneLoadErrorBox(const std::string& caption = kTitle) const {
        ASSERT_EQ(prompter_.shown.size(), 1u);
        EXPECT_EQ(prompter_.shown[0].text, kLoadError);
        EXPECT_EQ(prompter_.shown[0].caption, caption);
        EXPECT_EQ(prompter_.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(prompter_.shown[0].buttons, PromptButtons::Ok);
    }

    QTemporaryDir dir_;
    ScriptedPrompter prompter_;
};

std::string CurrentDir() { return std::filesystem::current_path().string(); }

TEST_F(GlobalDataTest, KeyFollowsVariantAndKrvInTheTitle) {
    struct Case {
        int32_t variant;
        std::string title;
        std::string key;
    };
    const Case cases[] = {
        {1, "ZOV Qbr", "Install"},       {1, "KRV Qbr", "InstKrv"},    {2, "Service kRv", "InstKrv"},
        {-1, "ZOV", "Install"},          {1, "", "Install"},           {0, "ZOV FileMaker", "ZOVFileMaker"},
        {0, "krvmaker", "KRVFileMaker"}, {0, "K R V", "ZOVFileMaker"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GlobalData::KeyFor(c.variant, c.title), c.key) << c.title;

        // The chosen key is where the settings live.
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ScriptedPrompter prompter;
        { GlobalData data(c.variant, 0, c.title, prompter, dir.path()); }
        const QStringList files = QDir(dir.path() + "/Ovalix srl").entryList(QDir::Files);
        EXPECT_EQ(files, QStringList{QString::fromStdString(c.key) + ".ini"}) << c.title;
    }
}

TEST_F(GlobalDataTest, FreshStoreShowsTheMessageOnceKeepsDefaultsAndWritesAllSevenValues) {
    {
        auto data = Make();
        ExpectOneLoadErrorBox();
        EXPECT_FALSE(data->LoadSucceeded());
        EXPECT_EQ(data->RegistryKey(), "Install");
        EXPECT_EQ(data->MainPath(), CurrentDir());
        EXPECT_EQ(data->CarsPath(), CurrentDir() + "/Vetture");
        EXPECT_EQ(data->CardsPath(), CurrentDir() + "/Schede");
        EXPECT_EQ(data->ComPort(), 1);
        EXPECT_EQ(data->GetSetting(GlobalData::kWindowSize), 0x017A0151);
        EXPECT_EQ(data->GetSetting(GlobalData::kWindowPos), 0);
        EXPECT_EQ(data->GetSetting(GlobalData::kLanguage), 0);
        EXPECT_EQ(data->InternetId(), "");
        EXPECT_EQ(data->InternetPw(), "");
    }
    const std::map<std::string, std::string> expected = {
        {"MainPath", CurrentDir()}, {"InternetID", ""},         {"InternetPW", ""}, {"ComPort", "1"},
        {"WindowPos", "0"},         {"WindowSize", "24772945"}, {"Language", "0"},
    };
    EXPECT_EQ(ReadBack(), expected);

    // The next start finds them and says nothing.
    prompter_.shown.clear();
    auto again = Make();
    EXPECT_TRUE(again->LoadSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(GlobalDataTest, FileMakerVariantNeitherNeedsNorWritesTheCredentials) {
    {
        auto data = Make(0, "ZOV FileMaker");
        ExpectOneLoadErrorBox("ZOV FileMaker");
        EXPECT_EQ(data->ProgramVariant(), 0);
    }
    const std::map<std::string, std::string> written = ReadBack("ZOVFileMaker");
    std::vector<std::string> keys;
    for (const auto& kv : written) keys.push_back(kv.first);
    EXPECT_EQ(keys, (std::vector<std::string>{"ComPort", "Language", "MainPath", "WindowPos", "WindowSize"}));

    prompter_.shown.clear();
    auto again = Make(0, "ZOV FileMaker");
    EXPECT_TRUE(again->LoadSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(GlobalDataTest, CompleteStoreLoadsEveryValueWithoutMessage) {
    WriteValues(kFullStore);
    auto data = Make();
    EXPECT_TRUE(data->LoadSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(data->MainPath(), "/srv/zov");
    EXPECT_EQ(data->InternetId(), "mario");
    EXPECT_EQ(data->InternetPw(), "segreto");
    EXPECT_EQ(data->ComPort(), 2);
    EXPECT_EQ(data->WindowPos(), 0x00100020);
    EXPECT_EQ(data->WindowSize(), 31457920);
    EXPECT_EQ(data->Language(), 3);
}

TEST_F(GlobalDataTest, OneTrailingSeparatorIsRemovedAndPathsDeriveFromTheRest) {
    struct Case {
        std::string stored;
        std::string mainPath;
    };
    const Case cases[] = {
        {"/opt/zov/", "/opt/zov"},
        {"C:\\ZOV\\", "C:\\ZOV"},
        {"/opt/zov//", "/opt/zov/"},
        {"/opt/zov", "/opt/zov"},
        {"/", ""},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/Ovalix srl"));
        {
            QSettings s(dir.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat);
            s.setValue("MainPath", QString::fromStdString(c.stored));
        }
        ScriptedPrompter prompter;
        GlobalData data(1, 0, kTitle, prompter, dir.path());
        EXPECT_EQ(data.MainPath(), c.mainPath) << c.stored;
        EXPECT_EQ(data.CarsPath(), c.mainPath + "/Vetture") << c.stored;
        EXPECT_EQ(data.CardsPath(), c.mainPath + "/Schede") << c.stored;
    }
}

TEST_F(GlobalDataTest, GetPathComposesEveryDirectory) {
    WriteValues(kFullStore);
    auto data = Make();
    const std::map<int, std::string> expected = {
        {1, "/srv/zov"},      {2, "/srv/zov/Obj/"},  {3, "/srv/zov/Config/"}, {4, "/srv/zov/Param/"},
        {5, "/srv/zov/Map/"}, {6, "/srv/zov/Cx32/"}, {7, "/srv/zov/Vetture"}, {12, "/srv/zov/Schede"},
        {13, "mario"},        {14, "segreto"},       {15, "/srv/zov/Drt/"},
    };
    for (const auto& [code, path] : expected) {
        std::string out;
        EXPECT_TRUE(data->GetPath(code, out)) << code;
        EXPECT_EQ(out, path) << code;
    }

    // Setting the main path moves every derived one.
    ASSERT_TRUE(data->SetPath(GlobalData::kMainPath, "/home/andr\xC3\xA9/zov"));
    std::string out;
    ASSERT_TRUE(data->GetPath(GlobalData::kCarsPath, out));
    EXPECT_EQ(out, "/home/andr\xC3\xA9/zov/Vetture");
    ASSERT_TRUE(data->GetPath(GlobalData::kCardsPath, out));
    EXPECT_EQ(out, "/home/andr\xC3\xA9/zov/Schede");
    ASSERT_TRUE(data->GetPath(GlobalData::kMapPath, out));
    EXPECT_EQ(out, "/home/andr\xC3\xA9/zov/Map/");
}

// Loading stops at the first bad value: everything before it is loaded, everything after it
// keeps its default, and the message is shown once.
TEST_F(GlobalDataTest, BadValueStopsLoadingThere) {
    struct Case {
        const char* name;
        std::string key;
        std::optional<std::string> value;  // nothing: the value is missing
        int loaded;                        // values read before the bad one, in loading order
    };
    const Case cases[] = {
        {"MainPath missing", "MainPath", std::nullopt, 0},
        {"MainPath empty", "MainPath", "", 0},
        {"MainPath a list", "MainPath", "/a,/b", 0},
        {"InternetID missing", "InternetID", std::nullopt, 1},
        {"InternetPW missing", "InternetPW", std::nullopt, 2},
        {"ComPort not a number", "ComPort", "abc", 3},
        {"WindowPos a fraction", "WindowPos", "1.5", 4},
        {"WindowSize with letters", "WindowSize", "12x", 5},
        {"WindowSize beyond 32 bits", "WindowSize", "4294967296", 5},
        {"Language missing", "Language", std::nullopt, 6},
        {"Language empty", "Language", "", 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        std::map<std::string, std::string> values = kFullStore;
        if (c.value) {
            values[c.key] = *c.value;
        } else {
            values.erase(c.key);
        }
        WriteIniAt(dir.path(), IniText(values));
        ScriptedPrompter prompter;
        GlobalData data(1, 0, kTitle, prompter, dir.path());
        EXPECT_FALSE(data.LoadSucceeded());
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kLoadError);

        EXPECT_EQ(data.MainPath(), c.loaded > 0 ? "/srv/zov" : CurrentDir());
        EXPECT_EQ(data.CarsPath(), (c.loaded > 0 ? "/srv/zov" : CurrentDir()) + "/Vetture");
        EXPECT_EQ(data.InternetId(), c.loaded > 1 ? "mario" : "");
        EXPECT_EQ(data.InternetPw(), c.loaded > 2 ? "segreto" : "");
        EXPECT_EQ(data.ComPort(), c.loaded > 3 ? 2 : 1);
        EXPECT_EQ(data.WindowPos(), c.loaded > 4 ? 1048608 : 0);
        EXPECT_EQ(data.WindowSize(), c.loaded > 5 ? 31457920 : 0x017A0151);
        EXPECT_EQ(data.Language(), 0);  // last in order: never reached
    }
}

TEST_F(GlobalDataTest, IntegersReadAsTheRegistryKeepsThem) {
    struct Case {
        std::string stored;
        int32_t value;
    };
    // A DWORD holds 32 bits: the unsigned range reads back as the same bits.
    const Case cases[] = {{"-5", -5}, {"4294967295", -1}, {"2147483648", INT32_MIN}, {"  7  ", 7}};
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        std::map<std::string, std::string> values = kFullStore;
        values["WindowPos"] = c.stored;
        WriteIniAt(dir.path(), IniText(values));
        ScriptedPrompter prompter;
        GlobalData data(1, 0, kTitle, prompter, dir.path());
        EXPECT_TRUE(data.LoadSucceeded()) << c.stored;
        EXPECT_EQ(data.WindowPos(), c.value) << c.stored;
    }
}

TEST_F(GlobalDataTest, EverySavedValueComesBackOnTheNextStart) {
    {
        auto data = Make();
        ASSERT_TRUE(data->SetPath(GlobalData::kMainPath, "/home/andr\xC3\xA9/zov"));
        // Credentials are Windows-1252: é and €.
        ASSERT_TRUE(data->SetPath(GlobalData::kInternetId, "Jos\xE9"));
        ASSERT_TRUE(data->SetPath(GlobalData::kInternetPw, "p\x80ss=;, #x"));
        ASSERT_TRUE(data->SetSetting(GlobalData::kComPort, 100));
        ASSERT_TRUE(data->SetSetting(GlobalData::kWindowPos, (20 << 16) + 40));
        ASSERT_TRUE(data->SetSetting(GlobalData::kWindowSize, (600 << 16) + 800));
        ASSERT_TRUE(data->SetSetting(GlobalData::kLanguage, 2));
        ASSERT_TRUE(data->SetSetting(GlobalData::kExtraSetting, 42));
        EXPECT_EQ(data->GetSetting(GlobalData::kExtraSetting), 42);
    }
    // The store holds readable UTF-8 text and no trace of the extra setting.
    const std::map<std::string, std::string> stored = ReadBack();
    EXPECT_EQ(stored.size(), 7u);
    EXPECT_EQ(stored.at("InternetID"), "Jos\xC3\xA9");
    EXPECT_EQ(stored.at("MainPath"), "/home/andr\xC3\xA9/zov");

    prompter_.shown.clear();
    auto data = Make();
    EXPECT_TRUE(data->LoadSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(data->MainPath(), "/home/andr\xC3\xA9/zov");
    EXPECT_EQ(data->InternetId(), "Jos\xE9");
    EXPECT_EQ(data->InternetPw(), "p\x80ss=;, #x");
    EXPECT_EQ(data->GetSetting(GlobalData::kComPort), 100);
    EXPECT_EQ(data->GetSetting(GlobalData::kWindowPos), (20 << 16) + 40);
    EXPECT_EQ(data->GetSetting(GlobalData::kWindowSize), (600 << 16) + 800);
    EXPECT_EQ(data->GetSetting(GlobalData::kLanguage), 2);
    EXPECT_EQ(data->GetSetting(GlobalData::kExtraSetting), 0);
}

TEST_F(GlobalDataTest, ExtraSettingStartsFromTheConstructor) {
    GlobalData data(1, 5, kTitle, prompter_, Store());
    EXPECT_EQ(data.GetSetting(16), 5);
    EXPECT_TRUE(data.SetSetting(16, -3));
    EXPECT_EQ(data.GetSetting(16), -3);
    EXPECT_EQ(data.ExtraSetting(), -3);
}

TEST_F(GlobalDataTest, UnknownCodesReturnNothingAndChangeNothing) {
    WriteValues(kFullStore);
    auto data = Make();
    auto snapshot = [&] {
        std::vector<std::string> s = {data->MainPath(), data->CarsPath(), data->CardsPath(),
                                      data->InternetId(), data->InternetPw()};
        for (int code : {8, 9, 10, 11, 16}) s.push_back(std::to_string(data->GetSetting(code)));
        return s;
    };
    const std::vector<std::string> before = snapshot();

    for (int code : {0, -1, 8, 9, 10, 11, 16, 17, 100}) {
        std::string out = "untouched";
        EXPECT_FALSE(data->GetPath(code, out)) << code;
        EXPECT_EQ(out, "untouched") << code;
    }
    for (int code : {0, -1, 1, 2, 7, 12, 13, 15, 17, 100}) EXPECT_EQ(data->GetSetting(code), 0) << code;
    // Derived paths and fixed directories cannot be set on their own.
    for (int code : {0, -1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 15, 16, 17}) {
        EXPECT_FALSE(data->SetPath(code, "/elsewhere")) << code;
    }
    for (int code : {0, -1, 1, 7, 12, 13, 14, 15, 17, 100}) EXPECT_FALSE(data->SetSetting(code, 99)) << code;

    EXPECT_EQ(snapshot(), before);
}

TEST_F(GlobalDataTest, LongValuesAreCutToTheFieldCapacity) {
    // A two-byte character straddling byte 259 is dropped whole, so the path stays valid UTF-8.
    const std::string longPath = "/" + std::string(257, 'p') + "\xC3\xA9" + "tail";
    WriteValues({{"MainPath", longPath},
                 {"InternetID", std::string(100, 'i')},
                 {"InternetPW", std::string(60, 'w')},
                 {"ComPort", "1"},
                 {"WindowPos", "0"},
                 {"WindowSize", "0"},
                 {"Language", "0"}});
    auto data = Make();
    EXPECT_TRUE(data->LoadSucceeded());
    EXPECT_EQ(data->MainPath(), "/" + std::string(257, 'p'));
    EXPECT_EQ(data->CarsPath(), "/" + std::string(257, 'p') + "/");
    EXPECT_EQ(data->InternetId(), std::string(59, 'i'));
    EXPECT_EQ(data->InternetPw(), std::string(59, 'w'));

    ASSERT_TRUE(data->SetPath(GlobalData::kInternetId, std::string(80, 'x')));
    EXPECT_EQ(data->InternetId(), std::string(59, 'x'));
    ASSERT_TRUE(data->SetPath(GlobalData::kMainPath, std::string(300, 'm')));
    EXPECT_EQ(data->MainPath(), std::string(259, 'm'));
    EXPECT_EQ(data->CarsPath(), std::string(259, 'm'));
    // A text ends at its first NUL, as in the original buffers.
    ASSERT_TRUE(data->SetPath(GlobalData::kInternetPw, std::string("ab\0cd", 5)));
    EXPECT_EQ(data->InternetPw(), "ab");
}

TEST_F(GlobalDataTest, PortsDefaultToTheUsualDevices) {
    WriteValues(kFullStore);
    auto data = Make();
    EXPECT_TRUE(data->LoadSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(data->PortPath(0), "/dev/ttyS0");
    EXPECT_EQ(data->PortPath(1), "/dev/ttyS1");
    EXPECT_EQ(data->PortPath(2), "/dev/ttyUSB0");
    EXPECT_EQ(data->PortPath(3), "/dev/ttyUSB1");
    EXPECT_EQ(data->PortPath(-1), "");
    EXPECT_EQ(data->PortPath(4), "");
}

TEST_F(GlobalDataTest, PortOverridesAreReadButNeverWrittenBack) {
    WriteValues(kFullStore, "[Ports]\nCOM1=/dev/pts/7\nCOM2=\nCOM4=/tmp/usb line\n");
    {
        auto data = Make();
        EXPECT_EQ(data->PortPath(0), "/dev/pts/7");
        EXPECT_EQ(data->PortPath(1), "/dev/ttyS1");  // empty: the default stays
        EXPECT_EQ(data->PortPath(2), "/dev/ttyUSB0");
        EXPECT_EQ(data->PortPath(3), "/tmp/usb line");
    }
    const std::map<std::string, std::string> stored = ReadBack();
    EXPECT_EQ(stored.at("Ports/COM1"), "/dev/pts/7");
    EXPECT_EQ(stored.at("Ports/COM2"), "");
    EXPECT_EQ(stored.count("Ports/COM3"), 0u);
    EXPECT_EQ(stored.at("Ports/COM4"), "/tmp/usb line");
}

TEST_F(GlobalDataTest, PortOverridesApplyEvenWhenLoadingFails) {
    WriteIni("[Ports]\nCOM1=/dev/pts/3\n");
    auto data = Make();
    ExpectOneLoadErrorBox();
    EXPECT_EQ(data->PortPath(0), "/dev/pts/3");
}

TEST_F(GlobalDataTest, SavingKeepsWhateverElseTheStoreHolds) {
    WriteValues(kFullStore, "[Other]\nNote=keep me\n");
    {
        auto data = Make();
        // A store is saved when a value changes.
        ASSERT_TRUE(data->SetSetting(GlobalData::kComPort, 100));
    }
    const std::map<std::string, std::string> stored = ReadBack();
    EXPECT_EQ(stored.at("Other/Note"), "keep me");
    EXPECT_EQ(stored.at("MainPath"), "/srv/zov");  // saved without the separator loading removed
}

TEST_F(GlobalDataTest, UnreadableStoreKeepsDefaultsSilentlyAndIsNotWritten) {
    // A directory where the file should be: the store cannot be opened.
    ASSERT_TRUE(QDir().mkpath(IniPath()));
    {
        auto data = Make();
        EXPECT_FALSE(data->LoadSucceeded());
        EXPECT_TRUE(prompter_.shown.empty());
        EXPECT_EQ(data->MainPath(), CurrentDir());
        EXPECT_EQ(data->ComPort(), 1);
        EXPECT_EQ(data->PortPath(0), "/dev/ttyS0");
        data->SetSetting(GlobalData::kComPort, 2);
    }
    EXPECT_TRUE(QFileInfo(IniPath()).isDir());
    EXPECT_TRUE(QDir(IniPath()).isEmpty());
}

TEST_F(GlobalDataTest, WithoutALocationTheUsersNativeStoreIsUsed) {
    // Point the user's configuration home at the temporary directory; if Qt fixed its paths
    // before this test ran, skip rather than touch the real settings.
    qputenv("XDG_CONFIG_HOME", Store().toUtf8());
    const QString native = QSettings("Ovalix srl", "Install").fileName();
    if (!native.startsWith(Store())) GTEST_SKIP() << "settings paths already fixed: " << native.toStdString();

    { GlobalData data(1, 0, kTitle, prompter_); }
    QSettings written(native, QSettings::NativeFormat);
    EXPECT_EQ(native, Store() + "/Ovalix srl/Install.conf");
    EXPECT_EQ(written.value("ComPort").toInt(), 1);
    EXPECT_EQ(written.value("WindowSize").toInt(), 0x017A0151);
}

}  // namespace
}  // namespace zov
