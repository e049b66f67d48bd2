// ProgramEcuFile and UpdateStandardSoftware through the real link and the simulated ECU, on the
// virtual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "Packaging.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::EcuBench;
using testing::PrivateTemp;
using testing::Programming;
using testing::RecordingHost;
using testing::Running;
using testing::ScratchDir;
using testing::WriteFile;

const char* const kBadFileText = "Il file di programmazione non \xE8 valido";

// A map folder with standard software of both fuels in the given versions.
void WriteStandard(const ScratchDir& map, std::initializer_list<int> versions, size_t bytes = 2048) {
    for (const char* folder : {"GPL", "Metano"}) std::filesystem::create_directories(map.Path() / folder);
    for (int v : versions) {
        for (int fuel : {0, 1}) {
            SampleFirmware f;
            f.version = v;
            f.fuel = fuel;
            f.programBytes = bytes;
            WriteFile((map.Path() / (fuel ? "Metano" : "GPL") / StandardFileName(fuel, v)).string(),
                      SampleEcuFile(f));
        }
    }
}

std::vector<uint8_t> RecordBytes(const std::string& text) {
    std::vector<uint8_t> out{uint8_t(text[0]), uint8_t(text[1])};
    for (size_t i = 2; i + 1 < text.size(); i += 2)
        out.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}

TEST(ProgramEcuFile, SendsExactlyTheProgramRecords) {
    ScratchDir dir;
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = 4096;
    WriteFile(dir.File("soft.zov"), SampleEcuFile(sample));
    FirmwareImage image;
    ASSERT_TRUE(ParseFirmware(SampleEcuContent(sample), kEcuFileHeaderLines, image));

    Programming p(Running(200));
    ASSERT_TRUE(p.programmer.ProgramEcuFile(dir.File("soft.zov")));

    std::vector<std::vector<uint8_t>> expected;
    for (const SRecordLine& r : image.records)
        if (r.sent) expected.push_back(RecordBytes(r.text));
    EXPECT_EQ(p.Records(), expected) << "no header lines, no S0, no S1 below 0x8000, each record whole";
    for (const auto& r : p.Records()) {
        EXPECT_NE(r[1], '0');
        if (r[1] == '1') {
            EXPECT_GE(r[3], 0x80);
        }
    }
    EXPECT_EQ(p.CountBoot(boot::kOpEnd), 1u);
    EXPECT_EQ(p.ecu.FlashBytesWritten(), sample.programBytes);
    EXPECT_EQ(p.ecu.FlashByte(boot::kIdentityAddress), 'Z');

    ASSERT_GE(p.host.positions.size(), 4u);
    EXPECT_EQ((std::vector<int>(p.host.positions.begin(), p.host.positions.begin() + 3)),
              (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(p.host.positions.back(), 100);
    EXPECT_TRUE(std::is_sorted(p.host.positions.begin() + 2, p.host.positions.end()))
        << "the bar never goes back";
    EXPECT_FALSE(p.link.InBlockMode()) << "the link is back in byte mode";

    p.clock.SleepMs(1000);
    ASSERT_TRUE(p.ConnectAndLoad());
    EXPECT_EQ(p.car.VERSIONE_CENTRALINA, 0xD0);
    EXPECT_EQ(p.car.NOME_PROGRAMMA, "StandardGpl_0D0");
}

TEST(ProgramEcuFile, ABadFileIsRefusedBeforeTheEcuIsTouched) {
    ScratchDir dir;
    SampleFirmware sample;
    sample.programBytes = 1024;
    const std::string content = SampleEcuContent(sample);
    const size_t lastRecord = content.rfind("S1");
    std::string badChecksum = content, badDigit = content;
    char& last = badChecksum[content.find("\r\n", lastRecord) - 1];
    last = last == '0' ? '1' : '0';
    const std::string truncated = content.substr(0, content.find("\r\n", content.size() / 2) + 2);
    badDigit[lastRecord + 6] = 'x';
    struct Case {
        const char* what;
        std::string file;
        const char* reason;
    } cases[] = {
        {"a record's checksum", PackEcuData(badChecksum), "wrong checksum"},
        {"a non-hex character", PackEcuData(badDigit), "not a hex digit"},
        {"cut in half", PackEcuData(truncated), "termination record"},
        {"wrong magic", "ZOV_CONFIG_file\r\n" + PackEcuData(content).substr(14), "not a packed ECU file"},
        {"empty", "", "not a packed ECU file"},
        {"not packed", content, "not a packed ECU file"},
    };
    for (const Case& c : cases) {
        WriteFile(dir.File("bad.zov"), c.file);
        Programming p(Running(200));
        EXPECT_FALSE(p.programmer.ProgramEcuFile(dir.File("bad.zov"))) << c.what;
        EXPECT_EQ(p.programmer.retryCounter, 3) << c.what;
        EXPECT_NE(p.programmer.lastError.find(c.reason), std::string::npos)
            << c.what << ": " << p.programmer.lastError;
        ASSERT_EQ(p.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(p.prompter.shown[0].text.rfind(kBadFileText, 0), 0u) << c.what;
        EXPECT_NE(p.prompter.shown[0].text.find(c.reason), std::string::npos) << "the box says why";
        EXPECT_EQ(p.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_TRUE(p.line.Traffic().empty()) << c.what << ": not a byte went to the ECU";
        EXPECT_EQ(p.ecu.Mode(), sim::EcuMode::Application);
    }
    Programming p(Running(200));
    EXPECT_FALSE(p.programmer.ProgramEcuFile(dir.File("no-such.zov")));
    EXPECT_TRUE(p.line.Traffic().empty());
}

TEST(ProgramFirmware, FailuresOfTheBootLoaderSteps) {
    SampleFirmware sample;
    sample.programBytes = 512;
    FirmwareImage image;
    ASSERT_TRUE(ParseFirmware(SampleSRecords(sample), 0, image));
    auto dictionary = [](const char* id) -> std::string {
        const std::string s = id;
        return s == "MessVLow" ? "LOW" : s == "MessErrProg" ? "FAILED" : s == "MessErrSer" ? "SERIAL" : "";
    };
    struct Case {
        const char* what;
        sim::EcuConfig config;
        int retryCounter;
        std::vector<std::string> shown;
        size_t records;  // S-records the ECU received
    } cases[] = {
        {"low supply", {}, 3, {"LOW (1)"}, 0},
        {"boot loader too old", {}, 3, {"Questa centralina non pu\xF2 essere programmata."}, 0},
        {"flash not erased", {}, 3, {"FAILED (1)"}, 0},
        {"a record refused", {}, 0, {}, 1},
    };
    cases[0].config.faults.lowSupply = sim::kAlways;
    cases[1].config.bootLoaderVersion = 2;
    cases[2].config.faults.eraseRefused = sim::kAlways;
    cases[3].config.faults.recordRefused = 1;
    for (Case& c : cases) {
        c.config.startInBootLoader = true;
        Programming p(c.config, {}, dictionary);
        EXPECT_FALSE(p.programmer.ProgramFirmware(image)) << c.what;
        EXPECT_EQ(p.programmer.retryCounter, c.retryCounter) << c.what;
        EXPECT_EQ(p.ShownTexts(), c.shown) << c.what;
        EXPECT_EQ(p.Records().size(), c.records) << c.what;
        EXPECT_EQ(p.CountBoot(boot::kOpEnd), 0u) << c.what;
        EXPECT_FALSE(p.link.InBlockMode()) << c.what;
    }
}

TEST(ProgramFirmware, AnUnconfirmedEndAsksForAReset) {
    SampleFirmware sample;
    sample.programBytes = 512;
    FirmwareImage image;
    ASSERT_TRUE(ParseFirmware(SampleSRecords(sample), 0, image));
    sim::EcuConfig config;
    config.startInBootLoader = true;
    Programming p(config);
    // The ECU goes quiet once the last record is through.
    p.host.onRepaint = [&] {
        if (p.host.position == 100) p.ecu.MutableFaults().silent = true;
    };
    EXPECT_FALSE(p.programmer.ProgramFirmware(image));
    ASSERT_EQ(p.prompter.shown.size(), 1u);
    EXPECT_EQ(p.prompter.shown[0].text, "Fine programmazione non confermata: togliere e ridare i 12V");
    EXPECT_EQ(p.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_FALSE(p.link.isOpen);
}

TEST(FindStandardSoftware, NewestByTheHexVersionIgnoringLetterCase) {
    ScratchDir map;
    std::filesystem::create_directories(map.Path() / "Gpl");
    std::filesystem::create_directories(map.Path() / "METANO");
    std::filesystem::create_directories(map.Path() / "Gpl" / "StandardGpl_FFF.zov");
    for (const char* name : {"STANDARDGPL_00A.ZOV", "StandardGpl_010.zov", "standardgpl_0G1.zov",
                             "StandardGpl_1000.zov", "StandardCng_FFE.zov", "StandardGpl_00F.s19"})
        WriteFile((map.Path() / "Gpl" / name).string(), "x");
    WriteFile((map.Path() / "METANO" / "standardcng_00B.zov").string(), "x");

    const StandardSoftware gpl = EcuProgrammer::FindStandardSoftware(map.Path().string(), 0);
    EXPECT_EQ(gpl.files, 3);
    EXPECT_EQ(gpl.version, 16) << "00A is 10, 010 is 16";
    EXPECT_EQ(gpl.name, "StandardGpl_010.zov");
    const StandardSoftware cng = EcuProgrammer::FindStandardSoftware(map.Path().string(), 1);
    EXPECT_EQ(cng.version, 11);
    EXPECT_EQ(EcuProgrammer::FindStandardSoftware(map.File("nowhere"), 0).files, 0);
}

TEST(UpdateStandardSoftware, AnEcuWithTheNewestVersionIsNotReprogrammed) {
    ScratchDir map;
    WriteStandard(map, {0xC7, 0xC8, 0xD0});
    PrivateTemp temp;
    Programming p(Running(0xD0), map.Path().string());
    ASSERT_TRUE(p.ConnectAndLoad());
    p.ecu.ClearRequests();
    EXPECT_TRUE(p.programmer.UpdateStandardSoftware(true, 0));
    EXPECT_TRUE(p.BootRequests().empty());
    EXPECT_TRUE(p.prompter.shown.empty()) << "no question";
    EXPECT_TRUE(p.link.IsConnected());
    EXPECT_EQ(p.host.opened, 1);
    EXPECT_EQ(p.host.closed, 1);
    EXPECT_FALSE(p.host.busyNow);
    EXPECT_EQ(p.host.labels, (std::vector<std::string>{"Scrittura dei dati in centralina in corso..."}));
    EXPECT_EQ(temp.IcFiles(), 0) << "the three _ic files are gone";
}

// Variables whose value belongs to the program rather than to the vehicle: the data version and
// names the image carries, and the self-adaptation counters the procedure resets.
bool ProgramOwned(int index) {
    static const std::set<int> owned{46, 117, 118, 114, 115, 129};
    return owned.count(index) != 0;
}

TEST(UpdateStandardSoftware, CarriesTheConfigurationAcrossTheReprogramming) {
    ScratchDir map;
    // Both versions on the same side of 200, where the parameter layout changes.
    WriteStandard(map, {0xC8, 0xD0});
    PrivateTemp temp;
    sim::EcuConfig config = Running(0xC8);
    config.model = "FIAT PUNTO";
    Programming p(config, map.Path().string());
    // A vehicle whose settings differ from the factory's.
    p.ecu.SetValue(0, 0, 440);
    p.ecu.SetValue(1, 0, 12);
    p.ecu.SetValue(40, 0, 1242);
    for (int i = 0; i < 16 * 20; ++i) p.ecu.SetValue(50, i, (i * 7) % 200);
    for (int i = 0; i < 4; ++i) p.ecu.SetValue(114, i, 9);
    ASSERT_TRUE(p.ConnectAndLoad());
    // What this ECU holds: the variables its program has.
    std::vector<std::vector<uint8_t>> before;
    for (int i = 0; i < kVarCount; ++i)
        before.push_back(p.ecu.Available(i) ? p.ecu.Bytes(i) : std::vector<uint8_t>{});
    const int64_t start = p.clock.NowMs();
    p.prompter.answers = {PromptAnswer::Yes};
    std::vector<int> progressOpenAtQuestion;
    p.prompter.onAsk = [&] { progressOpenAtQuestion.push_back(p.host.opened - p.host.closed); };

    ASSERT_TRUE(p.programmer.UpdateStandardSoftware(true, 0)) << ::testing::PrintToString(p.ShownTexts());
    EXPECT_EQ(progressOpenAtQuestion, std::vector<int>{0}) << "no \"writing\" window behind the question";
    ASSERT_EQ(p.prompter.shown.size(), 1u);
    EXPECT_EQ(p.prompter.shown[0].text, "Riprogrammare la centralina con il software standard?");
    EXPECT_EQ(p.prompter.shown[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(p.prompter.shown[0].icon, PromptIcon::Warning);
    EXPECT_EQ(p.host.captions.back(), "Programmazione centralina standard v. 208");
    EXPECT_GE(p.clock.NowMs() - start, 20000) << "the ECU is given 20 s to start its new program";

    EXPECT_EQ(p.ecu.Value(46), 0xD0);
    EXPECT_EQ(p.ecu.Text(118), "StandardGpl_0D0");
    EXPECT_EQ(p.ecu.Value(0), 440);
    for (int i = 0; i < kVarCount; ++i) {
        if (ProgramOwned(i) || before[size_t(i)].empty()) continue;
        EXPECT_EQ(p.ecu.Bytes(i), before[size_t(i)]) << "variable " << i;
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(p.ecu.Value(114, i), 0) << "installer steps reset";
    EXPECT_EQ(p.car.VERSIONE_CENTRALINA, 0xD0) << "the model reads the new program back";
    EXPECT_TRUE(p.link.IsConnected());
    EXPECT_EQ(temp.IcFiles(), 0) << "the three _ic files are gone";
    EXPECT_EQ(p.host.closed, p.host.opened);
    EXPECT_FALSE(p.host.busyNow);
}

TEST(UpdateStandardSoftware, WithoutKeepingTheConfigurationItConnectsAfterwards) {
    ScratchDir map;
    WriteStandard(map, {0xC8});
    {
        sim::EcuConfig blank;
        blank.startInBootLoader = true;
        Programming p(blank, map.Path().string());
        p.prompter.answers = {PromptAnswer::Yes};
        ASSERT_TRUE(p.programmer.UpdateStandardSoftware(false, 1));
        EXPECT_EQ(p.prompter.shown[0].text, "La centralina non risponde: tentare la programmazione?");
        EXPECT_EQ(p.host.connectActions, 1);
        EXPECT_TRUE(p.link.IsConnected());
        EXPECT_EQ(p.car.NOME_PROGRAMMA, "StandardCng_0C8") << "the Metano software";
        EXPECT_EQ(p.car.TIPO_DI_CARBURANTE, 1);
    }
    {
        sim::EcuConfig slow = Running(0xC8);
        slow.restartUs = 60'000'000;  // still starting when the connect action runs
        Programming p(slow, map.Path().string());
        ASSERT_TRUE(p.ConnectAndLoad());
        p.prompter.answers = {PromptAnswer::Yes};
        EXPECT_FALSE(p.programmer.UpdateStandardSoftware(false, 0));
        EXPECT_EQ(p.prompter.shown[0].text, "Riprogrammare la centralina con il software standard?")
            << "programming is always done without the configuration";
        EXPECT_EQ(p.ShownTexts().back(), "Connessione fallita: controllare il collegamento");
    }
}

TEST(UpdateStandardSoftware, RefusalsBeforeTheEcuIsTouched) {
    ScratchDir empty, zero, damaged, good;
    std::filesystem::create_directories(empty.Path() / "GPL");
    std::filesystem::create_directories(zero.Path() / "GPL");
    WriteFile(zero.File("GPL/StandardGpl_000.zov"), SampleEcuFile({}));
    WriteStandard(damaged, {0xC8});
    WriteFile(damaged.File("GPL/StandardGpl_0C9.zov"),
              PackEcuData("A\r\nB\r\nC\r\nS1058000010278\r\nS9030000FC\r\n"));
    WriteStandard(good, {0xC8});
    struct Case {
        const char* what;
        std::string map;
        bool connect;
        bool keep;
        PromptAnswer answer;
        std::string shown;
    } cases[] = {
        {"no session to keep", good.Path().string(), false, true, PromptAnswer::Yes,
         "Centralina non connessa: eseguire prima la connessione."},
        {"no standard software", empty.Path().string(), true, false, PromptAnswer::Yes,
         "Software standard non trovato nella cartella Map."},
        {"version 0", zero.Path().string(), true, false, PromptAnswer::Yes,
         "Il file del software standard non \xE8 valido."},
        {"a damaged newest file", damaged.Path().string(), true, false, PromptAnswer::Yes,
         "Il file del software standard non \xE8 valido.\n"},
        {"the user declines", good.Path().string(), true, false, PromptAnswer::No,
         "Riprogrammare la centralina con il software standard?"},
    };
    for (const Case& c : cases) {
        Programming p(Running(0xC7), c.map);
        if (c.connect) {
            ASSERT_TRUE(p.ConnectAndLoad());
        }
        p.ecu.ClearRequests();
        p.prompter.answers = {c.answer};
        EXPECT_FALSE(p.programmer.UpdateStandardSoftware(c.keep, 0)) << c.what;
        ASSERT_EQ(p.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(p.prompter.shown[0].text.substr(0, c.shown.size()), c.shown) << c.what;
        EXPECT_TRUE(p.BootRequests().empty()) << c.what;
        EXPECT_EQ(p.ecu.Mode(), sim::EcuMode::Application) << c.what;
        EXPECT_EQ(p.host.opened, p.host.closed) << c.what;
        EXPECT_FALSE(p.host.busyNow) << c.what;
    }
}

TEST(UpdateStandardSoftware, AsksBeforeEachNewAttempt) {
    ScratchDir map;
    WriteStandard(map, {0xC8}, 512);
    using A = PromptAnswer;
    // Why the attempts failed and what they left, as the question and the last box say it.
    const std::string refused =
        "La centralina ha rifiutato la programmazione.\n"
        "Centralina vuota, attende nel boot loader: programmarla di nuovo.";
    const std::string lowSupply =
        "Tensione di alimentazione insufficiente\n"
        "Programma invariato: togliere e ridare i 12V per riavviarlo.";
    struct Case {
        const char* what;
        int recordRefused;
        int lowSupply;
        std::vector<A> answers;  // after the Yes to the reprogramming question
        bool ok;
        size_t attempts;
        size_t retryQuestions;
        std::string why;
    } cases[] = {
        {"always failing, always yes", sim::kAlways, 0, {A::Yes, A::Yes}, false, 3, 2, refused},
        {"the user gives up", sim::kAlways, 0, {A::No}, false, 1, 1, refused},
        {"gives up at the second", sim::kAlways, 0, {A::Yes, A::No}, false, 2, 2, refused},
        {"the second attempt works", 1, 0, {A::Yes}, true, 2, 1, refused},
        {"a failure not worth repeating", 0, sim::kAlways, {}, false, 1, 0, lowSupply},
    };
    for (const Case& c : cases) {
        sim::EcuConfig config;
        config.startInBootLoader = true;
        config.faults.recordRefused = c.recordRefused;
        config.faults.lowSupply = c.lowSupply;
        Programming p(config, map.Path().string());
        p.prompter.answers = {A::Yes};
        p.prompter.answers.insert(p.prompter.answers.end(), c.answers.begin(), c.answers.end());
        EXPECT_EQ(p.programmer.UpdateStandardSoftware(false, 0), c.ok) << c.what;
        EXPECT_EQ(p.Attempts(), c.attempts) << c.what;
        size_t questions = 0;
        for (const auto& s : p.prompter.shown)
            questions += s.text == c.why + "\nProgrammazione fallita. Riprovare?";
        EXPECT_EQ(questions, c.retryQuestions) << c.what << ::testing::PrintToString(p.ShownTexts());
        const bool errProg = !p.prompter.shown.empty() &&
                             p.prompter.shown.back().text == "Programmazione centralina fallita!\n" + c.why;
        EXPECT_EQ(errProg, !c.ok) << c.what << ::testing::PrintToString(p.ShownTexts());
        EXPECT_FALSE(p.link.InBlockMode()) << c.what;
    }
}

}  // namespace
}  // namespace zov
