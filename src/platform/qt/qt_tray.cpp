#include "platform/qt/qt_tray.h"

#include <algorithm>

#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_program_icon.h"
#include "platform/qt/qt_window.h"

namespace tarvolin::platform {

namespace {

QIcon IconOf(const Window& window) {
  if (const auto* qt = dynamic_cast<const QtWindow*>(&window)) {
    const QIcon icon = qt->Widget()->windowIcon();
    if (!icon.isNull()) {
      return icon;
    }
  }
  return ProgramIcon();
}

// The tip: the field's text up to its 0 byte, or all 64 bytes without one.
QString TipOf(const NotifyIconData& data) {
  const auto end = std::find(data.szTip.begin(), data.szTip.end(), '\0');
  return ToQString(std::string(data.szTip.begin(), end));
}

}  // namespace

QtTray::QtTray() = default;

QtTray::~QtTray() {
  // The icons' connections and queued clicks go with guard_ right after.
  for (auto& [key, entry] : icons_) {
    delete entry.icon;
  }
}

bool QtTray::Available() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

std::uint32_t QtTray::MouseMessageOf(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      // A single click with the left button, counted as done.
      return kWmLButtonUp;
    case QSystemTrayIcon::DoubleClick:
      return kWmLButtonDblClk;
    case QSystemTrayIcon::Context:
      return kWmRButtonUp;
    case QSystemTrayIcon::MiddleClick:
      return kWmMButtonUp;
    case QSystemTrayIcon::Unknown:
      break;
  }
  return kWmMouseMove;
}

void QtTray::NotifyIcon(std::uint32_t action, const NotifyIconData& data) {
  if (action == kNimAdd) {
    Add(data);
  } else if (action == kNimDelete) {
    Delete(data);
  }
}

void QtTray::Add(const NotifyIconData& data) {
  if (data.hWnd == nullptr) {
    return;
  }
  const Key key{data.hWnd, data.uID};
  Entry& entry = icons_[key];
  if (entry.icon == nullptr) {
    entry.icon = new QSystemTrayIcon();
    // Clicks are handed on from the event loop, not from inside the icon's
    // own mouse handling: the receiver may well remove the icon.
    QObject::connect(entry.icon, &QSystemTrayIcon::activated, &guard_,
                     [this, key](QSystemTrayIcon::ActivationReason reason) {
                       const std::uint32_t message = MouseMessageOf(reason);
                       QMetaObject::invokeMethod(
                           &guard_, [this, key, message] { Notify(key, message); },
                           Qt::QueuedConnection);
                     });
  }
  entry.window = data.hWnd;
  entry.id = data.uID;
  entry.flags = data.uFlags;
  entry.callbackMessage = data.uCallbackMessage;
  if ((data.uFlags & kNifIcon) != 0) {
    entry.icon->setIcon(IconOf(*data.hWnd));
  }
  entry.icon->setToolTip((data.uFlags & kNifTip) != 0 ? TipOf(data) : QString());
  entry.icon->show();
}

void QtTray::Delete(const NotifyIconData& data) {
  const auto found = icons_.find(Key{data.hWnd, data.uID});
  if (found == icons_.end()) {
    return;
  }
  QSystemTrayIcon* icon = found->second.icon;
  icons_.erase(found);
  icon->hide();
  icon->deleteLater();
}

void QtTray::Notify(Key key, std::uint32_t mouseMessage) {
  // A click that reached the icon just before it was removed is dropped.
  const auto found = icons_.find(key);
  if (found == icons_.end() || (found->second.flags & kNifMessage) == 0) {
    return;
  }
  const Entry entry = found->second;
  const auto proc = procs_.find(entry.window);
  if (proc == procs_.end()) {
    return;
  }
  // A copy: the procedure may replace itself while it runs.
  const WindowProc current = proc->second;
  CallWindowProc(current, *entry.window, entry.callbackMessage, entry.id,
                 static_cast<std::int32_t>(mouseMessage));
}

WindowProc QtTray::SetWindowProc(Window& window, WindowProc proc) {
  WindowProc& slot = procs_[&window];
  WindowProc previous = std::move(slot);
  slot = std::move(proc);
  return previous;
}

std::uint32_t QtTray::IconHandle(Window& window) const {
  return static_cast<std::uint32_t>(static_cast<quint64>(IconOf(window).cacheKey()) & 0xffffffffu);
}

QRect QtTray::IconGeometry(const Window& window, std::uint32_t id) const {
  const auto found = icons_.find(Key{&window, id});
  if (found == icons_.end() || !found->second.icon->isVisible()) {
    return {};
  }
  return found->second.icon->geometry();
}

}  // namespace tarvolin::platform
