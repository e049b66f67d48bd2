#include "EcuWorkLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "TemporaryFiles.h"

namespace zov {

namespace {

// FNV-1a: the same name for the same folder in every build of both programs.
uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

std::string EcuWorkLock::PathFor(const std::string& runtimeDirectory) {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::weakly_canonical(runtimeDirectory, ec);
    if (ec) folder = std::filesystem::path(runtimeDirectory).lexically_normal();
    char name[40];
    std::snprintf(name, sizeof name, "/ecu-work-%016llx.lock",
                  static_cast<unsigned long long>(Fnv1a(folder.string())));
    return PrivateTemporaryFolder() + name;
}

std::string EcuWorkLock::RuntimeOfMapFolder(const std::string& mapPath) {
    if (mapPath.empty()) return {};
    std::filesystem::path map = std::filesystem::path(mapPath).lexically_normal();
    if (!map.has_filename()) map = map.parent_path();
    return map.parent_path().string();
}

EcuWorkLock::EcuWorkLock(Kind kind, const std::string& runtimeDirectory) {
    if (runtimeDirectory.empty()) return;
    const std::string path = PathFor(runtimeDirectory);
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    const int operation = kind == Kind::Shared ? LOCK_SH : LOCK_EX | LOCK_NB;
    int result;
    while ((result = flock(fd_, operation)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        close(fd_);
        fd_ = -1;
    }
}

EcuWorkLock::~EcuWorkLock() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace zov
