// Form2, the quickcommand editor. Every change goes to the table at once;
// files.cfg is written once, when the dialog closes.
#pragma once

#include <string>

#include "bar/dialog_form.h"

namespace tarvolin {

class Program;

class Form2 : public DialogForm {
 public:
  explicit Form2(Program& program);

  void Shown() override;

  void Form_Load();
  // Add: stores the typed pair, or changes the entries it matches.
  void Command1_Click();
  // Remove: removes the selected entry.
  void Command2_Click();
  // Browse: chooses a file for the target box.
  void Command3_Click();
  void List1_Click();
  void List2_Click();
  void List1_KeyDown(int KeyCode, int Shift);
  void List2_KeyDown(int KeyCode, int Shift);
  void Text1_KeyDown(int KeyCode, int Shift);
  void Text2_KeyDown(int KeyCode, int Shift);
  // Saves the table and brings the command bar back.
  void Form_Unload() override;

 private:
  // Makes the control first in the tab order; the others keep their order.
  void MakeFirstInTabOrder(const std::string& name);
  void CopyRowIntoBoxes(int row);

  Program& program_;
  platform::ListBox& list1_;
  platform::ListBox& list2_;
  platform::TextBox& text1_;
  platform::TextBox& text2_;
  // The file dialog's file name, kept while the dialog is loaded.
  std::string commonDialog1FileName_;
  std::string firstInTabOrder_;
};

}  // namespace tarvolin
