#include "CrashChild.h"

#include <cstdio>
#include <cstdlib>

#include "ArchiveSupport.h"
#include "CustomerArchive.h"

namespace zov::test {

QStringList CrashChildArguments(const ArchiveLocation& location) {
    return {kCrashChildOption, location.runtimeDirectory, location.host, location.database, location.user};
}

bool RunCrashChildIfAsked(const QStringList& arguments) {
    if (arguments.size() != 6 || arguments[1] != kCrashChildOption) return false;
    ArchiveLocation location;
    location.runtimeDirectory = arguments[2];
    if (!arguments[3].isEmpty()) {
        location.kind = ArchiveLocation::Kind::Postgres;
        location.host = arguments[3];
        location.database = arguments[4];
        location.user = arguments[5];
    }
    CustomerArchive archive(location);
    const auto opened = archive.Open(true);
    if (opened.status != CustomerArchive::OpenStatus::Opened) {
        std::fprintf(stderr, "crash child: %s\n", qPrintable(opened.error));
        std::_Exit(1);
    }
    for (int n = 1;; ++n) {
        archive.Post(Customer(QStringLiteral("A%1").arg(n)), true);
        archive.Post(Customer(QStringLiteral("B%1").arg(n)), true);
        archive.First();
        CustomerRecord first = archive.Current();
        first.values[kNome] = QString::number(n);
        archive.Post(first, false);
        if (archive.Apply().status != CustomerArchive::ApplyStatus::Applied) std::_Exit(1);
        std::printf("%d\n", n);
        std::fflush(stdout);
    }
}

}  // namespace zov::test
