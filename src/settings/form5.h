// Form5, the options dialog. The corner and case sensitivity take effect
// when clicked; all four settings are written when the dialog closes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bar/dialog_form.h"

namespace tarvolin {

class Program;

// The web-extension list as the user edits it: each entry without its dot,
// joined by commas ([".com", ".org"] gives "com,org"; no entries give "").
std::string FormatWebExtensions(const std::vector<std::string>& list);

class Form5 : public DialogForm {
 public:
  explicit Form5(Program& program);

  void Form_Load();
  void Check1_Click();
  // index 1 to 4: Option1 (top left) to Option4 (bottom right).
  void Option_Click(int index);
  void TabStrip1_Click();
  void Form_Unload() override;

  std::int16_t CurrentFrame() const { return currentFrame_; }

 private:
  Program& program_;
  platform::CheckBox& check1_;
  platform::CheckBox& check2_;
  platform::TextBox& text1_;
  platform::TabStrip& tabStrip1_;
  std::array<platform::Frame*, 3> frame1_{};
  std::array<platform::OptionButton*, 4> options_{};
  std::int16_t currentFrame_ = 0;
};

}  // namespace tarvolin
