#include "settings/form5_design.h"

#include "platform/design.h"

namespace tarvolin {

platform::FormDesign Form5Design() {
  using K = platform::ControlKind;
  using platform::Place;
  platform::FormDesign design;
  design.name = "Form5";
  design.caption = "Options";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = 3645;
  design.clientHeight = 1680;
  design.controls = {
      Place(K::kTabStrip, "TabStrip1", "General|Position|Web", 90, 30, 3495, 1605, 7),
      Place(K::kFrame, "Frame1(0)", "General", 120, 360, 3375, 1215),
      Place(K::kFrame, "Frame1(1)", "Position", 120, 360, 3375, 1215, -1, "", false),
      Place(K::kFrame, "Frame1(2)", "Web-extensions", 120, 360, 3375, 1215, -1, "", false),
      Place(K::kCheckBox, "Check1", "Case Sensitive", 240, 240, 1575, 255, 4, "Frame1(0)"),
      Place(K::kCheckBox, "Check2", "Auto-Update", 240, 600, 1335, 255, 5, "Frame1(0)"),
      Place(K::kOptionButton, "Option1", "Top Left", 240, 360, 1335, 255, 0, "Frame1(1)"),
      Place(K::kOptionButton, "Option2", "Top Right", 1680, 360, 1215, 255, 1, "Frame1(1)"),
      Place(K::kOptionButton, "Option3", "Bottom Left", 240, 720, 1215, 255, 2, "Frame1(1)"),
      Place(K::kOptionButton, "Option4", "Bottom Right", 1680, 720, 1335, 255, 3, "Frame1(1)"),
      Place(K::kTextBox, "Text1", "", 240, 240, 2895, 285, 6, "Frame1(2)"),
  };
  return design;
}

}  // namespace tarvolin
