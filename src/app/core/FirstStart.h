#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace zov {

// Where the program finds its runtime data (dictionary, pictures, help, standard software) and
// keeps what it writes (configurations, archives, logs).
//
// A runtime folder next to the executable (the build tree, the demo) is used as it is. An
// installed program has its data read-only under <executable>/../share/zovqbr, so each user gets
// a folder of their own, $XDG_DATA_HOME/zovqbr (by default ~/.local/share/zovqbr): its folders
// made, the installed files linked into it, and on the user's first start (a settings store
// without any MainPath) complete default settings pointing at it, so that first start shows no
// error. A store that exists but is damaged is left alone for the settings to report.
class FirstStart {
  public:
    struct Place {
        std::string applicationDirectory;  // becomes the program's main path
        std::string error;                 // not empty: the user's folder could not be prepared
        bool settingsWritten = false;      // this start wrote the default settings
    };

    static constexpr const char* kRuntimeMarker = "Dizionario.dbf";
    // The folders the program writes into; made in the user's folder, never linked.
    static const std::vector<std::string>& WritableFolders();

    // `storeDirectory` as for the settings: empty for the user's own store.
    static Place Prepare(const std::filesystem::path& executableDirectory, const QString& storeDirectory);

    static std::filesystem::path InstalledDataDirectory(const std::filesystem::path& executableDirectory);
    // $XDG_DATA_HOME/zovqbr; ~/.local/share/zovqbr when XDG_DATA_HOME is unset, empty or not
    // absolute; empty when HOME is not set either.
    static std::filesystem::path UserDataDirectory();
    // Makes `user` mirror `installed`: every folder made, every file linked (a link that went stale
    // after an upgrade is renewed), the writable folders made; what the user has there stays.
    // Returns the reason when it cannot.
    static std::string Populate(const std::filesystem::path& installed, const std::filesystem::path& user);
};

}  // namespace zov
