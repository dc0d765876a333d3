#include "sys/filesystem.h"

namespace tarvolin::sys {

std::string FileInFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) {
    return name;
  }
#ifdef _WIN32
  const bool endsWithSeparator = folder.back() == '\\' || folder.back() == '/';
  const char* separator = "\\";
#else
  const bool endsWithSeparator = folder.back() == '/';
  const char* separator = "/";
#endif
  return endsWithSeparator ? folder + name : folder + separator + name;
}

}  // namespace tarvolin::sys
