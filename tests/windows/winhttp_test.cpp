// The WinHTTP client against the tests' HTTP server on the loopback address
// (tests/support/loopback_http_server.py), which run-suite starts on the
// Linux side: its port and its log come in TARVOLIN_TEST_HTTP_PORT and
// TARVOLIN_TEST_HTTP_LOG, an https one's port in TARVOLIN_TEST_HTTPS_PORT.
#include <gtest/gtest.h>

#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "online/winhttp_client.h"

namespace tarvolin {
namespace {

using Result = std::pair<bool, std::string>;  // ok, body

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Runs the message loop until `done`, for `ms` at most; false on time-out.
bool PumpUntil(const std::function<bool()>& done, ULONGLONG ms = 20000) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    if (done()) {
      return true;
    }
    if (::GetTickCount64() - start > ms) {
      return false;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

struct Request {
  std::string target;
  bool clientLeft = false;  // the client closed the connection first
};

// The requests the server noted whose target holds `part`, from its log: a
// JSON list of {"target": ..., "clientLeft": ...}.
std::vector<Request> Requests(const std::string& part) {
  std::ifstream file(Environment("TARVOLIN_TEST_HTTP_LOG"), std::ios::binary);
  const std::string log{std::istreambuf_iterator<char>(file), {}};
  const std::string key = "\"target\": \"", left = "\"clientLeft\": ";
  std::vector<Request> requests;
  for (std::size_t at = log.find(key); at != std::string::npos; at = log.find(key, at)) {
    std::string target;
    for (at += key.size(); at < log.size() && log[at] != '"'; ++at) {
      at += log[at] == '\\' ? 1 : 0;
      target += log[at];
    }
    const std::size_t flag = log.find(left, at) + left.size();
    if (target.find(part) != std::string::npos) {
      requests.push_back({target, log.compare(flag, 4, "true") == 0});
    }
  }
  return requests;
}

class WinHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Environment("TARVOLIN_TEST_HTTP_PORT").empty())
        << "no test server: run the suite with tests/windows/run-suite";
  }
  // A GET of the url, which reports exactly once, after Get has returned.
  Result Get(const std::string& url, std::size_t maxBytes, int timeoutMs = 10000) {
    auto results = std::make_shared<std::vector<Result>>();
    http_.Get(url, timeoutMs, maxBytes,
              [results](bool ok, const std::string& body) { results->emplace_back(ok, body); });
    EXPECT_TRUE(results->empty());
    EXPECT_TRUE(PumpUntil([&] { return !results->empty(); }));
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(results->size(), 1u);
    return results->empty() ? Result() : results->front();
  }

  const std::string base_ = "http://127.0.0.1:" + Environment("TARVOLIN_TEST_HTTP_PORT") + "/";
  WinHttpClient http_;
};

// A 2xx answer comes whole; an error status, an address that is not http,
// and a refused connection fail. What may not stand in a request line goes
// out as %XX.
TEST_F(WinHttpTest, AnAnswerComesWholeAndAnythingElseFails) {
  const std::string body(1000, 'a');
  EXPECT_EQ(Get(base_ + "200/" + body, 1000), Result(true, body));
  EXPECT_EQ(Get(base_ + "201/", 0), Result(true, ""));
  for (const std::string& url :
       {base_ + "404/gone", base_ + "500/0.9", std::string(), std::string("ftp://127.0.0.1/200/x"),
        std::string("http://127.0.0.1:1/200/x")}) {
    EXPECT_EQ(Get(url, 100), Result(false, "")) << url;
  }
  EXPECT_EQ(Get(base_ + "200/x y\xC3\xA9\"<>{|}%zz%41#fragment", 100).first, true);
  EXPECT_EQ(Requests("/200/x").at(0).target, "/200/x%20y%C3%A9%22%3C%3E%7B%7C%7D%25zz%41");
}

// Past its size or its time an answer fails, and the client leaves at once.
TEST_F(WinHttpTest, AnAnswerPastItsBoundsFails) {
  EXPECT_EQ(Get(base_ + "200/" + std::string(1001, 'a'), 1000), Result(false, ""));
  EXPECT_EQ(Get(base_ + "stream/10000000", 1000), Result(false, ""));
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(Get(base_ + "stall?late", 1000, 1500), Result(false, ""));
  const ULONGLONG took = ::GetTickCount64() - start;
  EXPECT_GE(took, 1500u);
  EXPECT_LT(took, 3000u);
  for (const char* path : {"stream", "stall?late"}) {
    EXPECT_TRUE(PumpUntil([&] { return Requests(path).at(0).clientLeft; }, 5000)) << path;
  }
}

// Up to five redirects are followed, within the policy: on http and https,
// never from https to http, and never from a public host to a local one.
TEST_F(WinHttpTest, RedirectsAreFollowedFiveTimesWithinThePolicy) {
  EXPECT_EQ(Get(base_ + "to/%2F200%2F0.9%3Fa%3D1", 100), Result(true, "0.9"));
  EXPECT_EQ(Requests("/200/0.9").at(0).target, "/200/0.9?a=1");
  EXPECT_EQ(Get(base_ + "to/..%2F200%2Fup", 100), Result(true, "up"));
  EXPECT_EQ(Get(base_ + "redirect/0", 100), Result(false, ""));
  EXPECT_EQ(Requests("redirect/5").size(), 1u);
  EXPECT_TRUE(Requests("redirect/6").empty());
  EXPECT_EQ(Get(base_ + "to/ftp%3A%2F%2F127.0.0.1%2Fx", 100), Result(false, ""));

  const std::string publicHost = "http://93.184.216.34/x";
  // A name is judged by the addresses it stands for.
  EXPECT_FALSE(WinHttpClient::RedirectAllowed(publicHost, "http://intranet.example/",
                                              {"93.184.216.35", "::ffff:10.9.9.9"}));
  EXPECT_TRUE(
      WinHttpClient::RedirectAllowed(publicHost, "http://intranet.example/", {"93.184.216.35"}));
  EXPECT_EQ(WinHttpClient::AddressesOf("localhost").empty(), false);
  EXPECT_TRUE(WinHttpClient::RedirectAllowed(publicHost, "https://example.org/y"));
  EXPECT_TRUE(WinHttpClient::RedirectAllowed("http://127.0.0.1/x", "http://192.168.0.1:8/y"));
  EXPECT_FALSE(WinHttpClient::RedirectAllowed("https://example.org/", "http://example.org/"));
  for (const char* to :
       {"http://127.0.0.1/", "http://127.1/", "http://0x7f000001/", "http://10.1.2.3/",
        "http://172.20.0.1/", "http://192.168.0.1/", "http://100.64.0.1/", "http://LocalHost/",
        "http://a.localhost/", "http://[::1]/", "http://[::ffff:127.0.0.1]/", "http://[fe80::1]/",
        "http://[fd00::1]/", "http://169.254.1.1/", "ftp://example.org/", "file:///etc/passwd"}) {
    EXPECT_FALSE(WinHttpClient::RedirectAllowed(publicHost, to)) << to;
  }
}

// A client destroyed first drops its requests: neither one under way nor an
// answer already waiting in the message queue reports.
TEST_F(WinHttpTest, AClientDestroyedFirstReportsNothing) {
  bool reported = false;
  {
    WinHttpClient client;
    const auto done = [&reported](bool, const std::string&) { reported = true; };
    client.Get(base_ + "stall?gone", 10000, 100, done);
    client.Get(base_ + "200/waiting", 10000, 100, done);
    for (int i = 0; i < 500 && Requests("200/waiting").empty(); ++i) {
      ::Sleep(10);
    }
    ::Sleep(300);  // the answer is posted meanwhile, with no loop to take it
  }
  EXPECT_EQ(Requests("200/waiting").size(), 1u);
  EXPECT_FALSE(PumpUntil([&] { return reported; }, 1000));
}

// https: a certificate that the system does not trust gives no answer.
// Wine's chain engine does not take certificates added to the Root store,
// so a trusted one cannot be had here. That the trust fails, not the
// handshake: WinHTTP told to overlook the certificate gets its answer.
TEST_F(WinHttpTest, AnUntrustedCertificateFails) {
  const std::string port = Environment("TARVOLIN_TEST_HTTPS_PORT");
  if (port.empty()) {
    GTEST_SKIP() << "run-suite could not make a certificate";
  }
  EXPECT_EQ(Get("https://127.0.0.1:" + port + "/200/0.9", 100), Result(false, ""));
  const HINTERNET session = ::WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                          WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  const HINTERNET connection =
      ::WinHttpConnect(session, L"127.0.0.1", static_cast<INTERNET_PORT>(std::stoi(port)), 0);
  const HINTERNET request =
      ::WinHttpOpenRequest(connection, L"GET", L"/200/0.9", nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
  DWORD overlook = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
  EXPECT_TRUE(
      request != nullptr &&
      ::WinHttpSetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &overlook, sizeof overlook) &&
      ::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                           0) &&
      ::WinHttpReceiveResponse(request, nullptr));
  for (const HINTERNET handle : {request, connection, session}) {
    ::WinHttpCloseHandle(handle);
  }
}

// The first address of an interface that is up and not a loopback, as the
// Linux side sees them (TARVOLIN_TEST_LOCAL_IPV4), else 127.0.0.1.
TEST_F(WinHttpTest, TheLocalAddressIsOneOfThisMachine) {
  const char* addresses = std::getenv("TARVOLIN_TEST_LOCAL_IPV4");
  if (addresses == nullptr) {
    GTEST_SKIP() << "run-suite found no list of this machine's addresses";
  }
  std::istringstream list(addresses);
  const std::vector<std::string> expected{std::istream_iterator<std::string>(list), {}};
  const std::string address = http_.LocalIPv4Address();
  if (expected.empty()) {
    EXPECT_EQ(address, "127.0.0.1");
  } else {
    EXPECT_NE(std::find(expected.begin(), expected.end(), address), expected.end()) << address;
  }
}

}  // namespace
}  // namespace tarvolin
