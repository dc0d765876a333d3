// Form4, the hidden screen: a picture and a line of text, nothing more.
#pragma once

#include "bar/dialog_form.h"
#include "platform/ui.h"

namespace tarvolin {

class Program;

// The picture the hidden screen shows: 68 by 79 pixels, drawn here.
platform::Picture MireloPicture();

class Form4 : public DialogForm {
 public:
  explicit Form4(Program& program);
};

}  // namespace tarvolin
