// The scenarios against the Win32 bar under Wine, on a display with a
// notification area: keys, clicks and pastes as the window messages the
// system sends.
#include <windows.h>

#include <memory>

#include "conformance/driver.h"
#include "sys/windows/windows_filesystem.h"
#include "sys/windows/windows_profile.h"
#include "win32/bar_window.h"
#include "win32/wide.h"

namespace tarvolin::conformance {
namespace {

using win32::TextOf;
using win32::Wide;

class Win32Driver : public Driver {
 public:
  explicit Win32Driver(const Setup& setup)
      : files_(setup.programFolder),
        bar_(::GetModuleHandleW(nullptr), SystemFor(files_, profile_, setup)) {
    bar_.AnswerInAdvance(setup.fileChoices);
  }

  void Start() override {
    bar_.Start();
    Settle(200);
  }
  void Paste(const std::string& text) override {
    ::SendMessageW(Box(), EM_SETSEL, 0, -1);
    ::SendMessageW(Box(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    Settle();
  }
  void Press(bar::Key key) override {
    // The key a user presses for each of the rules' keys, in their order,
    // Shift held down in the thread's key state where it belongs.
    static constexpr WPARAM kKeys[] = {VK_RETURN, VK_RETURN, VK_ESCAPE, VK_UP,  VK_DOWN,  VK_F1,
                                       VK_F2,     VK_F3,     VK_F10,    VK_TAB, VK_SPACE, VK_TAB};
    const bool shift = key == bar::Key::kShiftEnter || key == bar::Key::kShiftTab;
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE before = keys[VK_SHIFT];
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::SendMessageW(Box(), WM_KEYDOWN, kKeys[static_cast<int>(key)], 0);
    keys[VK_SHIFT] = before;
    ::SetKeyboardState(keys);
    Settle();
  }
  void Click() override {
    ::SendMessageW(Box(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(Box(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Settle();
  }
  std::string Text() override { return TextOf(Box()); }
  int SelectionStart() override { return Selection().first; }
  int SelectionLength() override { return Selection().second - Selection().first; }
  std::vector<std::string> ListRows() override {
    std::vector<std::string> rows;
    if (!bar_.ListShown()) {
      return rows;
    }
    const HWND list = bar_.ListHandle();
    const LRESULT current = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
    const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
      const auto length = static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, row, 0));
      std::wstring text(length + 1, L'\0');
      ::SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
      text.resize(length);
      const std::string shown = win32::Utf8(text);
      rows.push_back(row == current ? "[" + shown + "]" : shown);
    }
    return rows;
  }
  void ClickListRow(int row) override { ClickRow(bar_.ListHandle(), row); }
  std::pair<Point, Size> ListFrame() override {
    RECT frame{};
    ::GetWindowRect(::GetParent(bar_.ListHandle()), &frame);
    return {{frame.left, frame.top}, {frame.right - frame.left, frame.bottom - frame.top}};
  }
  Point BarPlace() override {
    RECT frame{};
    ::GetWindowRect(bar_.BarHandle(), &frame);
    return {frame.left, frame.top};
  }
  void MoveBar(Point place) override {
    ::SetWindowPos(bar_.BarHandle(), nullptr, place.x, place.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Settle();
  }
  bool BarShown() override { return ::IsWindowVisible(bar_.BarHandle()) != FALSE; }
  void EndTray() override {
    // What Explorer sends every top-level window when it starts afresh.
    ::SendMessageW(bar_.BarHandle(), ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    Settle(200);
  }
  // Wine (8.0) tells a Windows program the whole screen as its work area
  // whatever struts the X11 panels reserve: the scenario cannot be had here.
  bool ReservePanel(int) override { return false; }
  bool DialogOpen(Dialog dialog) override {
    const HWND window = bar_.DialogHandle(dialog);
    return window != nullptr && ::IsWindowVisible(window);
  }
  void CloseDialog(Dialog dialog) override {
    if (const HWND window = bar_.DialogHandle(dialog)) {
      ::SendMessageW(window, WM_CLOSE, 0, 0);
    }
    Settle(100);
  }
  std::vector<std::string> EditorBoxes() override {
    return {TextOf(EditorPart(win32::kEditorTargetBox)), TextOf(EditorPart(win32::kEditorNameBox))};
  }
  void TypeInEditor(bool nameBox, const std::string& text) override {
    const HWND box = EditorPart(nameBox ? win32::kEditorNameBox : win32::kEditorTargetBox);
    ::SendMessageW(box, EM_SETSEL, 0, -1);
    ::SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    Settle();
  }
  void ClickInEditor(EditorAction action) override {
    static constexpr int kIds[] = {win32::kEditorAdd, win32::kEditorRemove, win32::kEditorBrowse};
    ::SendMessageW(EditorPart(kIds[static_cast<int>(action)]), BM_CLICK, 0, 0);
    Settle();
  }
  void PickEditorRow(int row) override { ClickRow(EditorPart(win32::kEditorTargets), row); }
  void Tick() override {
    bar_.Rules().OnTick();
    Settle();
  }
  bar::BarRules& Rules() override { return bar_.Rules(); }

 private:
  HWND Box() const { return bar_.BoxHandle(); }
  // A click with the left button in the middle of a list box's row.
  void ClickRow(HWND list, int row) {
    RECT item{};
    ::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(list, WM_LBUTTONUP, 0, at);
    Settle();
  }
  HWND EditorPart(int id) { return ::GetDlgItem(bar_.DialogHandle(Dialog::kEditor), id); }
  std::pair<int, int> Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(Box(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
  }
  // Handles what the windows have pending for a while, as the program's
  // message loop does.
  void Settle(DWORD milliseconds = 30) {
    const DWORD until = ::GetTickCount() + milliseconds;
    do {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!bar_.DialogMessage(message)) {
          ::TranslateMessage(&message);
          ::DispatchMessageW(&message);
        }
      }
      ::Sleep(5);
    } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
  }

  sys::WindowsFileSystem files_;
  sys::WindowsProfileStore profile_;
  win32::BarWindow bar_;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver(const Setup& setup) {
  return std::make_unique<Win32Driver>(setup);
}

}  // namespace tarvolin::conformance
