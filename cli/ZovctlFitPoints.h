#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ConfMap.h"

namespace zov {

// Why a points file was refused: its exit status (2 a line that is not a point in range, 4 a file
// that cannot be read, UTF-16 text included) and the reason, naming the line. Status 0: the
// points were read.
struct FitPointsError {
    int status = 0;
    std::string reason;
};

// The points of a zovctl fit CSV file ("rpm,map,value" per line, map in hundredths of a volt), in
// file order. A UTF-8 byte order mark is skipped; a first line whose first field holds no digit
// is a header; blank lines are skipped; anything else that is not wholly three integers in range
// refuses the file and leaves `points` empty.
FitPointsError ReadFitPoints(const std::string& path, std::vector<ConfMap::MappingPoint>& points);
// The same for the file's contents; `name` stands for the file in the reasons.
FitPointsError ParseFitPoints(std::string_view text, const std::string& name,
                              std::vector<ConfMap::MappingPoint>& points);

}  // namespace zov
