// Form1, the command bar: its window, its start-up and the small events of
// the window and its box.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace tarvolin {

class BarTray;
class OnlineServices;
class Program;

class Form1 {
 public:
  // Intervals of the bar's two timers, in milliseconds.
  static constexpr int kTimer1Interval = 750;
  static constexpr int kTimer2Interval = 55000;

  explicit Form1(Program& program);
  ~Form1();

  // Creates the window, its box and its timers and runs the load handler.
  void Load();
  bool Loaded() const { return window_ != nullptr; }

  platform::Window& Window() { return *window_; }
  platform::TextBox& Text1() { return *text1_; }

  void Form_Load();
  void Form_GotFocus();
  void Text1_Click();
  void Text1_Change();
  // Every key that goes down in the box passes here first; the box then
  // handles it as usual.
  void Text1_KeyDown(int KeyCode, int Shift);
  void Timer1_Timer();
  void Timer2_Timer();

  // The menu "Main" is never shown; the tray icon and Escape call these.
  void mnutotray_Click();
  void mnurestore_Click();

 private:
  // Enter: runs the trimmed line; an unhandled line is replaced by the
  // status text, selected whole.
  void Submit();

  Program& program_;
  std::unique_ptr<platform::Window> window_;
  platform::TextBox* text1_ = nullptr;
  std::unique_ptr<platform::Timer> timer1_;
  std::unique_ptr<platform::Timer> timer2_;
  // After the window: it gives the bar its own window procedure back first.
  std::unique_ptr<BarTray> tray_;
  std::unique_ptr<OnlineServices> online_;
};

}  // namespace tarvolin
