// One shortcut as the global shortcuts portal takes and gives it: an id
// and its properties, the D-Bus type (sa{sv}).
#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace tarvolin::platform {

struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

inline QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

using PortalShortcuts = QList<PortalShortcut>;

}  // namespace tarvolin::platform

Q_DECLARE_METATYPE(tarvolin::platform::PortalShortcut)
