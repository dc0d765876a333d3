// The resident bar's side of the socket: requests are read on a thread of
// their own, so that no client, however slow or silent, holds up the bar or
// another client.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "instance/instance.h"

namespace tarvolin::instance {

class RequestReader {
 public:
  // A client has a second from its connection to send one line, a request
  // with its token and id; more clients than this at once push out the
  // oldest.
  static constexpr int kClientWaitMs = 1000;
  static constexpr std::size_t kLineBytes = 512;
  static constexpr std::size_t kClients = 16;

  // Accepts the connections on `listening` (as ListenAsResident makes it)
  // from this user's processes only. A request (ParseRequest) is answered
  // "ok" and handed to `deliver`, on the reader's thread; anything else is
  // closed unanswered.
  RequestReader(int listening, std::function<void(const Request&)> deliver);
  // Stops the thread; `deliver` is not called any more.
  ~RequestReader();
  RequestReader(const RequestReader&) = delete;
  RequestReader& operator=(const RequestReader&) = delete;

 private:
  void Run();

  int listening_;
  int wake_[2] = {-1, -1};
  std::function<void(const Request&)> deliver_;
  std::thread thread_;
};

}  // namespace tarvolin::instance
