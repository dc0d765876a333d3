#include "instance/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tarvolin::instance {

namespace {

constexpr int kAnswerWaitMs = 2000;

bool FillAddress(const std::string& path, sockaddr_un* address) {
  *address = {};
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address->sun_path)) {
    return false;
  }
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Reads up to a line feed within the time given; the text before it.
std::string ReadLine(int fd, int waitMs) {
  std::string line;
  char buffer[64];
  pollfd wait = {fd, POLLIN, 0};
  while (line.size() < 64 && ::poll(&wait, 1, waitMs) == 1) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got <= 0) {
      break;
    }
    line.append(buffer, static_cast<std::size_t>(got));
    if (const std::size_t end = line.find('\n'); end != std::string::npos) {
      return line.substr(0, end);
    }
  }
  return {};
}

bool WriteAll(int fd, const std::string& text) {
  // MSG_NOSIGNAL: a peer that went away is an error, not a SIGPIPE.
  return ::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

// The display's name as a file name: ":0.0" and ":0" are one display.
std::string DisplayKey() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    display = std::getenv("WAYLAND_DISPLAY");
  }
  std::string key = display != nullptr && *display != '\0' ? display : "default";
  const std::size_t colon = key.rfind(':');
  if (const std::size_t dot = key.rfind('.');
      colon != std::string::npos && dot != std::string::npos && dot > colon) {
    key.erase(dot);
  }
  for (char& c : key) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    if (!plain) {
      c = '_';
    }
  }
  return key;
}

}  // namespace

std::string SocketPath() {
  std::string folder;
  struct stat info {};
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &info) == 0 &&
      S_ISDIR(info.st_mode)) {
    folder = runtime;
  } else {
    // A folder only this user may enter: nobody else can put a socket
    // where ours is looked for.
    folder = "/tmp/tarvolin-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid() || (info.st_mode & 077) != 0) {
      return {};
    }
  }
  return folder + "/tarvolin-" + DisplayKey() + ".socket";
}

bool SendToResident(const std::string& socketPath, const std::string& request) {
  sockaddr_un address;
  if (!FillAddress(socketPath, &address)) {
    return false;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return false;
  }
  const bool answered =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      WriteAll(fd, request + "\n") && ReadLine(fd, kAnswerWaitMs) == "ok";
  ::close(fd);
  return answered;
}

int ListenAsResident(const std::string& socketPath) {
  sockaddr_un address;
  if (!FillAddress(socketPath, &address)) {
    return -1;
  }
  // The lock, not the socket file, says who is resident: a socket file left
  // by a bar that crashed is replaced, a live bar's never is.
  const std::string lockPath = socketPath + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) {
    return -1;
  }
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(lock);
    return error == EWOULDBLOCK ? kOtherResident : -1;
  }
  ::unlink(socketPath.c_str());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 8) != 0) {
    if (fd >= 0) {
      ::close(fd);
    }
    ::close(lock);
    return -1;
  }
  // The lock descriptor stays open, and so held, until the process ends.
  return fd;
}

}  // namespace tarvolin::instance
