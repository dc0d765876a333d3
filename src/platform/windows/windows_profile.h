// The profile functions of Windows themselves: GetPrivateProfileStringA and
// WritePrivateProfileStringA, straight through. Texts are in the ANSI code
// page already: ReadIniValue and WriteIniValue convert at their edge.
#pragma once

#include <string>

#include "platform/profile.h"

namespace tarvolin::platform {

class WindowsProfileStore : public ProfileStore {
 public:
  int GetPrivateProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, char* buffer, int size,
                              const std::string& fileName) override;
  int WritePrivateProfileString(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& fileName) override;
};

}  // namespace tarvolin::platform
