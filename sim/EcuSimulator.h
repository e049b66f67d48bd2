#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "EngineModel.h"

namespace zov::sim {

// Status bytes of an answer.
inline constexpr uint8_t kStatusAccepted = 0x82;
inline constexpr uint8_t kStatusRefused = 0x7F;
inline constexpr uint8_t kStatusBusy = 0x78;
inline constexpr uint8_t kStatusRejected = 0x83;

// A fault count meaning "every time from now on".
inline constexpr int kAlways = -1;

// Rows of the enrichment table 51 in this ECU.
inline constexpr int kTable51Rows = 8;

// The actuator-test mask (bit 0 large motor, 1 small motor, 2 gas valve, 3 indicator).
inline constexpr int kActuatorMaskVariable = 87;

// A partial frame is dropped when the line has been quiet this long before the next byte.
inline constexpr int64_t kIdleResetUs = 20000;

// The register bits the PC may change; the rest belong to the ECU.
inline constexpr uint8_t kPcRegisterBits = 0x67;

// What the ECU does with a well-formed request (good checksum) that arrives while no session is open.
enum class OutOfSession : uint8_t {
    Reject,  // 0x83: the PC repeats the request and, failing, re-opens the session
    Refuse,  // 0x7F
    Ignore,  // no answer at all
    Serve,   // answers as if a session were open
};

// Faults that can be switched on at any time. Counts are "the next N" and go down as they are
// used; kAlways never runs out.
struct Faults {
    bool silent = false;    // the ECU never answers; the line still echoes
    bool deadLine = false;  // nothing comes back, not even the echo, and the ECU hears nothing
    int busy = 0;           // requests answered 0x78 (not executed)
    int rejected = 0;       // requests answered 0x83 (not executed)
    int badChecksum = 0;    // answers sent with a wrong checksum byte
    int corruptEcho = 0;    // bytes whose echo comes back altered (the ECU still gets them right)
    std::set<int> refused;  // indices (variables or records) answered 0x7F
    // Variables whose writes are taken this many more times, then answered 0x7F (reads still served).
    std::map<int, int> writesBeforeRefusal;
    int64_t latencyUs = 0;  // from the frame's last byte to the status byte
    // Boot loader.
    int lowSupply = 0;      // erase and start-programming requests answered 0x0B (supply too low)
    int eraseRefused = 0;   // erase requests answered 'S' (flash not erased)
    int recordRefused = 0;  // S-records answered 'S' (not written; programming stops)
};

struct EcuConfig {
    int version = 200;                        // var 46, VERSIONE_CENTRALINA
    int fuel = 0;                             // var 47: 0 GPL, 1 Metano
    std::string model = "FIAT PUNTO 1.2 8V";  // var 117, at most 40 characters kept
    std::string programName = "PUNTO12.ZOV";  // var 118, at most 40 characters kept
    int displacement = 1600;                  // var 40, cm3
    int year = 2005;                          // var 41
    int programDate = 9500;                   // var 42, days since 12 October 1998
    // A variable newer than `version` is refused, as the firmware of that version does not have it.
    bool versionGates = true;
    // Eight-zone self-adaptation (128-130 present, 112-116 refused) instead of four zones (the reverse).
    bool eightZoneAdaptation = false;
    bool mapB = true;  // table 131 present (refused otherwise)
    // Bits of the configuration register (var 39) that belong to the ECU, not to the PC: 0x08 the
    // diagnosis words travel as pairs (arrays 121-126), 0x10 the configuration is protected,
    // 0x80 reserved. A write to 39 changes only the other bits.
    uint8_t ownRegisterBits = 0;
    OutOfSession outOfSession = OutOfSession::Reject;
    // Line speed used by the drivers to pace the bytes; 0 means bytes take no time on the line.
    uint32_t baud = 0;
    EngineOptions engine;
    Faults faults;
    // Boot loader: a blank ECU (no program, only the boot loader runs), the version the boot
    // loader reports, how long an erase takes, and how long the ECU takes from the end of
    // programming until its new program answers.
    bool startInBootLoader = false;
    int bootLoaderVersion = 5;
    int64_t eraseUs = 0;
    int64_t restartUs = 1'000'000;
};

// The actuators an actuator-test mask drives, by name ("large motor, gas valve"), or "all off".
std::string DescribeActuators(int32_t mask);

// What runs in the ECU.
enum class EcuMode : uint8_t {
    Application,  // its program: the frame protocol and the variable commands
    BootLoader,   // the boot loader: single-byte commands and raw S-records
    Starting,     // between the end of programming and the start of the new program: deaf
};

// One request as the ECU saw it.
struct FrameRecord {
    int64_t timeUs = 0;            // simulator time of the last byte
    std::vector<uint8_t> request;  // as received, checksum included
    std::vector<uint8_t> answer;   // status, data, checksum; empty when the ECU stayed silent
    bool complete = true;          // false: dropped unfinished by ResetFrame
    bool bootLoader = false;       // received by the boot loader
};

// What the line carries back after one byte from the PC.
struct ByteReaction {
    int echo = -1;                // the byte as it comes back on the shared line; -1: nothing
    std::vector<uint8_t> answer;  // set when this byte completed a request the ECU answers
    int64_t delayUs = 0;          // extra time the ECU needs before answering (an erase)
};

// The ECU as a byte-level state machine, without any I/O or timing of its own: the line driver
// feeds it the PC's bytes in order, tells it the time, and sends back what it returns.
//
// Protocol choices of this ECU that the PC side can rely on:
// - a request whose checksum is wrong is answered 0x83 (rejected) and not executed;
// - before the open-session frame, and after the close-session frame, requests get the
//   OutOfSession policy (default 0x83); the open frame is always served;
// - a well-formed request it does not understand (wrong kind for the opcode, bad length, row or
//   element out of range on a write, unknown or absent index) is answered 0x7F;
// - writing the boot-request code to variable 59 restarts the ECU into its boot loader when the
//   session is closed (data version above 7) or at the next PowerCycle (older versions);
// - reading an array element beyond the end answers 0x82 with a zero element, as the firmware
//   reads past its array;
// - an opcode byte with direction bits 3 cannot start a frame and is dropped; a partial frame is
//   dropped by ResetFrame, which the drivers call after kIdleResetUs of silence;
// - writes to 46 (its own data version) are refused; every other scalar can be written.
class EcuSimulator {
  public:
    explicit EcuSimulator(EcuConfig config = {});

    const EcuConfig& Config() const { return config_; }
    // Faults can be changed between (or during) exchanges.
    Faults& MutableFaults() { return config_.faults; }
    uint32_t Baud() const { return config_.baud; }
    void SetBaud(uint32_t baud) { config_.baud = baud; }

    // One byte from the PC, in line order.
    ByteReaction Receive(uint8_t byte);
    // Drops a partial frame (logged as incomplete).
    void ResetFrame();
    bool InFrame() const { return !frame_.empty(); }

    // Time since power-on; the engine model and the request log use it. Never goes backwards.
    void AdvanceTo(int64_t us);
    void Advance(int64_t us) { AdvanceTo(nowUs_ + (us > 0 ? us : 0)); }
    int64_t NowUs() const { return nowUs_; }

    bool SessionOpen() const { return sessionOpen_; }
    void SetSessionOpen(bool open) { sessionOpen_ = open; }

    // Memory, decoded with the variable's sign rule; tables row after row. Out of range: 0 / empty.
    int32_t Value(int index, int element = 0) const;
    std::vector<int32_t> Values(int index) const;
    // Stores the low byte(s) of `value`; false for an absent index or element.
    bool SetValue(int index, int element, int32_t value);
    bool SetValues(int index, const std::vector<int32_t>& values);
    // The bytes of a variable as they travel on the line.
    const std::vector<uint8_t>& Bytes(int index) const;
    // Characters of a text array (117, 118) up to the first zero.
    std::string Text(int index) const;
    // Whether this ECU answers requests about `index` (variable or record) at all.
    bool Available(int index) const;

    // The actuator test. Writing kDiagnosisModeCode to variable 88 puts the ECU into diagnosis
    // mode and any other value takes it out, switching the actuators off; only in diagnosis mode
    // does variable 87 take a mask other than 0 (refused otherwise). The mask's bits drive the
    // actuators (DescribeActuators). A power cycle ends both.
    bool DiagnosisMode() const;
    int32_t ActuatorMask() const;

    // Engine state and record data bytes at the current time.
    EngineSnapshot Engine() const;
    std::vector<uint8_t> RecordData(int index, uint8_t a = 0, uint8_t b = 0) const;

    const std::vector<FrameRecord>& Requests() const { return log_; }
    void ClearRequests() { log_.clear(); }

    // --- Boot loader (EcuBootLoader.cpp) -----------------------------------------------------
    // The boot loader answers every command with a status byte and the same byte again: sync
    // (50 50) 'S'; query (9D 9D) its version; erase (6F 6F) 'a'; start (93 93) 0xA7 once erased;
    // an S-record ('S', type, count, address, data, checksum) 0xA7 once started, when its own
    // checksum is right and it falls inside the flash; end (85 85) 'a' after a programming run
    // without a failed record. Refusals answer 'S', a low supply 0x0B. restartUs after a good
    // end the ECU starts the program just written: it then reports the data version, fuel,
    // programme name and model of the image's identity block (BootProtocol.h), with the factory
    // configuration. An image without that block leaves the ECU in its boot loader.
    EcuMode Mode() const { return mode_; }
    // Switches the supply off and on: a pending boot request is taken, otherwise the program
    // (or, with none, the boot loader) starts again; the session is closed.
    void PowerCycle();
    bool BootRequested() const { return bootRequested_; }
    bool ProgrammingStarted() const { return bootProgramming_; }
    // Flash bytes from boot::kProgramStart up to boot::kFlashEnd; 0xFF where erased.
    const std::vector<uint8_t>& Flash() const { return flash_; }
    uint8_t FlashByte(uint32_t address) const;
    // Addresses written since the last erase.
    size_t FlashBytesWritten() const { return flashWritten_; }

  private:
    struct Answer {
        bool send = true;
        uint8_t status = kStatusAccepted;
        std::vector<uint8_t> data;
    };

    void BuildMemory();
    size_t ExpectedLength() const;
    std::vector<uint8_t> Finish();
    Answer Execute(uint8_t opcode, const std::vector<uint8_t>& body);
    Answer ExecuteSession(uint8_t opcode, const std::vector<uint8_t>& body);
    Answer ExecuteRead(uint8_t opcode, int index, const std::vector<uint8_t>& args);
    Answer ExecuteWrite(uint8_t opcode, int index, const std::vector<uint8_t>& args);
    static bool TakeFault(int& count);
    int TableRows(int index) const;
    EngineInputs Inputs() const;
    ByteReaction ReceiveBoot(uint8_t byte);
    size_t ExpectedBootLength() const;
    std::vector<uint8_t> FinishBoot(int64_t& delayUs);
    // The status byte of the answer, or -1 for no answer.
    int ExecuteBoot(const std::vector<uint8_t>& request, int64_t& delayUs);
    int WriteRecord(const std::vector<uint8_t>& request);
    void EnterBootLoader();
    void StartProgram();
    void CloseSession();

    EcuConfig config_;
    EngineModel engine_;
    std::vector<std::vector<uint8_t>> memory_;
    std::vector<uint8_t> frame_;
    std::vector<FrameRecord> log_;
    int64_t nowUs_ = 0;
    bool sessionOpen_ = false;
    EcuMode mode_ = EcuMode::Application;
    bool bootRequested_ = false;
    bool hasProgram_ = true;
    bool bootErased_ = false;
    bool bootProgramming_ = false;
    bool bootFailed_ = false;
    int64_t startAtUs_ = 0;
    std::vector<uint8_t> flash_;
    size_t flashWritten_ = 0;
};

}  // namespace zov::sim
