// Form6: the first-run set-up. Never shown; its one routine prepares a new
// installation.
#pragma once

namespace tarvolin {

class Program;

class Form6 {
 public:
  explicit Form6(Program& program) : program_(program) {}

  // Gives every setting its default, writes tv.ini, shows the bar with
  // "Settings Saved..." selected and opens the quickcommand editor.
  void Command1_Click();

 private:
  Program& program_;
};

}  // namespace tarvolin
