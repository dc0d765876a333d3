// The profile (INI file) functions, with the results of the Windows ones.
#pragma once

#include <string>

namespace tarvolin::platform {

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // Copies the value of key in section of fileName (or `defaultValue` when the
  // file, section or key is missing) into buffer, cut to size - 1 characters
  // and ended with a 0 character; returns the count of characters copied,
  // without the 0.
  virtual int GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, char* buffer, int size,
                                      const std::string& fileName) = 0;

  // Writes key=value into section of fileName, creating the file, section or
  // key as needed and keeping every other line. Non-zero on success.
  virtual int WritePrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& value, const std::string& fileName) = 0;
};

}  // namespace tarvolin::platform
