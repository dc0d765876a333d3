// The file system as the program sees it: paths in drive-letter form
// (C:\Games\run.exe) or, for the program's own folder, the system's form.
#pragma once

#include <string>
#include <vector>

#include "sys/environment.h"

namespace tarvolin::sys {

// Attribute bits of a directory search, valued as the Windows ones.
enum Attribute : unsigned {
  kAttrNormal = 0,
  kAttrReadOnly = 1,
  kAttrHidden = 2,
  kAttrSystem = 4,
  kAttrDirectory = 16,
};

enum class EntryKind { kNothing, kFile, kFolder };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The name of the first directory entry that matches the pattern, or empty
  // text when none does. Wildcards * and ? may stand in the last name; a
  // pattern ending in a separator lists that folder's contents. Entries that
  // are neither hidden, system nor folders always match; the others only
  // when their kind is in `attributes`.
  virtual std::string FirstMatchingEntry(const std::string& pattern, unsigned attributes) = 0;

  // The names in a folder (a drive path or the system's own), without "."
  // and "..", in byte order; empty when it cannot be read.
  virtual std::vector<std::string> ListFolder(const std::string& folder) const = 0;

  // What a path (a drive path or the system's own) names: nothing, a file
  // or a folder. Hidden entries count, unlike in a directory search.
  virtual EntryKind WhatIsHere(const std::string& path) const = 0;

  // The folder that holds the running executable, in the system's form,
  // without a trailing separator.
  virtual std::string ProgramFolder() const = 0;

  // The system's own path for a program path: drive paths go through the
  // drive map where the system has no drive letters; other paths are kept.
  // Empty when the drive letter is not mapped.
  virtual std::string NativePath(const std::string& path) const = 0;

  // The program path for a system path: where the system has no drive
  // letters, the drive whose folder holds it (the longest match), with "\"
  // between names; a path outside every drive comes back as it is.
  virtual std::string DrivePathOf(const std::string& nativePath) const { return nativePath; }

  // Reads the drive map from the settings file where the system needs one.
  virtual void LoadDriveMap(const std::string& iniPath) { (void)iniPath; }

  // The environment paths are read in: the variables a line may name, the
  // home folder that ~ stands for, the folders of PATH. The process's own
  // unless another is given; it must outlive this object.
  const Environment& Env() const { return *environment_; }
  void UseEnvironment(const Environment& environment) { environment_ = &environment; }

 private:
  const Environment* environment_ = &ProcessEnvironment();
};

// The program folder joined with a file name, as "folder\name" on Windows
// and "folder/name" elsewhere.
std::string FileInFolder(const std::string& folder, const std::string& name);

}  // namespace tarvolin::sys
