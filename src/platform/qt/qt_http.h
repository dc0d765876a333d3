// Background HTTP requests through Qt Network.
#pragma once

#include <QNetworkAccessManager>
#include <QObject>

#include "platform/http.h"

namespace tarvolin::platform {

class QtHttpClient : public HttpClient {
 public:
  // A QCoreApplication must exist for the client's whole life.
  QtHttpClient();
  ~QtHttpClient() override;
  QtHttpClient(const QtHttpClient&) = delete;
  QtHttpClient& operator=(const QtHttpClient&) = delete;

  void Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) override;
  std::string LocalIPv4Address() const override;

 private:
  // Reports `done` from the event loop, not from inside the caller or a
  // network signal.
  void Deliver(Done done, bool ok, std::string body);

  QNetworkAccessManager manager_;
  // Context of every connection and queued report: destroyed first, it cuts
  // them all before the manager takes its replies down.
  QObject guard_;
};

}  // namespace tarvolin::platform
