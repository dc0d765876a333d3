// Modal dialogs that never block: each message box is recorded and answered
// from a script, and the file dialog returns the scripted files in turn.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace tarvolin::testing {

struct ScriptedDialogs {
  struct Box {
    std::string text;
    std::string title;
    bool yesNo;
  };
  struct OpenDialog {
    std::string title;
    std::string initialFile;
  };

  void Ok(const std::string& text, const std::string& title) {
    boxes.push_back({text, title, false});
  }

  // Yes, the default button, when the script has no answer left.
  platform::MessageBoxAnswer YesNo(const std::string& text, const std::string& title) {
    boxes.push_back({text, title, true});
    if (answers.empty()) {
      return platform::MessageBoxAnswer::kYes;
    }
    const platform::MessageBoxAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  // "" (cancelled) when the script has no file left.
  std::string Open(const std::string& title, const std::string& initialFile) {
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
  std::vector<OpenDialog> openDialogs;
  std::deque<std::string> files;
};

}  // namespace tarvolin::testing
