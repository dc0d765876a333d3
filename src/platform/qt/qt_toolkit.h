// The window toolkit through Qt Widgets.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace tarvolin::platform {

class QtToolkit : public Toolkit {
 public:
  // A QApplication must exist for the toolkit's whole life.
  QtToolkit();
  ~QtToolkit() override;

  std::unique_ptr<Window> CreateForm(const FormDesign& design) override;
  std::unique_ptr<Timer> CreateTimer(int intervalMs) override;
  float ScreenWidth() const override;
  float ScreenHeight() const override;
  void MessageBoxOk(const std::string& text, const std::string& title) override;
  MessageBoxAnswer MessageBoxYesNo(const std::string& text, const std::string& title) override;
  std::string ShowOpenDialog(const std::string& title, const std::string& initialFile) override;
  void ProcessEvents() override;
};

}  // namespace tarvolin::platform
