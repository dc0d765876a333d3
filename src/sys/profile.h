// The settings file's store: INI values read and written one at a time, with
// the results of the Windows profile functions.
#pragma once

#include <string>

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
};

}  // namespace tarvolin::sys
