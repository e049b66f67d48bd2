#include "WildcardSearch.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace zov {
namespace fs = std::filesystem;

namespace {

// '?' one character, '*' any run; both sides already lower-cased.
bool LowerMatches(const char* name, const char* pattern) {
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            for (const char* rest = name;; ++rest) {
                if (LowerMatches(rest, pattern + 1)) return true;
                if (!*rest) return false;
            }
        }
        if (!*name || (*pattern != '?' && *pattern != *name)) return false;
    }
    return !*name;
}

std::vector<std::string> List(const std::string& folder, WildcardSearch::Entry kind) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const bool wanted = kind == WildcardSearch::Entry::Folders ? it->is_directory(typeError)
                                                                   : it->is_regular_file(typeError);
        if (wanted) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), WildcardSearch::NameLess);
    return names;
}

}  // namespace

std::string WildcardSearch::Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool WildcardSearch::NameLess(const std::string& a, const std::string& b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
}

bool WildcardSearch::Matches(const std::string& name, const std::string& pattern) {
    return LowerMatches(Lower(name).c_str(), Lower(pattern).c_str());
}

std::vector<std::string> WildcardSearch::Matching(const std::string& folder, const std::string& pattern,
                                                  Entry kind) {
    const std::string lowered = Lower(pattern);
    std::vector<std::string> found;
    for (const std::string& name : List(folder, kind))
        if (LowerMatches(Lower(name).c_str(), lowered.c_str())) found.push_back(name);
    return found;
}

}  // namespace zov
