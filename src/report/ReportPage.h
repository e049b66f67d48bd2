#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zov {

// One line of a printed report page. Texts are Windows-1252; columns line up because the
// page is printed in a fixed-pitch font.
struct ReportLine {
    std::string text;
    int indent = 0;  // 0: a section title at the left margin; 1: an item
    bool bold = false;
};

// The content of one printed page, laid out by the painter: the title block, then the lines
// counted from the top of the page, then the page footer.
struct ReportPage {
    enum class Orientation { Portrait, Landscape };

    Orientation orientation = Orientation::Portrait;
    int firstLine = 4;  // the line the section title is printed on
    int number = 1;
    int total = 1;
    std::vector<ReportLine> lines;

    // "Pag. n/t".
    std::string Footer() const;
};

// The formatting rules the report pages share.
namespace report_text {

// Hundredths of a volt in their shortest decimal form: 50 -> "0.5", 124 -> "1.24", 300 -> "3".
std::string Volts(int32_t hundredths);
// `label` padded with blanks to `width` characters, followed by `value`.
std::string Item(const std::string& label, size_t width, const std::string& value);
// `label` padded to `labelWidth`, then each value right-aligned in `cellWidth` characters.
std::string Row(const std::string& label, size_t labelWidth, const std::vector<std::string>& cells,
                size_t cellWidth);
std::string Number(int32_t value);
std::vector<std::string> Numbers(const int32_t* values, int count);

}  // namespace report_text

}  // namespace zov
