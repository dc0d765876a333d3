#include "settings/form5.h"

#include "bar/form1.h"
#include "bar/history.h"
#include "bar/program.h"
#include "settings/form5_design.h"
#include "settings/settings_file.h"

namespace tarvolin {

namespace {

constexpr char kSettingsSavedText[] = "Settings Saved...";

}  // namespace

std::string FormatWebExtensions(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& entry : list) {
    text += entry.empty() ? entry : entry.substr(1);
    text += ',';
  }
  if (!text.empty()) {
    text.pop_back();
  }
  return text;
}

Form5::Form5(Program& program)
    : DialogForm(program.platform.ui, Form5Design()),
      program_(program),
      check1_(Get<platform::CheckBox>("Check1")),
      check2_(Get<platform::CheckBox>("Check2")),
      text1_(Get<platform::TextBox>("Text1")),
      tabStrip1_(Get<platform::TabStrip>("TabStrip1")) {
  for (int k = 0; k < 3; ++k) {
    frame1_[static_cast<std::size_t>(k)] =
        &Get<platform::Frame>("Frame1(" + std::to_string(k) + ")");
  }
  for (int k = 1; k <= 4; ++k) {
    platform::OptionButton& option = Get<platform::OptionButton>("Option" + std::to_string(k));
    options_[static_cast<std::size_t>(k - 1)] = &option;
    option.Click = [this, k] { Option_Click(k); };
  }
  check1_.Click = [this] { Check1_Click(); };
  tabStrip1_.Click = [this] { TabStrip1_Click(); };
  Form_Load();
}

void Form5::Form_Load() {
  SettingsState& settings = program_.settings;
  currentFrame_ = 0;
  // Selecting the option runs its click, which moves the bar as a user's
  // click does.
  if (settings.CornerCode >= 1 && settings.CornerCode <= 4) {
    options_[static_cast<std::size_t>(settings.CornerCode - 1)]->SetValue(true);
  }
  if (settings.CaseSensitive) {
    check1_.SetValue(1);
  }
  if (settings.AutoUpdate) {
    check2_.SetValue(1);
  }
  text1_.SetText(FormatWebExtensions(settings.WebExtensionList));
}

void Form5::Check1_Click() {
  program_.settings.CaseSensitive = check1_.Value() == 1;
}

void Form5::Option_Click(int index) {
  program_.settings.CornerCode = static_cast<std::int16_t>(index);
  platform::Window& bar = program_.form1().Window();
  const platform::Screen& screen = program_.platform.ui;
  // The top corners sit a little lower here than the bar's own placement
  // puts them; the next placement of the bar takes the top back to 0.
  if (index == 1 || index == 2) {
    bar.SetTop(bar.Height() - 310.0f);
  } else {
    bar.SetTop(screen.ScreenHeight() + bar.Height() - 1050.0f);
  }
  if (index == 1 || index == 3) {
    bar.SetLeft(0);
  } else {
    bar.SetLeft(screen.ScreenWidth() - bar.Width());
  }
}

void Form5::TabStrip1_Click() {
  const auto k = static_cast<std::int16_t>(tabStrip1_.SelectedIndex());
  if (k < 0 || k > 2 || k == currentFrame_) {
    return;
  }
  frame1_[static_cast<std::size_t>(k)]->SetVisible(true);
  frame1_[static_cast<std::size_t>(currentFrame_)]->SetVisible(false);
  currentFrame_ = k;
}

void Form5::Form_Unload() {
  SettingsState& settings = program_.settings;
  platform::Platform& platform = program_.platform;
  settings.CaseSensitive = check1_.Value() == 1;
  settings.AutoUpdate = check2_.Value() == 1;
  const std::string text = text1_.Text();
  settings.WebExtensionList = ParseWebExtensions(text);

  const std::string path = SettingsFilePath(platform.files);
  WriteIniValue(platform.profile, kSettingsSection, "loca", NumberText(settings.CornerCode), path);
  WriteIniValue(platform.profile, kSettingsSection, "CaseSensitive", NumberText(check1_.Value()),
                path);
  WriteIniValue(platform.profile, kSettingsSection, "AutoUpdate", NumberText(check2_.Value()),
                path);
  WriteIniValue(platform.profile, kSettingsSection, "WebExtensions", text, path);

  platform::TextBox& box = program_.form1().Text1();
  box.SetText(kSettingsSavedText);
  SelectAll(box);
}

}  // namespace tarvolin
