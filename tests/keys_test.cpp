// The keys of the command box, pressed as real key events on the box.
#include <gtest/gtest.h>

#include "bar/dialog_form.h"
#include "bar/form1.h"
#include "support/qt/bar_fixture.h"

namespace tarvolin {
namespace {

using testing::ProcessEnded;

constexpr char kUnknown[] = "Unknown command (F1 for help)";

class KeysTest : public testing::BarFixture {
 protected:
  void SetUp() override {
    AddProgram("Games/run.exe", "run");
    Start();
  }

  platform::TextBox& Box() { return program_->form1().Text1(); }
};

TEST_F(KeysTest, EnterOnAnEmptyBoxChangesNothing) {
  program_->bar.StatusMessage = "earlier";
  Press(Qt::Key_Return);
  EXPECT_EQ(BoxText(), "");
  EXPECT_EQ(program_->bar.StatusMessage, "earlier");
  EXPECT_FALSE(program_->bar.CommandHandled);
  EXPECT_EQ(program_->bar.CommandHistory, std::vector<std::string>{""});
}

TEST_F(KeysTest, TheLineIsTrimmedOfSpacesBeforeItRuns) {
  Submit("   c:\\games\\run.exe  ");
  EXPECT_EQ(WaitForMarker("run"), drive_ / "Games");
  EXPECT_EQ(program_->bar.CommandHistory, std::vector<std::string>{"c:\\games\\run.exe"});
  EXPECT_EQ(BoxText(), "");
  // A line of spaces trims to nothing and shows nothing.
  Submit("    ");
  EXPECT_EQ(BoxText(), "");
}

TEST_F(KeysTest, TheStatusTextIsSelectedAndTheNextKeyReplacesIt) {
  Submit("nonsense");
  EXPECT_EQ(BoxText(), kUnknown);
  EXPECT_EQ(Box().SelStart(), 0);
  EXPECT_EQ(Box().SelLength(), 29);
  EXPECT_FALSE(program_->bar.CommandHandled);
  Type("x");
  EXPECT_EQ(BoxText(), "x");

  // The status text itself, submitted, is unknown and shows itself again.
  SetBoxText(kUnknown);
  Press(Qt::Key_Return);
  EXPECT_EQ(BoxText(), kUnknown);
  EXPECT_EQ(Box().SelLength(), 29);
}

TEST_F(KeysTest, AfterADialogKeyTheNextUnknownWordStaysWithoutStatus) {
  for (const int key : {Qt::Key_F1, Qt::Key_F2, Qt::Key_F3}) {
    SetBoxText("");
    Press(key);
    Submit("nonsense");
    EXPECT_EQ(BoxText(), "nonsense") << key;
    EXPECT_EQ(Box().SelLength(), 8) << key;
    // The submit ended the effect: the next one shows the status again.
    SetBoxText("nonsense");
    Press(Qt::Key_Return);
    EXPECT_EQ(BoxText(), kUnknown) << key;
  }
  EXPECT_EQ(OpenDialogs(), (std::vector<Dialog>{Dialog::kHelp, Dialog::kEditor, Dialog::kOptions}));
}

TEST_F(KeysTest, ModifiersDoNotChangeWhatAKeyDoes) {
  Press(Qt::Key_F1, Qt::ShiftModifier);
  Press(Qt::Key_F3, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(OpenDialogs(), (std::vector<Dialog>{Dialog::kHelp, Dialog::kOptions}));
}

TEST_F(KeysTest, F2HandsTheBoxTextToTheEditorBeforeEmptyingIt) {
  SetBoxText("c:\\games\\run.exe");
  Press(Qt::Key_F2);
  ASSERT_EQ(OpenDialogs(), std::vector<Dialog>{Dialog::kEditor});
  platform::Window& editor = program_->LoadedDialog(Dialog::kEditor)->Window();
  EXPECT_EQ(editor.Find<platform::TextBox>("Text1")->Text(), "c:\\games\\run.exe");
  EXPECT_EQ(BoxText(), "");
  EXPECT_TRUE(program_->bar.CommandHandled);
  EXPECT_EQ(program_->bar.HistoryPosition, -1);
  // F2 records nothing.
  EXPECT_EQ(program_->bar.CommandHistory, std::vector<std::string>{""});
}

TEST_F(KeysTest, F3RecordsTheBoxTextEvenWhenEmpty) {
  Submit("www.example.org");
  Opened(1);
  SetBoxText("");
  Press(Qt::Key_F3);
  EXPECT_EQ(program_->bar.CommandHistory, (std::vector<std::string>{"", "www.example.org"}));
  EXPECT_EQ(OpenDialogs(), std::vector<Dialog>{Dialog::kOptions});
}

TEST_F(KeysTest, EscapeWithoutANotificationAreaKeepsTheBarAndF10EndsTheProgram) {
  // This run has no tray: hiding the bar would leave no way back.
  Press(Qt::Key_Escape);
  EXPECT_TRUE(program_->form1().Window().Visible());
  EXPECT_EQ(system_.endCount, 0);
  SetBoxText("typed but not run");
  EXPECT_THROW(program_->form1().Text1_KeyDown(platform::kKeyF10, 0), ProcessEnded);
  EXPECT_EQ(system_.endCount, 1);
  EXPECT_EQ(program_->bar.CommandHistory, std::vector<std::string>{""});
}

TEST_F(KeysTest, UpAndDownBrowseTheHistory) {
  Submit("www.a.example");
  Submit("www.b.example");
  Press(Qt::Key_Down);
  EXPECT_EQ(BoxText(), "www.b.example");
  EXPECT_EQ(Box().SelLength(), 13);
  Press(Qt::Key_Down);
  EXPECT_EQ(BoxText(), "www.a.example");
  Press(Qt::Key_Up);
  EXPECT_EQ(BoxText(), "www.b.example");
  Press(Qt::Key_Up);
  EXPECT_EQ(BoxText(), "");
}

}  // namespace
}  // namespace tarvolin
