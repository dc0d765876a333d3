#include "platform/windows/windows_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tarvolin::platform {

double WindowsSystem::SecondsSinceMidnight() const {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

void WindowsSystem::EndProcess() {
  ::ExitProcess(0);
}

}  // namespace tarvolin::platform
