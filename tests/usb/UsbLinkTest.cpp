// The link, the model and the programming run over the USB adapter exactly as over the serial
// line: the same requests reach the ECU and the same values come back.
#include <gtest/gtest.h>

#include <memory>

#include "BootProtocol.h"
#include "ConfigurationModel.h"
#include "EcuProgrammer.h"
#include "Firmware.h"
#include "FirmwareSample.h"
#include "Packaging.h"
#include "ProgrammingSupport.h"
#include "UsbLink.h"

namespace zov::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// One ECU session's worth of commands; returns what each gave back, refusals included.
std::vector<int32_t> RunSession(ComInj& link) {
    std::vector<int32_t> out;
    std::vector<int32_t> values(320, 0);
    const std::vector<int32_t> words = {100, 200, 300, 400, 500, 600, 700, 800};
    auto note = [&](int32_t v) {
        out.push_back(v);
        out.push_back(link.ErrorFlags());
        link.ClearErrorFlags();
    };
    note(link.ReadVar(46, nullptr));
    note(int32_t(link.WriteVar(64, -3)));
    note(link.ReadVar(64, nullptr));
    note(int32_t(link.WriteArray(110, words.data())));
    note(link.ReadVar(110, values.data()));
    out.insert(out.end(), values.begin(), values.begin() + 8);
    note(link.ReadVar(117, values.data()));
    out.insert(out.end(), values.begin(), values.begin() + 40);
    note(link.ReadVar(50, values.data()));
    out.insert(out.end(), values.begin(), values.end());
    note(int32_t(link.WriteTableCell(50, 3, 4, 0x0321)));
    note(link.ReadVarElement(50, 3, values.data()));
    out.insert(out.end(), values.begin(), values.begin() + 20);
    note(link.ReadRecord(150, values.data(), 14));
    note(link.ReadRecord(152, values.data(), 8, 1, 2));
    out.insert(out.end(), values.begin(), values.begin() + 8);
    note(link.ReadVar(131, values.data()));  // absent on this ECU: refused
    return out;
}

// The live records come from the engine model, which moves with time; the two transports take
// different times, so the engine's sensors are held still for both.
sim::EcuConfig WithoutMapB() {
    sim::EcuConfig config;
    config.mapB = false;
    auto held = std::make_shared<sim::HeldSensors>();
    held->period = 3750;
    held->lambda = 90;
    held->cumulus = 10;
    held->reducerPressure = 100;
    held->tps = 40;
    held->map = 60;
    held->status = 0x0A;
    held->reducerTemp = 80;
    config.engine.held = held;
    return config;
}

TEST(UsbLink, ASessionGivesWhatTheSerialLineGives) {
    VirtualClock clock;
    sim::EcuSimulator ecu(WithoutMapB());
    sim::SimulatedLine line(ecu, clock);
    ScriptedPrompter prompter;
    ComInj serial(0, 5, line, clock, prompter);
    serial.SetLinkMessages();
    ASSERT_TRUE(serial.Connect());
    const std::vector<int32_t> expected = RunSession(serial);
    serial.Disconnect();

    UsbLink u(WithoutMapB());
    ASSERT_TRUE(u.Open());
    EXPECT_EQ(RunSession(u.link), expected);
    u.link.Disconnect();
    EXPECT_EQ(u.adapter.OpenHandles(), 0);

    std::vector<Bytes> serialRequests, usbRequests;
    for (const auto& f : ecu.Requests()) serialRequests.push_back(f.request);
    for (const auto& f : u.ecu.Requests()) usbRequests.push_back(f.request);
    EXPECT_EQ(usbRequests, serialRequests) << "the ECU heard the same frames, session frames included";
    EXPECT_TRUE(u.prompter.shown.empty());
}

TEST(UsbLink, TheModelIsReadWhole) {
    UsbLink u;
    ConfCar car{u.link, ConfigurationModel::kCarFile, u.prompter};
    ConfMap map{u.link, car, ConfigurationModel::kMapFile};
    ConfParam param{u.link, car, ConfigurationModel::kParamFile, u.prompter};
    ConfigurationModel model{u.link, map, car, param};
    ASSERT_TRUE(u.Open());
    model.ReadFromEcu();
    EXPECT_TRUE(u.link.IsConnected());
    EXPECT_EQ(car.VERSIONE_CENTRALINA, 200);
    EXPECT_EQ(car.MODELLO, "FIAT PUNTO 1.2 8V");
    EXPECT_EQ(car.NOME_PROGRAMMA, "PUNTO12.ZOV");
}

TEST(UsbLink, AnEcuThatNeverAnswersIsRetriedAndReconnectedAsOnTheLine) {
    UsbLink u;
    ASSERT_TRUE(u.Open());
    u.ecu.MutableFaults().silent = true;
    u.ecu.ClearRequests();
    int32_t value = 0;
    EXPECT_EQ(u.link.ReadVar(46, &value), 0);
    EXPECT_FALSE(u.link.IsConnected());
    // 4 attempts of the read, then a silent reconnection of 4 attempts that fails.
    size_t reads = 0, opens = 0;
    for (const auto& f : u.ecu.Requests()) {
        reads += f.request.size() == 3 && f.request[0] == 0x01;
        opens += f.request.size() == 5 && f.request[0] == 0x08;
    }
    EXPECT_EQ(reads, 4u);
    EXPECT_EQ(opens, 4u);
    ASSERT_EQ(u.prompter.shown.size(), 1u);
    EXPECT_EQ(u.prompter.shown[0].text, u.link.LinkMessage(LinkText::NotResponding) + " (35)\n" +
                                            u.link.LinkMessage(LinkText::ConnectFailed));
}

// A software file of `sample`, and the whole model and programmer over the simulated adapter.
struct UsbProgramming {
    explicit UsbProgramming(const SampleFirmware& sample) {
        WriteFile(dir.File("soft.zov"), SampleEcuFile(sample));
        parsed = bool(ParseFirmware(SampleEcuContent(sample), kEcuFileHeaderLines, image));
    }
    bool Program() { return parsed && programmer.ProgramEcuFile(dir.File("soft.zov")); }
    // The records the boot loader took whole, as they came.
    std::vector<Bytes> Records() const {
        std::vector<Bytes> records;
        for (const auto& f : u.ecu.Requests())
            if (f.bootLoader && f.complete && f.request[0] == 'S' && f.request.size() > 2)
                records.push_back(f.request);
        return records;
    }

    ScratchDir dir;
    FirmwareImage image;
    bool parsed = false;
    UsbLink u;
    ConfCar car{u.link, ConfigurationModel::kCarFile, u.prompter};
    ConfMap map{u.link, car, ConfigurationModel::kMapFile};
    ConfParam param{u.link, car, ConfigurationModel::kParamFile, u.prompter};
    ConfigurationModel model{u.link, map, car, param};
    RecordingHost host{u.link, model};
    EcuProgrammer programmer{u.link, model, host, u.prompter, u.clock, {}};
};

TEST(UsbLink, ProgrammingRunsOverTheAdapter) {
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = 4096;
    UsbProgramming p(sample);
    UsbLink& u = p.u;
    ASSERT_TRUE(p.Program());

    size_t expected = 0;
    for (const SRecordLine& r : p.image.records) expected += r.sent;
    EXPECT_EQ(p.Records().size(), expected);
    EXPECT_EQ(u.ecu.FlashBytesWritten(), sample.programBytes);
    bool blockMode = false;
    for (const Bytes& f : u.adapter.FeatureReports()) blockMode |= f[1] == 0 && f[2] == 0x80 && f[6] == 0;
    EXPECT_TRUE(blockMode) << "the records went in block transfer";
    EXPECT_FALSE(u.link.InBlockMode());
    EXPECT_EQ(u.adapter.OpenHandles(), 0) << "the end of programming closes the adapter";

    u.clock.SleepMs(1000);
    ASSERT_TRUE(u.link.Connect());
    p.model.ReadFromEcu();
    EXPECT_EQ(p.car.VERSIONE_CENTRALINA, 0xD0);
    EXPECT_EQ(p.car.NOME_PROGRAMMA, "StandardGpl_0D0");
    EXPECT_EQ(u.adapter.FeatureReports().back()[2], 0xC1) << "the new session is in byte mode";
}

TEST(UsbLink, AWriterThatFallsBehindLosesNoReportOfALongRecord) {
    // Each record is longer than the eight report slots hold; with the writer slowed down the link
    // has to wait for room instead of overwriting reports the adapter has not taken.
    SampleFirmware sample;
    sample.version = 0xD0;
    sample.programBytes = 512;
    sample.recordBytes = 64;
    UsbProgramming p(sample);
    sim::UsbFaults faults;
    faults.writeLatencyMs = 1;
    p.u.adapter.SetFaults(faults);
    ASSERT_TRUE(p.Program());

    // The boot loader takes a record as its type and then its bytes, no longer in hex.
    std::vector<Bytes> sent;
    for (const SRecordLine& r : p.image.records)
        if (r.sent) {
            Bytes binary(r.text.begin(), r.text.begin() + 2);
            for (size_t i = 2; i + 1 < r.text.size(); i += 2)
                binary.push_back(uint8_t(std::stoi(r.text.substr(i, 2), nullptr, 16)));
            sent.push_back(binary);
        }
    const std::vector<Bytes> received = p.Records();
    ASSERT_EQ(received.size(), sent.size());
    EXPECT_GT(received.front().size(), UsbOutputQueue::kSlots * UsbOutputQueue::kMaxPayload);
    for (size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(Bytes(received[i].begin(), received[i].begin() + long(sent[i].size())), sent[i])
            << "record " << i;
    }
    EXPECT_EQ(p.u.ecu.FlashBytesWritten(), sample.programBytes);
}

}  // namespace
}  // namespace zov::testing
