// The tests' HTTP server on 127.0.0.1 (loopback_http_server.py, on Python's
// http.server): serves fixed answers by path, can stall or send far too
// much, and notes every request it gets.
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
  struct Answer {
    int status = 200;
    std::string body = {};
    // The body is sent again and again until this many bytes went out (0:
    // once); no length is sent then, the answer ends with the connection.
    std::size_t repeatTo = 0;
    std::string location = {};  // a Location header, for redirects
    bool stall = false;         // never answers: holds on until the client leaves
  };

  struct Request {
    std::string target;       // "/path?query"
    bool clientLeft = false;  // the client closed the connection first
  };

  // With a certificate and its key (PEM files) the server speaks https.
  explicit LoopbackHttpServer(const std::string& certificate = "", const std::string& key = "")
      : scheme_(certificate.empty() ? "http" : "https") {
    process_.start("python3", {TARVOLIN_TEST_SUPPORT "/loopback_http_server.py", log_,
                               QString::fromStdString(certificate), QString::fromStdString(key)});
    port_ = ReadLine().toInt();
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

  // The answer for a path (the target without its query); others get 404.
  void Serve(const std::string& path, const Answer& a) {
    const auto text = [](const std::string& bytes) { return QString::fromStdString(bytes); };
    process_.write(QJsonDocument(QJsonObject{{"path", text(path)},
                                             {"status", a.status},
                                             {"body", text(a.body)},
                                             {"repeatTo", static_cast<qint64>(a.repeatTo)},
                                             {"location", text(a.location)},
                                             {"stall", a.stall}})
                       .toJson(QJsonDocument::Compact) +
                   "\n");
    if (ReadLine() != "ok") {  // once the server says so, it has the answer
      throw std::runtime_error("the test server took no answer");
    }
  }

  // The requests in the order they came; with a path, only those for it.
  std::vector<Request> Requests(const std::string& path = "") const {
    QFile log(log_);
    log.open(QIODevice::ReadOnly);
    std::vector<Request> requests;
    for (const QJsonValue record : QJsonDocument::fromJson(log.readAll()).array()) {
      const std::string target = record["target"].toString().toStdString();
      if (path.empty() || target.substr(0, target.find('?')) == path) {
        requests.push_back({target, record["clientLeft"].toBool()});
      }
    }
    return requests;
  }

 private:
  // The server's next line of output, as soon as it is whole.
  QByteArray ReadLine() {
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    return process_.readLine().trimmed();
  }

  QTemporaryDir folder_;
  QString log_ = folder_.filePath("log");
  std::string scheme_;
  QProcess process_;
  int port_ = 0;
};

}  // namespace tarvolin::testing
