#include "ZovctlVehicles.h"

#include <filesystem>

#include "VehicleArchive.h"

namespace zov {

int ListVehicles(const std::vector<std::string>& args, const std::string& defaultArchive, std::FILE* out,
                 std::string& error) {
    std::string folder = defaultArchive;
    if (args.size() == 3 && args[1] == "--archive") {
        folder = args[2];
    } else if (args.size() != 1) {
        error = "usage: vehicles [--archive DIR]";
        return 2;
    }
    // The window shows a missing folder as an empty archive; on the command line it is far more
    // likely a mistyped path.
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        error = "cannot read the vehicle archive " + folder;
        return 4;
    }
    const VehicleArchive archive = VehicleArchive::Scan(folder);
    for (const ArchiveFuel& fuel : archive.fuels)
        for (const ArchiveBrand& brand : fuel.brands)
            for (const ArchiveVehicle& vehicle : brand.vehicles)
                std::fprintf(out, "%s\t%s\t%s\t%s\n", fuel.label, brand.name.c_str(),
                             vehicle.displayName.c_str(), vehicle.fileName.c_str());
    return 0;
}

}  // namespace zov
