#include "platform/sway.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tarvolin::platform::sway {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;
constexpr std::uint32_t kRunCommand = 0;
// An answer that does not come within this long counts as a refusal.
constexpr int kAnswerTimeoutMs = 500;

const char* SocketPath() {
  const char* path = std::getenv("SWAYSOCK");
  return path != nullptr && *path != '\0' ? path : nullptr;
}

bool SendAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) {
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReceiveAll(int fd, char* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::recv(fd, into + done, size - done, 0);
    if (n <= 0) {
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool Running() {
  return SocketPath() != nullptr;
}

bool Command(unsigned long window, const std::string& command) {
  const char* path = SocketPath();
  sockaddr_un address{};
  if (path == nullptr || std::strlen(path) >= sizeof address.sun_path) {
    return false;
  }
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  timeval timeout{0, static_cast<suseconds_t>(kAnswerTimeoutMs) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  bool done = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const std::string payload = "[id=" + std::to_string(window) + "] " + command;
    std::string message(kMagic, kMagicLength);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&kRunCommand), sizeof kRunCommand);
    message += payload;
    char header[kMagicLength + 8];
    if (SendAll(fd, message) && ReceiveAll(fd, header, sizeof header) &&
        std::memcmp(header, kMagic, kMagicLength) == 0) {
      std::uint32_t answerLength = 0;
      std::memcpy(&answerLength, header + kMagicLength, sizeof answerLength);
      // An answer is a short list of results, one per command.
      if (answerLength <= 65536) {
        std::string answer(answerLength, '\0');
        if (ReceiveAll(fd, answer.data(), answer.size())) {
          answer.erase(std::remove_if(answer.begin(), answer.end(),
                                      [](char c) { return c == ' ' || c == '\n'; }),
                       answer.end());
          done = answer.find("\"success\":true") != std::string::npos &&
                 answer.find("\"success\":false") == std::string::npos;
        }
      }
    }
  }
  ::close(fd);
  return done;
}

}  // namespace tarvolin::platform::sway
