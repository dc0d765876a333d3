// The Start menu's shortcuts by name: what a Windows user starts by typing
// a program's name into the Start menu.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sys/applications.h"

namespace tarvolin::sys {

// The shortcuts (.lnk) in `folders` and their subfolders, a name found in
// an earlier folder winning; by default the user's Start menu programs,
// then those of every user. Read at the first question, and again when a
// name is not found and they were read two seconds or more before.
std::unique_ptr<Applications> MakeStartMenuApplications(std::vector<std::string> folders = {});

}  // namespace tarvolin::sys
