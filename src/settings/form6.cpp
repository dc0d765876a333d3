#include "settings/form6.h"

#include "bar/form1.h"
#include "bar/program.h"
#include "platform/text.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_file.h"

namespace tarvolin {

inline constexpr char kSettingsSavedText[] = "Settings Saved...";

void Form6::Command1_Click() {
  platform::Platform& platform = program_.platform;
  SettingsState& settings = program_.settings;

  LoadQuickcommands(program_.quickcommands, platform.files.ProgramFolder());
  platform.files.SetCurrentFolder(platform.files.ProgramFolder());

  settings.CornerCode = 4;
  settings.AutoUpdate = true;
  settings.CaseSensitive = false;
  settings.WebExtensionList = {".com", ".net", ".org"};

  const std::string path = SettingsFilePath(platform.files);
  WriteIniValue(platform.profile, kSettingsSection, "loca", NumberText(settings.CornerCode), path);
  WriteIniValue(platform.profile, kSettingsSection, "AutoUpdate", NumberText(1), path);
  WriteIniValue(platform.profile, kSettingsSection, "CaseSensitive", NumberText(0), path);
  WriteIniValue(platform.profile, kSettingsSection, "WebExtensions", "com,org,net", path);

  // The bar is still loading: it shows here, before start-up places it.
  Form1& form1 = program_.form1();
  form1.Window().Show();
  form1.Text1().SetText(kSettingsSavedText);
  form1.Text1().SetSelStart(0);
  form1.Text1().SetSelLength(platform::CharCount(form1.Text1().Text()));
  // A new user defines quickcommands straight away. The editor takes the
  // bar's text into its target box.
  program_.RollOutForm(Dialog::kEditor);
}

}  // namespace tarvolin
