// The Qt toolkit with message boxes and a file dialog that do not block.
#pragma once

#include "platform/qt/qt_toolkit.h"
#include "support/scripted_dialogs.h"

namespace tarvolin::testing {

class ScriptedToolkit : public platform::QtToolkit, public ScriptedDialogs {
 public:
  void MessageBoxOk(const std::string& text, const std::string& title) override { Ok(text, title); }
  platform::MessageBoxAnswer MessageBoxYesNo(const std::string& text,
                                             const std::string& title) override {
    return YesNo(text, title);
  }
  std::string ShowOpenDialog(const std::string& title, const std::string& initialFile) override {
    return Open(title, initialFile);
  }
};

}  // namespace tarvolin::testing
