// Where the update server is, and the bounds of every request made to it.
#pragma once

#include <cstddef>
#include <string>

#include "bar/bar_state.h"
#include "platform/profile.h"

namespace tarvolin {

// The base address built into the program: TARVOLIN_UPDATE_SERVER at
// configure time, by default a name under the reserved .invalid domain, so
// that a build nobody pointed anywhere sends nothing.
extern const char* const kDefaultUpdateServer;

// The update server's base address: the key "UpdateServer" of section
// "Tarvolin" in the settings file when it holds a value, otherwise the
// built-in default; always ending in "/", so that the server's paths can be
// put right behind it. The program only reads that key, never writes it.
std::string UpdateServerBase(platform::ProfileStore& profile, const std::string& iniPath);

// What the online services need to know besides the program's state.
struct OnlineConfig {
  std::string baseAddress;  // ends in "/"
  ProgramVersion version = kProgramVersion;
  // Every request is given up after this time, and its answer is not read
  // past this size: the bar never waits and never fills up on a bad server.
  int timeoutMs = 10000;
  std::size_t maxBytes = 64 * 1024;
};

}  // namespace tarvolin
