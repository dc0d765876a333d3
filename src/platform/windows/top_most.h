// The command bar above all ordinary windows, through SetWindowPos.
#pragma once

namespace tarvolin::platform {

// Makes the window (an HWND) top-most, keeping its size and position:
// SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE).
// The result is not checked.
void MakeTopMost(void* nativeWindowHandle);

}  // namespace tarvolin::platform
