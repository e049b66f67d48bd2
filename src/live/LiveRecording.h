#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "LiveLogWriter.h"
#include "LiveRecord.h"

namespace zov {

// A recording of the live data window: one datalog row per live record read, `t_ms` counted
// from the start, in `Log/` of the runtime folder under a name made of the date and the vehicle.
class LiveRecording {
  public:
    static constexpr const char* kFolder = "Log";

    // "20261210-153012_Fiat_Punto.csv": the time, then the vehicle with anything but letters,
    // digits, '-' and '_' made '_' ("veicolo" without one).
    static std::string FileName(const std::tm& local, const std::string& vehicle, int attempt = 1);

    // Creates the folder if need be and the file; a name already taken gets "_2", "_3", ...
    bool Start(const std::string& runtimeDirectory, const std::string& vehicle, const std::tm& local,
               int64_t nowUs);
    // False when the row could not be written: the recording has then stopped, the file whole.
    bool Add(const LiveValues& values, int64_t nowUs);
    void Stop();
    // Writes the next marker at the present time; its number, or 0 when it could not be written
    // (the recording has then stopped, as for a row).
    int Mark(int64_t nowUs);

    bool Active() const { return writer_.IsOpen(); }
    int64_t Rows() const { return writer_.Rows(); }
    int Markers() const { return markers_; }
    // Rows per second since the start.
    double Rate(int64_t nowUs) const;
    const std::string& Path() const { return writer_.Path(); }
    const std::string& Error() const { return error_; }

  private:
    LiveLogWriter writer_;
    int64_t startUs_ = 0;
    int markers_ = 0;
    std::string error_;
};

}  // namespace zov
