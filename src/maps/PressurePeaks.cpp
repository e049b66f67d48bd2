#include "PressurePeaks.h"

#include "LiveRecord.h"

namespace zov {

void PressurePeaks::Take(int32_t reducerPressure) {
    pressure_ = reducerPressure;
    filtered_ = pressure_ == 0 ? 0 : FilterPressureStep(filtered_, pressure_);
    if (pressure_ > max_) maxCountdown_ = 0;
    if (pressure_ < min_) minCountdown_ = 0;
}

PressurePeaks::Refreshed PressurePeaks::Show() {
    Refreshed refreshed;
    if (maxCountdown_ == 0) {
        max_ = pressure_;
        maxCountdown_ = kHoldTicks;
        refreshed.max = true;
    }
    if (minCountdown_ == 0) {
        min_ = pressure_;
        minCountdown_ = kHoldTicks;
        refreshed.min = true;
    }
    --maxCountdown_;
    --minCountdown_;
    return refreshed;
}

}  // namespace zov
