// Opening targets on a desktop without ShellExecute: an executable file is
// started directly; web addresses and everything else go to the desktop's
// opener. Never through a shell.
#pragma once

#include <string>
#include <vector>

#include "sys/filesystem.h"
#include "sys/shell.h"

namespace tarvolin::sys {

class PosixShell : public Shell {
 public:
  // `opener` is the program (found on PATH) that opens documents, folders
  // and web addresses.
  explicit PosixShell(const FileSystem& files, std::string opener = "xdg-open");
  void Open(const std::string& target) override;

 private:
  const FileSystem& files_;
  std::string opener_;
};

// Starts the program with the given arguments, detached, in the current
// directory, without a shell; no child is left as a zombie. False when the
// program could not be started.
bool SpawnDetached(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace tarvolin::sys
