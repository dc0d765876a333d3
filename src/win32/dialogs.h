// The dialogs that unroll out of the bar, on Win32: the help screen, the
// hidden screen, the quickcommand editor and the options. Controls are laid
// out in twips, as designed, and scaled to the screen's dots per inch.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bar/rules.h"

namespace tarvolin::win32 {

class ToolDialog {
 public:
  // `closed` runs when the user closes the window, before it is destroyed.
  // The dialog's caption and size come from the rules' faces.
  ToolDialog(HINSTANCE instance, HFONT font, int dpi, Dialog dialog, std::function<void()> closed);
  virtual ~ToolDialog();
  ToolDialog(const ToolDialog&) = delete;
  ToolDialog& operator=(const ToolDialog&) = delete;

  HWND Window() const { return window_; }
  // Shows the window next to the bar, which owns it, and unrolls it; an
  // open one collapses and unrolls again. Then the first control has the
  // focus.
  void RollOut(HWND bar, int corner);
  // Tab between the controls, Enter and Escape.
  bool DialogMessage(MSG& message);

 protected:
  // Makes the controls, once the window exists.
  virtual void Build() = 0;
  virtual HWND FirstFocus() = 0;
  // WM_COMMAND from a control; Enter comes as IDOK, Escape as IDCANCEL.
  virtual void OnCommand(int id, int code, HWND control) { (void)id, (void)code, (void)control; }
  // Any other message; true when it was handled, with `*result`.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    (void)message, (void)wParam, (void)lParam, (void)result;
    return false;
  }

  // A control at a place given in twips, relative to `parentLeft` and
  // `parentTop` (twips, for controls inside a frame).
  HWND Control(const wchar_t* kind, const std::wstring& text, DWORD style, int left, int top,
               int width, int height, int id = 0, DWORD exStyle = 0);
  int Pixels(int twips) const { return ::MulDiv(twips, dpi_, 1440); }
  void Close();

  HINSTANCE instance_;
  HFONT font_;
  int dpi_;
  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Create(HWND owner);

  std::wstring caption_;
  int clientWidth_;
  int clientHeight_;
  std::function<void()> closed_;
  bool closing_ = false;
  HWND lastFocus_ = nullptr;
};

// The quickcommand editor's controls, by their ids.
enum EditorControl : int {
  kEditorTargets = 101,
  kEditorRemove = 103,
  kEditorTargetBox,
  kEditorBrowse,
  kEditorNameBox,
  kEditorAdd
};

// Makes the dialog for `dialog`; its models come from the rules.
std::unique_ptr<ToolDialog> MakeDialog(Dialog dialog, HINSTANCE instance, HFONT font, int dpi,
                                       bar::BarRules& rules, std::function<void()> closed);

}  // namespace tarvolin::win32
