#include "ZovctlBaseMap.h"

#include <algorithm>
#include <charconv>

namespace zov {
namespace {

// The editor's messages in the console's language.
constexpr const char* kNoCil = "No base map for this displacement.";
constexpr const char* kNoFile = "Base map file not found.";
constexpr const char* kCorruptedFile = "The base map file is damaged.";
constexpr const char* kDrivenToLimit = "No base map: outside the library's %1-%2 cc, cells would hit limits.";
constexpr const char* kUsage = "usage: basemap CC [--fuel gpl|metano] [--library DIR] [--write]";

struct Arguments {
    int32_t displacement = 0;
    int32_t fuelType = 0;
    std::string library;
    bool write = false;
};

bool Parse(const std::vector<std::string>& args, Arguments& a) {
    if (args.size() < 2) return false;
    const std::string& cc = args[1];
    const auto [end, ec] = std::from_chars(cc.data(), cc.data() + cc.size(), a.displacement);
    if (ec != std::errc() || end != cc.data() + cc.size()) return false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--write") {
            a.write = true;
        } else if (args[i] == "--fuel" && i + 1 < args.size() &&
                   (args[i + 1] == "gpl" || args[i + 1] == "metano")) {
            a.fuelType = args[++i] == "metano" ? 1 : 0;
        } else if (args[i] == "--library" && i + 1 < args.size()) {
            a.library = args[++i];
            if (a.library.empty() || a.library.back() != '/') a.library += '/';
        } else {
            return false;
        }
    }
    return true;
}

void Print(const BaseMapLibrary::Map& map, std::FILE* out) {
    for (int r = 0; r < ConfMap::kRows; ++r)
        for (int c = 0; c < ConfMap::kCols; ++c)
            std::fprintf(out, "%d%c",
                         std::clamp(map.cells[size_t(r * ConfMap::kCols + c)], 0, ConfMap::kMaxCell),
                         c + 1 < ConfMap::kCols ? ' ' : '\n');
    std::fputs("MAP=", out);
    for (size_t i = 0; i < map.map.size(); ++i) std::fprintf(out, "%s%d", i ? " " : "", map.map[i]);
    std::fputs("\nRPM=", out);
    for (size_t i = 0; i < map.rpm.size(); ++i) std::fprintf(out, "%s%d", i ? " " : "", map.rpm[i]);
    std::fputs("\n", out);
}

}  // namespace

int RunBaseMap(const std::vector<std::string>& args, const std::string& mapDirectory, ConfMap& reader,
               const std::function<void(const BaseMapLibrary::Map&)>& write, std::FILE* out,
               std::string& error) {
    Arguments a;
    if (!Parse(args, a)) {
        error = kUsage;
        return 2;
    }
    const std::string folder =
        a.library.empty() ? BaseMapLibrary::FuelFolder(mapDirectory, a.fuelType) : a.library;
    BaseMapLibrary::Map map;
    switch (BaseMapLibrary::Build(reader, folder, a.displacement, map)) {
        case BaseMapLibrary::Outcome::NoCil:
            error = kNoCil;
            return 5;
        case BaseMapLibrary::Outcome::NoFile:
            error = std::string(kNoFile) + " (" + folder + ")";
            return 5;
        case BaseMapLibrary::Outcome::CorruptedFile:
            error = kCorruptedFile;
            return 5;
        case BaseMapLibrary::Outcome::DrivenToLimit:
            error = BaseMapLibrary::RangeText(kDrivenToLimit,
                                              BaseMapLibrary::RangeOf(BaseMapLibrary::List(folder)));
            return 5;
        case BaseMapLibrary::Outcome::Loaded:
            break;
    }
    if (a.write) write(map);
    Print(map, out);
    return 0;
}

}  // namespace zov
