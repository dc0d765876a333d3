#include "quickcommands/form2.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "bar/form1.h"
#include "bar/program.h"
#include "interpreter/path_functions.h"
#include "platform/text.h"
#include "quickcommands/form2_design.h"

namespace tarvolin {

namespace {

constexpr char kTitle[] = "Tarvolin";

}  // namespace

Form2::Form2(Program& program)
    : DialogForm(program.platform.ui, Form2Design()),
      program_(program),
      list1_(Get<platform::ListBox>("List1")),
      list2_(Get<platform::ListBox>("List2")),
      text1_(Get<platform::TextBox>("Text1")),
      text2_(Get<platform::TextBox>("Text2")) {
  Get<platform::Button>("Command1").Click = [this] { Command1_Click(); };
  Get<platform::Button>("Command2").Click = [this] { Command2_Click(); };
  Get<platform::Button>("Command3").Click = [this] { Command3_Click(); };
  list1_.Click = [this] { List1_Click(); };
  list2_.Click = [this] { List2_Click(); };
  list1_.KeyDown = [this](int key, int shift) { List1_KeyDown(key, shift); };
  list2_.KeyDown = [this](int key, int shift) { List2_KeyDown(key, shift); };
  text1_.KeyDown = [this](int key, int shift) { Text1_KeyDown(key, shift); };
  text2_.KeyDown = [this](int key, int shift) { Text2_KeyDown(key, shift); };
  Form_Load();
}

void Form2::Form_Load() {
  platform::Platform& platform = program_.platform;
  const std::string barText = program_.form1().Text1().Text();
  if (barText != program_.bar.UnknownCommandText) {
    text1_.SetText(barText);
  }
  text2_.SetText("");
  MakeFirstInTabOrder(text1_.Text().empty() ? "Text1" : "Text2");
  platform.files.SetCurrentFolder(platform.files.ProgramFolder());
  for (const QuickcommandEntry& entry : program_.quickcommands.Entries()) {
    list1_.AddItem(entry.Target);
    list2_.AddItem(entry.Name);
  }
}

void Form2::MakeFirstInTabOrder(const std::string& name) {
  // The design's order with one control moved to the front, as setting its
  // tab index to 0 does.
  std::vector<std::pair<int, std::string>> order;
  for (const platform::ControlDesign& control : Form2Design().controls) {
    if (control.tabIndex >= 0 && control.name != name) {
      order.emplace_back(control.tabIndex, control.name);
    }
  }
  std::sort(order.begin(), order.end());
  window_->FindControl(name)->SetTabIndex(0);
  int next = 1;
  for (const auto& [index, other] : order) {
    window_->FindControl(other)->SetTabIndex(next++);
  }
  firstInTabOrder_ = name;
}

void Form2::Shown() {
  window_->FindControl(firstInTabOrder_)->SetFocus();
}

void Form2::CopyRowIntoBoxes(int row) {
  text1_.SetText(list1_.List(row));
  text2_.SetText(list2_.List(row));
}

void Form2::List1_Click() {
  const int row = list1_.ListIndex();
  list2_.SetListIndex(row);
  CopyRowIntoBoxes(row);
}

void Form2::List2_Click() {
  const int row = list2_.ListIndex();
  list1_.SetListIndex(row);
  CopyRowIntoBoxes(row);
}

void Form2::List1_KeyDown(int KeyCode, int /*Shift*/) {
  if (KeyCode == platform::kKeyDelete) {
    Command2_Click();
  }
}

void Form2::List2_KeyDown(int KeyCode, int Shift) {
  List1_KeyDown(KeyCode, Shift);
}

void Form2::Text1_KeyDown(int KeyCode, int /*Shift*/) {
  if (KeyCode == platform::kKeyReturn) {
    Command1_Click();
  } else if (KeyCode == platform::kKeyEscape) {
    window_->Close();
  }
}

void Form2::Text2_KeyDown(int KeyCode, int Shift) {
  Text1_KeyDown(KeyCode, Shift);
}

void Form2::Command1_Click() {
  platform::Toolkit& ui = program_.platform.ui;
  QuickcommandTable& table = program_.quickcommands;
  const std::string target = text1_.Text();
  const std::string name = text2_.Text();

  if (name.empty()) {
    ui.MessageBoxOk("You must type a quickcommand for the file", kTitle);
    return;
  }
  if (!IsValidTarget(program_.platform.files, target)) {
    ui.MessageBoxOk("'" + target + "'\ris not a valid command.", kTitle);
    return;
  }

  // Every row is compared, so one Add may ask several questions; each Yes
  // applies to its own entry at once.
  bool asked = false;
  platform::MessageBoxAnswer lastAnswer = platform::MessageBoxAnswer::kOk;
  const int rows = std::min(list1_.ListCount(), table.Count());
  for (int k = 0; k < rows; ++k) {
    QuickcommandEntry& entry = table[k];
    if (entry.Target != target && entry.Name == name) {
      asked = true;
      lastAnswer = ui.MessageBoxYesNo(
          "'" + name + "'already exists.\rChange file to: " + target + " ???", kTitle);
      if (lastAnswer == platform::MessageBoxAnswer::kYes) {
        table[k].Target = target;
        list1_.SetList(k, target);
      }
    } else if (entry.Target == target) {
      asked = true;
      lastAnswer = ui.MessageBoxYesNo(
          "'" + target + "'already exists.\rChange Quickcommand to: " + name + " ???", kTitle);
      if (lastAnswer == platform::MessageBoxAnswer::kYes) {
        table[k].Name = name;
        list2_.SetList(k, name);
      }
    }
  }

  if (!asked) {
    const bool hadRows = list1_.ListCount() > 0;
    list1_.AddItem(target);
    list2_.AddItem(name);
    if (hadRows || table.Empty()) {
      table.Append(target, name);
    } else {
      // With no rows the table holds only the blank placeholder: the pair
      // takes its place.
      table[0] = QuickcommandEntry{target, name};
    }
  }
  if (lastAnswer != platform::MessageBoxAnswer::kNo) {
    text1_.SetText("");
    text2_.SetText("");
  }
}

void Form2::Command2_Click() {
  const int row = list1_.ListIndex();
  if (row == -1) {
    return;
  }
  list2_.SetListIndex(row);
  program_.quickcommands.Remove(row);
  list1_.RemoveItem(row);
  list2_.RemoveItem(row);
  text1_.SetText("");
  text2_.SetText("");
  text1_.SetFocus();
}

void Form2::Command3_Click() {
  platform::FileSystem& files = program_.platform.files;
  const std::string chosen = program_.platform.ui.ShowOpenDialog(
      "", commonDialog1FileName_.empty() ? "" : files.NativePath(commonDialog1FileName_));
  if (!chosen.empty()) {
    // The file dialog speaks the system's paths; the table holds drive paths.
    commonDialog1FileName_ = files.DrivePathOf(chosen);
  }
  if (!commonDialog1FileName_.empty()) {
    text1_.SetText(commonDialog1FileName_);
  }
  text2_.SetFocus();
  text2_.SetSelLength(platform::CharCount(text2_.Text()));
}

void Form2::Form_Unload() {
  std::string error;
  if (!SaveQuickcommands(program_.quickcommands, list1_.ListCount() > 0,
                         program_.platform.files.ProgramFolder(), &error)) {
    program_.platform.ui.MessageBoxOk(
        "The quickcommands could not be saved to files.cfg: " + error +
            "\rThey are kept until Tarvolin ends; close the editor again to retry.",
        kTitle);
  }
  program_.form1().Window().Show();
}

}  // namespace tarvolin
