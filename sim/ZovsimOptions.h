#pragma once

#include <string>
#include <vector>

#include "EcuSimulator.h"

namespace zov::sim {

struct ZovsimOptions {
    EcuConfig ecu;         // paced at 9600 baud unless told otherwise
    std::string linkPath;  // symlink to the pseudo-terminal, removed at exit
    bool verbose = false;  // every request and answer on stderr
    // The adapter is pulled out (the terminal closed, zovsim ends) when the PC starts a request
    // after this many; -1: never.
    long long loseDeviceAfter = -1;
    bool help = false;

    ZovsimOptions() { ecu.baud = 9600; }
};

// Parses the arguments after the program name. On bad input returns false and a message naming
// the offending option.
bool ParseZovsimOptions(const std::vector<std::string>& args, ZovsimOptions& out, std::string& error);

std::string ZovsimUsage();

}  // namespace zov::sim
