// The bar's view with no window at all: a text box as the toolkits have it
// (positions in UTF-16 units), a bar window, and a log of everything else
// the rules ask for; message boxes and the file dialog are answered from a
// list.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bar/rules.h"

namespace tarvolin::testing {

class RecordingView : public bar::View {
 public:
  bar::BarRules* rules = nullptr;
  std::string text;
  int selectionStart = 0;
  int selectionLength = 0;
  int caret = 0;
  Point place{-1, -1};
  bool shown = false;
  bool inFront = false;
  bool hasTray = true;
  std::vector<std::string> log;
  // Answers for message boxes and the file dialog, in order; "" once
  // none is left.
  std::deque<std::string> answers;
  std::vector<std::string> asked;

  // What the user types: the text changes, and the rules hear of it.
  void Type(const std::string& typed, int caretAt = -1) {
    text = typed;
    selectionLength = 0;
    caret = caretAt < 0 ? Units(typed) : caretAt;
    rules->OnEdit();
  }
  std::string Selected() const {
    // Enough for the texts these tests select: ASCII, or all of it.
    return selectionLength == Units(text) ? text
                                          : text.substr(static_cast<std::size_t>(selectionStart),
                                                        static_cast<std::size_t>(selectionLength));
  }
  static int Units(const std::string& s) {
    int units = 0;
    for (const char c : s) {
      const auto byte = static_cast<unsigned char>(c);
      units += (byte & 0xC0) == 0x80 ? 0 : byte >= 0xF0 ? 2 : 1;
    }
    return units;
  }
  std::vector<std::string> Log() { return std::exchange(log, {}); }

  std::string Text() const override { return text; }
  void SetText(const std::string& replaced) override {
    if (replaced != text) {
      Type(replaced);
    }
  }
  int SelectionLength() const override { return selectionLength; }
  void Select(int start, int length) override {
    selectionStart = start;
    selectionLength = length;
  }
  int Caret() const override { return caret; }
  void SetCaret(int position) override {
    caret = position;
    selectionLength = 0;
  }
  void FocusBox() override {}
  // About as many characters as the 250-pixel box shows.
  bool FitsInBox(const std::string& line) const override { return line.size() <= 40; }
  // The bar, the work area (the whole screen unless a test reserves a
  // panel's space) and its origin.
  bar::Metrics metrics{{250, 19}, {1024, 768}, 15.0f, {0, 0}};
  bar::Metrics Measure() const override { return metrics; }
  void MoveBar(Point to) override { place = to; }
  void ShowBar(bool activate) override {
    shown = true;
    log.push_back(activate ? "show in front" : "show");
  }
  bool BarInFront() const override { return shown && inFront; }
  bool ToTray() override {
    if (hasTray) {
      shown = false;
      log.push_back("to tray");
    }
    return hasTray;
  }
  void HideBar() override {
    shown = false;
    log.push_back("hide");
  }
  void Restore() override {
    shown = true;
    log.push_back("restore");
  }
  void RollOut(Dialog dialog, int corner) override {
    static const char* const kNames[] = {"help", "editor", "options", "hidden"};
    log.push_back(std::string("roll out ") + kNames[static_cast<int>(dialog)] + " " +
                  std::to_string(corner));
  }
  void ReturnFocusToBar() override { log.push_back("focus to bar"); }
  // The list as last shown, while it is.
  std::optional<bar::CandidateList> list;
  void ShowList(const bar::CandidateList& shownList) override { list = shownList; }
  void HideList() override { list.reset(); }
  void KeepTicking() override {}
  void EndProcess() override { log.push_back("end"); }
  std::string Answer(bar::Owner owner, const std::string& question) {
    std::string answer;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    asked.push_back((owner ? "dialog: " : "bar: ") + question + " -> " + answer);
    return answer;
  }
  void Inform(bar::Owner owner, const std::string& message) override { Answer(owner, message); }
  bool AskYesNo(bar::Owner owner, const std::string& question) override {
    return Answer(owner, question) == "yes";
  }
  std::string OpenFile(bar::Owner owner, const std::string& start) override {
    return Answer(owner, "open file at " + start);
  }
};

}  // namespace tarvolin::testing
