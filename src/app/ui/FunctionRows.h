#pragma once

#include <span>

class QLabel;
class QPushButton;
class QWidget;

namespace zov {

// One row of a function menu: the key's button, the text beside it, and the number n of the
// "Shape<n>"/"Label<n>" click areas over the gap and the text.
struct FunctionRow {
    QPushButton* button;
    QLabel* text;
    int number;
};

// Where the rows ended up, in the parent's pixels.
struct FunctionRowsExtent {
    int textRight = 0;     // right edge of the widest text
    int buttonBottom = 0;  // bottom edge of the last button
};

// The function menus' rows (the main window's and the ECU management menu's) share one design,
// laid out for an 800 pixel wide screen and scaled as the window is: buttons 56 × 36 at 40 from
// the left, one every 50 from `designTop` down, the last row (Esc) 20 further apart, the texts
// 16 right of the buttons and centred on them. The click areas are raised over the texts.
FunctionRowsExtent PlaceFunctionRows(QWidget& parent, std::span<const FunctionRow> rows, int designTop,
                                     double scale);

// The bottom edge of the last button of `rows` rows starting at `designTop`, in design pixels.
int FunctionRowsDesignBottom(int designTop, int rows);

}  // namespace zov
