#include "FilteredAcquisition.h"

#include <algorithm>
#include <cstdlib>

#include "ConfMap.h"

namespace zov {
namespace {

constexpr int kPercent = 100;
constexpr int64_t kMsPerSecond = 1000;

struct RefusalText {
    const char* name;
    const char* label;
    const char* builtIn;
};
constexpr RefusalText kRefusals[kMappingRefusalCount] = {
    {"reducer-cold", "MessRifiutoRiduttore", "riduttore freddo"},
    {"open-loop", "MessRifiutoAnello", "anello aperto"},
    {"fuel-cut", "MessRifiutoCutoff", "cut-off"},
    {"lambda-not-switching", "MessRifiutoLambda", "lambda ferma"},
    {"integrator-limit", "MessRifiutoIntegratore", "correttore al limite"},
    {"transient", "MessRifiutoTransitorio", "transitorio"},
    {"enrichment", "MessRifiutoArricchimento", "arricchimento"},
    {"zone-edge", "MessRifiutoBordo", "bordo della zona"},
};

uint32_t Bit(MappingRefusal reason) { return 1u << unsigned(reason); }

// Change per second between two records; 0 when no time passed.
int64_t Rate(int32_t now, int32_t before, int64_t ms) {
    return ms > 0 ? std::llabs(int64_t(now) - before) * kMsPerSecond / ms : 0;
}

// Whether `value` lies nearer than `percent` of its cell's width to either edge of [lower, upper).
bool NearEdge(int32_t value, int32_t lower, int32_t upper, int32_t cellWidth, int percent) {
    const int64_t margin = int64_t(cellWidth) * percent;
    return (int64_t(value) - lower) * kPercent < margin || (int64_t(upper) - value) * kPercent < margin;
}

}  // namespace

const char* MappingRefusalName(MappingRefusal reason) { return kRefusals[size_t(reason)].name; }
const char* MappingRefusalLabel(MappingRefusal reason) { return kRefusals[size_t(reason)].label; }
const char* MappingRefusalBuiltIn(MappingRefusal reason) { return kRefusals[size_t(reason)].builtIn; }

void FilteredAcquisition::Track(const MappingTick& tick) {
    transientNow_ = false;
    if (previous_) {
        const int64_t ms = tick.tMs - previous_->tMs;
        if (tick.lambdaGreen != previous_->lambdaGreen) {
            lastCrossingMs_ = tick.tMs;
            // The probe switched after them: the samples since the last crossing were sound.
            accepted_.insert(accepted_.end(), pending_.begin(), pending_.end());
            pending_.clear();
        }
        const int64_t tpsRate = Rate(tick.tps, previous_->tps, ms);
        transientNow_ = tpsRate > options_.tpsRate || Rate(tick.map, previous_->map, ms) > options_.mapRate;
        if (tick.tps > previous_->tps && tpsRate > options_.tpsRate) lastOpeningMs_ = tick.tMs;
    }
    previous_ = tick;
}

uint32_t FilteredAcquisition::Judge(const MappingTick& tick, const ConfMap& map, int zone) const {
    uint32_t refused = 0;
    if (!tick.reducerC || int(*tick.reducerC) < options_.reducerMinC)
        refused |= Bit(MappingRefusal::ReducerCold);
    if (!(tick.status & kClosedLoopBit)) refused |= Bit(MappingRefusal::OpenLoop);
    if (tick.status & kCutoffBit) refused |= Bit(MappingRefusal::FuelCut);
    if (!lastCrossingMs_ || tick.tMs - *lastCrossingMs_ > options_.lambdaStillMs)
        refused |= Bit(MappingRefusal::LambdaStill);
    if (std::abs(tick.deviation) >= options_.integratorLimit) refused |= Bit(MappingRefusal::IntegratorLimit);
    if (transientNow_) refused |= Bit(MappingRefusal::Transient);
    if (lastOpeningMs_ && tick.tMs - *lastOpeningMs_ <= options_.enrichmentHoldMs)
        refused |= Bit(MappingRefusal::Enrichment);
    if (zone >= 0) {
        const ConfMap::Zone& z = ConfMap::kZones[size_t(zone)];
        const int col = map.ColumnOfRpm(tick.rpm);
        const int row = map.RowOfMap(tick.map);
        const bool nearColumnEdge =
            NearEdge(tick.rpm, map.ColumnBoundary(z.colFrom), map.ColumnBoundary(z.colTo + 1),
                     map.ColumnBoundary(col + 1) - map.ColumnBoundary(col), options_.edgePercent);
        const bool nearRowEdge =
            NearEdge(tick.map, map.RowBoundary(z.rowFrom), map.RowBoundary(z.rowTo + 1),
                     map.RowBoundary(row + 1) - map.RowBoundary(row), options_.edgePercent);
        if (nearColumnEdge || nearRowEdge) refused |= Bit(MappingRefusal::ZoneEdge);
    }
    return refused;
}

void FilteredAcquisition::EnterZone(int zone) {
    zone_ = zone;
    accepted_.clear();
    pending_.clear();
    zoneRefused_.fill(0);
}

FilteredAcquisition::Outcome FilteredAcquisition::Take(const MappingTick& tick, const ConfMap& map,
                                                       bool mapping) {
    Track(tick);
    Outcome outcome;
    bool acquired = false;
    int zone = -1;
    outcome.inZone = map.FindZone(map.RowOfMap(tick.map), map.ColumnOfRpm(tick.rpm), acquired, zone);
    if (!outcome.inZone) zone = -1;
    if (zone != zone_) EnterZone(zone);
    if (!outcome.inZone || !mapping) {
        accepted_.clear();
        pending_.clear();
        return outcome;
    }
    outcome.refused = Judge(tick, map, zone);
    // A probe found still had stopped before: what it passed since its last crossing goes too.
    if (outcome.refused & Bit(MappingRefusal::LambdaStill)) pending_.clear();
    if (!outcome.refused) pending_.push_back(tick);
    for (int r = 0; r < kMappingRefusalCount; ++r) {
        if (!(outcome.refused & Bit(MappingRefusal(r)))) continue;
        ++zoneRefused_[size_t(r)];
        ++totalRefused_[size_t(r)];
    }
    if (accepted_.empty() || int(accepted_.size()) < options_.minSamples ||
        accepted_.back().tMs - accepted_.front().tMs < options_.minSpanMs)
        return outcome;
    int64_t rpm = 0, pressure = 0, value = 0;
    for (const MappingTick& s : accepted_) {
        rpm += s.rpm;
        pressure += s.map;
        value += s.cellValue;
    }
    const int64_t n = int64_t(accepted_.size());
    outcome.point = Point{zone, int32_t(rpm / n), int32_t(pressure / n), int32_t(value / n), tick.tMs};
    accepted_.clear();
    return outcome;
}

void FilteredAcquisition::Reset() {
    previous_.reset();
    lastCrossingMs_.reset();
    lastOpeningMs_.reset();
    transientNow_ = false;
    EnterZone(-1);
    totalRefused_.fill(0);
}

std::vector<std::pair<MappingRefusal, int>> FilteredAcquisition::ZoneReasons() const {
    std::vector<std::pair<MappingRefusal, int>> reasons;
    for (int r = 0; r < kMappingRefusalCount; ++r)
        if (zoneRefused_[size_t(r)] > 0) reasons.emplace_back(MappingRefusal(r), zoneRefused_[size_t(r)]);
    std::stable_sort(reasons.begin(), reasons.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return reasons;
}

}  // namespace zov
