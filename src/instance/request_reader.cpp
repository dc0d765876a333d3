#include "instance/request_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <utility>
#include <vector>

#include "instance/instance.h"

namespace tarvolin::instance {

namespace {

using Clock = std::chrono::steady_clock;

struct Client {
  int fd;
  Clock::time_point deadline;
  std::string line;  // what came so far, no line feed yet
};

// Reads what the client has sent, without waiting. True when it is done
// with: a whole line came (and was answered when it is a request), the line
// grew too long, or the client closed or failed.
bool Read(Client& client, const std::function<void(const Request&)>& deliver) {
  char buffer[RequestReader::kLineBytes];
  const ssize_t got = ::read(client.fd, buffer, RequestReader::kLineBytes - client.line.size());
  if (got < 0) {
    return errno != EAGAIN && errno != EINTR;
  }
  if (got == 0) {
    return true;
  }
  client.line.append(buffer, static_cast<std::size_t>(got));
  const std::size_t end = client.line.find('\n');
  if (end == std::string::npos) {
    return client.line.size() >= RequestReader::kLineBytes;
  }
  if (const auto request = ParseRequest(std::string_view(client.line).substr(0, end))) {
    // Handed on before it is answered: "ok" means the bar has it. Three
    // bytes always fit into a new connection's empty buffer.
    deliver(*request);
    ::send(client.fd, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  return true;
}

}  // namespace

RequestReader::RequestReader(int listening, std::function<void(const Request&)> deliver)
    : listening_(listening), deliver_(std::move(deliver)) {
  if (::pipe2(wake_, O_CLOEXEC) == 0) {
    thread_ = std::thread(&RequestReader::Run, this);
  }
}

RequestReader::~RequestReader() {
  if (thread_.joinable()) {
    [[maybe_unused]] const ssize_t ignored = ::write(wake_[1], "x", 1);
    thread_.join();
    ::close(wake_[0]);
    ::close(wake_[1]);
  }
}

void RequestReader::Run() {
  // Clients in the order they came, so the first has the nearest deadline.
  std::deque<Client> clients;
  std::vector<pollfd> watched;
  for (;;) {
    watched.assign({{wake_[0], POLLIN, 0}, {listening_, POLLIN, 0}});
    for (const Client& client : clients) {
      watched.push_back({client.fd, POLLIN, 0});
    }
    int waitMs = -1;
    if (!clients.empty()) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(clients.front().deadline - Clock::now());
      waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    if (::poll(watched.data(), watched.size(), waitMs) < 0 && errno != EINTR) {
      break;
    }
    if (watched[0].revents != 0) {
      break;
    }
    const auto now = Clock::now();
    std::deque<Client> kept;
    for (std::size_t i = 0; i < clients.size(); ++i) {
      if ((watched[i + 2].revents != 0 && Read(clients[i], deliver_)) ||
          clients[i].deadline <= now) {
        ::close(clients[i].fd);
      } else {
        kept.push_back(std::move(clients[i]));
      }
    }
    clients.swap(kept);
    if ((watched[1].revents & POLLIN) == 0) {
      continue;
    }
    int fd;
    while ((fd = ::accept4(listening_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
      if (!PeerIsThisUser(fd)) {
        ::close(fd);
        continue;
      }
      if (clients.size() == kClients) {
        ::close(clients.front().fd);
        clients.pop_front();
      }
      clients.push_back({fd, now + std::chrono::milliseconds(kClientWaitMs), {}});
    }
  }
  for (const Client& client : clients) {
    ::close(client.fd);
  }
}

}  // namespace tarvolin::instance
