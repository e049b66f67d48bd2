#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include "ArchiveSupport.h"
#include "CrashChild.h"
#include "CustomerArchive.h"

namespace zov::test {
namespace {

class CrashSafetyTest : public testing::TestWithParam<Backend> {
  protected:
    void SetUp() override { ASSERT_TRUE(space.Ready()) << space.Error().toStdString(); }
    ArchiveSpace space{GetParam()};
};

// A program killed while it edits and applies (SIGKILL: no clean-up runs) loses nothing it had
// applied, leaves no half-applied change, and the archive opens again at once.
TEST_P(CrashSafetyTest, AKilledProgramLosesNothingAppliedAndLeavesAReadableArchive) {
    const ArchiveLocation location = space.Bench();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), CrashChildArguments(location));
    ASSERT_TRUE(child.waitForStarted(10000)) << child.errorString().toStdString();

    int applied = 0;
    QByteArray pending;
    while (applied < 8) {
        ASSERT_TRUE(child.waitForReadyRead(30000)) << "the child stopped after " << applied << " applies";
        pending += child.readAllStandardOutput();
        while (pending.contains('\n')) {
            const qsizetype end = pending.indexOf('\n');
            applied = pending.left(end).toInt();
            pending.remove(0, end + 1);
        }
    }
    child.kill();
    ASSERT_TRUE(child.waitForFinished(10000));
    pending += child.readAllStandardOutput();
    for (const QByteArray& line : pending.split('\n'))
        if (!line.isEmpty()) applied = line.toInt();

    CustomerArchive archive(location);
    const auto opened = archive.Open(false);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
    // Each apply adds two records and changes one: whole applies only.
    EXPECT_GE(archive.Count(), 2 * applied);
    EXPECT_LE(archive.Count(), 2 * applied + 2);
    EXPECT_EQ(archive.Count() % 2, 0);
    if (GetParam() == Backend::Sqlite) {
        QStringList check;
        ASSERT_TRUE(RunSql(location, "PRAGMA integrity_check", &check));
        EXPECT_EQ(check, QStringList{"ok"});
    }
    // It goes on working.
    ASSERT_TRUE(archive.Post(Customer("Dopo"), true).posted);
    EXPECT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
}

INSTANTIATE_TEST_SUITE_P(Backends, CrashSafetyTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

}  // namespace
}  // namespace zov::test
