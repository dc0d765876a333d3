// The bar's icon in the notification area: "To tray" hides the bar behind an
// icon, a left click on the icon brings it back with the focus in its box.
// While the icon exists the bar's window procedure is replaced by
// TrayWindowProc, which picks the click out of the icon's notifications.
#pragma once

#include <cstdint>
#include <string>

#include "platform/tray.h"
#include "platform/ui.h"

namespace tarvolin {

// The icon's tip: the application's title.
inline constexpr char kTrayTip[] = "Tarvolin";
// The message number of the icon's notifications.
inline constexpr std::uint32_t kTrayCallbackMessage = 0x203;

class BarTray {
 public:
  // `bar` and its box `text1` must outlive this object.
  BarTray(platform::Tray& tray, platform::Window& bar, platform::TextBox& text1);
  // Puts the bar's own window procedure back, so nothing calls into a
  // destroyed object. The icon is left alone.
  ~BarTray();
  BarTray(const BarTray&) = delete;
  BarTray& operator=(const BarTray&) = delete;

  // "To tray", and Escape in the box: hides the bar behind the icon. Where
  // the desktop has no notification area nothing would bring the bar back,
  // so it stays on screen.
  void mnutotray_Click();
  // "Restore": shows the bar and puts the focus into its box.
  void mnurestore_Click();
  // A left click on the icon: brings the bar to the front and restores it.
  void SysTrayMouseEventHandler();

  // Installs TrayWindowProc as the bar's window procedure, once.
  void SubclassBar(platform::Window& window);
  // Puts PreviousWindowProc back, when TrayWindowProc is in place.
  void UnsubclassBar();
  // Fills TrayIconData and adds the icon.
  void AddTrayIcon(platform::Window& window, std::uint32_t id, std::uint32_t icon,
                   const std::string& tip);
  // Removes the icon TrayIconData describes.
  void RemoveTrayIcon();
  // The bar's window procedure while it is in the tray.
  std::int32_t TrayWindowProc(platform::Window& window, std::uint32_t message, std::uint32_t wParam,
                              std::int32_t lParam);

  platform::NotifyIconData TrayIconData;
  bool IsSubclassed = false;
  platform::Window* SubclassedWindow = nullptr;
  platform::WindowProc PreviousWindowProc;

 private:
  platform::Tray& tray_;
  platform::Window& bar_;
  platform::TextBox& text1_;
};

}  // namespace tarvolin
