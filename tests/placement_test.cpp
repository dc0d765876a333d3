#include <gtest/gtest.h>

#include <vector>

#include "presentation/placement.h"
#include "support/fake_window.h"

namespace tarvolin {
namespace {

using testing::FakeScreen;
using testing::FakeWindow;

// A 1024 by 768 pixel screen at 15 twips a pixel.
const FakeScreen kScreen(15360, 11520);

struct CornerCase {
  std::int16_t corner;
  float left;
  float top;
};

TEST(PlaceCommandBar, PutsTheBarIntoEachCorner) {
  const std::vector<CornerCase> cases = {
      {1, 0, 0},         {2, 11610, 0},     {3, 0, 10755},      {4, 11610, 10755},
      {0, 11610, 10755}, {5, 11610, 10755}, {-1, 11610, 10755}, {32767, 11610, 10755},
  };
  for (const CornerCase& c : cases) {
    FakeWindow bar;
    bar.left = 123;
    bar.top = 456;
    PlaceCommandBar(bar, kScreen, c.corner);
    EXPECT_EQ(bar.left, c.left) << "corner " << c.corner;
    EXPECT_EQ(bar.top, c.top) << "corner " << c.corner;
    // Only the position changes, and the top edge is set before the left.
    EXPECT_EQ(bar.writes, (std::vector<std::string>{"Top", "Left"})) << "corner " << c.corner;
    EXPECT_EQ(bar.width, 3750);
    EXPECT_EQ(bar.height, 285);
  }
}

TEST(PlaceCommandBar, TopLeftIgnoresTheScreenSize) {
  FakeWindow bar;
  PlaceCommandBar(bar, FakeScreen(100, 100), 1);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.top, 0);
}

TEST(PlaceCommandBar, ATallerBarSitsLowerInTheBottomCorners) {
  for (const std::int16_t corner : {std::int16_t{3}, std::int16_t{4}}) {
    FakeWindow bar;
    PlaceCommandBar(bar, kScreen, corner);
    const float normalTop = bar.top;
    bar.height = 285 + 300;
    PlaceCommandBar(bar, kScreen, corner);
    EXPECT_EQ(bar.top, normalTop + 300) << "corner " << corner;
  }
}

TEST(PlaceCommandBar, IsIdempotentAndKeepsOutOfRangeResults) {
  FakeWindow bar;
  PlaceCommandBar(bar, kScreen, 4);
  const float left = bar.left;
  const float top = bar.top;
  PlaceCommandBar(bar, kScreen, 4);
  EXPECT_EQ(bar.left, left);
  EXPECT_EQ(bar.top, top);

  // A bar wider than the screen, on a screen lower than the allowance: the
  // results are used as computed.
  FakeWindow wide;
  wide.width = 20000;
  PlaceCommandBar(wide, FakeScreen(15360, 600), 2);
  EXPECT_EQ(wide.left, 15360 - 20000);
  PlaceCommandBar(wide, FakeScreen(15360, 600), 4);
  EXPECT_EQ(wide.top, 600 + 285 - 1050);
}

}  // namespace
}  // namespace tarvolin
