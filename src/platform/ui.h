// Windows, controls, timers, message boxes and the screen, in the shape the
// forms use them. Positions and sizes are in twips (1/1440 inch); texts are
// UTF-8; text positions count characters, not bytes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarvolin::platform {

// Virtual key codes of the keys the program reacts to.
enum KeyCode : int {
  kKeyBack = 8,
  kKeyTab = 9,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeyUp = 38,
  kKeyDown = 40,
  kKeyDelete = 46,
  kKeyF1 = 112,
  kKeyF2 = 113,
  kKeyF3 = 114,
  kKeyF10 = 121,
};

// Shift state bits handed to key handlers alongside the key code.
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

enum class ControlKind {
  kTextBox,
  kListBox,
  kButton,
  kLabel,
  kFrame,
  kCheckBox,
  kOptionButton,
  kTabStrip,
  kPictureBox,
};

// One control of a form's design-time table.
struct ControlDesign {
  ControlKind kind = ControlKind::kLabel;
  std::string name;
  std::string caption;
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  int tabIndex = -1;      // -1: takes no part in the tab order
  std::string container;  // name of the frame that holds it, empty for the form
};

enum class WindowStyle {
  kCommandBar,  // borderless, always on top, no task-bar entry
  kToolDialog,  // fixed-size tool window with a close box only, no task-bar entry
};

// A form's design-time table: what the toolkit builds the window from.
struct FormDesign {
  std::string name;
  std::string caption;
  WindowStyle style = WindowStyle::kToolDialog;
  float clientWidth = 0;
  float clientHeight = 0;
  std::vector<ControlDesign> controls;
};

class Control {
 public:
  virtual ~Control() = default;
  virtual const std::string& Name() const = 0;
  // Gives the keyboard focus to the control; false when it cannot take it now.
  virtual bool SetFocus() = 0;
  virtual void Refresh() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual void SetTabIndex(int index) = 0;
};

class TextBox : public Control {
 public:
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual int SelStart() const = 0;
  virtual void SetSelStart(int start) = 0;
  virtual int SelLength() const = 0;
  virtual void SetSelLength(int length) = 0;

  // Called for every key that goes down in the box, before the box handles
  // it; the box always handles the key afterwards.
  std::function<void(int keyCode, int shift)> KeyDown;
  std::function<void()> Click;
  // Called on every change of the text, typed or set by code.
  std::function<void()> Change;
};

class Window {
 public:
  virtual ~Window() = default;

  // The outer window rectangle in twips, relative to the primary screen.
  // Reading gives back what the window system made of the last write, so
  // rounding to whole pixels shows.
  virtual float Left() const = 0;
  virtual float Top() const = 0;
  virtual float Width() const = 0;
  virtual float Height() const = 0;
  virtual void SetLeft(float twips) = 0;
  virtual void SetTop(float twips) = 0;
  virtual void SetWidth(float twips) = 0;
  virtual void SetHeight(float twips) = 0;

  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Paints the window now, without waiting for the event loop.
  virtual void Refresh() = 0;
  // Puts the window above all ordinary windows and keeps it there; size and
  // position stay as they are.
  virtual void SetTopMost() = 0;
  // Brings the window in front of others and gives it the keyboard focus.
  virtual void Activate() = 0;

  // The control of the design table with this name, or null.
  virtual Control* FindControl(const std::string& name) = 0;

  template <typename T>
  T* Find(const std::string& name) {
    return dynamic_cast<T*>(FindControl(name));
  }

  // The window itself receives the focus.
  std::function<void()> GotFocus;
  // The user asked to close the window; return false to keep it open.
  std::function<bool()> QueryUnload;
};

class Timer {
 public:
  virtual ~Timer() = default;
  std::function<void()> Tick;
};

enum class MessageBoxAnswer { kOk, kYes, kNo };

// The primary screen's size in twips.
class Screen {
 public:
  virtual ~Screen() = default;
  virtual float ScreenWidth() const = 0;
  virtual float ScreenHeight() const = 0;
};

class Toolkit : public Screen {
 public:
  virtual std::unique_ptr<Window> CreateForm(const FormDesign& design) = 0;
  // A timer that ticks on the user-interface thread from its creation on.
  virtual std::unique_ptr<Timer> CreateTimer(int intervalMs) = 0;
  // Modal message boxes with a title.
  virtual void MessageBoxOk(const std::string& text, const std::string& title) = 0;
  // Yes is the default button.
  virtual MessageBoxAnswer MessageBoxYesNo(const std::string& text, const std::string& title) = 0;
  // Handles pending events without waiting.
  virtual void ProcessEvents() = 0;
};

}  // namespace tarvolin::platform
