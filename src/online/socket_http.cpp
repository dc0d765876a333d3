#include "online/socket_http.h"

#include "sys/text.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace tarvolin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 5;
// The status line and the headers of an answer may take this many bytes.
constexpr std::size_t kMaxHeaderBytes = 16 * 1024;
// A wait on a socket wakes this often to see whether the request was
// given up.
constexpr int kWakeMs = 100;

// The few places where Winsock and POSIX sockets differ.
#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
void CloseSocket(Socket s) {
  ::closesocket(s);
}
int PollSockets(pollfd* fds, unsigned long count, int ms) {
  return ::WSAPoll(fds, count, ms);
}
bool MakeNonBlocking(Socket s) {
  u_long on = 1;
  return ::ioctlsocket(s, FIONBIO, &on) == 0;
}
bool ConnectPending() {
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
}
bool WouldBlock() {
  return ::WSAGetLastError() == WSAEWOULDBLOCK;
}
long SendSome(Socket s, const char* data, std::size_t size) {
  return ::send(s, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
}
long ReceiveSome(Socket s, char* data, std::size_t size) {
  return ::recv(s, data, static_cast<int>(size), 0);
}
void StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void CloseSocket(Socket s) {
  ::close(s);
}
int PollSockets(pollfd* fds, nfds_t count, int ms) {
  return ::poll(fds, count, ms);
}
bool MakeNonBlocking(Socket s) {
  const int flags = ::fcntl(s, F_GETFL);
  return flags >= 0 && ::fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
bool ConnectPending() {
  return errno == EINPROGRESS;
}
bool WouldBlock() {
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
long SendSome(Socket s, const char* data, std::size_t size) {
  // A server that closed early must not end the program with SIGPIPE.
  return static_cast<long>(::send(s, data, size, MSG_NOSIGNAL));
}
long ReceiveSome(Socket s, char* data, std::size_t size) {
  return static_cast<long>(::recv(s, data, size, 0));
}
void StartSockets() {}
#endif

class SocketHolder {
 public:
  explicit SocketHolder(Socket s) : socket_(s) {}
  ~SocketHolder() {
    if (socket_ != kNoSocket) {
      CloseSocket(socket_);
    }
  }
  SocketHolder(const SocketHolder&) = delete;
  SocketHolder& operator=(const SocketHolder&) = delete;
  Socket Get() const { return socket_; }

 private:
  Socket socket_;
};

// The end of one request, shared by its thread and the user-interface
// thread's time-out.
struct Limits {
  Clock::time_point deadline;
  std::size_t maxBytes = 0;
  const std::atomic<bool>* givenUp = nullptr;

  bool Over() const { return givenUp->load() || Clock::now() >= deadline; }
};

// Waits until the socket is ready for `events`; false on the deadline, on
// giving up, or on an error.
bool WaitFor(Socket s, short events, const Limits& limits) {
  while (!limits.Over()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(limits.deadline - Clock::now());
    pollfd entry{};
    entry.fd = s;
    entry.events = events;
    const int ready =
        PollSockets(&entry, 1, static_cast<int>(std::clamp<long long>(left.count(), 1, kWakeMs)));
    if (ready > 0) {
      return (entry.revents & events) != 0 || (entry.revents & POLLHUP) != 0;
    }
    if (ready < 0 && !WouldBlock()) {
      return false;
    }
  }
  return false;
}

Socket Connect(const HttpAddress& address, const Limits& limits) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found) != 0) {
    return kNoSocket;
  }
  Socket connected = kNoSocket;
  for (addrinfo* entry = found; entry != nullptr && connected == kNoSocket;
       entry = entry->ai_next) {
    if (limits.Over()) {
      break;
    }
    const Socket s = ::socket(entry->ai_family, entry->ai_socktype, entry->ai_protocol);
    if (s == kNoSocket) {
      continue;
    }
    if (!MakeNonBlocking(s)) {
      CloseSocket(s);
      continue;
    }
    bool ok = ::connect(s, entry->ai_addr, static_cast<socklen_t>(entry->ai_addrlen)) == 0;
    if (!ok && ConnectPending() && WaitFor(s, POLLOUT, limits)) {
      int error = 0;
      socklen_t size = sizeof error;
      ok = ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
           error == 0;
    }
    if (ok) {
      connected = s;
    } else {
      CloseSocket(s);
    }
  }
  ::freeaddrinfo(found);
  return connected;
}

bool SendAll(Socket s, const std::string& data, const Limits& limits) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    if (!WaitFor(s, POLLOUT, limits)) {
      return false;
    }
    const long n = SendSome(s, data.data() + sent, data.size() - sent);
    if (n < 0 && WouldBlock()) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// The bytes of an answer as they arrive, read no further than asked.
class Reader {
 public:
  Reader(Socket s, const Limits& limits) : socket_(s), limits_(limits) {}

  std::string buffer;
  bool ended = false;  // the server closed the connection

  // Reads once more, at most `most` bytes; false when nothing more can come.
  bool More(std::size_t most) {
    if (ended || most == 0 || !WaitFor(socket_, POLLIN, limits_)) {
      return false;
    }
    char chunk[16 * 1024];
    const long n = ReceiveSome(socket_, chunk, std::min(most, sizeof chunk));
    if (n < 0) {
      return WouldBlock();
    }
    if (n == 0) {
      ended = true;
      return false;
    }
    buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

 private:
  Socket socket_;
  const Limits& limits_;
};

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

struct Head {
  int status = 0;
  bool chunked = false;
  bool hasLength = false;
  std::size_t length = 0;
  std::string location;
};

// Parses the status line and headers (without the blank line that ends
// them); false for anything that is not an HTTP answer.
bool ParseHead(const std::string& text, Head& head) {
  std::size_t lineEnd = text.find("\r\n");
  const std::string statusLine = text.substr(0, lineEnd);
  if (statusLine.rfind("HTTP/", 0) != 0) {
    return false;
  }
  const std::size_t space = statusLine.find(' ');
  if (space == std::string::npos || statusLine.size() < space + 4) {
    return false;
  }
  const char* digits = statusLine.data() + space + 1;
  if (std::from_chars(digits, digits + 3, head.status).ptr != digits + 3 || head.status < 100) {
    return false;
  }
  while (lineEnd != std::string::npos) {
    const std::size_t start = lineEnd + 2;
    lineEnd = text.find("\r\n", start);
    const std::string line =
        text.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      continue;
    }
    const std::string name = sys::LowerAscii(Trim(line.substr(0, colon)));
    const std::string value = Trim(line.substr(colon + 1));
    if (name == "content-length") {
      std::size_t length = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
      if (error != std::errc() || end != value.data() + value.size() ||
          (head.hasLength && length != head.length)) {
        return false;
      }
      head.hasLength = true;
      head.length = length;
    } else if (name == "transfer-encoding") {
      head.chunked = sys::LowerAscii(value).find("chunked") != std::string::npos;
    } else if (name == "location") {
      head.location = value;
    }
  }
  return true;
}

// Reads a chunked body, decoding as it goes; false when it is malformed,
// incomplete or larger than maxBytes.
bool ReadChunked(Reader& reader, std::string& body, std::size_t maxBytes) {
  std::string& in = reader.buffer;
  std::size_t at = 0;
  for (;;) {
    std::size_t lineEnd;
    while ((lineEnd = in.find("\r\n", at)) == std::string::npos) {
      if (in.size() - at > 1024 || !reader.More(4096)) {
        return false;
      }
    }
    std::size_t size = 0;
    const char* first = in.data() + at;
    const auto [end, error] = std::from_chars(first, in.data() + lineEnd, size, 16);
    if (error != std::errc() || end == first) {
      return false;
    }
    at = lineEnd + 2;
    if (size == 0) {
      return true;  // trailers, if any, are not needed
    }
    if (size > maxBytes - body.size()) {
      return false;
    }
    while (in.size() < at + size + 2) {
      if (!reader.More(at + size + 2 - in.size())) {
        return false;
      }
    }
    body.append(in, at, size);
    at += size + 2;
  }
}

struct Result {
  bool ok = false;
  std::string body;
};

struct Exchange {
  Head head;
  bool complete = false;
  std::string body;
};

Exchange Fetch(const HttpAddress& address, const Limits& limits) {
  Exchange exchange;
  SocketHolder socket(Connect(address, limits));
  if (socket.Get() == kNoSocket) {
    return exchange;
  }
  const std::string request = "GET " + address.target +
                              " HTTP/1.1\r\n"
                              "Host: " +
                              address.hostHeader +
                              "\r\n"
                              "Accept: */*\r\n"
                              "Cache-Control: no-cache\r\n"
                              "Connection: close\r\n\r\n";
  if (!SendAll(socket.Get(), request, limits)) {
    return exchange;
  }

  Reader reader(socket.Get(), limits);
  Head& head = exchange.head;
  // Interim answers (1xx) come before the real one.
  do {
    std::size_t headEnd;
    while ((headEnd = reader.buffer.find("\r\n\r\n")) == std::string::npos) {
      if (reader.buffer.size() > kMaxHeaderBytes ||
          !reader.More(kMaxHeaderBytes + 1 - reader.buffer.size())) {
        return exchange;
      }
    }
    head = Head{};
    if (!ParseHead(reader.buffer.substr(0, headEnd), head)) {
      return exchange;
    }
    reader.buffer.erase(0, headEnd + 4);
  } while (head.status < 200);

  const std::size_t maxBytes = limits.maxBytes;
  std::string& body = exchange.body;
  if (head.status == 204 || head.status == 304) {
    exchange.complete = true;
  } else if (head.chunked) {
    exchange.complete = ReadChunked(reader, body, maxBytes);
  } else if (head.hasLength) {
    if (head.length > maxBytes) {
      return exchange;
    }
    while (reader.buffer.size() < head.length && reader.More(head.length - reader.buffer.size())) {
    }
    exchange.complete = reader.buffer.size() >= head.length;
    body = reader.buffer.substr(0, head.length);
  } else {
    // The answer ends with the connection; one byte past the bound is
    // enough to know it is too large.
    while (reader.buffer.size() <= maxBytes && reader.More(maxBytes + 1 - reader.buffer.size())) {
    }
    exchange.complete = reader.ended && reader.buffer.size() <= maxBytes;
    body = std::move(reader.buffer);
  }
  return exchange;
}

Result FetchFollowingRedirects(std::string url, const Limits& limits) {
  for (int hop = 0; hop <= kMaxRedirects; ++hop) {
    const std::optional<HttpAddress> address = ParseHttpAddress(url);
    if (!address) {
      return {};
    }
    Exchange exchange = Fetch(*address, limits);
    const int status = exchange.head.status;
    const bool redirect =
        status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    if (redirect && !exchange.head.location.empty()) {
      url = ResolveRedirect(url, exchange.head.location);
      continue;
    }
    if (exchange.complete && status >= 200 && status < 300 && !limits.Over()) {
      return {true, std::move(exchange.body)};
    }
    return {};
  }
  return {};
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && sys::LowerAscii(text.substr(0, prefix.size())) == prefix;
}

// Writes the bytes that may not stand in a request line as %XX.
std::string EscapeTarget(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::optional<HttpAddress> ParseHttpAddress(const std::string& url) {
  const std::string scheme = "http://";
  if (!StartsWithNoCase(url, scheme)) {
    return std::nullopt;
  }
  std::string rest = url.substr(scheme.size());
  rest = rest.substr(0, rest.find('#'));
  const std::size_t authorityEnd = rest.find_first_of("/?");
  std::string authority = rest.substr(0, authorityEnd);
  std::string target = authorityEnd == std::string::npos ? "/" : rest.substr(authorityEnd);
  if (target.front() == '?') {
    target.insert(0, "/");
  }
  // Credentials in the address are not sent anywhere.
  if (const std::size_t at = authority.rfind('@'); at != std::string::npos) {
    authority.erase(0, at + 1);
  }

  HttpAddress address;
  std::string portText;
  if (!authority.empty() && authority.front() == '[') {
    const std::size_t close = authority.find(']');
    if (close == std::string::npos) {
      return std::nullopt;
    }
    address.host = authority.substr(1, close - 1);
    const std::string after = authority.substr(close + 1);
    if (!after.empty() && after.front() != ':') {
      return std::nullopt;
    }
    portText = after.empty() ? "" : after.substr(1);
  } else {
    const std::size_t colon = authority.find(':');
    address.host = authority.substr(0, colon);
    portText = colon == std::string::npos ? "" : authority.substr(colon + 1);
  }
  if (address.host.empty() || std::any_of(address.host.begin(), address.host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte >= 0x7F || std::strchr("/\\%\"<>", c) != nullptr;
      })) {
    return std::nullopt;
  }
  int port = 80;
  if (!portText.empty()) {
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port < 1 ||
        port > 65535) {
      return std::nullopt;
    }
  }
  address.port = std::to_string(port);
  const bool ipv6 = address.host.find(':') != std::string::npos;
  address.hostHeader = ipv6 ? "[" + address.host + "]" : address.host;
  if (port != 80) {
    address.hostHeader += ":" + address.port;
  }
  address.target = EscapeTarget(target);
  return address;
}

std::string ResolveRedirect(const std::string& from, const std::string& location) {
  if (location.find("://") != std::string::npos) {
    return location;
  }
  if (location.rfind("//", 0) == 0) {
    return "http:" + location;
  }
  // The origin: scheme and authority.
  const std::size_t authorityStart = from.find("://") + 3;
  const std::size_t authorityEnd = from.find_first_of("/?#", authorityStart);
  const std::string origin = from.substr(0, authorityEnd);
  if (!location.empty() && location.front() == '/') {
    return origin + location;
  }
  // A relative path replaces the last segment of the current path.
  std::string path = authorityEnd == std::string::npos ? "/" : from.substr(authorityEnd);
  path = path.substr(0, path.find_first_of("?#"));
  if (path.empty() || path.front() != '/') {
    path.insert(0, "/");
  }
  return origin + path.substr(0, path.rfind('/') + 1) + location;
}

struct SocketHttpClient::Shared {
  std::mutex mutex;
  UiThread* ui = nullptr;  // null once the client is gone
};

namespace {

// One request as the user-interface thread sees it: reported once, by
// whichever comes first, its thread or its time-out.
struct Pending {
  HttpClient::Done done;
  std::atomic<bool> givenUp{false};
};

// Reports on the user-interface thread, unless the client is gone or the
// request was reported already.
void Report(const std::shared_ptr<SocketHttpClient::Shared>& shared,
            const std::shared_ptr<Pending>& pending, bool ok, std::string body) {
  {
    std::lock_guard<std::mutex> lock(shared->mutex);
    if (shared->ui == nullptr) {
      return;
    }
  }
  if (!pending->done) {
    return;
  }
  pending->givenUp = true;
  HttpClient::Done done = std::move(pending->done);
  pending->done = nullptr;
  done(ok, body);
}

}  // namespace

SocketHttpClient::SocketHttpClient(UiThread& ui) : shared_(std::make_shared<Shared>()) {
  StartSockets();
  shared_->ui = &ui;
}

SocketHttpClient::~SocketHttpClient() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->ui = nullptr;
}

void SocketHttpClient::Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) {
  UiThread& ui = *shared_->ui;
  auto pending = std::make_shared<Pending>();
  pending->done = std::move(done);
  std::shared_ptr<Shared> shared = shared_;
  if (!ParseHttpAddress(url)) {
    ui.Post([shared, pending] { Report(shared, pending, false, {}); });
    return;
  }
  timeoutMs = std::max(0, timeoutMs);
  ui.PostAfter(timeoutMs, [shared, pending] { Report(shared, pending, false, {}); });

  Limits limits;
  limits.deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  limits.maxBytes = maxBytes;
  try {
    std::thread([shared, pending, url, limits]() mutable {
      limits.givenUp = &pending->givenUp;
      Result result = FetchFollowingRedirects(url, limits);
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (shared->ui != nullptr) {
        shared->ui->Post([shared, pending, result = std::move(result)]() mutable {
          Report(shared, pending, result.ok, result.ok ? std::move(result.body) : std::string());
        });
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the request fails like any other, when its
    // time-out comes.
  }
}

std::string SocketHttpClient::LocalIPv4Address() const {
  std::string address = "127.0.0.1";
#ifdef _WIN32
  char name[256] = {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::gethostname(name, sizeof name) == 0 && ::getaddrinfo(name, nullptr, &hints, &found) == 0) {
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
      const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
      if ((ntohl(in->sin_addr.s_addr) >> 24) != 127) {
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        address = text;
        break;
      }
    }
    ::freeaddrinfo(found);
  }
#else
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) {
    return address;
  }
  const unsigned wanted = IFF_UP | IFF_RUNNING;
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
        (entry->ifa_flags & (wanted | IFF_LOOPBACK)) != wanted) {
      continue;
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(entry->ifa_addr)->sin_addr, text,
                sizeof text);
    address = text;
    break;
  }
  ::freeifaddrs(list);
#endif
  return address;
}

}  // namespace tarvolin
