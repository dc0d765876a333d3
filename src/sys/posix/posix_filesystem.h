// The file system on systems without drive letters: a drive map names the
// folder each letter stands for, and names are looked up without regard to
// case, as on Windows.
#pragma once

#include <map>
#include <string>

#include "sys/filesystem.h"

namespace tarvolin::sys {

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(std::string programFolder);

  // The folder of the running executable (links resolved).
  static std::string ExecutableFolder();

  std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) override;
  std::vector<std::string> ListFolder(const std::string& folder) const override;
  EntryKind WhatIsHere(const std::string& path) const override;
  std::string ProgramFolder() const override { return programFolder_; }
  std::string NativePath(const std::string& path) const override;
  void LoadDriveMap(const std::string& iniPath) override;
  std::string DrivePathOf(const std::string& nativePath) const override;

  // Letters are lower case; folders are the system's paths.
  void SetDriveMap(std::map<char, std::string> drives) { drives_ = std::move(drives); }
  const std::map<char, std::string>& DriveMap() const { return drives_; }

 private:
  std::string programFolder_;
  std::map<char, std::string> drives_{{'c', "/"}};
};

}  // namespace tarvolin::sys
