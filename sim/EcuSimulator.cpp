#include "EcuSimulator.h"

#include <algorithm>

#include "BootProtocol.h"
#include "EcuVariables.h"

namespace zov::sim {
namespace {

constexpr uint8_t kOpOpenSession = 0x08;
constexpr uint8_t kOpCloseSession = 0x00;
constexpr uint8_t kOpReadScalar = 0x01;
constexpr uint8_t kOpReadArray = 0x21;
constexpr uint8_t kOpReadTable = 0x61;
constexpr uint8_t kOpReadElement = 0x05;
constexpr uint8_t kOpReadRow = 0x65;
constexpr uint8_t kOpReadRecord = 0x41;
constexpr uint8_t kOpReadRecordAt = 0x49;
constexpr uint8_t kOpWrite8 = 0x06;
constexpr uint8_t kOpWrite16OrByteElement = 0x0A;
constexpr uint8_t kOpWriteWordElementOrCell51 = 0x0E;
constexpr uint8_t kOpWriteWordCell = 0x12;
constexpr uint8_t kOpWriteArray = 0x3E;
constexpr uint8_t kOpWriteRow = 0x7E;

constexpr int kLengthByteFollows = 7;
constexpr int kVarVersion = 46;
constexpr int kVarRegister = 39;
constexpr int kVarLivePressure = 86;

int OpcodeCount(uint8_t opcode) { return (opcode >> 2) & 7; }

// The firmware version that introduced a variable; its older firmwares answer 0x7F for it.
int FirstVersionWith(int index) {
    switch (index) {
        case 89:
        case 90:
            return 3;
        case 6:
        case 45:
        case 63:
        case 71:
        case 91:
        case 92:
        case 93:
        case 17:
            return 4;
        case 58:
            return 8;
        case 94:
        case 119:
        case 120:
            return 9;
        case 44:
        case 54:
        case 60:
            return 10;
        case 95:
        case 96:
            return 36;
        case 97:
        case 98:
            return 44;
        case 76:
        case 77:
        case 78:
        case 99:
        case 131:
        case 132:
        case 133:
        case 134:
        case 135:
            return 200;
        case 127:
            return 208;
        default:
            return 0;
    }
}

void PutWord(std::vector<uint8_t>& out, int32_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

}  // namespace

EcuSimulator::EcuSimulator(EcuConfig config)
    : config_(std::move(config)),
      engine_(config_.engine),
      flash_(boot::kFlashEnd - boot::kProgramStart, 0xFF) {
    BuildMemory();
    if (config_.startInBootLoader) {
        mode_ = EcuMode::BootLoader;
        hasProgram_ = false;
    }
}

bool EcuSimulator::TakeFault(int& count) {
    if (count == kAlways) return true;
    if (count <= 0) return false;
    --count;
    return true;
}

void EcuSimulator::AdvanceTo(int64_t us) {
    nowUs_ = std::max(nowUs_, us);
    if (mode_ == EcuMode::Starting && nowUs_ >= startAtUs_) StartProgram();
}

ByteReaction EcuSimulator::Receive(uint8_t byte) {
    ByteReaction reaction;
    Faults& faults = config_.faults;
    if (faults.deadLine) return reaction;
    reaction.echo = TakeFault(faults.corruptEcho) ? byte ^ 0xFF : byte;
    if (mode_ == EcuMode::Starting) return reaction;
    if (mode_ == EcuMode::BootLoader) {
        ByteReaction boot = ReceiveBoot(byte);
        boot.echo = reaction.echo;
        return boot;
    }
    // Direction 3 is no command: such a byte cannot open a frame, which lets the ECU fall back in
    // step after garbage on the line.
    if (frame_.empty() && (byte & 3) == 3) return reaction;
    frame_.push_back(byte);
    size_t expected = ExpectedLength();
    if (expected != 0 && frame_.size() >= expected) reaction.answer = Finish();
    return reaction;
}

void EcuSimulator::ResetFrame() {
    if (frame_.empty()) return;
    log_.push_back({nowUs_, frame_, {}, false, mode_ == EcuMode::BootLoader});
    frame_.clear();
}

size_t EcuSimulator::ExpectedLength() const {
    if (frame_.empty()) return 0;
    int n = OpcodeCount(frame_[0]);
    // opcode, index, n argument bytes, checksum
    if (n != kLengthByteFollows) return 3 + n;
    if (frame_.size() < 2) return 0;
    // opcode, length, the counted bytes, checksum
    return 3 + frame_[1];
}

std::vector<uint8_t> EcuSimulator::Finish() {
    FrameRecord record{nowUs_, std::move(frame_), {}, true};
    frame_.clear();
    const std::vector<uint8_t>& request = record.request;
    Faults& faults = config_.faults;

    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < request.size(); ++i) sum = static_cast<uint8_t>(sum + request[i]);

    Answer answer;
    const uint8_t opcode = request[0];
    const bool sessionFrame = (opcode & 3) == 0;
    if (faults.silent) {
        answer.send = false;
    } else if (sum != request.back()) {
        answer.status = kStatusRejected;
    } else if (TakeFault(faults.busy)) {
        answer.status = kStatusBusy;
    } else if (TakeFault(faults.rejected)) {
        answer.status = kStatusRejected;
    } else if (!sessionOpen_ && !sessionFrame && config_.outOfSession != OutOfSession::Serve) {
        switch (config_.outOfSession) {
            case OutOfSession::Reject:
                answer.status = kStatusRejected;
                break;
            case OutOfSession::Refuse:
                answer.status = kStatusRefused;
                break;
            default:
                answer.send = false;
                break;
        }
    } else {
        const size_t bodyStart = OpcodeCount(opcode) == kLengthByteFollows ? 2 : 1;
        std::vector<uint8_t> body(request.begin() + bodyStart, request.end() - 1);
        answer = Execute(opcode, body);
    }

    std::vector<uint8_t> bytes;
    if (answer.send) {
        if (answer.status != kStatusAccepted) answer.data.clear();
        bytes.reserve(answer.data.size() + 2);
        bytes.push_back(answer.status);
        for (uint8_t b : answer.data) bytes.push_back(b);
        uint8_t checksum = 0;
        for (uint8_t b : bytes) checksum = static_cast<uint8_t>(checksum + b);
        if (TakeFault(faults.badChecksum)) checksum = static_cast<uint8_t>(checksum + 1);
        bytes.push_back(checksum);
    }
    record.answer = bytes;
    log_.push_back(std::move(record));
    return bytes;
}

EcuSimulator::Answer EcuSimulator::Execute(uint8_t opcode, const std::vector<uint8_t>& body) {
    if (body.empty()) return {true, kStatusRefused, {}};
    switch (opcode & 3) {
        case 0:
            return ExecuteSession(opcode, body);
        case 1:
            return ExecuteRead(opcode, body[0], {body.begin() + 1, body.end()});
        case 2:
            return ExecuteWrite(opcode, body[0], {body.begin() + 1, body.end()});
        default:
            return {true, kStatusRefused, {}};
    }
}

EcuSimulator::Answer EcuSimulator::ExecuteSession(uint8_t opcode, const std::vector<uint8_t>& body) {
    if (opcode == kOpOpenSession && body == std::vector<uint8_t>{0x00, 0x7C, 0x83}) {
        sessionOpen_ = true;
        return {};
    }
    if (opcode == kOpCloseSession && body == std::vector<uint8_t>{0x01}) {
        CloseSession();
        return {};
    }
    return {true, kStatusRefused, {}};
}

int EcuSimulator::TableRows(int index) const {
    const VarInfo& info = VarInfoOf(index);
    return info.kind == VarKind::TableS8 ? kTable51Rows : info.rows;
}

EcuSimulator::Answer EcuSimulator::ExecuteRead(uint8_t opcode, int index, const std::vector<uint8_t>& args) {
    const Answer refused{true, kStatusRefused, {}};
    if (!Available(index)) return refused;
    const VarInfo& info = VarInfoOf(index);
    const int width = ElementBytes(info.kind);
    const std::vector<uint8_t>& bytes = Bytes(index);
    Answer answer;
    switch (opcode) {
        case kOpReadScalar:
            if (!IsScalar(info.kind)) return refused;
            answer.data = bytes;
            if (index == kVarLivePressure) answer.data = {Engine().reducerPressure};
            return answer;
        case kOpReadArray:
            if (!IsArray(info.kind)) return refused;
            answer.data = bytes;
            return answer;
        case kOpReadTable:
            if (info.kind != VarKind::TableU16) return refused;
            answer.data = bytes;
            return answer;
        case kOpReadElement: {
            if (!IsArray(info.kind) || args.size() != 1) return refused;
            const int element = args[0];
            if (element < info.length)
                answer.data.assign(bytes.begin() + element * width, bytes.begin() + (element + 1) * width);
            else
                answer.data.assign(width, 0);
            return answer;
        }
        case kOpReadRow: {
            if (!IsTable(info.kind) || args.size() != 1 || args[0] >= TableRows(index)) return refused;
            const size_t rowBytes = size_t(info.length) * width;
            answer.data.assign(bytes.begin() + args[0] * rowBytes, bytes.begin() + (args[0] + 1) * rowBytes);
            return answer;
        }
        case kOpReadRecord:
            if (index != kRecordLive && index != kRecordParameters) return refused;
            answer.data = RecordData(index);
            return answer;
        case kOpReadRecordAt:
            if (index != kRecordMapping || args.size() != 2) return refused;
            answer.data = RecordData(index, args[0], args[1]);
            return answer;
        default:
            return refused;
    }
}

EcuSimulator::Answer EcuSimulator::ExecuteWrite(uint8_t opcode, int index, const std::vector<uint8_t>& args) {
    const Answer refused{true, kStatusRefused, {}};
    const Answer accepted{};
    if (index >= kVarCount || !Available(index)) return refused;
    if (auto left = config_.faults.writesBeforeRefusal.find(index);
        left != config_.faults.writesBeforeRefusal.end()) {
        if (left->second == 0) return refused;
        --left->second;
    }
    const VarInfo& info = VarInfoOf(index);
    const int width = ElementBytes(info.kind);
    const bool writableArray = IsArray(info.kind) && !info.readOnly;
    std::vector<uint8_t>& bytes = memory_[index];
    auto store = [&](size_t at, size_t argFrom) {
        std::copy(args.begin() + argFrom, args.begin() + argFrom + width, bytes.begin() + at * width);
    };
    switch (opcode) {
        case kOpWrite8:
            if (info.kind != VarKind::U8 && info.kind != VarKind::S8) return refused;
            if (index == kVarRegister) {
                bytes[0] = uint8_t((args[0] & kPcRegisterBits) | (bytes[0] & ~kPcRegisterBits));
                return accepted;
            }
            if (index == boot::kBootRequestVariable && args[0] == boot::kBootRequestCode)
                bootRequested_ = true;
            store(0, 0);
            if (index == kDiagnosisModeVariable && !DiagnosisMode()) SetValue(kActuatorMaskVariable, 0, 0);
            return accepted;
        case kOpWrite16OrByteElement:
            if (info.kind == VarKind::U16) {
                if (index == kVarVersion) return refused;
                if (index == kActuatorMaskVariable && (args[0] | args[1]) != 0 && !DiagnosisMode())
                    return refused;
                store(0, 0);
                return accepted;
            }
            if (!writableArray || width != 1 || args[0] >= info.length) return refused;
            store(args[0], 1);
            return accepted;
        case kOpWriteWordElementOrCell51:
            if (writableArray && width == 2) {
                if (args[0] >= info.length) return refused;
                store(args[0], 1);
                return accepted;
            }
            if (info.kind != VarKind::TableS8 || args[0] >= TableRows(index) || args[1] >= info.length)
                return refused;
            store(size_t(args[0]) * info.length + args[1], 2);
            return accepted;
        case kOpWriteWordCell:
            if (info.kind != VarKind::TableU16 || args[0] >= info.rows || args[1] >= info.length)
                return refused;
            store(size_t(args[0]) * info.length + args[1], 2);
            return accepted;
        case kOpWriteArray:
            if (!writableArray || args.size() != size_t(info.length) * width) return refused;
            bytes = args;
            return accepted;
        case kOpWriteRow: {
            if (!IsTable(info.kind) || args.size() != 1 + size_t(info.length) * width ||
                args[0] >= TableRows(index))
                return refused;
            std::copy(args.begin() + 1, args.end(), bytes.begin() + args[0] * info.length * width);
            return accepted;
        }
        default:
            return refused;
    }
}

bool EcuSimulator::Available(int index) const {
    if (config_.faults.refused.count(index)) return false;
    if (index == kRecordLive || index == kRecordParameters || index == kRecordMapping) return true;
    if (VarInfoOf(index).kind == VarKind::None) return false;
    if (index == 131 && !config_.mapB) return false;
    if (config_.eightZoneAdaptation ? (index >= 112 && index <= 116) : (index >= 128 && index <= 130))
        return false;
    if (config_.versionGates && config_.version < FirstVersionWith(index)) return false;
    return true;
}

const std::vector<uint8_t>& EcuSimulator::Bytes(int index) const {
    static const std::vector<uint8_t> none;
    if (index < 0 || size_t(index) >= memory_.size()) return none;
    return memory_[index];
}

int32_t EcuSimulator::Value(int index, int element) const {
    const VarInfo& info = VarInfoOf(index);
    const std::vector<uint8_t>& bytes = Bytes(index);
    const int width = ElementBytes(info.kind);
    if (element < 0 || size_t(element + 1) * width > bytes.size()) return 0;
    return DecodeElement(info.kind, bytes.data() + element * width);
}

std::vector<int32_t> EcuSimulator::Values(int index) const {
    const VarInfo& info = VarInfoOf(index);
    const size_t count = Bytes(index).size() / ElementBytes(info.kind);
    std::vector<int32_t> values;
    for (size_t i = 0; i < count; ++i) values.push_back(Value(index, int(i)));
    return values;
}

bool EcuSimulator::SetValue(int index, int element, int32_t value) {
    if (index < 0 || size_t(index) >= memory_.size()) return false;
    std::vector<uint8_t>& bytes = memory_[index];
    const int width = ElementBytes(VarInfoOf(index).kind);
    if (element < 0 || size_t(element + 1) * width > bytes.size()) return false;
    bytes[element * width] = static_cast<uint8_t>(value & 0xFF);
    if (width == 2) bytes[element * width + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
    return true;
}

bool EcuSimulator::SetValues(int index, const std::vector<int32_t>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        if (!SetValue(index, int(i), values[i])) return false;
    return true;
}

std::string EcuSimulator::Text(int index) const {
    std::string text;
    for (uint8_t c : Bytes(index)) {
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

EngineInputs EcuSimulator::Inputs() const {
    EngineInputs in;
    in.minChangeoverDelayS = Value(1);
    in.minChangeoverTempRaw = Value(2);
    in.coldProbeS = Value(26);
    in.maxIntegralIdle = Value(30);
    in.minIntegralIdle = Value(31);
    in.mappingMode = (Value(39) & 0x04) != 0;
    in.fuel = Value(47);
    for (int r = 0; r < 16; ++r) in.mapAxis[r] = static_cast<uint8_t>(Value(105, r));
    for (int c = 0; c < 20; ++c) in.rpmPeriods[c] = static_cast<uint16_t>(Value(111, c));
    for (int i = 0; i < 8; ++i) in.centrePeriods[i] = static_cast<uint16_t>(Value(110, i));
    for (int i = 0; i < 8; ++i) in.cumulusDecrement[i] = static_cast<uint8_t>(Value(107, i));
    return in;
}

bool EcuSimulator::DiagnosisMode() const { return Value(kDiagnosisModeVariable) == kDiagnosisModeCode; }

int32_t EcuSimulator::ActuatorMask() const { return Value(kActuatorMaskVariable); }

std::string DescribeActuators(int32_t mask) {
    static const char* const kNames[] = {"large motor", "small motor", "gas valve", "indicator"};
    std::string text;
    for (int b = 0; b < 4; ++b) {
        if (!(mask & (1 << b))) continue;
        if (!text.empty()) text += ", ";
        text += kNames[b];
    }
    return text.empty() ? "all off" : text;
}

EngineSnapshot EcuSimulator::Engine() const { return engine_.Sample(nowUs_, Inputs()); }

// Record contents (this ECU's choice where the PC leaves the meaning open):
//   150: 0 lambda, 1 TPS, 2 MAP, 3 fast corrector, 4 slow corrector, 5 target (main map cell at the
//        operating point), 6 TPS accumulation, 7 valve opening (target + corrector), 8 enrichment,
//        9 revolution period, 10 status bits, 11 reducer temperature, 12 reducer pressure, 13 level.
//   151: period, lambda, accumulation, reducer pressure.
//   152 (a = map row, b = map column): lambda, TPS, MAP, period, main map cell (a, b), reducer
//        temperature, word of deviation (low byte, signed: fast corrector) and status (high byte,
//        bit 3 set while on gas with the mapping mode of var 39 on), reducer pressure.
// The data are padded with zeros to the record's length on the line.
std::vector<uint8_t> EcuSimulator::RecordData(int index, uint8_t a, uint8_t b) const {
    const RecordLayout* layout = RecordLayoutOf(index);
    if (!layout) return {};
    const EngineSnapshot s = Engine();
    const int32_t target = Value(50, s.row * 20 + s.column);
    const int32_t opening = std::max(0, target + 2 * s.integrator1);
    const int32_t enrichment = s.cumulus / 4;

    std::vector<int32_t> values;
    switch (index) {
        case kRecordLive:
            values = {s.lambda,          s.tps,   s.map,      s.integrator1, s.integrator2, target,
                      s.cumulus,         opening, enrichment, s.period,      s.status,      s.reducerTemp,
                      s.reducerPressure, s.level};
            break;
        case kRecordParameters:
            values = {s.period, s.lambda, s.cumulus, s.reducerPressure};
            break;
        default: {
            const int32_t cell = (a < 16 && b < 20) ? Value(50, a * 20 + b) : 0;
            uint8_t flags = s.status & (kStatusTpsIdle | kStatusClosedLoop | kStatusCutoff);
            const bool mappingMode = (Value(39) & 0x04) != 0;
            // Ready whenever it runs on gas in mapping mode: whether a sample is fit to learn from is
            // the PC's judgement, which needs the ECU's samples to judge.
            if (mappingMode && (s.status & kStatusOnGas)) flags |= 0x08;
            const int32_t deviation = static_cast<uint8_t>(s.integrator1) | (flags << 8);
            values = {s.lambda, s.tps, s.map, s.period, cell, s.reducerTemp, deviation, s.reducerPressure};
            break;
        }
    }
    std::vector<uint8_t> data;
    for (int i = 0; i < layout->valueCount; ++i) {
        if (ElementBytes(layout->types[i]) == 2)
            PutWord(data, values[i]);
        else
            data.push_back(static_cast<uint8_t>(values[i] & 0xFF));
    }
    data.resize(layout->dataBytes, 0);
    return data;
}

}  // namespace zov::sim
