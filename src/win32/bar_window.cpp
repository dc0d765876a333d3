#include "win32/bar_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <utility>
#include <vector>

#include "bar/faces.h"
#include "core/key_names.h"
#include "core/request.h"
#include "sys/text.h"
#include "win32/wide.h"

namespace tarvolin::win32 {

namespace {

enum : UINT_PTR { kPlaceTimer = 1, kOnlineTimer = 2 };
enum : UINT { kTrayMessage = WM_APP + 1, kDialogGone = WM_APP + 2, kActivateAgain = WM_APP + 3 };
constexpr int kHotkeyId = 1;
constexpr UINT kTrayId = 1;

bar::Key KeyOf(UINT key) {
  switch (key) {
    case VK_RETURN:
      return ::GetKeyState(VK_SHIFT) < 0 ? bar::Key::kShiftEnter : bar::Key::kEnter;
    case VK_ESCAPE:
      return bar::Key::kEscape;
    case VK_UP:
      return bar::Key::kUp;
    case VK_DOWN:
      return bar::Key::kDown;
    case VK_F1:
      return bar::Key::kF1;
    case VK_F2:
      return bar::Key::kF2;
    case VK_F3:
      return bar::Key::kF3;
    case VK_F10:
      return bar::Key::kF10;
    case VK_TAB:
      return ::GetKeyState(VK_SHIFT) < 0 ? bar::Key::kShiftTab : bar::Key::kTab;
    default:
      return bar::Key::kOther;
  }
}

// Message boxes take CR LF between lines.
std::wstring BoxText(const std::string& text) {
  return Wide(bar::MessageText(text, "\r\n"));
}

// The dots per inch of a window's screen, where the system tells them per
// window (Windows 10), else of the whole screen.
int DpiOf(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32"), "GetDpiForWindow")));
  if (getDpi != nullptr && window != nullptr) {
    if (const UINT dpi = getDpi(window); dpi != 0) {
      return static_cast<int>(dpi);
    }
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The primary screen's work area: what the task bar and other desktop bars
// leave. Asked of the monitor each time: Wine keeps SPI_GETWORKAREA as the
// process first read it, while a monitor's work area follows a change of
// screen size.
RECT WorkArea() {
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    work = monitor.rcWork;
  }
  return work;
}

}  // namespace

std::optional<Hotkey> ParseHotkey(const std::string& text) {
  // Virtual keys, in the order of NamedKey after kNone.
  static constexpr unsigned kKeys[] = {
      VK_SPACE, VK_RETURN, VK_ESCAPE, VK_TAB,  VK_BACK, VK_INSERT, VK_DELETE, VK_HOME,     VK_END,
      VK_PRIOR, VK_NEXT,   VK_UP,     VK_DOWN, VK_LEFT, VK_RIGHT,  VK_PAUSE,  VK_SNAPSHOT, VK_APPS};
  const auto parsed = ParseKeyCombination(text);
  if (!parsed) {
    return std::nullopt;
  }
  // A letter's virtual key is its capital, a digit's the digit.
  const KeyCodes codes = SystemKeyCodes(
      *parsed, {MOD_CONTROL, MOD_ALT, MOD_SHIFT, MOD_WIN}, kKeys, VK_F1,
      [](char c) { return static_cast<unsigned>(std::toupper(static_cast<unsigned char>(c))); });
  return Hotkey{codes.modifiers, codes.key};
}

BarWindow::BarWindow(HINSTANCE instance, bar::System system)
    : instance_(instance), rules_(std::move(system), *this) {}

BarWindow::~BarWindow() {
  for (auto& dialog : dialogs_) {
    // Closing without the closing steps: nothing is saved.
    dialog.reset();
  }
  HideTrayIcon();
  if (hotkey_) {
    ::UnregisterHotKey(bar_, kHotkeyId);
  }
  // The windows go with the object they point to.
  for (const HWND window : {bar_, owner_}) {
    if (window != nullptr) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      ::DestroyWindow(window);
    }
  }
  if (font_ != nullptr) {
    ::DeleteObject(font_);
  }
}

void BarWindow::AnswerInAdvance(std::vector<std::string> answers) {
  scripted_ = true;
  answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::string BarWindow::NextAnswer() {
  std::string answer;
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  return answer;
}

int BarWindow::Dpi() const {
  return DpiOf(bar_);
}

void BarWindow::Start() {
  WNDCLASSEXW kind{};
  kind.cbSize = sizeof kind;
  kind.lpfnWndProc = &BarWindow::BarProc;
  kind.hInstance = instance_;
  kind.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
  icon_ = static_cast<HICON>(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  kind.hIcon = icon_;
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  kind.lpszClassName = kBarClass;
  ::RegisterClassExW(&kind);
  // Borderless, above all ordinary windows, no task-bar button. The bar is
  // owned by a window that is never shown: an owned window has no task-bar
  // button, and window managers on X11 (under Wine) take it for a utility
  // window, which they give the focus to like any other.
  owner_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance_, nullptr);
  bar_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kBarClass, L"Tarvolin", WS_POPUP, 0, 0,
                           250, 19, owner_, nullptr, instance_, this);
  box_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 0, 0,
                           bar_, nullptr, instance_, nullptr);
  list_.Create(instance_, bar_, [this](int row) { rules_.OnListClicked(row); });
  Scale(Dpi());
  // Nothing typed or pasted is cut off: the rules refuse a line too long.
  ::SendMessageW(box_, EM_SETLIMITTEXT, 0, 0);
  ::SetWindowSubclass(box_, &BarWindow::BoxProc, 1, reinterpret_cast<DWORD_PTR>(this));
  taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");

  rules_.Start();
  workArea_ = WorkArea();
  ::SetTimer(bar_, kPlaceTimer, 750, nullptr);
  ticking_ = true;
  ::SetTimer(bar_, kOnlineTimer, 55000, nullptr);
  GrabHotkey();
  rules_.OnShown();
}

void BarWindow::GrabHotkey() {
  const auto name = rules_.HotkeyName();
  if (!name) {
    return;
  }
  const auto hotkey = ParseHotkey(*name);
  std::string error;
  if (!hotkey) {
    error = NotAKeyCombination(*name);
  } else if (::RegisterHotKey(bar_, kHotkeyId, hotkey->modifiers | MOD_NOREPEAT, hotkey->key)) {
    hotkey_ = true;
    return;
  } else {
    error = KeyTakenByAnother(*name);
  }
  std::fprintf(stderr, "tarvolin: no hotkey: %s\n", error.c_str());
  rules_.TellHotkeyFailed(error);
}

void BarWindow::Scale(int dpi) {
  ::SetWindowPos(bar_, nullptr, 0, 0, ::MulDiv(bar::kBarTwips.width, dpi, 1440),
                 ::MulDiv(bar::kBarTwips.height, dpi, 1440),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(box_, nullptr, 0, 0, ::MulDiv(bar::kBoxTwips.width, dpi, 1440),
                 ::MulDiv(bar::kBoxTwips.height, dpi, 1440),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT old = font_;
  font_ = ::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, L"MS Shell Dlg 2");
  ::SendMessageW(box_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  // Dialogs open now hold the old face until they close.
  if (old != nullptr && std::none_of(std::begin(dialogs_), std::end(dialogs_),
                                     [](const auto& dialog) { return dialog != nullptr; })) {
    ::DeleteObject(old);
  }
}

bool BarWindow::DialogMessage(MSG& message) {
  for (auto& dialog : dialogs_) {
    if (dialog && dialog->Window() != nullptr &&
        (message.hwnd == dialog->Window() || ::IsChild(dialog->Window(), message.hwnd)) &&
        dialog->DialogMessage(message)) {
      return true;
    }
  }
  return false;
}

LRESULT CALLBACK BarWindow::BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<BarWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->bar_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<BarWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr ? self->OnMessage(message, wParam, lParam)
                         : ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT BarWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == box_ && HIWORD(wParam) == EN_CHANGE) {
        rules_.OnEdit();
      }
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        rules_.OnActivated();
        return 0;
      }
      rules_.OnDeactivated();
      break;
    case WM_SETFOCUS:
      ::SetFocus(box_);
      return 0;
    case WM_TIMER:
      if (wParam == kPlaceTimer) {
        // The timer runs for good: a change of screen size made outside
        // Windows' own settings (RandR under Wine) sends no WM_DISPLAYCHANGE,
        // so each tick looks at the work area, and a change is a tick for
        // the rules at once.
        const RECT work = WorkArea();
        if (ticking_ || ::EqualRect(&work, &workArea_) == FALSE) {
          workArea_ = work;
          ticking_ = rules_.OnTick();
        }
      } else if (wParam == kOnlineTimer) {
        rules_.OnOnlineTick();
      }
      return 0;
    case WM_DPICHANGED:
      // The screen's scale changed: the bar keeps its designed size in
      // twips, and its face its size in points.
      Scale(HIWORD(wParam));
      KeepTicking();
      return 0;
    case WM_MOVE:
    case WM_DISPLAYCHANGE:
      // Anything that can move the bar off its corner sets the timer going.
      KeepTicking();
      break;
    case WM_HOTKEY:
      rules_.Summon(false);
      return 0;
    case WM_COPYDATA: {
      // A second start: "show" or "toggle".
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data == nullptr || data->dwData != kRequestData || data->cbData > kMaxRequestBytes ||
          data->lpData == nullptr) {
        return FALSE;
      }
      const auto request =
          ParseRequest(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
      if (!request) {
        return FALSE;
      }
      rules_.Summon(request->verb == "toggle");
      return TRUE;
    }
    case kTrayMessage:
      if (LOWORD(lParam) == WM_LBUTTONUP) {
        rules_.OnTrayIconClicked();
      }
      return 0;
    case kDialogGone: {
      // Any process of the session can post this: only a dialog's number
      // is taken.
      if (wParam >= std::size(dialogs_)) {
        return 0;
      }
      auto& dialog = dialogs_[wParam];
      if (dialog && dialog->Window() == nullptr) {
        dialog.reset();
      }
      return 0;
    }
    case kActivateAgain:
      // Once the closing window is gone: the window manager may have given
      // the focus elsewhere meanwhile.
      if (::IsWindowVisible(bar_)) {
        ::SetWindowPos(bar_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ::SetForegroundWindow(bar_);
        ::SetFocus(box_);
      }
      return 0;
    case WM_CLOSE:
      // Only the program's own commands end it.
      return 0;
    default:
      // The notification area started afresh (Explorer restarted): every
      // icon in it is gone.
      if (message == taskbarCreated_ && inTray_) {
        inTray_ = false;
        rules_.OnTrayGone();
      }
      break;
  }
  return ::DefWindowProcW(bar_, message, wParam, lParam);
}

LRESULT CALLBACK BarWindow::BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR self) {
  auto* bar = reinterpret_cast<BarWindow*>(self);
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (bar->OnBoxKey(static_cast<UINT>(wParam))) {
        return 0;
      }
      break;
    case WM_CHAR:
      // Enter, Escape and Tab are the bar's keys: the box would only beep.
      if (wParam == L'\r' || wParam == 27 || wParam == L'\t') {
        return 0;
      }
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | ::DefSubclassProc(window, message, wParam, lParam);
    case WM_LBUTTONUP: {
      const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
      bar->rules_.OnBoxClicked();
      return result;
    }
    default:
      break;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

bool BarWindow::OnBoxKey(UINT key) {
  const bar::Key known = KeyOf(key);
  if (known == bar::Key::kOther) {
    return false;
  }
  rules_.OnKey(known);
  // The box has nothing to do with these keys: Up and Down would move the
  // caret out of the selection the rules made.
  return true;
}

// --- bar::View ---

std::string BarWindow::Text() const {
  return TextOf(box_);
}

void BarWindow::SetText(const std::string& text) {
  ::SetWindowTextW(box_, Wide(text).c_str());
  const int end = ::GetWindowTextLengthW(box_);
  ::SendMessageW(box_, EM_SETSEL, static_cast<WPARAM>(end), end);
}

int BarWindow::SelectionLength() const {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(box_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end - start);
}

void BarWindow::Select(int start, int length) {
  ::SendMessageW(box_, EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

int BarWindow::Caret() const {
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(box_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end);
}

void BarWindow::SetCaret(int position) {
  ::SendMessageW(box_, EM_SETSEL, static_cast<WPARAM>(position), position);
}

void BarWindow::FocusBox() {
  ::SetFocus(box_);
}

bool BarWindow::FitsInBox(const std::string& text) const {
  const std::wstring wide = Wide(text);
  RECT inside{};
  ::SendMessageW(box_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&inside));
  HDC dc = ::GetDC(box_);
  HGDIOBJ old = ::SelectObject(dc, font_);
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
  ::SelectObject(dc, old);
  ::ReleaseDC(box_, dc);
  return extent.cx <= inside.right - inside.left;
}

bar::Metrics BarWindow::Measure() const {
  RECT frame{};
  ::GetWindowRect(bar_, &frame);
  const RECT work = WorkArea();
  return {{frame.right - frame.left, frame.bottom - frame.top},
          {work.right - work.left, work.bottom - work.top},
          1440.0f / static_cast<float>(Dpi()),
          {work.left, work.top}};
}

void BarWindow::MoveBar(Point place) {
  RECT frame{};
  ::GetWindowRect(bar_, &frame);
  if (frame.left != place.x || frame.top != place.y) {
    ::SetWindowPos(bar_, nullptr, place.x, place.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void BarWindow::Activate() {
  ::SetWindowPos(bar_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  ::SetForegroundWindow(bar_);
  ::SetFocus(box_);
}

void BarWindow::ShowBar(bool activate) {
  if (activate) {
    Activate();
  } else if (!::IsWindowVisible(bar_)) {
    // Shown as any window is, active until a dialog takes over: under Wine
    // a window first shown inactive stays outside the window manager's
    // focus for good.
    ::ShowWindow(bar_, SW_SHOW);
  }
}

bool BarWindow::BarInFront() const {
  return ::IsWindowVisible(bar_) && ::GetForegroundWindow() == bar_;
}

bool BarWindow::ShowTrayIcon() {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = bar_;
  icon.uID = kTrayId;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kTrayMessage;
  icon.hIcon = icon_;
  ::lstrcpynW(icon.szTip, L"Tarvolin", ARRAYSIZE(icon.szTip));
  inTray_ = inTray_ || ::Shell_NotifyIconW(NIM_ADD, &icon) != FALSE;
  return inTray_;
}

void BarWindow::HideTrayIcon() {
  if (!inTray_) {
    return;
  }
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = bar_;
  icon.uID = kTrayId;
  ::Shell_NotifyIconW(NIM_DELETE, &icon);
  inTray_ = false;
}

bool BarWindow::ToTray() {
  // Without a notification area nothing could bring the bar back.
  if (!ShowTrayIcon()) {
    return false;
  }
  // Hidden, not closed: the timers keep running.
  ::ShowWindow(bar_, SW_HIDE);
  return true;
}

void BarWindow::HideBar() {
  ::ShowWindow(bar_, SW_HIDE);
}

void BarWindow::Restore() {
  HideTrayIcon();
  Activate();
}

void BarWindow::RollOut(Dialog dialog, int corner) {
  auto& slot = dialogs_[static_cast<int>(dialog)];
  if (!slot || slot->Window() == nullptr) {
    slot = MakeDialog(dialog, instance_, font_, Dpi(), rules_, [this, dialog] {
      rules_.OnDialogClosed(dialog);
      ::PostMessageW(bar_, kDialogGone, static_cast<WPARAM>(dialog), 0);
    });
  }
  slot->RollOut(bar_, corner);
}

void BarWindow::ReturnFocusToBar() {
  ::PostMessageW(bar_, kActivateAgain, 0, 0);
}

void BarWindow::KeepTicking() {
  ticking_ = true;
}

void BarWindow::EndProcess() {
  ::ExitProcess(0);
}

HWND BarWindow::Owner(bar::Owner owner) const {
  if (owner) {
    const auto& dialog = dialogs_[static_cast<int>(*owner)];
    if (dialog && dialog->Window() != nullptr) {
      return dialog->Window();
    }
  }
  return bar_;
}

void BarWindow::Inform(bar::Owner owner, const std::string& text) {
  if (scripted_) {
    NextAnswer();
    return;
  }
  ::MessageBoxW(Owner(owner), BoxText(text).c_str(), L"Tarvolin", MB_OK);
}

bool BarWindow::AskYesNo(bar::Owner owner, const std::string& text) {
  if (scripted_) {
    return NextAnswer() == "yes";
  }
  return ::MessageBoxW(Owner(owner), BoxText(text).c_str(), L"Tarvolin",
                       MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

std::string BarWindow::OpenFile(bar::Owner owner, const std::string& start) {
  if (scripted_) {
    return NextAnswer();
  }
  // `start` is a folder, or the file chosen last.
  std::wstring file(32768, L'\0');
  std::wstring folder = Wide(start);
  if (::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES &&
      (::GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    folder.copy(file.data(), file.size() - 1);
    folder.clear();
  }
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Owner(owner);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&dialog)) {
    return {};
  }
  file.resize(file.find(L'\0'));
  return Utf8(file);
}

}  // namespace tarvolin::win32
