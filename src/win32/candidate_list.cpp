#include "win32/candidate_list.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>

#include "win32/wide.h"

namespace tarvolin::win32 {

namespace {

constexpr wchar_t kListClass[] = L"TarvolinList";
constexpr int kMargin = 4;

}  // namespace

CandidateListWindow::~CandidateListWindow() {
  if (popup_ != nullptr) {
    ::SetWindowLongPtrW(popup_, GWLP_USERDATA, 0);
    ::DestroyWindow(popup_);
  }
  for (const auto& [file, icon] : icons_) {
    if (icon != nullptr) {
      ::DestroyIcon(icon);
    }
  }
}

void CandidateListWindow::Create(HINSTANCE instance, HWND bar, std::function<void(int)> clicked) {
  clicked_ = std::move(clicked);
  WNDCLASSEXW kind{};
  kind.cbSize = sizeof kind;
  kind.lpfnWndProc = &CandidateListWindow::PopupProc;
  kind.hInstance = instance;
  kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  kind.lpszClassName = kListClass;
  ::RegisterClassExW(&kind);
  // Owned by the bar, above it, never active: the keyboard stays in the
  // bar's box while the list shows.
  popup_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kListClass,
                             L"Tarvolin list", WS_POPUP | WS_BORDER, 0, 0, 0, 0, bar, nullptr,
                             instance, nullptr);
  ::SetWindowLongPtrW(popup_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listBox_ = ::CreateWindowExW(
      0, L"LISTBOX", L"",
      WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
      0, popup_, nullptr, instance, nullptr);
  ::SetWindowSubclass(listBox_, &CandidateListWindow::ListBoxProc, 1,
                      reinterpret_cast<DWORD_PTR>(this));
}

void CandidateListWindow::Show(const bar::CandidateList& list, HFONT font) {
  list_ = list;
  ::SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(listBox_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ::SendMessageW(listBox_, LB_RESETCONTENT, 0, 0);
  for (const bar::ListRow& row : list.rows) {
    ::SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row.text).c_str()));
  }
  const int rows = std::max<int>(1, static_cast<int>(list.rows.size()));
  ::SendMessageW(listBox_, LB_SETITEMHEIGHT, 0, std::max(1, (list.size.height - 2) / rows));
  ::SendMessageW(listBox_, LB_SETCURSEL, static_cast<WPARAM>(list.current), 0);
  ::SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
  ::SetWindowPos(popup_, HWND_TOPMOST, list.place.x, list.place.y, list.size.width,
                 list.size.height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  RECT inside{};
  ::GetClientRect(popup_, &inside);
  ::MoveWindow(listBox_, 0, 0, inside.right, inside.bottom, TRUE);
  ::InvalidateRect(listBox_, nullptr, TRUE);
}

void CandidateListWindow::Hide() {
  if (popup_ != nullptr) {
    ::ShowWindow(popup_, SW_HIDE);
  }
}

HICON CandidateListWindow::IconOf(const std::string& file) {
  const auto found = icons_.find(file);
  if (found != icons_.end()) {
    return found->second;
  }
  SHFILEINFOW about{};
  HICON icon = nullptr;
  if (::SHGetFileInfoW(Wide(file).c_str(), 0, &about, sizeof about, SHGFI_ICON | SHGFI_SMALLICON) !=
      0) {
    icon = about.hIcon;
  }
  icons_.emplace(file, icon);
  return icon;
}

void CandidateListWindow::Draw(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= list_.rows.size()) {
    return;
  }
  const bar::ListRow& row = list_.rows[item.itemID];
  const bool current = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(current ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int iconSize = ::GetSystemMetrics(SM_CXSMICON);
  const int height = item.rcItem.bottom - item.rcItem.top;
  if (!row.icon.empty()) {
    if (HICON icon = IconOf(row.icon)) {
      ::DrawIconEx(dc, item.rcItem.left + kMargin, item.rcItem.top + (height - iconSize) / 2, icon,
                   iconSize, iconSize, 0, nullptr, DI_NORMAL);
    }
  }
  // The kind to the right, greyed; the candidate takes what is left.
  RECT text = item.rcItem;
  text.left += 2 * kMargin + iconSize;
  text.right -= kMargin;
  ::SetBkMode(dc, TRANSPARENT);
  const std::wstring kind = Wide(row.kind);
  RECT measured{};
  ::DrawTextW(dc, kind.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  ::SetTextColor(dc, ::GetSysColor(current ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT));
  ::DrawTextW(dc, kind.c_str(), -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  text.right -= measured.right + 2 * kMargin;
  ::SetTextColor(dc, ::GetSysColor(current ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  ::DrawTextW(dc, Wide(row.text).c_str(), -1, &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

LRESULT CALLBACK CandidateListWindow::PopupProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  auto* self = reinterpret_cast<CandidateListWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_DRAWITEM:
      if (self != nullptr && lParam != 0) {
        self->Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      }
      return TRUE;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK CandidateListWindow::ListBoxProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  switch (message) {
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // The list box would take the focus and mark the row itself: the
      // rules decide what a click does.
      return 0;
    case WM_LBUTTONUP: {
      const LRESULT at = ::SendMessageW(window, LB_ITEMFROMPOINT, 0, lParam);
      // The high word is set for a point below the last row.
      if (HIWORD(at) == 0) {
        auto* list = reinterpret_cast<CandidateListWindow*>(self);
        list->clicked_(LOWORD(at));
      }
      return 0;
    }
    default:
      return ::DefSubclassProc(window, message, wParam, lParam);
  }
}

}  // namespace tarvolin::win32
