#include "sys/windows/windows_shell.h"

#include <windows.h>

#include <shellapi.h>  // after <windows.h>, which it needs

#include "sys/text.h"

namespace tarvolin::sys {

void WindowsShell::Open(const std::string& target) {
  const std::string file = ToSystemText(target);
  // A failure (32 or less) is not reported: the caller counts the command as
  // carried out either way.
  ::ShellExecuteA(nullptr, "Open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tarvolin::sys
