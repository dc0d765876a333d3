// The settings file's store: INI values read and written one at a time, with
// the results of the Windows profile functions.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarvolin::sys {

// A value read back is cut to this many bytes of the system's encoding, as a
// 255-byte buffer of the Windows call cuts it.
inline constexpr std::size_t kMaxProfileValueBytes = 254;

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // The value of key in section of file, at most kMaxProfileValueBytes;
  // empty when the file, section or key is missing.
  virtual std::string Read(const std::string& section, const std::string& key,
                           const std::string& file) = 0;

  // Writes key=value into section of file, creating the file, section or key
  // as needed and keeping every other line. False when nothing was written.
  virtual bool Write(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) = 0;

  // Writes the keys in this order. A store that can replaces the file once,
  // so that a crash leaves either all the new values or none; the Windows
  // profile functions write one key at a time. False when a key was not
  // written; then `error`, when given, says why if the store knows.
  virtual bool WriteAll(const std::string& section,
                        const std::vector<std::pair<std::string, std::string>>& keys,
                        const std::string& file, std::string* error = nullptr) {
    bool all = true;
    for (const auto& [key, value] : keys) {
      all = Write(section, key, value, file) && all;
    }
    if (!all && error != nullptr) {
      *error = "a key was not written";
    }
    return all;
  }
};

}  // namespace tarvolin::sys
