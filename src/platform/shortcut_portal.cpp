#include "platform/shortcut_portal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <utility>

#include "core/key_names.h"
#include "platform/portal_shortcut.h"

namespace {

constexpr QLatin1String kService("org.freedesktop.portal.Desktop");
constexpr QLatin1String kPath("/org/freedesktop/portal/desktop");
constexpr QLatin1String kInterface("org.freedesktop.portal.GlobalShortcuts");
constexpr QLatin1String kRequest("org.freedesktop.portal.Request");
constexpr QLatin1String kShortcutId("toggle");

}  // namespace

namespace tarvolin::platform {

ShortcutPortal::ShortcutPortal(const std::string& key,
                               std::function<void(const std::string&)> bound,
                               std::function<void(const std::string&)> pressed)
    : trigger_(Trigger(key)), bound_(std::move(bound)), pressed_(std::move(pressed)) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<PortalShortcuts>();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    // Told from the event loop, as every other outcome.
    QMetaObject::invokeMethod(
        this, [this] { Tell({}); }, Qt::QueuedConnection);
    return;
  }
  // The portal says which of its interfaces it has by their versions.
  QDBusMessage ask = QDBusMessage::createMethodCall(
      kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  ask << kInterface << QStringLiteral("version");
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    if (w->isError()) {
      Tell({});
    } else {
      CreateSession();
    }
  });
}

QString ShortcutPortal::Trigger(const std::string& key) {
  const auto combination = ParseKeyCombination(key);
  return combination ? QString::fromStdString(PortalTrigger(*combination)) : QString();
}

PortalShortcuts ShortcutPortal::Shortcuts() const {
  return {{kShortcutId,
           {{QStringLiteral("description"), QStringLiteral("Show or hide the Tarvolin bar")},
            {QStringLiteral("preferred_trigger"), trigger_}}}};
}

bool ShortcutPortal::Ask(const QString& method, const QList<QVariant>& arguments,
                         const char* slot) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString token = QStringLiteral("tarvolin%1").arg(++tokens_);
  // The portal names the request after the caller's unique name, its
  // leading ":" left out and each "." made "_".
  const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
  request_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  if (!bus.connect(kService, request_, kRequest, QStringLiteral("Response"), this, slot)) {
    return false;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  QList<QVariant> withOptions = arguments;
  QVariantMap options = withOptions.isEmpty() ? QVariantMap() : withOptions.takeLast().toMap();
  options.insert(QStringLiteral("handle_token"), token);
  withOptions << options;
  call.setArguments(withOptions);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    if (w->isError()) {
      Tell({});
    }
  });
  return true;
}

void ShortcutPortal::CreateSession() {
  // KDE's portal before Plasma 6 takes the shortcuts with the session too.
  const QVariantMap options{{QStringLiteral("session_handle_token"), QStringLiteral("tarvolin")},
                            {QStringLiteral("shortcuts"), QVariant::fromValue(Shortcuts())}};
  if (!Ask(QStringLiteral("CreateSession"), {options}, SLOT(SessionMade(uint, QVariantMap)))) {
    Tell({});
  }
}

void ShortcutPortal::SessionMade(uint response, const QVariantMap& results) {
  QDBusConnection::sessionBus().disconnect(kService, request_, kRequest, QStringLiteral("Response"),
                                           this, SLOT(SessionMade(uint, QVariantMap)));
  // The handle comes as a string by the portal's description, as an
  // object path from some.
  const QVariant handle = results.value(QStringLiteral("session_handle"));
  session_ = handle.userType() == qMetaTypeId<QDBusObjectPath>()
                 ? handle.value<QDBusObjectPath>().path()
                 : handle.toString();
  if (response != 0 || session_.isEmpty()) {
    Tell({});
    return;
  }
  QDBusConnection::sessionBus().connect(
      kService, kPath, kInterface, QStringLiteral("Activated"), this,
      SLOT(Activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  if (!Ask(QStringLiteral("BindShortcuts"),
           {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(Shortcuts()),
            QString(), QVariantMap()},
           SLOT(Bound(uint, QVariantMap)))) {
    Tell({});
  }
}

void ShortcutPortal::Bound(uint response, const QVariantMap& results) {
  QDBusConnection::sessionBus().disconnect(kService, request_, kRequest, QStringLiteral("Response"),
                                           this, SLOT(Bound(uint, QVariantMap)));
  // A success says nothing of the key: the shortcuts it gives back say how
  // each is pressed, and a shortcut without that has no key yet.
  // Any process on the bus may answer: what is not the list of shortcuts
  // it should be is no key, never read as one.
  std::string trigger;
  const QVariant given = results.value(QStringLiteral("shortcuts"));
  if (response == 0 && given.userType() == qMetaTypeId<QDBusArgument>() &&
      given.value<QDBusArgument>().currentSignature() == QLatin1String("a(sa{sv})")) {
    for (const PortalShortcut& shortcut : qdbus_cast<PortalShortcuts>(given)) {
      if (shortcut.id == kShortcutId) {
        trigger = shortcut.properties.value(QStringLiteral("trigger_description"))
                      .toString()
                      .trimmed()
                      .toStdString();
      }
    }
  }
  Tell(trigger);
}

void ShortcutPortal::Activated(const QDBusObjectPath& session, const QString& id, qulonglong,
                               const QVariantMap& options) {
  // A flood of presses (any process on the bus can send them) is taken as
  // one press a tenth of a second at most.
  if (session.path() == session_ && id == kShortcutId &&
      (!lastPress_.isValid() || lastPress_.elapsed() >= kPressGapMs)) {
    lastPress_.start();
    pressed_(options.value(QStringLiteral("activation_token")).toString().toStdString());
  }
}

void ShortcutPortal::Tell(const std::string& trigger) {
  if (!told_) {
    told_ = true;
    bound_(trigger);
  }
}

}  // namespace tarvolin::platform
