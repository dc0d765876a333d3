// Opening targets on a desktop without ShellExecute: an executable file is
// started directly; web addresses and everything else go to the desktop's
// opener. Never through a shell.
#pragma once

#include <sys/types.h>

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
  // An executable file starts directly only when it is a program (an ELF
  // binary or a "#!" script); other files, folders and web addresses go to
  // the opener.
  std::string Open(const std::string& target, const std::string& folder) override;
  std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder) override;
  // In the terminal TerminalCommand names; told when there is none.
  std::string StartInTerminal(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& folder) override;
  // The opener runs as this process's child until it ends: its status
  // tells whether it could open the target.
  std::vector<std::string> FailedOpenings() override;
  bool Watching() const override { return !openers_.empty(); }

 private:
  std::string Opener(const std::string& argument, const std::string& folder);

  struct Opening {
    pid_t pid;
    std::string target;
  };
  const FileSystem& files_;
  std::string opener_;
  std::vector<Opening> openers_;
};

// What a failed terminal start says when no terminal was found.
inline constexpr char kNoTerminalText[] =
    "There is no terminal to run it in: set TERMINAL to your terminal program.";

// The user's terminal as the start of a command line that runs a program in
// it: $TERMINAL (with the options it names), else x-terminal-emulator, else
// the first of the desktops' own terminals that is installed, each with the
// option after which the program and its arguments follow. Empty when none
// is installed.
std::vector<std::string> TerminalCommand();

// Starts the program at `path` with the given arguments, detached, in
// `folder` (the current one when empty), without a shell; no child is left
// as a zombie. Empty text when it started, else why not.
std::string SpawnDetached(const std::string& path, const std::vector<std::string>& arguments,
                          const std::string& folder);

// The same, but the program stays this process's child, its id in
// `*watched`, for the caller to wait for; with null, SpawnDetached.
std::string Spawn(const std::string& path, const std::vector<std::string>& arguments,
                  const std::string& folder, pid_t* watched);

}  // namespace tarvolin::sys
