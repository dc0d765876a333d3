// The desktop's global shortcuts portal (org.freedesktop.portal.
// GlobalShortcuts, which KDE Plasma has): in a Wayland session, where no
// program may grab a key, the desktop binds one for the bar and says when
// it is pressed.
#pragma once

#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <string>

#include "platform/portal_shortcut.h"

namespace tarvolin::platform {

class ShortcutPortal : public QObject {
  Q_OBJECT
 public:
  // Asks the portal on the session bus to bind `key` ("Ctrl+Alt+Space", as
  // tv.ini names keys) to the bar. `bound` is told once: how the desktop
  // says its key is pressed ("Ctrl+Alt+Space"), or nothing when no key is
  // bound: no such portal, a refusal, or a shortcut taken without a key
  // (KDE before Plasma 6 leaves the key to the user's shortcut settings).
  // Then `pressed` is told of every press, a key given later included,
  // with the activation token the desktop gave (empty when none). Nothing
  // here waits for the bus.
  ShortcutPortal(const std::string& key, std::function<void(const std::string&)> bound,
                 std::function<void(const std::string&)> pressed);

  // The key in the form the portal takes: "CTRL+ALT+space".
  static QString Trigger(const std::string& key);

 private slots:
  void SessionMade(uint response, const QVariantMap& results);
  void Bound(uint response, const QVariantMap& results);
  void Activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                 const QVariantMap& options);

 private:
  void CreateSession();
  // The bar's one shortcut, with its description and the key it prefers.
  PortalShortcuts Shortcuts() const;
  // Calls `method` on the portal; its answer comes as a Response on a
  // request object whose path the token fixes, watched before the call so
  // that no answer is missed.
  bool Ask(const QString& method, const QList<QVariant>& arguments, const char* slot);
  void Tell(const std::string& trigger);

  QString trigger_;
  std::function<void(const std::string&)> bound_;
  std::function<void(const std::string&)> pressed_;
  QString session_;
  QString request_;
  int tokens_ = 0;
  bool told_ = false;
  static constexpr int kPressGapMs = 100;
  QElapsedTimer lastPress_;
};

}  // namespace tarvolin::platform
