// The bar on Win32: a borderless, top-most strip with one edit control, its
// timers, its icon in the notification area and its hotkey. It forwards
// every event to the bar's rules and shows what they decide.
#pragma once

#include <windows.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bar/rules.h"
#include "bar/view.h"
#include "win32/candidate_list.h"
#include "win32/dialogs.h"

namespace tarvolin::win32 {

// The class name of the bar's window: a second start finds the running bar
// by it.
inline constexpr wchar_t kBarClass[] = L"TarvolinBar";
// WM_COPYDATA's kind for a request from a second start ("show", "toggle").
inline constexpr ULONG_PTR kRequestData = 0x54564231;

// The modifiers and the virtual key RegisterHotKey takes for a name such as
// "Ctrl+Alt+Space", "Super+R" or "F12"; nothing when it names none.
struct Hotkey {
  UINT modifiers = 0;
  UINT key = 0;
};
std::optional<Hotkey> ParseHotkey(const std::string& text);

class BarWindow : public bar::View {
 public:
  BarWindow(HINSTANCE instance, bar::System system);
  ~BarWindow() override;
  BarWindow(const BarWindow&) = delete;
  BarWindow& operator=(const BarWindow&) = delete;

  // Makes the windows and starts the rules: the bar is placed and shown.
  void Start();
  // Tab, Enter and Escape in an open dialog: true when the message was the
  // dialog's.
  bool DialogMessage(MSG& message);

  bar::BarRules& Rules() { return rules_; }
  // From now on no message box or file dialog is shown: each takes the next
  // of these answers ("yes", "no", a file name, "" to cancel; "" once none
  // is left).
  void AnswerInAdvance(std::vector<std::string> answers);
  HWND BarHandle() const { return bar_; }
  HWND BoxHandle() const { return box_; }
  // The list box of the list unrolled from the bar, shown or not.
  HWND ListHandle() const { return list_.ListBox(); }
  bool ListShown() const { return ::IsWindowVisible(::GetParent(list_.ListBox())) != FALSE; }
  // The dialog's window while it is open, else null.
  HWND DialogHandle(Dialog dialog) const {
    const auto& slot = dialogs_[static_cast<int>(dialog)];
    return slot ? slot->Window() : nullptr;
  }

 private:
  static LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR self);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A key in the box: true when the box should not see it.
  bool OnBoxKey(UINT key);
  void GrabHotkey();
  bool ShowTrayIcon();
  void HideTrayIcon();
  void Activate();
  // Sizes the bar, its box and its face for the screen's dots per inch.
  void Scale(int dpi);
  int Dpi() const;

  // bar::View
  std::string Text() const override;
  void SetText(const std::string& text) override;
  int SelectionLength() const override;
  void Select(int start, int length) override;
  int Caret() const override;
  void SetCaret(int position) override;
  void FocusBox() override;
  bool FitsInBox(const std::string& text) const override;
  bar::Metrics Measure() const override;
  void MoveBar(Point place) override;
  void ShowBar(bool activate) override;
  bool BarInFront() const override;
  bool ToTray() override;
  void HideBar() override;
  void Restore() override;
  void RollOut(Dialog dialog, int corner) override;
  void ReturnFocusToBar() override;
  void ShowList(const bar::CandidateList& list) override { list_.Show(list, font_); }
  void HideList() override { list_.Hide(); }
  void KeepTicking() override;
  void EndProcess() override;
  void Inform(bar::Owner owner, const std::string& text) override;
  bool AskYesNo(bar::Owner owner, const std::string& text) override;
  std::string OpenFile(bar::Owner owner, const std::string& start) override;
  HWND Owner(bar::Owner owner) const;
  std::string NextAnswer();

  HINSTANCE instance_;
  bar::BarRules rules_;
  HWND owner_ = nullptr;
  HWND bar_ = nullptr;
  HWND box_ = nullptr;
  HFONT font_ = nullptr;
  CandidateListWindow list_;
  HICON icon_ = nullptr;
  UINT taskbarCreated_ = 0;
  // The rules want the 750 ms tick; without, a tick only watches the work
  // area, as the bar was last placed in it.
  bool ticking_ = false;
  RECT workArea_{};
  bool inTray_ = false;
  bool hotkey_ = false;
  std::unique_ptr<ToolDialog> dialogs_[4];
  bool scripted_ = false;
  std::deque<std::string> answers_;
};

}  // namespace tarvolin::win32
