#include "help/help_design.h"

#include "platform/design.h"

namespace tarvolin {

namespace {

// The command list, one item a line; the title and the credit line stand
// apart from the commands.
constexpr char kCommandList[] =
    "Tarvolin Commands:\n"
    "\n"
    "F1 or 'help' : Shows this screen\n"
    "F2 or 'edit' : Edit your quickcommands\n"
    "quit (or exit) : Exits the program\n"
    "F3 or 'options': Brings up the options\n"
    "\n"
    "by Tarvolin team, team@tarvolin.invalid";

}  // namespace

platform::FormDesign Form3Design() {
  using K = platform::ControlKind;
  using platform::Place;
  platform::FormDesign design;
  design.name = "Form3";
  design.caption = "Tarvolin";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = 5280;
  design.clientHeight = 2745;
  design.controls = {
      Place(K::kFrame, "Frame1", "Help", 120, 120, 5055, 2535),
      Place(K::kLabel, "Label1", kCommandList, 120, 240, 2940, 2175, -1, "Frame1"),
      Place(K::kButton, "Command1", "What is Tarvolin?", 3240, 600, 1815, 375, 0),
      Place(K::kButton, "Command2", "What's New?", 3240, 1200, 1815, 375, 1),
  };
  return design;
}

platform::FormDesign Form4Design() {
  using K = platform::ControlKind;
  using platform::Place;
  platform::FormDesign design;
  design.name = "Form4";
  design.caption = "This is Mirelo ^_^";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = 2010;
  design.clientHeight = 1875;
  design.controls = {
      Place(K::kPictureBox, "Picture1", "", 480, 120, 1095, 1215),
      Place(K::kLabel, "Label1", "What's the world without eastereggs, ne?  ^^", 120, 1320, 1815,
            495),
  };
  return design;
}

}  // namespace tarvolin
