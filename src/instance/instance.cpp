#include "instance/instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

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

// A real folder (not a link to one) of this user's, without the mode bits
// given: where nobody else can put a socket or a link of their own.
bool OwnFolder(const std::string& path, mode_t forbidden) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & forbidden) == 0;
}

// Something at the path that this user did not make, or a link.
bool Foreign(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && (info.st_uid != ::geteuid() || S_ISLNK(info.st_mode));
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
  // The runtime folder may be open to others' reading (the socket's own
  // mode and the peer check keep them out), never to their writing: they
  // could put a socket of their own, or a link, where ours is looked for.
  std::string folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime != nullptr && runtime[0] == '/' && OwnFolder(runtime, S_IWGRP | S_IWOTH)) {
    folder = runtime;
  } else {
    // Another user may have made this folder first; then there is no safe
    // place, and the caller says so.
    folder = "/tmp/tarvolin-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    if (!OwnFolder(folder, S_IRWXG | S_IRWXO)) {
      return {};
    }
  }
  return folder + "/tarvolin-" + DisplayKey() + ".socket";
}

bool PeerIsThisUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof peer &&
         peer.uid == ::geteuid();
}

namespace {}  // namespace

Handover SendToResident(const std::string& socketPath, const std::string& request) {
  sockaddr_un address;
  if (!FillAddress(socketPath, &address)) {
    return Handover::kUnsafe;
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return Handover::kNoBar;
  }
  Handover result = Handover::kNoBar;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    // Nobody listens. A socket or lock of another user's there means a bar
    // of this user's could not take its place: it may run unguarded.
    if (Foreign(socketPath) || Foreign(socketPath + ".lock")) {
      result = Handover::kUnsafe;
    }
  } else if (!PeerIsThisUser(fd)) {
    result = Handover::kUnsafe;
  } else if (WriteAll(fd, request + "\n") && ReadLine(fd, kAnswerWaitMs) == "ok") {
    result = Handover::kDone;
  }
  ::close(fd);
  return result;
}

int ListenAsResident(const std::string& socketPath) {
  if (socketPath.empty()) {
    return kNotOurs;
  }
  sockaddr_un address;
  if (!FillAddress(socketPath, &address)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  // The lock, not the socket file, says who is resident: a socket file left
  // by a bar that crashed is replaced, a live bar's never is. A link is not
  // followed: it would have this user make or lock a file elsewhere.
  const std::string lockPath = socketPath + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock < 0) {
    return errno == ELOOP || errno == EACCES ? kNotOurs : -1;
  }
  struct stat info {};
  if (::fstat(lock, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
    ::close(lock);
    return kNotOurs;
  }
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(lock);
    errno = error;
    return error == EWOULDBLOCK ? kOtherResident : -1;
  }
  ::unlink(socketPath.c_str());
  // bind() makes the socket file by the umask, and a socket's own mode
  // (fchmod) does not reach it: the file is made the user's alone before
  // listen(), so nobody else ever connects.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(socketPath.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
    const int error = errno;
    if (fd >= 0) {
      ::close(fd);
    }
    ::close(lock);
    errno = error;
    return -1;
  }
  // The lock descriptor stays open, and so held, until the process ends.
  return fd;
}

}  // namespace tarvolin::instance
