#include "online/update_server.h"

#include "settings/settings_file.h"

#ifndef TARVOLIN_UPDATE_SERVER
#define TARVOLIN_UPDATE_SERVER "http://updates.tarvolin.invalid/"
#endif

namespace tarvolin {

const char* const kDefaultUpdateServer = TARVOLIN_UPDATE_SERVER;

std::string UpdateServerBase(platform::ProfileStore& profile, const std::string& iniPath) {
  std::string base = ReadIniValue(profile, kSettingsSection, "UpdateServer", iniPath);
  if (base.empty()) {
    base = kDefaultUpdateServer;
  }
  if (base.empty() || base.back() != '/') {
    base += '/';
  }
  return base;
}

}  // namespace tarvolin
