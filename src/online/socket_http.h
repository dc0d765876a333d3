// Background HTTP GETs on plain sockets. Each request runs on a thread of
// its own; its answer comes back through the user-interface thread. The
// update server speaks plain HTTP, so no TLS is spoken here: an https://
// address fails like any address that cannot be fetched.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "online/http_client.h"
#include "online/ui_thread.h"

namespace tarvolin {

// An http:// address taken apart for one request.
struct HttpAddress {
  std::string host;  // without the brackets of an IPv6 literal
  std::string port;  // decimal, "80" when the address names none
  std::string hostHeader;
  // Path and query as they go into the request line: never empty, without
  // the fragment, and with every byte that may not stand there (controls,
  // spaces, bytes above 127) written as %XX, so nothing in an address can
  // end the request line or add a header.
  std::string target;
};

// Nothing for an address that is not http:// (in any case), names no host,
// or has a port that is not a number from 1 to 65535.
std::optional<HttpAddress> ParseHttpAddress(const std::string& url);

// Where a redirect from `from` to the Location value `location` leads.
std::string ResolveRedirect(const std::string& from, const std::string& location);

class SocketHttpClient : public HttpClient {
 public:
  // `ui` must outlive the client.
  explicit SocketHttpClient(UiThread& ui);
  ~SocketHttpClient() override;
  SocketHttpClient(const SocketHttpClient&) = delete;
  SocketHttpClient& operator=(const SocketHttpClient&) = delete;

  // Follows up to five redirects to other http:// addresses. The time-out
  // is kept on the user-interface thread as well, so a name look-up that
  // hangs past it still reports the failure on time.
  void Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) override;
  std::string LocalIPv4Address() const override;

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace tarvolin
