// Form3, the help screen: the command list and the program's two documents.
#pragma once

#include <string>

#include "bar/bar_state.h"
#include "bar/dialog_form.h"

namespace tarvolin {

class Program;

// "Tarvolin - Version " with the three numbers joined (no separator between
// the minor number and the revision), and " BETA" for a beta build.
std::string HelpCaption(const ProgramVersion& version, bool isBeta);

class Form3 : public DialogForm {
 public:
  explicit Form3(Program& program);

  void Form_Load();
  // Opens ReadMe.txt of the program folder.
  void Command1_Click();
  // Opens Changelog.txt of the program folder.
  void Command2_Click();

 private:
  Program& program_;
};

}  // namespace tarvolin
