// The desktop's applications through GIO: their desktop entries, read and
// launched the way the desktop's own menus do it (field codes, D-Bus
// activation, startup notification).
#pragma once

#include <memory>

#include "sys/applications.h"

namespace tarvolin::sys {

// The entries are read at the first question, and again when a name is not
// found and they were read more than two seconds before (an application
// installed since). Shown entries only: not hidden, not NoDisplay, meant
// for this desktop, their TryExec and Exec programs installed.
std::unique_ptr<Applications> MakeDesktopApplications();

}  // namespace tarvolin::sys
