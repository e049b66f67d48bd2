// The manual pages, the shell completion and the README against what the programs say about
// themselves: every command and option of --help is documented and nothing else is, and the
// exit statuses are the same table everywhere.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "TestFiles.h"

namespace {

using zov::clitest::Result;
using zov::clitest::RunProgram;
using zov::testing::ReadFile;

using Words = std::set<std::string>;

std::string Source(const std::string& relative) { return std::string(ZOV_SOURCE_DIR) + "/" + relative; }

// The manual page as plain text, enough to compare words: roff's escaped minus becomes '-' and
// font changes go.
std::string ManualText(const std::string& path) {
    std::string text = ReadFile(path);
    EXPECT_FALSE(text.empty()) << path << " is missing or empty";
    text = std::regex_replace(text, std::regex(R"(\\-)"), "-");
    return std::regex_replace(text, std::regex(R"(\\f[BIRP])"), "");
}

Words Matches(const std::string& text, const std::string& pattern) {
    Words found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.insert((*it)[1].str());
    return found;
}

Words Options(const std::string& text) { return Matches(text, R"((?:^|[\s\[|,])(--?[a-z][a-z0-9-]*))"); }

// The part of `text` from the line `heading` up to the next line that starts in column 0.
std::string Section(const std::string& text, const std::string& heading) {
    const size_t start = text.find("\n" + heading + "\n");
    if (start == std::string::npos) return {};
    const size_t body = start + heading.size() + 2;
    const std::regex next(R"(\n[^ \n])");
    std::smatch m;
    const std::string rest = text.substr(body);
    return std::regex_search(rest, m, next) ? rest.substr(0, size_t(m.position(0)) + 1) : rest;
}

Words HelpCommands(const std::string& help) {
    return Matches(Section(help, "commands:"), R"((?:^|\n)  ([a-z-]+))");
}

// Items of a manual section: ".TP" then ".B name" or ".BI name ...".
Words ManualItems(const std::string& manual, const std::string& section) {
    const size_t start = manual.find(".SH " + section + "\n");
    if (start == std::string::npos) return {};
    size_t end = manual.find("\n.SH ", start + 1);
    if (end == std::string::npos) end = manual.size();
    return Matches(manual.substr(start, end - start), R"(\.TP\n\.BI? ([^ \n]+))");
}

struct ExitStatus {
    std::string status, meaning;
    bool operator<(const ExitStatus& o) const { return status < o.status; }
    bool operator==(const ExitStatus& o) const = default;
};

std::vector<ExitStatus> HelpExitStatuses(const std::string& help) {
    std::vector<ExitStatus> table;
    const std::string section = Section(help, "exit status:");
    const std::regex line(R"(  ([0-9])  ([^\n]+))");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), line); it != std::sregex_iterator();
         ++it)
        table.push_back({(*it)[1].str(), (*it)[2].str()});
    return table;
}

std::string Help(const char* program) {
    const Result r = RunProgram({program, "--help"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.out.empty());
    return r.out;
}

TEST(Manual, ZovctlPageDocumentsExactlyTheCommandsAndOptionsOfHelp) {
    const std::string help = Help(ZOVCTL_PATH);
    const std::string manual = ManualText(Source("cli/zovctl.1"));

    const Words commands = HelpCommands(help);
    EXPECT_GE(commands.size(), 14u) << help;
    EXPECT_EQ(ManualItems(manual, "COMMANDS"), commands);

    const Words options = Options(help);
    EXPECT_TRUE(options.count("--version") && options.count("--port") && options.count("-h")) << help;
    EXPECT_EQ(Options(manual), options);

    EXPECT_NE(help.find("ZOV_TRACE"), std::string::npos);
    EXPECT_EQ(ManualItems(manual, "ENVIRONMENT"), Words{"ZOV_TRACE"});
}

TEST(Manual, ZovsimPageDocumentsExactlyTheOptionsOfHelp) {
    const std::string help = Help(ZOVSIM_PATH);
    const Words options = Options(help);
    EXPECT_GE(options.size(), 30u) << help;
    EXPECT_EQ(Options(ManualText(Source("sim/zovsim.1"))), options);
}

// The one exit-status table: zovctl --help prints it, the manual page and the README repeat it.
TEST(Manual, ExitStatusesAreOneTable) {
    const std::vector<ExitStatus> help = HelpExitStatuses(Help(ZOVCTL_PATH));
    ASSERT_EQ(help.size(), 7u);
    for (size_t i = 0; i < help.size(); ++i) EXPECT_EQ(help[i].status, std::to_string(i));

    const std::string manual = ManualText(Source("cli/zovctl.1"));
    const std::string readme = ReadFile(Source("README.md"));
    for (const ExitStatus& s : help) {
        EXPECT_NE(manual.find(".TP\n.B " + s.status + "\n" + s.meaning + "\n"), std::string::npos)
            << "zovctl.1 lacks status " << s.status << ": " << s.meaning;
        EXPECT_NE(readme.find("| " + s.status + " | " + s.meaning + " |"), std::string::npos)
            << "README lacks status " << s.status << ": " << s.meaning;
    }
}

// What bash offers after "zovctl " and "zovctl -", with the completion script sourced.
std::string Complete(const std::string& words, int current) {
    const std::string script = "source '" + Source("packaging/zovctl.bash-completion") + "'; COMP_WORDS=(" +
                               words + "); COMP_CWORD=" + std::to_string(current) +
                               "; _zovctl; printf '%s\\n' \"${COMPREPLY[@]}\"";
    const Result r = RunProgram({"/bin/bash", "--norc", "-c", script});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

Words LinesOf(const std::string& text) {
    Words lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.insert(line);
    return lines;
}

TEST(Manual, BashCompletionOffersTheCommandsAndOptionsOfHelp) {
    const std::string help = Help(ZOVCTL_PATH);
    EXPECT_EQ(LinesOf(Complete("zovctl ''", 1)), HelpCommands(help));
    // Before the command only the global options; a command's own options come after it.
    EXPECT_EQ(LinesOf(Complete("zovctl -", 1)), Options(Section(help, "options:")));
    EXPECT_EQ(LinesOf(Complete("zovctl fit --", 2)), (Words{"--download", "--locks", "--max-change"}));
    EXPECT_EQ(LinesOf(Complete("zovctl --port COM1 ''", 3)), HelpCommands(help)) << "after an option's value";
    EXPECT_EQ(LinesOf(Complete("zovctl help unpack-", 2)), (Words{"unpack-config", "unpack-ecu"}));
    EXPECT_TRUE(LinesOf(Complete("zovctl --port CO", 2)).count("COM4"));
}

TEST(Zovctl, VersionAndHelpOfOneCommand) {
    const Result version = RunProgram({ZOVCTL_PATH, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("zovctl (ZOV Qbr) ") + ZOV_VERSION + "\n");

    const Result get = RunProgram({ZOVCTL_PATH, "help", "get"});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.out.substr(0, get.out.find('\n')), "usage: zovctl [OPTION]... get VAR [ELEMENT]");
    EXPECT_NE(get.out.find("table 51 is read by row"), std::string::npos) << get.out;

    EXPECT_EQ(RunProgram({ZOVCTL_PATH, "help"}).out, Help(ZOVCTL_PATH));

    const Result unknown = RunProgram({ZOVCTL_PATH, "help", "frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "zovctl: unknown command 'frobnicate' (try --help)\n");
    EXPECT_TRUE(unknown.out.empty());
}

}  // namespace
