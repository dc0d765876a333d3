#include "platform/windows/top_most.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tarvolin::platform {

void MakeTopMost(void* nativeWindowHandle) {
  ::SetWindowPos(static_cast<HWND>(nativeWindowHandle), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

}  // namespace tarvolin::platform
