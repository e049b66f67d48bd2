#include "TemporaryFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace zov {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kScratchPrefixes[] = {"_ci", "_ic"};
constexpr const char* kScratchSuffix = ".tmp";

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Whether process `pid` still runs (a process of another user counts as running).
bool Running(std::string_view pidText) {
    if (pidText.size() > 9) return true;  // not a pid this system hands out: leave the file alone
    const pid_t pid = pid_t(std::atol(std::string(pidText).c_str()));
    if (pid <= 0) return true;
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// The pid in a temporary's name, or empty when the name is none of ours.
std::string_view OwnerOf(std::string_view name) {
    // "<target>.tmp<pid>_<n>"
    const size_t tmp = name.rfind(".tmp");
    if (tmp != std::string_view::npos && tmp > 0) {
        const std::string_view rest = name.substr(tmp + 4);
        const size_t gap = rest.find('_');
        if (gap != std::string_view::npos && AllDigits(rest.substr(0, gap)) &&
            AllDigits(rest.substr(gap + 1)))
            return rest.substr(0, gap);
    }
    // "_ci<pid>_XXXXXX.tmp", "_ic<pid>_XXXXXX.tmp"
    const std::string_view suffix = kScratchSuffix;
    for (const std::string_view prefix : kScratchPrefixes) {
        if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
            name.substr(name.size() - suffix.size()) != suffix)
            continue;
        const std::string_view middle =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        const size_t gap = middle.find('_');
        if (gap != std::string_view::npos && AllDigits(middle.substr(0, gap))) return middle.substr(0, gap);
    }
    return {};
}

// A directory of ours (not a link), mode 0700.
bool OwnPrivateDirectory(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) return false;
    return true;
}

}  // namespace

std::string PrivateTemporaryFolder() {
    std::string folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    if (runtime && *runtime == '/' && fs::is_directory(runtime, ec)) {
        folder = std::string(runtime) + "/zovqbr";
    } else {
        fs::path temp = fs::temp_directory_path(ec);
        if (ec) temp = "/tmp";
        folder = (temp / ("zovqbr-" + std::to_string(::getuid()))).string();
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return OwnPrivateDirectory(folder) ? folder : std::string();
}

namespace {

// "<target>.tmp<pid>_<n>", a new n on every call.
std::string NameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

constexpr int kNameAttempts = 100;

}  // namespace

int CreateTemporaryBeside(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = NameBeside(target);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool LinkBeside(const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = NameBeside(target);
        if (::link(target.c_str(), name.c_str()) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

mode_t NewFileMode() {
    // Reading the umask from the kernel leaves it alone for other threads.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return mode_t(0666 & ~std::strtoul(line.c_str() + 6, nullptr, 8));
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

int RemoveLeftoverTemporaries(const std::string& folder) {
    if (folder.empty()) return 0;
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string_view owner = OwnerOf(name);
        if (owner.empty() || Running(owner)) continue;
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        if (fs::remove(it->path(), statError)) ++removed;
    }
    return removed;
}

int RemoveLeftoverTemporariesBeside(const std::string& target) {
    const fs::path folder = fs::path(target).parent_path();
    return RemoveLeftoverTemporaries(folder.empty() ? std::string(".") : folder.string());
}

TemporaryFile::TemporaryFile(const char* prefix) {
    // Another instance may take the empty folder away between its creation and ours: try again.
    for (int attempt = 0; attempt < 3 && path_.empty(); ++attempt) {
        const std::string folder = PrivateTemporaryFolder();
        if (folder.empty()) return;
        std::string pattern = folder + "/" + prefix + std::to_string(::getpid()) + "_XXXXXX" + kScratchSuffix;
        const int fd = ::mkstemps(pattern.data(), int(std::char_traits<char>::length(kScratchSuffix)));
        if (fd < 0) continue;
        ::close(fd);
        path_ = pattern;
    }
}

TemporaryFile::~TemporaryFile() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    // The folder goes with its last file; one still in use is not empty and stays.
    ::rmdir(fs::path(path_).parent_path().c_str());
}

}  // namespace zov
