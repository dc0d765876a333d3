// A stand-in for the desktop's global shortcuts portal, on the session bus
// as org.freedesktop.portal.Desktop: it makes sessions, binds what it is
// asked to bind (printing "bound ID TRIGGER" on standard output) and
// answers each request with a Response, as the real portal does, giving
// back each shortcut with how its key is pressed ("Ctrl+Alt+Space"). With
// --no-keys it gives back none, as KDE's portal before Plasma 6 may, which
// leaves the key to the user's settings. Its Press method (interface
// org.tarvolin.FakePortal) presses every bound shortcut, with the
// activation token it is given, as a key the user gave it later would.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDateTime>
#include <cstdio>

#include "platform/portal_shortcut.h"

namespace {

using tarvolin::platform::PortalShortcuts;

class Portal : public QObject {
 public:
  // The request's Response, sent on the path the caller's token names.
  void Respond(const QDBusMessage& call, const QVariantMap& options, const QVariantMap& results) {
    const QString sender = call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    QDBusMessage response = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(sender, options.value(QStringLiteral("handle_token")).toString()),
        QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << 0u << results;
    QDBusConnection::sessionBus().send(response);
  }
  QString session;
  QStringList bound;
  bool keys = true;
  QString answer;
};

// "CTRL+ALT+space" as a desktop shows it: "Ctrl+Alt+Space".
QString Described(const QString& trigger) {
  QStringList parts;
  for (QString part : trigger.split(QLatin1Char('+'))) {
    part = part.toLower();
    parts << (part == QLatin1String("logo") ? QStringLiteral("Meta")
                                            : part.left(1).toUpper() + part.mid(1));
  }
  return parts.join(QLatin1Char('+'));
}

class GlobalShortcuts : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
  Q_PROPERTY(uint version READ version)
 public:
  explicit GlobalShortcuts(Portal* portal) : QDBusAbstractAdaptor(portal), portal_(portal) {}
  uint version() const { return 1; }

 public slots:
  QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& call) {
    portal_->session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                           .arg(call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')),
                                options.value(QStringLiteral("session_handle_token")).toString());
    portal_->Respond(call, options, {{QStringLiteral("session_handle"), portal_->session}});
    return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/x/y"));
  }
  QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const PortalShortcuts& shortcuts,
                                const QString&, const QVariantMap& options,
                                const QDBusMessage& call) {
    PortalShortcuts given;
    if (session.path() == portal_->session) {
      for (const auto& shortcut : shortcuts) {
        const QString trigger =
            shortcut.properties.value(QStringLiteral("preferred_trigger")).toString();
        portal_->bound << shortcut.id;
        std::printf("bound %s %s\n", qPrintable(shortcut.id), qPrintable(trigger));
        std::fflush(stdout);
        if (portal_->keys) {
          given.append({shortcut.id,
                        {{QStringLiteral("description"),
                          shortcut.properties.value(QStringLiteral("description"))},
                         {QStringLiteral("trigger_description"), Described(trigger)}}});
        }
      }
    }
    // --answer=map, struct or nested: the shortcuts of another type, as a
    // hostile service on the bus might give them.
    QVariant answer = QVariant::fromValue(given);
    if (portal_->answer == QLatin1String("map")) {
      answer = QVariantMap{{QStringLiteral("toggle"), QStringLiteral("CTRL+ALT+space")}};
    } else if (portal_->answer == QLatin1String("struct") && !given.isEmpty()) {
      answer = QVariant::fromValue(given.front());
    } else if (portal_->answer == QLatin1String("nested")) {
      answer = QVariant::fromValue(QList<PortalShortcuts>{given});
    }
    portal_->Respond(call, options, {{QStringLiteral("shortcuts"), answer}});
    return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/x/z"));
  }

 signals:
  void Activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                 const QVariantMap& options);

 private:
  Portal* portal_;
};

class Tester : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.tarvolin.FakePortal")
 public:
  Tester(Portal* portal, GlobalShortcuts* shortcuts)
      : QDBusAbstractAdaptor(portal), portal_(portal), shortcuts_(shortcuts) {}

 public slots:
  void Press(const QString& token) {
    for (const QString& id : portal_->bound) {
      emit shortcuts_->Activated(QDBusObjectPath(portal_->session), id,
                                 static_cast<qulonglong>(QDateTime::currentMSecsSinceEpoch()),
                                 {{QStringLiteral("activation_token"), token}});
    }
  }

 private:
  Portal* portal_;
  GlobalShortcuts* shortcuts_;
};

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  qDBusRegisterMetaType<tarvolin::platform::PortalShortcut>();
  qDBusRegisterMetaType<PortalShortcuts>();
  // The slot below names the list by this name.
  qRegisterMetaType<PortalShortcuts>("PortalShortcuts");
  qDBusRegisterMetaType<QList<PortalShortcuts>>();
  Portal portal;
  portal.keys = !app.arguments().contains(QStringLiteral("--no-keys"));
  for (const QString& argument : app.arguments()) {
    if (argument.startsWith(QLatin1String("--answer="))) {
      portal.answer = argument.mid(9);
    }
  }
  auto* shortcuts = new GlobalShortcuts(&portal);
  new Tester(&portal, shortcuts);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal) ||
      !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
    std::fprintf(stderr, "fake_portal: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return QCoreApplication::exec();
}

#include "fake_portal.moc"
