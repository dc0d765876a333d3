// The notification area ("system tray"), in the shape of the Windows calls
// the tray module is written against: an icon record, add and delete, and
// the window procedure that receives the icon's notifications.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "platform/ui.h"

namespace tarvolin::platform {

// Mouse messages, numbered as the Windows ones. A notification of the icon
// carries one of them in lParam: what the mouse did over the icon.
inline constexpr std::uint32_t kWmMouseMove = 0x200;
inline constexpr std::uint32_t kWmLButtonDown = 0x201;
inline constexpr std::uint32_t kWmLButtonUp = 0x202;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x203;
inline constexpr std::uint32_t kWmRButtonDown = 0x204;
inline constexpr std::uint32_t kWmRButtonUp = 0x205;
inline constexpr std::uint32_t kWmMButtonDown = 0x207;
inline constexpr std::uint32_t kWmMButtonUp = 0x208;

// Actions of NotifyIcon.
inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimDelete = 2;

// Bits of NotifyIconData::uFlags: which of the fields are given.
inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;

// One icon of the notification area, field for field the first (88-byte,
// single-byte tip) version of the Windows NOTIFYICONDATA record.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  Window* hWnd = nullptr;  // the window that receives the notifications
  std::uint32_t uID = 0;   // with hWnd, names the icon
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;  // the message number of the notifications
  std::uint32_t hIcon = 0;             // the number of the icon to show
  std::array<char, 64> szTip{};        // the tip, ended by a 0 byte
};

// A window procedure: takes a message sent to a window (window, message,
// wParam, lParam) and gives its result.
using WindowProc =
    std::function<std::int32_t(Window&, std::uint32_t message, std::uint32_t, std::int32_t)>;

class Tray {
 public:
  virtual ~Tray() = default;

  // Whether the desktop has a notification area to put an icon in.
  virtual bool Available() const = 0;

  // kNimAdd shows the icon the record describes; kNimDelete removes the icon
  // that the record's hWnd and uID name, and does nothing when there is none.
  // A click or other mouse event over a shown icon is sent, later, to the
  // procedure of hWnd as message uCallbackMessage with wParam uID and the
  // mouse message in lParam. The outcome is not reported.
  virtual void NotifyIcon(std::uint32_t action, const NotifyIconData& data) = 0;

  // Makes proc the procedure that receives the messages the tray sends to
  // window, and returns the one in place before: empty for the window's
  // default procedure, which ignores them. A procedure may replace itself
  // while it runs, so the tray calls a copy of it.
  virtual WindowProc SetWindowProc(Window& window, WindowProc proc) = 0;

  // The number of the window's icon.
  virtual std::uint32_t IconHandle(Window& window) const = 0;
};

// Hands a message to a window procedure; the default one (empty) ignores it
// and gives 0.
inline std::int32_t CallWindowProc(const WindowProc& proc, Window& window, std::uint32_t message,
                                   std::uint32_t wParam, std::int32_t lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

}  // namespace tarvolin::platform
