// sway's own commands, through its IPC socket. sway places floating X11
// windows itself (a window's own moves are answered by centring it) and
// only marks a window that asks for the focus; a command the user could
// type in sway's configuration is carried out. Elsewhere nothing happens.
#pragma once

#include <string>

namespace tarvolin::platform::sway {

// Whether the bar runs under sway: $SWAYSOCK names its socket.
bool Running();

// Runs `command` for the X11 window `window` ("[id=N] command"); true when
// sway carried it out.
bool Command(unsigned long window, const std::string& command);

// Whether a key of sway's configuration runs `command` (bindsym or
// bindcode ... exec command).
bool BindsCommand(const std::string& command);

}  // namespace tarvolin::platform::sway
