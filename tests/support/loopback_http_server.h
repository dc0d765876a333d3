// A small HTTP server on 127.0.0.1 for the tests of the online services:
// serves fixed answers by path, can stall or send far too much, and records
// every request it gets. It listens on the loopback address only, takes a
// bounded number of connections and bounds every wait.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvolin::testing {

class LoopbackHttpServer {
 public:
  struct Answer {
    int status = 200;
    std::string body = {};
    // The body is sent again and again until this many bytes went out (0:
    // once).
    std::size_t repeatTo = 0;
    // Without a length the answer ends when the server closes the
    // connection.
    bool sendLength = true;
    // Sent in chunks (Transfer-Encoding: chunked), the body's copies one
    // chunk each; no length is sent then.
    bool chunked = false;
    // A Location header, for redirects.
    std::string location = {};
    // Never answers: holds the connection until the client leaves.
    bool stall = false;
  };

  struct Request {
    std::string line;  // "GET /path?query HTTP/1.1"
    std::string target;
    std::string head;  // the request line and headers, as received
    std::size_t bodyBytesSent = 0;
    bool clientLeft = false;  // the client closed or reset the connection first
    bool done = false;        // the server is through with the connection
  };

  LoopbackHttpServer();
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // "http://127.0.0.1:port/"
  std::string BaseAddress() const;
  int Port() const { return port_; }

  // The answer for a path (the target without its query); others get 404.
  void Serve(const std::string& path, Answer answer);

  // The requests received, in the order their connections came.
  std::vector<Request> Requests() const;
  // The requests whose path (target without query) is `path`.
  std::vector<Request> RequestsFor(const std::string& path) const;

 private:
  void AcceptLoop();
  void Handle(int socket, std::size_t index);
  void Respond(int socket, std::size_t index, const Answer& answer);
  void AwaitClientLeaving(int socket, std::size_t index);
  void Update(std::size_t index, const std::function<void(Request&)>& change);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::vector<Request> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace tarvolin::testing
