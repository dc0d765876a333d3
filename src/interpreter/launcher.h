// The one way the program hands a file, folder or program to the desktop.
#pragma once

#include <string>

#include "platform/shell.h"

namespace tarvolin {

// Opens the target as a double-click would, in the current folder, without
// waiting; a failure is not reported. The shell converts the text to the
// system's encoding.
void RunTarget(platform::Shell& shell, const std::string& target);

}  // namespace tarvolin
