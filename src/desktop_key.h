// The summoning key where the bar cannot grab it (a Wayland session): a
// custom shortcut in GNOME's keyboard settings that runs
// `tarvolin --toggle`, written and taken back through gsettings.
#pragma once

#include <string>

namespace tarvolin {

// Binds `key` to `command` as GNOME's custom shortcut "Tarvolin", replacing
// the one an earlier call made. 0 when done; otherwise says why on stderr.
int BindGnomeKey(const std::string& key, const std::string& command);
// Takes that shortcut back; 0 when done or none was there.
int UnbindGnomeKey();
// Whether a custom shortcut of GNOME's keyboard settings has a key and runs
// a command holding `command`.
bool GnomeKeyRuns(const std::string& command);

}  // namespace tarvolin
