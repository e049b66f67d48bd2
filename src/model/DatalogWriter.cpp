#include "DatalogWriter.h"

#include <algorithm>
#include <cctype>

#include "LiveLogWriter.h"
#include "MlgLogWriter.h"

namespace zov {

std::unique_ptr<DatalogWriter> MakeDatalogWriter(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (lower.ends_with(".mlg")) return std::make_unique<MlgLogWriter>();
    return std::make_unique<LiveLogWriter>();
}

}  // namespace zov
