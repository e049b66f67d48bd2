#include "InternetUpdate.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

#include "EcuWorkLock.h"
#include "Ed25519.h"
#include "UpdateKeys.h"
#include "UpdateSequences.h"

namespace zov {

namespace {

UpdateRoots RootsIn(const std::string& runtime) {
    return {runtime + "/Schede", runtime + "/Vetture", runtime + "/Map"};
}

std::string SequencePath(const std::string& runtime) { return runtime + "/" + UpdateSequences::kFile; }

// Writes all of `bytes`; false with errno set when the file refuses some (a full disk, EFBIG).
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

}  // namespace

InternetUpdate::InternetUpdate(InternetUpdateSetup setup, UpdateFetcher& fetcher)
    : setup_(std::move(setup)),
      fetcher_(fetcher),
      archive_(RootsIn(setup_.runtimeDirectory)),
      downloads_(setup_.downloadFolder) {}

std::string InternetUpdate::FetchSmall(const std::string& name, size_t limit, std::string& error) const {
    std::string bytes;
    bool tooLong = false;
    error = fetcher_.Fetch(name, 0, [&](std::string_view piece) {
        tooLong = bytes.size() + piece.size() > limit;
        if (!tooLong) bytes.append(piece);
        return !tooLong;
    });
    if (tooLong) error = "longer than " + std::to_string(limit) + " bytes";
    if (!error.empty()) error = "cannot read " + name + ": " + error;
    return bytes;
}

std::string InternetUpdate::Signer(const std::string& index, const std::string& signatureFile,
                                   std::string& error) const {
    const std::optional<std::string> signature = UpdateKeys::ParseSignature(signatureFile);
    if (!signature) {
        error = std::string(UpdateIndex::kSignatureName) + " holds no signature";
        return {};
    }
    for (const std::string& key : setup_.trustedKeys)
        if (Ed25519::Verify(key, index, *signature)) return key;
    error = std::string("the signature of ") + UpdateIndex::kFileName + " does not verify with a trusted key";
    return {};
}

PreparedUpdate InternetUpdate::Prepare() const {
    PreparedUpdate update;
    std::string& error = update.plan.error;
    if (!EcuWorkLock(EcuWorkLock::Kind::Exclusive, setup_.runtimeDirectory).Held()) {
        error = kBusy;
        return update;
    }
    if (setup_.trustedKeys.empty()) {
        error = std::string("no publisher key is trusted (") + UpdateKeys::kTrustedFile + ")";
        return update;
    }
    const std::string index = FetchSmall(UpdateIndex::kFileName, UpdateIndex::kMaxBytes, error);
    if (!error.empty()) return update;
    const std::string signature = FetchSmall(UpdateIndex::kSignatureName, kMaxSignatureBytes, error);
    if (!error.empty()) return update;
    update.publisherKey = Signer(index, signature, error);
    if (!error.empty()) return update;
    std::optional<UpdateIndex> parsed = UpdateIndex::Parse(index, error);
    if (!parsed) return update;
    update.index = std::move(*parsed);
    const uint64_t last = UpdateSequences(SequencePath(setup_.runtimeDirectory)).Last(update.publisherKey);
    if (update.index.sequence < last) {
        error = "the index's sequence " + std::to_string(update.index.sequence) + " is older than " +
                std::to_string(last) + ", the last installed: an old update served again";
        return update;
    }
    std::vector<ArchiveUpdate::ListedFile> listed;
    std::map<std::string, const IndexedFile*> bySource;
    for (const IndexedFile& f : update.index.files) {
        listed.push_back({f.path, f.size, downloads_.PathOf(f)});
        bySource[downloads_.PathOf(f)] = &f;
    }
    update.plan = archive_.PlanListed(std::move(listed));
    for (const UpdateFile& planned : update.plan.files) {
        const IndexedFile& f = *bySource.at(planned.source);
        bool seen = false;
        for (const IndexedFile& w : update.wanted) seen = seen || w.sha256 == f.sha256;
        if (!seen) update.wanted.push_back(f);
    }
    return update;
}

std::string InternetUpdate::FetchInto(const IndexedFile& file, uint64_t offset, uint64_t before,
                                      Progress& progress, const ProgressFn& report,
                                      const CancelFn& cancelled) const {
    const std::string path = downloads_.PathOf(file);
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return "cannot write " + path + ": " + std::strerror(errno);
    uint64_t have = offset;
    std::string failure;
    const std::string error = fetcher_.Fetch(
        std::string(UpdateIndex::kFolder) + "/" + file.path, offset, [&](std::string_view piece) {
            if (cancelled && cancelled()) return false;
            if (have + piece.size() > file.size) {
                failure = "the server sent more than the listed size";
                return false;
            }
            if (!WriteAll(fd, piece)) {
                failure = "cannot write " + path + ": " + std::strerror(errno);
                return false;
            }
            have += piece.size();
            progress.bytes = before + have;
            if (report) report(progress);
            return true;
        });
    close(fd);
    if (!failure.empty()) {
        downloads_.Discard(file);
        return file.path + ": " + failure;
    }
    return error.empty() ? std::string() : file.path + ": " + error;
}

UpdateOutcome InternetUpdate::Download(const PreparedUpdate& update, const ProgressFn& report,
                                       const CancelFn& cancelled) const {
    UpdateOutcome outcome;
    Progress progress;
    progress.totalFiles = update.wanted.size();
    for (const IndexedFile& f : update.wanted) progress.totalBytes += f.size;
    uint64_t before = 0;
    for (const IndexedFile& file : update.wanted) {
        for (int attempt = 0;; ++attempt) {
            const uint64_t have = downloads_.Resumable(file);
            if (have < file.size) {
                outcome.error = FetchInto(file, have, before, progress, report, cancelled);
                if (cancelled && cancelled()) {
                    outcome.cancelled = true;
                    outcome.error.clear();
                }
                if (!outcome.Complete()) return outcome;
            }
            if (downloads_.Verify(file) == UpdateDownloads::Check::Good) break;
            downloads_.Discard(file);
            if (attempt == 1) {
                outcome.error =
                    file.path + ": the download does not match its listed size and SHA-256, twice";
                return outcome;
            }
        }
        before += file.size;
        progress.bytes = before;
        ++progress.files;
        if (report) report(progress);
    }
    return outcome;
}

UpdateOutcome InternetUpdate::Install(const PreparedUpdate& update, const ArchiveUpdate::ProgressFn& progress,
                                      const CancelFn& cancelled) const {
    UpdateOutcome outcome;
    const EcuWorkLock lock(EcuWorkLock::Kind::Exclusive, setup_.runtimeDirectory);
    if (!lock.Held()) {
        outcome.error = kBusy;
        return outcome;
    }
    outcome = archive_.Copy(update.plan, progress, cancelled);
    if (!outcome.Complete()) return outcome;
    outcome.error = UpdateSequences(SequencePath(setup_.runtimeDirectory))
                        .Record(update.publisherKey, update.index.sequence);
    if (outcome.error.empty()) downloads_.Clear();
    return outcome;
}

}  // namespace zov
