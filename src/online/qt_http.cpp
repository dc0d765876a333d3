#include "online/qt_http.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace tarvolin {

namespace {

constexpr int kMaxRedirects = 5;

bool IsHttp(const QUrl& url) {
  return url.isValid() && !url.host().isEmpty() &&
         (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// An address only reachable from here or from the local network; an IPv4
// address in IPv6 clothes (::ffff:10.0.0.1) is judged as the IPv4 one.
bool IsLocalAddress(QHostAddress address) {
  bool mapped = false;
  const quint32 v4 = address.toIPv4Address(&mapped);
  if (mapped) {
    address = QHostAddress(v4);
  }
  if (address.isLoopback() || address.isLinkLocal() || address.isUniqueLocalUnicast() ||
      address.isSiteLocal() || address == QHostAddress::AnyIPv4 ||
      address == QHostAddress::AnyIPv6) {
    return true;
  }
  for (const char* subnet :
       {"10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16", "100.64.0.0/10", "0.0.0.0/8"}) {
    if (address.isInSubnet(QHostAddress::parseSubnet(QLatin1String(subnet)))) {
      return true;
    }
  }
  return false;
}

// A host that is only reachable from here or from the local network, by
// its name or its address.
bool IsLocal(const QString& host) {
  if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
      host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive)) {
    return true;
  }
  const QHostAddress address(host);
  return !address.isNull() && IsLocalAddress(address);
}

}  // namespace

bool RedirectAllowed(const QUrl& from, const QUrl& to, const QList<QHostAddress>& toAddresses) {
  const bool downgrade =
      from.scheme() == QLatin1String("https") && to.scheme() != QLatin1String("https");
  return IsHttp(to) && !downgrade &&
         (IsLocal(from.host()) ||
          (!IsLocal(to.host()) &&
           std::none_of(toAddresses.begin(), toAddresses.end(),
                        [](const QHostAddress& a) { return IsLocalAddress(a); })));
}

bool NeedsLookUp(const QUrl& from, const QUrl& to) {
  return !IsLocal(from.host()) && QHostAddress(to.host()).isNull();
}

QtHttpClient::QtHttpClient() : manager_(new QNetworkAccessManager(&context_)) {}

QtHttpClient::~QtHttpClient() {
  // Pending requests end without reporting; the replies go with context_.
  *alive_ = false;
}

void QtHttpClient::Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) {
  const QUrl address(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                     QUrl::TolerantMode);
  // The outcome is reported once, from the event loop, never from inside Get.
  auto report = std::make_shared<Done>(std::move(done));
  const auto finish = [report, alive = alive_](bool ok, const std::string& body) {
    if (*alive && *report) {
      const Done call = std::move(*report);
      *report = nullptr;
      call(ok, body);
    }
  };
  if (!IsHttp(address)) {
    QTimer::singleShot(0, &context_, [finish] { finish(false, {}); });
    return;
  }
  // The whole request, redirects and name look-ups included, has one time
  // limit: when it is up, the reply under way is aborted.
  auto current = std::make_shared<QPointer<QNetworkReply>>();
  auto* timer = new QTimer(&context_);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, timer, [current, finish, timer] {
    finish(false, {});
    if (*current) {
      (*current)->abort();
    }
    timer->deleteLater();
  });
  timer->start(std::max(0, timeoutMs));
  Fetch(address, kMaxRedirects, maxBytes, current,
        [finish, timer](bool ok, const std::string& body) {
          timer->stop();
          timer->deleteLater();
          finish(ok, body);
        });
}

void QtHttpClient::Fetch(const QUrl& address, int redirectsLeft, std::size_t maxBytes,
                         const std::shared_ptr<QPointer<QNetworkReply>>& current,
                         const Done& done) {
  QNetworkRequest request(address);
  // Redirects are followed here, so that each is checked and counted.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::ManualRedirectPolicy);
  QNetworkReply* reply = manager_->get(request);
  reply->setParent(&context_);
  // Qt reads the answer on a thread of its own: without a bound on its
  // buffer it would go on reading while this thread is busy.
  reply->setReadBufferSize(static_cast<qint64>(maxBytes) + 1);
  *current = reply;
  auto body = std::make_shared<std::string>();
  QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, maxBytes] {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toULongLong() > maxBytes) {
      reply->abort();
    }
  });
  QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, maxBytes] {
    const QByteArray more = reply->read(static_cast<qint64>(maxBytes + 1 - body->size()));
    body->append(more.constData(), static_cast<std::size_t>(more.size()));
    if (body->size() > maxBytes) {
      reply->abort();
    }
  });
  QObject::connect(
      reply, &QNetworkReply::finished, reply,
      [this, reply, body, maxBytes, redirectsLeft, current, done] {
        reply->deleteLater();
        const QByteArray rest =
            reply->read(static_cast<qint64>(maxBytes + 1 - std::min(body->size(), maxBytes + 1)));
        body->append(rest.constData(), static_cast<std::size_t>(rest.size()));
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QUrl next = reply->url().resolved(
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        if (status >= 300 && status < 400 && next != reply->url() &&
            reply->hasRawHeader("Location")) {
          const QUrl from = reply->url();
          if (redirectsLeft <= 0 || !RedirectAllowed(from, next)) {
            done(false, {});
          } else if (!NeedsLookUp(from, next)) {
            Fetch(next, redirectsLeft - 1, maxBytes, current, done);
          } else {
            // A public server's redirect to a name is judged by the
            // addresses the name stands for: one of them local, it is not
            // followed.
            QHostInfo::lookupHost(
                next.host(), &context_,
                [this, from, next, redirectsLeft, maxBytes, current, done](const QHostInfo& info) {
                  if (info.error() == QHostInfo::NoError &&
                      RedirectAllowed(from, next, info.addresses())) {
                    Fetch(next, redirectsLeft - 1, maxBytes, current, done);
                  } else {
                    done(false, {});
                  }
                });
          }
          return;
        }
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300 &&
                        body->size() <= maxBytes;
        done(ok, ok ? *body : std::string());
      });
}

std::string QtHttpClient::LocalIPv4Address() const {
  for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
    const auto flags = interface.flags();
    if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
        flags.testFlag(QNetworkInterface::IsLoopBack)) {
      continue;
    }
    for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
      if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
        return entry.ip().toString().toStdString();
      }
    }
  }
  return "127.0.0.1";
}

}  // namespace tarvolin

// The module's one entry: the program loads it at the first online tick.
extern "C" Q_DECL_EXPORT tarvolin::HttpClient* tarvolin_create_http_client() {
  return new tarvolin::QtHttpClient;
}
