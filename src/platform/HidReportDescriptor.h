#pragma once

#include <cstdint>
#include <vector>

#include "HidDevice.h"

namespace zov {

// What a report descriptor says about the report lengths: the longest input, output and feature
// report, each with its report ID byte (as the system's HID capabilities count them), and whether
// the device numbers its reports.
struct HidReportLayout {
    HidCaps caps;
    bool numberedReports = false;
};

// False for a descriptor that is cut short or declares no report at all.
bool ParseReportDescriptor(const std::vector<uint8_t>& descriptor, HidReportLayout& out);

}  // namespace zov
