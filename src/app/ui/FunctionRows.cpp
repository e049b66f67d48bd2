#include "FunctionRows.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace zov {
namespace {

constexpr int kButtonLeft = 40;
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 36;
constexpr int kButtonPitch = 50;
constexpr int kEscGap = 20;  // extra space above the last row
constexpr int kLabelGap = 16;

}  // namespace

int FunctionRowsDesignBottom(int designTop, int rows) {
    return designTop + (rows - 1) * kButtonPitch + kEscGap + kButtonHeight;
}

FunctionRowsExtent PlaceFunctionRows(QWidget& parent, std::span<const FunctionRow> rows, int designTop,
                                     double scale) {
    const auto S = [scale](int designPixels) { return int(std::lround(designPixels * scale)); };
    FunctionRowsExtent extent;
    int top = designTop;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i + 1 == rows.size()) top += kEscGap;
        const FunctionRow& row = rows[i];
        const int buttonTop = S(top);
        const int buttonHeight = S(kButtonHeight);
        const int buttonRight = S(kButtonLeft + kButtonWidth);
        row.button->setGeometry(S(kButtonLeft), buttonTop, S(kButtonWidth), buttonHeight);
        row.text->adjustSize();
        const int textLeft = S(kButtonLeft + kButtonWidth + kLabelGap);
        row.text->move(textLeft, buttonTop + (buttonHeight - row.text->height()) / 2);
        auto* shape = parent.findChild<QLabel*>(QStringLiteral("Shape%1").arg(row.number));
        auto* number = parent.findChild<QLabel*>(QStringLiteral("Label%1").arg(row.number));
        shape->setGeometry(buttonRight, buttonTop, textLeft - buttonRight, buttonHeight);
        number->setGeometry(textLeft, buttonTop, row.text->width(), buttonHeight);
        shape->raise();
        number->raise();
        extent.textRight = std::max(extent.textRight, textLeft + row.text->width());
        extent.buttonBottom = buttonTop + buttonHeight;
        top += kButtonPitch;
    }
    return extent;
}

}  // namespace zov
