// The network as the online services use it: a background HTTP GET whose
// answer arrives later on the user-interface thread, and the machine's own
// address.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tarvolin {

class HttpClient {
 public:
  // ok is true only for a complete 2xx answer of at most maxBytes bytes; the
  // body is then the whole answer. A failed request (no connection, an HTTP
  // error status, the time-out, an answer larger than maxBytes, an address
  // that is not http:// or https://, a redirect it may not follow) gives ok
  // false and an empty body.
  using Done = std::function<void(bool ok, const std::string& body)>;

  virtual ~HttpClient() = default;

  // Starts a GET of url and returns at once. `done` runs exactly once, on the
  // user-interface thread, never before Get has returned. The whole request
  // is given up after timeoutMs; an answer is never read past maxBytes + 1
  // bytes. An empty url requests nothing and reports a failure. When the
  // client is destroyed first, pending requests are dropped without calling
  // their `done`.
  virtual void Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) = 0;

  // The machine's local IPv4 address in dotted decimal: the first address of
  // the first interface that is up, running and not a loopback, else
  // "127.0.0.1".
  virtual std::string LocalIPv4Address() const = 0;
};

// Makes the HTTP client. The program gets it from a module of its own, loaded
// at the first online tick, so that start-up does not load Qt Network.
using HttpClientFactory = HttpClient* (*)();
inline constexpr char kHttpClientFactoryName[] = "tarvolin_create_http_client";

}  // namespace tarvolin
