// The update check and the usage report, and the HTTP client under them,
// against a real HTTP server on the loopback address.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslConfiguration>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "online/online.h"
#include "online/qt_http.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

using Answer = testing::LoopbackHttpServer::Answer;
using Result = std::pair<bool, std::string>;  // ok, body
using Results = std::vector<Result>;

constexpr char kVersionPath[] = "/prog/Tarvolin/version.txt";
constexpr char kReportPath[] = "/prog/statsupdate.asp";

// Runs the event loop until `done` or for 20 s at most; false on time-out.
bool PumpUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 20000) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  PumpUntil([&] { return timer.elapsed() > ms; });
}

class OnlineTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_.AutoUpdate = true; }

  // A fresh run of the program with this version.
  void Start(ProgramVersion version = {0, 8, 7}, bool beta = true, int timeoutMs = 10000) {
    const OnlineConfig config{.baseAddress = server_.BaseAddress(),
                              .version = version,
                              .isBeta = beta,
                              .timeoutMs = timeoutMs};
    offers_ = 0;
    opened_.clear();
    online_ = std::make_unique<OnlineServices>(
        *http_, settings_, config,
        [this](const std::string& text) {
          EXPECT_EQ(text, kUpdatePrompt);
          ++offers_;
          if (whileOpen_) {
            whileOpen_();  // what the event loop runs while the box waits
          }
          return answerYes_;
        },
        [this](const std::string& url) { opened_.push_back(url); });
  }

  // One tick, then the event loop until the server is through with `more`
  // new requests and the check is no longer under way.
  void Tick(std::size_t more) {
    const std::size_t before = server_.Requests().size();
    online_->Tick();
    EXPECT_TRUE(PumpUntil([&] {
      const auto requests = server_.Requests();
      return requests.size() >= before + more &&
             std::all_of(requests.begin(), requests.end(), [](auto& r) { return r.done; }) &&
             (online_->UpdateChecked() || !settings_.AutoUpdate);
    }));
  }

  // GETs of the urls side by side; what each reported, once all have.
  Results GetAll(const std::vector<std::string>& urls, std::size_t maxBytes,
                 int timeoutMs = 10000) {
    Results results(urls.size());
    std::vector<int> calls(urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
      http_->Get(urls[i], timeoutMs, maxBytes, [&, i](bool ok, const std::string& body) {
        results[i] = {ok, body};
        ++calls[i];
      });
    }
    EXPECT_EQ(calls, std::vector<int>(urls.size(), 0)) << "reported inside Get";
    EXPECT_TRUE(PumpUntil([&] { return std::count(calls.begin(), calls.end(), 0) == 0; }));
    Pump(100);
    EXPECT_EQ(calls, std::vector<int>(urls.size(), 1)) << "each reports exactly once";
    return results;
  }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("online_test")};
  QCoreApplication app_{argc_, argv_};
  testing::LoopbackHttpServer server_;
  std::unique_ptr<QtHttpClient> http_ = std::make_unique<QtHttpClient>();
  SettingsState settings_;
  std::unique_ptr<OnlineServices> online_;
  int offers_ = 0;
  bool answerYes_ = false;
  std::function<void()> whileOpen_;
  std::vector<std::string> opened_;
};

// Only a higher number is offered, once per run; Yes opens the download
// page. An error page is no number, and a failed check is not tried again.
TEST_F(OnlineTest, OnlyAHigherNumberIsOfferedOnce) {
  const std::tuple<Answer, bool, bool> cases[] = {{{.body = "0.88\r\nnew\r\n"}, true, true},
                                                  {{.body = "0.88"}, true, false},
                                                  {{.body = "0.87"}, false, true},
                                                  {{.status = 500, .body = "9.99"}, false, true}};
  for (const auto& [answer, offered, yes] : cases) {
    SCOPED_TRACE(answer.body);
    server_.Serve(kVersionPath, answer);
    answerYes_ = yes;
    Start();
    const std::size_t fetches = server_.Requests(kVersionPath).size();
    Tick(2);
    Tick(0);
    EXPECT_EQ(offers_, offered ? 1 : 0);
    EXPECT_EQ(server_.Requests(kVersionPath).size(), fetches + 1);
    EXPECT_EQ(opened_, offered && yes ? std::vector{server_.BaseAddress() + "prog/download.html"}
                                      : std::vector<std::string>{});
  }
  // Ticks while the offer waits for an answer start nothing.
  server_.Serve(kVersionPath, {.body = "0.88"});
  Start();
  whileOpen_ = [&] {
    online_->Tick();
    Pump(300);
  };
  Tick(2);
  EXPECT_EQ(offers_, 1);
  EXPECT_EQ(server_.Requests(kVersionPath).size(), 5u);
}

TEST_F(OnlineTest, TicksWhileTheCheckIsOutStartNothingAndItsTimeLimitEndsIt) {
  server_.Serve(kVersionPath, {.stall = true});
  Start({0, 8, 7}, true, 1500);
  online_->Tick();
  ASSERT_TRUE(PumpUntil([&] { return server_.Requests(kVersionPath).size() == 1; }));
  online_->Tick();
  online_->Tick();
  ASSERT_TRUE(PumpUntil([&] { return online_->UpdateChecked(); }));
  EXPECT_EQ(offers_, 0);
  EXPECT_EQ(server_.Requests(kVersionPath).size(), 1u);
  EXPECT_TRUE(PumpUntil([&] { return server_.Requests(kVersionPath).at(0).clientLeft; }));
}

TEST_F(OnlineTest, TheReportGoesOutOncePerRunAndTheCheckWaitsForAutoUpdate) {
  server_.Serve(kVersionPath, {.body = "0.88"});
  settings_.AutoUpdate = false;
  for (const auto& [version, beta, value] :
       {std::tuple{ProgramVersion{0, 12, 5}, false, "0.125"},
        std::tuple{ProgramVersion{0, 8, 7}, true, "0.87BETA"}}) {
    Start(version, beta);
    Tick(1);
    Tick(0);
    EXPECT_EQ(server_.Requests().back().target,
              std::string(kReportPath) + "?pass=pushstats&ip=" + http_->LocalIPv4Address() +
                  "&prog_name=Tarvolin&Version=" + value);
  }
  EXPECT_EQ(server_.Requests(kReportPath).size(), 2u);
  EXPECT_TRUE(server_.Requests(kVersionPath).empty());
  settings_.AutoUpdate = true;
  Tick(1);
  EXPECT_EQ(server_.Requests(kVersionPath).size(), 1u);
  EXPECT_EQ(offers_, 1);
  EXPECT_EQ(server_.Requests(kReportPath).size(), 2u);
}

// Past its size or its time an answer fails, and the client leaves at once;
// a client that is gone reports nothing, and still gives its requests up.
TEST_F(OnlineTest, AnAnswerPastItsBoundsFailsAndAGoneClientReportsNothing) {
  const std::string body(1000, 'a'), base = server_.BaseAddress();
  server_.Serve("/fits", {.body = body});
  server_.Serve("/over", {.body = body + "b"});
  server_.Serve("/huge", {.body = body, .repeatTo = 10 * 1024 * 1024});
  server_.Serve("/stall", {.stall = true});
  EXPECT_EQ(GetAll({base + "fits", base + "over", base + "huge", base + "stall"}, 1000, 1500),
            (Results{{true, body}, {false, ""}, {false, ""}, {false, ""}}));
  for (const char* path : {"/huge", "/stall"}) {
    EXPECT_TRUE(PumpUntil([&] { return server_.Requests(path).at(0).clientLeft; })) << path;
  }

  bool reported = false;
  http_->Get(base + "stall", 300, 100, [&](bool, const std::string&) { reported = true; });
  ASSERT_TRUE(PumpUntil([&] { return server_.Requests("/stall").size() == 2; }));
  http_.reset();
  Pump(800);
  EXPECT_FALSE(reported);
  EXPECT_TRUE(PumpUntil([&] { return server_.Requests("/stall").at(1).clientLeft; }));
}

// Up to five redirects are followed, within the policy: on http and https,
// and never from a public host to a local one.
TEST_F(OnlineTest, RedirectsAreFollowedFiveTimesAndNeverFromAPublicHostToALocalOne) {
  server_.Serve("/moved", {.status = 302, .body = "elsewhere", .location = "/here?a=1"});
  server_.Serve("/here", {.body = "0.9"});
  for (int i = 0; i < 8; ++i) {  // a chain /r0 -> /r1 -> ... that never ends
    server_.Serve("/r" + std::to_string(i),
                  {.status = 301, .location = "r" + std::to_string(i + 1)});
  }
  const std::string base = server_.BaseAddress();
  EXPECT_EQ(GetAll({base + "moved", base + "r0"}, 100), (Results{{true, "0.9"}, {false, ""}}));
  EXPECT_EQ(server_.Requests("/here").at(0).target, "/here?a=1");
  Pump(300);
  EXPECT_EQ(server_.Requests("/r5").size(), 1u);
  EXPECT_TRUE(server_.Requests("/r6").empty());

  const QUrl publicHost("http://93.184.216.34/x");
  EXPECT_TRUE(RedirectAllowed(publicHost, QUrl("https://example.org/y")));
  EXPECT_TRUE(RedirectAllowed(QUrl("http://127.0.0.1/x"), QUrl("http://192.168.0.1:8/y")));
  for (const char* to :
       {"http://127.0.0.1/", "http://10.1.2.3/", "http://192.168.0.1/", "http://LocalHost/",
        "http://[::1]/", "http://169.254.1.1/", "ftp://example.org/", "file:///etc/passwd"}) {
    EXPECT_FALSE(RedirectAllowed(publicHost, QUrl(to))) << to;
  }
}

// Every byte of an address that may not stand in a request line goes out
// escaped: no address can end the line or add a header.
TEST_F(OnlineTest, AnAddressCannotEndTheRequestLineOrAddHeaders) {
  server_.Serve("/x", {.body = "x"});
  const std::string base = server_.BaseAddress();
  EXPECT_EQ(GetAll({base + "x?v=1\r\nX-Added: yes", base + "a b"}, 100),
            (Results{{true, "x"}, {false, ""}}));
  std::vector<std::string> targets;
  for (const auto& request : server_.Requests()) {
    targets.push_back(request.target);
  }
  std::sort(targets.begin(), targets.end());
  EXPECT_EQ(targets, (std::vector<std::string>{"/a%20b", "/x?v=1%0D%0AX-Added:%20yes"}));
}

// https: a server on the loopback address with a certificate of its own,
// which this test trusts.
TEST_F(OnlineTest, HttpsAddressesWork) {
  testing::TempFolder folder;
  const std::string cert = folder / "cert.pem", key = folder / "key.pem";
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 "
                         "-addext subjectAltName=IP:127.0.0.1 -keyout " +
                         key + " -out " + cert + " 2>/dev/null")
                            .c_str()),
            0);
  QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
  trusting.addCaCertificates(QString::fromStdString(cert));
  QSslConfiguration::setDefaultConfiguration(trusting);
  testing::LoopbackHttpServer secure(cert, key);
  secure.Serve("/v", {.body = "0.9"});
  EXPECT_EQ(GetAll({secure.BaseAddress() + "v"}, 100), (Results{{true, "0.9"}}));
}

}  // namespace
}  // namespace tarvolin
