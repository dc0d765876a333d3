#include "sys/environment.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "sys/text.h"

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tarvolin::sys {

namespace {

class Process final : public Environment {
 public:
  std::optional<std::string> Variable(const std::string& name) const override;
};

std::optional<std::string> Process::Variable(const std::string& name) const {
  if (name.empty() || name.find('=') != std::string::npos) {
    return std::nullopt;
  }
#ifdef _WIN32
  const wchar_t* value = ::_wgetenv(ToWide(name).c_str());
  if (value == nullptr) {
    return std::nullopt;
  }
  return FromWide(value);
#else
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) {
    return std::nullopt;
  }
  return std::string(value);
#endif
}

}  // namespace

const Environment& ProcessEnvironment() {
  static const Process process;
  return process;
}

std::optional<std::string> FixedEnvironment::Variable(const std::string& name) const {
  const auto found = variables_.find(name);
  return found == variables_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::optional<std::string> Variable(const std::string& name) {
  return ProcessEnvironment().Variable(name);
}

std::string HomeFolder() {
  return ProcessEnvironment().HomeFolder();
}

std::string FindOnPath(const std::string& name) {
  return ProcessEnvironment().FindOnPath(name);
}

namespace {

// Paths inside the program are UTF-8; a path made from a plain string would
// read them in the system's code page on Windows.
std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Where packages and installers put programs: never written, not even when
// the user may (root, or an administrator).
bool InstalledFolder(const std::string& folder) {
#ifdef _WIN32
  const std::string lowered = LowerAscii(folder);
  for (const char* name : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
    const std::string base = LowerAscii(Variable(name).value_or(""));
    if (!base.empty() && (lowered == base || lowered.rfind(base + "\\", 0) == 0)) {
      return true;
    }
  }
  return false;
#else
  return folder == "/usr" || folder.rfind("/usr/", 0) == 0;
#endif
}

}  // namespace

std::string SettingsFolder(const std::string& programFolder) {
  namespace fs = std::filesystem;
  const bool system = InstalledFolder(programFolder);
  if (!system && !programFolder.empty()) {
#ifdef _WIN32
    // Only writing tells: access rights on Windows are not the permission
    // bits that the C library reports.
    const fs::path probe = PathOf(programFolder) / ".tarvolin-write-test";
    if (std::ofstream(probe).is_open()) {
      std::error_code ec;
      fs::remove(probe, ec);
      return programFolder;
    }
#else
    // The kernel answers for permission bits, ACLs and read-only mounts
    // without a file written at every start.
    if (::access(programFolder.c_str(), W_OK) == 0) {
      return programFolder;
    }
#endif
  }
#ifdef _WIN32
  const fs::path base = PathOf(Variable("APPDATA").value_or(HomeFolder()));
  const fs::path folder = base / "Tarvolin";
#else
  const std::string config = Variable("XDG_CONFIG_HOME").value_or("");
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  const fs::path base =
      !config.empty() && config[0] == '/' ? PathOf(config) : PathOf(HomeFolder()) / ".config";
  const fs::path folder = base / "tarvolin";
#endif
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::u8string utf8 = folder.u8string();
  return std::string(utf8.begin(), utf8.end());
}

Folders ChooseFolders(const std::string& programFolder) {
  Folders folders{SettingsFolder(programFolder), programFolder};
  if (folders.settings != programFolder) {
    folders.work = HomeFolder();
  }
  return folders;
}

#ifdef _WIN32
std::string Environment::HomeFolder() const {
  return Variable("USERPROFILE").value_or("");
}

std::string Environment::FindOnPath(const std::string&) const {
  return {};
}

bool IsExecutableFile(const std::string&) {
  return false;
}

std::vector<std::string> Environment::ProgramsOnPath() const {
  return {};
}

std::string Environment::ProgramsStamp() const {
  return {};
}
#else
std::string Environment::ProgramsStamp() const {
  const std::string path = Variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
  std::string stamp = path;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    struct stat about {};
    if (end > start && ::stat(path.substr(start, end - start).c_str(), &about) == 0) {
      stamp += ":" + std::to_string(about.st_mtim.tv_sec) + "." +
               std::to_string(about.st_mtim.tv_nsec) + "/" + std::to_string(about.st_ino);
    }
    start = end + 1;
  }
  return stamp;
}

std::vector<std::string> Environment::ProgramsOnPath() const {
  std::vector<std::string> names;
  const std::string path = Variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    if (DIR* dir = end > start ? ::opendir(path.substr(start, end - start).c_str()) : nullptr) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." &&
            IsExecutableFile(path.substr(start, end - start) + "/" + name)) {
          names.push_back(name);
        }
      }
      ::closedir(dir);
    }
    start = end + 1;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string Environment::HomeFolder() const {
  return Variable("HOME").value_or("/");
}

std::string Environment::FindOnPath(const std::string& name) const {
  if (name.empty() || name.find('/') != std::string::npos) {
    return {};
  }
  const std::string path = Variable("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
  std::string_view dirs = path;
  while (!dirs.empty()) {
    const std::size_t end = std::min(dirs.find(':'), dirs.size());
    if (end > 0) {
      std::string candidate = std::string(dirs.substr(0, end)) + "/" + name;
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
