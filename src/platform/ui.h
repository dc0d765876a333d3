// Windows, controls, timers, message boxes and the screen, in the shape the
// forms use them. Positions and sizes are in twips (1/1440 inch); texts are
// UTF-8; text positions count characters, not bytes.
#pragma once

#include <cstdint>
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
//
// Positions are relative to the control's container: the form's client area,
// or the frame named by `container` (from the frame's outer top-left corner).
// A container is listed before the controls it holds. The caption is the
// control's text; a tab strip takes the captions of its tabs from it,
// separated by '|' ("General|Position|Web"). Controls listed later lie above
// earlier ones where they overlap. Tab indexes order the controls that take
// part in the tab order; equal indexes keep the table's order.
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
  bool visible = true;    // false: hidden until the program shows it
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

class Label : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
};

class Button : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;

  // Called when the button is pressed by mouse or keyboard.
  std::function<void()> Click;
};

// A single-selection list of text rows, kept in the order they were added.
// Rows count from 0; ListIndex -1 means no row is selected.
class ListBox : public Control {
 public:
  // Appends a row.
  virtual void AddItem(const std::string& text) = 0;
  // Removes a row; an index out of range does nothing. Removing the selected
  // row leaves no row selected; a selected row below it stays selected.
  // Neither raises Click.
  virtual void RemoveItem(int index) = 0;
  // Removes every row; does not raise Click.
  virtual void Clear() = 0;
  virtual int ListCount() const = 0;
  // The text of a row; empty for an index out of range.
  virtual std::string List(int index) const = 0;
  // Replaces the text of a row in place; an index out of range does nothing.
  virtual void SetList(int index, const std::string& text) = 0;
  virtual int ListIndex() const = 0;
  // Selects a row, or none with -1. Raises Click when the selection changes,
  // as a user's selection does; selecting the row that is already selected
  // raises nothing.
  virtual void SetListIndex(int index) = 0;

  // The selection was changed by the user (mouse or arrow keys) or by
  // SetListIndex; also a mouse click on the row that is already selected.
  std::function<void()> Click;
  // Called for every key that goes down in the list, before the list
  // handles it.
  std::function<void(int keyCode, int shift)> KeyDown;
};

// A captioned box that holds other controls. Hiding it hides everything in
// it.
class Frame : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Visible() const = 0;
};

class CheckBox : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // 0 cleared, 1 checked.
  virtual int Value() const = 0;
  // Values other than 0 check the box. Raises Click when the value changes.
  virtual void SetValue(int value) = 0;

  // The value changed, by the user or by SetValue.
  std::function<void()> Click;
};

// Option buttons that share a container (the form or one frame) exclude each
// other: selecting one clears the others. At most one is selected; at the
// start none need be.
class OptionButton : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual bool Value() const = 0;
  // true selects the button and clears the others of its container; raises
  // Click when it was not selected. false clears it and raises nothing.
  virtual void SetValue(bool value) = 0;

  // The button became selected, by the user or by SetValue(true).
  std::function<void()> Click;
};

// A row of tabs; the captions come from the design ("General|Position|Web").
// Tabs count from 0. The strip only switches tabs: what each tab shows is the
// form's business (frames it shows and hides in Click).
class TabStrip : public Control {
 public:
  virtual int TabCount() const = 0;
  virtual std::string TabCaption(int index) const = 0;
  virtual int SelectedIndex() const = 0;
  // Raises Click when the selection changes.
  virtual void SetSelectedIndex(int index) = 0;

  // A tab was clicked, also the one already selected, or the selection was
  // changed by SetSelectedIndex or the keyboard.
  std::function<void()> Click;
};

// Pixels of a picture: rows from the top, each pixel four bytes R, G, B, A.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes
};

// Shows a picture at its top-left corner, at its own size, clipped to the
// box.
class PictureBox : public Control {
 public:
  // Shows the image file (BMP, PNG, JPEG, ...); false, leaving the box empty,
  // when the file cannot be read as an image.
  virtual bool LoadPicture(const std::string& path) = 0;
  // Shows the pixels; a picture whose size does not match its bytes leaves
  // the box empty.
  virtual void SetPicture(const Picture& picture) = 0;
};

class Window {
 public:
  virtual ~Window() = default;

  // The outer window rectangle in twips, relative to the primary screen,
  // frame and caption included. Reading gives back what the window system
  // made of the last write, so rounding to whole pixels shows. Before a
  // framed window is first shown its frame is the one the window system is
  // expected to give it.
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
  // Closes the window as its close box does: asks QueryUnload, and when that
  // agrees hides the window and raises Unload. (A toolkit's windows raise
  // Unload from the event loop; this plain version raises it at once.)
  virtual void Close() {
    if (QueryUnload && !QueryUnload()) {
      return;
    }
    Hide();
    if (Unload) {
      Unload();
    }
  }
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
  // The window was closed (close box or Close). A toolkit window raises it
  // from the event loop once the window is hidden, never inside one of the
  // window's own events, so the handler may destroy the window.
  std::function<void()> Unload;
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
  // Modal message boxes with a title. A CR, LF or CR LF in the text starts a
  // new line.
  virtual void MessageBoxOk(const std::string& text, const std::string& title) = 0;
  // Yes is the default button.
  virtual MessageBoxAnswer MessageBoxYesNo(const std::string& text, const std::string& title) = 0;
  // The modal file-open dialog over all files: the chosen file's full path,
  // or empty when cancelled. It starts at initialFile when one is given,
  // else in the current folder; an empty title keeps the system's own.
  virtual std::string ShowOpenDialog(const std::string& title, const std::string& initialFile) = 0;
  // Handles pending events without waiting.
  virtual void ProcessEvents() = 0;
};

}  // namespace tarvolin::platform
