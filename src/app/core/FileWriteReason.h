#pragma once

#include <string>

class QFileDevice;

namespace zov {

// Why a write through a Qt file failed, in the system's words. Qt keeps no reason for a short
// write (a disk filling up, a file-size limit reached in the middle of a block) and says "Unknown
// error"; the errno the failed write() left, which the caller saves right after the failing call,
// says "No space left on device" or "File too large" instead.
std::string FileWriteReason(const QFileDevice& file, int systemError);

}  // namespace zov
