#include "CarHistoryRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "ConfCar.h"
#include "ConfigurationBackup.h"
#include "ConfigurationModel.h"
#include "Cp1252.h"
#include "CustomerArchive.h"
#include "Packaging.h"

namespace zov {

namespace {

constexpr const char* kNoArchive = "there is no customer archive on this bench";

QString FromCp1252Text(const std::string& text) {
    return QString::fromStdString(cp1252::ToUtf8(text)).trimmed();
}

std::optional<QByteArray> ReadFile(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace

QString CarHistoryRecorder::CustomerName(const CustomerRecord& record) {
    return QStringList{record.Text(kCognome), record.Text(kNome)}.join(QLatin1Char(' ')).trimmed();
}

QString CarHistoryRecorder::VehicleHeader(const ConfCar& car) {
    const QString model = FromCp1252Text(car.MODELLO);
    const QString programme = FromCp1252Text(car.NOME_PROGRAMMA);
    if (programme.isEmpty()) return model;
    return model.isEmpty() ? programme : model + QStringLiteral(" / ") + programme;
}

std::optional<CarHistory::Entry> CarHistoryRecorder::BackupEntry(const QString& path, const ConfCar& car,
                                                                 QString& error) {
    const std::optional<QByteArray> content = ReadFile(path, error);
    if (!content) return std::nullopt;
    CarHistory::Entry entry;
    entry.kind = CarHistory::Kind::Backup;
    entry.vehicle = VehicleHeader(car);
    entry.fileName = QFileInfo(path).fileName();
    entry.content = *content;
    return entry;
}

std::optional<CarHistory::Entry> CarHistoryRecorder::InstallationEntry(ConfigurationModel& model,
                                                                       const CustomerRecord& record,
                                                                       QString& error) {
    // The configuration is packed as "Salva configurazione" packs it, through a scratch file.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        error = QStringLiteral("cannot make a temporary folder: %1").arg(scratch.errorString());
        return std::nullopt;
    }
    const QString file = scratch.filePath(QStringLiteral("installation.zvf"));
    const PackResult saved = SaveConfigurationFile(model, QFile::encodeName(file).toStdString());
    if (!saved) {
        error = QString::fromStdString(saved.error);
        return std::nullopt;
    }
    const std::optional<QByteArray> content = ReadFile(file, error);
    if (!content) return std::nullopt;
    CarHistory::Entry entry;
    entry.kind = CarHistory::Kind::Installation;
    entry.plate = record.Text(kTarga);
    entry.serial = record.Text(kNSerie);
    entry.customer = CustomerName(record);
    entry.vehicle = VehicleHeader(model.Car());
    entry.fileName = QStringLiteral("%1_%2.zvf")
                         .arg(record.Date(kDataInst).toString(QStringLiteral("yyyy-MM-dd")),
                              QString::fromStdString(ConfigurationBackup::VehiclePart(model.Car())));
    entry.content = *content;
    return entry;
}

CarHistoryRecorder::Outcome CarHistoryRecorder::Record(const CarHistory::Entry& entry, CustomerArchive* open,
                                                       qint64 names) const {
    Outcome out;
    if (open && open->IsOpen()) {
        CarHistory::Entry stored = entry;
        if (!host_.isEmpty()) stored.host = host_;
        CarHistory history(open->Database());
        const std::optional<qint64> id = history.Store(stored, out.error);
        out.stored = id.has_value() && (names <= 0 || history.Identify(names, stored.plate, stored.serial,
                                                                       stored.customer, out.error));
        out.id = id.value_or(0);
        return out;
    }
    // Opening would make the archive's folder and lock file on a bench that never had one.
    if (location_.kind == ArchiveLocation::Kind::Sqlite && !QFileInfo::exists(location_.SqlitePath())) {
        out.error = QLatin1String(kNoArchive);
        out.noArchive = true;
        return out;
    }
    CustomerArchive archive(location_);
    const CustomerArchive::OpenOutcome opened = archive.Open(false);
    switch (opened.status) {
        case CustomerArchive::OpenStatus::Opened:
            break;
        case CustomerArchive::OpenStatus::NoArchive:
            out.error = QLatin1String(kNoArchive);
            out.noArchive = true;
            return out;
        case CustomerArchive::OpenStatus::InUse:
            out.error = QStringLiteral("the customer archive is in use by another program");
            return out;
        case CustomerArchive::OpenStatus::Failed:
            out.error = opened.error;
            return out;
    }
    return Record(entry, &archive, names);
}

}  // namespace zov
