#include "ChartRules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace zov {

std::optional<int32_t> ChartRules::AcceptedValue(double axisValue) {
    if (!std::isfinite(axisValue)) return std::nullopt;
    const double value = std::trunc(axisValue);
    if (value < kMinValue || value > kMaxValue) return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t ChartRules::HintRpm(int32_t rpm) {
    if (rpm <= 0) return 0;
    return rpm / kHintRpmStep * kHintRpmStep;
}

std::optional<int> ChartRules::ParseRowNumber(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (number < 1 || number > 16) return std::nullopt;
    return number - 1;
}

bool ChartRules::RowVisible(uint16_t mask, int row) {
    return row >= 0 && row < 16 && ((mask >> row) & 1u) != 0;
}

double ChartRules::AutomaticStep(double from, double to) {
    const double span = std::fabs(to - from);
    if (!(span > 0) || !std::isfinite(span)) return 1;
    double power = std::pow(10.0, std::floor(std::log10(span / kMaxLabels)));
    for (;;) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double step = factor * power;
            if (std::floor(span / step) + 1 <= kMaxLabels) return step;
        }
        power *= 10;
    }
}

std::vector<int32_t> ChartRules::RpmLabels(double from, double to, int32_t increment) {
    if (from > to) std::swap(from, to);
    std::vector<int32_t> labels;
    if (!std::isfinite(from) || !std::isfinite(to)) return labels;
    const double step = increment > 0 ? increment : AutomaticStep(from, to);
    // Whole rpm only: a zoom narrower than a few rpm labels nothing rather than fractions.
    const double whole = std::max(1.0, std::round(step));
    for (double v = std::ceil(from / whole) * whole; v <= to; v += whole) labels.push_back(int32_t(v));
    return labels;
}

}  // namespace zov
