#include "online/winhttp_client.h"

// In this order: the sockets' types, then the network calls that use them.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "win32/wide.h"

namespace tarvolin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxRedirects = 5;
constexpr UINT kAnswerMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"Tarvolin.HttpClient";

struct CloseHandle {
  void operator()(HINTERNET handle) const { ::WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseHandle>;

// An http or https address as WinHTTP takes it apart.
struct Address {
  std::string text;  // escaped, without a fragment
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring target;  // path and query
};

// Every byte that may not stand in a request line as %XX, and so a % that
// does not start one; the fragment, which is never sent, goes.
std::string Escaped(const std::string& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::string text = url.substr(0, url.find('#'));
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    const bool stray = c == '%' && (i + 2 >= text.size() ||
                                    !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                                    !std::isxdigit(static_cast<unsigned char>(text[i + 2])));
    if (byte <= 0x20 || byte >= 0x7F || stray || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      escaped += {'%', kHex[byte >> 4], kHex[byte & 15]};
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// Taken apart here rather than by WinHttpCrackUrl, which (under Wine)
// misses the brackets of an IPv6 address.
std::optional<Address> Parse(const std::string& url) {
  Address address;
  address.text = Escaped(url);
  const std::string& text = address.text;
  const std::size_t schemeEnd = text.find("://");
  std::string scheme = text.substr(0, schemeEnd);
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (schemeEnd == std::string::npos || (scheme != "http" && scheme != "https")) {
    return std::nullopt;
  }
  address.secure = scheme == "https";
  const std::size_t hostStart = schemeEnd + 3;
  const std::size_t targetStart = std::min(text.find_first_of("/?", hostStart), text.size());
  std::string host = text.substr(hostStart, targetStart - hostStart);
  host.erase(0, host.rfind('@') + 1);  // a user name is not sent
  std::string port;
  const std::size_t colon = host.rfind(':');
  if (colon != std::string::npos && host.find(']', colon) == std::string::npos) {
    port = host.substr(colon + 1);
    host.resize(colon);
  }
  address.port = address.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  if (!port.empty()) {
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(port) == 0 || std::stoi(port) > 65535) {
      return std::nullopt;
    }
    address.port = static_cast<INTERNET_PORT>(std::stoi(port));
  }
  if (host.empty() || (host.front() == '[') != (host.back() == ']')) {
    return std::nullopt;
  }
  address.host = win32::Wide(host);
  address.target = win32::Wide(text.substr(targetStart));
  if (address.target.empty() || address.target[0] != L'/') {
    address.target.insert(0, L"/");
  }
  return address;
}

// A path without its "." and ".." segments.
std::string WithoutDotSegments(const std::string& path) {
  std::vector<std::string> segments;
  for (std::size_t start = 1; start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string segment = path.substr(start, end - start);
    start = end + 1;
    if (segment == ".." && !segments.empty()) {
      segments.pop_back();
    }
    if (segment != "." && segment != "..") {
      segments.push_back(segment);
    } else if (start > path.size()) {
      segments.emplace_back();  // "a/.." is the folder "a/" stood in
    }
  }
  std::string result;
  for (const std::string& segment : segments) {
    result += "/" + segment;
  }
  return result.empty() ? "/" : result;
}

// The address that `reference` (a redirect's Location) names, seen from
// `base`, an escaped http or https address without a fragment.
std::string Resolve(const std::string& base, const std::string& reference) {
  const std::size_t colon = reference.find(':');
  if (colon != std::string::npos && colon > 0 && reference.find_first_of("/?#") > colon &&
      std::isalpha(static_cast<unsigned char>(reference[0])) &&
      reference.find_first_not_of(
          "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.") == colon) {
    return reference;  // it has a scheme of its own
  }
  if (reference.rfind("//", 0) == 0) {
    return base.substr(0, base.find(':') + 1) + reference;
  }
  const std::size_t pathStart =
      std::min(base.find_first_of("/?", base.find("//") + 2), base.size());
  const std::size_t queryStart = std::min(base.find('?', pathStart), base.size());
  const std::string origin = base.substr(0, pathStart);
  const std::string path = base.substr(pathStart, queryStart - pathStart);
  if (reference.empty() || reference[0] == '#') {
    return base;
  }
  if (reference[0] == '?') {
    return origin + (path.empty() ? "/" : path) + reference;
  }
  const std::size_t referenceQuery = std::min(reference.find_first_of("?#"), reference.size());
  std::string merged = reference.substr(0, referenceQuery);
  if (merged[0] != '/') {
    merged = path.substr(0, path.rfind('/') + 1) + merged;
  }
  if (merged[0] != '/') {
    merged.insert(0, "/");
  }
  return origin + WithoutDotSegments(merged) + reference.substr(referenceQuery);
}

bool IsLocalIPv4(const unsigned char* a) {
  return a[0] == 0 || a[0] == 10 || a[0] == 127 || (a[0] == 169 && a[1] == 254) ||
         (a[0] == 172 && (a[1] & 0xF0) == 16) || (a[0] == 192 && a[1] == 168) ||
         (a[0] == 100 && (a[1] & 0xC0) == 64);
}

// A host that is only reachable from here or from the local network.
bool IsLocal(std::wstring host) {
  std::transform(host.begin(), host.end(), host.begin(), [](wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  });
  const std::wstring suffix = L".localhost";
  if (host == L"localhost" ||
      (host.size() > suffix.size() &&
       host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0)) {
    return true;
  }
  // The system's own readers of address literals: they take every form
  // that the name look-up takes as an address, such as 127.1 or 0x7f000001.
  in_addr v4{};
  USHORT port = 0;
  if (::RtlIpv4StringToAddressExW(host.c_str(), FALSE, &v4, &port) == 0) {
    return IsLocalIPv4(reinterpret_cast<const unsigned char*>(&v4));
  }
  in6_addr v6{};
  ULONG scope = 0;
  if (::RtlIpv6StringToAddressExW(host.c_str(), &v6, &scope, &port) != 0) {
    return false;  // a name
  }
  unsigned char a[16];
  std::memcpy(a, &v6, sizeof a);
  const bool zeros = std::all_of(a, a + 10, [](unsigned char b) { return b == 0; });
  if (zeros && a[10] == 0xFF && a[11] == 0xFF) {
    return IsLocalIPv4(a + 12);  // an IPv4 address in IPv6 clothes
  }
  const bool unspecifiedOrLoopback =
      zeros && std::all_of(a + 10, a + 15, [](unsigned char b) { return b == 0; }) && a[15] <= 1;
  // fc00::/7 unique local, fe80::/10 link-local, fec0::/10 site-local
  return unspecifiedOrLoopback || (a[0] & 0xFE) == 0xFC || (a[0] == 0xFE && (a[1] & 0x80) != 0);
}

std::optional<DWORD> HeaderNumber(HINTERNET request, DWORD header) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (!::WinHttpQueryHeaders(request, header | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &value, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  return value;
}

std::string HeaderText(HINTERNET request, DWORD header) {
  DWORD size = 0;
  ::WinHttpQueryHeaders(request, header, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
    return {};
  }
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!::WinHttpQueryHeaders(request, header, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  text.resize(size / sizeof(wchar_t));
  return win32::Utf8(text);
}

}  // namespace

struct WinHttpClient::Job {
  std::string url;
  std::size_t maxBytes = 0;
  Clock::time_point deadline;
  // Set when the request has been reported or dropped: its thread stops at
  // its next step.
  std::atomic<bool> givenUp{false};
};

struct WinHttpClient::Mailbox {
  struct Answer {
    std::uint64_t id = 0;
    bool ok = false;
    std::string body;
  };
  std::mutex mutex;
  HWND window = nullptr;  // none once the client is gone
  std::deque<Answer> answers;
};

namespace {

// Gives the blocking calls to come the time that is left, or false when none
// is, or the request has been given up. WinHTTP takes 0 for no limit, so a
// request never gets there.
bool Limit(HINTERNET request, const std::atomic<bool>& givenUp, Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (givenUp || left <= 0) {
    return false;
  }
  const int ms = static_cast<int>(std::min<long long>(left, INT_MAX));
  DWORD responseMs = static_cast<DWORD>(ms);
  ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseMs,
                     sizeof responseMs);
  return ::WinHttpSetTimeouts(request, ms, ms, ms, ms) != FALSE;
}

// The body of a 2xx answer, read no further than maxBytes + 1 bytes.
bool ReadBody(HINTERNET request, std::size_t maxBytes, const std::atomic<bool>& givenUp,
              Clock::time_point deadline, std::string& body) {
  if (HeaderNumber(request, WINHTTP_QUERY_CONTENT_LENGTH).value_or(0) > maxBytes) {
    return false;  // too large: not worth reading
  }
  for (;;) {
    DWORD available = 0;
    if (!Limit(request, givenUp, deadline) || !::WinHttpQueryDataAvailable(request, &available)) {
      return false;
    }
    if (available == 0) {
      return true;
    }
    const std::size_t want =
        std::min<std::size_t>({available, maxBytes + 1 - body.size(), 64 * 1024});
    const std::size_t had = body.size();
    body.resize(had + want);
    DWORD got = 0;
    if (!::WinHttpReadData(request, body.data() + had, static_cast<DWORD>(want), &got)) {
      return false;
    }
    body.resize(had + got);
    if (body.size() > maxBytes) {
      return false;
    }
    if (got == 0) {
      return true;
    }
  }
}

// One GET and the redirects it leads to, on the request's own thread.
bool Fetch(const std::string& url, std::size_t maxBytes, const std::atomic<bool>& givenUp,
           Clock::time_point deadline, std::string& body) {
  const Handle session(::WinHttpOpen(L"Tarvolin", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  std::optional<Address> address = Parse(url);
  for (int redirects = 0; session && address; ++redirects) {
    const Handle connection(
        ::WinHttpConnect(session.get(), address->host.c_str(), address->port, 0));
    // The target is escaped already; redirects are followed here, so that
    // each is checked and counted.
    const Handle request(
        connection ? ::WinHttpOpenRequest(connection.get(), L"GET", address->target.c_str(),
                                          nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                          (address->secure ? WINHTTP_FLAG_SECURE : 0) |
                                              WINHTTP_FLAG_ESCAPE_DISABLE |
                                              WINHTTP_FLAG_ESCAPE_DISABLE_QUERY)
                   : nullptr);
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES;
    if (!request ||
        !::WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled,
                            sizeof disabled) ||
        !Limit(request.get(), givenUp, deadline) ||
        !::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !Limit(request.get(), givenUp, deadline) ||
        !::WinHttpReceiveResponse(request.get(), nullptr)) {
      return false;
    }
    const DWORD status = HeaderNumber(request.get(), WINHTTP_QUERY_STATUS_CODE).value_or(0);
    const std::string location =
        status / 100 == 3 ? HeaderText(request.get(), WINHTTP_QUERY_LOCATION) : std::string();
    if (location.empty()) {
      return status / 100 == 2 && ReadBody(request.get(), maxBytes, givenUp, deadline, body);
    }
    const std::string next = Resolve(address->text, location);
    // A public server's redirect to a name is judged by the addresses the
    // name stands for too.
    const std::optional<Address> target = Parse(next);
    const std::vector<std::string> addresses =
        target && !IsLocal(address->host) ? WinHttpClient::AddressesOf(win32::Utf8(target->host))
                                          : std::vector<std::string>();
    if (redirects == kMaxRedirects ||
        !WinHttpClient::RedirectAllowed(address->text, next, addresses)) {
      return false;
    }
    address = Parse(next);
  }
  return false;
}

}  // namespace

bool WinHttpClient::RedirectAllowed(const std::string& from, const std::string& to,
                                    const std::vector<std::string>& toAddresses) {
  const std::optional<Address> source = Parse(from);
  const std::optional<Address> target = Parse(to);
  return source && target && (target->secure || !source->secure) &&
         (IsLocal(source->host) ||
          (!IsLocal(target->host) &&
           std::none_of(toAddresses.begin(), toAddresses.end(),
                        [](const std::string& a) { return IsLocal(win32::Wide(a)); })));
}

std::vector<std::string> WinHttpClient::AddressesOf(const std::string& host) {
  std::vector<std::string> addresses;
  ADDRINFOW* found = nullptr;
  if (::GetAddrInfoW(win32::Wide(host).c_str(), nullptr, nullptr, &found) != 0) {
    return addresses;
  }
  for (const ADDRINFOW* entry = found; entry != nullptr; entry = entry->ai_next) {
    wchar_t text[INET6_ADDRSTRLEN] = {};
    const void* bytes =
        entry->ai_family == AF_INET
            ? static_cast<const void*>(
                  &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr)
            : static_cast<const void*>(
                  &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr);
    if ((entry->ai_family == AF_INET || entry->ai_family == AF_INET6) &&
        ::InetNtopW(entry->ai_family, bytes, text, INET6_ADDRSTRLEN) != nullptr) {
      addresses.push_back(win32::Utf8(text));
    }
  }
  ::FreeAddrInfoW(found);
  return addresses;
}

WinHttpClient::WinHttpClient() : mailbox_(std::make_shared<Mailbox>()) {
  const HINSTANCE module = ::GetModuleHandleW(nullptr);
  static const bool registered = [module] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&windowClass) != 0;
  }();
  static_cast<void>(registered);
  window_ = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                              nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  mailbox_->window = window_;
}

WinHttpClient::~WinHttpClient() {
  // The requests' threads end by themselves within their time limits; what
  // they find from now on goes nowhere.
  {
    const std::lock_guard lock(mailbox_->mutex);
    mailbox_->window = nullptr;
    mailbox_->answers.clear();
  }
  for (auto& [id, pending] : pending_) {
    pending.job->givenUp = true;
  }
  if (window_ != nullptr) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

void WinHttpClient::Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) {
  const std::uint64_t id = nextId_++;
  auto job = std::make_shared<Job>();
  job->url = url;
  job->maxBytes = maxBytes;
  job->deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  pending_[id] = {std::move(done), job};
  // The time limit holds whatever the request's thread is doing.
  ::SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(std::max(0, timeoutMs)),
             nullptr);
  if (Parse(url)) {
    try {
      std::thread([id, job, mailbox = mailbox_] {
        std::string body;
        const bool ok = Fetch(job->url, job->maxBytes, job->givenUp, job->deadline, body);
        const std::lock_guard lock(mailbox->mutex);
        if (mailbox->window != nullptr && !job->givenUp) {
          mailbox->answers.push_back({id, ok, std::move(body)});
          ::PostMessageW(mailbox->window, kAnswerMessage, 0, 0);
        }
      }).detach();
      return;
    } catch (const std::system_error&) {
      // no thread to run it on: it fails like an address that is not http
    }
  }
  // The failure too is reported from the message loop, never from here.
  const std::lock_guard lock(mailbox_->mutex);
  mailbox_->answers.push_back({id, false, {}});
  ::PostMessageW(window_, kAnswerMessage, 0, 0);
}

LRESULT CALLBACK WinHttpClient::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* client = reinterpret_cast<WinHttpClient*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (client != nullptr && message == kAnswerMessage) {
    client->DeliverAnswers();
    return 0;
  }
  if (client != nullptr && message == WM_TIMER) {
    // The time is up: the request fails now, and its thread gives up at its
    // next step, which its own time-outs bring about by then.
    const auto found = client->pending_.find(wParam);
    if (found != client->pending_.end()) {
      found->second.job->givenUp = true;
    }
    client->Finish(wParam, false, {});
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void WinHttpClient::DeliverAnswers() {
  const std::weak_ptr<char> alive = alive_;
  while (!alive.expired()) {
    Mailbox::Answer answer;
    {
      const std::lock_guard lock(mailbox_->mutex);
      if (mailbox_->answers.empty()) {
        return;
      }
      answer = std::move(mailbox_->answers.front());
      mailbox_->answers.pop_front();
    }
    Finish(answer.id, answer.ok, answer.body);
  }
}

void WinHttpClient::Finish(std::uint64_t id, bool ok, const std::string& body) {
  ::KillTimer(window_, static_cast<UINT_PTR>(id));
  const auto found = pending_.find(id);
  if (found == pending_.end()) {
    return;  // reported already, when its time ran out
  }
  const Done done = std::move(found->second.done);
  pending_.erase(found);
  if (done) {
    done(ok, ok ? body : std::string());
  }
}

std::string WinHttpClient::LocalIPv4Address() const {
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    result = ::GetAdaptersAddresses(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
        nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (result != NO_ERROR) {
    return "127.0.0.1";
  }
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
       adapter != nullptr; adapter = adapter->Next) {
    if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK) {
      continue;
    }
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
         unicast = unicast->Next) {
      const SOCKADDR* address = unicast->Address.lpSockaddr;
      if (address != nullptr && address->sa_family == AF_INET) {
        const auto* a = reinterpret_cast<const unsigned char*>(
            &reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
        return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) +
               "." + std::to_string(a[3]);
      }
    }
  }
  return "127.0.0.1";
}

}  // namespace tarvolin
