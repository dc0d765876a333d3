#include "quickcommands/form2_design.h"

#include "platform/design.h"

namespace tarvolin {

platform::FormDesign Form2Design() {
  using K = platform::ControlKind;
  platform::FormDesign design;
  design.name = "Form2";
  design.caption = "Edit Quickcommands";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = 3660;
  design.clientHeight = 3780;
  design.controls = {
      platform::Place(K::kLabel, "Label2", "\"QuickPrograms\" :", 120, 120, 1815, 255, 7),
      platform::Place(K::kLabel, "Label3", "Quickcommands:", 2400, 120, 1335, 255, 8),
      platform::Place(K::kListBox, "List1", "", 0, 360, 2415, 2400, 2),
      platform::Place(K::kListBox, "List2", "", 2400, 360, 1215, 2400, 6),
      platform::Place(K::kButton, "Command2", "Remove", 1920, 2760, 1095, 255, 3),
      platform::Place(K::kTextBox, "Text1", "", 0, 3120, 2535, 285, 4),
      platform::Place(K::kButton, "Command3", "Browse", 2640, 3120, 855, 285, 0),
      platform::Place(K::kTextBox, "Text2", "", 0, 3480, 2535, 285, 5),
      platform::Place(K::kButton, "Command1", "Add", 2640, 3480, 855, 285, 1),
  };
  return design;
}

}  // namespace tarvolin
