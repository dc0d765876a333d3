// The notification area through QSystemTrayIcon.
#pragma once

#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>
#include <cstdint>
#include <map>
#include <utility>

#include "platform/tray.h"

namespace tarvolin::platform {

class QtTray : public Tray {
 public:
  // A QApplication must exist for the tray's whole life.
  QtTray();
  ~QtTray() override;
  QtTray(const QtTray&) = delete;
  QtTray& operator=(const QtTray&) = delete;

  bool Available() const override;
  void NotifyIcon(std::uint32_t action, const NotifyIconData& data) override;
  WindowProc SetWindowProc(Window& window, WindowProc proc) override;
  std::uint32_t IconHandle(Window& window) const override;

  // The mouse message a click on the icon stands for.
  static std::uint32_t MouseMessageOf(QSystemTrayIcon::ActivationReason reason);

  // Where the icon of window and id is on the screen; empty when it is not
  // shown.
  QRect IconGeometry(const Window& window, std::uint32_t id) const;

 private:
  using Key = std::pair<const Window*, std::uint32_t>;
  struct Entry {
    QSystemTrayIcon* icon = nullptr;
    Window* window = nullptr;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
  };

  void Add(const NotifyIconData& data);
  void Delete(const NotifyIconData& data);
  void Notify(Key key, std::uint32_t mouseMessage);

  std::map<Key, Entry> icons_;
  std::map<const Window*, WindowProc> procs_;
  // Context of the icons' connections and of queued notifications: destroyed
  // first, it cuts them before the icons go.
  QObject guard_;
};

}  // namespace tarvolin::platform
