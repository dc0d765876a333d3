#include "bar/form1_design.h"

#include "platform/design.h"

namespace tarvolin {

platform::FormDesign Form1Design() {
  platform::FormDesign design;
  design.name = "Form1";
  design.caption = "Tarvolin";
  design.style = platform::WindowStyle::kCommandBar;
  design.clientWidth = 3750;
  design.clientHeight = 285;
  design.controls = {
      platform::Place(platform::ControlKind::kTextBox, "Text1", "", 0, 0, 3735, 285, 0),
  };
  return design;
}

}  // namespace tarvolin
