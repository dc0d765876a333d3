#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvolin {

// The four user settings, held for the whole run.
struct SettingsState {
  // 1 top left, 2 top right, 3 bottom left, 4 bottom right; any other value
  // is placed as 4.
  std::int16_t CornerCode = 0;
  bool CaseSensitive = false;
  bool AutoUpdate = false;
  // Each entry is "." and one ending, such as ".com".
  std::vector<std::string> WebExtensionList;
};

}  // namespace tarvolin
