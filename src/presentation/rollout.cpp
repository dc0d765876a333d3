#include "presentation/rollout.h"

#include <cmath>
#include <limits>

namespace tarvolin {

namespace {

constexpr float kStep = 200;
// Between the bar's top edge and the lower edge of a dialog above it, on top
// of the bar's height.
constexpr float kGapAboveBar = 150;

// A height as a 16-bit integer: nearest whole number, halves to the even
// neighbour (the default rounding mode), kept inside the 16-bit range.
std::int16_t ToInt16(float twips) {
  const float rounded = std::nearbyint(twips);
  if (!(rounded >= std::numeric_limits<std::int16_t>::min())) {
    return std::numeric_limits<std::int16_t>::min();
  }
  if (rounded > std::numeric_limits<std::int16_t>::max()) {
    return std::numeric_limits<std::int16_t>::max();
  }
  return static_cast<std::int16_t>(rounded);
}

}  // namespace

void RollOutForm(platform::Window& dialog, const platform::Window& bar,
                 const platform::Screen& screen, std::int16_t cornerCode) {
  const std::int16_t target = ToInt16(dialog.Height());
  dialog.SetHeight(1);
  dialog.SetLeft(bar.Left());
  if (dialog.Left() + dialog.Width() > screen.ScreenWidth()) {
    dialog.SetLeft(screen.ScreenWidth() - dialog.Width());
  }
  dialog.Show();

  const bool belowBar = cornerCode == 1 || cornerCode == 2;
  if (belowBar) {
    dialog.SetTop(bar.Top() + bar.Height());
  } else {
    dialog.SetTop(bar.Top() - bar.Height() - kGapAboveBar);
  }
  // Each step starts from what the window made of the last one, so the
  // platform's rounding to whole pixels enters every step.
  for (;;) {
    const float before = dialog.Height();
    dialog.SetHeight(before + kStep);
    if (!belowBar) {
      dialog.SetTop(dialog.Top() - kStep);
    }
    dialog.Refresh();
    const float after = dialog.Height();
    // A window that cannot grow any further (the window system caps its
    // height) ends the roll-out instead of spinning for ever.
    if (after >= target || after <= before) {
      break;
    }
  }
}

}  // namespace tarvolin
