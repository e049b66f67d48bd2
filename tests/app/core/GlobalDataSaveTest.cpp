// The settings reach the store when they change, and a store that cannot take them is said.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "GlobalData.h"
#include "Prompter.h"

namespace zov {
namespace {

const char kTitle[] = "ZOV Qbr";

// The superuser's way past file rights, taken from this thread for a scope: a read-only file or
// folder then stops the test's writes as it stops an installer's.
class WithoutFileRights {
  public:
    WithoutFileRights() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        dropped_ = syscall(SYS_capget, &header_, saved_) == 0;
        if (!dropped_) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (const unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[cap / 32].effective &= ~(1u << (cap % 32));
        dropped_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutFileRights() {
        if (dropped_) syscall(SYS_capset, &header_, saved_);
    }
    WithoutFileRights(const WithoutFileRights&) = delete;
    WithoutFileRights& operator=(const WithoutFileRights&) = delete;
    bool Dropped() const { return dropped_; }

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool dropped_ = false;
};

class GlobalDataSave : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings store(IniPath(), QSettings::IniFormat);
        for (const auto& [name, value] : std::map<const char*, QVariant>{{"MainPath", "/srv/zov"},
                                                                         {"InternetID", "mario"},
                                                                         {"InternetPW", "segreto"},
                                                                         {"ComPort", 1},
                                                                         {"WindowPos", 0},
                                                                         {"WindowSize", 0},
                                                                         {"Language", 0}})
            store.setValue(QString::fromLatin1(name), value);
    }

    QString Folder() const { return dir_.path() + "/Ovalix srl"; }
    QString IniPath() const { return Folder() + "/Install.ini"; }

    // A value as a second reader of the store finds it, and as the file holds it.
    QString Stored(const char* name) const {
        return QSettings(IniPath(), QSettings::IniFormat).value(name).toString();
    }
    QByteArray FileText() const {
        QFile f(IniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The value as the file holds it, read past QSettings, whose cache in this process still
    // holds the changes a refused save kept for its next attempt.
    QString OnDisk(const char* name) const {
        for (const QByteArray& line : FileText().split('\n'))
            if (line.startsWith(QByteArray(name) + "="))
                return QString::fromUtf8(line.mid(qsizetype(strlen(name)) + 1));
        return {};
    }

    QTemporaryDir dir_;
    ScriptedPrompter prompter_;
};

TEST_F(GlobalDataSave, EveryChangeIsInTheStoreAtOnce) {
    GlobalData data(1, 0, kTitle, prompter_, dir_.path());
    ASSERT_TRUE(data.LoadSucceeded());
    const struct {
        const char* name;
        std::function<bool(GlobalData&)> change;
        const char* stored;
    } cases[] = {
        {"ComPort", [](GlobalData& d) { return d.SetSetting(GlobalData::kComPort, 2); }, "2"},
        {"Language", [](GlobalData& d) { return d.SetSetting(GlobalData::kLanguage, 1); }, "1"},
        {"WindowSize", [](GlobalData& d) { return d.SetSetting(GlobalData::kWindowSize, 0x01000200); },
         "16777728"},
        {"WindowPos", [](GlobalData& d) { return d.SetSetting(GlobalData::kWindowPos, 0x00100020); },
         "1048608"},
        {"MainPath", [](GlobalData& d) { return d.SetPath(GlobalData::kMainPath, "/opt/zov"); }, "/opt/zov"},
        {"InternetID", [](GlobalData& d) { return d.SetPath(GlobalData::kInternetId, "luigi"); }, "luigi"},
        {"InternetPW", [](GlobalData& d) { return d.SetPath(GlobalData::kInternetPw, "nuova"); }, "nuova"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.change(data));
        EXPECT_EQ(Stored(c.name), QString::fromLatin1(c.stored));
        EXPECT_TRUE(FileText().contains(QByteArray(c.name) + "=" + c.stored)) << FileText().toStdString();
    }
    EXPECT_TRUE(data.LastSaveSucceeded());
    EXPECT_TRUE(prompter_.shown.empty());
}

// The store refuses the write: the installer is told once, with the store's name, and the next
// change after the store can be written again saves everything set meanwhile.
TEST_F(GlobalDataSave, AStoreThatCannotBeWrittenIsSaidOnceUntilItCanAgain) {
    const QString aside = dir_.path() + "/aside";
    const struct {
        const char* what;
        std::function<void()> block, unblock;
        std::string text;  // the localized text; empty: the built-in one
    } cases[] = {
        {"read-only file", [&] { QFile::setPermissions(IniPath(), QFile::ReadOwner); },
         [&] { QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner); }, ""},
        {"read-only folder", [&] { QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::ExeOwner); },
         [&] { QFile::setPermissions(Folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); },
         "The program's settings could not be saved:"},
        {"a file in the folder's place",
         [&] {
             QDir().rename(Folder(), aside);
             QFile in(Folder());
             in.open(QIODevice::WriteOnly);
         },
         [&] {
             QFile::remove(Folder());
             QDir().rename(aside, Folder());
         },
         "Die Einstellungen des Programms konnten nicht gespeichert werden:"},
    };
    int comPort = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompter prompter;
        GlobalData data(1, 0, kTitle, prompter, dir_.path());
        ASSERT_TRUE(data.LoadSucceeded());
        if (!c.text.empty()) data.SetSaveFailureText(c.text);
        {
            WithoutFileRights rights;
            ASSERT_TRUE(rights.Dropped()) << "this thread's file-rights capabilities cannot be dropped";
            c.block();
            ASSERT_TRUE(data.SetSetting(GlobalData::kComPort, comPort + 1));
            ASSERT_TRUE(data.SetSetting(GlobalData::kLanguage, comPort));
            c.unblock();
        }
        EXPECT_FALSE(data.LastSaveSucceeded());
        ASSERT_EQ(prompter.shown.size(), 1u) << "said once, not once per change";
        EXPECT_EQ(prompter.shown[0].text,
                  (c.text.empty() ? GlobalData::kSaveFailureText : c.text) + "\n" + IniPath().toStdString());
        EXPECT_EQ(prompter.shown[0].caption, kTitle);
        EXPECT_EQ(prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(prompter.shown[0].buttons, PromptButtons::Ok);
        EXPECT_EQ(OnDisk("ComPort"), QString::number(comPort)) << "the store keeps what it had";

        ASSERT_TRUE(data.SetSetting(GlobalData::kWindowPos, comPort));
        EXPECT_TRUE(data.LastSaveSucceeded());
        EXPECT_EQ(prompter.shown.size(), 1u);
        ++comPort;
        EXPECT_EQ(OnDisk("ComPort"), QString::number(comPort));
        EXPECT_EQ(OnDisk("Language"), QString::number(comPort - 1));
    }
}

}  // namespace
}  // namespace zov
