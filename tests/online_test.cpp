// The update check and the usage report, and the HTTP client under them,
// against a real HTTP server on the loopback address.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslConfiguration>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "online/online.h"
#include "online/qt_http.h"
#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

namespace tarvolin {
namespace {

using Result = std::pair<bool, std::string>;  // ok, body

// Runs the event loop until `done`, for `ms` at most; false on time-out.
bool PumpUntil(const std::function<bool()>& done, int ms = 20000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) {
      return false;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class OnlineTest : public ::testing::Test {
 protected:
  // A fresh run of the program with a base address below the server's, whose
  // offer gets `answer`.
  void Start(const std::string& base, bool answer) {
    offers_ = 0;
    opened_.clear();
    online_ = std::make_unique<OnlineServices>(
        http_, settings_, OnlineConfig{.baseAddress = server_.BaseAddress() + base},
        [this, answer](const std::string& text) {
          EXPECT_EQ(text, kUpdatePrompt);
          ++offers_;
          if (whileOpen_) {
            whileOpen_();  // what the event loop runs while the box waits
          }
          return answer;
        },
        [this](const std::string& url) { opened_.push_back(url); });
  }
  // One tick, then the event loop until the server has `more` new requests
  // and the check is no longer under way.
  void Tick(std::size_t more) {
    const std::size_t before = server_.Requests().size();
    online_->Tick();
    EXPECT_TRUE(PumpUntil([&] {
      return server_.Requests().size() >= before + more &&
             (online_->UpdateChecked() || !settings_.AutoUpdate);
    }));
  }
  // A GET of the url, which reports exactly once; the event loop may first
  // be busy elsewhere for `busyMs`.
  Result Get(const std::string& url, std::size_t maxBytes, int timeoutMs = 10000, int busyMs = 0) {
    std::vector<Result> results;
    http_.Get(url, timeoutMs, maxBytes,
              [&](bool ok, const std::string& body) { results.emplace_back(ok, body); });
    std::this_thread::sleep_for(std::chrono::milliseconds(busyMs));
    EXPECT_TRUE(PumpUntil([&] { return !results.empty(); }));
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(results.size(), 1u);
    return results.empty() ? Result() : results[0];
  }

  int argc_ = 1;
  char* argv_[1] = {const_cast<char*>("online_test")};
  QCoreApplication app_{argc_, argv_};
  testing::LoopbackHttpServer server_;
  QtHttpClient http_;
  SettingsState settings_;
  std::unique_ptr<OnlineServices> online_;
  int offers_ = 0;
  std::function<void()> whileOpen_;
  std::vector<std::string> opened_;
};

// Only a higher number is offered, once per run; Yes opens the download
// page. An error page is no number, and a failed check is not tried again.
// Each run reports its use once; the check waits for AutoUpdate. The server
// answers the version file with the text in the base address.
TEST_F(OnlineTest, OnlyAHigherNumberIsOfferedOnceAndTheUseIsReportedOnce) {
  const std::tuple<std::string, bool, bool> runs[] = {{"200/0.88%0D%0Anew%0D%0A/", true, true},
                                                      {"200/0.88/", true, false},
                                                      {"200/0.87/", false, true},
                                                      {"500/9.99/", false, true}};
  settings_.AutoUpdate = true;
  for (const auto& [base, offered, yes] : runs) {
    SCOPED_TRACE(base);
    Start(base, yes);
    const std::size_t fetches = server_.Requests("version.txt").size();
    Tick(2);
    Tick(0);
    EXPECT_EQ(offers_, offered ? 1 : 0);
    EXPECT_EQ(server_.Requests("version.txt").size(), fetches + 1);
    EXPECT_EQ(opened_, offered && yes
                           ? std::vector{server_.BaseAddress() + base + "prog/download.html"}
                           : std::vector<std::string>{});
  }
  // Ticks while the offer waits for an answer start nothing.
  Start("200/0.88/", false);
  whileOpen_ = [&] {
    online_->Tick();
    PumpUntil([] { return false; }, 300);
  };
  Tick(2);
  EXPECT_EQ(offers_, 1);
  EXPECT_EQ(server_.Requests("version.txt").size(), 5u);
  const auto reports = server_.Requests("statsupdate.asp");
  ASSERT_EQ(reports.size(), 5u);
  EXPECT_EQ(reports.back().target,
            "/200/0.88/prog/statsupdate.asp?pass=pushstats&ip=" + http_.LocalIPv4Address() +
                "&prog_name=Tarvolin&Version=0.87BETA");

  settings_.AutoUpdate = false;
  Start("200/0.88/", false);
  Tick(1);
  Tick(0);
  EXPECT_EQ(server_.Requests().size(), 11u);  // the report only
}

// Past its size or its time an answer fails, and the client leaves at once.
TEST_F(OnlineTest, AnAnswerPastItsBoundsFails) {
  const std::string body(1000, 'a'), base = server_.BaseAddress();
  EXPECT_EQ(Get(base + "200/" + body, 1000), Result(true, body));
  EXPECT_EQ(Get(base + "200/" + body + "b", 1000), Result(false, ""));
  EXPECT_EQ(Get(base + "stream/200000000", 65536, 10000, 500), Result(false, ""));
  EXPECT_EQ(Get(base + "stall", 1000, 1500), Result(false, ""));
  for (const char* path : {"stream", "stall"}) {
    EXPECT_TRUE(PumpUntil([&] { return server_.Requests(path).at(0).clientLeft; })) << path;
  }
  // The client stops reading at the limit, even while the event loop is
  // busy: what the server got out is what the network holds, not the stream.
  EXPECT_LT(server_.Requests("stream").at(0).sent, 8e6) << server_.Requests("stream").at(0).sent;
}

// Up to five redirects are followed, within the policy: on http and https,
// and never from a public host to a local one.
TEST_F(OnlineTest, RedirectsAreFollowedFiveTimesAndNeverFromAPublicHostToALocalOne) {
  EXPECT_EQ(Get(server_.BaseAddress() + "to/%2F200%2F0.9%3Fa%3D1", 100), Result(true, "0.9"));
  EXPECT_EQ(server_.Requests("/200/0.9").at(0).target, "/200/0.9?a=1");
  EXPECT_EQ(Get(server_.BaseAddress() + "redirect/0", 100), Result(false, ""));
  EXPECT_EQ(server_.Requests("redirect/5").size(), 1u);
  EXPECT_TRUE(server_.Requests("redirect/6").empty());

  // Never from https down to http.
  EXPECT_FALSE(RedirectAllowed(QUrl("https://example.org/x"), QUrl("http://example.org/y")));
  EXPECT_TRUE(RedirectAllowed(QUrl("https://example.org/x"), QUrl("https://example.net/y")));
  const QUrl publicHost("http://93.184.216.34/x");
  EXPECT_TRUE(RedirectAllowed(publicHost, QUrl("https://example.org/y")));
  EXPECT_TRUE(RedirectAllowed(QUrl("http://127.0.0.1/x"), QUrl("http://192.168.0.1:8/y")));
  for (const char* to :
       {"http://127.0.0.1/", "http://10.1.2.3/", "http://192.168.0.1/", "http://LocalHost/",
        "http://[::1]/", "http://169.254.1.1/", "http://[::ffff:10.9.9.9]/",
        "http://[::ffff:127.0.0.1]/", "ftp://example.org/", "file:///etc/passwd"}) {
    EXPECT_FALSE(RedirectAllowed(publicHost, QUrl(to))) << to;
  }
  // A name is judged by the addresses it stands for.
  const QUrl name("http://intranet.example/");
  EXPECT_TRUE(NeedsLookUp(publicHost, name));
  EXPECT_FALSE(NeedsLookUp(QUrl("http://127.0.0.1/x"), name));
  EXPECT_FALSE(RedirectAllowed(publicHost, name,
                               {QHostAddress("93.184.216.35"), QHostAddress("127.0.0.1")}));
  EXPECT_TRUE(RedirectAllowed(publicHost, name, {QHostAddress("93.184.216.35")}));
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
  EXPECT_EQ(Get(secure.BaseAddress() + "200/0.9", 100), Result(true, "0.9"));
}

}  // namespace
}  // namespace tarvolin
