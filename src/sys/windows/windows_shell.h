// Opening targets through the shell: ShellExecuteA with the verb "Open".
#pragma once

#include "sys/shell.h"

namespace tarvolin::sys {

class WindowsShell : public Shell {
 public:
  // No owner window, no parameters, no directory (what starts inherits this
  // process's current directory), shown normally.
  std::string Open(const std::string& target, const std::string& folder) override;
  // The arguments are joined, each in double quotes where it holds a blank.
  std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder) override;
};

}  // namespace tarvolin::sys
