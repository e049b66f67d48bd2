#include "MappingAcquisition.h"

#include <algorithm>
#include <cstdlib>

#include "Clock.h"
#include "ConfMap.h"

namespace zov {

namespace {
constexpr int kIntervalPauseMs = 10;
}

MappingAcquisition::MappingAcquisition(int samplesPerPoint)
    : samples_(size_t(std::max(samplesPerPoint, 1))) {}

bool MappingAcquisition::Record(const MappingSample& sample) {
    if (count_ >= Capacity()) return false;
    samples_[size_t(count_++)] = sample;
    return true;
}

bool MappingAcquisition::Stable(int32_t rpm, int32_t map, int32_t tps, const ConfMap& tolerances,
                                Clock& clock) {
    const bool within = std::abs(rpm - refRpm_) <= tolerances.rpmTolerance &&
                        std::abs(map - refMap_) <= tolerances.mapTolerance &&
                        std::abs(tps - refTps_) <= tolerances.tpsTolerance;
    if (!within) {
        refRpm_ = rpm;
        refMap_ = map;
        refTps_ = tps;
        count_ = 0;
        return false;
    }
    if (count_ < Capacity()) return false;
    count_ = 0;
    const int64_t now = clock.NowMs();
    if (now < lastAcquisitionMs_ + tolerances.minAcquisitionIntervalMs) {
        clock.SleepMs(kIntervalPauseMs);
        return false;
    }
    lastAcquisitionMs_ = now;
    refRpm_ = rpm;
    refMap_ = map;
    refTps_ = tps;
    return true;
}

MappingSample MappingAcquisition::Average() const {
    int64_t rpm = 0, map = 0, cell = 0, deviation = 0;
    for (const MappingSample& s : samples_) {
        rpm += s.rpm;
        map += s.map;
        cell += s.cellValue;
        deviation += s.deviation;
    }
    const int64_t n = Capacity();
    return {int32_t(rpm / n), int32_t(map / n), int32_t(cell / n), int32_t(deviation / n)};
}

void MappingAcquisition::Reset() {
    count_ = 0;
    refRpm_ = refMap_ = refTps_ = 0;
    lastAcquisitionMs_ = 0;
}

}  // namespace zov
