// A bar's view for the benchmarks: a text box of ASCII text with its caret,
// nothing drawn, every question answered Yes.
#pragma once

#include <cstdio>
#include <string>

#include "bar/rules.h"
#include "bar/view.h"

namespace tarvolin::bar {

class NullView : public View {
 public:
  void Inform(Owner, const std::string& text) override {
    std::fprintf(stderr, "told: %s\n", text.c_str());
  }
  bool AskYesNo(Owner, const std::string&) override { return true; }
  std::string OpenFile(Owner, const std::string&) override { return {}; }
  std::string Text() const override { return text_; }
  // The caret goes to the end, and the rules hear of the edit.
  void SetText(const std::string& text) override {
    text_ = text;
    caret_ = static_cast<int>(text.size());
    if (rules != nullptr) {
      rules->OnEdit();
    }
  }
  int SelectionLength() const override { return 0; }
  void Select(int, int) override {}
  int Caret() const override { return caret_; }
  void SetCaret(int position) override { caret_ = position; }
  void FocusBox() override {}
  bool FitsInBox(const std::string&) const override { return true; }
  Metrics Measure() const override { return {{250, 19}, {1024, 768}, 15.0f}; }
  void MoveBar(Point) override {}
  void ShowBar(bool) override {}
  bool BarInFront() const override { return true; }
  bool ToTray() override { return true; }
  void HideBar() override {}
  void Restore() override {}
  void RollOut(Dialog, int) override {}
  void ReturnFocusToBar() override {}
  void ShowList(const CandidateList& list) override { rows = list.rows.size(); }
  void HideList() override {}
  void KeepTicking() override {}
  void EndProcess() override {}

  BarRules* rules = nullptr;
  // The rows of the list shown last.
  std::size_t rows = 0;

 private:
  std::string text_;
  int caret_ = 0;
};

}  // namespace tarvolin::bar
