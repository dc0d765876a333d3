// The tests' HTTP server on 127.0.0.1 (loopback_http_server.py, on Python's
// http.server): what it answers is in the path (see there), and it notes
// every request it gets.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvolin::testing {

class LoopbackHttpServer {
 public:
  struct Request {
    std::string target;       // "/path?query"
    bool clientLeft = false;  // the client closed the connection first
    double sent = 0;          // a stream's bytes handed to the network
  };

  // With a certificate and its key (PEM files) the server speaks https.
  explicit LoopbackHttpServer(const std::string& certificate = "", const std::string& key = "")
      : scheme_(certificate.empty() ? "http" : "https") {
    process_.start("python3", {TARVOLIN_TEST_SUPPORT "/loopback_http_server.py", log_,
                               QString::fromStdString(certificate), QString::fromStdString(key)});
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    port_ = process_.readLine().trimmed().toInt();
    if (port_ == 0) {
      throw std::runtime_error("the test server did not start");
    }
  }
  ~LoopbackHttpServer() {
    process_.kill();
    process_.waitForFinished();
  }

  std::string BaseAddress() const {
    return scheme_ + "://127.0.0.1:" + std::to_string(port_) + "/";
  }

  // The requests in the order they came; with a text, those whose target
  // holds it.
  std::vector<Request> Requests(const std::string& part = "") const {
    QFile log(log_);
    std::vector<Request> requests;
    if (!log.open(QIODevice::ReadOnly)) {
      return requests;  // none yet
    }
    for (const QJsonValue record : QJsonDocument::fromJson(log.readAll()).array()) {
      const std::string target = record["target"].toString().toStdString();
      if (target.find(part) != std::string::npos) {
        requests.push_back({target, record["clientLeft"].toBool(), record["sent"].toDouble()});
      }
    }
    return requests;
  }

 private:
  QTemporaryDir folder_;
  QString log_ = folder_.filePath("log");
  std::string scheme_;
  QProcess process_;
  int port_ = 0;
};

}  // namespace tarvolin::testing
