#pragma once

class QWidget;

namespace zov {

// The window a progress or question window belongs over. While a modal window runs (the vehicle
// archive over the main window, say), a window parented to the one below it opens behind the
// modal one, where nobody sees it move; so the modal window on top is its parent, and
// `starter` only when nothing modal is open.
QWidget* WindowAbove(QWidget* starter);

}  // namespace zov
