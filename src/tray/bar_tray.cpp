#include "tray/bar_tray.h"

#include <algorithm>

namespace tarvolin {

BarTray::BarTray(platform::Tray& tray, platform::Window& bar, platform::TextBox& text1)
    : tray_(tray), bar_(bar), text1_(text1) {}

BarTray::~BarTray() {
  UnsubclassBar();
}

void BarTray::mnutotray_Click() {
  if (!tray_.Available()) {
    return;
  }
  // The procedure goes in before the icon, so the icon's first notification
  // already finds it.
  SubclassBar(bar_);
  AddTrayIcon(bar_, tray_.IconHandle(bar_), tray_.IconHandle(bar_), kTrayTip);
  // Hidden, not closed: its timers keep running.
  bar_.Hide();
}

void BarTray::mnurestore_Click() {
  UnsubclassBar();
  bar_.Show();
  RemoveTrayIcon();
  // The box may be unable to take the focus at this moment; that is fine.
  text1_.SetFocus();
}

void BarTray::SysTrayMouseEventHandler() {
  bar_.Activate();
  mnurestore_Click();
}

void BarTray::SubclassBar(platform::Window& window) {
  if (IsSubclassed) {
    return;
  }
  SubclassedWindow = &window;
  PreviousWindowProc = tray_.SetWindowProc(
      window, [this](platform::Window& w, std::uint32_t message, std::uint32_t wParam,
                     std::int32_t lParam) { return TrayWindowProc(w, message, wParam, lParam); });
  IsSubclassed = true;
}

void BarTray::UnsubclassBar() {
  if (!IsSubclassed) {
    return;
  }
  tray_.SetWindowProc(*SubclassedWindow, PreviousWindowProc);
  IsSubclassed = false;
}

void BarTray::AddTrayIcon(platform::Window& window, std::uint32_t id, std::uint32_t icon,
                          const std::string& tip) {
  TrayIconData.hWnd = &window;
  TrayIconData.uID = id;
  TrayIconData.uFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
  TrayIconData.uCallbackMessage = kTrayCallbackMessage;
  TrayIconData.hIcon = icon;
  // The tip, a 0 byte, blanks after it; a tip that fills the field loses
  // its 0 byte.
  TrayIconData.szTip.fill(' ');
  const std::size_t length = std::min(tip.size(), TrayIconData.szTip.size());
  std::copy_n(tip.begin(), length, TrayIconData.szTip.begin());
  if (length < TrayIconData.szTip.size()) {
    TrayIconData.szTip[length] = '\0';
  }
  TrayIconData.cbSize = 88;
  tray_.NotifyIcon(platform::kNimAdd, TrayIconData);
}

void BarTray::RemoveTrayIcon() {
  tray_.NotifyIcon(platform::kNimDelete, TrayIconData);
}

std::int32_t BarTray::TrayWindowProc(platform::Window& window, std::uint32_t message,
                                     std::uint32_t wParam, std::int32_t lParam) {
  if (!IsSubclassed) {
    return 0;
  }
  if (message == kTrayCallbackMessage &&
      lParam == static_cast<std::int32_t>(platform::kWmLButtonUp)) {
    SysTrayMouseEventHandler();
    return -1;
  }
  return platform::CallWindowProc(PreviousWindowProc, window, message, wParam, lParam);
}

}  // namespace tarvolin
