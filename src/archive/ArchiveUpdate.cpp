#include "ArchiveUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "TemporaryFiles.h"

namespace zov {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

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

// Copies `from` into a new temporary file beside `destination`, named as every save of the program
// names its replacement, so one a killed update left behind is removed like theirs; its name on
// success, empty with `error` set otherwise (nothing left behind).
std::string CopyToTemporary(const std::string& from, const std::string& destination, std::string& error) {
    RemoveLeftoverTemporariesBeside(destination);
    std::string temp;
    const int out = CreateTemporaryBeside(destination, temp);
    if (out < 0) {
        error = "cannot write " + destination + ": " + ErrnoText();
        return {};
    }
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    bool ok = in >= 0;
    if (!ok) error = "cannot read " + from + ": " + ErrnoText();
    char buffer[65536];
    while (ok) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = "cannot read " + from + ": " + ErrnoText();
            ok = false;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error = "cannot write " + destination + ": " + ErrnoText();
                ok = false;
            } else {
                done += w;
            }
        }
    }
    if (in >= 0) close(in);
    if (ok && (fchmod(out, 0644) != 0 || fsync(out) != 0)) {
        error = "cannot write " + destination + ": " + ErrnoText();
        ok = false;
    }
    if (close(out) != 0 && ok) {
        error = "cannot write " + destination + ": " + ErrnoText();
        ok = false;
    }
    if (!ok) {
        unlink(temp.c_str());
        return {};
    }
    return temp;
}

void SyncDirectory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// Installs one file: the copy goes under a temporary name, then replaces the destination in one
// step; only then are the older versions deleted. False with `error` set when it failed.
bool InstallFile(const UpdateFile& file, UpdateOutcome& outcome) {
    const fs::path destination(file.destination);
    const std::string dir = destination.parent_path().string();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        outcome.error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    const std::string temp = CopyToTemporary(file.source, file.destination, outcome.error);
    if (temp.empty()) return false;
    if (rename(temp.c_str(), file.destination.c_str()) != 0) {
        outcome.error = "cannot write " + file.destination + ": " + ErrnoText();
        unlink(temp.c_str());
        return false;
    }
    SyncDirectory(dir);
    outcome.copied.push_back(file.destination);
    for (const std::string& old : file.replaces) {
        if (old == file.destination) continue;
        // An installed file may be marked read-only; it is replaced all the same.
        chmod(old.c_str(), 0644);
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

bool ArchiveUpdate::ShouldCopy(const std::string& destDir, const std::string& name,
                               std::vector<std::string>* older) {
    const size_t us = name.rfind('_');
    const std::string stem = us == std::string::npos ? std::string() : name.substr(0, us + 1);
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string version = VersionOf(name);
    const std::string lowStem = Lower(stem), lowExtension = Lower(extension);

    std::vector<std::string> replaced;
    for (const fs::directory_entry& e : SortedEntries(destDir)) {
        const std::string installed = e.path().filename().string();
        if (installed.size() != stem.size() + 3 + extension.size() || !IsRegularFile(e.path())) continue;
        if (Lower(installed.substr(0, stem.size())) != lowStem ||
            Lower(installed.substr(stem.size() + 3)) != lowExtension)
            continue;
        if (installed.find('_') == std::string::npos) continue;
        if (version > VersionOf(installed)) {
            replaced.push_back(e.path().string());
        } else {
            if (older) older->clear();
            return false;
        }
    }
    if (older) *older = std::move(replaced);
    return true;
}

bool ArchiveUpdate::InsideRoots(const std::string& path) const {
    for (const std::string* root : {&roots_.cardsDir, &roots_.carsDir, &roots_.mapDir})
        if (!root->empty() && Within(path, *root)) return true;
    return false;
}

bool ArchiveUpdate::AddFile(const std::string& source, const std::string& destDir, const std::string& name,
                            UpdatePlan& plan, const ListedFn& listed) const {
    const std::string destination = destDir + "/" + name;
    if (!InsideRoots(destination)) {
        plan.error = destination + " lies outside the archive folders";
        return false;
    }
    UpdateFile file{source, destination, 0, {}};
    if (!ShouldCopy(destDir, name, &file.replaces)) return true;
    std::error_code ec;
    file.size = fs::file_size(source, ec);
    if (ec) {
        plan.error = "cannot read " + source + ": " + ec.message();
        return false;
    }
    plan.totalBytes += file.size;
    plan.files.push_back(std::move(file));
    if (listed) listed(plan.files.size());
    return true;
}

void ArchiveUpdate::ScanFolder(const std::string& sourceDir, const std::string& destDir, UpdatePlan& plan,
                               const ListedFn& listed) const {
    for (const fs::directory_entry& e : SortedEntries(sourceDir)) {
        if (!plan.error.empty()) return;
        const std::string name = e.path().filename().string();
        if (IsRealDirectory(e)) {
            ScanFolder(e.path().string(), destDir + "/" + name, plan, listed);
        } else if (IsRegularFile(e.path())) {
            AddFile(e.path().string(), destDir, name, plan, listed);
        }
    }
}

UpdatePlan ArchiveUpdate::ScanMedium(const std::string& updateRoot, const ListedFn& listed) const {
    UpdatePlan plan;
    ScanFolder(updateRoot + "/Schede", roots_.cardsDir, plan, listed);
    ScanFolder(updateRoot + "/Software", roots_.carsDir, plan, listed);
    ScanFolder(updateRoot + "/Map", roots_.mapDir, plan, listed);
    if (!plan.error.empty()) plan.files.clear(), plan.totalBytes = 0;
    return plan;
}

UpdatePlan ArchiveUpdate::ReadManifest(const std::string& root, const std::string& manifestName,
                                       const ListedFn& listed) const {
    UpdatePlan plan;
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
            plan.error = where + "the destination \"" + destination +
                         "\" does not start with <VETTURE>, <SCHEDE> or <MAPPATURA>";
            break;
        }
        const std::string rest = Slashes(destination.substr(std::strlen(tag->text)));
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
        AddFile(source, target.parent_path().string(), target.filename().string(), plan, listed);
        if (!plan.error.empty()) plan.error = where + plan.error;
    }
    if (!plan.error.empty()) plan.files.clear(), plan.totalBytes = 0;
    return plan;
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
