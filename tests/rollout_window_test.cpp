// The roll-out of a real tool dialog: offscreen, where windows have no frame,
// and on an X display with a window manager, where the frame is only known
// once the window is mapped.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>

#include "platform/design.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/qt_window.h"
#include "presentation/rollout.h"
#include "support/fake_window.h"
#include "support/qt/test_app.h"

namespace tarvolin {
namespace {

using platform::ControlKind;
using platform::Place;

// A dialog the size of the quickcommand editor, or wider.
platform::FormDesign DialogDesign(float clientWidth) {
  platform::FormDesign design;
  design.name = "Form2";
  design.caption = "Edit Quickcommands";
  design.style = platform::WindowStyle::kToolDialog;
  design.clientWidth = clientWidth;
  design.clientHeight = 3780;
  design.controls = {
      Place(ControlKind::kListBox, "List1", "", 0, 360, 2415, 2400, 0),
      Place(ControlKind::kTextBox, "Text1", "", 0, 3480, 2535, 285, 1),
  };
  return design;
}

testing::FakeWindow Bar(float left, float top) {
  testing::FakeWindow bar;
  bar.left = left;
  bar.top = top;
  return bar;
}

class RollOutWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::EnsureApplication(); }

  // 3780 twips at 15 twips a pixel.
  static constexpr int kDesignedClientHeight = 252;

  platform::QtToolkit ui_;
};

TEST_F(RollOutWindowTest, BelowATopBarTheDialogEndsUnderTheBarAtLeastAsTallAsDesigned) {
  const testing::FakeWindow bar = Bar(0, 0);
  platform::QtWindow dialog(DialogDesign(3660));
  const float designed = dialog.Height();
  EXPECT_GE(designed, 3780);

  RollOutForm(dialog, bar, ui_, 1);

  EXPECT_TRUE(dialog.Visible());
  EXPECT_EQ(dialog.Left(), 0);
  EXPECT_EQ(dialog.Top(), 285);
  EXPECT_GE(dialog.Height(), designed);
  EXPECT_LT(dialog.Height(), designed + 200);
  // The frame was counted from the start, so nothing of the client area is
  // cut off.
  EXPECT_GE(dialog.Widget()->height(), kDesignedClientHeight);

  // The window system agrees once it has handled everything.
  const float height = dialog.Height();
  testing::Pump(300);
  EXPECT_EQ(dialog.Left(), 0);
  EXPECT_EQ(dialog.Top(), 285);
  EXPECT_EQ(dialog.Height(), height);
}

TEST_F(RollOutWindowTest, AboveABottomBarTheDialogGrowsUpwardsFromAFixedLowerEdge) {
  const testing::FakeWindow bar = Bar(11610, 10755);
  platform::QtWindow dialog(DialogDesign(5400));
  const float designed = dialog.Height();

  RollOutForm(dialog, bar, ui_, 4);

  // Too wide to start at the bar: its right edge meets the screen's.
  EXPECT_EQ(dialog.Left() + dialog.Width(), ui_.ScreenWidth());
  EXPECT_GE(dialog.Height(), designed);
  EXPECT_LT(dialog.Height(), designed + 200);
  EXPECT_GE(dialog.Widget()->height(), kDesignedClientHeight);
  const float bottom = dialog.Top() + dialog.Height();
  testing::Pump(300);
  EXPECT_EQ(dialog.Top() + dialog.Height(), bottom);

  // The lower edge is where the first, smallest strip ended: 150 twips and
  // the bar's height above the bar.
  dialog.SetHeight(1);
  const float strip = dialog.Height();
  EXPECT_EQ(bottom, 10755 - 285 - 150 + strip);
}

TEST_F(RollOutWindowTest, UnderAWindowManagerTheRectangleIncludesTheFrame) {
  if (QGuiApplication::platformName() != "xcb") {
    GTEST_SKIP() << "needs an X display with a window manager";
  }
  platform::QtWindow dialog(DialogDesign(3660));
  // Before it is shown: the client area and the frame the window manager
  // will give it.
  EXPECT_GT(dialog.Height(), 3780);
  EXPECT_GT(dialog.Width(), 3660);
  const float width = dialog.Width();
  const float height = dialog.Height();
  dialog.SetLeft(1500);
  dialog.SetTop(1500);
  dialog.Show();
  EXPECT_EQ(dialog.Width(), width);
  EXPECT_EQ(dialog.Height(), height);
  EXPECT_EQ(dialog.Left(), 1500);
  EXPECT_EQ(dialog.Top(), 1500);
  QWidget* widget = dialog.Widget();
  EXPECT_NE(widget->frameGeometry(), widget->geometry());

  // The outer height set is the outer height read, the frame taken off the
  // client area.
  dialog.SetHeight(3000);
  EXPECT_EQ(dialog.Height(), 3000);
  EXPECT_EQ(widget->height(), 200 - (widget->frameGeometry().height() - widget->height()));
  testing::Pump(300);
  EXPECT_EQ(dialog.Height(), 3000);
  EXPECT_EQ(dialog.Top(), 1500);
}

}  // namespace
}  // namespace tarvolin
