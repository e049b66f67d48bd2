#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QSysInfo>
#include <QTreeWidget>

#include "ArchiveSupport.h"
#include "CarHistory.h"
#include "CarHistoryRecorder.h"
#include "CliSupport.h"
#include "ConfigurationBackup.h"
#include "Packaging.h"
#include "ProgrammingBackup.h"
#include "TFormClientiStorico.h"
#include "WindowSupport.h"

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

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Where the history cannot go, the bench is told why and nothing is made in its place; where it
// can, the entry holds the file and names the configuration.
TEST(CarHistoryRecorderTest, AnEntryGoesOnlyIntoAnArchiveThatExistsAndAnswers) {
    CustomerBench bench;
    ASSERT_TRUE(bench.context->link.Connect());
    bench.context->model.ReadFromEcu();
    QTemporaryDir dir;
    const QString file = dir.filePath("2026-12-10_1432_PUNTO12.zvf");
    ASSERT_TRUE(SaveConfigurationFile(bench.context->model, QFile::encodeName(file).toStdString()));
    QString why;
    const std::optional<CarHistory::Entry> entry =
        CarHistoryRecorder::BackupEntry(file, bench.context->car, why);
    ASSERT_TRUE(entry) << why.toStdString();
    EXPECT_EQ(entry->content, FileBytes(file));
    EXPECT_EQ(entry->fileName, "2026-12-10_1432_PUNTO12.zvf");
    EXPECT_EQ(entry->vehicle, "FIAT PUNTO 1.2 8V / PUNTO12.ZOV");
    EXPECT_FALSE(CarHistoryRecorder::BackupEntry(dir.filePath("missing.zvf"), bench.context->car, why));

    // No archive on this bench: not stored, and none made for it.
    const CarHistoryRecorder::Outcome none = CarHistoryRecorder(bench.space.Bench()).Record(*entry);
    EXPECT_FALSE(none.stored);
    EXPECT_EQ(none.error, "there is no customer archive on this bench");
    EXPECT_FALSE(QFileInfo::exists(bench.space.Bench().Folder()));

    // A server database that is not there.
    ArchiveSpace shared(Backend::Postgres);
    ASSERT_TRUE(shared.Ready()) << shared.Error().toStdString();
    ArchiveLocation gone = shared.Bench();
    gone.database = "zov_no_such_database";
    const CarHistoryRecorder::Outcome unreachable = CarHistoryRecorder(gone).Record(*entry);
    EXPECT_FALSE(unreachable.stored);
    EXPECT_TRUE(unreachable.error.contains("zov_no_such_database")) << unreachable.error.toStdString();

    bench.Store({Customer("Rossi")});
    const CarHistoryRecorder::Outcome stored =
        CarHistoryRecorder(bench.space.Bench(), "banco-3").Record(*entry);
    ASSERT_TRUE(stored.stored) << stored.error.toStdString();
    CustomerArchive archive(bench.space.Bench());
    ASSERT_EQ(archive.Open(false).status, CustomerArchive::OpenStatus::Opened);
    const std::optional<CarHistory::Entry> back = CarHistory(archive.Database()).Get(stored.id, why);
    ASSERT_TRUE(back) << why.toStdString();
    EXPECT_EQ(back->host, "banco-3");
    EXPECT_EQ(back->content, entry->content);
    EXPECT_EQ(back->kind, CarHistory::Kind::Backup);
}

// The backup one bench makes before programming a car, and the installation record that follows
// it there, are found by the car's plate on another bench of the same server, compared, written
// out and loaded into that bench's program.
TEST(CarHistoryWindowTest, ABackupMadeOnOneBenchIsFoundComparedAndRestoredOnAnother) {
    ArchiveSpace shared(Backend::Postgres);
    ASSERT_TRUE(shared.Ready()) << shared.Error().toStdString();
    {
        CustomerArchive maker(shared.Bench(0));
        ASSERT_EQ(maker.Open(true).status, CustomerArchive::OpenStatus::Opened);
    }
    CustomerBench first;
    QTemporaryDir backups;
    const BackupOutcome backup =
        ProgrammingBackup(first.context->link, first.context->model)
            .Make(ConfigurationBackup(QFile::encodeName(backups.path()).toStdString()));
    ASSERT_TRUE(backup.made) << backup.error;
    const QString backupPath = QFile::decodeName(QByteArray::fromStdString(backup.path));
    QString why;
    const std::optional<CarHistory::Entry> entry =
        CarHistoryRecorder::BackupEntry(backupPath, first.context->car, why);
    ASSERT_TRUE(entry) << why.toStdString();
    const CarHistoryRecorder::Outcome stored = CarHistoryRecorder(shared.Bench(0), "banco-a").Record(*entry);
    ASSERT_TRUE(stored.stored) << stored.error.toStdString();

    // The installation's record names the car of the backup it made.
    {
        auto window = first.Window(true);
        window->SetLocation(shared.Bench(0));
        window->SetInstallationBackup(stored.id);
        window->show();
        Type(window->DBEditCognome, "Neri");
        Type(window->DBEditNome, "Anna");
        Type(window->DBEditNSerie, "R-9");
        Type(window->DBEditTarga, "ab123cd");
        first.prompter.answers = {PromptAnswer::Yes};
        QTest::keyClick(window.get(), Qt::Key_Escape);
        ASSERT_FALSE(window->isVisible()) << ::testing::PrintToString(first.Shown());
        EXPECT_EQ(first.Shown().size(), 1u)
            << "only the save question: " << ::testing::PrintToString(first.Shown());
    }

    CustomerBench second;
    ASSERT_TRUE(second.context->link.Connect());
    auto window = second.Window();
    window->SetLocation(shared.Bench(1));
    std::vector<std::pair<QByteArray, QByteArray>> compared;
    std::vector<QByteArray> loaded;
    const QString written = second.settings.filePath("chosen.zvf");
    TFormClienti::HistoryActions actions;
    actions.compare = [&](const QString& a, const QString&, const QString& b, const QString&) {
        compared.emplace_back(FileBytes(a), FileBytes(b));
    };
    actions.load = [&](const QString& path) {
        loaded.push_back(FileBytes(path));
        EXPECT_TRUE(
            LoadConfigurationFile(second.context->model, QFile::encodeName(path).toStdString()).Loaded());
    };
    actions.chooseTarget = [&](const QString&) { return written; };
    window->SetHistoryActions(actions);
    bool ran = false;
    window->SetHistoryRunner([&](TFormClientiStorico& history) {
        ran = true;
        EXPECT_EQ(history.EditTarga->text(), "AB123CD");
        ASSERT_EQ(history.Entries().size(), 2u);
        const CarHistory::Entry& installation = history.Entries()[0];
        const CarHistory::Entry& before = history.Entries()[1];
        EXPECT_EQ(installation.kind, CarHistory::Kind::Installation);
        EXPECT_EQ(installation.host, QSysInfo::machineHostName());
        EXPECT_EQ(installation.customer, "Neri Anna");
        EXPECT_EQ(before.kind, CarHistory::Kind::Backup);
        EXPECT_EQ(before.host, "banco-a");
        EXPECT_EQ(before.plate, "AB123CD");
        EXPECT_EQ(before.serial, "R-9");

        // By the serial number alone the same two are found.
        history.EditTarga->clear();
        history.EditCliente->clear();
        history.ButtonCercaClick();
        ASSERT_EQ(history.Entries().size(), 2u);
        EXPECT_FALSE(history.ButtonConfronta->isEnabled());
        history.ListaStorico->selectAll();
        ASSERT_TRUE(history.ButtonConfronta->isEnabled());
        history.ButtonConfronta->click();
        ASSERT_EQ(compared.size(), 1u);
        EXPECT_EQ(compared[0].first, FileBytes(backupPath)) << "the older one comes first";
        EXPECT_FALSE(compared[0].second.isEmpty());

        history.ListaStorico->clearSelection();
        history.ListaStorico->topLevelItem(1)->setSelected(true);
        history.ButtonSalva->click();
        EXPECT_EQ(FileBytes(written), FileBytes(backupPath));
        history.ButtonCarica->click();
        ASSERT_EQ(loaded.size(), 1u);
        EXPECT_EQ(loaded[0], FileBytes(backupPath));
    });
    window->show();
    ASSERT_EQ(window->DBEditCognome->text(), "Neri");
    window->ButtonStorico->click();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(second.Shown().empty()) << ::testing::PrintToString(second.Shown());
}

}  // namespace
}  // namespace zov::test
