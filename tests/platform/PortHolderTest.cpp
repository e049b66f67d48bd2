// Who holds a busy port: a real holder in a child process, a few fake processes in a folder that
// stands for /proc, and the line the installer reads for each kind of holder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "DeviceError.h"
#include "PortHolder.h"
#include "TermiosSerial.h"
#include "TestFiles.h"

namespace zov {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteFile;

// A child process named `name` holding the slave side of a fresh pseudo-terminal open and locked,
// as another serial program would, until the object goes.
class PtyHolder {
  public:
    explicit PtyHolder(const char* name) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slave_ = ptsname(master_);
        int ready[2];
        if (pipe(ready) != 0 || pipe(release_) != 0) return;
        child_ = fork();
        if (child_ == 0) {
            close(ready[0]);
            close(release_[1]);
            prctl(PR_SET_NAME, name);
            const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY);
            const char done = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
            if (write(ready[1], &done, 1) != 1) _exit(1);
            char byte;
            while (read(release_[0], &byte, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release_[0]);
        char done = 'n';
        holding_ = child_ > 0 && read(ready[0], &done, 1) == 1 && done == 'y';
        close(ready[0]);
    }
    ~PtyHolder() {
        if (release_[1] >= 0) close(release_[1]);
        if (child_ > 0) waitpid(child_, nullptr, 0);
        if (master_ >= 0) close(master_);
    }

    bool Holding() const { return holding_; }
    const std::string& Slave() const { return slave_; }

  private:
    int master_ = -1;
    int release_[2] = {-1, -1};
    pid_t child_ = -1;
    bool holding_ = false;
    std::string slave_;
};

TEST(PortHolder, NamesTheProcessThatHasThePortOpenAndTheBusyLineSaysSo) {
    PtyHolder holder("zovholder");
    ASSERT_TRUE(holder.Holding()) << "the child could not open and lock " << holder.Slave();

    EXPECT_EQ(PortHolder().Find(holder.Slave()), "zovholder");
    EXPECT_EQ(PortHolder("/proc", 0).Find("/dev/zov-no-such-port"), "");

    const OpenResult opened = TermiosOpener().Open(holder.Slave());
    ASSERT_FALSE(opened.device);
    EXPECT_EQ(opened.error.fault, DeviceFault::Busy);
    EXPECT_EQ(opened.error.holder, "zovholder");
    EXPECT_EQ(opened.error.Text(),
              holder.Slave() + " is busy: zovholder is using it; close zovholder and try again");
}

// Fake processes: their command names and the devices their descriptors point at. A process
// without a descriptor list is one whose descriptors this user may not read.
struct FakeProcess {
    std::string pid;
    std::string command;
    std::vector<std::string> devices;
    bool descriptorsVisible = true;
};

fs::path FakeProc(const ScratchDir& dir, const std::vector<FakeProcess>& processes) {
    for (const FakeProcess& p : processes) {
        const fs::path folder = dir.Path() / p.pid;
        fs::create_directories(folder);
        WriteFile((folder / "comm").string(), p.command + "\n");
        if (!p.descriptorsVisible) continue;
        fs::create_directories(folder / "fd");
        int fd = 3;
        for (const std::string& device : p.devices)
            fs::create_symlink(device, folder / "fd" / std::to_string(fd++));
    }
    return dir.Path();
}

TEST(PortHolder, ASeenHolderComesFirstThenAServiceKnownToTakeUsbSerialAdapters) {
    constexpr pid_t kSelf = 300;
    const std::vector<FakeProcess> machine = {
        {"100", "minicom", {"/dev/null", "/dev/ttyUSB1"}},
        {"200", "ModemManager", {}, false},
        {"300", "zovqbr", {"/dev/ttyUSB0", "/dev/ttyS0"}},
        {"self", "zovqbr", {"/dev/ttyUSB2"}},
    };
    ScratchDir dir;
    const PortHolder holders(FakeProc(dir, machine), kSelf);
    const struct {
        const char* device;
        const char* holder;
    } cases[] = {
        {"/dev/ttyUSB1", "minicom"},
        {"/dev/ttyUSB0", "ModemManager"},  // this process's own descriptor is no holder
        {"/dev/ttyACM0", "ModemManager"},
        {"/dev/ttyS0", ""},  // services leave on-board ports alone
        {"/dev/hidraw0", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(holders.Find(c.device), c.holder) << c.device;

    ScratchDir quiet;
    EXPECT_EQ(PortHolder(FakeProc(quiet, {{"100", "bash", {"/dev/pts/1"}}}), kSelf).Find("/dev/ttyUSB0"), "");
    ScratchDir braille;
    EXPECT_EQ(PortHolder(FakeProc(braille, {{"100", "brltty", {}, false}}), kSelf).Find("/dev/ttyUSB0"),
              "brltty");
}

TEST(PortHolder, EachKindOfHolderHasItsOwnLineAndRemedy) {
    const struct {
        const char* holder;
        const char* identifier;
        const char* remedy;
    } cases[] = {
        {"", "MessPortOccupato", "another program is using the port"},
        {"ModemManager", "MessPortModemManager", "ID_MM_DEVICE_IGNORE"},
        {"brltty", "MessPortBrltty", "sudo apt remove brltty"},
        {"minicom", "MessPortOccupatoDa", "minicom is using it; close minicom"},
    };
    for (const auto& c : cases) {
        const DeviceError busy{DeviceFault::Busy, "/dev/ttyACM0", EBUSY, c.holder};
        EXPECT_STREQ(busy.Line().identifier, c.identifier) << c.holder;
        EXPECT_NE(busy.Text().find(c.remedy), std::string::npos) << busy.Text();
        EXPECT_EQ(busy.Text().rfind("/dev/ttyACM0 is busy: ", 0), 0U) << busy.Text();
    }
    const DeviceError held{DeviceFault::Busy, "/dev/ttyUSB0", EWOULDBLOCK, "minicom"};
    EXPECT_EQ(held.Text("%1 occupata da %2"), "/dev/ttyUSB0 occupata da minicom");
}

}  // namespace
}  // namespace zov
