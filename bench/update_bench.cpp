// The archive update's scan of a medium that brings nothing newer, with 1,500, 3,000 and 6,000
// instruction sheets installed in one folder and the same sheets on the medium: the case a
// workshop meets on every second run of an update disc.
//
// usage: update_bench
// Prints the scan time for each size and the time per sheet. Goal: linear, the time per sheet
// about the same at 6,000 as at 1,500 (a scan that weighs each sheet against the whole folder
// again grows fourfold per doubling).
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ArchiveUpdate.h"

namespace zov {
namespace {

namespace fs = std::filesystem;

// Sheets named as on the discs: a vehicle, an underscore, a three-character version.
std::string SheetName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "Vettura%05d_%03d.pdf", i, 1 + i % 7);
    return name;
}

double ScanSeconds(const fs::path& root, int sheets) {
    const fs::path installed = root / "run/Schede/ITALIANO";
    const fs::path medium = root / "medium/ZOV/Schede/ITALIANO";
    fs::create_directories(installed);
    fs::create_directories(medium);
    for (int i = 0; i < sheets; ++i) {
        std::ofstream(installed / SheetName(i)) << "sheet";
        std::ofstream(medium / SheetName(i)) << "sheet";
    }
    const ArchiveUpdate update(
        {(root / "run/Schede").string(), (root / "run/Vetture").string(), (root / "run/Map").string()});
    const auto start = std::chrono::steady_clock::now();
    const UpdatePlan plan = update.ScanMedium((root / "medium/ZOV").string());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!plan.error.empty() || !plan.files.empty()) {
        std::fprintf(stderr, "update_bench: the scan planned %zu files (%s)\n", plan.files.size(),
                     plan.error.c_str());
        return -1;
    }
    return seconds;
}

}  // namespace
}  // namespace zov

int main() {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "zov_update_bench_XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    int status = 0;
    for (const int sheets : {1500, 3000, 6000}) {
        const fs::path root = fs::path(pattern) / std::to_string(sheets);
        const double seconds = zov::ScanSeconds(root, sheets);
        if (seconds < 0) {
            status = 1;
            break;
        }
        std::printf("%5d sheets, nothing newer: %.3f s (%.1f us per sheet)\n", sheets, seconds,
                    seconds * 1e6 / sheets);
    }
    fs::remove_all(pattern);
    return status;
}
