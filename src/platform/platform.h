// Everything the program asks of the system and the window toolkit.
#pragma once

#include "platform/filesystem.h"
#include "platform/http.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/tray.h"
#include "platform/ui.h"

namespace tarvolin::platform {

struct Platform {
  Toolkit& ui;
  FileSystem& files;
  ProfileStore& profile;
  Shell& shell;
  System& system;
  // Services a run can do without: with no HTTP client nothing goes online;
  // with no tray the bar never hides, since nothing would bring it back.
  HttpClient* http = nullptr;
  Tray* tray = nullptr;
};

}  // namespace tarvolin::platform
