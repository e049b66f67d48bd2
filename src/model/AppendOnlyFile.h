#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zov {

// A new file written record by record straight to the disk (no buffer in the process), so
// whatever ends the writing — a close, a lost session, a killed process — leaves every record
// whole. A record the disk could not take is cut off again, so the file never ends in half of one.
class AppendOnlyFile {
  public:
    AppendOnlyFile() = default;
    ~AppendOnlyFile();
    AppendOnlyFile(const AppendOnlyFile&) = delete;
    AppendOnlyFile& operator=(const AppendOnlyFile&) = delete;

    // Creates `path`, never over an existing file.
    bool Create(const std::string& path);
    // One whole record, or (false) none of it.
    bool Append(std::string_view record);
    void Close();
    // Closes and deletes the file: for a file whose first record (its header) did not go in.
    void Remove();

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Why the last Create or Append failed, for the user.
    const std::string& Error() const { return error_; }

  private:
    int fd_ = -1;
    int64_t size_ = 0;
    std::string path_;
    std::string error_;
};

}  // namespace zov
