// The link's boot-loader operations against the simulated ECU's boot loader, on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::EcuBench;

sim::EcuConfig Blank(int bootVersion = 5) {
    sim::EcuConfig c;
    c.startInBootLoader = true;
    c.bootLoaderVersion = bootVersion;
    return c;
}

sim::EcuConfig Running(int version) {
    sim::EcuConfig c;
    c.version = version;
    return c;
}

// Bytes the PC put on the line since the last ClearTraffic.
std::vector<uint8_t> Sent(const EcuBench& b) {
    std::vector<uint8_t> out;
    for (const auto& t : b.line.Traffic())
        if (t.direction == sim::LineDirection::PcToEcu) out.push_back(t.byte);
    return out;
}

// Brings a blank ECU to the point where records are accepted.
void StartRun(EcuBench& b) {
    ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
    ASSERT_EQ(b.link.QueryBootLoader(), b.ecu.Config().bootLoaderVersion);
    ASSERT_TRUE(b.link.EraseFlash());
    ASSERT_TRUE(b.link.StartProgramming());
}

TEST(EnterBootMode, ARunningProgramOfVersionAbove7RestartsByItself) {
    EcuBench b(Running(200));
    const int64_t start = b.clock.NowMs();
    ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::BootLoader);
    EXPECT_TRUE(b.prompter.shown.empty());
    EXPECT_GE(b.clock.NowMs() - start, 2000) << "the 2 s for the restart";
    EXPECT_FALSE(b.link.isOpen);
    EXPECT_FALSE(b.link.IsConnected());
    bool requested = false;
    for (const auto& f : b.ecu.Requests())
        requested |= f.request == std::vector<uint8_t>{0x06, 59, 0xB5, uint8_t(0x06 + 59 + 0xB5)};
    EXPECT_TRUE(requested) << "variable 59 := the boot-request code";
    EXPECT_EQ(b.link.QueryBootLoader(), 5);
}

TEST(EnterBootMode, OlderProgramsNeedTheSupplySwitchedOffAndOn) {
    for (int version : {7, 3}) {
        EcuBench b(Running(version));
        const int64_t start = b.clock.NowMs();
        ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode)) << version;
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text,
                  "Togliere e ridare i 12V Batteria: la centralina pu\xF2 essere programmata");
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Information);
        EXPECT_EQ(b.prompter.shown[0].caption, b.link.AppTitle());
        EXPECT_LT(b.clock.NowMs() - start, 2000);
        EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::Application) << "the program keeps running";
        EXPECT_EQ(b.link.QueryBootLoader(), -1) << "no boot loader before the supply is cycled";
        b.link.ClosePort();
        b.ecu.PowerCycle();
        EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::BootLoader);
        EXPECT_EQ(b.link.QueryBootLoader(), 5);
    }
}

TEST(EnterBootMode, ABlankEcuIsSynchronised) {
    EcuBench b(Blank());
    ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
    EXPECT_TRUE(b.link.IsConnected());
    EXPECT_TRUE(b.prompter.shown.empty());
    ASSERT_EQ(b.BootRequests().size(), 1u) << "the open-session frames are ignored by the boot loader";
    EXPECT_EQ(b.BootRequests()[0], (std::vector<uint8_t>{0x50, 0x50}));
}

TEST(EnterBootMode, FailuresShowTheirText) {
    const std::vector<std::string> texts{"one", "two", "three"};
    struct Case {
        const char* what;
        sim::EcuConfig config;
        bool openFails;
        std::vector<std::string> list;
        std::string shown;
    } cases[] = {
        {"nothing on the line", Blank(), false, {}, "Errore di comunicazione con la centralina."},
        {"the port cannot be opened", Blank(), true, texts, "two"},
        {"no answer to the sync", Running(200), false, {}, "Sincronizz. errata: togliere e ridare i 12 V"},
        {"no answer, own texts", Running(200), false, texts, "three"},
        {"a list of two is no list", Running(200), false, {"a", "b"}, "Sincronizz. errata"},
    };
    cases[0].config.faults.deadLine = true;
    cases[2].config.faults.silent = true;
    cases[3].config.faults.silent = true;
    cases[4].config.faults.silent = true;
    for (const Case& c : cases) {
        EcuBench b(c.config);
        b.line.SetOpenFails(c.openFails);
        EXPECT_FALSE(b.link.EnterBootMode(ComInj::kBootRequestCode, c.list)) << c.what;
        ASSERT_EQ(b.prompter.shown.size(), 1u) << c.what;
        EXPECT_EQ(b.prompter.shown[0].text.rfind(c.shown, 0), 0u)
            << c.what << ": " << b.prompter.shown[0].text;
        EXPECT_EQ(b.prompter.shown[0].icon, PromptIcon::Error);
        EXPECT_FALSE(b.link.IsConnected()) << c.what;
        EXPECT_FALSE(b.link.isOpen) << c.what;
    }
}

TEST(QueryBootLoader, ReportsTheVersionOrWhyNot) {
    EcuBench blank(Blank(9));
    EXPECT_EQ(blank.link.QueryBootLoader(), 9);
    EXPECT_TRUE(blank.link.IsConnected());
    EXPECT_EQ(blank.BootRequests().back(), (std::vector<uint8_t>{0x9D, 0x9D}));

    EcuBench running(Running(200));
    EXPECT_EQ(running.link.QueryBootLoader(), -1);
    EXPECT_FALSE(running.link.IsConnected());

    EcuBench noPort(Blank());
    noPort.line.SetOpenFails(true);
    EXPECT_EQ(noPort.link.QueryBootLoader(), 0);
}

TEST(EraseFlash, RetriesAndNamesTheReason) {
    struct Case {
        const char* what;
        int lowSupply, refused;
        int64_t eraseMs;
        std::vector<std::string> list;
        bool ok;
        size_t erases;
        std::string shown;  // empty: no box
        bool portOpen;
        boot::Failure failure;
    } cases[] = {
        {"good", 0, 0, 0, {}, true, 1, "", true, boot::Failure::None},
        {"low supply twice, then good", 2, 0, 0, {}, true, 3, "", true, boot::Failure::None},
        {"low supply",
         sim::kAlways,
         0,
         0,
         {},
         false,
         4,
         "Tensione di alimentazione insufficiente (1)",
         true,
         boot::Failure::LowSupply},
        {"low supply, own texts",
         sim::kAlways,
         0,
         0,
         {"A", "B", "C"},
         false,
         4,
         "B (1)",
         true,
         boot::Failure::LowSupply},
        {"refused",
         0,
         sim::kAlways,
         0,
         {},
         false,
         4,
         "Programmazione centralina fallita! (1)",
         true,
         boot::Failure::Refused},
        {"refused, own texts",
         0,
         sim::kAlways,
         0,
         {"A", "B", "C"},
         false,
         4,
         "C (1)",
         true,
         boot::Failure::Refused},
        {"slow erase within the wait", 0, 0, 4900, {}, true, 1, "", true, boot::Failure::None},
        {"erase longer than the wait",
         0,
         0,
         5200,
         {},
         false,
         1,
         "Errore sulla comunicazione seriale",
         false,
         boot::Failure::NoAnswer},
    };
    for (const Case& c : cases) {
        sim::EcuConfig config = Blank();
        config.faults.lowSupply = c.lowSupply;
        config.faults.eraseRefused = c.refused;
        config.eraseUs = c.eraseMs * 1000;
        EcuBench b(config);
        ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
        EXPECT_EQ(b.link.EraseFlash(c.list), c.ok) << c.what;
        EXPECT_EQ(b.CountBoot(0x6F), c.erases) << c.what;
        if (c.shown.empty()) {
            EXPECT_TRUE(b.prompter.shown.empty()) << c.what;
        } else {
            ASSERT_EQ(b.prompter.shown.size(), 1u) << c.what;
            EXPECT_EQ(b.prompter.shown[0].text, c.shown) << c.what;
        }
        EXPECT_EQ(bool(b.link.IsConnected()), c.ok) << c.what;
        EXPECT_EQ(bool(b.link.isOpen), c.portOpen) << c.what;
        EXPECT_EQ(b.link.LastBootFailure(), c.failure) << c.what;
    }
}

TEST(StartProgramming, NeedsAnErasedFlashAndEnoughSupply) {
    {
        EcuBench b(Blank());
        ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
        EXPECT_FALSE(b.link.StartProgramming());
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, "Programmazione centralina fallita! (2)");
        EXPECT_FALSE(b.link.IsProgramming());
    }
    {
        EcuBench b(Blank());
        ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
        ASSERT_TRUE(b.link.EraseFlash());
        b.ecu.MutableFaults().lowSupply = 1;
        EXPECT_FALSE(b.link.StartProgramming({"x", "volts", "failed"}));
        ASSERT_EQ(b.prompter.shown.size(), 1u);
        EXPECT_EQ(b.prompter.shown[0].text, "volts (2)");
        EXPECT_TRUE(b.link.StartProgramming());
        EXPECT_TRUE(b.link.IsProgramming());
        EXPECT_TRUE(b.ecu.ProgrammingStarted());
    }
}

TEST(SendSRecord, SendsTheRecordBytesInOneBlock) {
    sim::EcuConfig config = Blank();
    config.baud = 9600;
    EcuBench b(config);
    EXPECT_FALSE(b.link.SendSRecord("S1058000010277")) << "not before programming has started";
    StartRun(b);
    b.line.ClearTraffic();
    b.link.SetBlockMode();

    EXPECT_TRUE(b.link.SendSRecord(FormatSRecord('1', 0x7FF0, {1, 2}))) << "below 0x8000: skipped as done";
    EXPECT_TRUE(Sent(b).empty());
    ASSERT_TRUE(b.link.SendSRecord("S1058000010277"));
    EXPECT_EQ(Sent(b), (std::vector<uint8_t>{'S', '1', 0x05, 0x80, 0x00, 0x01, 0x02, 0x77}))
        << "S and the type as characters, then the hex pairs as bytes, no checksum added";
    std::vector<int64_t> times;
    for (const auto& t : b.line.Traffic())
        if (t.direction == sim::LineDirection::PcToEcu) times.push_back(t.timeUs);
    EXPECT_EQ(times.front(), times.back()) << "one write for the whole record";
    EXPECT_EQ(b.ecu.FlashByte(0x8000), 0x01);
    EXPECT_EQ(b.ecu.FlashByte(0x8001), 0x02);

    // The echo of the block is compared with what was sent.
    b.ecu.MutableFaults().corruptEcho = 1;
    b.link.SendSRecord(FormatSRecord('1', 0x8002, {3, 4}));
    EXPECT_TRUE(b.link.ErrorFlags() & ERR_ECHO);
    EXPECT_EQ(b.link.TxLength(), 0u);

    // Byte mode: each byte waits for its echo.
    b.link.SetByteMode();
    b.line.ClearTraffic();
    ASSERT_TRUE(b.link.SendSRecord(FormatSRecord('1', 0x8004, {5, 6})));
    times.clear();
    for (const auto& t : b.line.Traffic())
        if (t.direction == sim::LineDirection::PcToEcu) times.push_back(t.timeUs);
    EXPECT_GT(times.back(), times.front());
}

TEST(SendSRecord, AFailedRecordStopsProgramming) {
    EcuBench b(Blank());
    StartRun(b);
    b.link.SetBlockMode();
    b.ecu.MutableFaults().recordRefused = 1;
    EXPECT_FALSE(b.link.SendSRecord("S1058000010277"));
    EXPECT_FALSE(b.link.IsProgramming());
    b.line.ClearTraffic();
    EXPECT_FALSE(b.link.SendSRecord(FormatSRecord('1', 0x8002, {3, 4})));
    EXPECT_TRUE(Sent(b).empty()) << "no record goes out until programming is started again";
    EXPECT_FALSE(b.link.EndProgramming()) << "the boot loader does not confirm a broken run";

    EcuBench bad(Blank());
    StartRun(bad);
    bad.line.ClearTraffic();
    for (const char* text : {"S1058000G10277", "S105800001027", "X1058000010277", "S1"}) {
        EXPECT_FALSE(bad.link.SendSRecord(text)) << text;
        EXPECT_TRUE(bad.link.ErrorFlags() & ERR_REQUEST) << text;
    }
    EXPECT_TRUE(Sent(bad).empty()) << "a malformed line is never sent";
    EXPECT_TRUE(bad.link.IsProgramming());

    EcuBench wrongSum(Blank());
    StartRun(wrongSum);
    EXPECT_FALSE(wrongSum.link.SendSRecord("S1058000010278"))
        << "the boot loader checks the record's checksum";
}

TEST(EndProgramming, RestartsTheEcuWithTheNewProgram) {
    EcuBench b(Blank());
    StartRun(b);
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programName = "NEW PROGRAM";
    sample.model = "NEW MODEL";
    FirmwareImage image;
    ASSERT_TRUE(ParseFirmware(SampleSRecords(sample), 0, image));
    b.link.SetBlockMode();
    for (const SRecordLine& r : image.records) {
        if (r.type != '0') {
            ASSERT_TRUE(b.link.SendSRecord(r.text)) << r.text;
        }
    }
    EXPECT_EQ(b.ecu.FlashBytesWritten(), sample.programBytes);
    ASSERT_TRUE(b.link.EndProgramming());
    EXPECT_FALSE(b.link.isOpen);
    EXPECT_FALSE(b.link.IsConnected());
    EXPECT_FALSE(b.link.IsProgramming());

    b.link.SetByteMode();
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::Starting);
    b.clock.SleepMs(1000);
    ASSERT_TRUE(b.link.Connect());
    EXPECT_EQ(b.link.ReadVar(46, nullptr), 0xD0);
    b.car.ReadFromEcu();
    EXPECT_EQ(b.car.NOME_PROGRAMMA, "NEW PROGRAM");
    EXPECT_EQ(b.car.MODELLO, "NEW MODEL");
}

TEST(BootOperations, NameWhyTheyFailed) {
    enum class Step { Erase, Start, Record, End };
    struct Case {
        const char* what;
        Step step;
        std::function<void(sim::Faults&)> fault;
        boot::Failure failure;
    } cases[] = {
        {"erase, line dead", Step::Erase, [](sim::Faults& f) { f.deadLine = true; }, boot::Failure::LineLost},
        {"erase, ECU silent", Step::Erase, [](sim::Faults& f) { f.silent = true; }, boot::Failure::NoAnswer},
        {"erase, damaged answer", Step::Erase, [](sim::Faults& f) { f.badChecksum = 1; },
         boot::Failure::WrongAnswer},
        {"erase, low supply", Step::Erase, [](sim::Faults& f) { f.lowSupply = sim::kAlways; },
         boot::Failure::LowSupply},
        {"erase, refused", Step::Erase, [](sim::Faults& f) { f.eraseRefused = sim::kAlways; },
         boot::Failure::Refused},
        {"start, damaged answer", Step::Start, [](sim::Faults& f) { f.badChecksum = 1; },
         boot::Failure::WrongAnswer},
        {"start, low supply", Step::Start, [](sim::Faults& f) { f.lowSupply = 1; }, boot::Failure::LowSupply},
        {"record, line dead", Step::Record, [](sim::Faults& f) { f.deadLine = true; },
         boot::Failure::LineLost},
        {"record, ECU silent", Step::Record, [](sim::Faults& f) { f.silent = true; },
         boot::Failure::NoAnswer},
        {"record, damaged answer", Step::Record, [](sim::Faults& f) { f.badChecksum = 1; },
         boot::Failure::WrongAnswer},
        {"record, refused", Step::Record, [](sim::Faults& f) { f.recordRefused = 1; },
         boot::Failure::Refused},
        {"end, ECU silent", Step::End, [](sim::Faults& f) { f.silent = true; }, boot::Failure::NoAnswer},
        {"end, damaged answer", Step::End, [](sim::Faults& f) { f.badChecksum = 1; },
         boot::Failure::WrongAnswer},
    };
    const std::string record = FormatSRecord('1', 0x8000, {1, 2, 3, 4});
    for (const Case& c : cases) {
        EcuBench b(Blank());
        ASSERT_TRUE(b.link.EnterBootMode(ComInj::kBootRequestCode));
        ASSERT_GT(b.link.QueryBootLoader(), 2);
        auto run = [&](Step step) {
            const bool faulty = step == c.step;
            if (faulty) c.fault(b.ecu.MutableFaults());
            bool ok = false;
            switch (step) {
                case Step::Erase:
                    ok = b.link.EraseFlash();
                    break;
                case Step::Start:
                    ok = b.link.StartProgramming();
                    break;
                case Step::Record:
                    b.link.SetBlockMode();
                    ok = b.link.SendSRecord(record);
                    break;
                case Step::End:
                    ok = b.link.EndProgramming();
                    break;
            }
            EXPECT_EQ(ok, !faulty) << c.what;
            EXPECT_EQ(b.link.LastBootFailure(), faulty ? c.failure : boot::Failure::None) << c.what;
            return ok;
        };
        for (Step step : {Step::Erase, Step::Start, Step::Record, Step::End})
            if (!run(step)) break;
    }
}

TEST(SimulatedBootLoader, ARecordWrappingTheAddressSpaceIsRefused) {
    EcuBench b(Blank());
    StartRun(b);
    b.link.SetBlockMode();
    EXPECT_FALSE(b.link.SendSRecord(FormatSRecord('3', 0xFFFFFFF0, std::vector<uint8_t>(16, 0xA5))));
    EXPECT_EQ(b.ecu.FlashBytesWritten(), 0u);
    EXPECT_EQ(std::count(b.ecu.Flash().begin(), b.ecu.Flash().end(), 0xA5), 0);
}

TEST(SimulatedBootLoader, AnImageWithoutIdentityLeavesTheEcuBlank) {
    EcuBench b(Blank());
    StartRun(b);
    b.link.SetBlockMode();
    ASSERT_TRUE(b.link.SendSRecord(FormatSRecord('1', 0x8000, {1, 2, 3, 4})));
    EXPECT_FALSE(b.link.SendSRecord(FormatSRecord('2', 0x17FFE, {1, 2, 3}))) << "past the end of the flash";
    StartRun(b);
    b.link.SetBlockMode();
    ASSERT_TRUE(b.link.SendSRecord(FormatSRecord('1', 0x8000, {1, 2, 3, 4})));
    ASSERT_TRUE(b.link.EndProgramming());
    b.clock.SleepMs(1500);
    b.link.SetByteMode();
    EXPECT_FALSE(b.link.Connect());
    EXPECT_EQ(b.ecu.Mode(), sim::EcuMode::BootLoader);
    EXPECT_EQ(b.link.QueryBootLoader(), 5);
}

}  // namespace
}  // namespace zov
