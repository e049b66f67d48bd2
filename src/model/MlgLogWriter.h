#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "AppendOnlyFile.h"
#include "DatalogWriter.h"

namespace zov {

// Writes a datalog as an MLG file (the "MLVLG" binary log, version 1) that tuning log viewers
// read: a header naming each channel with its unit, then one data block per row and one marker
// block per marker, each straight to the disk and whole. The time is a channel of its own
// ("Time", seconds, from `t_ms`), since a block's own 16-bit stamp wraps within a second. Every
// other channel is a 32-bit float, so each value goes in as the datalog holds it; an empty cell
// is NaN.
class MlgLogWriter : public DatalogWriter {
  public:
    static constexpr char kSignature[] = "MLVLG";
    static constexpr int16_t kVersion = 1;
    static constexpr size_t kNameLength = 34;
    static constexpr size_t kUnitLength = 10;
    static constexpr size_t kMarkerTextLength = 50;

    // `created` stands in the header as the recording's date (seconds since 1970).
    explicit MlgLogWriter(std::time_t created = std::time(nullptr)) : created_(created) {}

    bool Open(const std::string& path, const std::vector<std::string>& header) override;
    bool WriteRow(int64_t tMs, const std::vector<std::string>& cells) override;
    bool WriteMarker(int number, int64_t tMs) override;
    // A row of values as the datalog reader holds them.
    bool WriteValues(int64_t tMs, const std::vector<float>& values);
    void Close() override { file_.Close(); }
    // Closes and deletes the file: a conversion that failed leaves nothing behind.
    void Remove() { file_.Remove(); }

    bool IsOpen() const override { return file_.IsOpen(); }
    int64_t Rows() const override { return rows_; }
    const std::string& Path() const override { return file_.Path(); }
    const std::string& Error() const override { return error_.empty() ? file_.Error() : error_; }

  private:
    std::string BlockStart(uint8_t type, int64_t tMs);

    std::time_t created_;
    AppendOnlyFile file_;
    size_t channels_ = 0;
    int64_t rows_ = 0;
    uint8_t counter_ = 0;
    std::string error_;
};

// The unit MLG shows for a datalog column, from its name's ending (`_v` volts, `_bar`, `_c`
// degrees); `rpm` is its own unit; counts have none.
std::string MlgUnitOf(const std::string& column);

}  // namespace zov
