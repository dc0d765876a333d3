// Everything the program asks of the system and the window toolkit.
#pragma once

#include "platform/filesystem.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/ui.h"

namespace tarvolin::platform {

struct Platform {
  Toolkit& ui;
  FileSystem& files;
  ProfileStore& profile;
  Shell& shell;
  System& system;
};

}  // namespace tarvolin::platform
