#include "HidReportDescriptor.h"

#include <algorithm>
#include <map>
#include <utility>

namespace zov {
namespace {

// Item tags (prefix byte without its size bits).
constexpr uint8_t kInput = 0x80;
constexpr uint8_t kOutput = 0x90;
constexpr uint8_t kFeature = 0xB0;
constexpr uint8_t kReportSize = 0x74;
constexpr uint8_t kReportId = 0x84;
constexpr uint8_t kReportCount = 0x94;
constexpr uint8_t kPush = 0xA4;
constexpr uint8_t kPop = 0xB4;
constexpr uint8_t kLongItem = 0xFE;

struct Globals {
    uint32_t size = 0;
    uint32_t count = 0;
    uint32_t id = 0;
};

size_t Bytes(uint64_t bits) { return size_t((bits + 7) / 8); }

}  // namespace

bool ParseReportDescriptor(const std::vector<uint8_t>& d, HidReportLayout& out) {
    Globals g;
    std::vector<Globals> stack;
    // Bits per (kind, report ID).
    std::map<std::pair<uint8_t, uint32_t>, uint64_t> bits;
    size_t i = 0;
    while (i < d.size()) {
        const uint8_t prefix = d[i];
        if (prefix == kLongItem) {
            if (i + 1 >= d.size()) return false;
            i += 3 + d[i + 1];
            continue;
        }
        const size_t n = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + n > d.size()) return false;
        uint32_t value = 0;
        for (size_t k = 0; k < n; ++k) value |= uint32_t(d[i + 1 + k]) << (8 * k);
        switch (prefix & 0xFC) {
            case kInput:
            case kOutput:
            case kFeature:
                bits[{uint8_t(prefix & 0xFC), g.id}] += uint64_t(g.size) * g.count;
                break;
            case kReportSize:
                g.size = value;
                break;
            case kReportCount:
                g.count = value;
                break;
            case kReportId:
                g.id = value;
                out.numberedReports = true;
                break;
            case kPush:
                stack.push_back(g);
                break;
            case kPop:
                if (stack.empty()) return false;
                g = stack.back();
                stack.pop_back();
                break;
            default:
                break;
        }
        i += 1 + n;
    }
    if (bits.empty()) return false;
    for (const auto& [key, total] : bits) {
        size_t& length = key.first == kInput    ? out.caps.inputLength
                         : key.first == kOutput ? out.caps.outputLength
                                                : out.caps.featureLength;
        length = std::max(length, Bytes(total) + 1);
    }
    return true;
}

}  // namespace zov
