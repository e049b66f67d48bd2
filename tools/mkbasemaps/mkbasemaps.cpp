// mkbasemaps: writes the sample base-map library (Map/GPL and Map/Metano, one map definition file
// per displacement) into a runtime folder, with the map model's own writer.
//
//   mkbasemaps RUNTIMEDIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "Clock.h"
#include "ComInj.h"
#include "DetachedConfiguration.h"
#include "TermiosSerial.h"

namespace {

struct Library {
    const char* folder;
    std::initializer_list<int> displacements;
    int richness;  // gas needs a little more injection time than LPG
};

// Injection grows with load (row) and speed (column), and falls with displacement: a smaller
// engine's injectors open longer for the same air.
void FillMap(zov::ConfMap& map, int displacement, int richness) {
    for (int c = 0; c < zov::ConfMap::kCols; ++c) map.SetRpm(c, zov::ConfMap::kDefaultRpm[size_t(c)]);
    for (int r = 0; r < zov::ConfMap::kRows; ++r) map.SetMap(r, zov::ConfMap::kDefaultMap[size_t(r)]);
    const double scale = 1600.0 / displacement;
    for (int r = 0; r < zov::ConfMap::kRows; ++r)
        for (int c = 0; c < zov::ConfMap::kCols; ++c)
            map.SetCell(r, c, int32_t((richness + 22 * r + 4 * c) * scale), false);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkbasemaps RUNTIMEDIR\n");
        return 2;
    }
    zov::SteadyClock clock;
    zov::TermiosOpener opener;
    zov::DetachedConfiguration::NeverUpgrade prompter;
    // Never connected: the model only writes files.
    zov::ComInj link(0, 5, opener, clock, prompter);
    zov::DetachedConfiguration model(link);
    const Library libraries[] = {{"GPL", {1000, 1400, 1600, 2000}, 180}, {"Metano", {1200, 1600, 2000}, 210}};
    for (const Library& library : libraries) {
        const std::string folder = std::string(argv[1]) + "/Map/" + library.folder;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        for (int cc : library.displacements) {
            const std::string path = folder + "/automap_" + std::to_string(cc) + "n.map";
            FillMap(model.map, cc, library.richness);
            model.map.SetFileName(path);
            if (!model.map.WriteDefinitionFile()) {
                std::fprintf(stderr, "mkbasemaps: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
