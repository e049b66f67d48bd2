#include <gtest/gtest.h>
#include <shapefil.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSettings>

#include "ArchiveSupport.h"
#include "CliSupport.h"

namespace zov::test {
namespace {

using clitest::Result;
using clitest::RunProgram;

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        out.push_back(text.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return out;
}

// zovctl on a settings store whose MainPath is the test's runtime directory.
class CustomersCliTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(space.Ready());
        QSettings store(settings.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat);
        store.setValue("MainPath", space.RuntimeDirectory());
        store.sync();
    }

    Result Zovctl(std::vector<std::string> args, rlim_t fileSizeLimit = RLIM_INFINITY) {
        args.insert(args.begin(), {ZOVCTL_PATH, "--settings", settings.path().toStdString(), "customers"});
        return RunProgram(args, fileSizeLimit);
    }

    void Store(const std::vector<CustomerRecord>& records) {
        CustomerArchive archive(space.Bench());
        ASSERT_EQ(archive.Open(true).status, CustomerArchive::OpenStatus::Opened);
        for (const CustomerRecord& r : records) ASSERT_TRUE(archive.Post(r, true).posted);
        ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }

    QTemporaryDir settings;
    ArchiveSpace space{Backend::Sqlite};
};

TEST_F(CustomersCliTest, ListPrintsOneRecordPerLineInSurnameOrderFilteredAsTheWindowFilters) {
    CustomerRecord rossi = Customer("Rossi", "Milano", "R-1", QDate(2003, 5, 6));
    rossi.values[kCilindrata] = 1598;
    rossi.values[kTarga] = "ab123cd";
    Store({rossi, Customer("Verdi", "Mirandola"), Customer("Bianchi", "Roma")});

    const Result all = Zovctl({"list"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(Lines(all.out), (std::vector<std::string>{
                                  "Bianchi\t\t\tRoma\t\t\t\t\t\t\t\t\t2002-03-01\tRS-1\t",
                                  "Rossi\t\t\tMilano\t\t\t\t1598\t\t\t\t\t2003-05-06\tR-1\tAB123CD",
                                  "Verdi\t\t\tMirandola\t\t\t\t\t\t\t\t\t2002-03-01\tRS-1\t",
                              }));

    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> surnames;
    };
    for (const Case& c : {Case{{"--field", "citta", "--prefix", "mi"}, {"Rossi", "Verdi"}},
                          Case{{"--field", "CILINDRATA", "--prefix", "15"}, {"Rossi"}},
                          Case{{"--date", ">2002-03-01"}, {"Rossi"}},
                          Case{{"--date", "DATA_INST = 1/3/2002"}, {"Bianchi", "Verdi"}},
                          Case{{"--date", "DATA_PROG<2030-01-01"}, {}}}) {
        std::vector<std::string> args{"list"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Result r = Zovctl(args);
        ASSERT_EQ(r.status, 0) << c.args.back() << ": " << r.err;
        std::vector<std::string> surnames;
        for (const std::string& line : Lines(r.out)) surnames.push_back(line.substr(0, line.find('\t')));
        EXPECT_EQ(surnames, c.surnames) << c.args.back();
    }
}

TEST_F(CustomersCliTest, ARefusedConditionExitsTwoAndChangesNothing) {
    Store({Customer("Rossi", "Milano")});
    const QString file = space.Bench().SqlitePath();
    const QByteArray before = Digest(file);
    const std::vector<std::vector<std::string>> refused = {
        {"--date", "DATA_INST > '1/3/2002'"},
        {"--date", ">1/3/2002' OR '1'='1"},
        {"--date", ">1/3/2002; DROP TABLE dbcli"},
        {"--date", std::string(10240, '9')},
        {"--date", "NOME>2002-03-01"},
        {"--date", ">31/2/2002"},
        {"--field", "CILINDRATA", "--prefix", "16a"},
        {"--field", "NOPE", "--prefix", "x"},
        {"--field", "COGNOME"},
        {"--field", "COGNOME", "--prefix", std::string(10240, 'a')},
    };
    for (const std::vector<std::string>& args : refused) {
        std::vector<std::string> all{"list"};
        all.insert(all.end(), args.begin(), args.end());
        const Result r = Zovctl(all);
        EXPECT_EQ(r.status, 2) << args.back().substr(0, 40);
        EXPECT_EQ(r.out, "") << args.back().substr(0, 40);
        EXPECT_EQ(r.err.rfind("zovctl: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(Digest(file), before);
    EXPECT_EQ(Lines(Zovctl({"list"}).out).size(), 1u);
}

TEST_F(CustomersCliTest, AnArchiveInUseExitsFourWithItsMessage) {
    Store({Customer("Rossi")});
    CustomerArchive holder(space.Bench());
    ASSERT_EQ(holder.Open(false).status, CustomerArchive::OpenStatus::Opened);
    const std::vector<std::vector<std::string>> commands = {
        {"list"}, {"export", space.RuntimeDirectory().toStdString() + "/out.csv"}};
    for (const std::vector<std::string>& args : commands) {
        const Result r = Zovctl(args);
        EXPECT_EQ(r.status, 4);
        EXPECT_NE(r.err.find("archive in use"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(QFile::exists(space.RuntimeDirectory() + "/out.csv"));
    holder.Close();
    EXPECT_EQ(Zovctl({"list"}).status, 0);
}

TEST_F(CustomersCliTest, ExportWritesACsvOfEveryRecordAndNoArchiveIsAFailure) {
    const Result none = Zovctl({"list"});
    EXPECT_EQ(none.status, 4);
    EXPECT_NE(none.err.find("no customer archive"), std::string::npos) << none.err;

    Store({Customer("Rossi, Mario", "Milano"), Customer("D\"Angelo")});
    const QString out = space.RuntimeDirectory() + "/clienti.csv";
    const Result r = Zovctl({"export", out.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    QFile csv(out);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().toStdString(),
              "COGNOME,NOME,INDIRIZZO,CITTA,PROVINCIA,TELEFONO,AUTO,CILINDRATA,ANNO_AUTO,PROGRAMMA,VERSIONE,"
              "DATA_PROG,DATA_INST,N_SERIE,TARGA\r\n"
              "\"D\"\"Angelo\",,,,,,,,,,,,2002-03-01,RS-1,\r\n"
              "\"Rossi, Mario\",,,Milano,,,,,,,,,2002-03-01,RS-1,\r\n");

    const Result unwritable =
        Zovctl({"export", space.RuntimeDirectory().toStdString() + "/no/such/folder.csv"});
    EXPECT_EQ(unwritable.status, 4);
}

// An export that does not fit (a full disk, here a file-size limit) says why, exits 4 and leaves
// the previous export as it was, with nothing beside it.
TEST_F(CustomersCliTest, AnExportThatDoesNotFitKeepsThePreviousOne) {
    std::vector<CustomerRecord> many;
    for (int i = 0; i < 60; ++i) many.push_back(Customer(QStringLiteral("Cliente %1").arg(i), "Milano"));
    Store(many);
    const QString folder = space.RuntimeDirectory() + "/exports";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = folder + "/clienti.csv";
    QFile previous(out);
    ASSERT_TRUE(previous.open(QIODevice::WriteOnly));
    previous.write("the export of last week\r\n");
    previous.close();
    const Result r = Zovctl({"export", out.toStdString()}, 2000);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, "zovctl: cannot write " + out.toStdString() + ": File too large\n");
    ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
    EXPECT_EQ(previous.readAll().toStdString(), "the export of last week\r\n");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("clienti.csv")});
}

TEST_F(CustomersCliTest, ImportAddsTheRecordsOfADbaseTableAndRefusesADamagedOne) {
    const QString table = space.RuntimeDirectory() + "/vecchio.dbf";
    {
        DBFHandle dbf = DBFCreate(table.toLocal8Bit().constData());
        ASSERT_NE(dbf, nullptr);
        DBFAddField(dbf, "COGNOME", FTString, 30, 0);
        DBFAddField(dbf, "N_SERIE", FTString, 15, 0);
        DBFAddNativeFieldType(dbf, "DATA_INST", 'D', 8, 0);
        DBFWriteStringAttribute(dbf, 0, 0, "Citt\xE0");
        DBFWriteStringAttribute(dbf, 0, 1, "S-1");
        DBFWriteIntegerAttribute(dbf, 0, 2, 20020301);
        // Without the installation date the window requires: reported and left out.
        DBFWriteStringAttribute(dbf, 1, 0, "Senzadata");
        DBFWriteStringAttribute(dbf, 1, 1, "S-2");
        DBFWriteNULLAttribute(dbf, 1, 2);
        DBFClose(dbf);
    }
    const Result r = Zovctl({"import", table.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("1 customers imported"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("record 2, DATA_INST '': the field is required; the record was not imported"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Lines(Zovctl({"list"}).out),
              std::vector<std::string>{"Città\t\t\t\t\t\t\t\t\t\t\t\t2002-03-01\tS-1\t"});

    QFile bad(space.RuntimeDirectory() + "/bad.dbf");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a table at all, just some text that is long enough to have a header");
    bad.close();
    const Result refused = Zovctl({"import", bad.fileName().toStdString()});
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.err.find("bad.dbf"), std::string::npos) << refused.err;
    EXPECT_EQ(Lines(Zovctl({"list"}).out).size(), 1u);
}

// The settings choose the shared archive: zovctl reads the PostgreSQL one and never a password.
TEST(CustomersCliPostgres, ListReadsTheArchiveTheSettingsName) {
    ArchiveSpace space(Backend::Postgres);
    ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
    {
        CustomerArchive archive(space.Bench(1));
        ASSERT_EQ(archive.Open(true).status, CustomerArchive::OpenStatus::Opened);
        ASSERT_TRUE(archive.Post(Customer("Rossi", "Milano"), true).posted);
        ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }
    QTemporaryDir settings;
    {
        QSettings store(settings.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat);
        store.setValue("MainPath", space.RuntimeDirectory(0));
    }
    ASSERT_TRUE(ArchiveLocation::ToSettings(settings.path(), space.Bench(0)));
    const ArchiveLocation read = ArchiveLocation::FromSettings(settings.path(), space.RuntimeDirectory(0));
    EXPECT_EQ(read.kind, ArchiveLocation::Kind::Postgres);
    EXPECT_EQ(read.database, space.Bench(0).database);
    QFile ini(settings.path() + "/Ovalix srl/Install.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().toLower().contains("password"));

    const Result r =
        RunProgram({ZOVCTL_PATH, "--settings", settings.path().toStdString(), "customers", "list"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 1u);
    EXPECT_EQ(r.out.rfind("Rossi\t\t\tMilano\t", 0), 0u) << r.out;
    // Nothing was made in the runtime directory's own Clienti/ but the lock.
    EXPECT_FALSE(QFile::exists(space.Bench(0).SqlitePath()));
}

TEST(CustomersSettings, AStoreWithoutTheGroupMeansSqlite) {
    QTemporaryDir settings;
    const ArchiveLocation location = ArchiveLocation::FromSettings(settings.path(), "/srv/zov");
    EXPECT_EQ(location.kind, ArchiveLocation::Kind::Sqlite);
    EXPECT_EQ(location.SqlitePath(), "/srv/zov/Clienti/dbcli.sqlite");
    EXPECT_EQ(location.LockPath(), "/srv/zov/Clienti/.dbcli.lock");
}

// move: into an empty server database, which then is the archive in use; back into an SQLite
// file that holds customers is refused, and so are options that do not go together.
TEST_F(CustomersCliTest, MoveFillsAnEmptyServerArchiveSwitchesToItAndRefusesAFullOne) {
    ArchiveSpace server(Backend::Postgres);
    ASSERT_TRUE(server.Ready()) << server.Error().toStdString();
    Store({Customer("Rossi", "Milano"), Customer("Bianchi", "Roma")});
    const Result listed = Zovctl({"list"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const ArchiveLocation target = server.Bench();
    const std::vector<std::string> toServer = {"move",
                                               "--to",
                                               "postgres",
                                               "--host",
                                               target.host.toStdString(),
                                               "--database",
                                               target.database.toStdString(),
                                               "--user",
                                               "zov"};

    const Result moved = Zovctl(toServer);
    ASSERT_EQ(moved.status, 0) << moved.err;
    EXPECT_NE(moved.err.find("2 customers and 0 history entries moved"), std::string::npos) << moved.err;
    EXPECT_EQ(ArchiveLocation::FromSettings(settings.path(), {}).kind, ArchiveLocation::Kind::Postgres);
    const Result fromServer = Zovctl({"list"});
    ASSERT_EQ(fromServer.status, 0) << fromServer.err;
    EXPECT_EQ(fromServer.out, listed.out);

    const Result again = Zovctl(toServer);
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("the archive is already at"), std::string::npos) << again.err;
    const Result back = Zovctl({"move", "--to", "sqlite"});
    EXPECT_EQ(back.status, 4);
    EXPECT_NE(back.err.find("nothing was changed"), std::string::npos) << back.err;
    EXPECT_EQ(ArchiveLocation::FromSettings(settings.path(), {}).kind, ArchiveLocation::Kind::Postgres);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"move"},
          {"move", "--to", "mysql"},
          {"move", "--to", "postgres"},
          {"move", "--to", "sqlite", "--host", "db"},
          {"move", "--to", "postgres", "--database", "d", "--port", "x"},
          {"move", "--to", "postgres", "--database", "d", "--ssl-mode", "always"}}) {
        const Result refused = Zovctl(args);
        EXPECT_EQ(refused.status, 2) << args.back() << ": " << refused.err;
    }
    const Result list = Zovctl({"list"});
    EXPECT_EQ(list.out, listed.out);
}

}  // namespace
}  // namespace zov::test
