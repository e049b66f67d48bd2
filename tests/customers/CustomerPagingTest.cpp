#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"
#include "CustomerPages.h"

namespace zov::test {
namespace {

constexpr int kPage = 40;
constexpr int kRecords = 2700;  // past page 40 of the view

// Surnames entered out of order, some equal but for case, so the view's order is neither the
// order of entry nor plain text order.
std::vector<CustomerRecord> Many() {
    std::vector<CustomerRecord> out;
    for (int i = 0; i < kRecords; ++i) {
        const int n = (i * 7919) % kRecords;
        QString surname = QStringLiteral("Cliente%1").arg(n / 2, 4, 10, QLatin1Char('0'));
        if (n % 2) surname = surname.toUpper();
        out.push_back(Customer(surname, QStringLiteral("C%1").arg(i)));
    }
    return out;
}

std::vector<QString> ExpectedCities(std::vector<CustomerRecord> records) {
    std::stable_sort(records.begin(), records.end(), [](const CustomerRecord& a, const CustomerRecord& b) {
        return QString::compare(a.Text(kCognome), b.Text(kCognome), Qt::CaseInsensitive) < 0;
    });
    std::vector<QString> cities;
    for (const CustomerRecord& r : records) cities.push_back(r.Text(kCitta));
    return cities;
}

class PagingTest : public FilledArchiveTest {
  protected:
    PagingTest() : FilledArchiveTest(Many()) {}
};

TEST_P(PagingTest, ScrollingToTheEndAndBackShowsEveryRecordInOrderAndAnEditOnPage40IsSaved) {
    const std::vector<QString> cities = ExpectedCities(records);
    ASSERT_EQ(archive.Count(), kRecords);
    archive.First();
    for (int i = 0; i < kRecords; ++i, archive.Next())
        ASSERT_EQ(archive.Current().Text(kCitta), cities[i]) << i;
    EXPECT_TRUE(archive.AtEnd());
    // From the end backwards, as the last page is read from the end.
    archive.CancelCached();
    archive.Last();
    for (int i = kRecords - 1; i >= 0; --i, archive.Prior())
        ASSERT_EQ(archive.Current().Text(kCitta), cities[i]) << i;

    const int target = kPage * CustomerPages::kPageSize + 5;
    archive.First();
    while (archive.Position() < target) archive.Next();
    CustomerRecord edited = archive.Current();
    edited.values[kTelefono] = "051 404040";
    ASSERT_TRUE(archive.Post(edited, false).posted);
    EXPECT_EQ(archive.Position(), target);
    ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    EXPECT_EQ(archive.Position(), target);
    archive.Close();

    CustomerArchive again(space.Bench());
    ASSERT_EQ(again.Open(false).status, CustomerArchive::OpenStatus::Opened);
    EXPECT_EQ(again.At(target).Text(kTelefono), "051 404040");
    EXPECT_EQ(again.At(target).Text(kCitta), cities[target]);
    EXPECT_EQ(again.At(target - 1).Text(kTelefono), "");
}

// Benches share a PostgreSQL archive only.
class SharedPagingTest : public PagingTest {};

TEST_P(SharedPagingTest, TwoBenchesSavingOneRecordFarDownTheArchiveEndInAConflict) {
    CustomerArchive other(space.Bench(1));
    ASSERT_EQ(other.Open(false).status, CustomerArchive::OpenStatus::Opened);
    const int target = kPage * CustomerPages::kPageSize + 5;
    for (CustomerArchive* bench : {&archive, &other}) {
        bench->Last();
        while (bench->Position() > target) bench->Prior();
    }
    CustomerRecord mine = archive.Current();
    mine.values[kCitta] = "Monza";
    CustomerRecord theirs = other.Current();
    theirs.values[kCitta] = "Bergamo";
    ASSERT_TRUE(archive.Post(mine, false).posted);
    ASSERT_TRUE(other.Post(theirs, false).posted);
    ASSERT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    const auto outcome = other.Apply();
    EXPECT_EQ(outcome.status, CustomerArchive::ApplyStatus::Conflict);
    EXPECT_EQ(outcome.conflictSurname, mine.Text(kCognome));
    EXPECT_EQ(other.Current().Text(kCitta), "Bergamo");
    other.CancelCached();
    EXPECT_EQ(other.At(target).Text(kCitta), "Monza");
}

INSTANTIATE_TEST_SUITE_P(Backends, PagingTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);
INSTANTIATE_TEST_SUITE_P(Shared, SharedPagingTest, testing::Values(Backend::Postgres), BackendName);

// Runs statements on a PostgreSQL connection of its own as `user`, kept open between them (a
// transaction can be left unfinished, as another bench's would be).
class RawConnection {
  public:
    RawConnection(const ArchiveLocation& at, const QString& user)
        : name_("raw-" + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name_);
        db.setHostName(at.host);
        db.setDatabaseName(at.database);
        db.setUserName(user);
        if (!db.open()) ADD_FAILURE() << db.lastError().text().toStdString();
    }
    ~RawConnection() {
        { QSqlDatabase::database(name_, false).close(); }
        QSqlDatabase::removeDatabase(name_);
    }
    void Run(const QString& statement) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(statement))
            ADD_FAILURE() << statement.toStdString() << ": " << q.lastError().text().toStdString();
    }

  private:
    QString name_;
};

TEST(SharedArchiveTest, ABenchUserWhoDoesNotOwnTheTableOpensWhileAnotherBenchIsWriting) {
    ArchiveSpace space(Backend::Postgres);
    ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
    {
        CustomerArchive owner(space.Bench(0));
        ASSERT_EQ(owner.Open(true).status, CustomerArchive::OpenStatus::Opened);
        QString why;
        ASSERT_TRUE(owner.AddRecords({Customer("Rossi"), Customer("Verdi")}, why)) << why.toStdString();
    }
    const QString bench = "bench" + QUuid::createUuid().toString(QUuid::Id128).left(12);
    RawConnection admin(space.Bench(0), "zov");
    admin.Run("CREATE ROLE " + bench + " LOGIN");
    admin.Run("GRANT SELECT, INSERT, UPDATE, DELETE ON dbcli, dbcli_info TO " + bench);
    admin.Run("GRANT USAGE ON SEQUENCE dbcli_id_seq TO " + bench);
    // Another bench's write, not yet committed.
    admin.Run("BEGIN");
    admin.Run("UPDATE dbcli SET CITTA = 'Monza' WHERE COGNOME = 'Verdi'");

    ArchiveLocation asBench = space.Bench(1);
    asBench.user = bench;
    {
        CustomerArchive archive(asBench);
        const auto opened = archive.Open(false);
        ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
        EXPECT_EQ(archive.Count(), 2);
        archive.SetFilter(PrefixFilter{kCognome, "ver"});
        EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Verdi"}));
        EXPECT_EQ(archive.Current().Text(kCitta), "");
        archive.SetFilter(std::nullopt);
        ASSERT_TRUE(archive.Post(Customer("Neri"), true).posted);
        EXPECT_EQ(archive.Apply().status, CustomerArchive::ApplyStatus::Applied);
    }
    admin.Run("COMMIT");
    admin.Run("DROP OWNED BY " + bench);
    admin.Run("DROP ROLE " + bench);
}

class UpgradeTest : public testing::TestWithParam<Backend> {
  protected:
    ArchiveSpace space{GetParam()};
};

TEST_P(UpgradeTest, AnArchiveOfTheFirstVersionIsUpgradedOnceAndSearchedLikeANewOne) {
    ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
    const bool pg = GetParam() == Backend::Postgres;
    {
        // The first version's table, as an earlier program made it.
        CustomerArchive maker(space.Bench());
        ASSERT_EQ(maker.Open(true).status, CustomerArchive::OpenStatus::Opened);
        maker.Close();
    }
    ASSERT_TRUE(RunSql(space.Bench(), "DROP TABLE dbcli"));
    ASSERT_TRUE(RunSql(space.Bench(), "DROP TABLE dbcli_info"));
    ASSERT_TRUE(
        RunSql(space.Bench(),
               QString("CREATE TABLE dbcli (ID %1, COGNOME VARCHAR(30), NOME VARCHAR(30), INDIRIZZO "
                       "VARCHAR(50), CITTA VARCHAR(20), PROVINCIA VARCHAR(5), TELEFONO VARCHAR(25), AUTO "
                       "VARCHAR(30), CILINDRATA INTEGER, ANNO_AUTO INTEGER, PROGRAMMA VARCHAR(40), VERSIONE "
                       "VARCHAR(8), DATA_PROG DATE, DATA_INST DATE, N_SERIE VARCHAR(15), TARGA VARCHAR(15), "
                       "ROW_VERSION INTEGER NOT NULL DEFAULT 1)")
                   .arg(pg ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT")));
    ASSERT_TRUE(RunSql(space.Bench(), "CREATE INDEX ICOGNOME ON dbcli (COGNOME)"));
    ASSERT_TRUE(RunSql(space.Bench(),
                       "INSERT INTO dbcli (COGNOME, CITTA, DATA_INST, N_SERIE) VALUES ('verdi', 'Roma', "
                       "'2002-03-01', 'S'), ('Àlvaro', 'Aosta', '2002-03-01', 'S'), ('Rossi', 'Milano', "
                       "'2002-03-01', 'S')"));

    CustomerArchive archive(space.Bench());
    const auto opened = archive.Open(false);
    ASSERT_EQ(opened.status, CustomerArchive::OpenStatus::Opened) << opened.error.toStdString();
    EXPECT_EQ(Surnames(archive), (std::vector<QString>{"Rossi", "verdi", QString::fromUtf8("Àlvaro")}));
    archive.SetFilter(PrefixFilter{kCognome, QString::fromUtf8("àL")});
    EXPECT_EQ(Surnames(archive), (std::vector<QString>{QString::fromUtf8("Àlvaro")}));
    archive.Close();
    QStringList version;
    ASSERT_TRUE(
        RunSql(space.Bench(), "SELECT VALUE FROM dbcli_info WHERE NAME = 'schema_version'", &version));
    EXPECT_EQ(version, QStringList{"2"});
}

INSTANTIATE_TEST_SUITE_P(Backends, UpgradeTest, testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

}  // namespace
}  // namespace zov::test
