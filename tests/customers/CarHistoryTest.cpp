#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QSysInfo>

#include "ArchiveSupport.h"
#include "CarHistory.h"
#include "CliSupport.h"

namespace zov::test {
namespace {

using clitest::Result;
using clitest::RunProgram;

// Bench n's settings: its own runtime directory, the shared PostgreSQL archive.
class Bench {
  public:
    Bench(const ArchiveSpace& space, int n) {
        QSettings store(settings_.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat);
        store.setValue("MainPath", space.RuntimeDirectory(n));
        store.sync();
        EXPECT_TRUE(ArchiveLocation::ToSettings(settings_.path(), space.Bench(n)));
    }
    Result Zovctl(std::vector<std::string> args) const {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", settings_.path().toStdString(), "history"});
        return RunProgram(args);
    }

  private:
    QTemporaryDir settings_;
};

// A backup stored on one bench is found by the car's plate or serial number on another bench of
// the same shared archive and written back out byte for byte.
TEST(CarHistoryTest, ABackupStoredOnOneBenchIsFoundAndWrittenOutOnAnother) {
    ArchiveSpace space(Backend::Postgres);
    ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
    {
        CustomerArchive maker(space.Bench(0));
        ASSERT_EQ(maker.Open(true).status, CustomerArchive::OpenStatus::Opened);
    }
    const Bench first(space, 0), second(space, 1);
    QByteArray content("ZOV configuration\0\x01\x02\xFF binary", 28);
    const QString file = space.RuntimeDirectory(0) + "/Backup_2026.zvf";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const Result added = first.Zovctl(
        {"add", file.toStdString(), "--plate", "ab123cd", "--serial", "rs-77", "--customer", "Rossi Mario"});
    ASSERT_EQ(added.status, 0) << added.err;
    const std::string id = added.out.substr(0, added.out.find('\n'));
    // An older backup of another car is not shown for this one.
    ASSERT_EQ(first.Zovctl({"add", file.toStdString(), "--plate", "ZZ999ZZ"}).status, 0);

    for (const std::vector<std::string>& query :
         {std::vector<std::string>{"--plate", "AB123CD"}, std::vector<std::string>{"--serial", "RS-77"}}) {
        const Result listed = second.Zovctl(query);
        ASSERT_EQ(listed.status, 0) << listed.err;
        EXPECT_EQ(listed.out.rfind(id + "\tbackup\t", 0), 0u) << listed.out;
        EXPECT_NE(listed.out.find("\t" + QSysInfo::machineHostName().toStdString() +
                                  "\tAB123CD\tRS-77\tRossi Mario\t"),
                  std::string::npos)
            << listed.out;
        EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 1) << listed.out;
    }
    const QString restored = space.RuntimeDirectory(1) + "/restored.zvf";
    const Result got = second.Zovctl({"get", id, restored.toStdString()});
    ASSERT_EQ(got.status, 0) << got.err;
    QFile back(restored);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), content);

    EXPECT_EQ(second.Zovctl({"get", "999999", restored.toStdString()}).status, 4);
    EXPECT_EQ(second.Zovctl({"get", "x", restored.toStdString()}).status, 2);
}

}  // namespace
}  // namespace zov::test
