// The HTTP client over Qt Network: requests run in Qt's own background
// machinery and their answers arrive through the event loop.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

#include "online/http_client.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace tarvolin {

// Whether a request may follow a redirect from `from` to `to`: only to http
// or https, never from https to http, and never from a public host to a
// loopback, private or link-local address, given or among the addresses
// `to`'s name stands for (`toAddresses`).
bool RedirectAllowed(const QUrl& from, const QUrl& to, const QList<QHostAddress>& toAddresses = {});
// Whether that judgement needs the addresses: a public host redirects to a
// name.
bool NeedsLookUp(const QUrl& from, const QUrl& to);

class QtHttpClient : public HttpClient {
 public:
  QtHttpClient();
  ~QtHttpClient() override;
  QtHttpClient(const QtHttpClient&) = delete;
  QtHttpClient& operator=(const QtHttpClient&) = delete;

  // Follows up to five redirects that RedirectAllowed allows; every byte of
  // the address that may not stand in a request line goes out as %XX.
  void Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) override;
  std::string LocalIPv4Address() const override;

 private:
  // One GET, and the ones its redirects lead to; `current` follows the reply
  // under way, so the time limit can end it.
  void Fetch(const QUrl& address, int redirectsLeft, std::size_t maxBytes,
             const std::shared_ptr<QPointer<QNetworkReply>>& current, const Done& done);

  // False once the client is being destroyed: nothing reports any more.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  // Owns the manager and every reply, and with them their connections.
  QObject context_;
  QNetworkAccessManager* manager_;
};

}  // namespace tarvolin
