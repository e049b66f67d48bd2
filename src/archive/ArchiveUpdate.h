#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zov {

// The three folders an update may write into: instruction sheets, the vehicle archive and the
// standard software. Nothing outside them is ever created, replaced or deleted.
struct UpdateRoots {
    std::string cardsDir;  // "Schede"
    std::string carsDir;   // "Vetture"
    std::string mapDir;    // "Map"
};

// One file to install: where it comes from, where it goes and the older versions it replaces,
// which are deleted only once it is in place.
struct UpdateFile {
    std::string source;
    std::string destination;
    uint64_t size = 0;
    std::vector<std::string> replaces;
};

// What an update will do, decided whole before anything is written. `error` non-empty: the
// medium was refused and nothing may be copied.
struct UpdatePlan {
    std::vector<UpdateFile> files;
    uint64_t totalBytes = 0;
    std::string error;
};

// How a copy ended. Files are copied in plan order; the first failure or a cancel stops it.
struct UpdateOutcome {
    std::vector<std::string> copied;   // destinations now installed
    std::vector<std::string> removed;  // older versions deleted after their replacement
    bool cancelled = false;
    std::string error;  // the failing file and why; empty when every file was copied
    bool Complete() const { return error.empty() && !cancelled; }
};

// The archive update: which files of an update medium are newer than the installed ones, and
// copying them so that a failure never loses an installed version.
class ArchiveUpdate {
  public:
    // Called with the number of files listed so far while planning.
    using ListedFn = std::function<void(size_t listed)>;
    // Called after each copied file with the percentage of bytes and the files copied.
    using ProgressFn = std::function<void(int percent, size_t copied)>;
    // Asked before each file; true stops the copy there.
    using CancelFn = std::function<bool()>;

    explicit ArchiveUpdate(UpdateRoots roots) : roots_(std::move(roots)) {}

    // Whether `name` is newer than every installed version of it in `destDir`. The version is the
    // three characters after the last "_", compared by character codes ("0a0" > "0B0"); the
    // stem (up to and including that "_") and the extension (from the last ".") pick the
    // installed versions, letter case aside. `older` receives the installed versions it replaces.
    static bool ShouldCopy(const std::string& destDir, const std::string& name,
                           std::vector<std::string>* older = nullptr);

    // A medium or chosen folder: <updateRoot>/Schede into the cards, /Software into the vehicle
    // archive, /Map into the standard software, sub-folders included, each folder in name order.
    // An entry linked out of the medium (the folder holding <updateRoot>) refuses the whole scan.
    UpdatePlan ScanMedium(const std::string& updateRoot, const ListedFn& listed = {}) const;
    // A floppy-style manifest <root>/<manifestName>: lines "name=destination", the destination
    // starting with <VETTURE>, <SCHEDE> or <MAPPATURA>. A line that would read outside `root`
    // or write outside the archive folders refuses the whole manifest.
    //
    // In both, of several versions of one name bound for one folder only the newest is planned,
    // and a name holding a control character (a line feed would forge an output line) refuses
    // the whole update.
    UpdatePlan ReadManifest(const std::string& root, const std::string& manifestName = "ZOV.txt",
                            const ListedFn& listed = {}) const;

    // A medium known by its list before its files are at hand (a published update): each entry's
    // path under ZOV ("Software/Gpl/Fiat/Punto_0B0.s19"), its size and where its file will be.
    // Planned with the rules and in the order of ScanMedium.
    struct ListedFile {
        std::string path;
        uint64_t size = 0;
        std::string source;
    };
    UpdatePlan PlanListed(std::vector<ListedFile> files) const;

    // Copies the plan's files, each an AtomicFile (a symbolic link at its destination is replaced,
    // never followed); then the older versions it replaces are deleted (a link, not what it points
    // at). A failed or cancelled file leaves the installed version and no temporary file.
    UpdateOutcome Copy(const UpdatePlan& plan, const ProgressFn& progress = {},
                       const CancelFn& cancelled = {}) const;

    const UpdateRoots& Roots() const { return roots_; }

  private:
    struct Scan;

    bool InsideRoots(const std::string& path) const;
    // One source folder into one destination folder; `medium` bounds where its links may lead.
    void ScanFolder(Scan& scan, const std::string& medium, const std::string& sourceDir,
                    const std::string& destDir) const;
    // `size` when the source is not there yet to be measured.
    bool AddFile(Scan& scan, const std::string& source, const std::string& destDir, const std::string& name,
                 std::optional<uint64_t> size = std::nullopt) const;

    UpdateRoots roots_;
};

}  // namespace zov
