// The HTTP client of the Windows program, over WinHTTP. Each request runs on
// a thread of its own with WinHTTP's blocking calls; its answer comes back
// to the thread that made the client through a message-only window, so
// `done` runs from that thread's message loop.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "online/http_client.h"

namespace tarvolin {

class WinHttpClient : public HttpClient {
 public:
  // Makes the message-only window on the calling thread, which must run a
  // message loop for answers to arrive.
  WinHttpClient();
  ~WinHttpClient() override;
  WinHttpClient(const WinHttpClient&) = delete;
  WinHttpClient& operator=(const WinHttpClient&) = delete;

  // Follows up to five redirects that RedirectAllowed allows; every byte of
  // the address that may not stand in a request line goes out as %XX.
  void Get(const std::string& url, int timeoutMs, std::size_t maxBytes, Done done) override;
  // The first IPv4 address of the first adapter that is up and not a
  // loopback, else "127.0.0.1".
  std::string LocalIPv4Address() const override;

  // Whether a request may follow a redirect from `from` to `to`: only to
  // http or https, never from https to http, and never from a public host to
  // a loopback, private or link-local one, given or among the addresses
  // (literals) that `to`'s name stands for.
  static bool RedirectAllowed(const std::string& from, const std::string& to,
                              const std::vector<std::string>& toAddresses = {});
  // The addresses a name stands for, as literals; none for an address or a
  // name that does not resolve.
  static std::vector<std::string> AddressesOf(const std::string& host);

 private:
  struct Job;      // one request, shared with the thread that runs it
  struct Mailbox;  // answers on their way from those threads to this one
  struct Pending {
    Done done;
    std::shared_ptr<Job> job;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Hands the answers that arrived to their requests, while the client lives.
  void DeliverAnswers();
  // The end of request `id`, unless it has ended already: `done` runs, and
  // may destroy the client.
  void Finish(std::uint64_t id, bool ok, const std::string& body);

  HWND window_ = nullptr;
  std::shared_ptr<Mailbox> mailbox_;
  std::map<std::uint64_t, Pending> pending_;
  std::uint64_t nextId_ = 1;
  // Expires with the client, so a `done` that destroyed it is noticed.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tarvolin
