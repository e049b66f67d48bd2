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
        QString host;     // the bench that stored it
        QString plate;    // upper case, as the archive keeps plates; empty when unknown
        QString serial;
        QString customer;
        QString vehicle;   // the configuration's vehicle header
        QString fileName;  // the file's name on the bench that made it
        QByteArray content;
    };

    explicit CarHistory(QSqlDatabase db) : db_(std::move(db)) {}

    // Stores `entry` (its id, time and host are filled in); the new id, or nothing with `error`.
    std::optional<qint64> Store(Entry entry, QString& error);
    // The entries for a plate or a serial number (exact, case ignored; both empty: all), newest
    // first, without their files.
    std::optional<std::vector<Entry>> Find(const QString& plate, const QString& serial, QString& error);
    // One entry with its file.
    std::optional<Entry> Get(qint64 id, QString& error);

    static QString KindName(Kind kind) {
        return kind == Kind::Backup ? QStringLiteral("backup") : QStringLiteral("installation");
    }

  private:
    QSqlDatabase db_;
};

}  // namespace zov
