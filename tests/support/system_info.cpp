#include "support/system_info.h"

#ifdef _WIN32
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
