#pragma once

#include <string>
#include <vector>

#include "ConfMap.h"

namespace zov {

// Why a points file was refused: its exit status (2 a line that is not a point in range, 4 a file
// that cannot be read) and the reason, naming the line. Status 0: the points were read.
struct FitPointsError {
    int status = 0;
    std::string reason;
};

// The points of a zovctl fit CSV file ("rpm,map,value" per line, map in hundredths of a volt), in
// file order. A first line that is not numeric is a header; blank lines are skipped; anything else
// that is not a point in range refuses the file.
FitPointsError ReadFitPoints(const std::string& path, std::vector<ConfMap::MappingPoint>& points);

}  // namespace zov
