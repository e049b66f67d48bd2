#include "MlgLogWriter.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace zov {
namespace {

constexpr uint8_t kFieldBlock = 0;
constexpr uint8_t kMarkerBlock = 1;
constexpr uint8_t kTypeU32 = 4;
constexpr uint8_t kTypeF32 = 7;
constexpr uint8_t kStyleFloat = 0;
constexpr int kStampsPerMs = 100;  // a block's stamp counts 10 µs
constexpr float kMsToSeconds = 0.001f;
constexpr int8_t kTimeDigits = 3;
constexpr int8_t kValueDigits = 2;
constexpr size_t kValueBytes = 4;
const char* const kInfo = "ZOV Qbr datalog";

void PutU8(std::string& out, uint8_t v) { out.push_back(char(v)); }
void PutU16(std::string& out, uint16_t v) {
    out.push_back(char(v >> 8));
    out.push_back(char(v & 0xFF));
}
void PutU32(std::string& out, uint32_t v) {
    PutU16(out, uint16_t(v >> 16));
    PutU16(out, uint16_t(v & 0xFFFF));
}
void PutF32(std::string& out, float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    PutU32(out, bits);
}
// A fixed-length text, cut to fit and padded with NULs.
void PutText(std::string& out, const std::string& text, size_t length) {
    const std::string cut = text.substr(0, length);
    out += cut;
    out.append(length - cut.size(), '\0');
}

void PutField(std::string& out, uint8_t type, const std::string& name, const std::string& unit, float scale,
              int8_t digits) {
    PutU8(out, type);
    PutText(out, name, MlgLogWriter::kNameLength);
    PutText(out, unit, MlgLogWriter::kUnitLength);
    PutU8(out, kStyleFloat);
    PutF32(out, scale);
    PutF32(out, 0.0f);  // transform
    PutU8(out, uint8_t(digits));
}

uint8_t Checksum(std::string_view bytes) {
    uint8_t sum = 0;
    for (const char c : bytes) sum = uint8_t(sum + uint8_t(c));
    return sum;
}

bool EndsWith(const std::string& text, const char* end) { return text.ends_with(end); }

}  // namespace

std::string MlgUnitOf(const std::string& column) {
    if (column == "rpm") return "rpm";
    if (EndsWith(column, "_v")) return "V";
    if (EndsWith(column, "_bar")) return "bar";
    if (EndsWith(column, "_c")) return "C";
    return {};
}

bool MlgLogWriter::Open(const std::string& path, const std::vector<std::string>& header) {
    rows_ = 0;
    counter_ = 0;
    error_.clear();
    channels_ = header.empty() ? 0 : header.size() - 1;
    if (!file_.Create(path)) return false;
    constexpr size_t kHeaderBytes = 22;
    constexpr size_t kFieldBytes = 55;
    const size_t infoStart = kHeaderBytes + kFieldBytes * (channels_ + 1);
    std::string out;
    out.append(kSignature, sizeof kSignature);  // the signature with its NUL
    PutU16(out, uint16_t(kVersion));
    PutU32(out, uint32_t(created_));
    PutU16(out, uint16_t(infoStart));
    PutU32(out, uint32_t(infoStart + std::strlen(kInfo) + 1));  // the data after the info and its NUL
    PutU16(out, uint16_t(kValueBytes * (channels_ + 1)));
    PutU16(out, uint16_t(channels_ + 1));
    PutField(out, kTypeU32, "Time", "s", kMsToSeconds, kTimeDigits);
    for (size_t c = 1; c < header.size(); ++c)
        PutField(out, kTypeF32, header[c], MlgUnitOf(header[c]), 1.0f, kValueDigits);
    out += kInfo;
    out.push_back('\0');
    if (infoStart > UINT16_MAX) {
        error_ = path + ": too many channels for an MLG file";
        file_.Remove();
        return false;
    }
    if (file_.Append(out)) return true;
    file_.Remove();
    return false;
}

std::string MlgLogWriter::BlockStart(uint8_t type, int64_t tMs) {
    std::string out;
    PutU8(out, type);
    PutU8(out, counter_++);
    PutU16(out, uint16_t((tMs * kStampsPerMs) & 0xFFFF));
    return out;
}

bool MlgLogWriter::WriteValues(int64_t tMs, const std::vector<float>& values) {
    if (values.size() != channels_ || tMs < 0 || tMs > int64_t(UINT32_MAX)) {
        error_ = Path() + ": a row that does not fit the file's channels";
        return false;
    }
    error_.clear();
    std::string block = BlockStart(kFieldBlock, tMs);
    const size_t dataStart = block.size();
    PutU32(block, uint32_t(tMs));
    for (const float v : values) PutF32(block, v);
    PutU8(block, Checksum(std::string_view(block).substr(dataStart)));
    if (!file_.Append(block)) return false;
    ++rows_;
    return true;
}

bool MlgLogWriter::WriteRow(int64_t tMs, const std::vector<std::string>& cells) {
    std::vector<float> values;
    values.reserve(cells.size());
    for (const std::string& cell : cells) {
        float v = std::numeric_limits<float>::quiet_NaN();
        if (!cell.empty()) std::from_chars(cell.data(), cell.data() + cell.size(), v);
        values.push_back(v);
    }
    return WriteValues(tMs, values);
}

bool MlgLogWriter::WriteMarker(int number, int64_t tMs) {
    error_.clear();
    std::string block = BlockStart(kMarkerBlock, tMs);
    PutText(block, "Marker " + std::to_string(number), kMarkerTextLength);
    return file_.Append(block);
}

}  // namespace zov
