// The program's command line, the same words on every system: what a start
// asks for, and the text --help prints.
#pragma once

#include <string>
#include <vector>

namespace tarvolin {

enum class Platform { kLinux, kWindows };

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kBindKey, kUnbindKey, kRefuse };
  Action action = Action::kRun;
  // What the running bar is asked to do, or a new one does: "show" or
  // "toggle".
  std::string request = "show";
  // --bind-key's combination.
  std::string key;
  // The toolkit's own options (Linux: Qt's -platform, -display, ...),
  // passed on to it as given.
  std::vector<std::string> passed;
  // Why the line is refused: the text for standard error, ending in a line
  // break.
  std::string error;
};

// Reads the arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, Platform platform);

std::string UsageText(Platform platform);
// "tarvolin 0.8.7" and a line break.
std::string VersionText();

}  // namespace tarvolin
