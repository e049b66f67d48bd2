#include "ReportPage.h"

#include <cstdlib>

namespace zov {

std::string ReportPage::Footer() const {
    return "Pag. " + std::to_string(number) + "/" + std::to_string(total);
}

namespace report_text {

std::string Volts(int32_t hundredths) {
    const int64_t magnitude = std::llabs(int64_t(hundredths));
    std::string text = (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100);
    const int64_t fraction = magnitude % 100;
    if (fraction == 0) return text;
    const std::string digits = fraction < 10 ? "0" + std::to_string(fraction) : std::to_string(fraction);
    return text + "." + (digits[1] == '0' ? digits.substr(0, 1) : digits);
}

std::string Item(const std::string& label, size_t width, const std::string& value) {
    std::string line = label;
    if (line.size() < width) line.append(width - line.size(), ' ');
    return line + value;
}

std::string Row(const std::string& label, size_t labelWidth, const std::vector<std::string>& cells,
                size_t cellWidth) {
    std::string line = Item(label, labelWidth, "");
    for (const std::string& cell : cells) {
        // A value wider than its cell still keeps one blank before it.
        const size_t pad = cell.size() < cellWidth ? cellWidth - cell.size() : 1;
        line.append(pad, ' ');
        line += cell;
    }
    return line;
}

std::string Number(int32_t value) { return std::to_string(value); }

std::vector<std::string> Numbers(const int32_t* values, int count) {
    std::vector<std::string> cells;
    for (int i = 0; i < count; ++i) cells.push_back(std::to_string(values[i]));
    return cells;
}

}  // namespace report_text

}  // namespace zov
