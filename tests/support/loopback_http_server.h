// The tests' HTTP server on 127.0.0.1 (loopback_http_server.py, on Python's
// http.server): serves fixed answers by path, can stall or send far too
// much, and notes every request it gets.
#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <cstddef>
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
    std::string line;  // "GET /path?query HTTP/1.1"
    std::string target;
    std::string head;         // the request line and headers, as received
    bool clientLeft = false;  // the client closed the connection first
    bool done = false;        // the server is through with the request
  };

  LoopbackHttpServer();
  ~LoopbackHttpServer();

  std::string BaseAddress() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  int Port() const { return port_; }
  // The answer for a path (the target without its query); others get 404.
  void Serve(const std::string& path, const Answer& answer);
  std::vector<Request> Requests() const;
  // The requests whose path (target without query) is `path`.
  std::vector<Request> RequestsFor(const std::string& path) const;

 private:
  QTemporaryDir folder_;
  QProcess process_;
  int port_ = 0;
};

}  // namespace tarvolin::testing
