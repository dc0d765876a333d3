// The tests' HTTP server on 127.0.0.1 (loopback_http_server.py, on Python's
// http.server): serves fixed answers by path, can stall or send far too
// much, and notes every request it gets.
#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstddef>
#include <map>
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
    bool done = false;        // the server is through with it
    bool clientLeft = false;  // the client closed the connection first
  };

  // With a certificate and its key (PEM files) the server speaks https.
  explicit LoopbackHttpServer(const std::string& certificate = "", const std::string& key = "")
      : scheme_(certificate.empty() ? "http" : "https") {
    QStringList arguments{TARVOLIN_TEST_SUPPORT "/loopback_http_server.py", log_};
    if (!certificate.empty()) {
      arguments << QString::fromStdString(certificate) << QString::fromStdString(key);
    }
    process_.start("python3", arguments);
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
  void Serve(const std::string& path, const Answer& answer) {
    const auto text = [](const std::string& bytes) { return QString::fromStdString(bytes); };
    process_.write(QJsonDocument(QJsonObject{{"path", text(path)},
                                             {"status", answer.status},
                                             {"body", text(answer.body)},
                                             {"repeatTo", static_cast<qint64>(answer.repeatTo)},
                                             {"location", text(answer.location)},
                                             {"stall", answer.stall}})
                       .toJson(QJsonDocument::Compact) +
                   "\n");
    // Once the server says so, it has the answer.
    if (ReadLine() != "ok") {
      throw std::runtime_error("the test server took no answer");
    }
  }

  // The requests in the order they came; with a path, only those for it.
  std::vector<Request> Requests(const std::string& path = "") const {
    QFile log(log_);
    log.open(QIODevice::ReadOnly);
    std::vector<Request> requests;
    std::map<qint64, std::size_t> byId;
    while (!log.atEnd()) {
      const QJsonObject record = QJsonDocument::fromJson(log.readLine()).object();
      const qint64 id = record["id"].toInteger();
      if (record.contains("target")) {
        byId[id] = requests.size();
        requests.push_back({record["target"].toString().toStdString()});
      } else if (byId.count(id) != 0) {
        requests[byId[id]].done = true;
        requests[byId[id]].clientLeft = record["clientLeft"].toBool();
      }
    }
    std::erase_if(requests, [&](const Request& r) {
      return !path.empty() && r.target.substr(0, r.target.find('?')) != path;
    });
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
