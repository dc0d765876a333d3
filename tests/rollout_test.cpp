// The roll-out of a dialog out of the command bar, on windows that only
// remember their rectangle.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "presentation/rollout.h"
#include "support/fake_window.h"

namespace tarvolin {
namespace {

using testing::FakeScreen;
using testing::FakeWindow;

// A 1024 by 768 pixel screen at 15 twips a pixel.
const FakeScreen kScreen(15360, 11520);

FakeWindow Bar(float left, float top) {
  FakeWindow bar;
  bar.left = left;
  bar.top = top;
  return bar;
}

FakeWindow Dialog(float width, float height) {
  FakeWindow dialog;
  dialog.left = 777;
  dialog.top = 888;
  dialog.width = width;
  dialog.height = height;
  return dialog;
}

int Count(const FakeWindow& window, const std::string& what) {
  int n = 0;
  for (const auto& write : window.log) {
    n += write.what == what ? 1 : 0;
  }
  return n;
}

// The values written to one property, in order.
std::vector<float> Values(const FakeWindow& window, const std::string& what) {
  std::vector<float> values;
  for (const auto& write : window.log) {
    if (write.what == what) {
      values.push_back(write.value);
    }
  }
  return values;
}

TEST(RollOutForm, BelowATopBarTheDialogGrowsDownFromTheBarsLowerEdge) {
  for (const std::int16_t corner : {std::int16_t{1}, std::int16_t{2}}) {
    const FakeWindow bar = Bar(0, 0);
    FakeWindow dialog = Dialog(4000, 3000);
    RollOutForm(dialog, bar, kScreen, corner);

    EXPECT_EQ(dialog.left, 0) << corner;
    EXPECT_EQ(dialog.top, 285) << corner;
    EXPECT_GE(dialog.height, 3000) << corner;
    EXPECT_LT(dialog.height, 3200) << corner;
    EXPECT_TRUE(dialog.visible);
    // Collapsed and placed before it is shown, then one step per repaint,
    // the top set once.
    const std::vector<std::string> start(dialog.writes.begin(), dialog.writes.begin() + 5);
    EXPECT_EQ(start, (std::vector<std::string>{"Height", "Left", "Show", "Top", "Height"}));
    EXPECT_EQ(Values(dialog, "Top"), std::vector<float>{285});
    std::vector<float> heights = Values(dialog, "Height");
    ASSERT_EQ(heights.size(), 16u);
    EXPECT_EQ(heights.front(), 1);
    for (std::size_t i = 1; i < heights.size(); ++i) {
      EXPECT_EQ(heights[i], heights[i - 1] + 200);
    }
    EXPECT_EQ(Count(dialog, "Refresh"), 15);
    EXPECT_EQ(dialog.writes.back(), "Refresh");
  }
}

TEST(RollOutForm, AboveABottomBarTheDialogGrowsUpwardsKeepingItsLowerEdge) {
  // The bar bottom right on a 15360 twips wide screen; the dialog is too
  // wide to start at the bar's left edge.
  const FakeWindow bar = Bar(11610, 10755);
  FakeWindow dialog = Dialog(5400, 3000);
  RollOutForm(dialog, bar, kScreen, 4);

  EXPECT_EQ(dialog.left, 15360 - 5400);
  const std::vector<float> tops = Values(dialog, "Top");
  ASSERT_FALSE(tops.empty());
  EXPECT_EQ(tops.front(), 10755 - 285 - 150);
  // Every step lifts the top by as much as it adds to the height: the lower
  // edge stays where the one-twip strip put it.
  float height = 1;
  float top = tops.front();
  int steps = 0;
  for (const auto& write : dialog.log) {
    if (write.what == "Height") {
      height = write.value;
    } else if (write.what == "Top") {
      top = write.value;
    } else if (write.what == "Refresh") {
      ++steps;
      EXPECT_EQ(top + height, 10320 + 1) << "step " << steps;
    }
  }
  EXPECT_EQ(steps, 15);
  EXPECT_GE(dialog.height, 3000);
  EXPECT_LT(dialog.height, 3200);
  EXPECT_EQ(dialog.top + dialog.height, 10321);
}

TEST(RollOutForm, EveryCornerButTheTopOnesRollsOutAboveTheBar) {
  for (const std::int16_t corner :
       {std::int16_t{0}, std::int16_t{3}, std::int16_t{5}, std::int16_t{-1}, std::int16_t{32767}}) {
    const FakeWindow bar = Bar(0, 10755);
    FakeWindow dialog = Dialog(4000, 1000);
    RollOutForm(dialog, bar, kScreen, corner);
    EXPECT_EQ(Values(dialog, "Top").front(), 10320) << corner;
    EXPECT_EQ(dialog.top + dialog.height, 10321) << corner;
    EXPECT_EQ(dialog.left, 0) << corner;
  }
}

TEST(RollOutForm, TheDialogMovesLeftOnlyWhenItWouldPassTheScreensRightEdge) {
  struct Case {
    float barLeft;
    float width;
    float left;
  };
  const std::vector<Case> cases = {
      {11610, 3660, 11610},  // fits
      {11610, 3750, 11610},  // ends exactly at the edge
      {11610, 3751, 11609},  // one twip too wide
      {0, 16000, -640},      // wider than the screen
      {5000, 15360, 0},      // as wide as the screen
  };
  for (const Case& c : cases) {
    const FakeWindow bar = Bar(c.barLeft, 0);
    FakeWindow dialog = Dialog(c.width, 1000);
    RollOutForm(dialog, bar, kScreen, 2);
    EXPECT_EQ(dialog.left, c.left) << c.barLeft << " " << c.width;
    // Moved only when needed: at the bar's edge first, then once more.
    EXPECT_EQ(Count(dialog, "Left"), c.left == c.barLeft ? 1 : 2) << c.barLeft << " " << c.width;
    EXPECT_EQ(dialog.width, c.width);
  }
}

TEST(RollOutForm, ALowDialogStillTakesExactlyOneStep) {
  for (const float designed : {200.0f, 199.0f, 1.0f, 0.0f, -50.0f}) {
    const FakeWindow bar = Bar(0, 0);
    FakeWindow dialog = Dialog(2000, designed);
    RollOutForm(dialog, bar, kScreen, 1);
    EXPECT_EQ(Count(dialog, "Refresh"), 1) << designed;
    EXPECT_EQ(dialog.height, 201) << designed;
  }
}

TEST(RollOutForm, TheTargetIsTheHeightRoundedHalfToEven) {
  // A window whose smallest height is 100 twips grows 100, 300, ..., 3100,
  // 3300: whether 3100 is enough depends on the rounding of the target.
  struct Case {
    float designed;
    float final;
  };
  const std::vector<Case> cases = {
      {3100.5f, 3100},  // half to the even neighbour: 3100
      {3099.5f, 3100},  // half to the even neighbour: 3100
      {3100.7f, 3300},  // nearest: 3101, not cut to 3100
      {3101.5f, 3300},  // half to the even neighbour: 3102
      {3100.4f, 3100},
  };
  for (const Case& c : cases) {
    const FakeWindow bar = Bar(0, 0);
    FakeWindow dialog = Dialog(2000, c.designed);
    dialog.minHeight = 100;
    RollOutForm(dialog, bar, kScreen, 1);
    EXPECT_EQ(dialog.height, c.final) << c.designed;
  }
}

TEST(RollOutForm, RollingOutAShownDialogAgainStartsFromItsCurrentHeight) {
  const FakeWindow bar = Bar(11610, 10755);
  FakeWindow dialog = Dialog(3660, 3000);
  RollOutForm(dialog, bar, kScreen, 4);
  EXPECT_EQ(dialog.height, 3001);

  // Unrolled again on the same grid, the overshoot is reached again.
  RollOutForm(dialog, bar, kScreen, 4);
  EXPECT_EQ(dialog.height, 3001);

  // Whatever height the shown dialog has now is the next target: it
  // collapses to the strip at the bar and takes one step more than before.
  dialog.height = 3050;
  dialog.log.clear();
  RollOutForm(dialog, bar, kScreen, 4);
  EXPECT_EQ(Values(dialog, "Height").front(), 1);
  EXPECT_EQ(Values(dialog, "Top").front(), 10320);
  EXPECT_EQ(dialog.height, 3201);
  EXPECT_EQ(dialog.top + dialog.height, 10321);
}

TEST(RollOutForm, WholePixelsMakeEachStepARoundedNumberOfPixels) {
  struct Case {
    float twipsPerPixel;
    float step;  // 200 twips in whole pixels
  };
  for (const Case c : {Case{15, 13 * 15}, Case{12, 17 * 12}}) {
    const FakeWindow bar = Bar(11610, 10755);
    FakeWindow dialog = Dialog(3660, 3780);
    dialog.twipsPerPixel = c.twipsPerPixel;
    RollOutForm(dialog, bar, kScreen, 4);

    const std::vector<float> heights = Values(dialog, "Height");
    ASSERT_GE(heights.size(), 2u);
    EXPECT_EQ(heights.front(), 0);  // one twip is less than half a pixel
    for (std::size_t i = 1; i < heights.size(); ++i) {
      EXPECT_EQ(heights[i] - heights[i - 1], c.step) << c.twipsPerPixel << " step " << i;
    }
    EXPECT_GE(dialog.height, 3780);
    EXPECT_LT(dialog.height, 3780 + c.step);
    // Top and height move by the same whole number of pixels.
    const float firstTop = Values(dialog, "Top").front();
    EXPECT_EQ(dialog.top + dialog.height, firstTop);
  }
}

TEST(RollOutForm, AWindowThatStopsGrowingEndsTheRollOut) {
  const FakeWindow bar = Bar(0, 0);
  FakeWindow dialog = Dialog(3660, 3000);
  dialog.maxHeight = 1000;
  RollOutForm(dialog, bar, kScreen, 1);
  EXPECT_EQ(dialog.height, 1000);
  EXPECT_EQ(Count(dialog, "Refresh"), 6);  // 201 ... 1000, then one that did not grow
}

}  // namespace
}  // namespace tarvolin
