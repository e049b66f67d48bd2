#include "PainterCanvas.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include "Cp1252.h"

namespace zov {

PainterCanvas::PainterCanvas(QPainter& painter)
    : painter_(painter), scale_(painter.device()->logicalDpiY() / kUnitsPerInch) {
    painter_.setPen(Qt::black);
}

QFont PainterCanvas::MakeFont(const Font& font) {
    QFont f(QString::fromStdString(font.name));
    // Columns are made of blanks: the font must be fixed-pitch whatever the machine has.
    f.setStyleHint(QFont::TypeWriter, QFont::PreferDefault);
    f.setFixedPitch(true);
    f.setPointSize(font.size);
    f.setBold(font.bold);
    f.setUnderline(font.underline);
    return f;
}

void PainterCanvas::SetFont(const Font& font) { painter_.setFont(MakeFont(font)); }

void PainterCanvas::TextOut(int x, int y, const std::string& text) {
    const QFontMetricsF metrics(painter_.font(), painter_.device());
    painter_.drawText(QPointF(x * scale_, y * scale_ + metrics.ascent()),
                      QString::fromStdString(cp1252::ToUtf8(text)));
}

}  // namespace zov
