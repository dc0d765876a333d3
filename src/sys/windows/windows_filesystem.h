// The file system through the Win32 calls themselves: drive paths are the
// system's own, so there is no drive map.
#pragma once

#include <string>

#include "sys/filesystem.h"

namespace tarvolin::sys {

class WindowsFileSystem : public FileSystem {
 public:
  explicit WindowsFileSystem(std::string programFolder);

  // The folder of the running executable, from its module file name.
  static std::string ExecutableFolder();

  // FindFirstFileA and FindNextFileA; a pattern ending in a separator
  // searches the folder's contents, as if "*" followed.
  std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) override;
  std::vector<std::string> ListFolder(const std::string& folder) const override;
  EntryKind WhatIsHere(const std::string& path) const override;
  std::string ProgramFolder() const override { return programFolder_; }
  // Drive paths are already the system's own.
  std::string NativePath(const std::string& path) const override { return path; }

 private:
  std::string programFolder_;
};

}  // namespace tarvolin::sys
