// The frame a window will get from the window system, known before the
// window is first shown.
#pragma once

#include <QMargins>
#include <Qt>

namespace tarvolin::platform {

// The frame (left, top, right, bottom, in pixels) that a fixed-size
// top-level window with these flags will be given, found out with a window
// of the same kind that is never shown. Under X11 the window manager is
// asked (zero margins without one that answers); elsewhere the platform
// knows its frames as soon as a window exists.
QMargins EstimateFrameMargins(Qt::WindowFlags flags);

}  // namespace tarvolin::platform
