#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSqlRecord>

#include "ArchiveMove.h"
#include "ArchiveSupport.h"
#include "CarHistory.h"
#include "ConnectionCheck.h"

namespace zov::test {
namespace {

// Every row of `table` in ID order, each column as text (binary values in hex), read past the
// archive's own code.
QStringList TableRows(const ArchiveLocation& location, const QString& table) {
    const QString name = "rows-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QStringList rows;
    {
        const bool pg = location.kind == ArchiveLocation::Kind::Postgres;
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", name);
        location.Configure(db);
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec("SELECT * FROM " + table + " ORDER BY " + (table == "dbcli_info" ? "NAME" : "ID")))
            << q.lastError().text().toStdString();
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                if (v.isNull())
                    columns << "NULL";
                else
                    columns << (v.typeId() == QMetaType::QByteArray
                                    ? QString::fromLatin1(v.toByteArray().toHex())
                                    : v.toString());
            }
            rows << columns.join('|');
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

QByteArray FileDigest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// An SQLite archive in one runtime directory and an empty PostgreSQL database beside it.
class ArchiveMoveTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(local.Ready()) << local.Error().toStdString();
        ASSERT_TRUE(server.Ready()) << server.Error().toStdString();
    }

    ArchiveLocation Sqlite() const { return local.Bench(); }
    ArchiveLocation Postgres() const {
        ArchiveLocation location = server.Bench();
        location.runtimeDirectory = local.RuntimeDirectory();
        return location;
    }

    // Customers with a gap in their ids and a row version above 1, two history entries, a note.
    void Fill(const ArchiveLocation& location) {
        CustomerArchive archive(location);
        ASSERT_EQ(archive.Open(true).status, CustomerArchive::OpenStatus::Opened);
        QString why;
        ASSERT_TRUE(archive.AddRecords(
            {Customer("Rossi", "Milano"), Customer("Bianchi", "Roma", "B-7"),
             Customer("Verdi", "Città di Castello", "V-1", QDate(1999, 12, 31)), Customer("Ferri")},
            why))
            << why.toStdString();
        archive.First();  // Bianchi
        ASSERT_TRUE(archive.DeleteCurrent());
        archive.Last();  // Verdi
        CustomerRecord verdi = archive.Current();
        verdi.values[kCilindrata] = 1598;
        verdi.values[kTarga] = "AB123CD";
        ASSERT_TRUE(archive.Post(verdi, false).posted);
        ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
        for (const char* plate : {"AB123CD", "ZZ999ZZ"}) {
            CarHistory::Entry entry;
            entry.plate = plate;
            entry.serial = "V-1";
            entry.vehicle = "FIAT PUNTO";
            entry.fileName = "backup.zvf";
            entry.content = QByteArray("\x00\xFF zvf\r\n", 8) + plate;
            ASSERT_TRUE(CarHistory(archive.Database()).Store(entry, why)) << why.toStdString();
        }
        archive.Close();
        ASSERT_TRUE(
            RunSql(location, "INSERT INTO dbcli_info (NAME, VALUE) VALUES ('legacy_import', '4 records')"));
    }

    struct Contents {
        QStringList customers, history, notes;
        bool operator==(const Contents&) const = default;
        friend void PrintTo(const Contents& c, std::ostream* os) {
            for (const QStringList* rows : {&c.customers, &c.history, &c.notes})
                *os << "\n  " << rows->join("\n  ").toStdString() << "\n";
        }
    };
    static Contents Read(const ArchiveLocation& location) {
        return {TableRows(location, "dbcli"), TableRows(location, "car_history"),
                TableRows(location, "dbcli_info")};
    }

    ArchiveSpace local{Backend::Sqlite};
    ArchiveSpace server{Backend::Postgres};
};

TEST_F(ArchiveMoveTest, SqliteToPostgresAndBackKeepsEveryRowItsIdAndItsVersion) {
    Fill(Sqlite());
    const Contents before = Read(Sqlite());
    ASSERT_EQ(before.customers.size(), 3);
    const QByteArray file = FileDigest(Sqlite().SqlitePath());

    const ArchiveMove::Outcome there = ArchiveMove::Run(Sqlite(), Postgres());
    ASSERT_EQ(there.status, ArchiveMove::Status::Moved) << there.error.toStdString();
    EXPECT_EQ(there.customers, 3);
    EXPECT_EQ(there.history, 2);
    EXPECT_EQ(Read(Postgres()), before);
    EXPECT_EQ(FileDigest(Sqlite().SqlitePath()), file);

    // The server goes on numbering after the moved records.
    {
        CustomerArchive archive(Postgres());
        ASSERT_EQ(archive.Open(false).status, CustomerArchive::OpenStatus::Opened);
        EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Ferri", "Rossi", "Verdi"}));
        ASSERT_TRUE(archive.Post(Customer("Neri"), true).posted);
        ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
        QString why;
        CarHistory::Entry entry;
        entry.content = "x";
        const std::optional<qint64> id = CarHistory(archive.Database()).Store(entry, why);
        ASSERT_TRUE(id) << why.toStdString();
        EXPECT_EQ(*id, 3);
    }
    QStringList ids;
    ASSERT_TRUE(RunSql(Postgres(), "SELECT ID FROM dbcli ORDER BY ID", &ids));
    EXPECT_EQ(ids, (QStringList{"1", "3", "4", "5"}));

    // And back into an empty SQLite file of another bench.
    ArchiveSpace other(Backend::Sqlite);
    ArchiveLocation from = Postgres();
    from.runtimeDirectory = other.RuntimeDirectory();
    const Contents onServer = Read(from);
    const ArchiveMove::Outcome back = ArchiveMove::Run(from, other.Bench());
    ASSERT_EQ(back.status, ArchiveMove::Status::Moved) << back.error.toStdString();
    EXPECT_EQ(back.customers, 4);
    EXPECT_EQ(back.history, 3);
    EXPECT_EQ(Read(other.Bench()), onServer);
}

TEST_F(ArchiveMoveTest, ARefusedOrFailedMoveLeavesTheTargetAsItWasAndTheSourceUntouched) {
    Fill(Sqlite());

    // A value the server's table does not take (written past the archive, as a damaged file
    // would hold it): the whole move is rolled back, even the tables it made.
    ASSERT_TRUE(RunSql(Sqlite(), "UPDATE dbcli SET COGNOME = '" + QString(200, 'X') + "' WHERE ID = 4"));
    const QByteArray damaged = FileDigest(Sqlite().SqlitePath());
    ArchiveMove::Outcome outcome = ArchiveMove::Run(Sqlite(), Postgres());
    EXPECT_EQ(outcome.status, ArchiveMove::Status::Failed);
    EXPECT_TRUE(outcome.error.contains("ID 4")) << outcome.error.toStdString();
    EXPECT_EQ(ConnectionCheck::Probe(Postgres()).problem, ConnectionProblem::SchemaMissing);
    EXPECT_EQ(FileDigest(Sqlite().SqlitePath()), damaged);
    ASSERT_TRUE(RunSql(Sqlite(), "UPDATE dbcli SET COGNOME = 'Ferri' WHERE ID = 4"));

    // A column name no archive makes, which would be a statement of its own in the target's text.
    const QString odd = QStringLiteral("\"X) VALUES (1); DROP TABLE dbcli; --\"");
    ASSERT_TRUE(RunSql(Sqlite(), "ALTER TABLE dbcli ADD COLUMN " + odd + " INTEGER"));
    outcome = ArchiveMove::Run(Sqlite(), Postgres());
    EXPECT_EQ(outcome.status, ArchiveMove::Status::Failed);
    EXPECT_TRUE(outcome.error.contains("has a column named")) << outcome.error.toStdString();
    EXPECT_EQ(ConnectionCheck::Probe(Postgres()).problem, ConnectionProblem::SchemaMissing);
    ASSERT_TRUE(RunSql(Sqlite(), "ALTER TABLE dbcli DROP COLUMN " + odd));
    const QByteArray file = FileDigest(Sqlite().SqlitePath());

    // A target that holds a customer already.
    {
        CustomerArchive target(Postgres());
        ASSERT_EQ(target.Open(true).status, CustomerArchive::OpenStatus::Opened);
        ASSERT_TRUE(target.Post(Customer("Gialli"), true).posted);
        ASSERT_EQ(target.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }
    const Contents held = Read(Postgres());
    outcome = ArchiveMove::Run(Sqlite(), Postgres());
    EXPECT_EQ(outcome.status, ArchiveMove::Status::TargetNotEmpty) << outcome.error.toStdString();
    EXPECT_EQ(Read(Postgres()), held);

    // Back into a new SQLite file that cannot take a column of the server's: no file is left.
    ASSERT_TRUE(RunSql(Postgres(), "ALTER TABLE dbcli ADD COLUMN EXTRA INTEGER"));
    ArchiveSpace other(Backend::Sqlite);
    ArchiveLocation from = Postgres();
    from.runtimeDirectory = other.RuntimeDirectory();
    outcome = ArchiveMove::Run(from, other.Bench());
    EXPECT_EQ(outcome.status, ArchiveMove::Status::Failed);
    EXPECT_FALSE(QFileInfo::exists(other.Bench().SqlitePath()));

    // Into the SQLite file that already holds customers.
    from.runtimeDirectory = local.RuntimeDirectory();
    EXPECT_EQ(ArchiveMove::Run(from, Sqlite()).status, ArchiveMove::Status::TargetNotEmpty);
    EXPECT_EQ(ArchiveMove::Run(Sqlite(), Sqlite()).status, ArchiveMove::Status::SamePlace);

    // While the window or zovctl has the archive open on this computer.
    ArchiveSpace empty(Backend::Postgres);
    ArchiveLocation idle = empty.Bench();
    idle.runtimeDirectory = local.RuntimeDirectory();
    {
        CustomerArchive open(Sqlite());
        ASSERT_EQ(open.Open(false).status, CustomerArchive::OpenStatus::Opened);
        EXPECT_EQ(ArchiveMove::Run(Sqlite(), idle).status, ArchiveMove::Status::InUse);
    }
    EXPECT_EQ(ConnectionCheck::Probe(idle).problem, ConnectionProblem::SchemaMissing);
    EXPECT_EQ(FileDigest(Sqlite().SqlitePath()), file);
}

}  // namespace
}  // namespace zov::test
