// The customer archive at workshop-chain size: archives of 1,000 and 100,000 customers on SQLite
// and on a PostgreSQL server started here in a temporary folder, and for each the time to open the
// window's model and show its first page, a surname-prefix search, a date filter, and a move to
// the last record (each the best of several runs, in milliseconds). The view's whole count is the
// window counter's, made once per view; none of the figures but the last needs it.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "CustomerArchive.h"

namespace {

using zov::ArchiveLocation;
using zov::CustomerArchive;
using zov::CustomerRecord;

constexpr int kRuns = 5;
constexpr int kSizes[] = {1000, 100000};
const char* const kSurnames[] = {"Rossi", "Russo",    "Ferrari", "Esposito", "Bianchi",  "Romano", "Colombo",
                                 "Ricci", "Marino",   "Greco",   "Bruno",    "Gallo",    "Conti",  "De Luca",
                                 "Costa", "Giordano", "Mancini", "Rizzo",    "Lombardi", "Moretti"};

std::vector<CustomerRecord> Customers(int count) {
    std::vector<CustomerRecord> out;
    out.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        CustomerRecord r;
        const int n = int((quint64(i) * 2654435761u) % quint64(count));
        r.values[zov::kCognome] =
            QStringLiteral("%1 %2").arg(QLatin1String(kSurnames[n % std::size(kSurnames)])).arg(n);
        r.values[zov::kCitta] = QStringLiteral("Citta %1").arg(n % 97);
        r.values[zov::kDataInst] = QDate(2000, 1, 1).addDays(n % 3650);
        r.values[zov::kNSerie] = QStringLiteral("S%1").arg(n);
        out.push_back(r);
    }
    return out;
}

double BestMs(const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

bool Measure(const char* backend, const ArchiveLocation& location, int size) {
    {
        CustomerArchive maker(location);
        const CustomerArchive::OpenOutcome opened = maker.Open(true);
        QString why;
        if (opened.status != CustomerArchive::OpenStatus::Opened || !maker.AddRecords(Customers(size), why)) {
            std::fprintf(stderr, "archive_bench: %s: %s%s\n", backend, qPrintable(opened.error),
                         qPrintable(why));
            return false;
        }
    }
    // A server's autovacuum gathers the statistics after a bulk load; the benchmark does not wait.
    if (location.kind == ArchiveLocation::Kind::Postgres) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("analyze"));
        db.setHostName(location.host);
        db.setDatabaseName(location.database);
        db.setUserName(location.user);
        if (db.open()) QSqlQuery(db).exec(QStringLiteral("VACUUM ANALYZE dbcli"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("analyze"));
    CustomerArchive archive(location);
    const double open = BestMs([&] { archive.Close(); },
                               [&] {
                                   archive.Open(false);
                                   archive.Current();
                               });
    const double prefix =
        BestMs([&] { archive.SetFilter(std::nullopt); },
               [&] {
                   archive.SetFilter(zov::PrefixFilter{zov::kCognome, QStringLiteral("ros")});
                   archive.Current();
               });
    const double date = BestMs(
        [&] { archive.SetFilter(std::nullopt); },
        [&] {
            archive.SetFilter(zov::DateFilter{zov::kDataInst, zov::DateComparison::Equal, QDate(2002, 3, 1)});
            archive.Current();
        });
    const int hits = archive.Count();
    // From the first record, the window's counter having counted the view.
    const double last = BestMs(
        [&] {
            archive.SetFilter(std::nullopt);
            archive.First();
            archive.Current();
            archive.Count();
        },
        [&] {
            archive.Last();
            archive.Current();
        });
    std::printf(
        "%-10s %7d customers: open + first page %8.2f ms, prefix 'ros' %8.2f ms, date filter %8.2f ms "
        "(%d hits), last record %8.2f ms\n",
        backend, size, open, prefix, date, hits, last);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const QString pgDir = work.path() + QStringLiteral("/pg");
    const QString script = QStringLiteral(ZOV_PG_SERVER_SCRIPT);
    if (QProcess::execute(script, {QStringLiteral("start"), pgDir}) != 0) {
        std::fprintf(stderr, "archive_bench: the PostgreSQL server did not start (%s)\n", qPrintable(script));
        return 1;
    }
    QFile hostFile(pgDir + QStringLiteral("/host"));
    hostFile.open(QIODevice::ReadOnly);
    const QString host = QString::fromLocal8Bit(hostFile.readAll()).trimmed();
    bool ok = true;
    for (int size : kSizes) {
        ArchiveLocation sqlite;
        sqlite.runtimeDirectory = work.path() + QStringLiteral("/sqlite%1").arg(size);
        ok = Measure("SQLite", sqlite, size) && ok;

        ArchiveLocation pg;
        pg.kind = ArchiveLocation::Kind::Postgres;
        pg.runtimeDirectory = work.path() + QStringLiteral("/pg%1").arg(size);
        pg.host = host;
        pg.database = QStringLiteral("bench%1").arg(size);
        pg.user = QStringLiteral("zov");
        {
            const QString admin = QStringLiteral("admin");
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), admin);
            db.setHostName(host);
            db.setDatabaseName(QStringLiteral("postgres"));
            db.setUserName(pg.user);
            if (db.open()) QSqlQuery(db).exec(QStringLiteral("CREATE DATABASE ") + pg.database);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        ok = Measure("PostgreSQL", pg, size) && ok;
    }
    QProcess::execute(script, {QStringLiteral("stop"), pgDir});
    return ok ? 0 : 1;
}
