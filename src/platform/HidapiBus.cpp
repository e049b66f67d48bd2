#include "HidapiBus.h"

#include <hidapi.h>

#include <atomic>
#include <cwchar>
#include <fstream>
#include <iterator>

#include "HidReportDescriptor.h"

namespace zov {
namespace {

std::string Narrow(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    // Adapter strings are plain ASCII; anything else becomes '?'.
    for (; *text; ++text) out += (*text > 0 && *text < 0x80) ? char(*text) : '?';
    return out;
}

// The descriptor hidraw publishes for /dev/hidrawN.
std::vector<uint8_t> ReadDescriptor(const std::string& path) {
    const std::string name = path.substr(path.find_last_of('/') + 1);
    std::ifstream in("/sys/class/hidraw/" + name + "/device/report_descriptor", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HidapiDevice : public HidDevice {
  public:
    HidapiDevice(hid_device* device, std::string path) : device_(device), path_(std::move(path)) {}
    ~HidapiDevice() override { hid_close(device_); }

    bool GetCaps(HidCaps& out) override {
        if (!layoutRead_) {
            layoutRead_ = true;
            layoutGood_ = ParseReportDescriptor(ReadDescriptor(path_), layout_);
        }
        out = layout_.caps;
        return layoutGood_;
    }
    bool SetFeature(const uint8_t* report, size_t length) override {
        return hid_send_feature_report(device_, report, length) == int(length);
    }
    HidStatus Write(const uint8_t* report, size_t length) override {
        return hid_write(device_, report, length) == int(length) ? HidStatus::Ok : HidStatus::Failed;
    }
    HidStatus Read(uint8_t* buffer, size_t capacity, size_t& got, int timeoutMs) override {
        // Without numbered reports hidraw leaves out the report ID byte; put the 0 back.
        const size_t skip = numbered() ? 0 : 1;
        if (capacity <= skip) return HidStatus::Failed;
        const int r = hid_read_timeout(device_, buffer + skip, capacity - skip, timeoutMs);
        if (r < 0) return HidStatus::Failed;
        if (r == 0) return HidStatus::Timeout;
        if (skip) buffer[0] = 0;
        got = size_t(r) + skip;
        ++offered_;
        return HidStatus::Ok;
    }
    uint64_t InputOffered() override { return offered_; }

  private:
    bool numbered() {
        HidCaps ignored;
        GetCaps(ignored);
        return layout_.numberedReports;
    }

    hid_device* device_;
    std::string path_;
    bool layoutRead_ = false;
    bool layoutGood_ = false;
    HidReportLayout layout_;
    std::atomic<uint64_t> offered_{0};
};

}  // namespace

HidapiBus::HidapiBus() : initialised_(hid_init() == 0) {}

HidapiBus::~HidapiBus() {
    if (initialised_) hid_exit();
}

std::vector<HidDeviceInfo> HidapiBus::Enumerate(uint16_t vendor, uint16_t product) {
    std::vector<HidDeviceInfo> found;
    if (!initialised_) return found;
    hid_device_info* list = hid_enumerate(vendor, product);
    for (hid_device_info* d = list; d; d = d->next)
        found.push_back({d->path ? d->path : "", d->vendor_id, d->product_id, Narrow(d->product_string),
                         Narrow(d->manufacturer_string)});
    hid_free_enumeration(list);
    return found;
}

std::unique_ptr<HidDevice> HidapiBus::Open(const std::string& path) {
    if (!initialised_) return nullptr;
    hid_device* device = hid_open_path(path.c_str());
    if (!device) return nullptr;
    return std::make_unique<HidapiDevice>(device, path);
}

}  // namespace zov
