#include "interpreter/launcher.h"

namespace tarvolin {

void RunTarget(platform::Shell& shell, const std::string& target) {
  shell.Open(target);
}

}  // namespace tarvolin
