// What the dialogs share: a window built from the form's design table, found
// controls, and being unrolled out of the bar.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/ui.h"

namespace tarvolin {

class DialogForm {
 public:
  virtual ~DialogForm() = default;
  DialogForm(const DialogForm&) = delete;
  DialogForm& operator=(const DialogForm&) = delete;

  platform::Window& Window() { return *window_; }

  // Called once the dialog has been unrolled and shown: gives the focus to
  // the first control of the tab order.
  virtual void Shown() {}

  // Called when the dialog's window has closed, before the form is released.
  virtual void Form_Unload() {}

 protected:
  DialogForm(platform::Toolkit& ui, const platform::FormDesign& design)
      : window_(ui.CreateForm(design)) {}

  // The control of the design table with this name and kind.
  template <typename T>
  T& Get(const std::string& name) {
    T* control = window_->Find<T>(name);
    if (control == nullptr) {
      throw std::logic_error("the form has no control " + name + " of that kind");
    }
    return *control;
  }

  std::unique_ptr<platform::Window> window_;
};

}  // namespace tarvolin
