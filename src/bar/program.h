// The program: owns all process-wide state and the forms, and hands the
// parts what they need.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "bar/bar_state.h"
#include "platform/platform.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_state.h"

namespace tarvolin {

class DialogForm;
class Form1;

// The dialogs that unroll out of the bar.
enum class Dialog {
  kHelp,     // Form3
  kEditor,   // Form2, the quickcommand editor
  kOptions,  // Form5
  kHidden,   // Form4
};

class Program {
 public:
  explicit Program(platform::Platform& platform);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Loads the command bar (its start-up sequence) and shows it.
  void Start();

  platform::Platform& platform;
  SettingsState settings;
  QuickcommandTable quickcommands;
  BarState bar;

  Form1& form1() { return *form1_; }

  // Runs the first-run set-up; start-up calls it when tv.ini is missing.
  void RunFirstRunSetUp();

  // Loads the dialog's form if needed (running its load handler) and
  // unrolls it out of the bar; a shown dialog collapses and unrolls again.
  void RollOutForm(Dialog dialog);
  // The dialog's form while it is loaded, else null.
  DialogForm* LoadedDialog(Dialog dialog);

 private:
  DialogForm& LoadDialog(Dialog dialog);
  // Runs the closed dialog's unload handler and releases its form.
  void UnloadDialog(Dialog dialog);

  std::unique_ptr<Form1> form1_;
  std::array<std::unique_ptr<DialogForm>, 4> dialogs_;
};

}  // namespace tarvolin
