// The history of carried-out commands, and completing the line from it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "bar/completion.h"
#include "bar/form1.h"
#include "bar/history.h"
#include "platform/text.h"
#include "support/qt/bar_fixture.h"

namespace tarvolin {
namespace {

class HistoryTest : public testing::BarFixture {
 protected:
  void SetUp() override { Start(); }

  platform::TextBox& Box() { return program_->form1().Text1(); }
  BarState& Bar() { return program_->bar; }

  void Record(const std::string& line) {
    Box().SetText(line);
    AddToHistory(Bar(), Box());
  }
  std::string Down() {
    BrowseOlder(Bar(), Box());
    return Box().Text();
  }
  std::string Up() {
    BrowseNewer(Bar(), Box());
    return Box().Text();
  }

  // Puts typed text in the box with the caret after it, as typing leaves it.
  void Typed(const std::string& text) {
    Box().SetText(text);
    Box().SetSelStart(platform::CharCount(text));
  }

  // A tick of the bar's timer `seconds` after the last change of the text.
  void TickAfter(double seconds) {
    system_.now = Bar().LastEditTime + seconds;
    program_->form1().Timer1_Timer();
  }

  std::vector<std::string>& History() { return Bar().CommandHistory; }
};

TEST_F(HistoryTest, AtStartBothDirectionsShowAnEmptyBox) {
  EXPECT_EQ(Down(), "");
  EXPECT_EQ(Bar().HistoryPosition, 0);
  EXPECT_EQ(Up(), "");
  EXPECT_EQ(Bar().HistoryPosition, -1);
}

TEST_F(HistoryTest, DownWalksToTheOldestAndUpBackPastTheNewest) {
  Record("A");
  Record("B");
  EXPECT_EQ(Box().Text(), "");
  EXPECT_TRUE(Bar().CommandHandled);
  EXPECT_EQ(Down(), "B");
  EXPECT_EQ(Down(), "A");
  EXPECT_EQ(Down(), "A");
  EXPECT_EQ(Box().SelStart(), 0);
  EXPECT_EQ(Box().SelLength(), 1);
  EXPECT_EQ(Up(), "B");
  EXPECT_EQ(Box().SelLength(), 1);
  EXPECT_EQ(Up(), "");
  EXPECT_EQ(Up(), "");
  // Every recording resets browsing.
  Down();
  Record("C");
  EXPECT_EQ(Bar().HistoryPosition, -1);
  EXPECT_EQ(Down(), "C");
}

TEST_F(HistoryTest, KeepsTheLastFourAndEveryRepeat) {
  for (const char* line : {"1", "2", "3", "4", "5"}) {
    Record(line);
  }
  EXPECT_EQ(History(), (std::vector<std::string>{"5", "4", "3", "2"}));
  Record("5");
  EXPECT_EQ(History(), (std::vector<std::string>{"5", "5", "4", "3"}));
}

TEST_F(HistoryTest, AnEmptyNewestEntryStopsTheListFromGrowing) {
  Record("A");
  Record("B");
  Record("");
  EXPECT_EQ(History(), (std::vector<std::string>{"", "B", "A"}));
  Record("C");
  EXPECT_EQ(History(), (std::vector<std::string>{"C", "", "B"}));
}

TEST_F(HistoryTest, CompletesAfterThePauseWithTheAddedPartSelected) {
  Record("notepad");
  Typed("no");
  TickAfter(0.75);  // not yet: the pause must be longer
  EXPECT_EQ(Box().Text(), "no");
  TickAfter(0.76);
  EXPECT_EQ(Box().Text(), "notepad");
  EXPECT_EQ(Box().SelStart(), 2);
  EXPECT_EQ(Box().SelLength(), 5);
  // The completion was a change of the text, and its selection holds it.
  const double completedAt = Bar().LastEditTime;
  EXPECT_DOUBLE_EQ(completedAt, system_.now);
  TickAfter(5);
  EXPECT_EQ(Box().SelLength(), 5);

  // Typing replaces the proposal; Backspace deletes it and it comes back.
  Type("w");
  QWidget* box = BoxWidget();
  EXPECT_EQ(Box().Text(), "now");
  Typed("no");
  TickAfter(1);
  QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
  QApplication::sendEvent(box, &back);
  EXPECT_EQ(Box().Text(), "no");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "notepad");
}

TEST_F(HistoryTest, ALaterEntryCanOnlyExtendTheProposal) {
  Record("notepad");
  Record("note");
  Typed("no");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "notepad");
  EXPECT_EQ(Box().SelStart(), 4);
  EXPECT_EQ(Box().SelLength(), 3);
}

TEST_F(HistoryTest, CompletionDistinguishesCapitals) {
  Record("notepad");
  Typed("NO");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "NO");
  Record("Notepad");
  Typed("no");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "notepad");  // from the older entry only
  program_->settings.CaseSensitive = false;
  Typed("NOTE");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "NOTE");
}

TEST_F(HistoryTest, AnEqualEntryOrASelectedTextIsNotCompleted) {
  Record("notepad");
  Typed("notepad");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "notepad");
  EXPECT_EQ(Box().SelLength(), 0);

  Box().SetText("no");
  SelectAll(Box());
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "no");
}

TEST_F(HistoryTest, NothingCompletesAcrossMidnightUntilTheNextChange) {
  Record("notepad");
  system_.now = 86399.9;
  Typed("no");
  system_.now = 0.6;  // the clock went round
  program_->form1().Timer1_Timer();
  system_.now = 5.0;
  program_->form1().Timer1_Timer();
  EXPECT_EQ(Box().Text(), "no");
  Typed("not");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "notepad");
}

TEST_F(HistoryTest, CharactersNotBytesDecideTheSelection) {
  Record("caf\xC3\xA9 cr\xC3\xA8me");
  Typed("ca");
  TickAfter(1);
  EXPECT_EQ(Box().Text(), "caf\xC3\xA9 cr\xC3\xA8me");
  EXPECT_EQ(Box().SelStart(), 2);
  EXPECT_EQ(Box().SelLength(), 8);
  Typed("caf\xC3\xA9");
  TickAfter(1);
  EXPECT_EQ(Box().SelStart(), 4);
  EXPECT_EQ(Box().SelLength(), 6);
}

}  // namespace
}  // namespace tarvolin
