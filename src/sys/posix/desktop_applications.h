// The desktop's applications: their desktop entries, read with GLib's key
// files, started as the desktop's own menus start them (field codes, a
// terminal, D-Bus activation).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sys/applications.h"

namespace tarvolin::sys {

// The entries are read at the first question, and again when a name is not
// found, they were read more than two seconds before and a folder of
// entries changed (an application installed since). Shown entries only:
// not hidden, not NoDisplay, meant for this desktop, their TryExec and Exec
// programs installed; regular files only, each folder walked once.
std::unique_ptr<Applications> MakeDesktopApplications();

// An entry's Exec words with its field codes filled in, no files given: %f,
// %F, %u, %U (and the old %d, %D, %n, %N, %v, %m) go, %i gives --icon and
// the icon, %c the name, %k the entry's file, %% a percent sign.
std::vector<std::string> ExecArguments(const std::vector<std::string>& exec,
                                       const std::string& name, const std::string& icon,
                                       const std::string& file);

}  // namespace tarvolin::sys
