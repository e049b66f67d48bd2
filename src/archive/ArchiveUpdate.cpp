#include "ArchiveUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "AtomicFile.h"
#include "FolderVersions.h"

namespace zov {

namespace fs = std::filesystem;

namespace {

// The three characters after the last "_" (the first three when there is none).
std::string VersionOf(const std::string& name) {
    const size_t us = name.rfind('_');
    return us == std::string::npos ? name.substr(0, 3) : name.substr(us + 1, 3);
}

// Entries of a folder sorted by name: the listing order of a file system is no order at all.
std::vector<fs::directory_entry> SortedEntries(const std::string& dir) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    return entries;
}

bool IsRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool IsRealDirectory(const fs::directory_entry& e) {
    std::error_code ec;
    return e.symlink_status(ec).type() == fs::file_type::directory;
}

// `path` with every existing part resolved (symbolic links followed) lies strictly inside `root`.
bool Within(const fs::path& path, const fs::path& root) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(path, ec);
    if (ec) return false;
    const fs::path r = fs::weakly_canonical(root, ec);
    if (ec) return false;
    const fs::path rel = p.lexically_relative(r);
    return !rel.empty() && rel != "." && *rel.begin() != "..";
}

std::string Slashes(std::string s) {
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

bool HasParentStep(const std::string& path) {
    for (const fs::path& part : fs::path(path))
        if (part == "..") return true;
    return false;
}

std::string ErrnoText() { return std::strerror(errno); }

// A file name part holding a byte below blank or DEL: echoed, it could forge an output line.
bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// `text` with its control characters shown as \xNN, fit for a one-line message.
std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
            out += code;
        } else {
            out += c;
        }
    }
    return out;
}

std::string ControlCharacterRefusal(const std::string& name) {
    return "the name \"" + Escaped(name) + "\" holds a control character";
}

// Copies `from` into `file`; false with `error` set when the source cannot be read or the copy
// cannot be written.
bool CopyInto(const std::string& from, AtomicFile& file, std::string& error) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = "cannot read " + from + ": " + ErrnoText();
        return false;
    }
    char buffer[65536];
    bool ok = true;
    while (ok) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + from + ": " + ErrnoText();
            ok = false;
        } else if (!file.Write(std::string_view(buffer, size_t(n)))) {
            error = file.Error();
            ok = false;
        }
    }
    close(in);
    return ok;
}

// Installs one file: the copy replaces the destination in one step (a link there is replaced,
// not followed); only then are the older versions deleted, each a link itself when it is one.
// False with `error` set when it failed.
bool InstallFile(const UpdateFile& file, UpdateOutcome& outcome) {
    const fs::path destination(file.destination);
    const std::string dir = destination.parent_path().string();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        outcome.error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    AtomicFile copy(file.destination, AtomicFile::Links::Replace);
    if (!copy.Open() || !CopyInto(file.source, copy, outcome.error) || !copy.Commit()) {
        if (outcome.error.empty()) outcome.error = copy.Error();
        return false;
    }
    outcome.copied.push_back(file.destination);
    for (const std::string& old : file.replaces) {
        if (old == file.destination) continue;
        if (unlink(old.c_str()) == 0) {
            outcome.removed.push_back(old);
        } else if (errno != ENOENT) {
            outcome.error = "cannot remove the older " + old + ": " + ErrnoText();
            return false;
        }
    }
    return true;
}

}  // namespace

// What a scan has planned so far, and the versions in each destination folder, each folder read
// once.
struct ArchiveUpdate::Scan {
    explicit Scan(const ListedFn& listedFn) : listed(listedFn) {}

    FolderVersions& Versions(const std::string& destDir) {
        const std::string key = fs::path(destDir).lexically_normal().string();
        return folders.try_emplace(key, destDir).first->second;
    }
    // The plan without the files a newer version replaced; nothing at all once refused.
    UpdatePlan Result() {
        UpdatePlan result;
        result.error = plan.error;
        if (!result.error.empty()) return result;
        for (size_t i = 0; i < plan.files.size(); ++i) {
            if (superseded[i]) continue;
            result.totalBytes += plan.files[i].size;
            result.files.push_back(std::move(plan.files[i]));
        }
        return result;
    }

    const ListedFn& listed;
    UpdatePlan plan;
    std::vector<bool> superseded;
    size_t planned = 0;
    std::map<std::string, FolderVersions> folders;
};

namespace {

// Weighs `name` against the versions in its folder: true when it is newer than all of them,
// with the installed ones it replaces in `older` and the planned ones it supersedes in `planned`.
bool Newest(FolderVersions& versions, const std::string& name, std::vector<std::string>& older,
            std::vector<size_t>& planned) {
    const std::string version = VersionOf(name);
    for (const size_t i : versions.Of(name)) {
        const FolderVersions::Version& v = versions.At(i);
        if (!(version > VersionOf(v.name))) return false;
        if (v.planned == FolderVersions::kInstalled)
            older.push_back(v.path);
        else
            planned.push_back(i);
    }
    return true;
}

}  // namespace

bool ArchiveUpdate::ShouldCopy(const std::string& destDir, const std::string& name,
                               std::vector<std::string>* older) {
    FolderVersions versions(destDir);
    std::vector<std::string> replaced;
    std::vector<size_t> planned;
    const bool newest = Newest(versions, name, replaced, planned);
    if (older) *older = newest ? std::move(replaced) : std::vector<std::string>{};
    return newest;
}

bool ArchiveUpdate::InsideRoots(const std::string& path) const {
    for (const std::string* root : {&roots_.cardsDir, &roots_.carsDir, &roots_.mapDir})
        if (!root->empty() && Within(path, *root)) return true;
    return false;
}

bool ArchiveUpdate::AddFile(Scan& scan, const std::string& source, const std::string& destDir,
                            const std::string& name, std::optional<uint64_t> size) const {
    UpdatePlan& plan = scan.plan;
    const std::string destination = destDir + "/" + name;
    if (HasControlCharacter(name)) {
        plan.error = Escaped(source) + ": " + ControlCharacterRefusal(name);
        return false;
    }
    if (!InsideRoots(destination)) {
        plan.error = destination + " lies outside the archive folders";
        return false;
    }
    FolderVersions& versions = scan.Versions(destDir);
    UpdateFile file{source, destination, 0, {}};
    std::vector<size_t> superseded;
    if (!Newest(versions, name, file.replaces, superseded)) return true;
    std::error_code ec;
    file.size = size ? *size : fs::file_size(source, ec);
    if (ec) {
        plan.error = "cannot read " + source + ": " + ec.message();
        return false;
    }
    // An older version on the same medium is not installed as well.
    for (const size_t i : superseded) {
        FolderVersions::Version& older = versions.At(i);
        older.superseded = true;
        scan.superseded[size_t(older.planned)] = true;
        --scan.planned;
    }
    versions.Add({name, destination, int(plan.files.size()), false});
    plan.files.push_back(std::move(file));
    scan.superseded.push_back(false);
    ++scan.planned;
    if (scan.listed) scan.listed(scan.planned);
    return true;
}

void ArchiveUpdate::ScanFolder(Scan& scan, const std::string& medium, const std::string& sourceDir,
                               const std::string& destDir) const {
    for (const fs::directory_entry& e : SortedEntries(sourceDir)) {
        if (!scan.plan.error.empty()) return;
        const std::string name = e.path().filename().string();
        std::error_code ec;
        if (e.symlink_status(ec).type() == fs::file_type::symlink && !Within(e.path(), medium)) {
            scan.plan.error = Escaped(e.path().string()) + " is linked outside the update medium";
            return;
        }
        if (IsRealDirectory(e)) {
            if (HasControlCharacter(name)) {
                scan.plan.error = Escaped(e.path().string()) + ": " + ControlCharacterRefusal(name);
                return;
            }
            ScanFolder(scan, medium, e.path().string(), destDir + "/" + name);
        } else if (IsRegularFile(e.path())) {
            AddFile(scan, e.path().string(), destDir, name);
        }
    }
}

UpdatePlan ArchiveUpdate::ScanMedium(const std::string& updateRoot, const ListedFn& listed) const {
    Scan scan(listed);
    const std::string medium = fs::path(updateRoot).lexically_normal().parent_path().string();
    ScanFolder(scan, medium, updateRoot + "/Schede", roots_.cardsDir);
    ScanFolder(scan, medium, updateRoot + "/Software", roots_.carsDir);
    ScanFolder(scan, medium, updateRoot + "/Map", roots_.mapDir);
    return scan.Result();
}

UpdatePlan ArchiveUpdate::ReadManifest(const std::string& root, const std::string& manifestName,
                                       const ListedFn& listed) const {
    Scan scan(listed);
    UpdatePlan& plan = scan.plan;
    const std::string manifestPath = root + "/" + manifestName;
    std::ifstream in(manifestPath, std::ios::binary);
    if (!in) {
        plan.error = "cannot read " + manifestPath;
        return plan;
    }
    struct Tag {
        const char* text;
        const std::string* base;
    };
    const Tag tags[] = {
        {"<VETTURE>", &roots_.carsDir}, {"<SCHEDE>", &roots_.cardsDir}, {"<MAPPATURA>", &roots_.mapDir}};
    std::string line;
    for (int number = 1; plan.error.empty() && std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        // A line without "=" names no file and copies nothing.
        if (eq == std::string::npos || eq == 0) continue;
        const std::string where = manifestPath + " line " + std::to_string(number) + ": ";
        const std::string name = Slashes(line.substr(0, eq));
        const std::string destination = line.substr(eq + 1);
        const Tag* tag = nullptr;
        for (const Tag& t : tags)
            if (destination.rfind(t.text, 0) == 0) tag = &t;
        if (tag == nullptr) {
            plan.error = where + "the destination \"" + Escaped(destination) +
                         "\" does not start with <VETTURE>, <SCHEDE> or <MAPPATURA>";
            break;
        }
        const std::string rest = Slashes(destination.substr(std::strlen(tag->text)));
        if (HasControlCharacter(name) || HasControlCharacter(rest)) {
            plan.error = where + ControlCharacterRefusal(HasControlCharacter(name) ? name : rest);
            break;
        }
        if (name.front() == '/' || HasParentStep(name) || HasParentStep(rest) ||
            !Within(root + "/" + name, root)) {
            plan.error = where + "\"" + line + "\" leaves the update folder or the archive folders";
            break;
        }
        const std::string source = root + "/" + name;
        if (!IsRegularFile(source)) continue;
        const fs::path target = fs::path(*tag->base + "/" + rest + "/" + name).lexically_normal();
        if (!InsideRoots(target.string())) {
            plan.error = where + "\"" + line + "\" leaves the update folder or the archive folders";
            break;
        }
        AddFile(scan, source, target.parent_path().string(), target.filename().string());
        if (!plan.error.empty()) plan.error = where + plan.error;
    }
    return scan.Result();
}

UpdatePlan ArchiveUpdate::PlanListed(std::vector<ListedFile> files) const {
    const std::pair<const char*, const std::string*> folders[] = {
        {"Schede", &roots_.cardsDir}, {"Software", &roots_.carsDir}, {"Map", &roots_.mapDir}};
    auto rank = [&](const ListedFile& f) {
        const std::string top = f.path.substr(0, f.path.find('/'));
        for (size_t i = 0; i < std::size(folders); ++i)
            if (top == folders[i].first) return i;
        return std::size(folders);
    };
    // ScanMedium's order: the three folders in turn, each walked in name order.
    std::stable_sort(files.begin(), files.end(), [&](const ListedFile& a, const ListedFile& b) {
        const size_t ra = rank(a), rb = rank(b);
        return ra != rb ? ra < rb : fs::path(a.path) < fs::path(b.path);
    });
    const ListedFn none;
    Scan scan(none);
    for (const ListedFile& f : files) {
        const size_t r = rank(f);
        const fs::path relative(f.path);
        if (r == std::size(folders) || HasParentStep(f.path) || HasControlCharacter(f.path)) {
            scan.plan.error = "\"" + Escaped(f.path) + "\" lies outside the archive folders";
            break;
        }
        const fs::path inside = relative.lexically_relative(folders[r].first);
        fs::path destDir(*folders[r].second);
        if (inside.has_parent_path()) destDir /= inside.parent_path();
        if (!AddFile(scan, f.source, destDir.string(), inside.filename().string(), f.size)) break;
    }
    return scan.Result();
}

UpdateOutcome ArchiveUpdate::Copy(const UpdatePlan& plan, const ProgressFn& progress,
                                  const CancelFn& cancelled) const {
    UpdateOutcome outcome;
    uint64_t copiedBytes = 0;
    for (const UpdateFile& file : plan.files) {
        if (cancelled && cancelled()) {
            outcome.cancelled = true;
            break;
        }
        if (!InstallFile(file, outcome)) break;
        copiedBytes += file.size;
        const int percent = plan.totalBytes == 0 ? 100 : int(copiedBytes * 100 / plan.totalBytes);
        if (progress) progress(percent, outcome.copied.size());
    }
    return outcome;
}

}  // namespace zov
