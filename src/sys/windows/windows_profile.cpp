#include "sys/windows/windows_profile.h"

#include <windows.h>

#include "sys/text.h"

namespace tarvolin::sys {

std::string WindowsProfileStore::Read(const std::string& section, const std::string& key,
                                      const std::string& file) {
  char buffer[kMaxProfileValueBytes + 1] = {};
  const DWORD count =
      ::GetPrivateProfileStringA(ToSystemText(section).c_str(), ToSystemText(key).c_str(), "",
                                 buffer, sizeof buffer, ToSystemText(file).c_str());
  return FromSystemText(std::string(buffer, count < sizeof buffer ? count : sizeof buffer - 1));
}

bool WindowsProfileStore::Write(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& file) {
  return ::WritePrivateProfileStringA(ToSystemText(section).c_str(), ToSystemText(key).c_str(),
                                      ToSystemText(value).c_str(), ToSystemText(file).c_str()) != 0;
}

}  // namespace tarvolin::sys
