// Programming a vehicle of the archive against the ECU simulator on the virtual clock: the file
// checked first, the backup made before the boot loader is reached, the attempts and their limits.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "ConfigurationBackup.h"
#include "FirmwareSample.h"
#include "ProgrammingSupport.h"
#include "VehicleProgramming.h"

namespace zov::test {
namespace {

using zov::testing::EcuBench;
using zov::testing::RecordingHost;
using zov::testing::ScratchDir;
using Result = VehicleProgramming::Result;

constexpr const char* kCaption = "Archivio Vetture";

SampleFirmware AudiA3() {
    SampleFirmware f;
    f.version = 0xC9;
    f.model = "AUDI A3 1.6";
    f.programName = "A3_1.6_0C9";
    return f;
}

// The main window's host puts the question of a programming without a backup to the installer.
class AskingHost : public RecordingHost {
  public:
    AskingHost(ComInj& link, ConfigurationModel& model, Prompter& prompter)
        : RecordingHost(link, model), prompter_(prompter) {}
    bool ProgramWithoutBackup(const std::string& why) override {
        return prompter_.Ask(why, kCaption, PromptIcon::Warning, PromptButtons::YesNo) == PromptAnswer::Yes;
    }

  private:
    Prompter& prompter_;
};

struct Bench : EcuBench {
    explicit Bench(sim::EcuConfig config = {}) : EcuBench(std::move(config)), host(link, model, prompter) {
        std::ofstream(dir.File("A3_1.6_0C9.s19"), std::ios::binary) << SampleSRecords(AudiA3());
        std::ofstream(dir.File("A3_1.6_0C9.zov"), std::ios::binary) << SampleEcuFile(AudiA3());
    }
    std::string BackupFolder() const { return dir.File("Backup"); }

    Result Program(const std::string& file, bool withBackup = true) {
        std::optional<ConfigurationBackup> backup;
        if (withBackup) backup.emplace(BackupFolder());
        VehicleProgramming programming(link, model, host, prompter, clock, UpdateTexts(), kCaption, backup);
        const Result r = programming.Program(dir.File(file), "gpl/Audi/" + file);
        attempts = programming.Attempts();
        backupPath = programming.BackupPath();
        return r;
    }
    int Questions() const {
        int n = 0;
        for (const auto& s : prompter.shown) n += s.buttons == PromptButtons::YesNo;
        return n;
    }

    ScratchDir dir;
    AskingHost host;
    int attempts = 0;
    std::string backupPath;
};

TEST(VehicleProgramming, SRecordAndPackedVehiclesAreProgrammedAfterABackupOfTheOldConfiguration) {
    for (const char* file : {"A3_1.6_0C9.s19", "A3_1.6_0C9.zov"}) {
        SCOPED_TRACE(file);
        Bench b;
        ASSERT_TRUE(b.ConnectAndLoad());
        EXPECT_EQ(b.Program(file), Result::Programmed) << ::testing::PrintToString(b.ShownTexts());
        EXPECT_EQ(b.attempts, 1);
        EXPECT_EQ(b.host.captions.back(), std::string("Programmazione gpl/Audi/") + file);
        EXPECT_EQ(b.host.opened, 1);
        EXPECT_EQ(b.host.closed, 1);
        EXPECT_FALSE(b.host.busyNow);
        ASSERT_FALSE(b.prompter.shown.empty());
        EXPECT_EQ(b.prompter.shown.back().text, "Programmazione centralina completata.");
        EXPECT_EQ(b.prompter.shown.back().caption, kCaption);

        // The backup holds the ECU as it was before: its old program's vehicle.
        const std::vector<BackupEntry> backups = ConfigurationBackup(b.BackupFolder()).List();
        ASSERT_EQ(backups.size(), 1u);
        EXPECT_EQ(backups[0].path, b.backupPath);
        EXPECT_EQ(backups[0].model, "FIAT PUNTO 1.2 8V");

        // The ECU runs the vehicle's program.
        ASSERT_TRUE(b.link.Connect());
        EXPECT_EQ(b.link.ReadVar(46, nullptr), 0xC9);
        EXPECT_EQ(b.ecu.Text(117), "AUDI A3 1.6");
        EXPECT_EQ(b.ecu.Text(118), "A3_1.6_0C9");
    }
}

TEST(VehicleProgramming, ADamagedFileNeverReachesTheEcu) {
    const struct {
        const char* file;
        std::string content;
    } cases[] = {
        {"BAD_001.zov", "ZOV_WRONG_file\r\nxxxx"},
        {"BAD_001.s19", "S00600004844521B\r\nS1130000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00\r\nS9030000FC\r\n"},
        {"EMPTY_001.s19", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Bench b;
        ASSERT_TRUE(b.ConnectAndLoad());
        std::ofstream(b.dir.File(c.file), std::ios::binary) << c.content;
        b.ecu.ClearRequests();
        EXPECT_EQ(b.Program(c.file), Result::FileRefused);
        EXPECT_TRUE(b.BootRequests().empty());
        EXPECT_TRUE(b.ecu.Requests().empty()) << "not even the backup reads the ECU";
        EXPECT_FALSE(std::filesystem::exists(b.BackupFolder()));
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text.rfind("Il file di programmazione non \xE8 valido", 0), 0u)
            << b.prompter.shown[0].text;
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_EQ(b.ecu.Value(46), 200);
    }
}

TEST(VehicleProgramming, FailedAttemptsAskUpToFiveAttemptsAndAFatalFailureEndsAtOnce) {
    struct Case {
        const char* name;
        std::function<void(sim::Faults&)> fault;
        std::deque<PromptAnswer> answers;
        Result result;
        int attempts;
        int questions;
    };
    const Case cases[] = {
        {"records refused, always Yes",
         [](sim::Faults& f) { f.recordRefused = sim::kAlways; },
         {PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::Yes, PromptAnswer::Yes},
         Result::Failed,
         5,
         4},
        {"records refused, No",
         [](sim::Faults& f) { f.recordRefused = sim::kAlways; },
         {PromptAnswer::No},
         Result::Failed,
         1,
         1},
        {"one record refused, Yes",
         [](sim::Faults& f) { f.recordRefused = 1; },
         {PromptAnswer::Yes},
         Result::Programmed,
         2,
         1},
        {"supply too low for the erase",
         [](sim::Faults& f) { f.lowSupply = sim::kAlways; },
         {},
         Result::Failed,
         1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        ASSERT_TRUE(b.ConnectAndLoad());
        c.fault(b.ecu.MutableFaults());
        b.prompter.answers = c.answers;
        EXPECT_EQ(b.Program("A3_1.6_0C9.zov"), c.result) << ::testing::PrintToString(b.ShownTexts());
        EXPECT_EQ(b.attempts, c.attempts);
        EXPECT_EQ(b.Questions(), c.questions);
        EXPECT_EQ(b.CountBoot(boot::kOpQuery), size_t(c.attempts));
        for (const auto& s : b.prompter.shown)
            if (s.buttons == PromptButtons::YesNo) {
                EXPECT_NE(s.text.find("Programmazione fallita. Riprovare?"), std::string::npos) << s.text;
            }
        EXPECT_EQ(b.host.opened, 1);
        EXPECT_EQ(b.host.closed, 1);
    }
}

TEST(VehicleProgramming, WithoutABackupAnOpenSessionIsLeftAsItWas) {
    Bench b;
    ASSERT_TRUE(b.ConnectAndLoad());
    // A file where the backup folder should be.
    std::ofstream(b.BackupFolder()) << "in the way";
    b.prompter.answers = {PromptAnswer::No};
    EXPECT_EQ(b.Program("A3_1.6_0C9.zov"), Result::NoBackup);
    EXPECT_EQ(b.CountBoot(boot::kOpQuery), 0u);
    EXPECT_TRUE(b.link.IsConnected());
    EXPECT_EQ(b.link.ReadVar(46, nullptr), 200) << "the session still answers";
    EXPECT_EQ(b.host.closed, 1);
}

TEST(VehicleProgramming, ABlankEcuIsProgrammedOnlyWhenTheInstallerGoesOnWithoutABackup) {
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        SCOPED_TRACE(answer == PromptAnswer::Yes ? "Yes" : "No");
        sim::EcuConfig blank;
        blank.startInBootLoader = true;
        Bench b(blank);
        b.prompter.answers = {answer};
        const Result r = b.Program("A3_1.6_0C9.s19");
        ASSERT_GE(b.prompter.shown.size(), 1u);
        EXPECT_NE(b.prompter.shown[0].text.find("Programmare comunque, senza backup?"), std::string::npos)
            << b.prompter.shown[0].text;
        EXPECT_FALSE(std::filesystem::exists(b.BackupFolder()) &&
                     !ConfigurationBackup(b.BackupFolder()).List().empty());
        if (answer == PromptAnswer::No) {
            EXPECT_EQ(r, Result::NoBackup);
            EXPECT_EQ(b.CountBoot(boot::kOpErase), 0u);
            EXPECT_EQ(b.host.closed, 1);
        } else {
            EXPECT_EQ(r, Result::Programmed) << ::testing::PrintToString(b.ShownTexts());
        }
    }
}

}  // namespace
}  // namespace zov::test
