// A programming that fails says why and what it left in the ECU, checked against the simulated
// ECU's faults through the real link, on the virtual clock.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "BootProtocol.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "ProgrammingSupport.h"

namespace zov {
namespace {

using testing::Programming;
using testing::Running;
using Why = boot::Failure;
using Left = EcuAfterFailure;

FirmwareImage SmallImage() {
    SampleFirmware sample;
    sample.programBytes = 1024;
    FirmwareImage image;
    EXPECT_TRUE(ParseFirmware(SampleSRecords(sample), 0, image));
    return image;
}

// Whether the simulated ECU carried out an erase.
bool Erased(const Programming& p) {
    for (const auto& f : p.ecu.Requests())
        if (f.bootLoader && f.request[0] == boot::kOpErase && !f.answer.empty() &&
            f.answer[0] == boot::kStatusDone)
            return true;
    return false;
}

bool HalfWay(const Programming& p) { return p.host.position >= 50; }
// The termination record is through: only the end of programming is left.
bool AllSent(const Programming& p) { return !p.Records().empty() && p.Records().back()[1] == '9'; }

TEST(ProgramFirmware, AFailureSaysWhyAndWhatTheEcuIsLeftIn) {
    const FirmwareImage image = SmallImage();
    struct Case {
        const char* what;
        sim::EcuConfig config;
        // A fault switched on once `when` holds (none without one).
        bool (*when)(const Programming&);
        std::function<void(sim::Faults&)> fault;
        ProgrammingFailure failure;
        sim::EcuMode afterPowerCycle;
    } cases[] = {
        {"a silent ECU",
         Running(200),
         nullptr,
         {},
         {Why::NoAnswer, Left::Unchanged},
         sim::EcuMode::Application},
        {"a dead line",
         Running(200),
         nullptr,
         {},
         {Why::LineLost, Left::Unchanged},
         sim::EcuMode::Application},
        {"low supply",
         Running(200),
         nullptr,
         {},
         {Why::LowSupply, Left::ProgramKept},
         sim::EcuMode::Application},
        {"erase refused",
         Running(200),
         nullptr,
         {},
         {Why::Refused, Left::ProgramKept},
         sim::EcuMode::Application},
        {"boot loader too old",
         Running(200),
         nullptr,
         {},
         {Why::TooOld, Left::ProgramKept},
         sim::EcuMode::Application},
        {"an erase outlasting the wait",
         Running(200),
         nullptr,
         {},
         {Why::NoAnswer, Left::MaybeBlank},
         sim::EcuMode::BootLoader},
        {"a record refused",
         Running(200),
         nullptr,
         {},
         {Why::Refused, Left::Blank},
         sim::EcuMode::BootLoader},
        {"line cut mid-programming",
         Running(200),
         HalfWay,
         [](sim::Faults& f) { f.deadLine = true; },
         {Why::LineLost, Left::Blank},
         sim::EcuMode::BootLoader},
        {"silence mid-programming",
         Running(200),
         HalfWay,
         [](sim::Faults& f) { f.silent = true; },
         {Why::NoAnswer, Left::Blank},
         sim::EcuMode::BootLoader},
        {"a damaged answer mid-programming",
         Running(200),
         HalfWay,
         [](sim::Faults& f) { f.badChecksum = 1; },
         {Why::WrongAnswer, Left::Blank},
         sim::EcuMode::BootLoader},
        {"the end unanswered",
         Running(200),
         AllSent,
         [](sim::Faults& f) { f.silent = true; },
         {Why::NoAnswer, Left::MaybeBlank},
         sim::EcuMode::BootLoader},
    };
    cases[0].config.faults.silent = true;
    cases[1].config.faults.deadLine = true;
    cases[2].config.faults.lowSupply = sim::kAlways;
    cases[3].config.faults.eraseRefused = sim::kAlways;
    cases[4].config.bootLoaderVersion = 2;
    cases[5].config.eraseUs = 20'000'000;
    cases[6].config.faults.recordRefused = 1;
    for (Case& c : cases) {
        Programming p(c.config);
        bool injected = false;
        p.host.onRepaint = [&] {
            if (c.when && !injected && c.when(p)) {
                c.fault(p.ecu.MutableFaults());
                injected = true;
            }
        };
        EXPECT_FALSE(p.programmer.ProgramFirmware(image)) << c.what;
        EXPECT_EQ(p.programmer.lastFailure.reason, c.failure.reason) << c.what;
        EXPECT_EQ(p.programmer.lastFailure.ecu, c.failure.ecu) << c.what;
        EXPECT_EQ(p.link.LastBootFailure(), c.failure.reason == Why::TooOld ? Why::None : c.failure.reason)
            << c.what << ": the link names the failure of its own operations";
        // What the simulated ECU really did, whatever the programming believes.
        const bool mayBeErased = c.failure.ecu == Left::MaybeBlank || c.failure.ecu == Left::Blank;
        EXPECT_EQ(Erased(p), mayBeErased) << c.what;
        if (c.failure.ecu == Left::Blank) {
            EXPECT_LT(p.ecu.FlashBytesWritten(), image.SentDataBytes())
                << c.what << ": the image is not whole";
            if (c.when) {
                EXPECT_GT(p.ecu.FlashBytesWritten(), 0u) << c.what << ": part of the image went in";
            }
        }
        p.ecu.MutableFaults() = {};
        p.ecu.PowerCycle();
        EXPECT_EQ(p.ecu.Mode(), c.afterPowerCycle) << c.what;
    }
}

TEST(ProgramFirmware, TheFailureTextComesFromTheDictionary) {
    auto dictionary = [](const char* id) -> std::string {
        const std::string s = id;
        if (s == "MessProgLineaPersa") return "LINE LOST";
        if (s == "MessCpuVuota") return "BLANK, PROGRAM AGAIN";
        if (s == "MessCpuInalterata") return "UNCHANGED";
        return "";
    };
    Programming p(Running(200), {}, dictionary);
    p.host.onRepaint = [&] {
        if (p.host.position >= 30) p.ecu.MutableFaults().deadLine = true;
    };
    EXPECT_FALSE(p.programmer.ProgramFirmware(SmallImage()));
    EXPECT_EQ(p.programmer.FailureText(), "LINE LOST\nBLANK, PROGRAM AGAIN");

    // An identifier the dictionary lacks keeps its built-in text; an image with nothing to send
    // has no reason to give.
    Programming empty(Running(200), {}, dictionary);
    EXPECT_FALSE(empty.programmer.ProgramFirmware(FirmwareImage{}));
    EXPECT_EQ(empty.programmer.lastFailure, (ProgrammingFailure{Why::None, Left::Unchanged}));
    EXPECT_EQ(empty.programmer.FailureText(), "UNCHANGED");
    EXPECT_TRUE(empty.line.Traffic().empty());
}

}  // namespace
}  // namespace zov
