#include "sys/environment.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvolin::sys {

std::optional<std::string> Variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr || name.empty() || name.find('=') != std::string::npos) {
    return std::nullopt;
  }
  return std::string(value);
}

#ifdef _WIN32
std::string HomeFolder() {
  return Variable("USERPROFILE").value_or("");
}

std::string FindOnPath(const std::string&) {
  return {};
}

bool IsExecutableFile(const std::string&) {
  return false;
}
#else
bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string HomeFolder() {
  return Variable("HOME").value_or("/");
}

std::string FindOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) {
    return {};
  }
  const std::string path = Variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
  std::string_view dirs = path;
  while (!dirs.empty()) {
    const std::size_t end = std::min(dirs.find(':'), dirs.size());
    if (end > 0) {
      const std::string candidate = std::string(dirs.substr(0, end)) + "/" + name;
      if (IsExecutableFile(candidate)) {
        return candidate;
      }
    }
    dirs.remove_prefix(std::min(end + 1, dirs.size()));
  }
  return {};
}
#endif

}  // namespace tarvolin::sys
