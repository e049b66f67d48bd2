#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <vector>

namespace zov {

// Each car's past configurations in the archive's database, beside the customers: every backup
// made before a reprogramming and every installation record, with the file itself, so another
// bench on the same shared archive can find a car's earlier configurations by plate, serial
// number or customer and take one back. The backup folder on disk stays as it is; this is a copy.
class CarHistory {
  public:
    static constexpr const char* kTable = "car_history";
    enum class Kind { Backup, Installation };

    struct Entry {
        qint64 id = 0;
        Kind kind = Kind::Backup;
        QDateTime taken;  // UTC
        QString host;     // the bench that stored it (its host name)
        QString plate;    // upper case, as the archive keeps plates; empty when unknown
        QString serial;
        QString customer;
        QString vehicle;   // the configuration's vehicle header
        QString fileName;  // the file's name on the bench that made it
        QByteArray content;
    };

    explicit CarHistory(QSqlDatabase db) : db_(std::move(db)) {}

    // Stores `entry` (its id and time are filled in, and the host when it names none: this
    // computer's name); the new id, or nothing with `error`.
    std::optional<qint64> Store(Entry entry, QString& error);
    // The entries for a plate or a serial number (exact, case ignored; both empty: all), newest
    // first, without their files.
    std::optional<std::vector<Entry>> Find(const QString& plate, const QString& serial, QString& error);
    // The entries of a car known by any of its plate, serial number or customer (each exact,
    // plate and serial number case ignored; an empty one is not asked), newest first, without
    // their files.
    std::optional<std::vector<Entry>> FindAny(const QString& plate, const QString& serial,
                                              const QString& customer, QString& error);
    // Names the car of an entry stored before it was known (the backup an installation made
    // before its customer's record): plate, serial number and customer, on an entry that has none
    // of them yet. False with `error` when it could not be written.
    bool Identify(qint64 id, const QString& plate, const QString& serial, const QString& customer,
                  QString& error);
    // One entry with its file.
    std::optional<Entry> Get(qint64 id, QString& error);
    // Writes an entry's file whole at `path` (through a temporary beside it); false with `error`.
    static bool WriteOut(const Entry& entry, const QString& path, QString& error);

    static QString KindName(Kind kind) {
        return kind == Kind::Backup ? QStringLiteral("backup") : QStringLiteral("installation");
    }

  private:
    QSqlDatabase db_;
};

}  // namespace zov
