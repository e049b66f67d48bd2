#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zov {

// The small rules of the map chart: which values a point may take, what a hint shows, which row
// the hide/show box names and where the axes put their labels.
class ChartRules {
  public:
    static constexpr int32_t kMinValue = 0;
    static constexpr int32_t kMaxValue = 720;  // the largest cell the ECU takes
    static constexpr int32_t kHintRpmStep = 50;
    static constexpr int32_t kLogRpmIncrement = 1000;
    static constexpr int kMaxLabels = 10;

    // The cell value a point dragged or keyed to `axisValue` takes: truncated toward zero, and
    // nothing when that falls outside 0..720 (the drop is refused, the point keeps its value).
    static std::optional<int32_t> AcceptedValue(double axisValue);

    // The speed a hint shows for a column: rounded down to a multiple of 50 rpm.
    static int32_t HintRpm(int32_t rpm);

    // The row typed into the hide/show box, "1".."16" (blanks around allowed), as 0..15; nothing
    // for anything else, which then does nothing.
    static std::optional<int> ParseRowNumber(std::string_view text);

    // Bit `row` of the window's mask of visible curves.
    static bool RowVisible(uint16_t mask, int row);

    // The step of an axis whose increment is automatic: 1, 2 or 5 times a power of ten, the
    // smallest that puts at most kMaxLabels labels over from..to.
    static double AutomaticStep(double from, double to);

    // The speeds labelled on a bottom axis showing from..to rpm: the multiples of `increment`
    // inside the range, or of AutomaticStep when `increment` is 0.
    static std::vector<int32_t> RpmLabels(double from, double to, int32_t increment);
};

}  // namespace zov
