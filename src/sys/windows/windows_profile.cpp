#include "sys/windows/windows_profile.h"

#include <windows.h>

#include "sys/text.h"

namespace tarvolin::sys {

std::string WindowsProfileStore::Read(const std::string& section, const std::string& key,
                                      const std::string& file) {
  wchar_t buffer[kMaxProfileValueBytes + 1] = {};
  constexpr DWORD kSize = sizeof buffer / sizeof buffer[0];
  const DWORD count = ::GetPrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(), L"",
                                                 buffer, kSize, ToWide(file).c_str());
  return FromWide(std::wstring(buffer, count < kSize ? count : kSize - 1));
}

bool WindowsProfileStore::Write(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& file) {
  return ::WritePrivateProfileStringW(ToWide(section).c_str(), ToWide(key).c_str(),
                                      ToWide(value).c_str(), ToWide(file).c_str()) != 0;
}

}  // namespace tarvolin::sys
