#include "platform/sway.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tarvolin::platform::sway {

namespace {

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicLength = sizeof kMagic - 1;
constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kGetConfig = 9;
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

namespace {

// Sends one message of `type` and returns sway's answer, at most
// `maxAnswer` bytes; nothing when sway is not there or does not answer.
std::optional<std::string> Ask(std::uint32_t type, const std::string& payload,
                               std::uint32_t maxAnswer) {
  const char* path = SocketPath();
  sockaddr_un address{};
  if (path == nullptr || std::strlen(path) >= sizeof address.sun_path) {
    return std::nullopt;
  }
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return std::nullopt;
  }
  timeval timeout{0, static_cast<suseconds_t>(kAnswerTimeoutMs) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::optional<std::string> answer;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    std::string message(kMagic, kMagicLength);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message += payload;
    char header[kMagicLength + 8];
    if (SendAll(fd, message) && ReceiveAll(fd, header, sizeof header) &&
        std::memcmp(header, kMagic, kMagicLength) == 0) {
      std::uint32_t answerLength = 0;
      std::memcpy(&answerLength, header + kMagicLength, sizeof answerLength);
      if (answerLength <= maxAnswer) {
        std::string text(answerLength, '\0');
        if (ReceiveAll(fd, text.data(), text.size())) {
          answer = std::move(text);
        }
      }
    }
  }
  ::close(fd);
  return answer;
}

}  // namespace

bool Command(unsigned long window, const std::string& command) {
  // An answer is a short list of results, one per command.
  auto answer = Ask(kRunCommand, "[id=" + std::to_string(window) + "] " + command, 65536);
  if (!answer) {
    return false;
  }
  answer->erase(
      std::remove_if(answer->begin(), answer->end(), [](char c) { return c == ' ' || c == '\n'; }),
      answer->end());
  return answer->find("\"success\":true") != std::string::npos &&
         answer->find("\"success\":false") == std::string::npos;
}

bool BindsCommand(const std::string& command) {
  // {"config": "..."}: the configuration's lines, each "\n" ending one.
  const auto answer = Ask(kGetConfig, {}, 1 << 20);
  if (!answer) {
    return false;
  }
  std::size_t start = 0;
  while (start < answer->size()) {
    std::size_t end = answer->find("\\n", start);
    if (end == std::string::npos) {
      end = answer->size();
    }
    const std::string line = answer->substr(start, end - start);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos &&
        (line.compare(first, 7, "bindsym") == 0 || line.compare(first, 8, "bindcode") == 0) &&
        line.find(command) != std::string::npos) {
      return true;
    }
    start = end + 2;
  }
  return false;
}

}  // namespace tarvolin::platform::sway
