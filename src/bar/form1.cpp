#include "bar/form1.h"

#include "bar/completion.h"
#include "bar/form1_design.h"
#include "bar/history.h"
#include "bar/program.h"
#include "interpreter/dispatch.h"
#include "online/online_services.h"
#include "online/update_server.h"
#include "platform/text.h"
#include "presentation/placement.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_file.h"
#include "tray/bar_tray.h"

namespace tarvolin {

Form1::Form1(Program& program) : program_(program) {}

Form1::~Form1() {
  // The tray and the online services refer to the window and the state.
  online_.reset();
  tray_.reset();
}

void Form1::Load() {
  platform::Toolkit& ui = program_.platform.ui;
  window_ = ui.CreateForm(Form1Design());
  text1_ = window_->Find<platform::TextBox>("Text1");
  text1_->Click = [this] { Text1_Click(); };
  text1_->Change = [this] { Text1_Change(); };
  text1_->KeyDown = [this](int keyCode, int shift) { Text1_KeyDown(keyCode, shift); };
  window_->GotFocus = [this] { Form_GotFocus(); };
  // Both timers tick from the form's creation to the end of the program.
  timer1_ = ui.CreateTimer(kTimer1Interval);
  timer1_->Tick = [this] { Timer1_Timer(); };
  timer2_ = ui.CreateTimer(kTimer2Interval);
  timer2_->Tick = [this] { Timer2_Timer(); };
  platform::Platform& platform = program_.platform;
  if (platform.tray != nullptr) {
    tray_ = std::make_unique<BarTray>(*platform.tray, *window_, *text1_);
  }
  Form_Load();
  if (platform.http != nullptr) {
    OnlineConfig config;
    config.baseAddress = UpdateServerBase(platform.profile, SettingsFilePath(platform.files));
    online_ = std::make_unique<OnlineServices>(*platform.http, platform.ui, platform.shell,
                                               program_.bar, program_.settings, config);
  }
}

void Form1::Form_Load() {
  platform::Platform& platform = program_.platform;
  BarState& bar = program_.bar;

  bar.UnknownCommandText = kUnknownCommandText;
  bar.IsBeta = true;
  bar.UpdateChecked = false;
  bar.UsageReportSent = false;
  bar.CommandHistory = {""};
  program_.settings.CaseSensitive = false;
  bar.HistoryPosition = -1;

  // A defined place, bottom right, while the settings are read.
  window_->SetTop(platform.ui.ScreenHeight() + window_->Height() - 1050.0f);
  window_->SetLeft(platform.ui.ScreenWidth() - window_->Width());

  platform.files.SetCurrentFolder(platform.files.ProgramFolder());
  LoadSettings(program_.settings, platform.profile, platform.files,
               [this] { program_.RunFirstRunSetUp(); });
  PlaceCommandBar(*window_, platform.ui, program_.settings.CornerCode);
  window_->SetTopMost();
  LoadQuickcommands(program_.quickcommands, platform.files.ProgramFolder());
}

void Form1::Form_GotFocus() {
  PlaceCommandBar(*window_, program_.platform.ui, program_.settings.CornerCode);
  // The box may be unable to take the focus at this moment; that is fine.
  text1_->SetFocus();
}

void Form1::Text1_Click() {
  text1_->SetSelStart(0);
  text1_->SetSelLength(platform::CharCount(text1_->Text()));
}

void Form1::Text1_Change() {
  program_.bar.LastEditTime = program_.platform.system.SecondsSinceMidnight();
}

void Form1::Text1_KeyDown(int KeyCode, int /*Shift*/) {
  BarState& bar = program_.bar;
  switch (KeyCode) {
    case platform::kKeyReturn:
      Submit();
      break;
    case platform::kKeyEscape:
      mnutotray_Click();
      break;
    case platform::kKeyUp:
      BrowseNewer(bar, *text1_);
      break;
    case platform::kKeyDown:
      BrowseOlder(bar, *text1_);
      break;
    case platform::kKeyF1:
      program_.RollOutForm(Dialog::kHelp);
      bar.CommandHandled = true;
      bar.HistoryPosition = -1;
      break;
    case platform::kKeyF2:
      bar.CommandHandled = true;
      bar.HistoryPosition = -1;
      // The editor takes the box text over while it loads; only then is the
      // box emptied.
      program_.RollOutForm(Dialog::kEditor);
      text1_->SetText("");
      break;
    case platform::kKeyF3:
      AddToHistory(bar, *text1_);
      program_.RollOutForm(Dialog::kOptions);
      break;
    case platform::kKeyF10:
      program_.platform.system.EndProcess();
      break;
    default:
      break;
  }
}

namespace {

// The text without its leading and trailing spaces (only spaces: tabs and
// other blanks stay).
std::string TrimSpaces(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

void Form1::Submit() {
  BarState& bar = program_.bar;
  if (text1_->Text().empty()) {
    return;
  }
  bar.StatusMessage = bar.UnknownCommandText;
  text1_->SetText(TrimSpaces(text1_->Text()));
  RunQuickcommand(program_, text1_->Text());
  DispatchCommand(program_, text1_->Text());
  if (!bar.CommandHandled && !text1_->Text().empty()) {
    text1_->SetText(bar.StatusMessage);
  }
  SelectAll(*text1_);
  bar.CommandHandled = false;
}

void Form1::Timer1_Timer() {
  PlaceCommandBar(*window_, program_.platform.ui, program_.settings.CornerCode);
  if (CompletionDue(program_.bar, *text1_, program_.platform.system.SecondsSinceMidnight())) {
    CompleteFromHistory(program_.bar, *text1_);
  }
}

void Form1::Timer2_Timer() {
  if (online_) {
    online_->OnTimer2Tick();
  }
}

void Form1::mnutotray_Click() {
  // Without a notification area nothing could bring the bar back: it stays.
  if (tray_) {
    tray_->mnutotray_Click();
  }
}

void Form1::mnurestore_Click() {
  if (tray_) {
    tray_->mnurestore_Click();
  } else {
    window_->Show();
    window_->Activate();
  }
}

}  // namespace tarvolin
