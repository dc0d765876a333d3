// The Qt toolkit with message boxes that do not block: each box is recorded
// and answered from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/qt/qt_toolkit.h"

namespace tarvolin::testing {

class ScriptedToolkit : public platform::QtToolkit {
 public:
  struct Box {
    std::string text;
    std::string title;
    bool yesNo;
  };

  void MessageBoxOk(const std::string& text, const std::string& title) override {
    boxes.push_back({text, title, false});
  }

  platform::MessageBoxAnswer MessageBoxYesNo(const std::string& text,
                                             const std::string& title) override {
    boxes.push_back({text, title, true});
    if (answers.empty()) {
      return platform::MessageBoxAnswer::kYes;  // the default button
    }
    const platform::MessageBoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // The file dialog returns the scripted files in turn, then "" (cancelled).
  std::string ShowOpenDialog(const std::string& title, const std::string& initialFile) override {
    openDialogs.push_back({title, initialFile});
    if (files.empty()) {
      return {};
    }
    std::string chosen = files.front();
    files.pop_front();
    return chosen;
  }

  std::vector<Box> boxes;
  std::deque<platform::MessageBoxAnswer> answers;
  struct OpenDialog {
    std::string title;
    std::string initialFile;
  };
  std::vector<OpenDialog> openDialogs;
  std::deque<std::string> files;
};

}  // namespace tarvolin::testing
