#include "help/form3.h"

#include "bar/program.h"
#include "help/help_design.h"
#include "interpreter/launcher.h"

namespace tarvolin {

std::string HelpCaption(const ProgramVersion& version, bool isBeta) {
  std::string caption = "Tarvolin - Version " + std::to_string(version.Major) + "." +
                        std::to_string(version.Minor) + std::to_string(version.Revision);
  if (isBeta) {
    caption += " BETA";
  }
  return caption;
}

Form3::Form3(Program& program) : DialogForm(program.platform.ui, Form3Design()), program_(program) {
  Get<platform::Button>("Command1").Click = [this] { Command1_Click(); };
  Get<platform::Button>("Command2").Click = [this] { Command2_Click(); };
  Form_Load();
}

void Form3::Form_Load() {
  window_->SetCaption(HelpCaption(kProgramVersion, program_.bar.IsBeta));
}

void Form3::Command1_Click() {
  RunTarget(program_.platform.shell,
            platform::FileInFolder(program_.platform.files.ProgramFolder(), "ReadMe.txt"));
}

void Form3::Command2_Click() {
  RunTarget(program_.platform.shell,
            platform::FileInFolder(program_.platform.files.ProgramFolder(), "Changelog.txt"));
}

}  // namespace tarvolin
