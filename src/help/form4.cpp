#include "help/form4.h"

#include <cmath>
#include <cstdint>

#include "bar/program.h"
#include "help/help_design.h"

namespace tarvolin {

namespace {

struct Rgb {
  std::uint8_t r;
  std::uint8_t g;
  std::uint8_t b;
};

void Put(platform::Picture& picture, int x, int y, Rgb c) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) {
    return;
  }
  const std::size_t at = (static_cast<std::size_t>(y) * picture.width + x) * 4;
  picture.rgba[at] = c.r;
  picture.rgba[at + 1] = c.g;
  picture.rgba[at + 2] = c.b;
  picture.rgba[at + 3] = 255;
}

// A thick caret, ^, with its tip at (x, y).
void Caret(platform::Picture& picture, int x, int y, Rgb c) {
  for (int i = 0; i < 6; ++i) {
    for (int t = 0; t < 2; ++t) {
      Put(picture, x - i, y + i + t, c);
      Put(picture, x + i, y + i + t, c);
    }
  }
}

}  // namespace

platform::Picture MireloPicture() {
  platform::Picture picture;
  picture.width = 68;
  picture.height = 79;
  picture.rgba.assign(static_cast<std::size_t>(picture.width) * picture.height * 4, 0);
  // A sky that fades from blue to pale, a round face, two closed eyes (^ ^)
  // and a small mouth (_).
  for (int y = 0; y < picture.height; ++y) {
    const auto shade = static_cast<std::uint8_t>(120 + y * 120 / picture.height);
    for (int x = 0; x < picture.width; ++x) {
      Put(picture, x, y, {shade, static_cast<std::uint8_t>(shade + 10), 250});
    }
  }
  const double cx = 33.5;
  const double cy = 42;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const double d = std::hypot(x - cx, (y - cy) * 0.95);
      if (d < 27) {
        Put(picture, x, y, {255, 224, 189});
      } else if (d < 29) {
        Put(picture, x, y, {120, 80, 60});
      }
    }
  }
  const Rgb ink{60, 40, 40};
  Caret(picture, 23, 32, ink);
  Caret(picture, 44, 32, ink);
  for (int x = 28; x <= 39; ++x) {
    Put(picture, x, 56, ink);
    Put(picture, x, 57, ink);
  }
  // Rosy cheeks.
  for (int y = 44; y < 48; ++y) {
    for (int x = 0; x < 5; ++x) {
      Put(picture, 16 + x, y, {250, 170, 170});
      Put(picture, 47 + x, y, {250, 170, 170});
    }
  }
  return picture;
}

Form4::Form4(Program& program) : DialogForm(program.platform.ui, Form4Design()) {
  Get<platform::PictureBox>("Picture1").SetPicture(MireloPicture());
}

}  // namespace tarvolin
