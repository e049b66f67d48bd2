#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

namespace zov {

// The customer archive's tables and indexes, made once and brought up to date once, never on an
// ordinary open: on a shared PostgreSQL archive the benches' own users do not own the table, and
// any schema statement would queue every opening behind another bench's unfinished write.
//
// Version 1 was the table alone; version 2 adds the search keys beside the text fields and the
// indexes the database-side searches use, and the cars' history (CarHistory). The version is the row
// "schema_version" of dbcli_info.
class CustomerSchema {
  public:
    static constexpr int kVersion = 2;
    static constexpr const char* kInfoTable = "dbcli_info";
    static constexpr const char* kVersionKey = "schema_version";

    CustomerSchema(QSqlDatabase db, bool postgres) : db_(std::move(db)), postgres_(postgres) {}

    bool TableExists() const;
    // The archive's version: 1 for an archive made before the version row, 0 when unreadable.
    int Version(QString& error) const;
    // The table, its info table and its indexes, in one transaction.
    bool Create(QString& error);
    // The same inside the caller's transaction (a move fills the new tables in the same one).
    bool CreateTables(QString& error);
    // Brings a version-1 archive to this version in one transaction: all or nothing.
    bool Upgrade(QString& error);
    // The indexes that should be there and are not (read from the catalogue, which takes no lock).
    QStringList MissingIndexes(QString& error) const;
    // Makes the named indexes again.
    bool MakeIndexes(const QStringList& names, QString& error);

  private:
    bool HasTable(const QString& name) const;
    bool Exec(const QString& statement, QString& error) const;
    QString KeyColumnType() const;
    bool FillKeys(QString& error);
    bool WriteVersion(QString& error);
    bool InTransaction(const std::function<bool(QString&)>& work, QString& error);

    QSqlDatabase db_;
    bool postgres_;
};

}  // namespace zov
