// An INI store with the results of the Windows profile functions, for systems
// that lack them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sys/profile.h"

namespace tarvolin::sys {

class IniStore : public ProfileStore {
 public:
  std::string Read(const std::string& section, const std::string& key,
                   const std::string& file) override;
  bool Write(const std::string& section, const std::string& key, const std::string& value,
             const std::string& file) override;
  // All the keys in one replacement of the file: all of them or none.
  bool WriteAll(const std::string& section,
                const std::vector<std::pair<std::string, std::string>>& keys,
                const std::string& file, std::string* error = nullptr) override;
};

// The key lines of one section, in file order, as (name, value) pairs read by
// the same rules as a single value. False when the file or section is missing.
bool ReadIniSection(const std::string& fileName, const std::string& section,
                    std::vector<std::pair<std::string, std::string>>* keys);

}  // namespace tarvolin::sys
