#include "UpdateDownloads.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "Sha256.h"

namespace zov {

namespace fs = std::filesystem;

UpdateDownloads::UpdateDownloads(std::string folder) : folder_(std::move(folder)) {
    mkdir(folder_.c_str(), 0700);
}

std::string UpdateDownloads::PathOf(const IndexedFile& file) const {
    return folder_ + "/" + file.sha256 + ".part";
}

uint64_t UpdateDownloads::Resumable(const IndexedFile& file) const {
    std::error_code ec;
    const uint64_t have = fs::file_size(PathOf(file), ec);
    if (ec) return 0;
    if (have > file.size) {
        Discard(file);
        return 0;
    }
    return have;
}

UpdateDownloads::Check UpdateDownloads::Verify(const IndexedFile& file) const {
    std::error_code ec;
    const uint64_t have = fs::file_size(PathOf(file), ec);
    if (ec || have < file.size) return Check::Incomplete;
    if (have > file.size) return Check::Bad;
    const std::optional<std::string> sha = Sha256::OfFile(PathOf(file));
    return sha && *sha == file.sha256 ? Check::Good : Check::Bad;
}

void UpdateDownloads::Discard(const IndexedFile& file) const { unlink(PathOf(file).c_str()); }

void UpdateDownloads::Clear() const {
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".part") fs::remove(it->path(), ec);
}

}  // namespace zov
