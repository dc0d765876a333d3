#include "core/geometry.h"

#include <cmath>

namespace tarvolin {

namespace {

constexpr float kBottomAllowance = 1050.0f;
constexpr float kOptionsTopOffset = 310.0f;
constexpr float kRollOutStep = 200.0f;
constexpr float kGapAboveBar = 150.0f;

int ToPixels(float twips, float twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

bool IsTop(int corner) {
  return corner == 1 || corner == 2;
}

bool IsLeft(int corner) {
  return corner == 1 || corner == 3;
}

int RightEdgeLeft(Size bar, Size screen, float tpp) {
  return ToPixels(static_cast<float>(screen.width) * tpp - static_cast<float>(bar.width) * tpp,
                  tpp);
}

int BottomTop(Size bar, Size screen, float tpp) {
  return ToPixels(static_cast<float>(screen.height) * tpp + static_cast<float>(bar.height) * tpp -
                      kBottomAllowance,
                  tpp);
}

}  // namespace

Point PlaceCommandBar(int corner, Size bar, Size screen, float twipsPerPixel) {
  return {IsLeft(corner) ? 0 : RightEdgeLeft(bar, screen, twipsPerPixel),
          IsTop(corner) ? 0 : BottomTop(bar, screen, twipsPerPixel)};
}

Point OptionsCornerPosition(int corner, Size bar, Size screen, float twipsPerPixel) {
  Point point = PlaceCommandBar(corner, bar, screen, twipsPerPixel);
  if (IsTop(corner)) {
    point.y =
        ToPixels(static_cast<float>(bar.height) * twipsPerPixel - kOptionsTopOffset, twipsPerPixel);
  }
  return point;
}

RollOutPlan RollOutSteps(Point barPosition, Size bar, int width, int targetHeight,
                         int collapsedHeight, int screenWidth, int corner, float tpp) {
  // The target as a 16-bit whole number of twips, halves to the even
  // neighbour (the default rounding mode).
  const float target = std::nearbyint(static_cast<float>(targetHeight) * tpp);
  RollOutPlan plan;
  plan.left = barPosition.x;
  if (plan.left + width > screenWidth) {
    plan.left = screenWidth - width;
  }
  const bool below = IsTop(corner);
  int top =
      below ? barPosition.y + bar.height
            : ToPixels(static_cast<float>(barPosition.y - bar.height) * tpp - kGapAboveBar, tpp);
  if (!below && top + collapsedHeight > barPosition.y) {
    // A title bar taller than the bar and the gap together (KDE's, or
    // Windows' smallest captioned window) would have the strip, and the
    // dialog after it, cover the bar: its lower edge meets the bar's top.
    top = barPosition.y - collapsedHeight;
  }
  int height = collapsedHeight;
  plan.start = {top, height};
  for (;;) {
    const int before = height;
    height = ToPixels(static_cast<float>(height) * tpp + kRollOutStep, tpp);
    if (!below) {
      top = ToPixels(static_cast<float>(top) * tpp - kRollOutStep, tpp);
    }
    plan.steps.push_back({top, height});
    if (static_cast<float>(height) * tpp >= target || height <= before) {
      break;
    }
  }
  return plan;
}

}  // namespace tarvolin
