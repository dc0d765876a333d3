// The program: owns all process-wide state and the forms, and hands the
// parts what they need.
#pragma once

#include <memory>

#include "bar/bar_state.h"
#include "platform/platform.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_state.h"

namespace tarvolin {

class Form1;

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

 private:
  std::unique_ptr<Form1> form1_;
};

}  // namespace tarvolin
