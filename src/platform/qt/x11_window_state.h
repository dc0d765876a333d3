// Window states that Qt does not set on X11 by itself. Each call does
// nothing on other window systems.
#pragma once

class QWidget;

namespace tarvolin::platform::x11 {

// Marks a window that is about to be shown as having no task-bar or pager
// entry.
void PrepareSkipTaskbar(QWidget* widget);
// Asks the window manager to drop a shown window's task-bar and pager entry.
void RequestSkipTaskbar(QWidget* widget);
// Asks the window manager to keep a shown window above ordinary windows.
void RequestAbove(QWidget* widget);

}  // namespace tarvolin::platform::x11
