#include "bar/form1.h"

#include "bar/form1_design.h"
#include "bar/program.h"
#include "platform/text.h"
#include "presentation/placement.h"
#include "quickcommands/quickcommand_table.h"
#include "settings/settings_file.h"

namespace tarvolin {

Form1::Form1(Program& program) : program_(program) {}

Form1::~Form1() = default;

void Form1::Load() {
  platform::Toolkit& ui = program_.platform.ui;
  window_ = ui.CreateForm(Form1Design());
  text1_ = window_->Find<platform::TextBox>("Text1");
  text1_->Click = [this] { Text1_Click(); };
  text1_->Change = [this] { Text1_Change(); };
  window_->GotFocus = [this] { Form_GotFocus(); };
  // Both timers tick from the form's creation to the end of the program.
  timer1_ = ui.CreateTimer(kTimer1Interval);
  timer1_->Tick = [this] { Timer1_Timer(); };
  timer2_ = ui.CreateTimer(kTimer2Interval);
  timer2_->Tick = [this] { Timer2_Timer(); };
  Form_Load();
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

void Form1::Timer1_Timer() {
  PlaceCommandBar(*window_, program_.platform.ui, program_.settings.CornerCode);
}

void Form1::Timer2_Timer() {
  // The update check and the usage report hook in here; until they do, a
  // tick of the minute timer has nothing to do.
}

}  // namespace tarvolin
