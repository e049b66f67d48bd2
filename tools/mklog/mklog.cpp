// Writes a synthetic datalog of the live data window: a drive of any length with every channel
// the ECU sends, in the format a recording has (a marker every ten minutes), so the log viewer's
// figures can be measured on logs of real size.
//
// usage: mklog OUT.csv SECONDS [ROWS_PER_SECOND]   (default 40 rows a second, as record 150 arrives)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "EcuVariables.h"
#include "LiveLog.h"
#include "LiveLogFormat.h"
#include "LiveRecord.h"

namespace {

using zov::LiveValues;

constexpr int kDefaultRate = 40;
constexpr int64_t kMarkerEveryMs = 10 * 60 * 1000;
constexpr double kPi = 3.14159265358979;

// A drive: idle, pulls through the gears, cruising, engine braking, in a cycle of a few minutes,
// with the probe switching while the loop is closed and the reducer warming up.
LiveValues DriveAt(double seconds, std::mt19937& random) {
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double cycle = std::fmod(seconds, 240.0);
    const double gear = std::fmod(seconds, 12.0) / 12.0;
    const bool idle = cycle < 30;
    const bool braking = cycle > 200 && cycle < 220;
    const double throttle = idle      ? 0.0
                            : braking ? 0.0
                                      : 0.3 + 0.5 * std::sin(kPi * gear) * (cycle < 120 ? 1 : 0.4);
    LiveValues v;
    v.rpm = int32_t(idle      ? 850 + 20 * noise(random)
                    : braking ? 2600 - 40 * (cycle - 200)
                              : 1500 + 3500 * gear * throttle + 900);
    v.tps = int32_t(50 + 400 * throttle);
    v.mapPressure = braking ? 25 : int32_t(32 + 70 * throttle + 2 * noise(random));
    const bool closedLoop = !idle && !braking && seconds > 60;
    v.lambda =
        closedLoop ? (std::sin(seconds * 2 * kPi * 1.3) > 0 ? 80 : 15) + int32_t(5 * noise(random)) : 45;
    v.integrator1 = int32_t(10 * std::sin(seconds / 7));
    v.integrator2 = int32_t(10 * std::cos(seconds / 9));
    v.target = 500 + int32_t(200 * throttle);
    v.cumulo = int32_t(8 * std::sin(seconds / 30));
    v.opening = int32_t(400 + 2200 * throttle + 300 * v.rpm / 6000.0);
    v.enrichment = throttle > 0.6 ? 40 : 0;
    v.status = closedLoop ? 0x48 : 0x40;
    v.reducerTempC = std::min(75.0, 20.0 + seconds / 12.0) + 0.3 * noise(random);
    v.reducerPressure = 95 + int32_t(3 * noise(random));
    v.level = 4 - int32_t(seconds / 7200) % 4;
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: mklog OUT.csv SECONDS [ROWS_PER_SECOND]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const int rate = argc == 4 ? std::atoi(argv[3]) : kDefaultRate;
    if (seconds <= 0 || rate <= 0) {
        std::fprintf(stderr, "mklog: SECONDS and ROWS_PER_SECOND must be positive\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::string line;
    for (const std::string& name : zov::LiveLogHeader(zov::kRecordLive))
        line += (line.empty() ? "" : ",") + name;
    out << line << '\n';
    std::mt19937 random(2026);
    const auto rows = int64_t(seconds * rate);
    int marker = 0;
    for (int64_t row = 0; row < rows; ++row) {
        const int64_t tMs = row * 1000 / rate;
        if (tMs >= (marker + 1) * kMarkerEveryMs) {
            ++marker;
            out << zov::kLogMarkerTag << ',' << marker << ',' << tMs << '\n';
        }
        line = std::to_string(tMs);
        for (const std::string& cell : zov::LiveLogCells(DriveAt(tMs / 1000.0, random))) line += "," + cell;
        out << line << '\n';
    }
    out.close();
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%lld rows, %d markers\n", static_cast<long long>(rows), marker);
    return 0;
}
