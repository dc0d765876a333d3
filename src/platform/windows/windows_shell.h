// Opening targets through the shell: ShellExecuteA with the verb "Open".
#pragma once

#include <string>

#include "platform/shell.h"

namespace tarvolin::platform {

class WindowsShell : public Shell {
 public:
  // No owner window, no parameters, no directory (what starts inherits this
  // process's current directory), shown normally; the result is ignored.
  void Open(const std::string& target) override;
};

}  // namespace tarvolin::platform
