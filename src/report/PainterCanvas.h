#pragma once

#include <QFont>

#include "IoBaseData.h"

class QPainter;

namespace zov {

// The model's report canvas on a QPainter. Canvas units are 1/600 inch (the printers the reports
// were laid out for), scaled to the device; a text's position is the top of its line, as on those
// printers, not its baseline.
class PainterCanvas : public ReportCanvas {
  public:
    static constexpr double kUnitsPerInch = 600.0;

    explicit PainterCanvas(QPainter& painter);

    void SetFont(const Font& font) override;
    void TextOut(int x, int y, const std::string& text) override;

    // Canvas units to device pixels.
    double Scale() const { return scale_; }
    // A fixed-pitch font of the named family, falling back to the system's fixed-pitch font.
    static QFont MakeFont(const Font& font);

  private:
    QPainter& painter_;
    double scale_;
};

}  // namespace zov
