#include "presentation/placement.h"

namespace tarvolin {

namespace {

// The bottom corners leave this much room (in twips) for the task bar; the
// bar's own height is added, not subtracted, so its bottom edge lies
// 1050 - 2 * height above the screen's bottom.
constexpr float kBottomAllowance = 1050.0f;

}  // namespace

void PlaceCommandBar(platform::Window& bar, const platform::Screen& screen, std::int16_t corner) {
  const bool top = corner == 1 || corner == 2;
  const bool left = corner == 1 || corner == 3;
  if (top) {
    bar.SetTop(0);
  } else {
    bar.SetTop(screen.ScreenHeight() + bar.Height() - kBottomAllowance);
  }
  if (left) {
    bar.SetLeft(0);
  } else {
    bar.SetLeft(screen.ScreenWidth() - bar.Width());
  }
}

}  // namespace tarvolin
