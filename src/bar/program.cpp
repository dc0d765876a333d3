#include "bar/program.h"

#include "bar/dialog_form.h"
#include "bar/form1.h"
#include "help/form3.h"
#include "help/form4.h"
#include "presentation/rollout.h"
#include "quickcommands/form2.h"
#include "settings/form5.h"
#include "settings/form6.h"

namespace tarvolin {

Program::Program(platform::Platform& platformServices)
    : platform(platformServices), form1_(std::make_unique<Form1>(*this)) {}

Program::~Program() {
  // Dialogs go before the bar they refer to; none of them is unloaded, so
  // nothing is saved.
  for (auto& dialog : dialogs_) {
    dialog.reset();
  }
}

void Program::Start() {
  form1_->Load();
  form1_->Window().Show();
  form1_->Window().Activate();
}

DialogForm* Program::LoadedDialog(Dialog dialog) {
  return dialogs_[static_cast<std::size_t>(dialog)].get();
}

DialogForm& Program::LoadDialog(Dialog dialog) {
  std::unique_ptr<DialogForm>& slot = dialogs_[static_cast<std::size_t>(dialog)];
  if (!slot) {
    switch (dialog) {
      case Dialog::kHelp:
        slot = std::make_unique<Form3>(*this);
        break;
      case Dialog::kEditor:
        slot = std::make_unique<Form2>(*this);
        break;
      case Dialog::kOptions:
        slot = std::make_unique<Form5>(*this);
        break;
      case Dialog::kHidden:
        slot = std::make_unique<Form4>(*this);
        break;
    }
    slot->Window().Unload = [this, dialog] { UnloadDialog(dialog); };
  }
  return *slot;
}

void Program::UnloadDialog(Dialog dialog) {
  std::unique_ptr<DialogForm>& slot = dialogs_[static_cast<std::size_t>(dialog)];
  if (!slot) {
    return;
  }
  slot->Form_Unload();
  slot.reset();
}

void Program::RollOutForm(Dialog dialog) {
  DialogForm& form = LoadDialog(dialog);
  tarvolin::RollOutForm(form.Window(), form1_->Window(), platform.ui, settings.CornerCode);
  form.Window().Activate();
  form.Shown();
}

void Program::RunFirstRunSetUp() {
  Form6 form6(*this);
  form6.Command1_Click();
}

}  // namespace tarvolin
