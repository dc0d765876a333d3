// The process environment as the command line uses it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvolin::sys {

// The environment a line is read in: its variables, and what follows from
// them, the home folder and the programs on PATH. The rules and the command
// language ask this, never the process itself, so tests give their own.
class Environment {
 public:
  virtual ~Environment() = default;
  // A variable's value; nothing when it is not set.
  virtual std::optional<std::string> Variable(const std::string& name) const = 0;

  // $HOME (%USERPROFILE% on Windows).
  std::string HomeFolder() const;
  // The first executable regular file of that name in PATH's folders (empty
  // entries, the current folder, skipped). Empty when there is none, and
  // always on Windows, where the Windows folders play this role.
  std::string FindOnPath(const std::string& name) const;
  // The names of the programs in PATH's folders, sorted, each once. Empty
  // on Windows.
  std::vector<std::string> ProgramsOnPath() const;
  // What changes when a program comes into or goes from PATH's folders (or
  // PATH itself changes): their times of change. Empty on Windows.
  std::string ProgramsStamp() const;
};

// The process's own environment.
const Environment& ProcessEnvironment();

// An environment of these variables alone.
class FixedEnvironment : public Environment {
 public:
  explicit FixedEnvironment(std::map<std::string, std::string> variables)
      : variables_(std::move(variables)) {}
  std::optional<std::string> Variable(const std::string& name) const override;
  void Set(const std::string& name, const std::string& value) { variables_[name] = value; }

 private:
  std::map<std::string, std::string> variables_;
};

// The process environment's, for what runs outside the rules.
std::optional<std::string> Variable(const std::string& name);
std::string HomeFolder();
std::string FindOnPath(const std::string& name);

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

// Whether the file at a path in the system's form is a regular file the
// user may execute. Always false on Windows.
bool IsExecutableFile(const std::string& path);

}  // namespace tarvolin::sys
