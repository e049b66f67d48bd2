// Why the backup before a programming was not made, as the installer reads it before the question
// whether to program without one: each problem made on the simulator, said in the dictionary's words.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "ProgrammingBackup.h"
#include "ProgrammingSupport.h"
#include "TestFiles.h"

namespace zov::testing {
namespace {

using Problem = BackupOutcome::Problem;

std::string Dictionary(const char* id) {
    static const std::map<std::string, std::string> rows{{"MessBackupCpuVuota", "BLANK"},
                                                         {"MessBackupLineaPersa", "LOST"},
                                                         {"MessBackupIncompleto", "REFUSED %1 OF THEM"},
                                                         {"MessBackupFile", "FILE"},
                                                         {"MessPortOccupato", "BUSY %1"}};
    const auto it = rows.find(id);
    return it == rows.end() ? std::string() : it->second;
}

TEST(BackupFailure, EachProblemIsSaidInTheDictionarysWords) {
    const struct {
        const char* name;
        sim::EcuConfig config;
        std::function<void(Programming&, const ScratchDir&)> arrange;
        Problem problem;
        // The expected text from the outcome (its device path, its English detail).
        std::function<std::string(const BackupOutcome&)> text;
    } cases[] = {
        {"port busy", Running(200),
         [](Programming& p, const ScratchDir&) { p.line.SetOpenFails(true, DeviceFault::Busy); },
         Problem::Link, [](const BackupOutcome& o) { return "BUSY " + o.device.path; }},
        {"blank ECU",
         [] {
             sim::EcuConfig blank;
             blank.startInBootLoader = true;
             return blank;
         }(),
         [](Programming&, const ScratchDir&) {}, Problem::Blank,
         [](const BackupOutcome&) { return std::string("BLANK"); }},
        {"session lost in the read", Running(200),
         [](Programming& p, const ScratchDir&) {
             ASSERT_TRUE(p.ConnectAndLoad());
             p.ecu.MutableFaults().deadLine = true;
         },
         Problem::Link, [](const BackupOutcome&) { return std::string("LOST"); }},
        {"variables refused", Running(200),
         [](Programming& p, const ScratchDir&) {
             ASSERT_TRUE(p.ConnectAndLoad());
             p.ecu.MutableFaults().refused = {3, 5};
         },
         Problem::Refused, [](const BackupOutcome&) { return std::string("REFUSED 2 OF THEM"); }},
        {"backup folder blocked", Running(200),
         [](Programming& p, const ScratchDir& dir) {
             ASSERT_TRUE(p.ConnectAndLoad());
             std::ofstream(dir.File("Backup")) << "in the way";
         },
         Problem::File, [](const BackupOutcome& o) { return "FILE\n" + o.error; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Programming p(c.config, {}, Dictionary);
        ScratchDir dir;
        c.arrange(p, dir);
        const BackupOutcome outcome =
            ProgrammingBackup(p.link, p.model).Make(ConfigurationBackup(dir.File("Backup")));
        ASSERT_FALSE(outcome.made);
        EXPECT_EQ(outcome.problem, c.problem);
        EXPECT_FALSE(outcome.error.empty()) << "the command line's English reason";
        EXPECT_EQ(p.programmer.BackupFailure(outcome), c.text(outcome));

        // A dictionary without the row: the built-in text, never the English reason.
        Programming plain(c.config);
        const std::string builtIn = plain.programmer.BackupFailure(outcome);
        EXPECT_FALSE(builtIn.empty());
        // (The port's lines and the system's reason for a file come from elsewhere.)
        if (c.problem != Problem::File && !outcome.device) {
            EXPECT_EQ(builtIn.find(outcome.error), std::string::npos) << builtIn;
        }
    }
}

}  // namespace
}  // namespace zov::testing
