#pragma once

#include <cstdint>
#include <string>

#include "UpdateIndex.h"

namespace zov {

// The downloads of a published update in a private folder, one file per distinct content named
// after its SHA-256 ("<sha256>.part"), so an interrupted download is taken up where it stopped at
// the next attempt, and a file changed on the server never continues a stale beginning.
class UpdateDownloads {
  public:
    enum class Check { Good, Incomplete, Bad };

    // `folder` is made (mode 0700) when missing.
    explicit UpdateDownloads(std::string folder);

    const std::string& Folder() const { return folder_; }
    std::string PathOf(const IndexedFile& file) const;
    // How many bytes of `file` are here already; a file longer than listed is dropped first.
    uint64_t Resumable(const IndexedFile& file) const;
    // Whether the download is complete and matches its size and SHA-256.
    Check Verify(const IndexedFile& file) const;
    void Discard(const IndexedFile& file) const;
    // Empties the folder once its downloads are installed.
    void Clear() const;

  private:
    std::string folder_;
};

}  // namespace zov
