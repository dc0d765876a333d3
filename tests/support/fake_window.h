// A window that only remembers its rectangle, in twips, and logs what was
// done to it. It can round what is written to whole pixels, and keep its
// height within limits, as a real window system does.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace tarvolin::testing {

class FakeWindow : public platform::Window {
 public:
  struct Write {
    std::string what;
    float value;
  };

  float Left() const override { return left; }
  float Top() const override { return top; }
  float Width() const override { return width; }
  float Height() const override { return height; }
  void SetLeft(float twips) override { Log("Left", left = Snap(twips)); }
  void SetTop(float twips) override { Log("Top", top = Snap(twips)); }
  void SetWidth(float twips) override { Log("Width", width = Snap(twips)); }
  void SetHeight(float twips) override { Log("Height", height = LimitHeight(Snap(twips))); }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  void Show() override { Log("Show", static_cast<float>(visible = true)); }
  void Hide() override { Log("Hide", static_cast<float>(visible = false)); }
  bool Visible() const override { return visible; }
  void Refresh() override { Log("Refresh", 0); }
  void SetTopMost() override { Log("TopMost", 0); }
  void Activate() override { Log("Activate", 0); }
  platform::Control* FindControl(const std::string&) override { return nullptr; }

  float left = 0;
  float top = 0;
  float width = 3750;
  float height = 285;
  bool visible = false;
  std::string caption;
  // Twips per pixel: when above 0, every coordinate written is rounded to
  // the nearest whole pixel.
  float twipsPerPixel = 0;
  // Limits of the height written (after rounding); a maximum of 0 means none.
  float minHeight = 0;
  float maxHeight = 0;
  // What was done, in order: the names alone, and the names with the values
  // as stored.
  std::vector<std::string> writes;
  std::vector<Write> log;

 private:
  float Snap(float twips) const {
    return twipsPerPixel > 0 ? std::round(twips / twipsPerPixel) * twipsPerPixel : twips;
  }
  float LimitHeight(float twips) const {
    if (maxHeight > 0 && twips > maxHeight) {
      twips = maxHeight;
    }
    return twips < minHeight ? minHeight : twips;
  }
  void Log(const char* what, float value) {
    writes.emplace_back(what);
    log.push_back({what, value});
  }
};

class FakeScreen : public platform::Screen {
 public:
  FakeScreen(float w, float h) : width(w), height(h) {}
  float ScreenWidth() const override { return width; }
  float ScreenHeight() const override { return height; }
  float width;
  float height;
};

}  // namespace tarvolin::testing
