#include "bar/faces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/version.h"

namespace tarvolin::bar {

std::string Caption(Dialog dialog) {
  switch (dialog) {
    case Dialog::kHelp:
      return HelpCaption(kProgramVersion, kIsBeta);
    case Dialog::kHidden:
      return "This is Mirelo ^_^";
    case Dialog::kEditor:
      return "Edit Quickcommands";
    case Dialog::kOptions:
      break;
  }
  return "Options";
}

Size ClientTwips(Dialog dialog) {
  switch (dialog) {
    case Dialog::kHelp:
      return {5280, 2745};
    case Dialog::kHidden:
      return {2010, 1875};
    case Dialog::kEditor:
      return {3660, 3780};
    case Dialog::kOptions:
      break;
  }
  return {3645, 1680};
}

std::vector<std::uint32_t> HiddenPicture() {
  const int width = kHiddenPictureSize.width;
  const int height = kHiddenPictureSize.height;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                    static_cast<std::size_t>(height));
  const auto put = [&](int x, int y, std::uint32_t colour) {
    if (x >= 0 && x < width && y >= 0 && y < height) {
      pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)] = colour;
    }
  };
  for (int y = 0; y < height; ++y) {
    const auto shade = static_cast<std::uint32_t>(120 + y * 120 / height);
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - 33.5, (y - 42) * 0.95);
      put(x, y, d < 27 ? 0xFFE0BD : d < 29 ? 0x78503C : (shade << 16) | ((shade + 10) << 8) | 250);
    }
  }
  // A line two pixels wide from one point to another.
  const auto line = [&](int x0, int y0, int x1, int y1) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
      const int x = x0 + (x1 - x0) * i / std::max(steps, 1);
      const int y = y0 + (y1 - y0) * i / std::max(steps, 1);
      put(x, y, 0x3C2828);
      put(x, y + 1, 0x3C2828);
    }
  };
  for (const int eye : {23, 44}) {
    line(eye - 5, 38, eye, 33);
    line(eye, 33, eye + 5, 38);
  }
  line(28, 56, 39, 56);
  for (const int left : {16, 47}) {
    for (int y = 44; y < 48; ++y) {
      for (int x = left; x < left + 5; ++x) {
        put(x, y, 0xFAAAAA);
      }
    }
  }
  return pixels;
}

}  // namespace tarvolin::bar
