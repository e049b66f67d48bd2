#include "LiveRecording.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "EcuVariables.h"
#include "LiveLogFormat.h"

namespace zov {
namespace {

constexpr int kNameAttempts = 100;

std::string VehiclePart(const std::string& vehicle) {
    std::string part;
    for (const char c : vehicle) {
        const auto u = static_cast<unsigned char>(c);
        part += u < 0x80 && (std::isalnum(u) || c == '-' || c == '_') ? c : '_';
    }
    while (!part.empty() && part.back() == '_') part.pop_back();
    while (!part.empty() && part.front() == '_') part.erase(part.begin());
    return part.empty() ? std::string("veicolo") : part;
}

}  // namespace

std::string LiveRecording::FileName(const std::tm& local, const std::string& vehicle, int attempt) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string name = std::string(stamp) + "_" + VehiclePart(vehicle);
    if (attempt > 1) name += "_" + std::to_string(attempt);
    return name + ".csv";
}

bool LiveRecording::Start(const std::string& runtimeDirectory, const std::string& vehicle,
                          const std::tm& local, int64_t nowUs) {
    Stop();
    error_.clear();
    const std::filesystem::path folder = std::filesystem::path(runtimeDirectory) / kFolder;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error_ = folder.string() + ": " + ec.message();
        return false;
    }
    for (int attempt = 1; attempt <= kNameAttempts; ++attempt) {
        const std::filesystem::path path = folder / FileName(local, vehicle, attempt);
        if (std::filesystem::exists(path)) continue;
        if (writer_.Open(path.string(), LiveLogHeader(kRecordLive))) {
            startUs_ = nowUs;
            markers_ = 0;
            return true;
        }
        error_ = writer_.Error();
        return false;
    }
    error_ = folder.string() + ": no free name for a recording of this second";
    return false;
}

bool LiveRecording::Add(const LiveValues& values, int64_t nowUs) {
    if (!writer_.IsOpen()) return false;
    if (writer_.WriteRow((nowUs - startUs_) / 1000, LiveLogCells(values))) return true;
    error_ = writer_.Error();
    writer_.Close();
    return false;
}

int LiveRecording::Mark(int64_t nowUs) {
    if (!writer_.IsOpen()) return 0;
    if (writer_.WriteMarker(markers_ + 1, (nowUs - startUs_) / 1000)) return ++markers_;
    error_ = writer_.Error();
    writer_.Close();
    return 0;
}

void LiveRecording::Stop() { writer_.Close(); }

double LiveRecording::Rate(int64_t nowUs) const {
    const int64_t elapsed = nowUs - startUs_;
    if (elapsed <= 0) return 0.0;
    return double(writer_.Rows()) * 1e6 / double(elapsed);
}

}  // namespace zov
