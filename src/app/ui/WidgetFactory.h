#pragma once

class QLabel;
class QPushButton;
class QWidget;

namespace zov {

// The windows' labels and buttons: named for the dictionary and the tests, with the built-in
// (UTF-8) caption the dictionary replaces. A button is never a dialog's automatic default: Enter
// in an edit must not press whichever button last had the focus.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption);
QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption);

}  // namespace zov
