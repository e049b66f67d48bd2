#include "LiveLogWriter.h"

#include "LiveLog.h"

namespace zov {

bool LiveLogWriter::Open(const std::string& path, const std::vector<std::string>& header) {
    rows_ = 0;
    if (!file_.Create(path)) return false;
    std::string line;
    for (size_t i = 0; i < header.size(); ++i) line += (i ? "," : "") + header[i];
    if (file_.Append(line + "\n")) return true;
    // Nothing was recorded: no file is better than a file without its header.
    file_.Remove();
    return false;
}

bool LiveLogWriter::WriteRow(int64_t tMs, const std::vector<std::string>& cells) {
    std::string line = std::to_string(tMs);
    for (const std::string& cell : cells) line += "," + cell;
    if (!file_.Append(line + "\n")) return false;
    ++rows_;
    return true;
}

bool LiveLogWriter::WriteMarker(int number, int64_t tMs) {
    return file_.Append(std::string(kLogMarkerTag) + "," + std::to_string(number) + "," +
                        std::to_string(tMs) + "\n");
}

}  // namespace zov
