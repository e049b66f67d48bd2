#pragma once

#include <initializer_list>

class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

// The editor pages' controls made alike: named as the window's components, value edits of one
// width with their numbers to the right.
namespace zov::editor_widgets {

constexpr int kPageMargin = 18;

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption);
QLineEdit* MakeEdit(QWidget* parent, const char* name);
QComboBox* MakeCombo(QWidget* parent, const char* name, std::initializer_list<const char*> items);
QWidget* MakePage(const char* name);
// An edit the user types into, or a read-only one in the button-face colour that the keyboard
// passes by.
void SetLook(QLineEdit* edit, bool editable);

}  // namespace zov::editor_widgets
