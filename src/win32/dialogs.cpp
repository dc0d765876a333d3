#include "win32/dialogs.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "bar/faces.h"
#include "core/geometry.h"
#include "win32/wide.h"

namespace tarvolin::win32 {

namespace {

constexpr wchar_t kDialogClass[] = L"TarvolinDialog";

// Static text, a push button, a check box, a radio button, a group box.
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kFrame = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;

void RegisterClassOnce(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW kind{};
  if (::GetClassInfoExW(instance, kDialogClass, &kind)) {
    return;
  }
  kind.cbSize = sizeof kind;
  kind.lpfnWndProc = proc;
  kind.hInstance = instance;
  kind.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  kind.lpszClassName = kDialogClass;
  ::RegisterClassExW(&kind);
}

// --- Help and hidden screen ---

class HelpScreen : public ToolDialog {
 public:
  HelpScreen(HINSTANCE instance, HFONT font, int dpi, bar::BarRules& rules,
             std::function<void()> closed)
      : ToolDialog(instance, font, dpi, Dialog::kHelp, std::move(closed)), rules_(rules) {}

 protected:
  enum { kReadMe = 101, kChanges };
  void Build() override {
    readMe_ = Control(L"BUTTON", Wide(bar::kDocumentButtons[0].caption), kButton, 3240, 600, 1815,
                      375, kReadMe);
    Control(L"BUTTON", Wide(bar::kDocumentButtons[1].caption), kButton, 3240, 1200, 1815, 375,
            kChanges);
    Control(L"STATIC", Wide(bar::kHelpText), kLabel, 240, 360, 2940, 2175);
    Control(L"BUTTON", Wide(bar::kHelpFrame), kFrame, 120, 120, 5055, 2535);
  }
  HWND FirstFocus() override { return readMe_; }
  void OnCommand(int id, int code, HWND) override {
    if (code == BN_CLICKED && (id == kReadMe || id == kChanges)) {
      rules_.OpenDocument(bar::kDocumentButtons[id - kReadMe].document);
    }
  }

 private:
  bar::BarRules& rules_;
  HWND readMe_ = nullptr;
};

class HiddenScreen : public ToolDialog {
 public:
  HiddenScreen(HINSTANCE instance, HFONT font, int dpi, std::function<void()> closed)
      : ToolDialog(instance, font, dpi, Dialog::kHidden, std::move(closed)) {}

 protected:
  void Build() override {
    picture_ = Control(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 480, 120, 1095, 1215);
    Control(L"STATIC", Wide(bar::kHiddenText), kLabel, 120, 1320, 1815, 495);
  }
  HWND FirstFocus() override { return nullptr; }
  bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) override {
    if (message != WM_DRAWITEM) {
      return false;
    }
    Draw(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hDC);
    *result = TRUE;
    return true;
  }

 private:
  static void Draw(HDC dc) {
    const std::vector<std::uint32_t> pixels = bar::HiddenPicture();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bar::kHiddenPictureSize.width;
    // From the top down, as the picture's rows come.
    info.bmiHeader.biHeight = -bar::kHiddenPictureSize.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, 0, 0, bar::kHiddenPictureSize.width, bar::kHiddenPictureSize.height, 0,
                        0, 0, bar::kHiddenPictureSize.height, pixels.data(), &info, DIB_RGB_COLORS);
  }

  HWND picture_ = nullptr;
};

// --- Quickcommand editor ---

class QuickcommandEditor : public ToolDialog {
 public:
  QuickcommandEditor(HINSTANCE instance, HFONT font, int dpi, bar::EditorModel& editor,
                     std::function<void()> closed)
      : ToolDialog(instance, font, dpi, Dialog::kEditor, std::move(closed)), editor_(editor) {}

 protected:
  enum {
    kTargets = kEditorTargets,
    kNames,
    kRemove = kEditorRemove,
    kTargetBox = kEditorTargetBox,
    kBrowse = kEditorBrowse,
    kNameBox = kEditorNameBox,
    kAdd = kEditorAdd
  };
  void Build() override {
    // Made in the order the Tab key goes: a typed path in the bar is the
    // target already, so the name comes first.
    const auto box = [this](int id) {
      return Control(L"EDIT", id == kTargetBox ? Wide(editor_.targetBox) : L"", kBox, 0,
                     id == kTargetBox ? 3120 : 3480, 2535, 285, id, WS_EX_CLIENTEDGE);
    };
    const DWORD list = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_NOTIFY |
                       LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT |
                       LBS_WANTKEYBOARDINPUT;
    const int first = editor_.NameFirst() ? kNameBox : kTargetBox;
    first_ = box(first);
    Control(L"BUTTON", Wide(bar::kBrowseButton), kButton, 2640, 3120, 855, 285, kBrowse);
    Control(L"BUTTON", Wide(bar::kAddButton), kButton, 2640, 3480, 855, 285, kAdd);
    targets_ = Control(L"LISTBOX", L"", list, 0, 360, 2415, 2400, kTargets);
    Control(L"BUTTON", Wide(bar::kRemoveButton), kButton, 1920, 2760, 1095, 255, kRemove);
    const HWND second = box(first == kNameBox ? kTargetBox : kNameBox);
    names_ = Control(L"LISTBOX", L"", list, 2400, 360, 1215, 2400, kNames);
    targetBox_ = first == kTargetBox ? first_ : second;
    nameBox_ = first == kNameBox ? first_ : second;
    Control(L"STATIC", Wide(bar::kTargetsLabel), kLabel, 120, 120, 1815, 255);
    Control(L"STATIC", Wide(bar::kNamesLabel), kLabel, 2400, 120, 1335, 255);
    ShowRows();
  }
  HWND FirstFocus() override { return first_; }

  void OnCommand(int id, int code, HWND control) override {
    if (code == EN_CHANGE && (control == targetBox_ || control == nameBox_)) {
      (control == targetBox_ ? editor_.targetBox : editor_.nameBox) = TextOf(control);
      return;
    }
    const HWND focus = ::GetFocus();
    const bool inBox = focus == targetBox_ || focus == nameBox_;
    if ((id == IDOK && inBox) || (id == kAdd && code == BN_CLICKED)) {
      Add();
    } else if (id == IDCANCEL && inBox) {
      Close();
    } else if (id == kRemove && code == BN_CLICKED) {
      Remove();
    } else if (id == kBrowse && code == BN_CLICKED) {
      Browse();
    } else if ((id == kTargets || id == kNames) && code == LBN_SELCHANGE) {
      // Row k of both lists is entry k: a click selects it in both.
      const LRESULT row = ::SendMessageW(id == kTargets ? targets_ : names_, LB_GETCURSEL, 0, 0);
      ::SendMessageW(id == kTargets ? names_ : targets_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
      if (row >= 0) {
        editor_.ShowRow(static_cast<std::size_t>(row));
        ShowBoxes();
      }
    }
  }

  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    switch (message) {
      case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        HDC dc = ::GetDC(window_);
        HGDIOBJ old = ::SelectObject(dc, font_);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        ::SelectObject(dc, old);
        ::ReleaseDC(window_, dc);
        item->itemHeight = static_cast<UINT>(metrics.tmHeight);
        *result = TRUE;
        return true;
      }
      case WM_DRAWITEM:
        DrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
      case WM_VKEYTOITEM:
        // Delete in either list removes the selected row.
        if (LOWORD(wParam) == VK_DELETE) {
          Remove();
          *result = -2;
        } else {
          *result = -1;
        }
        return true;
      default:
        return false;
    }
  }

 private:
  void ShowRows() {
    for (const HWND list : {targets_, names_}) {
      ::SendMessageW(list, LB_SETCOUNT, editor_.Rows(), 0);
      ::InvalidateRect(list, nullptr, TRUE);
    }
  }

  void DrawRow(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) {
      return;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem,
               ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID < editor_.Rows()) {
      const QuickcommandEntry& entry = editor_.Row(item.itemID);
      const std::wstring text = Wide(item.CtlID == kTargets ? entry.Target : entry.Name);
      ::SetBkMode(item.hDC, TRANSPARENT);
      ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT place = item.rcItem;
      place.left += 2;
      ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &place,
                  DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS);
    }
    if ((item.itemState & ODS_FOCUS) != 0) {
      ::DrawFocusRect(item.hDC, &item.rcItem);
    }
  }

  // The boxes, and the focus, as the model holds them after an action.
  void ShowBoxes() {
    for (const auto& [box, text] :
         {std::pair{targetBox_, &editor_.targetBox}, std::pair{nameBox_, &editor_.nameBox}}) {
      if (TextOf(box) != *text) {
        ::SetWindowTextW(box, Wide(*text).c_str());
      }
    }
    switch (editor_.TakeFocus()) {
      case bar::EditorModel::Focus::kKeep:
        break;
      case bar::EditorModel::Focus::kTargetBox:
        ::SetFocus(targetBox_);
        break;
      case bar::EditorModel::Focus::kNameBoxSelected:
        ::SetFocus(nameBox_);
        ::SendMessageW(nameBox_, EM_SETSEL, 0, -1);
        break;
    }
  }

  void Add() {
    editor_.Add();
    ShowRows();
    ShowBoxes();
  }

  void Remove() {
    const LRESULT row = ::SendMessageW(targets_, LB_GETCURSEL, 0, 0);
    if (row >= 0) {
      editor_.Remove(static_cast<std::size_t>(row));
      ShowRows();
      ShowBoxes();
    }
  }

  void Browse() {
    editor_.Browse();
    ShowBoxes();
  }

  bar::EditorModel& editor_;
  HWND first_ = nullptr;
  HWND targets_ = nullptr;
  HWND names_ = nullptr;
  HWND targetBox_ = nullptr;
  HWND nameBox_ = nullptr;
};

// --- Options ---

class OptionsDialog : public ToolDialog {
 public:
  OptionsDialog(HINSTANCE instance, HFONT font, int dpi, bar::OptionsModel& options,
                std::function<void()> closed)
      : ToolDialog(instance, font, dpi, Dialog::kOptions, std::move(closed)), options_(options) {}

 protected:
  enum { kCorner = 100, kCaseSensitive = 110, kAutoUpdate, kWebExtensions, kTabs };
  void Build() override {
    // The frames lie on top of each other at 120, 360; the controls inside
    // are placed from there. Made in the order the Tab key goes.
    const auto inFrame = [this](int page, const wchar_t* kind, const std::wstring& text,
                                DWORD style, int left, int top, int width, int height, int id,
                                DWORD exStyle = 0) {
      const HWND control =
          Control(kind, text, style, 120 + left, 360 + top, width, height, id, exStyle);
      pages_[page].push_back(control);
      return control;
    };
    const struct {
      int left, top, width;
    } corners[] = {{240, 360, 1335}, {1680, 360, 1215}, {240, 720, 1215}, {1680, 720, 1335}};
    for (int corner = 1; corner <= 4; ++corner) {
      const auto& place = corners[corner - 1];
      const HWND option =
          inFrame(1, L"BUTTON", Wide(bar::kCornerCaptions[corner - 1]),
                  WS_CHILD | WS_TABSTOP | BS_AUTORADIOBUTTON | (corner == 1 ? WS_GROUP : 0),
                  place.left, place.top, place.width, 255, kCorner + corner);
      ::SendMessageW(option, BM_SETCHECK, options_.Corner() == corner ? BST_CHECKED : 0, 0);
    }
    const DWORD check = WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX;
    caseSensitive_ = inFrame(0, L"BUTTON", Wide(bar::kCaseSensitiveCaption), check | WS_GROUP, 240,
                             240, 1575, 255, kCaseSensitive);
    const HWND autoUpdate = inFrame(0, L"BUTTON", Wide(bar::kAutoUpdateCaption), check, 240, 600,
                                    1335, 255, kAutoUpdate);
    ::SendMessageW(caseSensitive_, BM_SETCHECK, options_.CaseSensitive() ? BST_CHECKED : 0, 0);
    // Without an update check in this copy the box says it is off, for good.
    ::SendMessageW(autoUpdate, BM_SETCHECK, options_.AutoUpdateShown() ? BST_CHECKED : 0, 0);
    ::EnableWindow(autoUpdate, options_.AutoUpdateChangeable());
    inFrame(2, L"EDIT", Wide(options_.webExtensionText),
            WS_CHILD | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 240, 240, 2895, 285, kWebExtensions,
            WS_EX_CLIENTEDGE);
    for (int page = 0; page < 3; ++page) {
      pages_[page].push_back(Control(L"BUTTON", Wide(bar::kOptionsPages[page].frame),
                                     WS_CHILD | BS_GROUPBOX, 120, 360, 3375, 1215, 0, 0));
    }
    tabs_ = Control(WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 90,
                    30, 3495, 1605, kTabs);
    for (int page = 0; page < 3; ++page) {
      std::wstring tab = Wide(bar::kOptionsPages[page].tab);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = tab.data();
      ::SendMessageW(tabs_, TCM_INSERTITEMW, static_cast<WPARAM>(page),
                     reinterpret_cast<LPARAM>(&item));
    }
    ShowPage(0);
  }
  HWND FirstFocus() override { return caseSensitive_; }

  void OnCommand(int id, int code, HWND control) override {
    if (code != BN_CLICKED && !(id == kWebExtensions && code == EN_CHANGE)) {
      return;
    }
    const bool checked = ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (id > kCorner && id <= kCorner + 4 && checked) {
      options_.PickCorner(id - kCorner);
    } else if (id == kCaseSensitive) {
      options_.SetCaseSensitive(checked);
    } else if (id == kAutoUpdate) {
      options_.autoUpdate = checked;
    } else if (id == kWebExtensions) {
      options_.webExtensionText = TextOf(control);
    }
  }

  bool OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) override {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (message != WM_NOTIFY || header->hwndFrom != tabs_ || header->code != TCN_SELCHANGE) {
      return false;
    }
    ShowPage(static_cast<int>(::SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
    *result = 0;
    return true;
  }

 private:
  // Exactly one frame is shown: the selected tab's.
  void ShowPage(int shown) {
    for (int page = 0; page < 3; ++page) {
      for (const HWND control : pages_[page]) {
        ::ShowWindow(control, page == shown ? SW_SHOW : SW_HIDE);
      }
    }
  }

  bar::OptionsModel& options_;
  HWND caseSensitive_ = nullptr;
  HWND tabs_ = nullptr;
  std::vector<HWND> pages_[3];
};

}  // namespace

ToolDialog::ToolDialog(HINSTANCE instance, HFONT font, int dpi, Dialog dialog,
                       std::function<void()> closed)
    : instance_(instance),
      font_(font),
      dpi_(dpi),
      caption_(Wide(bar::Caption(dialog))),
      clientWidth_(bar::ClientTwips(dialog).width),
      clientHeight_(bar::ClientTwips(dialog).height),
      closed_(std::move(closed)) {}

ToolDialog::~ToolDialog() {
  if (window_ != nullptr) {
    ::DestroyWindow(window_);
  }
}

HWND ToolDialog::Control(const wchar_t* kind, const std::wstring& text, DWORD style, int left,
                         int top, int width, int height, int id, DWORD exStyle) {
  HWND control = ::CreateWindowExW(
      exStyle, kind, text.c_str(), style, Pixels(left), Pixels(top), Pixels(width), Pixels(height),
      window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  return control;
}

void ToolDialog::Create(HWND owner) {
  RegisterClassOnce(instance_, &ToolDialog::Proc);
  // A fixed tool window with a close box only, no task-bar entry.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  RECT outer{0, 0, Pixels(clientWidth_), Pixels(clientHeight_)};
  ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  window_ = ::CreateWindowExW(exStyle, kDialogClass, caption_.c_str(), style, 0, 0,
                              outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                              instance_, this);
  Build();
}

void ToolDialog::RollOut(HWND bar, int corner) {
  const bool firstShowing = window_ == nullptr;
  if (firstShowing) {
    Create(bar);
  }
  RECT barFrame{};
  ::GetWindowRect(bar, &barFrame);
  RECT outer{};
  RECT client{};
  ::GetWindowRect(window_, &outer);
  ::GetClientRect(window_, &client);
  const int width = outer.right - outer.left;
  const int frame = (outer.bottom - outer.top) - (client.bottom - client.top);
  const int height =
      UnrollHeight(firstShowing, Pixels(clientHeight_) + frame, outer.bottom - outer.top);
  const RollOutPlan plan = RollOutSteps(
      {barFrame.left, barFrame.top},
      {barFrame.right - barFrame.left, barFrame.bottom - barFrame.top}, width, height, frame + 1,
      ::GetSystemMetrics(SM_CXSCREEN), corner, 1440.0f / static_cast<float>(dpi_));
  ::SetWindowPos(window_, HWND_TOP, plan.left, plan.start.top, width, plan.start.height,
                 SWP_SHOWWINDOW);
  for (const RollOutStep& step : plan.steps) {
    ::SetWindowPos(window_, nullptr, plan.left, step.top, width, step.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(window_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  ::SetForegroundWindow(window_);
  if (HWND first = FirstFocus()) {
    ::SetFocus(first);
  }
}

bool ToolDialog::DialogMessage(MSG& message) {
  return window_ != nullptr && ::IsDialogMessageW(window_, &message);
}

void ToolDialog::Close() {
  if (closing_ || window_ == nullptr) {
    return;
  }
  closing_ = true;
  // The closing steps see the window still there: a message box about a
  // failed save has it as its owner.
  closed_();
  ::DestroyWindow(window_);
  window_ = nullptr;
}

LRESULT CALLBACK ToolDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<ToolDialog*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<ToolDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr || self->window_ != window) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  LRESULT result = 0;
  switch (message) {
    case WM_CLOSE:
      self->Close();
      return 0;
    case WM_COMMAND:
      self->OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_ACTIVATE:
      // As dialog boxes do: the control that had the focus gets it back
      // when the window is active again.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = ::GetFocus(); focus != nullptr && ::IsChild(window, focus)) {
          self->lastFocus_ = focus;
        }
      } else if (HWND focus = self->lastFocus_ != nullptr ? self->lastFocus_ : self->FirstFocus()) {
        ::SetFocus(focus);
        return 0;
      }
      break;
    case WM_GETMINMAXINFO:
      // The window unrolls from a strip of its caption.
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = 1;
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      return ::DefWindowProcW(window, message, wParam, lParam);
    default:
      if (self->OnMessage(message, wParam, lParam, &result)) {
        return result;
      }
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<ToolDialog> MakeDialog(Dialog dialog, HINSTANCE instance, HFONT font, int dpi,
                                       bar::BarRules& rules, std::function<void()> closed) {
  switch (dialog) {
    case Dialog::kHelp:
      return std::make_unique<HelpScreen>(instance, font, dpi, rules, std::move(closed));
    case Dialog::kHidden:
      return std::make_unique<HiddenScreen>(instance, font, dpi, std::move(closed));
    case Dialog::kEditor:
      return std::make_unique<QuickcommandEditor>(instance, font, dpi, *rules.Editor(),
                                                  std::move(closed));
    case Dialog::kOptions:
      return std::make_unique<OptionsDialog>(instance, font, dpi, *rules.Options(),
                                             std::move(closed));
  }
  return nullptr;
}

}  // namespace tarvolin::win32
