#pragma once

#include <string>
#include <vector>

namespace zov {

struct Session;

// fit POINTS.csv [--download] [--max-change PCT] [--locks FILE]: the map fitted through the
// points, bound by the change cap and the locks, printed and optionally sent.
void CommandFit(Session& session, const std::vector<std::string>& args);
// map-replay LOG.csv ...: the acquisition over a recorded drive; the ECU only without --config.
void CommandMapReplay(Session& session, const std::vector<std::string>& args);
// basemap CC ...: the editor's base map; the ECU only with --write.
void CommandBaseMap(Session& session, const std::vector<std::string>& args);

}  // namespace zov
