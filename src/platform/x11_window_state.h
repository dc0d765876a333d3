// Window state Qt does not give on X11 by itself: no task-bar or pager
// entry, and whether a window holds the keyboard focus right now.
#pragma once

#include <string>

class QWidget;

namespace tarvolin::platform::x11 {

// Marks a window that is about to be mapped (call it from showEvent, which
// comes before the map) as having no task-bar or pager entry. The window
// manager drops a window's states when it is withdrawn, so this is needed
// before every showing; Qt keeps the states it finds when it adds its own.
void SkipTaskbar(QWidget* widget);
// Asks the server early for the names SkipTaskbar needs, so that it does
// not wait for them when the window is about to be shown.
void PrepareSkipTaskbar();

// Whether the window holds the keyboard focus, asked of the X server, so a
// focus change Qt has not yet taken in counts too. Elsewhere, Qt's view.
bool HasInputFocus(QWidget* widget);

// Asks the window manager to put the window in front with the keyboard
// focus, as a pager or a task bar does when the user picks a window, with
// the server's time now: a summon is the user's own request, which window
// managers that hold back an application's own requests (focus stealing
// prevention) then grant too. False where there is no X11 window manager
// to ask (the caller then uses Qt's activation).
bool Activate(QWidget* widget);

// A launch the desktop announced with startup notification (`id`, from
// $DESKTOP_STARTUP_ID) ended in this window: the id goes on the window as
// _NET_STARTUP_ID, and the desktop is told to end its launch feedback.
void EndStartup(QWidget* widget, const std::string& id);

// Asks the window manager, as for a mapped window, to keep the window on
// top without a task-bar or pager entry. A window shown again soon after it
// hid may have been mapped before the window manager had let it go, and
// then lose the states it was shown with, which the window manager drops as
// it withdraws a window (KWin and mutter); asked after the map, the states
// hold whatever the window manager's order.
void KeepOnTop(QWidget* widget);

// Whether the window manager frames windows and says by how much
// (_NET_FRAME_EXTENTS among what it supports).
bool WindowManagerTellsFrames();
// Whether the window manager has said how it frames this window.
bool FrameKnown(QWidget* widget);

// Sends the requests made so far, a new window's map among them, now rather
// than when the event loop next waits: the window manager can map the
// window while the program goes on starting.
void Flush();

}  // namespace tarvolin::platform::x11
