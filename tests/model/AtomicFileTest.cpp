// The one way files are saved: a file replaced whole or not at all, whatever fails on the way (a
// write, the size limit, a rename), and a set of files replaced together.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "AtomicFileSet.h"
#include "ModelTestSupport.h"
#include "TemporaryFiles.h"
#include "TestFiles.h"

namespace zov::testing {
namespace {

namespace fs = std::filesystem;

TEST(AtomicFile, AWriteOverTheSizeLimitKeepsThePreviousFileAndSaysWhy) {
    ScratchDir dir;
    const std::string target = dir.File("export.csv");
    WriteFile(target, "the export of last week\n");
    std::string error;
    {
        FileSizeLimit limit(1000);
        error = WriteWholeFile(target, std::string(4000, 'x'));
    }
    EXPECT_EQ(error, "cannot write " + target + ": " + std::strerror(EFBIG));
    EXPECT_EQ(ReadFile(target), "the export of last week\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"export.csv"});
}

TEST(AtomicFile, ANewFileGetsTheUmasksRightsAndAReplacedOneKeepsItsOwn) {
    ScratchDir dir;
    const std::string fresh = dir.File("new.pdf");
    ASSERT_EQ(WriteWholeFile(fresh, "new"), "");
    EXPECT_EQ(ModeOf(fresh), NewFileMode());
    const std::string kept = dir.File("kept.pdf");
    WriteFile(kept, "old");
    ::chmod(kept.c_str(), 0640);
    ASSERT_EQ(WriteWholeFile(kept, "replaced"), "");
    EXPECT_EQ(ReadFile(kept), "replaced");
    EXPECT_EQ(ModeOf(kept), 0640u);
}

TEST(AtomicFile, AFolderIsNoTargetAndADeviceIsWrittenInPlace) {
    ScratchDir dir;
    fs::create_directory(dir.File("folder"));
    const std::string error = WriteWholeFile(dir.File("folder"), "x");
    EXPECT_EQ(error, "cannot write " + dir.File("folder") + ": " + std::strerror(EISDIR));
    EXPECT_TRUE(fs::is_directory(dir.File("folder")));
    EXPECT_EQ(WriteWholeFile("/dev/null", "x"), "");
    EXPECT_EQ(WriteWholeFile("/dev/full", "x"),
              "cannot write /dev/full: " + std::string(std::strerror(ENOSPC)));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

// A save through a link the user made replaces the file it points at; an installed file replaces
// the link itself and never reaches what it points at.
TEST(AtomicFile, ALinkIsFollowedOnlyWhenAsked) {
    ScratchDir dir;
    fs::create_directory(dir.File("outside"));
    const std::string outside = dir.File("outside/private.txt");
    WriteFile(outside, "outside");
    ::chmod(outside.c_str(), 0600);
    fs::create_symlink(outside, dir.File("saved.txt"));
    ASSERT_EQ(WriteWholeFile(dir.File("saved.txt"), "saved through the link"), "");
    EXPECT_TRUE(fs::is_symlink(dir.File("saved.txt")));
    EXPECT_EQ(ReadFile(outside), "saved through the link");

    WriteFile(outside, "outside");
    fs::create_symlink(outside, dir.File("installed.txt"));
    ASSERT_EQ(WriteWholeFile(dir.File("installed.txt"), "installed", AtomicFile::Links::Replace), "");
    EXPECT_FALSE(fs::is_symlink(dir.File("installed.txt")));
    EXPECT_EQ(ReadFile(dir.File("installed.txt")), "installed");
    EXPECT_EQ(ReadFile(outside), "outside");
    EXPECT_EQ(ModeOf(outside), 0600u);
}

// Three files of one set, two of them replacing earlier ones, one new.
struct SetFiles {
    SetFiles() {
        WriteFile(first, "first old");
        WriteFile(second, "second old");
    }
    // Adds the three new contents to `set`.
    void Write(AtomicFileSet& set) const {
        EXPECT_TRUE(set.Add(first).Write("first new"));
        EXPECT_TRUE(set.Add(second).Write("second new"));
        EXPECT_TRUE(set.Add(third).Write("third new"));
    }
    std::vector<std::string> Contents() const {
        return {ReadFile(first), ReadFile(second), fs::exists(third) ? ReadFile(third) : "<none>"};
    }
    ScratchDir dir;
    std::string first = dir.File("fileh0.h"), second = dir.File("filemap0.map"),
                third = dir.File("filepar0.dat");
};

TEST(AtomicFileSet, AllThreeAreReplacedTogether) {
    SetFiles f;
    AtomicFileSet set;
    f.Write(set);
    ASSERT_TRUE(set.Commit()) << set.Error();
    EXPECT_EQ(f.Contents(), (std::vector<std::string>{"first new", "second new", "third new"}));
    EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map", "filepar0.dat"}));
}

// The second rename fails (its finished temporary is gone): the first file, already renamed,
// is put back, and the third is not created.
TEST(AtomicFileSet, AFailedRenamePutsBackTheFilesAlreadyReplaced) {
    SetFiles f;
    AtomicFileSet set;
    f.Write(set);
    for (const std::string& name : f.dir.Entries())
        if (name.rfind("filemap0.map.tmp", 0) == 0) fs::remove(f.dir.File(name));
    EXPECT_FALSE(set.Commit());
    EXPECT_EQ(set.Error(), "cannot write " + f.second + ": " + std::strerror(ENOENT));
    EXPECT_EQ(f.Contents(), (std::vector<std::string>{"first old", "second old", "<none>"}));
    EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map"}));
}

TEST(AtomicFileSet, AWriteOverTheSizeLimitChangesNoneOfThem) {
    SetFiles f;
    AtomicFileSet set;
    {
        FileSizeLimit limit(100);
        set.Add(f.first).Write("first new");
        EXPECT_FALSE(set.Add(f.second).Write(std::string(1000, 'm')));
        set.Add(f.third).Write("third new");
    }
    EXPECT_FALSE(set.Commit());
    EXPECT_EQ(set.Error(), "cannot write " + f.second + ": " + std::strerror(EFBIG));
    EXPECT_EQ(f.Contents(), (std::vector<std::string>{"first old", "second old", "<none>"}));
    EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"fileh0.h", "filemap0.map"}));
}

}  // namespace
}  // namespace zov::testing
