#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ArchiveUpdate.h"
#include "UpdateDownloads.h"
#include "UpdateFetcher.h"
#include "UpdateIndex.h"

namespace zov {

// What an update over the internet is given.
struct InternetUpdateSetup {
    std::string runtimeDirectory;          // holds the three archive folders and Config/
    std::vector<std::string> trustedKeys;  // publishers' public keys, hex
    std::string downloadFolder;            // private: the downloads wait here until installed
};

// A published update checked and planned, before any of its files is downloaded. `plan.error`
// non-empty: refused whole.
struct PreparedUpdate {
    UpdateIndex index;
    std::string publisherKey;
    UpdatePlan plan;                  // sources are the downloads' paths
    std::vector<IndexedFile> wanted;  // the distinct contents the plan needs, in plan order
};

// The archive update from a published folder: the index and its signature are read and checked
// first (a trusted key, a sequence not below the last installed, every path inside the three
// folders), then the newer files are downloaded into the private folder and each checked against
// its size and SHA-256, and only when all are there does the install run, with the rules of
// ArchiveUpdate. Nothing of the runtime directory changes before that.
class InternetUpdate {
  public:
    struct Progress {
        uint64_t bytes = 0;
        uint64_t totalBytes = 0;
        size_t files = 0;
        size_t totalFiles = 0;
    };
    using ProgressFn = std::function<void(const Progress&)>;
    using CancelFn = std::function<bool()>;

    static constexpr const char* kBusy = "the ECU is being programmed or a mapping is open";
    static constexpr size_t kMaxSignatureBytes = 4096;

    InternetUpdate(InternetUpdateSetup setup, UpdateFetcher& fetcher);

    PreparedUpdate Prepare() const;
    // Downloads what `update` wants, resuming what an earlier attempt left; a file failing its
    // check is fetched again once. `error` empty and not cancelled: everything is here and good.
    UpdateOutcome Download(const PreparedUpdate& update, const ProgressFn& progress = {},
                           const CancelFn& cancelled = {}) const;
    // Installs a downloaded update and records its sequence; the downloads go once installed.
    UpdateOutcome Install(const PreparedUpdate& update, const ArchiveUpdate::ProgressFn& progress = {},
                          const CancelFn& cancelled = {}) const;

    const ArchiveUpdate& Archive() const { return archive_; }

  private:
    // Fetches a small file whole; empty `error` when it came.
    std::string FetchSmall(const std::string& name, size_t limit, std::string& error) const;
    // Verifies the signature against the trusted keys; the key that made it, or empty.
    std::string Signer(const std::string& index, const std::string& signatureFile, std::string& error) const;
    // Fetches the rest of one file into its download; the reason when it stopped.
    std::string FetchInto(const IndexedFile& file, uint64_t offset, uint64_t before, Progress& progress,
                          const ProgressFn& report, const CancelFn& cancelled) const;

    InternetUpdateSetup setup_;
    UpdateFetcher& fetcher_;
    ArchiveUpdate archive_;
    UpdateDownloads downloads_;
};

}  // namespace zov
