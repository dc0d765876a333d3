// Opening files, folders, programs and web addresses the way the desktop
// does on a double-click, and starting programs with arguments. Never
// through a shell. A started program is never waited for; the opener is
// watched until it ends, to tell when it could not open its target.
#pragma once

#include <string>
#include <vector>

namespace tarvolin::sys {

class Shell {
 public:
  virtual ~Shell() = default;

  // Opens the target (a path, a folder or a web address) with the verb
  // "Open" and no parameters; what starts, starts in `folder` (a drive path
  // or the system's own). Empty text when it was handed over, else why not.
  virtual std::string Open(const std::string& target, const std::string& folder) = 0;

  // Starts `program`, a path in the system's form, with `arguments` in
  // `folder`. Empty text when it started, else why not.
  virtual std::string Start(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& folder) = 0;

  // Starts `program` the same way in a terminal window of its own, for a
  // program that talks to the user there. Where every such program gets a
  // console of its own anyway, as on Windows, this is Start.
  virtual std::string StartInTerminal(const std::string& program,
                                      const std::vector<std::string>& arguments,
                                      const std::string& folder) {
    return Start(program, arguments, folder);
  }

  // Openings handed over earlier that have since failed, one message each,
  // each told once. Asked now and then; a system whose Open reports every
  // failure at once has none.
  virtual std::vector<std::string> FailedOpenings() { return {}; }
  // Whether an opening handed over may still fail.
  virtual bool Watching() const { return false; }
};

}  // namespace tarvolin::sys
