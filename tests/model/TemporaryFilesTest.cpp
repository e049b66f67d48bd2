#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ModelTestSupport.h"
#include "TemporaryFiles.h"

namespace zov::testing {
namespace {

namespace fs = std::filesystem;

// XDG_RUNTIME_DIR pointed at a scratch folder for the length of a test.
class RuntimeDir {
  public:
    RuntimeDir() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        ::setenv("XDG_RUNTIME_DIR", dir_.Path().c_str(), 1);
    }
    ~RuntimeDir() {
        if (saved_)
            ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    std::string File(const std::string& name) const { return dir_.File(name); }

  private:
    ScratchDir dir_;
    std::optional<std::string> saved_;
};

TEST(LeftoverTemporaries, OnlyThoseOfDeadProcessesGo) {
    ScratchDir dir;
    const std::string dead = std::to_string(DeadPid()), alive = std::to_string(getpid());
    const struct {
        std::string name;
        bool removed;
    } cases[] = {
        {"OUT.zvf.tmp" + dead + "_0", true},
        {"fileh0.h.tmp" + dead + "_17", true},
        {"_ci" + dead + "_a1B2c3.tmp", true},
        {"_ic" + dead + "_a1B2c3.tmp", true},
        {"OUT.zvf.tmp" + alive + "_0", false},  // a save still running
        {"_ci" + alive + "_a1B2c3.tmp", false},
        {"OUT.zvf", false},
        {"notes.tmp", false},
        {"OUT.zvf.tmp", false},
        {"OUT.zvf.tmp" + dead, false},
        {"OUT.zvf.tmpx" + dead + "_0", false},
        {"_cifoo.tmp", false},
    };
    for (const auto& c : cases) WriteFile(dir.File(c.name), "#define CILINDRATA  1600\r\n");
    fs::create_directory(dir.File("folder.tmp" + dead + "_1"));  // not a file: not ours

    EXPECT_EQ(RemoveLeftoverTemporaries(dir.Path().string()), 4);
    for (const auto& c : cases) EXPECT_EQ(fs::exists(dir.File(c.name)), !c.removed) << c.name;
    EXPECT_TRUE(fs::is_directory(dir.File("folder.tmp" + dead + "_1")));
    EXPECT_EQ(RemoveLeftoverTemporaries(dir.File("no-such-folder")), 0);
}

TEST(ScratchFiles, LiveInAPrivateFolderReadableByTheOwnerOnly) {
    RuntimeDir runtime;
    const std::string folder = runtime.File("zovqbr");
    std::string path;
    {
        TemporaryFile scratch;
        ASSERT_TRUE(scratch.Created());
        path = scratch.Path();
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(folder));
        const std::string name = fs::path(path).filename().string();
        EXPECT_EQ(name.rfind("_ci" + std::to_string(getpid()) + "_", 0), 0u) << name;
        EXPECT_EQ(fs::path(name).extension(), ".tmp");
        EXPECT_EQ(ModeOf(folder), 0700u);
        EXPECT_EQ(ModeOf(path), 0600u);
        // The clean-up leaves the files of a running process alone.
        EXPECT_EQ(RemoveLeftoverTemporaries(PrivateTemporaryFolder()), 0);
        EXPECT_TRUE(fs::exists(path));
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(folder)) << "an empty private folder goes with its last file";

    // One left by a process that was killed goes at the next start.
    ASSERT_EQ(PrivateTemporaryFolder(), folder);
    const std::string crashed = folder + "/_ci" + std::to_string(DeadPid()) + "_Xy12Zw.tmp";
    WriteFile(crashed, "#define CILINDRATA  1600\r\n");
    EXPECT_EQ(RemoveLeftoverTemporaries(PrivateTemporaryFolder()), 1);
    EXPECT_FALSE(fs::exists(crashed));
}

TEST(ScratchFiles, AFolderThatIsNotPrivateIsNotUsed) {
    RuntimeDir runtime;
    ScratchDir elsewhere;
    fs::create_directory_symlink(elsewhere.Path(), runtime.File("zovqbr"));
    EXPECT_EQ(PrivateTemporaryFolder(), "");
    EXPECT_FALSE(TemporaryFile().Created());

    fs::remove(runtime.File("zovqbr"));
    fs::create_directory(runtime.File("zovqbr"));
    fs::permissions(runtime.File("zovqbr"), fs::perms::all);
    EXPECT_EQ(PrivateTemporaryFolder(), runtime.File("zovqbr"));
    EXPECT_EQ(ModeOf(runtime.File("zovqbr")), 0700u) << "opened to others: closed again";
}

TEST(SaveTemporaries, AreTheOwnersAloneAndTheSavedFileFollowsTheUmask) {
    ScratchDir dir;
    const mode_t saved = ::umask(0);
    std::string temp;
    const int fd = CreateTemporaryBeside(dir.File("fileh0.h"), temp);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(ModeOf(temp), 0600u);
    EXPECT_EQ(temp.rfind(dir.File("fileh0.h.tmp") + std::to_string(getpid()) + "_", 0), 0u) << temp;

    ::umask(027);
    ModelBench b({}, false);
    b.car.SetFileName(dir.File("new.h"));
    const bool written = b.car.WriteDefinitionFile();
    ::umask(saved);
    ASSERT_TRUE(written);
    EXPECT_EQ(ModeOf(dir.File("new.h")), 0640u);
}

}  // namespace
}  // namespace zov::testing
