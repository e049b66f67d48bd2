#include "FirstStart.h"

#include <cstdlib>
#include <system_error>

#include "GlobalData.h"

namespace zov {

namespace fs = std::filesystem;

namespace {

bool HasRuntimeData(const fs::path& directory) {
    std::error_code ec;
    return fs::is_regular_file(directory / FirstStart::kRuntimeMarker, ec);
}

std::string Reason(const fs::path& path, const std::error_code& ec) {
    return path.string() + ": " + ec.message();
}

// A link to `target` at `at`, unless something other than a stale link is there already.
std::string LinkFile(const fs::path& target, const fs::path& at) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(at, ec);
    if (fs::exists(link)) {
        if (!fs::is_symlink(link) || fs::exists(at, ec)) return {};
        if (!fs::remove(at, ec)) return Reason(at, ec);
    }
    fs::create_symlink(target, at, ec);
    return ec ? Reason(at, ec) : std::string();
}

std::string MakeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return Reason(folder, ec);
    if (!fs::is_directory(folder, ec)) return folder.string() + ": not a folder";
    return {};
}

}  // namespace

const std::vector<std::string>& FirstStart::WritableFolders() {
    static const std::vector<std::string> folders{"Config", "Clienti", "Log", "Vetture", "Schede"};
    return folders;
}

fs::path FirstStart::InstalledDataDirectory(const fs::path& executableDirectory) {
    return (executableDirectory / ".." / "share" / "zovqbr").lexically_normal();
}

fs::path FirstStart::UserDataDirectory() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && fs::path(xdg).is_absolute()) return fs::path(xdg) / "zovqbr";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return fs::path(home) / ".local" / "share" / "zovqbr";
}

std::string FirstStart::Populate(const fs::path& installed, const fs::path& user) {
    if (std::string error = MakeFolder(user); !error.empty()) return error;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(installed, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path at = user / fs::relative(it->path(), installed);
        const std::string error = it->is_directory() ? MakeFolder(at) : LinkFile(it->path(), at);
        if (!error.empty()) return error;
    }
    if (ec) return Reason(installed, ec);
    for (const std::string& folder : WritableFolders()) {
        if (std::string error = MakeFolder(user / folder); !error.empty()) return error;
    }
    return {};
}

FirstStart::Place FirstStart::Prepare(const fs::path& executableDirectory, const QString& storeDirectory) {
    if (HasRuntimeData(executableDirectory)) return {executableDirectory.string(), {}, false};
    const fs::path installed = InstalledDataDirectory(executableDirectory);
    // Neither layout: the windows report the missing data as they always have.
    if (!HasRuntimeData(installed)) return {executableDirectory.string(), {}, false};

    Place place{UserDataDirectory().string(), {}, false};
    if (place.applicationDirectory.empty()) {
        place.error = "neither XDG_DATA_HOME nor HOME names the user's folder";
        return place;
    }
    place.error = Populate(installed, place.applicationDirectory);
    if (!place.error.empty()) return place;
    if (GlobalData::InspectStore(storeDirectory) != GlobalData::StoreState::Empty) return place;
    if (!GlobalData::WriteDefaults(storeDirectory, place.applicationDirectory)) {
        place.error = "the settings cannot be written";
        return place;
    }
    place.settingsWritten = true;
    return place;
}

}  // namespace zov
