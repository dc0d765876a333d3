#include "bar/form1_design.h"

namespace tarvolin {

platform::FormDesign Form1Design() {
  platform::FormDesign design;
  design.name = "Form1";
  design.caption = "Tarvolin";
  design.style = platform::WindowStyle::kCommandBar;
  design.clientWidth = 3750;
  design.clientHeight = 285;
  design.controls = {
      {.kind = platform::ControlKind::kTextBox,
       .name = "Text1",
       .caption = "",
       .left = 0,
       .top = 0,
       .width = 3735,
       .height = 285,
       .tabIndex = 0,
       .container = ""},
  };
  return design;
}

}  // namespace tarvolin
