#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "LiveLog.h"

namespace zov {

// Reads a datalog in one pass over blocks of its bytes, each cell parsed where it lies (no string
// per cell): the header, then rows straight into the log's columns. The first damaged line stops
// it with its number and what is wrong; a last line without its end is a cut recording and is
// left out.
class LiveLogParser {
  public:
    // `name` stands for the file in errors; `expectedBytes` (the file's size, 0 if unknown) sizes
    // the columns once instead of growing them.
    LiveLogParser(std::string name, size_t expectedBytes);

    // The next bytes of the file; false once a line was refused.
    bool Feed(std::string_view bytes);
    // After the last block: the log, or why it is not one.
    LiveLogLoad Finish();

  private:
    bool TakeLine(std::string_view line);
    bool TakeHeader(std::string_view line);
    bool TakeRow(std::string_view line);
    bool TakeMarker(std::string_view line);
    bool Fail(const std::string& what);
    void Reserve(size_t lineBytes);

    std::string name_;
    size_t expectedBytes_;
    std::string pending_;  // the start of a line whose end has not come yet
    size_t lineNumber_ = 0;
    bool reserved_ = false;
    LiveLogLoad load_;
};

}  // namespace zov
