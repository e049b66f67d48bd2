#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zov {

// Writes a datalog row by row straight to the file (no buffer in the process), so whatever ends
// the recording — a close, a lost session, a killed process — leaves every row written whole. A
// row the disk could not take is cut off again, so the file never ends in half a row.
class LiveLogWriter {
  public:
    LiveLogWriter() = default;
    ~LiveLogWriter();
    LiveLogWriter(const LiveLogWriter&) = delete;
    LiveLogWriter& operator=(const LiveLogWriter&) = delete;

    // Creates `path` (never over an existing file) and writes the header line.
    bool Open(const std::string& path, const std::vector<std::string>& header);
    bool WriteRow(int64_t tMs, const std::vector<std::string>& cells);
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    int64_t Rows() const { return rows_; }
    const std::string& Path() const { return path_; }
    // Why the last Open or WriteRow failed, for the user.
    const std::string& Error() const { return error_; }

  private:
    bool WriteLine(const std::string& line);

    int fd_ = -1;
    int64_t rows_ = 0;
    int64_t size_ = 0;
    std::string path_;
    std::string error_;
};

}  // namespace zov
