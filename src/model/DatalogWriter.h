#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zov {

// Where a recording goes, row by row: the CSV datalog or an MLG file. Every row and marker is
// on the disk whole when the call returns.
class DatalogWriter {
  public:
    virtual ~DatalogWriter() = default;

    // Creates `path` (never over an existing file) with these columns, `t_ms` first.
    virtual bool Open(const std::string& path, const std::vector<std::string>& header) = 0;
    // The cells after `t_ms` as the datalog writes them (an empty cell: no value).
    virtual bool WriteRow(int64_t tMs, const std::vector<std::string>& cells) = 0;
    // The installer's numbered mark at `tMs`, between the rows.
    virtual bool WriteMarker(int number, int64_t tMs) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual int64_t Rows() const = 0;
    virtual const std::string& Path() const = 0;
    // Why the last Open or write failed, for the user.
    virtual const std::string& Error() const = 0;
};

// An MLG writer for a path ending in ".mlg" (any case), the CSV datalog otherwise.
std::unique_ptr<DatalogWriter> MakeDatalogWriter(const std::string& path);

}  // namespace zov
