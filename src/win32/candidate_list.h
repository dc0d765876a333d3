// The list unrolled from the bar on Win32: a top-most popup that is never
// activated, holding an owner-drawn list box whose rows show the icon, the
// candidate and its kind as the rules give them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "bar/view.h"

namespace tarvolin::win32 {

class CandidateListWindow {
 public:
  CandidateListWindow() = default;
  ~CandidateListWindow();
  CandidateListWindow(const CandidateListWindow&) = delete;
  CandidateListWindow& operator=(const CandidateListWindow&) = delete;

  // Makes the (hidden) windows, owned by the bar; a click on a row calls
  // `clicked` with the row.
  void Create(HINSTANCE instance, HWND bar, std::function<void(int)> clicked);
  // Shows the list in this face, or changes the one shown.
  void Show(const bar::CandidateList& list, HFONT font);
  void Hide();
  // The list box: its strings are the rows' candidates, its selection the
  // marked row.
  HWND ListBox() const { return listBox_; }

 private:
  static LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
  void Draw(const DRAWITEMSTRUCT& item);
  HICON IconOf(const std::string& file);

  HWND popup_ = nullptr;
  HWND listBox_ = nullptr;
  std::function<void(int)> clicked_;
  bar::CandidateList list_;
  // Each shortcut's small icon, asked of the shell once.
  std::map<std::string, HICON> icons_;
};

}  // namespace tarvolin::win32
