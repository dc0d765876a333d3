// A window state Qt does not set on X11 by itself: no task-bar or pager
// entry. Does nothing on other window systems.
#pragma once

class QWidget;

namespace tarvolin::ui::x11 {

// Marks a window that is about to be mapped (call it from showEvent, which
// comes before the map) as having no task-bar or pager entry. The window
// manager drops a window's states when it is withdrawn, so this is needed
// before every showing; Qt keeps the states it finds when it adds its own.
void SkipTaskbar(QWidget* widget);

}  // namespace tarvolin::ui::x11
