#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "ArchiveLocation.h"
#include "CarHistory.h"
#include "CustomerFields.h"

namespace zov {

class ConfCar;
class ConfigurationModel;
class CustomerArchive;

// What goes into a car's history, and when: the backup file of every reprogramming once it is
// written, and the configuration of every installation once its customer record is saved. The
// backup folder on disk is never touched; the history is a copy beside the customers, so a bench
// without an archive, or one that cannot reach it, programs as before and is only told the entry
// was not stored.
class CarHistoryRecorder {
  public:
    struct Outcome {
        bool stored = false;
        qint64 id = 0;
        QString error;           // why not, when not (English, as zovctl prints it)
        bool noArchive = false;  // the bench has no archive to store into
    };

    // `host`: the bench's name in the entries it stores (this computer's host name by default).
    explicit CarHistoryRecorder(ArchiveLocation location, QString host = {})
        : location_(std::move(location)), host_(std::move(host)) {}

    // The entry of a backup just written at `path` of the configuration `car` holds. Nullopt, with
    // `error`, when the file cannot be read.
    static std::optional<CarHistory::Entry> BackupEntry(const QString& path, const ConfCar& car,
                                                        QString& error);
    // The entry of an installation: the configuration as `model` holds it, and the plate, serial
    // number and customer of the record saved for it.
    static std::optional<CarHistory::Entry> InstallationEntry(ConfigurationModel& model,
                                                              const CustomerRecord& record, QString& error);
    // "ROSSI MARIO": how an entry names the customer of a record.
    static QString CustomerName(const CustomerRecord& record);
    // "PUNTO 1.2 8V / GPL-SEQ 01": the configuration's model and programme.
    static QString VehicleHeader(const ConfCar& car);

    // Stores `entry` through `open` (an archive a window holds open), or through the archive at the
    // location, opened for this entry alone (never created: a bench without one is told so).
    // `names`: an earlier entry of the same car stored before the car was known (the backup an
    // installation made before its record), which takes the entry's plate, serial and customer.
    Outcome Record(const CarHistory::Entry& entry, CustomerArchive* open = nullptr, qint64 names = 0) const;

  private:
    ArchiveLocation location_;
    QString host_;
};

}  // namespace zov
