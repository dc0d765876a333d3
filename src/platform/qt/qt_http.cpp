#include "platform/qt/qt_http.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <limits>
#include <memory>

namespace tarvolin::platform {

namespace {

// What one request has seen so far.
struct RequestState {
  HttpClient::Done done;
  qint64 maxBytes = 0;
  bool tooLarge = false;
  bool timedOut = false;
};

}  // namespace

QtHttpClient::QtHttpClient() {
  // Every answer is fetched anew: nothing is cached between ticks or runs.
  manager_.setCache(nullptr);
}

QtHttpClient::~QtHttpClient() = default;

void QtHttpClient::Deliver(Done done, bool ok, std::string body) {
  QMetaObject::invokeMethod(
      &guard_,
      [done = std::move(done), ok, body = std::move(body)] {
        if (done) {
          done(ok, body);
        }
      },
      Qt::QueuedConnection);
}

void QtHttpClient::Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) {
  const QUrl address(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())),
                     QUrl::TolerantMode);
  const QString scheme = address.scheme().toLower();
  if (url.empty() || !address.isValid() || address.host().isEmpty() ||
      (scheme != "http" && scheme != "https")) {
    Deliver(std::move(done), false, {});
    return;
  }

  QNetworkRequest request(address);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  QNetworkReply* reply = manager_.get(request);

  auto state = std::make_shared<RequestState>();
  state->done = std::move(done);
  state->maxBytes = static_cast<qint64>(
      std::min<std::size_t>(maxBytes, static_cast<std::size_t>(std::numeric_limits<int>::max())));
  // Qt stops taking bytes from the connection once its buffer holds one
  // byte more than allowed: enough to tell that the answer is too large.
  reply->setReadBufferSize(state->maxBytes + 1);

  // The bound covers the whole request, not only a silence between bytes,
  // so a server that trickles its answer is given up as well.
  auto* timer = new QTimer(reply);
  timer->setSingleShot(true);
  QObject::connect(timer, &QTimer::timeout, &guard_, [reply, state] {
    state->timedOut = true;
    reply->abort();
  });
  timer->start(std::max(0, timeoutMs));

  auto checkSize = [reply, state] {
    if (state->tooLarge || reply->isFinished()) {
      return;
    }
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    const bool announcedTooLarge = announced.isValid() && announced.toLongLong() > state->maxBytes;
    if (announcedTooLarge || reply->bytesAvailable() > state->maxBytes) {
      state->tooLarge = true;
      reply->abort();
    }
  };
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &guard_, checkSize);
  QObject::connect(reply, &QNetworkReply::readyRead, &guard_, checkSize);

  QObject::connect(reply, &QNetworkReply::finished, &guard_, [this, reply, state] {
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    bool ok = !state->tooLarge && !state->timedOut && reply->error() == QNetworkReply::NoError &&
              status >= 200 && status < 300;
    std::string body;
    if (ok) {
      const QByteArray data = reply->read(state->maxBytes + 1);
      if (data.size() > state->maxBytes || reply->bytesAvailable() > 0) {
        ok = false;
      } else {
        body.assign(data.constData(), static_cast<std::size_t>(data.size()));
      }
    }
    Deliver(std::move(state->done), ok, ok ? std::move(body) : std::string());
  });
}

std::string QtHttpClient::LocalIPv4Address() const {
  const auto flags = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
  for (const QNetworkInterface& netInterface : QNetworkInterface::allInterfaces()) {
    if ((netInterface.flags() & flags) != flags ||
        netInterface.flags().testFlag(QNetworkInterface::IsLoopBack)) {
      continue;
    }
    for (const QNetworkAddressEntry& entry : netInterface.addressEntries()) {
      const QHostAddress address = entry.ip();
      if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
        return address.toString().toStdString();
      }
    }
  }
  return "127.0.0.1";
}

}  // namespace tarvolin::platform
