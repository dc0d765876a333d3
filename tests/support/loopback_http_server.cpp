#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace tarvolin::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Bounds of the server's work, so that a test that goes wrong still ends.
constexpr std::size_t kMaxConnections = 64;
constexpr std::size_t kMaxHead = 16 * 1024;
constexpr auto kHeadTime = std::chrono::seconds(5);
constexpr auto kStallTime = std::chrono::seconds(60);
constexpr auto kSendTime = std::chrono::seconds(30);
constexpr int kSliceMs = 50;

std::string PathOf(const std::string& target) {
  return target.substr(0, target.find('?'));
}

const char* ReasonOf(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

// Waits for the socket to become ready for `events`; false when the time is
// up or the server stops.
bool WaitFor(int socket, short events, Clock::time_point deadline,
             const std::atomic<bool>& stopping) {
  while (!stopping && Clock::now() < deadline) {
    pollfd entry{socket, events, 0};
    const int ready = ::poll(&entry, 1, kSliceMs);
    if (ready > 0) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
  return false;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) {
    throw std::runtime_error("no socket for the test server");
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(listener_);
    throw std::runtime_error("the test server cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& connection : connections_) {
    connection.join();
  }
  ::close(listener_);
}

std::string LoopbackHttpServer::BaseAddress() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

void LoopbackHttpServer::Serve(const std::string& path, Answer answer) {
  std::lock_guard lock(mutex_);
  answers_[path] = std::move(answer);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
  // A connection that has sent no request line (a client may open one ahead
  // of need) is no request.
  std::lock_guard lock(mutex_);
  std::vector<Request> made;
  for (const Request& request : requests_) {
    if (!request.line.empty()) {
      made.push_back(request);
    }
  }
  return made;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::RequestsFor(
    const std::string& path) const {
  std::vector<Request> matching;
  for (const Request& request : Requests()) {
    if (PathOf(request.target) == path) {
      matching.push_back(request);
    }
  }
  return matching;
}

void LoopbackHttpServer::Update(std::size_t index, const std::function<void(Request&)>& change) {
  std::lock_guard lock(mutex_);
  change(requests_[index]);
}

void LoopbackHttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd entry{listener_, POLLIN, 0};
    if (::poll(&entry, 1, kSliceMs) <= 0) {
      continue;
    }
    const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) {
      continue;
    }
    std::size_t index = 0;
    {
      std::lock_guard lock(mutex_);
      if (requests_.size() >= kMaxConnections) {
        ::close(socket);
        continue;
      }
      index = requests_.size();
      requests_.emplace_back();
    }
    connections_.emplace_back([this, socket, index] {
      Handle(socket, index);
      ::close(socket);
      Update(index, [](Request& request) { request.done = true; });
    });
  }
}

void LoopbackHttpServer::Handle(int socket, std::size_t index) {
  std::string head;
  const auto deadline = Clock::now() + kHeadTime;
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
    if (!WaitFor(socket, POLLIN, deadline, stopping_)) {
      return;
    }
    char buffer[2048];
    const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
    if (got <= 0) {
      return;
    }
    head.append(buffer, static_cast<std::size_t>(got));
  }
  const std::string line = head.substr(0, head.find("\r\n"));
  const auto first = line.find(' ');
  const auto last = line.rfind(' ');
  const std::string target =
      (first != std::string::npos && last > first) ? line.substr(first + 1, last - first - 1) : "";
  Update(index, [&](Request& request) {
    request.line = line;
    request.target = target;
    request.head = head.substr(0, head.find("\r\n\r\n"));
  });

  Answer answer{.status = 404, .body = "not here"};
  {
    std::lock_guard lock(mutex_);
    if (const auto found = answers_.find(PathOf(target)); found != answers_.end()) {
      answer = found->second;
    }
  }
  if (answer.stall) {
    AwaitClientLeaving(socket, index);
  } else {
    Respond(socket, index, answer);
  }
}

void LoopbackHttpServer::AwaitClientLeaving(int socket, std::size_t index) {
  const auto deadline = Clock::now() + kStallTime;
  while (WaitFor(socket, POLLIN, deadline, stopping_)) {
    char buffer[512];
    if (::recv(socket, buffer, sizeof buffer, 0) <= 0) {
      Update(index, [](Request& request) { request.clientLeft = true; });
      return;
    }
  }
}

void LoopbackHttpServer::Respond(int socket, std::size_t index, const Answer& answer) {
  // A small send buffer keeps the kernel from taking a large answer off the
  // server's hands: what counts as sent has nearly reached the client.
  const int sendBuffer = 16 * 1024;
  ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);

  const std::size_t total = std::max(answer.repeatTo, answer.body.size());
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + ReasonOf(answer.status) +
                     "\r\nContent-Type: text/plain\r\nConnection: close\r\n";
  if (answer.chunked) {
    head += "Transfer-Encoding: chunked\r\n";
  } else if (answer.sendLength) {
    head += "Content-Length: " + std::to_string(total) + "\r\n";
  }
  if (!answer.location.empty()) {
    head += "Location: " + answer.location + "\r\n";
  }
  head += "\r\n";

  const auto deadline = Clock::now() + kSendTime;
  auto sendAll = [&](const char* data, std::size_t size) {
    while (size > 0) {
      if (!WaitFor(socket, POLLOUT, deadline, stopping_)) {
        return false;
      }
      const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
      if (sent <= 0) {
        if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
          continue;
        }
        Update(index, [](Request& request) { request.clientLeft = true; });
        return false;
      }
      data += sent;
      size -= static_cast<std::size_t>(sent);
    }
    return true;
  };

  if (!sendAll(head.data(), head.size()) || answer.body.empty()) {
    if (answer.chunked) {
      sendAll("0\r\n\r\n", 5);
    }
    return;
  }
  std::size_t sent = 0;
  while (sent < total) {
    const std::size_t piece = std::min(answer.body.size(), total - sent);
    if (answer.chunked) {
      char size[32];
      const int length = std::snprintf(size, sizeof size, "%zx\r\n", piece);
      if (!sendAll(size, static_cast<std::size_t>(length))) {
        return;
      }
    }
    if (!sendAll(answer.body.data(), piece) || (answer.chunked && !sendAll("\r\n", 2))) {
      return;
    }
    sent += piece;
    Update(index, [sent](Request& request) { request.bodyBytesSent = sent; });
  }
  if (answer.chunked) {
    sendAll("0\r\n\r\n", 5);
  }
}

}  // namespace tarvolin::testing
