#include "support/system_info.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace tarvolin::testing {

#ifdef _WIN32
bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

unsigned AnsiCodePage() {
  return ::GetACP();
}
#else
bool RunningUnderWine() {
  return false;
}

unsigned AnsiCodePage() {
  return 0;
}
#endif

}  // namespace tarvolin::testing
