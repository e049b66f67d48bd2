#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AppendOnlyFile.h"
#include "DatalogWriter.h"

namespace zov {

// Writes the CSV datalog: the header line, then one line per row and "#marker" lines between
// them, each straight to the disk and whole.
class LiveLogWriter : public DatalogWriter {
  public:
    bool Open(const std::string& path, const std::vector<std::string>& header) override;
    bool WriteRow(int64_t tMs, const std::vector<std::string>& cells) override;
    bool WriteMarker(int number, int64_t tMs) override;
    void Close() override { file_.Close(); }

    bool IsOpen() const override { return file_.IsOpen(); }
    int64_t Rows() const override { return rows_; }
    const std::string& Path() const override { return file_.Path(); }
    const std::string& Error() const override { return file_.Error(); }

  private:
    AppendOnlyFile file_;
    int64_t rows_ = 0;
};

}  // namespace zov
