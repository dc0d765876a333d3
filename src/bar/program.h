// The program: owns all process-wide state and the forms, and hands the
// parts what they need.
#pragma once

#include <functional>
#include <memory>

#include "bar/bar_state.h"
#include "platform/platform.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_state.h"

namespace tarvolin {

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

  // Loads the dialog's form if needed and unrolls it out of the bar.
  void RollOutForm(Dialog dialog);
  // Where the dialogs are built: RollOutForm hands each request to it.
  std::function<void(Dialog)> dialogOpener;

  // The bar goes into the notification area ("To tray").
  void mnutotray_Click();
  // Where the tray is kept: mnutotray_Click hands the request to it.
  std::function<void()> trayHider;

 private:
  std::unique_ptr<Form1> form1_;
};

}  // namespace tarvolin
