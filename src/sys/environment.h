// The process environment as the command line uses it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvolin::sys {

// The value of an environment variable; nothing when it is not set.
std::optional<std::string> Variable(const std::string& name);

// The user's home folder: $HOME (%USERPROFILE% on Windows).
std::string HomeFolder();

// Where tv.ini and files.cfg live: the program's folder when the user may
// write there (a portable copy), else the user's configuration folder,
// $XDG_CONFIG_HOME/tarvolin or ~/.config/tarvolin (%APPDATA%\Tarvolin on
// Windows), created when missing. A folder under /usr (on Windows, under
// Program Files), where packages put programs, is never written, not even
// by root.
std::string SettingsFolder(const std::string& programFolder);

// Where the program's files live and where commands start: a portable copy
// (its settings beside it) starts them in its own folder, an installed one
// in the user's home.
struct Folders {
  std::string settings;
  std::string work;
};
Folders ChooseFolders(const std::string& programFolder);

// The program a bare name stands for: the first executable regular file of
// that name in PATH's folders (empty entries, the current folder, skipped).
// Empty when there is none, and always on Windows, where the Windows folders
// play this role.
std::string FindOnPath(const std::string& name);

// The names of the programs in PATH's folders, sorted, each once. Empty on
// Windows.
std::vector<std::string> ProgramsOnPath();

// Whether the file at a path in the system's form is a regular file the
// user may execute. Always false on Windows.
bool IsExecutableFile(const std::string& path);

}  // namespace tarvolin::sys
