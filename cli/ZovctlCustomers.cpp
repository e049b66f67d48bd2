#include "ZovctlCustomers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>
#include <optional>

#include "ArchiveLocation.h"
#include "ArchiveMove.h"
#include "AtomicFile.h"
#include "CarHistory.h"
#include "CarHistoryRecorder.h"
#include "CustomerArchive.h"
#include "CustomerFilter.h"
#include "ZovctlText.h"

namespace zov {

namespace {

struct CommandError {
    int code;
    std::string reason;
};

[[noreturn]] void Fail(int code, std::string reason) { throw CommandError{code, std::move(reason)}; }

std::string Utf8(const QString& text) { return text.toStdString(); }

// The archive's own messages are English, the command line's language.
void PrintProblems(const CustomerArchive::ImportReport& report) {
    for (const ImportProblem& problem : report.problems)
        std::fprintf(stderr, "zovctl: %s\n", OneLine(Utf8(problem.Describe())).c_str());
}

void OpenOrFail(CustomerArchive& archive, bool create) {
    const CustomerArchive::OpenOutcome opened = archive.Open(create);
    switch (opened.status) {
        case CustomerArchive::OpenStatus::Opened:
            break;
        case CustomerArchive::OpenStatus::NoArchive:
            Fail(CustomersStatus::kFileFailure,
                 "there is no customer archive at " + Utf8(archive.Location().Describe()));
        case CustomerArchive::OpenStatus::InUse:
        case CustomerArchive::OpenStatus::Failed:
            Fail(CustomersStatus::kFileFailure, Utf8(opened.error));
    }
    if (opened.import.attempted) {
        PrintProblems(opened.import);
        if (opened.import.ok)
            std::fprintf(stderr, "zovctl: %d customers imported from %s\n", opened.import.records,
                         qPrintable(archive.Location().FindLegacyTable()));
        else
            std::fprintf(stderr, "zovctl: the older table was not imported: %s\n",
                         OneLine(Utf8(opened.import.error)).c_str());
    }
}

// The filter the window would apply for the same choice.
std::optional<CustomerFilter> ListFilter(const std::vector<std::string>& args) {
    std::optional<QString> field, prefix, date;
    for (size_t i = 2; i < args.size(); ++i) {
        auto value = [&]() {
            if (i + 1 >= args.size()) Fail(CustomersStatus::kBadArgument, args[i] + " needs a value");
            return QString::fromStdString(args[++i]);
        };
        if (args[i] == "--field")
            field = value();
        else if (args[i] == "--prefix")
            prefix = value();
        else if (args[i] == "--date")
            date = value();
        else
            Fail(CustomersStatus::kBadArgument, "unknown argument '" + args[i] + "' of customers list");
    }
    if (date && (field || prefix))
        Fail(CustomersStatus::kBadArgument, "one filter at a time: --date, or --field with --prefix");
    if (date) {
        const std::optional<DateFilter> filter = ParseDateCondition(*date, QStringLiteral("d/M/yyyy"));
        if (!filter)
            Fail(CustomersStatus::kBadArgument,
                 "refused date condition (expected [DATA_INST|DATA_PROG] =, < or > and a date such as "
                 "2002-03-01 or 1/3/2002)");
        return *filter;
    }
    if (field.has_value() != prefix.has_value())
        Fail(CustomersStatus::kBadArgument, "--field and --prefix go together");
    if (!field) return std::nullopt;
    const std::optional<int> number = FieldByName(*field);
    if (!number) Fail(CustomersStatus::kBadArgument, "no field named '" + Utf8(*field) + "'");
    if (FieldInfo(*number).kind == FieldKind::Date)
        Fail(CustomersStatus::kBadArgument, "a date field is filtered with --date");
    const SearchOutcome built =
        BuildFilter({*number, QStringLiteral("="), *prefix}, QStringLiteral("d/M/yyyy"));
    if (built.refusal == SearchRefusal::NotANumber)
        Fail(CustomersStatus::kBadArgument,
             Utf8(*field) + " holds numbers: '" + Utf8(*prefix) + "' is not one");
    if (!built.filter) Fail(CustomersStatus::kBadArgument, "the prefix is too long");
    return built.filter;
}

// Tabs and line ends inside a field would break the one-record-per-line output.
QString ListField(const CustomerRecord& record, int field) {
    QString text = record.Display(field, QStringLiteral("yyyy-MM-dd"));
    for (QChar& c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) c = QLatin1Char(' ');
    return text;
}

QString CsvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void List(CustomerArchive& archive, const std::vector<std::string>& args) {
    const std::optional<CustomerFilter> filter = ListFilter(args);
    OpenOrFail(archive, false);
    archive.SetFilter(filter);
    for (int i = 0; i < archive.Count(); ++i) {
        const CustomerRecord record = archive.At(i);
        QStringList fields;
        for (int f = 0; f < kCustomerFieldCount; ++f) fields << ListField(record, f);
        std::printf("%s\n", fields.join(QLatin1Char('\t')).toUtf8().constData());
    }
}

void Export(CustomerArchive& archive, const std::string& target) {
    OpenOrFail(archive, false);
    QStringList header;
    for (int f = 0; f < kCustomerFieldCount; ++f) header << QLatin1String(FieldInfo(f).name);
    QByteArray text = header.join(QLatin1Char(',')).toUtf8() + "\r\n";
    for (int i = 0; i < archive.Count(); ++i) {
        const CustomerRecord record = archive.At(i);
        QStringList fields;
        for (int f = 0; f < kCustomerFieldCount; ++f)
            fields << CsvField(record.Display(f, QStringLiteral("yyyy-MM-dd")));
        text += fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    // Whole or not at all: a full disk leaves the previous export as it was.
    const std::string error = WriteWholeFile(target, std::string_view(text.constData(), size_t(text.size())));
    if (!error.empty()) Fail(CustomersStatus::kFileFailure, error);
    std::fprintf(stderr, "zovctl: %d customers exported to %s\n", archive.Count(), target.c_str());
}

void Import(CustomerArchive& archive, const std::string& source) {
    OpenOrFail(archive, true);
    const CustomerArchive::ImportReport report = archive.ImportLegacyTable(QString::fromStdString(source));
    if (!report.ok) Fail(CustomersStatus::kFileFailure, Utf8(report.error));
    PrintProblems(report);
    std::fprintf(stderr, "zovctl: %d customers imported from %s\n", report.records, source.c_str());
}

// history [--plate P | --serial S] lists a car's stored configurations, newest first.
void ListHistory(CustomerArchive& archive, const std::vector<std::string>& args) {
    QString plate, serial;
    for (size_t i = 1; i < args.size(); ++i) {
        if (i + 1 >= args.size()) Fail(CustomersStatus::kBadArgument, args[i] + " needs a value");
        if (args[i] == "--plate")
            plate = QString::fromStdString(args[++i]);
        else if (args[i] == "--serial")
            serial = QString::fromStdString(args[++i]);
        else
            Fail(CustomersStatus::kBadArgument, "unknown argument '" + args[i] + "' of history");
    }
    OpenOrFail(archive, false);
    QString why;
    const auto entries = CarHistory(archive.Database()).Find(plate, serial, why);
    if (!entries) Fail(CustomersStatus::kFileFailure, Utf8(why));
    for (const CarHistory::Entry& e : *entries)
        std::printf("%lld\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", static_cast<long long>(e.id),
                    qPrintable(CarHistory::KindName(e.kind)), qPrintable(e.taken.toString(Qt::ISODate)),
                    e.host.toUtf8().constData(), e.plate.toUtf8().constData(), e.serial.toUtf8().constData(),
                    e.customer.toUtf8().constData(), e.vehicle.toUtf8().constData(),
                    e.fileName.toUtf8().constData());
}

// history get ID OUT writes the stored file whole, or leaves OUT as it was.
void GetHistory(CustomerArchive& archive, const std::string& id, const std::string& target) {
    bool ok = false;
    const qint64 number = QString::fromStdString(id).toLongLong(&ok);
    if (!ok || number <= 0) Fail(CustomersStatus::kBadArgument, "'" + id + "' is not a history entry number");
    OpenOrFail(archive, false);
    QString why;
    const std::optional<CarHistory::Entry> entry = CarHistory(archive.Database()).Get(number, why);
    if (!entry) Fail(CustomersStatus::kFileFailure, Utf8(why));
    const std::string error =
        WriteWholeFile(target, std::string_view(entry->content.constData(), size_t(entry->content.size())));
    if (!error.empty()) Fail(CustomersStatus::kFileFailure, error);
    std::fprintf(stderr, "zovctl: history entry %s written to %s\n", id.c_str(), target.c_str());
}

// history add FILE --plate P --serial S [--customer C] [--installation] stores a configuration file.
void AddHistory(CustomerArchive& archive, const std::vector<std::string>& args) {
    CarHistory::Entry entry;
    const QString path = QString::fromStdString(args[2]);
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--installation") {
            entry.kind = CarHistory::Kind::Installation;
            continue;
        }
        if (i + 1 >= args.size()) Fail(CustomersStatus::kBadArgument, args[i] + " needs a value");
        const QString value = QString::fromStdString(args[++i]);
        if (args[i - 1] == "--plate")
            entry.plate = value;
        else if (args[i - 1] == "--serial")
            entry.serial = value;
        else if (args[i - 1] == "--customer")
            entry.customer = value;
        else
            Fail(CustomersStatus::kBadArgument, "unknown argument '" + args[i - 1] + "' of history add");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(CustomersStatus::kFileFailure, Utf8(path + ": " + file.errorString()));
    entry.content = file.readAll();
    entry.fileName = QFileInfo(path).fileName();
    OpenOrFail(archive, false);
    QString why;
    const std::optional<qint64> id = CarHistory(archive.Database()).Store(entry, why);
    if (!id) Fail(CustomersStatus::kFileFailure, Utf8(why));
    std::printf("%lld\n", static_cast<long long>(*id));
}

// The archive `move --to sqlite | --to postgres --database D [--host H] [--port N] [--user U]
// [--ssl-mode M]` names, beside the current one's runtime directory.
ArchiveLocation MoveTarget(const ArchiveLocation& current, const std::vector<std::string>& args) {
    ArchiveLocation target;
    target.runtimeDirectory = current.runtimeDirectory;
    std::optional<std::string> kind;
    bool serverOption = false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (i + 1 >= args.size()) Fail(CustomersStatus::kBadArgument, args[i] + " needs a value");
        const std::string& option = args[i];
        const QString value = QString::fromStdString(args[++i]);
        serverOption = serverOption || option != "--to";
        if (option == "--to") {
            kind = value.toStdString();
        } else if (option == "--host") {
            target.host = value;
        } else if (option == "--port") {
            bool ok = false;
            target.port = value.toInt(&ok);
            if (!ok || target.port <= 0 || target.port > 65535)
                Fail(CustomersStatus::kBadArgument, "'" + Utf8(value) + "' is not a port number");
        } else if (option == "--database") {
            target.database = value;
        } else if (option == "--user") {
            target.user = value;
        } else if (option == "--ssl-mode") {
            if (!ArchiveLocation::SslModes().contains(value))
                Fail(CustomersStatus::kBadArgument,
                     "--ssl-mode is one of " + Utf8(ArchiveLocation::SslModes().join(QStringLiteral(", "))));
            target.sslMode = value;
        } else {
            Fail(CustomersStatus::kBadArgument, "unknown argument '" + option + "' of customers move");
        }
    }
    if (kind == "postgres") {
        target.kind = ArchiveLocation::Kind::Postgres;
        if (target.database.isEmpty()) Fail(CustomersStatus::kBadArgument, "--to postgres needs --database");
    } else if (kind != "sqlite") {
        Fail(CustomersStatus::kBadArgument, "--to sqlite or --to postgres");
    } else if (serverOption) {
        Fail(CustomersStatus::kBadArgument, "--to sqlite takes no server options");
    }
    return target;
}

// Moves the archive in use into an empty one and makes that the archive in use.
void Move(const ArchiveLocation& current, const QString& settingsDirectory,
          const std::vector<std::string>& args) {
    const ArchiveLocation target = MoveTarget(current, args);
    const ArchiveMove::Outcome moved = ArchiveMove::Run(current, target);
    if (moved.status == ArchiveMove::Status::SamePlace)
        Fail(CustomersStatus::kBadArgument, Utf8(moved.error));
    if (moved.status != ArchiveMove::Status::Moved)
        Fail(CustomersStatus::kFileFailure,
             "the archive was not moved, nothing was changed: " + Utf8(moved.error));
    std::fprintf(stderr, "zovctl: %lld customers and %lld history entries moved from %s to %s\n",
                 static_cast<long long>(moved.customers), static_cast<long long>(moved.history),
                 Utf8(current.Describe()).c_str(), Utf8(target.Describe()).c_str());
    if (!ArchiveLocation::ToSettings(settingsDirectory, target))
        Fail(CustomersStatus::kFileFailure,
             "the archive was moved, but the settings could not be written to "
             "name it; the old archive is still the one in use");
}

void RunHistory(CustomerArchive& archive, const std::vector<std::string>& args) {
    if (args.size() == 4 && args[1] == "get")
        GetHistory(archive, args[2], args[3]);
    else if (args.size() >= 3 && args[1] == "add")
        AddHistory(archive, args);
    else
        ListHistory(archive, args);
}

}  // namespace

int RunCustomersCommand(const std::string& runtimeDirectory, const QString& settingsDirectory,
                        const std::vector<std::string>& args, std::string& error) {
    // The database drivers are plugins, found through the application object.
    static int argc = 1;
    static char name[] = "zovctl";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);

    CustomerArchive archive(
        ArchiveLocation::FromSettings(settingsDirectory, QString::fromStdString(runtimeDirectory)));
    try {
        const std::string what = args.size() > 1 ? args[1] : "";
        if (!args.empty() && args[0] == "history") {
            RunHistory(archive, args);
        } else if (what == "list") {
            List(archive, args);
        } else if (what == "export" && args.size() == 3) {
            Export(archive, args[2]);
        } else if (what == "init" && args.size() == 2) {
            // Made, or brought up to date, by the table's owner once; benches only open it.
            OpenOrFail(archive, true);
            std::fprintf(stderr, "zovctl: the customer archive at %s is ready\n",
                         Utf8(archive.Location().Describe()).c_str());
        } else if (what == "import" && args.size() == 3) {
            Import(archive, args[2]);
        } else if (what == "move") {
            Move(archive.Location(), settingsDirectory, args);
        } else {
            Fail(
                CustomersStatus::kBadArgument,
                "usage: customers init | import FILE.DBF | list [--field NAME --prefix TEXT] [--date "
                "CONDITION] | export OUT.csv | move --to sqlite | move --to postgres --database D [--host H] "
                "[--port N] [--user U] [--ssl-mode M]");
        }
    } catch (const CommandError& e) {
        error = e.reason;
        return e.code;
    }
    return CustomersStatus::kOk;
}

long long StoreBackupInHistory(const std::string& runtimeDirectory, const QString& settingsDirectory,
                               const std::string& path, const ConfCar& car, std::string& error) {
    static int argc = 1;
    static char name[] = "zovctl";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
    QString why;
    const std::optional<CarHistory::Entry> entry =
        CarHistoryRecorder::BackupEntry(QFile::decodeName(QByteArray::fromStdString(path)), car, why);
    if (entry) {
        const CarHistoryRecorder recorder(
            ArchiveLocation::FromSettings(settingsDirectory, QString::fromStdString(runtimeDirectory)));
        const CarHistoryRecorder::Outcome stored = recorder.Record(*entry);
        if (stored.stored) return stored.id;
        why = stored.error;
    }
    error = why.toStdString();
    return 0;
}

}  // namespace zov
