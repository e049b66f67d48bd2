#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "MappingOptions.h"

namespace zov {

class ConfMap;

// Why a sample was refused. Each filter counts the samples it refuses; a sample two filters
// refuse counts for both.
enum class MappingRefusal {
    ReducerCold,      // the reducer below the mapping temperature
    OpenLoop,         // the status's closed-loop bit clear
    FuelCut,          // the cut-off bit set
    LambdaStill,      // no lambda crossing for too long: a dead or cold probe
    IntegratorLimit,  // the fast corrector at its limit: the opening is no learnt value
    Transient,        // throttle or manifold pressure moving too fast
    Enrichment,       // an acceleration enrichment after a throttle opening
    ZoneEdge,         // too near the zone's edge to belong to it surely
};
inline constexpr int kMappingRefusalCount = 8;
// The name zovctl prints and the dictionary identifier of the window's label.
const char* MappingRefusalName(MappingRefusal reason);
const char* MappingRefusalLabel(MappingRefusal reason);
const char* MappingRefusalBuiltIn(MappingRefusal reason);

// One record of the mapping drive, in the units the map editor shows.
struct MappingTick {
    int64_t tMs = 0;
    int32_t rpm = 0;
    int32_t map = 0;                 // hundredths of a volt
    int32_t tps = 0;                 // hundredths of a volt
    bool lambdaGreen = false;        // the lambda indicator; a change is a crossing
    int32_t status = 0;              // mapping record status bits
    int32_t deviation = 0;           // fast corrector, signed
    int32_t cellValue = 0;           // the ECU's value of the cell under the point
    std::optional<double> reducerC;  // none: no sensor
};

// The automatic mapping's collection of zone points from every record of the drive: each record
// in a zone, while the mapping runs and the ECU is ready, is a sample; the filters refuse what the
// ECU could not have learnt from, and a zone's point is the mean of its accepted samples once
// there are enough of them spread over enough time. A sample counts for a point only once the
// probe has crossed its threshold after it: a probe that stops switching is found out only after
// a while, and the samples of that while are dropped with it. The live map editor and the replay of a
// recorded drive feed the same records through here and learn the same points.
class FilteredAcquisition {
  public:
    static constexpr int32_t kClosedLoopBit = 0x02;
    static constexpr int32_t kCutoffBit = 0x04;
    static constexpr int32_t kReadyBit = 0x08;

    struct Point {
        int zone = -1;
        int32_t rpm = 0;
        int32_t map = 0;
        int32_t value = 0;
        int64_t tMs = 0;  // when it was taken
    };
    struct Outcome {
        bool inZone = false;
        uint32_t refused = 0;  // bit per MappingRefusal
        std::optional<Point> point;
    };

    explicit FilteredAcquisition(const MappingOptions& options = {}) : options_(options) {}

    // Every record read goes through here, so the lambda crossings and the rates are known when
    // the mapping starts. `mapping`: the mapping runs and the ECU says it is ready; only then is a
    // record in a zone judged and counted.
    Outcome Take(const MappingTick& tick, const ConfMap& map, bool mapping);
    // The filters alone, on the tracked history (the record already taken).
    uint32_t Judge(const MappingTick& tick, const ConfMap& map, int zone) const;

    // Everything back to the start of a mapping, the drive's history included, so the live
    // mapping and a replay of its recording (which begins there) judge alike.
    void Reset();
    void SetOptions(const MappingOptions& options) { options_ = options; }
    const MappingOptions& Options() const { return options_; }

    // The zone the engine runs in (-1 outside all) and its accepted samples so far.
    int Zone() const { return zone_; }
    int Accepted() const { return int(accepted_.size() + pending_.size()); }
    // Refusals in the current zone since the engine entered it, and over the whole mapping.
    int ZoneRefused(MappingRefusal reason) const { return zoneRefused_[size_t(reason)]; }
    int TotalRefused(MappingRefusal reason) const { return totalRefused_[size_t(reason)]; }
    // The current zone's refusals that are not zero, the largest first (table order on a tie).
    std::vector<std::pair<MappingRefusal, int>> ZoneReasons() const;

  private:
    void Track(const MappingTick& tick);
    void EnterZone(int zone);

    MappingOptions options_;
    // History of the drive.
    std::optional<MappingTick> previous_;
    std::optional<int64_t> lastCrossingMs_;
    std::optional<int64_t> lastOpeningMs_;
    bool transientNow_ = false;
    // The current zone's samples and counts.
    int zone_ = -1;
    // Samples the filters passed: confirmed by a lambda crossing after them, and still pending one.
    std::vector<MappingTick> accepted_;
    std::vector<MappingTick> pending_;
    std::array<int, kMappingRefusalCount> zoneRefused_{};
    std::array<int, kMappingRefusalCount> totalRefused_{};
};

}  // namespace zov
