// The profile functions of Windows themselves, GetPrivateProfileStringA and
// WritePrivateProfileStringA, with the texts in the ANSI code page.
#pragma once

#include "sys/profile.h"

namespace tarvolin::sys {

class WindowsProfileStore : public ProfileStore {
 public:
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& file) override;
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             const std::string& file) override;
};

}  // namespace tarvolin::sys
