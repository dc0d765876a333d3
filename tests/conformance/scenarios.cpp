// The scenarios every front end must pass alike: the recording view, the Qt
// bar and the Win32 bar each link this file with a driver of their own. A
// front end whose key map, click, placement, dialogs or text positions
// differ from the rules' fails here.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "conformance/driver.h"
#include "core/interpreter.h"
#include "support/temp_folder.h"

namespace tarvolin::conformance {
namespace {

using bar::Key;
using Strings = std::vector<std::string>;

class Conformance : public ::testing::Test {
 protected:
  // Starts a bar in this corner with these quickcommands.
  void Start(const std::string& quickcommands, int corner = 4) {
    temp_.Write("prog/files.cfg", quickcommands);
    temp_.Write("prog/tv.ini", "[Tarvolin]\r\nloca=" + std::to_string(corner) +
                                   "\r\nCaseSensitive=0\r\nAutoUpdate=0\r\n"
                                   "WebExtensions=com,org\r\nHotkey=none\r\n");
    bar_ = MakeDriver({temp_ / "prog", &now_, &shell_, fileChoices_});
    bar_->Start();
  }
  void Run(const std::string& line) {
    bar_->Paste(line);
    bar_->Press(Key::kEnter);
  }
  // What was opened, without the folders.
  Strings Opened() {
    Strings targets;
    for (const auto& [target, folder] : shell_.Taken()) {
      targets.push_back(target);
    }
    return targets;
  }
  void ExpectSelected(int start, int length) {
    EXPECT_EQ(bar_->SelectionStart(), start);
    EXPECT_EQ(bar_->SelectionLength(), length);
  }
  // The pause after the last edit, then a tick.
  void Pause() {
    now_ += 2;
    bar_->Tick();
  }

  testing::TempFolder temp_;
  testing::RecordingShell shell_;
  double now_ = 100;
  Strings fileChoices_;
  std::unique_ptr<Driver> bar_;
};

// An unknown line leaves its status selected, a calculation its result; a
// click selects the whole line; Down shows older lines and Up newer ones; F1 starts browsing
// afresh.
TEST_F(Conformance, KeysBrowseTheHistoryAndAClickSelectsTheLine) {
  Start("www.a.org\r\na\r\nwww.b.org\r\nb\r\nwww.c.org\r\nc\r\n");
  Run("a");
  Run("b");
  Run("c");
  EXPECT_EQ(Opened(), (Strings{"www.a.org", "www.b.org", "www.c.org"}));
  EXPECT_EQ(bar_->Text(), "");
  Run("frobnicate");
  EXPECT_EQ(bar_->Text(), kUnknownCommandText);
  ExpectSelected(0, 29);
  bar_->Paste("hello");
  ExpectSelected(5, 0);
  bar_->Click();
  ExpectSelected(0, 5);
  bar_->Press(Key::kDown);
  EXPECT_EQ(bar_->Text(), "c");
  bar_->Press(Key::kDown);
  EXPECT_EQ(bar_->Text(), "b");
  ExpectSelected(0, 1);
  bar_->Press(Key::kUp);
  EXPECT_EQ(bar_->Text(), "c");
  bar_->Press(Key::kDown);
  bar_->Press(Key::kF1);
  EXPECT_TRUE(bar_->DialogOpen(Dialog::kHelp));
  bar_->CloseDialog(Dialog::kHelp);
  EXPECT_FALSE(bar_->DialogOpen(Dialog::kHelp));
  bar_->Press(Key::kDown);
  EXPECT_EQ(bar_->Text(), "c");
  // A calculation's result stands selected too, its line in the history.
  Run("=2^10/0x10");
  EXPECT_EQ(bar_->Text(), "64");
  ExpectSelected(0, 2);
  bar_->Press(Key::kDown);
  EXPECT_EQ(bar_->Text(), "=2^10/0x10");
}

// Tab unrolls the list of candidates above a bar at the bottom of the
// screen and below one at the top, the current one marked. Tab, Shift+Tab,
// Down and Up move the mark; typing filters; Escape closes the list alone;
// a click picks; Enter runs the line.
TEST_F(Conformance, TabUnrollsAListToPickFrom) {
  Start("www.a.org\r\nnotes\r\nwww.b.org\r\nnews\r\nwww.c.org\r\nnetwork\r\n");
  bar_->Paste("n");
  bar_->Press(Key::kTab);
  EXPECT_EQ(bar_->Text(), "notes");
  EXPECT_EQ(bar_->ListRows(), (Strings{"[notes]", "news", "network"}));
  const auto [place, size] = bar_->ListFrame();
  EXPECT_EQ(place.x, bar_->BarPlace().x);
  EXPECT_EQ(place.y + size.height, bar_->BarPlace().y);
  bar_->Press(Key::kTab);
  bar_->Press(Key::kDown);
  EXPECT_EQ(bar_->ListRows(), (Strings{"notes", "news", "[network]"}));
  bar_->Press(Key::kUp);
  bar_->Press(Key::kShiftTab);
  EXPECT_EQ(bar_->Text(), "notes");
  ExpectSelected(5, 0);
  bar_->Paste("ne");
  EXPECT_EQ(bar_->ListRows(), (Strings{"news", "network", "notes"}));
  bar_->Press(Key::kEscape);
  EXPECT_TRUE(bar_->ListRows().empty());
  EXPECT_TRUE(bar_->BarShown());
  EXPECT_EQ(bar_->Text(), "ne");
  bar_->Press(Key::kTab);
  bar_->ClickListRow(1);
  EXPECT_TRUE(bar_->ListRows().empty());
  EXPECT_EQ(bar_->Text(), "network");
  bar_->Press(Key::kTab);
  bar_->Press(Key::kEnter);
  EXPECT_EQ(Opened(), (Strings{"www.c.org"}));
  EXPECT_TRUE(bar_->ListRows().empty());

  bar_.reset();
  Start("www.a.org\r\nnotes\r\nwww.b.org\r\nnews\r\n", 1);
  bar_->Paste("n");
  bar_->Press(Key::kTab);
  EXPECT_EQ(bar_->ListFrame().first.y, bar_->BarPlace().y + 19);
  EXPECT_EQ(bar_->ListRows().size(), 2u);
}

// Characters beyond the Basic Multilingual Plane take two units each in the
// selection, the caret and the length limit, as in every toolkit's box.
TEST_F(Conformance, TextBeyondTheBasicPlaneCountsTwoUnitsACharacter) {
  const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
  Start("");
  Run("www." + grin + ".org");
  EXPECT_EQ(Opened(), (Strings{"www." + grin + ".org"}));
  bar_->Paste("www." + grin);
  Pause();
  EXPECT_EQ(bar_->Text(), "www." + grin + ".org");
  ExpectSelected(6, 4);

  std::string longest;
  for (int i = 0; i < 16383; ++i) {
    longest += grin;
  }
  Run(longest + "x");  // 32,767 units: read as a line
  EXPECT_EQ(bar_->Text(), kUnknownCommandText);
  Run(longest + grin);  // 32,768
  EXPECT_EQ(bar_->Text(), kLineTooLongStatus);
}

// The bar stands in its corner: moved off it along one axis or both, it
// goes back at the next tick; a corner picked in the options moves it.
TEST_F(Conformance, TheBarGoesBackToItsCornerAndTheOptionsMoveIt) {
  Start("");
  const Point corner = PlaceCommandBar(4, {250, 19}, {1024, 768}, 15);
  EXPECT_EQ(bar_->BarPlace(), corner);
  for (const Point away :
       {Point{corner.x - 37, corner.y}, Point{corner.x, corner.y - 41}, Point{10, 10}}) {
    bar_->MoveBar(away);
    bar_->Tick();
    EXPECT_EQ(bar_->BarPlace(), corner) << away.x << "," << away.y;
  }
  bar_->Press(Key::kF3);
  ASSERT_TRUE(bar_->DialogOpen(Dialog::kOptions));
  bar_->Rules().Options()->PickCorner(1);
  bar_->CloseDialog(Dialog::kOptions);
  bar_->Tick();
  EXPECT_EQ(bar_->BarPlace(), PlaceCommandBar(1, {250, 19}, {1024, 768}, 15));
}

// A panel that reserves its space along the top (there from the start, or
// come since): a bar in a top corner stands below it, in the work area.
TEST_F(Conformance, TheBarStandsBelowAPanelThatReservesItsSpace) {
  Start("", 2);
  if (!bar_->ReservePanel(24)) {
    GTEST_SKIP() << "no panel can reserve space for this view";
  }
  bar_->Tick();
  EXPECT_EQ(bar_->BarPlace(), (Point{774, 24}));
}

// The editor's boxes show what the rules say after each action: the bar's
// line as the target, emptied after Add and Remove, a row's entry when it
// is clicked, the chosen file after Browse.
TEST_F(Conformance, TheEditorsBoxesAfterEachAction) {
  fileChoices_ = {temp_.Write("prog/notes.txt", "")};
  Start("www.a.org\r\na\r\n");
  bar_->Paste("www.z.org");
  bar_->Press(Key::kF2);
  ASSERT_TRUE(bar_->DialogOpen(Dialog::kEditor));
  EXPECT_EQ(bar_->Text(), "");
  EXPECT_EQ(bar_->EditorBoxes(), (Strings{"www.z.org", ""}));
  bar_->TypeInEditor(true, "z");
  bar_->ClickInEditor(EditorAction::kAdd);
  EXPECT_EQ(bar_->EditorBoxes(), (Strings{"", ""}));
  bar_->PickEditorRow(0);
  EXPECT_EQ(bar_->EditorBoxes(), (Strings{"www.a.org", "a"}));
  bar_->ClickInEditor(EditorAction::kRemove);
  EXPECT_EQ(bar_->EditorBoxes(), (Strings{"", ""}));
  bar_->TypeInEditor(true, "n");
  bar_->ClickInEditor(EditorAction::kBrowse);
  const Strings browsed = bar_->EditorBoxes();
  ASSERT_EQ(browsed.size(), 2u);
  EXPECT_TRUE(browsed[0].ends_with("notes.txt")) << browsed[0];
  EXPECT_EQ(browsed[1], "n");
  bar_->CloseDialog(Dialog::kEditor);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.z.org\r\nz\r\n");
}

// Two bars add the same quickcommand while their editors are open: the
// second save keeps the first's and its own, the same one once.
TEST_F(Conformance, TwoBarsAddingOneQuickcommandStoreItOnce) {
  Start("www.a.org\r\na\r\n");
  bar_->Press(Key::kF2);
  ASSERT_TRUE(bar_->DialogOpen(Dialog::kEditor));
  temp_.Write("prog/files.cfg", "www.a.org\r\na\r\nwww.n.org\r\nn\r\nwww.m.org\r\nm\r\n");
  bar_->TypeInEditor(false, "www.n.org");
  bar_->TypeInEditor(true, "n");
  bar_->ClickInEditor(EditorAction::kAdd);
  bar_->CloseDialog(Dialog::kEditor);
  EXPECT_EQ(temp_.Read("prog/files.cfg"), "www.a.org\r\na\r\nwww.n.org\r\nn\r\nwww.m.org\r\nm\r\n");
}

// Escape hides the bar behind its icon; when the notification area goes
// away, the bar comes back rather than being lost with the icon.
TEST_F(Conformance, TheBarComesBackWhenTheNotificationAreaGoes) {
  Start("");
  ASSERT_TRUE(bar_->BarShown());
  bar_->Press(Key::kEscape);
  ASSERT_FALSE(bar_->BarShown());
  bar_->EndTray();
  EXPECT_TRUE(bar_->BarShown());
}

}  // namespace
}  // namespace tarvolin::conformance
