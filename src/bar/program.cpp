#include "bar/program.h"

#include "bar/form1.h"
#include "settings/form6.h"

namespace tarvolin {

Program::Program(platform::Platform& platformServices)
    : platform(platformServices), form1_(std::make_unique<Form1>(*this)) {}

Program::~Program() = default;

void Program::Start() {
  form1_->Load();
  form1_->Window().Show();
  form1_->Window().Activate();
}

void Program::RollOutForm(Dialog dialog) {
  if (dialogOpener) {
    dialogOpener(dialog);
  }
}

void Program::mnutotray_Click() {
  if (trayHider) {
    trayHider();
  }
}

void Program::RunFirstRunSetUp() {
  Form6 form6(*this);
  form6.Command1_Click();
}

}  // namespace tarvolin
