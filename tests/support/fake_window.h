// A window that only remembers its rectangle, in twips, and logs which of
// its properties were written.
#pragma once

#include <string>
#include <vector>

#include "platform/ui.h"

namespace tarvolin::testing {

class FakeWindow : public platform::Window {
 public:
  float Left() const override { return left; }
  float Top() const override { return top; }
  float Width() const override { return width; }
  float Height() const override { return height; }
  void SetLeft(float twips) override { Log("Left", left = twips); }
  void SetTop(float twips) override { Log("Top", top = twips); }
  void SetWidth(float twips) override { Log("Width", width = twips); }
  void SetHeight(float twips) override { Log("Height", height = twips); }
  std::string Caption() const override { return caption; }
  void SetCaption(const std::string& text) override { caption = text; }
  void Show() override { Log("Show", 0); }
  void Hide() override { Log("Hide", 0); }
  bool Visible() const override { return false; }
  void Refresh() override {}
  void SetTopMost() override { Log("TopMost", 0); }
  void Activate() override { Log("Activate", 0); }
  platform::Control* FindControl(const std::string&) override { return nullptr; }

  float left = 0;
  float top = 0;
  float width = 3750;
  float height = 285;
  std::string caption;
  std::vector<std::string> writes;

 private:
  void Log(const char* what, float) { writes.emplace_back(what); }
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
