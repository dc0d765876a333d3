// Opening targets through the shell: ShellExecuteA with the verb "Open".
#pragma once

#include <string>

#include "sys/shell.h"

namespace tarvolin::sys {

class WindowsShell : public Shell {
 public:
  // No owner window, no parameters, no directory (what starts inherits this
  // process's current directory), shown normally; the result is ignored.
  void Open(const std::string& target) override;
};

}  // namespace tarvolin::sys
