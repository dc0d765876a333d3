// The HTTP client on Winsock, against a one-connection server on the
// loopback address.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "online/socket_http.h"
#include "online/ui_thread.h"

namespace tarvolin {
namespace {

using Clock = std::chrono::steady_clock;

// A user-interface thread the test drives: posted work waits until Pump.
class QueuedUiThread : public UiThread {
 public:
  void Post(std::function<void()> work) override { PostAfter(0, std::move(work)); }
  void PostAfter(int delayMs, std::function<void()> work) override {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.emplace_back(Clock::now() + std::chrono::milliseconds(delayMs), std::move(work));
  }

  // Runs the due work until `done` holds or ms have passed.
  bool PumpUntil(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done() && Clock::now() < end) {
      std::vector<std::function<void()>> due;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = queue_.begin(); it != queue_.end();) {
          if (it->first <= Clock::now()) {
            due.push_back(std::move(it->second));
            it = queue_.erase(it);
          } else {
            ++it;
          }
        }
      }
      for (auto& work : due) {
        work();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<Clock::time_point, std::function<void()>>> queue_;
};

// Takes one connection and answers it with `answer` (nothing when empty,
// holding the connection until the client leaves).
class OneShotServer {
 public:
  explicit OneShotServer(std::string answer) : answer_(std::move(answer)) {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      ADD_FAILURE() << "no listener: " << ::WSAGetLastError();
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~OneShotServer() {
    ::closesocket(listener_);
    thread_.join();
  }

  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
  std::string RequestLine() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requestLine_;
  }

 private:
  void Serve() {
    const SOCKET client = ::accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) {
      return;
    }
    std::string head;
    char buffer[1024];
    int got = 0;
    while (head.find("\r\n\r\n") == std::string::npos &&
           (got = ::recv(client, buffer, sizeof buffer, 0)) > 0) {
      head.append(buffer, static_cast<std::size_t>(got));
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requestLine_ = head.substr(0, head.find("\r\n"));
    }
    if (!answer_.empty()) {
      ::send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
    } else {
      while (::recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    }
    ::closesocket(client);
  }

  std::string answer_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::mutex mutex_;
  std::string requestLine_;
  std::thread thread_;
};

struct Outcome {
  bool called = false;
  bool ok = false;
  std::string body;
};

TEST(WindowsHttpTest, AnAnswerArrivesAndASilentServerFailsAtTheTimeOut) {
  QueuedUiThread ui;
  SocketHttpClient http(ui);
  {
    OneShotServer server("HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n0.88\r\nnotes\r\n");
    Outcome outcome;
    http.Get(server.Base() + "prog/version.txt", 10000, 100, [&](bool ok, const std::string& body) {
      outcome = {true, ok, body};
    });
    ASSERT_TRUE(ui.PumpUntil([&] { return outcome.called; }, 10000));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.body, "0.88\r\nnotes\r\n");
    EXPECT_EQ(server.RequestLine(), "GET /prog/version.txt HTTP/1.1");
  }
  {
    OneShotServer server("");
    Outcome outcome;
    const auto start = Clock::now();
    http.Get(server.Base(), 500, 100, [&](bool ok, const std::string& body) {
      outcome = {true, ok, body};
    });
    ASSERT_TRUE(ui.PumpUntil([&] { return outcome.called; }, 10000));
    EXPECT_FALSE(outcome.ok);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(WindowsHttpTest, TheLocalAddressIsDottedDecimal) {
  QueuedUiThread ui;
  SocketHttpClient http(ui);
  const std::string address = http.LocalIPv4Address();
  in_addr parsed{};
  EXPECT_EQ(::inet_pton(AF_INET, address.c_str(), &parsed), 1) << address;
}

}  // namespace
}  // namespace tarvolin
