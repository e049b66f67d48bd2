#pragma once

#include <QString>
#include <string>
#include <vector>

namespace zov {

// zovctl customers import FILE.DBF | list [--field NAME --prefix TEXT] [--date CONDITION] |
// export OUT.csv | init | move --to sqlite|postgres [--host H --port N --database D --user U
// --ssl-mode M], and history [--plate P | --serial S] | get ID OUT | add FILE ..., on the
// customer archive of `runtimeDirectory` (SQLite there, or the PostgreSQL
// archive the settings store in `settingsDirectory` names). Returns the exit status; on a failure
// `error` holds the one line to print.
struct CustomersStatus {
    static constexpr int kOk = 0;
    static constexpr int kBadArgument = 2;
    static constexpr int kFileFailure = 4;
};

int RunCustomersCommand(const std::string& runtimeDirectory, const QString& settingsDirectory,
                        const std::vector<std::string>& args, std::string& error);

class ConfCar;
// Stores the backup at `path` of the configuration `car` holds in the car history of the archive
// the settings name; the entry's id, or 0 with `error` when it was not stored.
long long StoreBackupInHistory(const std::string& runtimeDirectory, const QString& settingsDirectory,
                               const std::string& path, const ConfCar& car, std::string& error);

}  // namespace zov
