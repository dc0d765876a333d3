// Opening files, folders, programs and web addresses the way the desktop
// does on a double-click.
#pragma once

#include <string>

namespace tarvolin::sys {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the target with the verb "Open", no parameters and no directory, so
  // what starts inherits this process's current directory. Returns at once;
  // a failure to open is not reported.
  virtual void Open(const std::string& target) = 0;
};

}  // namespace tarvolin::sys
