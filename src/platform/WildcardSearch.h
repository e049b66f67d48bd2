#pragma once

#include <string>
#include <vector>

namespace zov {

// The directory search by wildcard of the system the archives, the standard software and the
// base-map libraries come from, where names are matched without regard to letter case: "*.S19"
// and "Automap_1600N.map" match "*.s19" and "automap*_????n.map", a folder "Gpl" is the folder
// "GPL". A "?" stands for exactly one character, a "*" for any run. Names come back in the order
// of the system's listing: by name, letter case aside, bytes deciding a tie, so the order never
// depends on the file system.
class WildcardSearch {
  public:
    enum class Entry { Files, Folders };

    // The names in `folder` of the kind asked for that match `pattern`; none for a folder that
    // cannot be read.
    static std::vector<std::string> Matching(const std::string& folder, const std::string& pattern,
                                             Entry kind);
    static bool Matches(const std::string& name, const std::string& pattern);
    static bool NameLess(const std::string& a, const std::string& b);
    static std::string Lower(std::string text);
};

}  // namespace zov
