#include "UpdatePublisher.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "AtomicFile.h"
#include "Ed25519.h"
#include "Sha256.h"
#include "UpdateKeys.h"

namespace zov {

namespace fs = std::filesystem;

namespace {

constexpr const char* const kFolders[] = {"Schede", "Software", "Map"};

std::string UtcDate(int64_t now) {
    const std::time_t t = static_cast<std::time_t>(now);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The sequence of the index already published in `out`, 0 when there is none.
uint64_t PublishedSequence(const std::string& out) {
    std::ifstream in(out + "/" + UpdateIndex::kFileName, std::ios::binary);
    std::stringstream text;
    if (!(in && text << in.rdbuf())) return 0;
    std::string error;
    const std::optional<UpdateIndex> index = UpdateIndex::Parse(text.str(), error);
    return index ? index->sequence : 0;
}

// Every regular file under <zov>/<folder>, in path order; a link or a refused name is an error.
std::string ListFiles(const fs::path& zov, const char* folder, UpdateIndex& index) {
    std::vector<fs::path> found;
    std::error_code ec;
    if (!fs::exists(zov / folder, ec)) return {};
    for (auto it = fs::recursive_directory_iterator(zov / folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink()) return it->path().string() + " is a link: publish the file itself";
        if (it->is_regular_file()) found.push_back(it->path());
    }
    if (ec) return "cannot read " + (zov / folder).string() + ": " + ec.message();
    std::sort(found.begin(), found.end());
    for (const fs::path& p : found) {
        IndexedFile file;
        file.path = p.lexically_relative(zov).generic_string();
        if (std::string refusal = UpdateIndex::PathRefusal(file.path); !refusal.empty()) return refusal;
        const std::optional<std::string> sha = Sha256::OfFile(p.string());
        file.size = fs::file_size(p, ec);
        if (!sha || ec) return "cannot read " + p.string();
        file.sha256 = *sha;
        index.files.push_back(std::move(file));
    }
    return {};
}

std::string CopyFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    if (ec) return "cannot create " + to.parent_path().string() + ": " + ec.message();
    std::ifstream in(from, std::ios::binary);
    std::stringstream bytes;
    if (!(in && bytes << in.rdbuf()) && fs::file_size(from, ec) != 0) return "cannot read " + from.string();
    return WriteWholeFile(to.string(), bytes.str(), AtomicFile::Links::Replace);
}

}  // namespace

UpdatePublisher::Result UpdatePublisher::Publish(const std::string& folder, const std::string& out,
                                                 const std::string& secretKey, int64_t now) {
    Result result;
    const fs::path zov = fs::path(folder) / UpdateIndex::kFolder;
    std::error_code ec;
    if (!fs::is_directory(zov, ec)) {
        result.error = "no ZOV folder in " + folder;
        return result;
    }
    if (!Ed25519::PublicOf(secretKey)) {
        result.error = "not a secret key";
        return result;
    }
    for (const char* f : kFolders)
        if (result.error = ListFiles(zov, f, result.index); !result.error.empty()) return result;
    result.index.sequence =
        std::max<uint64_t>(PublishedSequence(out) + 1, uint64_t(std::max<int64_t>(now, 0)));
    result.index.date = UtcDate(now);

    fs::create_directories(out, ec);
    const bool inPlace = fs::equivalent(folder, out, ec);
    for (const IndexedFile& f : result.index.files) {
        if (inPlace) break;
        result.error = CopyFile(zov / f.path, fs::path(out) / UpdateIndex::kFolder / f.path);
        if (!result.error.empty()) return result;
    }
    const std::string text = result.index.Text();
    const std::optional<std::string> signature = Ed25519::Sign(secretKey, text);
    if (!signature) {
        result.error = "the index could not be signed";
        return result;
    }
    result.error = WriteWholeFile(out + "/" + UpdateIndex::kFileName, text);
    if (result.error.empty())
        result.error =
            WriteWholeFile(out + "/" + UpdateIndex::kSignatureName, UpdateKeys::SignatureText(*signature));
    return result;
}

}  // namespace zov
