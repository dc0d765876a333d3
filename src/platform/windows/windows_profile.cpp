#include "platform/windows/windows_profile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// <windows.h> maps these names to the A or W function; here they are the
// names of our own methods, and the A functions are called by their names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

namespace tarvolin::platform {

int WindowsProfileStore::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& defaultValue, char* buffer,
                                                 int size, const std::string& fileName) {
  if (buffer == nullptr || size <= 0) {
    return 0;
  }
  return static_cast<int>(::GetPrivateProfileStringA(section.c_str(), key.c_str(),
                                                     defaultValue.c_str(), buffer,
                                                     static_cast<DWORD>(size), fileName.c_str()));
}

int WindowsProfileStore::WritePrivateProfileString(const std::string& section,
                                                   const std::string& key, const std::string& value,
                                                   const std::string& fileName) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      fileName.c_str());
}

}  // namespace tarvolin::platform
