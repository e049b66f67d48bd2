#pragma once

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <memory>
#include <ostream>
#include <string>

#include "ArchiveLocation.h"
#include "CustomerArchive.h"
#include "CustomerFields.h"

namespace zov::test {

enum class Backend { Sqlite, Postgres };

inline void PrintTo(Backend backend, std::ostream* os) {
    *os << (backend == Backend::Sqlite ? "SQLite" : "PostgreSQL");
}

inline std::string BackendName(const testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// The socket folder of the server the ctest fixture started (tests/customers/pg-server.sh writes
// it into $ZOV_TEST_PG_DIR/host). Empty, with `why` set, when there is none.
inline QString PostgresHost(QString& why) {
    const QByteArray dir = qgetenv("ZOV_TEST_PG_DIR");
    if (dir.isEmpty()) {
        why =
            "ZOV_TEST_PG_DIR is not set: run these tests through ctest, whose fixture customers_pg starts "
            "the server (tests/customers/pg-server.sh start DIR)";
        return {};
    }
    QFile host(QString::fromLocal8Bit(dir) + "/host");
    if (!host.open(QIODevice::ReadOnly)) {
        why = "no PostgreSQL server was started in " + QString::fromLocal8Bit(dir) +
              " (the fixture customers_pg failed; see its output)";
        return {};
    }
    return QString::fromLocal8Bit(host.readAll()).trimmed();
}

// Runs one statement on a server connection of its own (database "postgres").
inline bool PostgresAdmin(const QString& host, const QString& statement, QString& why) {
    const QString name = "admin-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
        db.setHostName(host);
        db.setDatabaseName("postgres");
        db.setUserName("zov");
        if (!db.open()) {
            why = db.lastError().text();
        } else {
            QSqlQuery q(db);
            ok = q.exec(statement);
            if (!ok) why = q.lastError().text();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A runtime directory of its own and, for PostgreSQL, a database of its own on the test server,
// dropped at the end. Several benches share the database through Bench(n).
class ArchiveSpace {
  public:
    explicit ArchiveSpace(Backend backend) : backend_(backend) {
        if (backend_ != Backend::Postgres) return;
        host_ = PostgresHost(error_);
        if (host_.isEmpty()) return;
        database_ = "t" + QUuid::createUuid().toString(QUuid::Id128);
        if (!PostgresAdmin(host_, "CREATE DATABASE " + database_, error_)) database_.clear();
    }
    ~ArchiveSpace() {
        QString ignored;
        if (!database_.isEmpty())
            PostgresAdmin(host_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)", ignored);
    }

    // Empty when the space is usable; the reason otherwise (the test fails with it).
    const QString& Error() const { return error_; }
    bool Ready() const { return error_.isEmpty() && dirs_[0].isValid(); }

    // The location bench `n` (0 or 1) sees: its own runtime directory, the shared database.
    ArchiveLocation Bench(int n = 0) const {
        ArchiveLocation location;
        location.runtimeDirectory = dirs_[size_t(n)].path();
        if (backend_ == Backend::Postgres) {
            location.kind = ArchiveLocation::Kind::Postgres;
            location.host = host_;
            location.database = database_;
            location.user = "zov";
        }
        return location;
    }
    QString RuntimeDirectory(int n = 0) const { return dirs_[size_t(n)].path(); }

  private:
    Backend backend_;
    std::array<QTemporaryDir, 2> dirs_;
    QString host_;
    QString database_;
    QString error_;
};

// Runs `statement` on a connection of its own to the archive at `location`, past the archive's
// own code (as another program or a damaged file would); the first column of the rows, if any.
inline bool RunSql(const ArchiveLocation& location, const QString& statement, QStringList* column = nullptr) {
    const QString name = "raw-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        const bool pg = location.kind == ArchiveLocation::Kind::Postgres;
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", name);
        db.setDatabaseName(pg ? location.database : location.SqlitePath());
        db.setHostName(location.host);
        db.setUserName(location.user);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(statement);
            while (ok && column && q.next()) *column << q.value(0).toString();
            if (!ok) ADD_FAILURE() << q.lastError().text().toStdString();
            q.finish();
            db.close();
        } else {
            ADD_FAILURE() << db.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

inline CustomerRecord Customer(const QString& surname, const QString& city = {},
                               const QString& serial = "RS-1", QDate installed = QDate(2002, 3, 1)) {
    CustomerRecord r;
    r.values[kCognome] = surname;
    if (!city.isEmpty()) r.values[kCitta] = city;
    r.values[kDataInst] = installed;
    r.values[kNSerie] = serial;
    return r;
}

// An archive of its own on the test's backend, opened and holding `records`.
class FilledArchiveTest : public testing::TestWithParam<Backend> {
  protected:
    explicit FilledArchiveTest(std::vector<CustomerRecord> stored) : records(std::move(stored)) {}
    void SetUp() override {
        ASSERT_TRUE(space.Ready()) << space.Error().toStdString();
        ASSERT_EQ(archive.Open(true).status, CustomerArchive::OpenStatus::Opened);
        QString why;
        ASSERT_TRUE(archive.AddRecords(records, why)) << why.toStdString();
    }

    ArchiveSpace space{GetParam()};
    CustomerArchive archive{space.Bench()};
    std::vector<CustomerRecord> records;
};

inline std::vector<QString> Surnames(const CustomerArchive& archive) {
    std::vector<QString> out;
    for (int i = 0; i < archive.Count(); ++i) out.push_back(archive.At(i).Text(kCognome));
    return out;
}

}  // namespace zov::test
