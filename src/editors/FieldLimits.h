#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zov {

// The limits of one checked edit of the parameter editor: the typed value must lie in
// minimum..maximum unless it equals the model's current value of `field`.
struct FieldLimits {
    int32_t maximum;
    int32_t minimum;
    int32_t field;

    static constexpr int kCount = 32;
    using Table = std::array<FieldLimits, kCount>;

    // The editor's table in field order; rows 20..23 take the installer's maximum steps of the
    // four zones, from minus to plus each.
    static Table Build(const int32_t (&installerMaxSteps)[4]);

    bool Contains(double value) const { return minimum <= value && value <= maximum; }
    // A value equal to the model's is kept even outside the limits: the installer may leave a
    // value the ECU came with.
    bool Accepts(int32_t typed, int32_t model) const { return typed == model || Contains(typed); }
    bool Accepts(double typed, double model) const { return typed == model || Contains(typed); }
    // What a refused integer edit shows again: the model's value, or the minimum when that is
    // itself outside the limits.
    int32_t Restored(int32_t model) const { return Contains(model) ? model : minimum; }
    // The limits as the refusal message ends: " (min , max)", for the decimal edits " (min - max)".
    std::string RangeText(bool decimal) const;
};

}  // namespace zov
