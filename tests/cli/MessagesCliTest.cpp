// What zovctl says when the system stops it: the system's own reason, in English, on one line.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QSettings>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "FirmwareSample.h"
#include "TestFiles.h"

namespace zov {
namespace {

using clitest::Result;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// What the child is denied before zovctl starts.
struct Limits {
    // The superuser's way past file rights: without it a read-only folder stops it as it stops
    // an installer.
    bool fileRights = false;
    // RLIMIT_FSIZE in bytes (0: none), with SIGXFSZ ignored, so a write past it fails with EFBIG
    // as a write onto a full disk fails with ENOSPC.
    rlim_t fileSize = 0;
};

// Runs a program to its end with both output streams, under `limits`. Only system calls between
// fork and exec: the test process has threads.
Result RunLimited(const std::vector<std::string>& args, const Limits& limits) {
    int out[2], err[2];
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const bool dropRights = limits.fileRights && ::geteuid() == 0;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        if (dropRights && (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
                           prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0 ||
                           prctl(PR_CAPBSET_DROP, CAP_FOWNER, 0, 0, 0) != 0)) {
            static const char kNoDrop[] = "test: the file-rights capabilities cannot be dropped\n";
            (void)!write(STDERR_FILENO, kNoDrop, sizeof kNoDrop - 1);
            _exit(126);
        }
        if (limits.fileSize != 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{limits.fileSize, limits.fileSize};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    EXPECT_GT(pid, 0);
    return clitest::Collect(pid, out, err);
}

Result Zovctl(const std::string& port, std::vector<std::string> args, const Limits& limits = {}) {
    args.insert(args.begin(), {ZOVCTL_PATH, "--port", port});
    return RunLimited(args, limits);
}

// No device answers here: a command that reaches for the ECU fails with status 1.
const char* const kNoDevice = "/dev/zov-no-such-device";

TEST(ZovctlMessages, EveryReasonIsOneLineEvenWhenItsPartsAreNot) {
    ScratchDir dir;
    // File names the system takes as they are, line feeds and all.
    const std::string twoLines = dir.File("two\nlines");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"fit", twoLines + ".csv"}, 4, "cannot read "},
        {{"program", twoLines + ".zov"}, 4, "two; lines.zov"},
        {{"unpack-config", twoLines + ".zvf", dir.File("out")}, 4, "two; lines.zvf"},
        {{"pack-config", dir.File("none\r\nhere"), dir.File("x.zvf")}, 2, "none; here"},
        {{"report", dir.File("r.pdf"), "--from", twoLines + ".zvf"}, 4, "two; lines.zvf"},
    };
    for (const auto& c : cases) {
        const std::string label = c.args[0];
        const Result r = Zovctl(kNoDevice, c.args);
        EXPECT_EQ(r.status, c.status) << label << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << label << ": " << r.err;
        EXPECT_EQ(r.err.rfind("zovctl: ", 0), 0u) << label << ": " << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << label << ": one line, said: " << r.err;
    }
}

// A backup folder that cannot be made says why: the refused permission, not that the folder is
// missing (which is what it asked to make).
TEST(ZovctlMessages, AReadOnlyConfigFolderIsARefusedPermission) {
    QTemporaryDir store;
    ASSERT_TRUE(store.isValid());
    QSettings(store.path() + "/Ovalix srl/Install.ini", QSettings::IniFormat)
        .setValue("MainPath", store.path());
    const std::string config = store.path().toStdString() + "/Config";
    ASSERT_EQ(mkdir(config.c_str(), 0555), 0);
    const std::string firmware = store.path().toStdString() + "/StandardGpl_0D0.zov";
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = 2048;
    WriteFile(firmware, SampleEcuFile(sample));
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing", "--restart-ms", "100"});

    const Result r = Zovctl(sim.device, {"--settings", store.path().toStdString(), "program", firmware},
                            Limits{.fileRights = true});

    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(
        r.err,
        "zovctl: no backup: cannot create the backup folder " + config +
            "/Backup: Permission denied (the ECU was not touched; --force programs without a backup)\n");
    EXPECT_NE(Zovctl(sim.device, {"info"}).out.find("VERSIONE_CENTRALINA=200\n"), std::string::npos)
        << "the ECU keeps its program";
    chmod(config.c_str(), 0755);
}

// A disk that fills up while the report is written (a file-size limit stands in for it) gives the
// system's reason, wherever the write stops, and the previous report stays.
TEST(ZovctlMessages, AReportThatDoesNotFitSaysWhy) {
    clitest::Zovsim sim(ZOVSIM_PATH, {"--no-pacing"});
    ScratchDir dir;
    const std::string pdf = dir.File("ecu.pdf");
    const Result whole = Zovctl(sim.device, {"report", pdf});
    ASSERT_EQ(whole.status, 0) << whole.err;
    const rlim_t size = rlim_t(ReadFile(pdf).size());
    WriteFile(pdf, "last week's report");

    // Short of the end (the report's size varies with its date by a few bytes): a short write of
    // the final block; the half and less, a failure while painting.
    for (const rlim_t limit : {size - 64, size / 2, rlim_t(512)}) {
        const Result r = Zovctl(sim.device, {"report", pdf}, Limits{.fileSize = limit});
        EXPECT_EQ(r.status, 4) << limit << ": " << r.err;
        EXPECT_EQ(r.err, "zovctl: cannot write " + pdf + ": File too large\n") << limit;
        EXPECT_TRUE(ReadFile(pdf) == "last week's report") << limit << ": the previous report stays";
    }
}

}  // namespace
}  // namespace zov
